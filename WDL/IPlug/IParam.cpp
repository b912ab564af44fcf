#include "IParam.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// ln(10) / 20 to 13 decimals: exp(dB * factor) == 10^(dB / 20).
const double kDBToAmpFactor = 0.1151292546497;
const int kMaxDisplayPrecision = 6;

// Decimals needed to show multiples of step: count the decimal shifts until the
// step is whole, at most six.
int PrecisionFromStep(double step) {
  int precision = 0;
  double s = step;
  while (s != std::floor(s) && precision < kMaxDisplayPrecision) {
    ++precision;
    s *= 10.0;
  }
  return precision;
}

const char* NonNull(const char* text) { return text ? text : ""; }

}  // namespace

IParam::IParam() : mDisplayTexts(static_cast<int>(sizeof(DisplayText)) * 8) {
  mName[0] = mLabel[0] = mParamGroup[0] = 0;
}

IParam::~IParam() {}

// ---- Initialisation --------------------------------------------------------------

void IParam::BeginInit(EParamType type, const char* name, double defaultVal, const char* label,
                       const char* group) {
  if (mType == kTypeNone) mType = type;
  mDisplayTexts.Resize(0);
  CopyTextTruncated(mName, NonNull(name), sizeof(mName));
  CopyTextTruncated(mLabel, NonNull(label), sizeof(mLabel));
  CopyTextTruncated(mParamGroup, NonNull(group), sizeof(mParamGroup));
  mValue = mDefault = defaultVal;
}

void IParam::InitBool(const char* name, bool defaultVal, const char* label, const char* group) {
  BeginInit(kTypeBool, name, defaultVal ? 1.0 : 0.0, label, group);
  mMin = 0.0;
  mMax = 1.0;
  mStep = 1.0;
  mDisplayPrecision = 0;
  mShape = 1.0;
  SetDisplayText(0, "off");
  SetDisplayText(1, "on");
}

void IParam::InitEnum(const char* name, int defaultVal, int nEnums, const char* label,
                      const char* group) {
  BeginInit(kTypeEnum, name, defaultVal, label, group);
  mMin = 0.0;
  mMax = nEnums < 2 ? 1.0 : static_cast<double>(nEnums) - 1.0;
  mStep = 1.0;
  mDisplayPrecision = 0;
  mShape = 1.0;
}

void IParam::InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label,
                     const char* group) {
  BeginInit(kTypeInt, name, defaultVal, label, group);
  mMin = minVal;
  // In double, so a minimum of INT_MAX cannot overflow.
  mMax = std::fmax(static_cast<double>(maxVal), static_cast<double>(minVal) + 1.0);
  mStep = 1.0;
  mDisplayPrecision = 0;
  mShape = 1.0;
}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                        const char* label, const char* group, double shape) {
  BeginInit(kTypeDouble, name, defaultVal, label, group);
  mMin = minVal;
  mMax = maxVal > minVal + step ? maxVal : minVal + step;
  mStep = step;
  mDisplayPrecision = PrecisionFromStep(step);
  SetShape(shape);
}

void IParam::SetDisplayText(int value, const char* text) {
  if (!text) return;
  DisplayText* rec = mDisplayTexts.Add(nullptr, 1);
  if (!rec) return;
  rec->mValue = value;
  CopyTextTruncated(rec->mText, text, sizeof(rec->mText));
}

void IParam::SetShape(double shape) {
  if (shape != 0.0 && !std::isnan(shape)) mShape = shape;
}

// ---- Values ----------------------------------------------------------------------

