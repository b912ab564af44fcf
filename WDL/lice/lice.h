// The raster library: 32-bit bitmaps (memory order alpha, red, green, blue, not
// premultiplied), blits, fills, lines and shapes parameterised by a combine mode,
// PNG decoding and a cached font that draws text into a bitmap.
//
// Every primitive is safe for any coordinates and any bitmap size (0 x 0, a bitmap
// whose allocation failed, null): what falls outside draws nothing and nothing is
// reported. Nothing here throws or keeps locks (a bitmap opened from a PNG holds its
// own lock only while its pixels are first decoded).
#ifndef LICE_LICE_H_
#define LICE_LICE_H_

#include <cstddef>
#include <cstdint>

#include "heapbuf.h"
#include "swell-gdi.h"

// ---------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------

// One pixel. Byte 0 in memory is alpha, then red, green, blue; read as a
// little-endian 32-bit integer that is a + r * 2^8 + g * 2^16 + b * 2^24.
typedef uint32_t LICE_pixel;
typedef uint8_t LICE_pixel_chan;

// Byte index of each channel inside a pixel in memory.
#define LICE_PIXEL_A 0
#define LICE_PIXEL_R 1
#define LICE_PIXEL_G 2
#define LICE_PIXEL_B 3

#define LICE_RGBA(r, g, b, a)                                                    \
  ((LICE_pixel)(((LICE_pixel)(a) & 0xff) | (((LICE_pixel)(r) & 0xff) << 8) |    \
                (((LICE_pixel)(g) & 0xff) << 16) | (((LICE_pixel)(b) & 0xff) << 24)))
#define LICE_GETA(v) ((int)((LICE_pixel)(v) & 0xff))
#define LICE_GETR(v) ((int)(((LICE_pixel)(v) >> 8) & 0xff))
#define LICE_GETG(v) ((int)(((LICE_pixel)(v) >> 16) & 0xff))
#define LICE_GETB(v) ((int)(((LICE_pixel)(v) >> 24) & 0xff))

// ---------------------------------------------------------------------------
// Blit modes and flags
// ---------------------------------------------------------------------------

#define LICE_BLIT_MODE_MASK 0xff
#define LICE_BLIT_MODE_COPY 0
#define LICE_BLIT_MODE_ADD 1
#define LICE_BLIT_MODE_DODGE 2
#define LICE_BLIT_MODE_MUL 3
#define LICE_BLIT_MODE_OVERLAY 4
#define LICE_BLIT_MODE_HSVADJ 5
// Single-channel copy: mode byte 0xf0 | (destination channel << 2) | source channel,
// channels numbered as the byte indices above.
#define LICE_BLIT_MODE_CHANCOPY 0xf0
#define LICE_BLIT_FILTER_BILINEAR 0x100
#define LICE_BLIT_USE_ALPHA 0x10000

// ---------------------------------------------------------------------------
// Bitmaps
// ---------------------------------------------------------------------------

// The abstract bitmap. The order of the virtual operations is part of the
// contract with the rest of the framework; do not reorder.
class LICE_IBitmap {
 public:
  virtual ~LICE_IBitmap() {}
  virtual LICE_pixel* getBits() = 0;  // first pixel of the first row, or null
  virtual int getWidth() = 0;
  virtual int getHeight() = 0;
  virtual int getRowSpan() = 0;  // distance between rows in pixels
  virtual bool isFlipped() { return false; }  // rows stored bottom-up
  virtual bool resize(int w, int h) = 0;  // true when the size changed
  virtual HDC__* getDC() { return nullptr; }
  virtual intptr_t Extended(int, void*) { return 0; }
};

