// swell-gdi: a small drawing layer with GDI-style names on fontconfig and FreeType.
// It gives the raster library memory drawing contexts (pixels in its own byte order),
// font objects, and measuring and drawing UTF-8 text into a context.
//
// Colours handed to this layer are ints 0xRRGGBB. Pixels of a memory context are 32 bits,
// bytes in memory alpha, red, green, blue, rows top to bottom with no padding.
// Every function that takes a context returns null, 0 or false for a null or deleted one.
#ifndef SWELL_GDI_H_
#define SWELL_GDI_H_

struct HDC__;
struct HGDIOBJ__;
struct SWELL_FontInstance;  // a face at one pixel size, owned by the font cache

typedef HDC__* HDC;
typedef HGDIOBJ__* HGDIOBJ;
typedef HGDIOBJ__* HFONT;
typedef HGDIOBJ__* HBRUSH;
typedef HGDIOBJ__* HPEN;
typedef HGDIOBJ__* HBITMAP;

// ---- Plain records -------------------------------------------------------------------

struct RECT {
  int left, top, right, bottom;
};

struct POINT {
  int x, y;
};

struct TEXTMETRIC {
  int tmHeight;
  int tmAscent;
  int tmDescent;
  int tmInternalLeading;
  int tmExternalLeading;
  int tmAveCharWidth;
  int tmMaxCharWidth;
};

// Straight (not premultiplied) colour as unit floats; stands in for a platform colour object.
struct SWELL_Color {
  float red, green, blue, alpha;
};

// The pixels a memory context draws into.
struct SWELL_GfxSurface {
  unsigned char* bits;  // first pixel of the top row, 64-byte aligned; null when none
  int width;            // pixels
  int height;           // rows
  int rowBytes;         // width * 4
};

// A drawing context. Records are pooled; a deleted one sits on a free list until reused.
struct HDC__ {
  SWELL_GfxSurface ctx;       // the drawing surface (bits null for a context without pixels)
  void* ownedData;            // allocation holding the pixels, freed with the context
  HGDIOBJ__* curpen;          // selected pen, brush and font, or null
  HGDIOBJ__* curbrush;
  HGDIOBJ__* curfont;
  int curtextcol;             // 0xRRGGBB
  int curbkcol;               // 0xRRGGBB
  int curbkmode;              // 1 (OPAQUE) fills the text box with curbkcol first
  int _infreelist;            // set while the record is deleted
  HDC__* _next;               // free-list link
  SWELL_Color curtextcol_rgb; // the text colour as used for drawing
  bool has_textcol;           // curtextcol_rgb is valid
  HDC__* _liveprev;           // list of live contexts, so that deleting an object can
  HDC__* _livenext;           // take it out of every slot that still holds it
};

// Object kinds stored in HGDIOBJ__::type.
enum {
  TYPE_PEN = 1,
  TYPE_BRUSH = 2,
  TYPE_FONT = 3,
  TYPE_BITMAP = 4,
};

// A pen, brush, font or bitmap. Records are pooled like contexts.
struct HGDIOBJ__ {
  int type;                       // TYPE_*
  int additional_refcnt;          // extra owners; 0 for a fresh object
  SWELL_Color color;              // pens and brushes
  float font_angle;               // degrees, fonts
  int _infreelist;
  HGDIOBJ__* _next;
  SWELL_FontInstance* ct_font;    // fonts: the face and size to draw with (owned by the cache)
  char font_quality;              // 0, NONANTIALIASED_QUALITY or ANTIALIASED_QUALITY
  void* ownedImage;               // bitmaps: pixel memory freed with the object
  int wid;                        // pens: width in pixels
  unsigned font_generation;       // fonts: the font cache generation ct_font belongs to
};

// ---- Constants -----------------------------------------------------------------------

// SWELL_DrawText flags.
#define DT_TOP 0x0
#define DT_LEFT 0x0
#define DT_CALCRECT 0x1
#define DT_VCENTER 0x2
#define DT_CENTER 0x4
#define DT_BOTTOM 0x10
#define DT_RIGHT 0x20
#define DT_SINGLELINE 0x40
#define DT_NOPREFIX 0x80
#define DT_NOCLIP 0x100

// Background modes.
#define TRANSPARENT 0
#define OPAQUE 1

// Font weights.
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_DEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900
#define FW_BLACK 900

