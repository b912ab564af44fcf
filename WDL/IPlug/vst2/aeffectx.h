/*
 * aeffectx.h - the VST 2.4 plug-in interface, written for this framework.
 *
 * Plain C records and constants that a VST 2.4 host and plug-in exchange: the AEffect
 * record, the dispatcher (eff*) and host-callback (audioMaster*) opcodes, flags, event,
 * transport, pin, speaker and editor records. Numbers and field order follow the
 * published interface; the layout is the 64-bit one (pointer-sized integers are 64
 * bits wide) and is pinned by the static assertions at the end of the file.
 *
 * Usable from C and C++; depends on nothing but <stdint.h> and <stddef.h>.
 */
#ifndef IPLUG_AEFFECTX_H
#define IPLUG_AEFFECTX_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- basic types ------------------------------------------------------------------- */

typedef int32_t VstInt32;
typedef int16_t VstInt16;
typedef int64_t VstInt64;
/* Pointer-sized integer: the dispatcher's value argument and result. */
typedef intptr_t VstIntPtr;

#define kVstVersion 2400

/* Four-character codes, first character in the high byte. */
#ifndef CCONST
#define CCONST(a, b, c, d) \
  ((((VstInt32)(a)) << 24) | (((VstInt32)(b)) << 16) | (((VstInt32)(c)) << 8) | ((VstInt32)(d)))
#endif

#define kEffectMagic CCONST('V', 's', 't', 'P') /* 0x56737450 */

struct AEffect;