int IParam::Int() const {
  if (std::isnan(mValue)) return 0;
  if (mValue <= static_cast<double>(INT_MIN)) return INT_MIN;
  if (mValue >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(mValue);
}

void IParam::SetClamped(double plainValue) {
  if (std::isnan(plainValue) || plainValue < mMin) plainValue = mMin;
  else if (plainValue > mMax) plainValue = mMax;
  mValue = plainValue;
}

double IParam::Value(double normalizedValue) const {
  double n = normalizedValue;
  if (!(n > 0.0)) n = 0.0;  // also catches NaN from a misbehaving host
  else if (n > 1.0) n = 1.0;
  double plain = GetNonNormalized(n);
  // The stepped kinds round to the nearest multiple of the step, counted from 0. A zero
  // step has no multiples to round to (the division would give NaN), so it leaves the
  // value as it is.
  if (mType != kTypeDouble && mStep != 0.0) plain = std::floor(plain / mStep + 0.5) * mStep;
  return plain < mMax ? plain : mMax;
}

double IParam::GetNormalized(double nonNormalizedValue) const {
  const double range = mMax - mMin;
  // An empty range would divide zero by zero; reversed bounds still follow the curve.
  if (std::isnan(nonNormalizedValue) || range == 0.0) return 0.0;
  double v = nonNormalizedValue;
  if (v < mMin) v = mMin;
  else if (v > mMax) v = mMax;
  const double n = std::pow((v - mMin) / range, 1.0 / mShape);
  if (!(n > 0.0)) return 0.0;
  return n < 1.0 ? n : 1.0;
}

double IParam::GetNonNormalized(double normalizedValue) const {
  return (mMax - mMin) * std::pow(normalizedValue, mShape) + mMin;
}

double IParam::DBToAmp() const { return std::exp(mValue * kDBToAmpFactor); }

// ---- Texts -----------------------------------------------------------------------

const IParam::DisplayText* IParam::FindDisplayText(double plainValue) const {
  const int n = mDisplayTexts.GetSize();
  if (n == 0) return nullptr;
  // Truncation toward zero; values no int can hold have no record.
  if (!(plainValue > static_cast<double>(INT_MIN) - 1.0 && plainValue < static_cast<double>(INT_MAX) + 1.0))
    return nullptr;
  const int key = static_cast<int>(plainValue);
  const DisplayText* recs = mDisplayTexts.Get();
  for (int i = 0; i < n; ++i) {
    if (recs[i].mValue == key) return &recs[i];
  }
  return nullptr;
}

void IParam::GetDisplayForHost(double value, bool normalized, char* rDisplay, bool withDisplayText) const {
  GetDisplayForHostSized(value, normalized, rDisplay, MAX_PARAM_DISPLAY_LEN, withDisplayText);
}

void IParam::GetDisplayForHostSized(double value, bool normalized, char* rDisplay, int displaySize,
                                    bool withDisplayText) const {
  if (!rDisplay || displaySize < 1) return;
  if (normalized) value = GetNonNormalized(value);
  if (withDisplayText) {
    const DisplayText* rec = FindDisplayText(value);
    if (rec && rec->mText[0]) {
      CopyTextTruncated(rDisplay, rec->mText, displaySize);
      return;
    }
  }
  const size_t size = static_cast<size_t>(displaySize);
  if (mDisplayPrecision > 0) {
    // A value below zero that rounds to zero at this precision would print as "-0.0"
    // (a negative zero as well): it shows as zero. The check is made on the whole text,
    // so a host's small buffer that cuts it makes no difference.
    if (std::signbit(value) && value > -1.0) {
      char probe[64];
      const int n = snprintf(probe, sizeof(probe), "%.*f", mDisplayPrecision, value);
      if (n > 1 && n < static_cast<int>(sizeof(probe)) && strspn(probe + 1, "0.") == static_cast<size_t>(n - 1))
        value = 0.0;
    }
    snprintf(rDisplay, size, "%.*f", mDisplayPrecision, value);
  } else {
    // Rounded half up; printed from the double so that values beyond the int range
    // cannot overflow a conversion. Rounding half up never gives a negative zero, and
    // adding 0.0 turns the one a caller passes positive.
    snprintf(rDisplay, size, "%.0f", std::floor(value + 0.5) + 0.0);
  }
}

const char* IParam::GetLabelForHost() const { return GetLabelForHost(mValue); }

const char* IParam::GetLabelForHost(double plainValue) const {
  const DisplayText* rec = FindDisplayText(plainValue);
  return rec && rec->mText[0] ? "" : mLabel;
}

int IParam::GetNDisplayTexts() const { return mDisplayTexts.GetSize(); }

const char* IParam::GetDisplayText(int value) const {
  const int n = mDisplayTexts.GetSize();
  const DisplayText* recs = mDisplayTexts.Get();
  for (int i = 0; i < n; ++i) {
    if (recs[i].mValue == value) return recs[i].mText;
  }
  return "";
}

const char* IParam::GetDisplayTextAtIdx(int idx, int* value) const {
  if (idx < 0 || idx >= mDisplayTexts.GetSize()) return "";
  const DisplayText& rec = mDisplayTexts.Get()[idx];
  if (value) *value = rec.mValue;
  return rec.mText;
}

bool IParam::MapDisplayText(const char* str, int* value) const {
  if (!str || !value) return false;
  const int n = mDisplayTexts.GetSize();
  const DisplayText* recs = mDisplayTexts.Get();
  for (int i = 0; i < n; ++i) {
    if (strcmp(str, recs[i].mText) == 0) {
      *value = recs[i].mValue;
      return true;
    }
  }
  return false;
}

// ---- Range -----------------------------------------------------------------------

void IParam::GetBounds(double* pMin, double* pMax) const {
  if (pMin) *pMin = mMin;
  if (pMax) *pMax = mMax;
}

void IParam::SetBounds(double minVal, double maxVal) {
  mMin = minVal;
  mMax = maxVal;
}
