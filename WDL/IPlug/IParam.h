// IParam: one automatable plug-in parameter. Holds the plain value (in the
// parameter's own units) and converts it to and from the normalised 0..1 value that
// hosts and controls exchange, through a power curve (the shape) with snapping for
// the stepped kinds; makes the text shown for a value.
#ifndef IPLUG_IPARAM_H_
#define IPLUG_IPARAM_H_

#include "IPlugStructs.h"
#include "heapbuf.h"

enum EParamType { kTypeNone = 0, kTypeBool = 1, kTypeInt = 2, kTypeEnum = 3, kTypeDouble = 4 };

class IParam {
 public:
  IParam();
  ~IParam();
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // ---- Initialisation ----------------------------------------------------------
  // Exactly one of these is called per parameter. A kind, once set, is kept by a
  // later initialisation. Name, label and group are cut to 31 characters; a null
  // text counts as empty. The default is stored unclamped.
  void InitBool(const char* name, bool defaultVal, const char* label = "", const char* group = "");
  void InitEnum(const char* name, int defaultVal, int nEnums, const char* label = "",
                const char* group = "");
  void InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label = "",
               const char* group = "");
  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", const char* group = "", double shape = 1.0);

  // Appends a fixed text for a value (cut to 31 characters); lookups take the first
  // record of a value. Ignored when text is null or the record cannot be stored.
  void SetDisplayText(int value, const char* text);
  // Sets the curve exponent; 0 (and NaN) leave it unchanged.
  void SetShape(double shape);

  // ---- Values --------------------------------------------------------------------
  // The current plain value.
  double Value() const { return mValue; }
  int Int() const;
  bool Bool() const { return Int() != 0; }
  // Writes a plain value directly: no clamping, no snapping (the state loaders
  // clamp before they call this).
  void Set(double plainValue) { mValue = plainValue; }
  // Writes the plain value clamped into min..max.
  void SetClamped(double plainValue);
  void SetNormalized(double normalizedValue) { mValue = Value(normalizedValue); }

  // Normalised to plain: clamps the input into 0..1 (NaN counts as 0), applies the
  // curve, snaps every kind but continuous to the step, and caps the result at max.
  double Value(double normalizedValue) const;
  // Normalised form of the current value / of any plain value, always in 0..1
  // (0 when min equals max or the value is NaN).
  double GetNormalized() const { return GetNormalized(mValue); }
  double GetNormalized(double nonNormalizedValue) const;
  // The raw curve: no clamping, no snapping.
  double GetNonNormalized(double normalizedValue) const;
  // The current value read as decibels, as a linear gain.
  double DBToAmp() const;

  // ---- Texts ---------------------------------------------------------------------
  // Writes the text of value (plain, or normalised when normalized is set) into
  // rDisplay, which holds MAX_PARAM_DISPLAY_LEN bytes; longer texts are cut.
  void GetDisplayForHost(double value, bool normalized, char* rDisplay, bool withDisplayText = true) const;
  // The same for the current value.
  void GetDisplayForHost(char* rDisplay, bool withDisplayText = true) const {
    GetDisplayForHost(mValue, false, rDisplay, withDisplayText);
  }
  // The same into a buffer of displaySize bytes (the text is cut to fit; nothing is
  // written for a null buffer or a size below 1).
  void GetDisplayForHostSized(double value, bool normalized, char* rDisplay, int displaySize,
                              bool withDisplayText = true) const;

  const char* GetNameForHost() const { return mName; }
  // The label, or the empty text when the current value has a non-empty display text.
  const char* GetLabelForHost() const;
  // The same for a given plain value (the editor's thread uses its own copy of the
  // value: host threads write the parameter's).
  const char* GetLabelForHost(double plainValue) const;
  const char* GetParamGroupForHost() const { return mParamGroup; }

  int GetNDisplayTexts() const;
  // The text of the first record with value, or the empty text.
  const char* GetDisplayText(int value) const;
  // The text of the record at idx (empty when idx is out of range, and value is then
  // left untouched); writes the record's value through value when it is not null.
  const char* GetDisplayTextAtIdx(int idx, int* value = nullptr) const;
  // Reverse lookup, exact and case-sensitive. True with *value set at the first
  // match; false (value untouched) without a match or for null arguments.
  bool MapDisplayText(const char* str, int* value) const;

  // ---- Range and description -----------------------------------------------------
  // Reads the bounds; either pointer may be null.
  void GetBounds(double* pMin, double* pMax) const;
  // Writes the bounds and nothing else.
  void SetBounds(double minVal, double maxVal);
  EParamType Type() const { return mType; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetRange() const { return mMax - mMin; }
  double GetStep() const { return mStep; }
  double GetShape() const { return mShape; }
  double GetDefault() const { return mDefault; }
  double GetDefaultNormalized() const { return GetNormalized(mDefault); }
  int GetPrecision() const { return mDisplayPrecision; }
  // Whether the parameter takes part in preset restores and preset files that are
  // asked to honour this flag. True unless cleared.
  bool GetIsPresetParam() const { return mIsPresetParam; }
  void SetIsPresetParam(bool isPresetParam) { mIsPresetParam = isPresetParam; }

 private:
  struct DisplayText {
    int mValue;
    char mText[MAX_PARAM_DISPLAY_LEN];
  };

  void BeginInit(EParamType type, const char* name, double defaultVal, const char* label,
                 const char* group);
  const DisplayText* FindDisplayText(double plainValue) const;

  EParamType mType = kTypeNone;
  double mValue = 0.0;
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  char mName[MAX_PARAM_NAME_LEN];
  char mLabel[MAX_PARAM_LABEL_LEN];
  char mParamGroup[MAX_PARAM_GROUP_LEN];
  bool mIsPresetParam = true;
  WDL_TypedBuf<DisplayText> mDisplayTexts;
};

#endif  // IPLUG_IPARAM_H_
