// The general containers: growth and granularity of the buffers, text edits that
// read from the string they change, ownership in the pointer list, and a mutex that
// its owner may take again.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "heapbuf.h"
#include "mutex.h"
#include "mutex_probe.h"
#include "ptrlist.h"
#include "wdlstring.h"

namespace {

// ---------------------------------------------------------------- WDL_HeapBuf

TEST(HeapBuf, CapacityGrowsInWholeGranulesAndShrinkingKeepsTheStorage) {
  WDL_HeapBuf hb(100);
  ASSERT_NE(hb.Resize(1), nullptr);
  EXPECT_EQ(hb.GetCapacity(), 100);
  void* first = hb.Get();
  hb.Resize(100);
  EXPECT_EQ(hb.Get(), first) << "growth inside the granule must not reallocate";
  hb.Resize(101);
  EXPECT_EQ(hb.GetCapacity(), 200);
  hb.Resize(250);
  EXPECT_EQ(hb.GetCapacity(), 300);
  void* big = hb.Get();
  hb.Resize(3);
  EXPECT_EQ(hb.GetSize(), 3);
  EXPECT_EQ(hb.GetCapacity(), 300);
  EXPECT_EQ(hb.Get(), big);
  hb.Resize(300);
  EXPECT_EQ(hb.Get(), big) << "regrowing within the kept storage must not reallocate";
}

TEST(HeapBuf, CopiesAreDeepAndSelfAssignmentIsHarmless) {
  WDL_HeapBuf a(16);
  memcpy(a.Resize(4), "abcd", 4);
  WDL_HeapBuf b(a);
  WDL_HeapBuf c;
  c = a;
  static_cast<char*>(a.Get())[0] = 'X';
  EXPECT_EQ(memcmp(b.Get(), "abcd", 4), 0);
  EXPECT_EQ(memcmp(c.Get(), "abcd", 4), 0);
  WDL_HeapBuf& alias = c;
  c = alias;
  EXPECT_EQ(c.GetSize(), 4);
  EXPECT_EQ(memcmp(c.Get(), "abcd", 4), 0);
  WDL_HeapBuf empty;
  c = empty;
  EXPECT_EQ(c.GetSize(), 0);
}

// ---------------------------------------------------------------- WDL_TypedBuf

TEST(TypedBuf, GranularityIsInBytes) {
  WDL_TypedBuf<double> tb(64);  // 8 doubles per granule
  double* p = tb.Resize(1);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(tb.Resize(8), p);
  EXPECT_EQ(tb.GetSize(), 8);
}

TEST(TypedBuf, AddAppendsCopiesAndKeepsEarlierElements) {
  WDL_TypedBuf<int> tb(4);
  for (int i = 0; i < 1000; ++i) ASSERT_NE(tb.Add(i), nullptr);
  const int more[3] = {-1, -2, -3};
  int* added = tb.Add(more, 3);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added, tb.Get() + 1000);
  ASSERT_EQ(tb.GetSize(), 1003);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(tb.Get()[i], i);
  EXPECT_EQ(tb.Get()[1002], -3);
}

TEST(TypedBuf, AddRefusesEmptyAndOversizedRequests) {
  WDL_TypedBuf<int> tb;
  tb.Add(7);
  EXPECT_EQ(tb.Add(nullptr, 0), nullptr);
  EXPECT_EQ(tb.Add(nullptr, -3), nullptr);
  EXPECT_EQ(tb.Add(nullptr, INT32_MAX), nullptr);
  EXPECT_EQ(tb.Resize(INT32_MAX / 2), nullptr);
  ASSERT_EQ(tb.GetSize(), 1);
  EXPECT_EQ(tb.Get()[0], 7);
}

// Appending a buffer's own contents: the growth moves the storage the source points
// into, so the copy must not read the old block.
TEST(TypedBuf, AddFromItsOwnContentsSurvivesReallocation) {
  WDL_TypedBuf<int> tb(sizeof(int));  // every growth reallocates
  for (int i = 0; i < 64; ++i) tb.Add(i);
  ASSERT_NE(tb.Add(tb.Get(), 64), nullptr);
  ASSERT_EQ(tb.GetSize(), 128);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(tb.Get()[i], i % 64) << i;
  ASSERT_NE(tb.Add(tb.Get() + 127, 1), nullptr);
  EXPECT_EQ(tb.Get()[128], 63);
}

// ---------------------------------------------------------------- WDL_PtrList

struct Tracked {
  explicit Tracked(int* counter) : deaths(counter) {}
  ~Tracked() { ++*deaths; }
  int* deaths;
};

TEST(PtrList, DeletesElementsOnlyWhenAsked) {
  int deaths = 0;
  Tracked kept(&deaths);
  {
    WDL_PtrList<Tracked> list;
    list.Add(&kept);
    list.Delete(0, false);
    list.Add(&kept);
    list.Empty(false);
    EXPECT_EQ(list.GetSize(), 0);
    list.Add(&kept);
  }  // the list's own destruction leaves its elements alone
  EXPECT_EQ(deaths, 0);

  WDL_PtrList<Tracked> owning;
  for (int i = 0; i < 5; ++i) owning.Add(new Tracked(&deaths));
  owning.Delete(2, true);
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(owning.GetSize(), 4);
  owning.Empty(true);
  EXPECT_EQ(deaths, 5);
  EXPECT_EQ(owning.GetSize(), 0);
}

