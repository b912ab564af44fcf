// The colour constants, the text style's defaults and the blend-to-raster mapping.
#include "IGraphicsStructs.h"

#include <cstdio>

const IColor COLOR_TRANSPARENT(0, 0, 0, 0);
const IColor COLOR_BLACK(255, 0, 0, 0);
const IColor COLOR_GRAY(255, 127, 127, 127);
const IColor COLOR_WHITE(255, 255, 255, 255);
const IColor COLOR_RED(255, 255, 0, 0);
const IColor COLOR_GREEN(255, 0, 255, 0);
const IColor COLOR_BLUE(255, 0, 0, 255);
const IColor COLOR_YELLOW(255, 255, 255, 0);
const IColor COLOR_ORANGE(255, 255, 127, 0);

const IColor DEFAULT_TEXT_COLOR(255, 0, 0, 0);
const IColor DEFAULT_TEXT_ENTRY_BGCOLOR(255, 255, 255, 255);
const IColor DEFAULT_TEXT_ENTRY_FGCOLOR(255, 0, 0, 0);

int LiceBlendMode(const IChannelBlend* pBlend) {
  if (!pBlend) return LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA;
  switch (pBlend->mMethod) {
    case IChannelBlend::kBlendClobber:
      return LICE_BLIT_MODE_COPY;
    case IChannelBlend::kBlendAdd:
      return LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA;
    case IChannelBlend::kBlendColorDodge:
      return LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA;
    case IChannelBlend::kBlendNormal:
    default:
      return LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA;
  }
}

float LiceWeight(const IChannelBlend* pBlend) { return pBlend ? pBlend->mWeight : 1.0f; }

IText::IText(int size, const IColor* pColor, const char* font, int style, int align,
             int orientation, int quality, const IColor* pTEBGColor, const IColor* pTEFGColor,
             int vAlign)
    : mSize(size),
      mColor(pColor ? *pColor : DEFAULT_TEXT_COLOR),
      mTextEntryBGColor(pTEBGColor ? *pTEBGColor : DEFAULT_TEXT_ENTRY_BGCOLOR),
      mTextEntryFGColor(pTEFGColor ? *pTEFGColor : DEFAULT_TEXT_ENTRY_FGCOLOR),
      mStyle(style),
      mAlign(align),
      mVAlign(vAlign),
      mOrientation(orientation),
      mQuality(quality),
      mCached(nullptr) {
  // A face name longer than the field is cut, never copied past it.
  snprintf(mFont, sizeof(mFont), "%s", font && *font ? font : DEFAULT_FONT);
}

IText::IText(const IColor* pColor) : IText(DEFAULT_TEXT_SIZE, pColor) {}