// A bitmap in heap memory. Pixels start on a 64-byte boundary and rows are padded
// to the row alignment (see getRowSpan); the allocation is kept when shrinking and
// grows by 5/4. When an allocation fails the bitmap has no pixels and a 0 x 0 size.
class LICE_MemBitmap : public LICE_IBitmap {
 public:
  explicit LICE_MemBitmap(int w = 0, int h = 0, unsigned int linealign = 4);
  ~LICE_MemBitmap() override;
  LICE_MemBitmap(const LICE_MemBitmap&) = delete;
  LICE_MemBitmap& operator=(const LICE_MemBitmap&) = delete;

  LICE_pixel* getBits() override;
  int getWidth() override { return m_width; }
  int getHeight() override { return m_height; }
  // (width + mask) rounded down to a multiple of mask + 1.
  int getRowSpan() override {
    return (m_width + m_linealign) / (m_linealign + 1) * (m_linealign + 1);
  }
  bool resize(int w, int h) override;
  // Bytes currently allocated (including the alignment slack), 0 without pixels.
  int getAllocSize() const { return m_allocsize; }

 private:
  void* m_fb = nullptr;   // raw allocation; getBits() is the aligned address inside
  int m_allocsize = 0;
  int m_width = 0, m_height = 0;
  int m_linealign = 0;    // row alignment mask in pixels, 0..16
};

// A bitmap backed by the text bridge's memory drawing context, so text can be
// drawn into it natively. Rows are a multiple of 4 pixels long.
class LICE_SysBitmap : public LICE_IBitmap {
 public:
  explicit LICE_SysBitmap(int w = 0, int h = 0);
  ~LICE_SysBitmap() override;
  LICE_SysBitmap(const LICE_SysBitmap&) = delete;
  LICE_SysBitmap& operator=(const LICE_SysBitmap&) = delete;

  LICE_pixel* getBits() override { return m_bits; }
  int getWidth() override { return m_width; }
  int getHeight() override { return m_height; }
  int getRowSpan() override { return m_allocw; }
  bool resize(int w, int h) override;
  HDC__* getDC() override { return m_dc; }

 private:
  HDC__* m_dc = nullptr;
  LICE_pixel* m_bits = nullptr;
  int m_width = 0, m_height = 0;
  int m_allocw = 0, m_alloch = 0;  // row span and allocated height
};

// ---------------------------------------------------------------------------
// Blits, fills and pixels
// ---------------------------------------------------------------------------

void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int w, int h, float alpha, int mode);
// Resizes dest to src's size and copies all of src into it.
void LICE_Copy(LICE_IBitmap* dest, LICE_IBitmap* src);

void LICE_ScaledBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw,
                     int dsth, float srcx, float srcy, float srcw, float srch, float alpha,
                     int mode);
void LICE_RotatedBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw,
                      int dsth, float srcx, float srcy, float srcw, float srch, float angle,
                      bool cliptosourcerect, float alpha, int mode, float rotxcent = 0.0f,
                      float rotycent = 0.0f);

void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color,
                   float alpha = 1.0f, int mode = 0);
// Every pixel in the rectangle becomes (pixel & mask) | orbits.
void LICE_ClearRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel mask = 0,
                    LICE_pixel orbits = 0);
void LICE_PutPixel(LICE_IBitmap* dest, int x, int y, LICE_pixel color, float alpha = 1.0f,
                   int mode = 0);
// The pixel at (x, y), 0 outside the bitmap.
LICE_pixel LICE_GetPixel(LICE_IBitmap* src, int x, int y);

// Colour components in 0..1 units, changing linearly per pixel across and per row down.
void LICE_GradRect(LICE_IBitmap* dest, int dstx, int dsty, int dstw, int dsth, float ir,
                   float ig, float ib, float ia, float drdx, float dgdx, float dbdx, float dadx,
                   float drdy, float dgdy, float dbdy, float dady, int mode);

// ---------------------------------------------------------------------------
// Lines and shapes
// ---------------------------------------------------------------------------

void LICE_Line(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, LICE_pixel color,
               float alpha = 1.0f, int mode = 0, bool aa = true);
void LICE_FLine(LICE_IBitmap* dest, float x1, float y1, float x2, float y2, LICE_pixel color,
                float alpha = 1.0f, int mode = 0, bool aa = true);