// Font quality: 3 draws without antialiasing, 4 with; anything else keeps the default (on).
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4

// Accepted by CreateFont and not used.
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0

// Pen styles for CreatePen.
#define PS_SOLID 0

// Stock objects for GetStockObject; they are never deleted.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define DEFAULT_GUI_FONT 17

// Marker handles 1 to 4: not objects. Selecting 1, 2 or 3 empties the pen, brush or font slot.
#define SWELL_MARKER_PEN ((HGDIOBJ)(void*)1)
#define SWELL_MARKER_BRUSH ((HGDIOBJ)(void*)2)
#define SWELL_MARKER_FONT ((HGDIOBJ)(void*)3)
#define SWELL_MARKER_BITMAP ((HGDIOBJ)(void*)4)

// Colours as ints 0xRRGGBB.
#ifndef RGB
#define RGB(r, g, b) ((((int)(r) & 0xff) << 16) | (((int)(g) & 0xff) << 8) | ((int)(b) & 0xff))
#define GetRValue(c) (((c) >> 16) & 0xff)
#define GetGValue(c) (((c) >> 8) & 0xff)
#define GetBValue(c) ((c) & 0xff)
#endif

// ---- Objects -------------------------------------------------------------------------

// A new font object. The size is |height|, or |width| when height is 0, in pixels; a size
// below 2 or above 8192 becomes 10. Weight 700 or more asks for bold, a non-zero italic for
// italic. Orientation is in tenths of a degree. faceName null or "" means the default sans,
// and so does a name that is not well-formed UTF-8. When no font file can be loaded at all,
// the object has no face (ct_font null) and contexts draw with the fallback font instead.
// Null only when memory runs out.
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, char italic,
                 char underline, char strikeOut, char charSet, char outPrecision,
                 char clipPrecision, char quality, char pitchAndFamily, const char* faceName);

// A new solid brush / pen of colour 0xRRGGBB (null when out of memory).
HBRUSH CreateSolidBrush(int color);
HPEN CreatePen(int style, int width, int color);

// A stock object (never deleted), or null for an unknown index.
HGDIOBJ GetStockObject(int index);

// Drops one reference: a count that was 0 already frees the object, any other count is
// decremented. Stock objects, markers, null and already deleted objects are ignored.
void DeleteObject(HGDIOBJ obj);

// Puts a pen, brush or font into the context's slot for its kind and returns what was there
// (the kind number 1, 2 or 3 as a handle when the slot was empty). Markers 1 to 3 empty the
// slot. Null for a null or deleted context or an invalid object.
HGDIOBJ SelectObject(HDC ctx, HGDIOBJ obj);

// ---- Context state -------------------------------------------------------------------

void SetTextColor(HDC ctx, int color);  // 0xRRGGBB
void SetBkColor(HDC ctx, int color);    // 0xRRGGBB
void SetBkMode(HDC ctx, int mode);      // OPAQUE or TRANSPARENT

// Fills tm with the metrics of the context's font (or the fallback font). With a null or
// deleted context, tm keeps height 16, ascent 12, descent 4, internal leading 3, average
// width 10 and the result is false. tm may not be null.
bool GetTextMetrics(HDC ctx, TEXTMETRIC* tm);

// ---- Text ----------------------------------------------------------------------------

// Measures (DT_CALCRECT) or draws UTF-8 text into r. len < 0 means up to the terminating
// NUL. Text with a line feed is laid out in a box of 100000 x 100000 pixels: a wider
// paragraph wraps, lines below the box are left out. Returns the text's height in pixels, 0 when nothing could be laid out (null context,
// null or empty text, invalid UTF-8, null rectangle, no font).
int SWELL_DrawText(HDC ctx, const char* text, int len, RECT* r, int flags);

// ---- Memory contexts -----------------------------------------------------------------

// A new memory context of w x h zeroed pixels (the first argument is not used);
// null when w or h is below 1, too large, or memory runs out.
HDC SWELL_CreateMemContext(HDC unused, int w, int h);

// The pixels of a memory context (w * 4 bytes per row), null for a null or deleted context.
void* SWELL_GetCtxFrameBuffer(HDC ctx);

// Frees a memory context and its pixels; null and deleted contexts are ignored.
void SWELL_DeleteGfxContext(HDC ctx);

#endif  // SWELL_GDI_H_