// An element whose destructor looks at the list it is being removed from must find
// itself already gone, and the other elements still valid.
struct SelfAware {
  SelfAware(WDL_PtrList<SelfAware>* l, std::vector<int>* seen) : list(l), sizes(seen) {}
  ~SelfAware() {
    EXPECT_EQ(list->Find(this), -1);
    for (int i = 0; i < list->GetSize(); ++i) EXPECT_NE(list->Get(i), nullptr);
    sizes->push_back(list->GetSize());
  }
  WDL_PtrList<SelfAware>* list;
  std::vector<int>* sizes;
};

TEST(PtrList, DestructorsSeeTheListWithoutTheirElement) {
  WDL_PtrList<SelfAware> list;
  std::vector<int> sizes;
  for (int i = 0; i < 4; ++i) list.Add(new SelfAware(&list, &sizes));
  list.Delete(1, true);
  list.Empty(true);
  EXPECT_EQ(sizes, (std::vector<int>{3, 2, 1, 0}));
}

// ---------------------------------------------------------------- WDL_String

TEST(String, EmptyTextIsReadableAndSetLenOnlyShortens) {
  WDL_String s;
  ASSERT_NE(s.Get(), nullptr);
  EXPECT_STREQ(s.Get(), "");
  s.SetLen(0);  // must not write into the shared empty text
  s.Set(nullptr);
  EXPECT_STREQ(s.Get(), "");
  s.Set("abcdef");
  s.SetLen(10);
  EXPECT_STREQ(s.Get(), "abcdef");
  s.SetLen(2);
  EXPECT_STREQ(s.Get(), "ab");
  s.SetLen(-1);
  EXPECT_STREQ(s.Get(), "");
}

TEST(String, MaxlenLimitsTheBytesTaken) {
  WDL_String s("abcdef", 3);
  EXPECT_STREQ(s.Get(), "abc");
  s.Append("XYZ", 1);
  EXPECT_STREQ(s.Get(), "abcX");
  s.Append("q", 100);  // a limit beyond the source's end reads no further than its NUL
  EXPECT_STREQ(s.Get(), "abcXq");
  s.Set("full", 0);
  EXPECT_STREQ(s.Get(), "full");
  s.Set("neg", -4);
  EXPECT_STREQ(s.Get(), "neg");
}

// Sources that lie inside the string being edited, across a reallocation.
TEST(String, EditsWhoseSourceIsTheStringItself) {
  WDL_String s("0123456789");
  s.Append(s.Get());
  EXPECT_STREQ(s.Get(), "01234567890123456789");
  s.Set(s.Get() + 15);
  EXPECT_STREQ(s.Get(), "56789");
  s.Insert(s.Get() + 3, 1);
  EXPECT_STREQ(s.Get(), "5896789");
  for (int i = 0; i < 6; ++i) s.Append(s.Get());  // 7 * 64 bytes, many reallocations
  const std::string grown = s.Get();
  EXPECT_EQ(grown.size(), 7u * 64);
  EXPECT_EQ(grown.substr(0, 7), "5896789");
  EXPECT_EQ(grown.substr(7 * 63), "5896789");
  s.Set(s.Get());
  EXPECT_EQ(s.GetLength(), 7 * 64);
}

TEST(String, FormattingGrowsCutsAndMayReadItself) {
  WDL_String s;
  s.SetFormatted(0, "%d-%s", 42, "x");
  EXPECT_STREQ(s.Get(), "42-x");
  s.AppendFormatted(3, "%s", "abcdef");
  EXPECT_STREQ(s.Get(), "42-xabc");
  const std::string longText(500, 'z');
  s.SetFormatted(0, "[%s]", longText.c_str());
  EXPECT_EQ(s.GetLength(), 502);
  s.SetFormatted(0, "<%s>", s.Get());
  EXPECT_EQ(s.GetLength(), 504);
  EXPECT_EQ(s.Get()[0], '<');
  EXPECT_EQ(s.Get()[503], '>');
  s.SetFormatted(5, "%s", "0123456789");
  EXPECT_STREQ(s.Get(), "01234");
}

// ---------------------------------------------------------------- WDL_Mutex

TEST(Mutex, OwnerMayEnterAgainAndOthersWaitForTheLastLeave) {
  WDL_Mutex m;
  m.Enter();
  m.Enter();
  EXPECT_TRUE(m.TryEnter());  // recursive: the owner always gets it
  EXPECT_FALSE(MutexIsFree(&m));
  m.Leave();
  m.Leave();
  EXPECT_FALSE(MutexIsFree(&m)) << "released after two of three Leaves";
  m.Leave();
  EXPECT_TRUE(MutexIsFree(&m));
}

TEST(Mutex, ExcludesOtherThreads) {
  WDL_Mutex m;
  long counter = 0;  // deliberately not atomic: only the mutex protects it
  constexpr int kThreads = 4, kRounds = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        WDL_MutexLock lock(&m);
        WDL_MutexLock again(&m);
        const long seen = counter;
        std::this_thread::yield();
        counter = seen + 1;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(counter, static_cast<long>(kThreads) * kRounds);
}

}  // namespace