// Clip a segment to the rectangle [xlo, xhi] x [ylo, yhi]; false when nothing is left.
bool LICE_ClipLine(int* pX1, int* pY1, int* pX2, int* pY2, int xlo, int ylo, int xhi, int yhi);
bool LICE_ClipFLine(float* px1, float* py1, float* px2, float* py2, float xlo, float ylo,
                    float xhi, float yhi);

void LICE_Circle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel color,
                 float alpha = 1.0f, int mode = 0, bool aa = true);
void LICE_FillCircle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel color,
                     float alpha = 1.0f, int mode = 0, bool aa = true);
// Angles in radians.
void LICE_Arc(LICE_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
              LICE_pixel color, float alpha = 1.0f, int mode = 0, bool aa = true);
void LICE_RoundRect(LICE_IBitmap* dest, float x, float y, float w, float h, int cornerradius,
                    LICE_pixel color, float alpha = 1.0f, int mode = 0, bool aa = true);
void LICE_FillTriangle(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3,
                       LICE_pixel color, float alpha = 1.0f, int mode = 0);
void LICE_FillConvexPolygon(LICE_IBitmap* dest, const int* x, const int* y, int npoints,
                            LICE_pixel color, float alpha = 1.0f, int mode = 0);

// ---------------------------------------------------------------------------
// PNG
// ---------------------------------------------------------------------------

// Decodes a PNG file into bmp (resized to the image) or, when bmp is null, into a
// new LICE_MemBitmap owned by the caller. Null when the file cannot be opened or
// decoded, or the bitmap cannot take the image's size.
LICE_IBitmap* LICE_LoadPNG(const char* filename, LICE_IBitmap* bmp = nullptr);
// The same for a PNG image held in memory (for example embedded in the binary).
// Null for a null or short buffer, anything that is not a whole PNG image, or an image
// the bitmap cannot take.
LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, size_t size, LICE_IBitmap* bmp = nullptr);

// Opens a PNG image without decoding it: a new bitmap (owned by the caller) whose size
// is known at once and whose pixels are decoded when first read (getBits, getRowSpan,
// resize), on whichever thread reads first while any others wait; they are the pixels
// LICE_LoadPNG gives. The encoded bytes are copied (a file is read whole), so the
// source may change or go away afterwards. Null for what the decoder would refuse
// that can be told without inflating the image data: a missing or short file or
// buffer, no PNG signature, a bad or oversized header, a fault in a chunk before the
// image data, a truncated image, a malformed chunk or a wrong checksum of a critical
// chunk. What only inflating finds (a damaged compressed stream, too little image
// data) shows at the first read: the bitmap then has no pixels and a 0 x 0 size, so it
// draws nothing. A file too large to hold encoded (over 64 MiB) is decoded at once.
LICE_IBitmap* LICE_OpenPNG(const char* filename);
LICE_IBitmap* LICE_OpenPNGFromMemory(const void* data, size_t size);

// Extended(LICE_EXT_PNG_STATE, nullptr) of a bitmap made by LICE_OpenPNG*: whether its
// pixels are still to be decoded, decoded, or failed to decode. Without decoding.
// Every other bitmap answers 0.
#define LICE_EXT_PNG_STATE 0x504e4753
#define LICE_PNG_PENDING 1
#define LICE_PNG_DECODED 2
#define LICE_PNG_FAILED (-1)

// ---------------------------------------------------------------------------
// Fonts
// ---------------------------------------------------------------------------