typedef VstIntPtr (*audioMasterCallback)(struct AEffect* effect, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
typedef VstIntPtr (*AEffectDispatcherProc)(struct AEffect* effect, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt);
typedef void (*AEffectProcessProc)(struct AEffect* effect, float** inputs, float** outputs,
                                   VstInt32 sampleFrames);
typedef void (*AEffectProcessDoubleProc)(struct AEffect* effect, double** inputs, double** outputs,
                                         VstInt32 sampleFrames);
typedef void (*AEffectSetParameterProc)(struct AEffect* effect, VstInt32 index, float parameter);
typedef float (*AEffectGetParameterProc)(struct AEffect* effect, VstInt32 index);

/* The plug-in's entry point: "VSTPluginMain" (and "main" on older hosts). */
typedef struct AEffect* (*VstPluginMainProc)(audioMasterCallback host);

/* ---- the AEffect record ------------------------------------------------------------ */

typedef struct AEffect {
  VstInt32 magic; /* kEffectMagic */
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process; /* accumulating; deprecated in 2.4 */
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 numInputs;
  VstInt32 numOutputs;
  VstInt32 flags; /* VstAEffectFlags */
  VstIntPtr resvd1;
  VstIntPtr resvd2;
  VstInt32 initialDelay; /* latency in samples */
  VstInt32 realQualities;
  VstInt32 offQualities;
  float ioRatio;
  void* object; /* the plug-in instance */
  void* user;   /* free for the host */
  VstInt32 uniqueID;
  VstInt32 version;
  AEffectProcessProc processReplacing;
  AEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
} AEffect;

enum VstAEffectFlags {
  effFlagsHasEditor = 1 << 0,
  effFlagsHasClip = 1 << 1, /* deprecated */
  effFlagsHasVu = 1 << 2,   /* deprecated */
  effFlagsCanMono = 1 << 3, /* deprecated */
  effFlagsCanReplacing = 1 << 4,
  effFlagsProgramChunks = 1 << 5,
  effFlagsIsSynth = 1 << 8,
  effFlagsNoSoundInStop = 1 << 9,
  effFlagsExtIsAsync = 1 << 10,   /* deprecated */
  effFlagsExtHasBuffer = 1 << 11, /* deprecated */
  effFlagsCanDoubleReplacing = 1 << 12
};

/* ---- string sizes (bytes, terminating zero included) ------------------------------- */

enum VstStringConstants {
  kVstMaxProgNameLen = 24,
  kVstMaxParamStrLen = 8,
  kVstMaxVendorStrLen = 64,
  kVstMaxProductStrLen = 64,
  kVstMaxEffectNameLen = 32,
  kVstMaxNameLen = 64,
  kVstMaxLabelLen = 64,
  kVstMaxShortLabelLen = 8,
  kVstMaxCategLabelLen = 24,
  kVstMaxFileNameLen = 100
};

/* ---- dispatcher opcodes (host -> plug-in) ------------------------------------------ */

enum AEffectOpcodes {
  effOpen = 0,
  effClose,
  effSetProgram,
  effGetProgram,
  effSetProgramName,
  effGetProgramName,
  effGetParamLabel,
  effGetParamDisplay,
  effGetParamName,
  effGetVu, /* deprecated */
  effSetSampleRate = 10,
  effSetBlockSize,
  effMainsChanged,
  effEditGetRect,
  effEditOpen,
  effEditClose,
  effEditDraw,  /* deprecated */
  effEditMouse, /* deprecated */
  effEditKey,   /* deprecated */
  effEditIdle,
  effEditTop = 20, /* deprecated */
  effEditSleep,    /* deprecated */
  effIdentify,     /* deprecated; answered with 'NvEf' */
  effGetChunk,
  effSetChunk,

  /* 2.x extensions */
  effProcessEvents = 25,
  effCanBeAutomated,
  effString2Parameter,
  effGetNumProgramCategories, /* deprecated */
  effGetProgramNameIndexed,
  effCopyProgram = 30, /* deprecated */
  effConnectInput,     /* deprecated */
  effConnectOutput,    /* deprecated */
  effGetInputProperties,
  effGetOutputProperties,
  effGetPlugCategory = 35,
  effGetCurrentPosition,   /* deprecated */
  effGetDestinationBuffer, /* deprecated */
  effOfflineNotify,
  effOfflinePrepare,
  effOfflineRun = 40,
  effProcessVarIo,
  effSetSpeakerArrangement,
  effSetBlockSizeAndSampleRate, /* deprecated */
  effSetBypass,
  effGetEffectName = 45,
  effGetErrorText, /* deprecated */
  effGetVendorString,
  effGetProductString,
  effGetVendorVersion,
  effVendorSpecific = 50,
  effCanDo,
  effGetTailSize,
  effIdle, /* deprecated */
  effGetIcon,      /* deprecated */
  effSetViewPosition = 55, /* deprecated */
  effGetParameterProperties,
  effKeysRequired, /* deprecated */
  effGetVstVersion,
  effEditKeyDown,
  effEditKeyUp = 60,
  effSetEditKnobMode,
  effGetMidiProgramName,
  effGetCurrentMidiProgram,
  effGetMidiProgramCategory,
  effHasMidiProgramsChanged = 65,
  effGetMidiKeyName,
  effBeginSetProgram,
  effEndSetProgram,
  effGetSpeakerArrangement,
  effShellGetNextPlugin = 70,
  effStartProcess,
  effStopProcess,
  effSetTotalSampleToProcess,
  effSetPanLaw,
  effBeginLoadBank = 75,
  effBeginLoadProgram,
  effSetProcessPrecision,
  effGetNumMidiInputChannels,
  effGetNumMidiOutputChannels
};

/* ---- host-callback opcodes (plug-in -> host) --------------------------------------- */

enum AudioMasterOpcodes {
  audioMasterAutomate = 0,
  audioMasterVersion,
  audioMasterCurrentId,
  audioMasterIdle,
  audioMasterPinConnected, /* deprecated */
  /* 5 is unused */
  audioMasterWantMidi = 6, /* deprecated */
  audioMasterGetTime,
  audioMasterProcessEvents,
  audioMasterSetTime,                    /* deprecated */
  audioMasterTempoAt = 10,               /* deprecated */
  audioMasterGetNumAutomatableParameters, /* deprecated */
  audioMasterGetParameterQuantization,   /* deprecated */
  audioMasterIOChanged,
  audioMasterNeedIdle, /* deprecated */
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate,
  audioMasterGetBlockSize,
  audioMasterGetInputLatency,
  audioMasterGetOutputLatency,
  audioMasterGetPreviousPlug = 20,   /* deprecated */
  audioMasterGetNextPlug,            /* deprecated */
  audioMasterWillReplaceOrAccumulate, /* deprecated */
  audioMasterGetCurrentProcessLevel,
  audioMasterGetAutomationState,
  audioMasterOfflineStart = 25,
  audioMasterOfflineRead,
  audioMasterOfflineWrite,
  audioMasterOfflineGetCurrentPass,
  audioMasterOfflineGetCurrentMetaPass,
  audioMasterSetOutputSampleRate = 30, /* deprecated */
  audioMasterGetOutputSpeakerArrangement, /* deprecated */
  audioMasterGetVendorString,
  audioMasterGetProductString,
  audioMasterGetVendorVersion,
  audioMasterVendorSpecific = 35,
  audioMasterSetIcon, /* deprecated */
  audioMasterCanDo,
  audioMasterGetLanguage,
  audioMasterOpenWindow,  /* deprecated */
  audioMasterCloseWindow = 40, /* deprecated */
  audioMasterGetDirectory,
  audioMasterUpdateDisplay,
  audioMasterBeginEdit,
  audioMasterEndEdit,
  audioMasterOpenFileSelector = 45,
  audioMasterCloseFileSelector,
  audioMasterEditFile,         /* deprecated */
  audioMasterGetChunkFile,     /* deprecated */
  audioMasterGetInputSpeakerArrangement /* deprecated */
};

/* ---- answers and enumerations ------------------------------------------------------ */

enum VstPlugCategory {
  kPlugCategUnknown = 0,
  kPlugCategEffect,
  kPlugCategSynth,
  kPlugCategAnalysis,
  kPlugCategMastering,
  kPlugCategSpacializer,
  kPlugCategRoomFx,
  kPlugSurroundFx,
  kPlugCategRestoration,
  kPlugCategOfflineProcess,
  kPlugCategShell,
  kPlugCategGenerator,
  kPlugCategMaxCount
};

enum VstProcessLevels {
  kVstProcessLevelUnknown = 0,
  kVstProcessLevelUser,
  kVstProcessLevelRealtime,
  kVstProcessLevelPrefetch,
  kVstProcessLevelOffline
};

enum VstAutomationStates {
  kVstAutomationUnsupported = 0,
  kVstAutomationOff,
  kVstAutomationRead,
  kVstAutomationWrite,
  kVstAutomationReadWrite
};

enum VstProcessPrecision { kVstProcessPrecision32 = 0, kVstProcessPrecision64 };

enum VstHostLanguage {
  kVstLangEnglish = 1,
  kVstLangGerman,
  kVstLangFrench,
  kVstLangItalian,
  kVstLangSpanish,
  kVstLangJapanese
};

enum VstPanLawType { kLinearPanLaw = 0, kEqualPowerPanLaw };

/* ---- events (effProcessEvents, audioMasterProcessEvents) --------------------------- */

enum VstEventTypes {
  kVstMidiType = 1,
  kVstAudioType,     /* deprecated */
  kVstVideoType,     /* deprecated */
  kVstParameterType, /* deprecated */
  kVstTriggerType,   /* deprecated */
  kVstSysExType
};

/* Generic event: every concrete event starts with these four fields. */
typedef struct VstEvent {
  VstInt32 type;
  VstInt32 byteSize; /* size of the whole event record */
  VstInt32 deltaFrames;
  VstInt32 flags;
  char data[16];
} VstEvent;

/* The events array really holds numEvents entries; two are declared. */
typedef struct VstEvents {
  VstInt32 numEvents;
  VstIntPtr reserved;
  VstEvent* events[2];
} VstEvents;

enum VstMidiEventFlags { kVstMidiEventIsRealtime = 1 << 0 };

typedef struct VstMidiEvent {
  VstInt32 type; /* kVstMidiType */
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags; /* VstMidiEventFlags */
  VstInt32 noteLength;
  VstInt32 noteOffset;
  char midiData[4]; /* status, data1, data2, 0 */
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
} VstMidiEvent;

typedef struct VstMidiSysexEvent {
  VstInt32 type; /* kVstSysExType */
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  VstInt32 dumpBytes;
  VstIntPtr resvd1;
  char* sysexDump;
  VstIntPtr resvd2;
} VstMidiSysexEvent;

/* ---- transport (audioMasterGetTime) ------------------------------------------------ */

enum VstTimeInfoFlags {
  kVstTransportChanged = 1,
  kVstTransportPlaying = 1 << 1,
  kVstTransportCycleActive = 1 << 2,
  kVstTransportRecording = 1 << 3,
  kVstAutomationWriting = 1 << 6,
  kVstAutomationReading = 1 << 7,
  kVstNanosValid = 1 << 8,
  kVstPpqPosValid = 1 << 9,
  kVstTempoValid = 1 << 10,
  kVstBarsValid = 1 << 11,
  kVstCyclePosValid = 1 << 12,
  kVstTimeSigValid = 1 << 13,
  kVstSmpteValid = 1 << 14,
  kVstClockValid = 1 << 15
};

enum VstSmpteFrameRate {
  kVstSmpte24fps = 0,
  kVstSmpte25fps = 1,
  kVstSmpte2997fps = 2,
  kVstSmpte30fps = 3,
  kVstSmpte2997dfps = 4,
  kVstSmpte30dfps = 5,
  kVstSmpteFilm16mm = 6,
  kVstSmpteFilm35mm = 7,
  kVstSmpte239fps = 10,
  kVstSmpte249fps = 11,
  kVstSmpte599fps = 12,
  kVstSmpte60fps = 13
};

typedef struct VstTimeInfo {
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  VstInt32 timeSigNumerator;
  VstInt32 timeSigDenominator;
  VstInt32 smpteOffset;
  VstInt32 smpteFrameRate; /* VstSmpteFrameRate */
  VstInt32 samplesToNextClock;
  VstInt32 flags; /* VstTimeInfoFlags */
} VstTimeInfo;

/* ---- editor ------------------------------------------------------------------------ */

typedef struct ERect {
  VstInt16 top;
  VstInt16 left;
  VstInt16 bottom;
  VstInt16 right;
} ERect;

/* effEditKeyDown / effEditKeyUp: index is the character, value the virtual key, opt the
 * modifiers. */
typedef struct VstKeyCode {
  VstInt32 character;
  unsigned char virt;     /* VstVirtualKey */
  unsigned char modifier; /* VstModifierKey */
} VstKeyCode;

enum VstVirtualKey {
  VKEY_BACK = 1, VKEY_TAB, VKEY_CLEAR, VKEY_RETURN, VKEY_PAUSE, VKEY_ESCAPE, VKEY_SPACE,
  VKEY_NEXT, VKEY_END, VKEY_HOME, VKEY_LEFT, VKEY_UP, VKEY_RIGHT, VKEY_DOWN, VKEY_PAGEUP,
  VKEY_PAGEDOWN, VKEY_SELECT, VKEY_PRINT, VKEY_ENTER, VKEY_SNAPSHOT, VKEY_INSERT, VKEY_DELETE,
  VKEY_HELP, VKEY_NUMPAD0, VKEY_NUMPAD1, VKEY_NUMPAD2, VKEY_NUMPAD3, VKEY_NUMPAD4, VKEY_NUMPAD5,
  VKEY_NUMPAD6, VKEY_NUMPAD7, VKEY_NUMPAD8, VKEY_NUMPAD9, VKEY_MULTIPLY, VKEY_ADD, VKEY_SEPARATOR,
  VKEY_SUBTRACT, VKEY_DECIMAL, VKEY_DIVIDE, VKEY_F1, VKEY_F2, VKEY_F3, VKEY_F4, VKEY_F5, VKEY_F6,
  VKEY_F7, VKEY_F8, VKEY_F9, VKEY_F10, VKEY_F11, VKEY_F12, VKEY_NUMLOCK, VKEY_SCROLL, VKEY_SHIFT,
  VKEY_CONTROL, VKEY_ALT, VKEY_EQUALS
};

enum VstModifierKey {
  MODIFIER_SHIFT = 1 << 0,
  MODIFIER_ALTERNATE = 1 << 1,
  MODIFIER_COMMAND = 1 << 2,
  MODIFIER_CONTROL = 1 << 3
};

/* ---- parameters (effGetParameterProperties) ---------------------------------------- */

enum VstParameterFlags {
  kVstParameterIsSwitch = 1 << 0,
  kVstParameterUsesIntegerMinMax = 1 << 1,
  kVstParameterUsesFloatStep = 1 << 2,
  kVstParameterUsesIntStep = 1 << 3,
  kVstParameterSupportsDisplayIndex = 1 << 4,
  kVstParameterSupportsDisplayCategory = 1 << 5,
  kVstParameterCanRamp = 1 << 6
};

typedef struct VstParameterProperties {
  float stepFloat;
  float smallStepFloat;
  float largeStepFloat;
  char label[kVstMaxLabelLen];
  VstInt32 flags; /* VstParameterFlags */
  VstInt32 minInteger;
  VstInt32 maxInteger;
  VstInt32 stepInteger;
  VstInt32 largeStepInteger;
  char shortLabel[kVstMaxShortLabelLen];
  VstInt16 displayIndex;
  char category[kVstMaxCategLabelLen];
  VstInt16 numParametersInCategory;
  VstInt16 reserved;
  char future[16];
} VstParameterProperties;

/* ---- pins and speakers (effGet*Properties, effSet/GetSpeakerArrangement) ----------- */

enum VstPinPropertiesFlags {
  kVstPinIsActive = 1 << 0,
  kVstPinIsStereo = 1 << 1,
  kVstPinUseSpeaker = 1 << 2
};

typedef struct VstPinProperties {
  char label[kVstMaxLabelLen];
  VstInt32 flags;           /* VstPinPropertiesFlags */
  VstInt32 arrangementType; /* VstSpeakerArrangementType */
  char shortLabel[kVstMaxShortLabelLen];
  char future[48];
} VstPinProperties;

enum VstSpeakerType {
  kSpeakerUndefined = 0x7fffffff,
  kSpeakerM = 0,
  kSpeakerL,
  kSpeakerR,
  kSpeakerC,
  kSpeakerLfe,
  kSpeakerLs,
  kSpeakerRs,
  kSpeakerLc,
  kSpeakerRc,
  kSpeakerS,
  kSpeakerCs = kSpeakerS,
  kSpeakerSl,
  kSpeakerSr,
  kSpeakerTm,
  kSpeakerTfl,
  kSpeakerTfc,
  kSpeakerTfr,
  kSpeakerTrl,
  kSpeakerTrc,
  kSpeakerTrr,
  kSpeakerLfe2
};

enum VstSpeakerArrangementType {
  kSpeakerArrUserDefined = -2,
  kSpeakerArrEmpty = -1,
  kSpeakerArrMono = 0,
  kSpeakerArrStereo,
  kSpeakerArrStereoSurround,
  kSpeakerArrStereoCenter,
  kSpeakerArrStereoSide,
  kSpeakerArrStereoCLfe,
  kSpeakerArr30Cine,
  kSpeakerArr30Music,
  kSpeakerArr31Cine,
  kSpeakerArr31Music,
  kSpeakerArr40Cine,
  kSpeakerArr40Music,
  kSpeakerArr41Cine,
  kSpeakerArr41Music,
  kSpeakerArr50,
  kSpeakerArr51,
  kSpeakerArr60Cine,
  kSpeakerArr60Music,
  kSpeakerArr61Cine,
  kSpeakerArr61Music,
  kSpeakerArr70Cine,
  kSpeakerArr70Music,
  kSpeakerArr71Cine,
  kSpeakerArr71Music,
  kSpeakerArr80Cine,
  kSpeakerArr80Music,
  kSpeakerArr81Cine,
  kSpeakerArr81Music,
  kSpeakerArr102,
  kNumSpeakerArr
};

typedef struct VstSpeakerProperties {
  float azimuth;   /* radians, -pi..pi */
  float elevation; /* radians, -pi/2..pi/2 */
  float radius;    /* metres */
  float reserved;
  char name[kVstMaxNameLen];
  VstInt32 type; /* VstSpeakerType */
  char future[28];
} VstSpeakerProperties;

/* speakers really holds numChannels entries; eight are declared. */
typedef struct VstSpeakerArrangement {
  VstInt32 type; /* VstSpeakerArrangementType */
  VstInt32 numChannels;
  VstSpeakerProperties speakers[8];
} VstSpeakerArrangement;

/* ---- MIDI programs and key names (effGetMidi*) ------------------------------------- */

enum VstMidiProgramNameFlags { kMidiIsOmni = 1 };

typedef struct MidiProgramName {
  VstInt32 thisProgramIndex;
  char name[kVstMaxNameLen];
  char midiProgram;
  char midiBankMsb;
  char midiBankLsb;
  char reserved;
  VstInt32 parentCategoryIndex;
  VstInt32 flags; /* VstMidiProgramNameFlags */
} MidiProgramName;

typedef struct MidiProgramCategory {
  VstInt32 thisCategoryIndex;
  char name[kVstMaxNameLen];
  VstInt32 parentCategoryIndex;
  VstInt32 flags;
} MidiProgramCategory;

typedef struct MidiKeyName {
  VstInt32 thisProgramIndex;
  VstInt32 thisKeyNumber;
  char keyName[kVstMaxNameLen];
  VstInt32 reserved;
  VstInt32 flags;
} MidiKeyName;

/* ---- bank and program loading (effBeginLoadBank, effBeginLoadProgram) -------------- */

typedef struct VstPatchChunkInfo {
  VstInt32 version;
  VstInt32 pluginUniqueID;
  VstInt32 pluginVersion;
  VstInt32 numElements; /* parameters for a program, programs for a bank */
  char future[48];
} VstPatchChunkInfo;

/* Magic numbers of VST 2 program (.fxp) and bank (.fxb) files, stored big-endian. */
enum VstFxFileMagic {
  cMagic = CCONST('C', 'c', 'n', 'K'),
  fMagic = CCONST('F', 'x', 'C', 'k'),
  bankMagic = CCONST('F', 'x', 'B', 'k'),
  chunkPresetMagic = CCONST('F', 'P', 'C', 'h'),
  chunkBankMagic = CCONST('F', 'B', 'C', 'h')
};

#ifdef __cplusplus
}
#endif

