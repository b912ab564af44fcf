// Blits and fills on an editor-sized 700 x 400 bitmap, in pixels per second.
// The floor is memcpy of the same bytes: a full-weight copy blit cannot beat it,
// and the ratio to it shows what the per-row work costs.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "lice.h"

namespace {

constexpr int kWidth = 700, kHeight = 400;
constexpr int64_t kPixels = int64_t(kWidth) * kHeight;

void Randomise(LICE_IBitmap* bm, unsigned seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x) bm->getBits()[y * bm->getRowSpan() + x] = rng();
}

void BM_MemcpyFloor(benchmark::State& state) {
  std::vector<LICE_pixel> src(kPixels, 0x12345678), dst(kPixels);
  for (auto _ : state) {
    memcpy(dst.data(), src.data(), kPixels * sizeof(LICE_pixel));
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_MemcpyFloor);

// Blit of the whole source at the weight in range(0) / 100, with mode range(1).
void BM_Blit(benchmark::State& state) {
  LICE_MemBitmap src(kWidth, kHeight), dst(kWidth, kHeight);
  Randomise(&src, 1);
  Randomise(&dst, 2);
  const float alpha = float(state.range(0)) / 100.0f;
  const int mode = int(state.range(1));
  for (auto _ : state) {
    LICE_Blit(&dst, &src, 0, 0, 0, 0, kWidth, kHeight, alpha, mode);
    benchmark::DoNotOptimize(dst.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_Blit)
    ->ArgNames({"alpha%", "mode"})
    ->Args({100, LICE_BLIT_MODE_COPY})
    ->Args({50, LICE_BLIT_MODE_COPY})
    ->Args({37, LICE_BLIT_MODE_COPY})
    ->Args({100, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA});

// Fill of the whole bitmap at the weight in range(0) / 100.
void BM_FillRect(benchmark::State& state) {
  LICE_MemBitmap dst(kWidth, kHeight);
  Randomise(&dst, 3);
  const float alpha = float(state.range(0)) / 100.0f;
  for (auto _ : state) {
    LICE_FillRect(&dst, 0, 0, kWidth, kHeight, LICE_RGBA(40, 80, 120, 255), alpha,
                  LICE_BLIT_MODE_COPY);
    benchmark::DoNotOptimize(dst.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_FillRect)->ArgName("alpha%")->Arg(100)->Arg(75)->Arg(50)->Arg(37);

// Many small rectangles, as a panel of controls draws them.
void BM_FillRectSmall(benchmark::State& state) {
  LICE_MemBitmap dst(kWidth, kHeight);
  Randomise(&dst, 4);
  for (auto _ : state) {
    for (int y = 0; y + 20 <= kHeight; y += 20)
      for (int x = 0; x + 20 <= kWidth; x += 20)
        LICE_FillRect(&dst, x, y, 20, 20, LICE_RGBA(x, y, 0, 255), 1.0f, LICE_BLIT_MODE_COPY);
    benchmark::DoNotOptimize(dst.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_FillRectSmall);

// Filtered reduction of the whole bitmap to range(0) / 100 of its size in both directions,
// as a scaled picture is drawn; items are source pixels.
void BM_ScaledBlitReduce(benchmark::State& state) {
  LICE_MemBitmap src(kWidth, kHeight);
  Randomise(&src, 5);
  const int dw = int(kWidth * state.range(0) / 100), dh = int(kHeight * state.range(0) / 100);
  LICE_MemBitmap dst(dw, dh);
  for (auto _ : state) {
    LICE_ScaledBlit(&dst, &src, 0, 0, dw, dh, 0, 0, kWidth, kHeight, 1.0f,
                    LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR);
    benchmark::DoNotOptimize(dst.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_ScaledBlitReduce)->ArgName("size%")->Arg(55)->Arg(50)->Arg(30)->Arg(25);

}  // namespace