#define LICE_FONT_FLAG_VERTICAL 1
#define LICE_FONT_FLAG_VERTICAL_BOTTOMUP 2
#define LICE_FONT_FLAG_PRECALCALL 4  // render glyphs 0..127 when the font is set
#define LICE_FONT_FLAG_FX_BLUR 16
#define LICE_FONT_FLAG_FX_INVERT 32
#define LICE_FONT_FLAG_FX_MONO 64
#define LICE_FONT_FLAG_FX_SHADOW 128
#define LICE_FONT_FLAG_FX_OUTLINE 256
#define LICE_FONT_FLAG_OWNS_HFONT 0x200
#define LICE_FONT_FLAG_FORCE_NATIVE 0x400
// Flags that rule out drawing through the platform's own text renderer.
#define LICE_FONT_FLAGS_NO_NATIVE 0x1f7

// DrawText format bits on top of the text bridge's ones.
#define LICE_DT_USEFGALPHA 0x40000000  // scale the font's alpha by the text colour's alpha
#define LICE_DT_NEEDALPHA 0x80000000

class LICE_IFont {
 public:
  virtual ~LICE_IFont() {}
  virtual void SetFromHFont(HGDIOBJ__* font, int flags = 0) = 0;
  virtual LICE_pixel SetTextColor(LICE_pixel color) = 0;  // returns the previous colour
  virtual LICE_pixel SetBkColor(LICE_pixel color) = 0;
  virtual LICE_pixel SetEffectColor(LICE_pixel color) = 0;
  virtual int SetBkMode(int mode) = 0;  // returns the previous mode
  virtual void SetCombineMode(int mode, float alpha = 1.0f) = 0;
  // Returns the text height in pixels, 0 when nothing was laid out.
  virtual int DrawText(LICE_IBitmap* bm, const char* str, int strcnt, RECT* rect,
                       unsigned int dtFlags) = 0;
  virtual LICE_pixel GetTextColor() = 0;
  virtual HGDIOBJ__* GetHFont() = 0;
  virtual int GetLineHeight() = 0;
};

// A font that draws natively through the text bridge when it can, and otherwise
// from a cache of rendered glyphs.
class LICE_CachedFont : public LICE_IFont {
 public:
  LICE_CachedFont();
  ~LICE_CachedFont() override;
  LICE_CachedFont(const LICE_CachedFont&) = delete;
  LICE_CachedFont& operator=(const LICE_CachedFont&) = delete;

  void SetFromHFont(HGDIOBJ__* font, int flags = 0) override;
  LICE_pixel SetTextColor(LICE_pixel color) override;
  LICE_pixel SetBkColor(LICE_pixel color) override;
  LICE_pixel SetEffectColor(LICE_pixel color) override;
  int SetBkMode(int mode) override;
  void SetCombineMode(int mode, float alpha = 1.0f) override;
  int DrawText(LICE_IBitmap* bm, const char* str, int strcnt, RECT* rect,
               unsigned int dtFlags) override;
  LICE_pixel GetTextColor() override { return m_fg; }
  HGDIOBJ__* GetHFont() override { return m_font; }
  int GetLineHeight() override { return m_line_height; }

 protected:
  // One rendered glyph: an 8-bit coverage image stored at data_offset in m_glyph_data.
  struct GlyphEntry {
    int data_offset = -1;  // -1 while not rendered
    int width = 0, height = 0;
    int advance = 0;
    int left = 0, top = 0;  // placement of the image relative to the pen position
  };
  struct ExtGlyph {  // glyphs for code points of 128 and above, sorted by code
    unsigned int code;
    GlyphEntry glyph;
  };

  // The drawing code lives in one file; this gives it access to the state below.
  friend struct LICE_CachedFontImpl;

  HGDIOBJ__* m_font = nullptr;
  int m_flags = 0;
  LICE_pixel m_fg = 0, m_bg = 0, m_effectcol = 0;
  int m_bgmode = 0;
  int m_comb = 0;
  float m_alpha = 1.0f;
  int m_line_height = 0;
  int m_line_spacing = 0;  // extra pixels between lines
  GlyphEntry m_low_glyphs[128];
  WDL_TypedBuf<ExtGlyph> m_ext_glyphs;
  WDL_TypedBuf<unsigned char> m_glyph_data;
};

#endif  // LICE_LICE_H_