/* ---- layout checks ----------------------------------------------------------------- */

#ifdef __cplusplus
#define IPLUG_VST_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define IPLUG_VST_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#if INTPTR_MAX == INT64_MAX
IPLUG_VST_STATIC_ASSERT(sizeof(VstIntPtr) == 8, "64-bit layout");
IPLUG_VST_STATIC_ASSERT(kEffectMagic == 0x56737450, "'VstP'");
IPLUG_VST_STATIC_ASSERT(sizeof(AEffect) == 192, "AEffect size");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, dispatcher) == 8, "AEffect.dispatcher");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, numPrograms) == 40, "AEffect.numPrograms");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, flags) == 56, "AEffect.flags");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, resvd1) == 64, "AEffect.resvd1");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, initialDelay) == 80, "AEffect.initialDelay");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, ioRatio) == 92, "AEffect.ioRatio");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, object) == 96, "AEffect.object");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, uniqueID) == 112, "AEffect.uniqueID");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, processReplacing) == 120, "AEffect.processReplacing");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, processDoubleReplacing) == 128,
                        "AEffect.processDoubleReplacing");
IPLUG_VST_STATIC_ASSERT(offsetof(AEffect, future) == 136, "AEffect.future");
IPLUG_VST_STATIC_ASSERT(sizeof(VstEvent) == 32, "VstEvent size");
IPLUG_VST_STATIC_ASSERT(sizeof(VstEvents) == 32, "VstEvents size");
IPLUG_VST_STATIC_ASSERT(offsetof(VstEvents, events) == 16, "VstEvents.events");
IPLUG_VST_STATIC_ASSERT(sizeof(VstMidiEvent) == 32, "VstMidiEvent size");
IPLUG_VST_STATIC_ASSERT(offsetof(VstMidiEvent, midiData) == 24, "VstMidiEvent.midiData");
IPLUG_VST_STATIC_ASSERT(sizeof(VstMidiSysexEvent) == 48, "VstMidiSysexEvent size");
IPLUG_VST_STATIC_ASSERT(offsetof(VstMidiSysexEvent, dumpBytes) == 16, "VstMidiSysexEvent.dumpBytes");
IPLUG_VST_STATIC_ASSERT(offsetof(VstMidiSysexEvent, sysexDump) == 32, "VstMidiSysexEvent.sysexDump");
IPLUG_VST_STATIC_ASSERT(sizeof(VstTimeInfo) == 88, "VstTimeInfo size");
IPLUG_VST_STATIC_ASSERT(offsetof(VstTimeInfo, timeSigNumerator) == 64, "VstTimeInfo.timeSigNumerator");
IPLUG_VST_STATIC_ASSERT(offsetof(VstTimeInfo, flags) == 84, "VstTimeInfo.flags");
IPLUG_VST_STATIC_ASSERT(sizeof(ERect) == 8, "ERect size");
IPLUG_VST_STATIC_ASSERT(sizeof(VstKeyCode) == 8, "VstKeyCode size");
IPLUG_VST_STATIC_ASSERT(sizeof(VstParameterProperties) == 152, "VstParameterProperties size");
IPLUG_VST_STATIC_ASSERT(offsetof(VstParameterProperties, shortLabel) == 96,
                        "VstParameterProperties.shortLabel");
IPLUG_VST_STATIC_ASSERT(offsetof(VstParameterProperties, category) == 106,
                        "VstParameterProperties.category");
IPLUG_VST_STATIC_ASSERT(sizeof(VstPinProperties) == 128, "VstPinProperties size");
IPLUG_VST_STATIC_ASSERT(offsetof(VstPinProperties, flags) == 64, "VstPinProperties.flags");
IPLUG_VST_STATIC_ASSERT(offsetof(VstPinProperties, shortLabel) == 72, "VstPinProperties.shortLabel");
IPLUG_VST_STATIC_ASSERT(sizeof(VstSpeakerProperties) == 112, "VstSpeakerProperties size");
IPLUG_VST_STATIC_ASSERT(offsetof(VstSpeakerProperties, type) == 80, "VstSpeakerProperties.type");
IPLUG_VST_STATIC_ASSERT(sizeof(VstSpeakerArrangement) == 8 + 8 * 112, "VstSpeakerArrangement size");
IPLUG_VST_STATIC_ASSERT(sizeof(MidiProgramName) == 80, "MidiProgramName size");
IPLUG_VST_STATIC_ASSERT(sizeof(MidiProgramCategory) == 76, "MidiProgramCategory size");
IPLUG_VST_STATIC_ASSERT(sizeof(MidiKeyName) == 80, "MidiKeyName size");
IPLUG_VST_STATIC_ASSERT(offsetof(MidiKeyName, keyName) == 8, "MidiKeyName.keyName");
IPLUG_VST_STATIC_ASSERT(sizeof(VstPatchChunkInfo) == 64, "VstPatchChunkInfo size");
#endif

#endif /* IPLUG_AEFFECTX_H */
