// Identifies the host application from the product text it reports, and names it.
#ifndef IPLUG_HOSTS_H_
#define IPLUG_HOSTS_H_

enum EHost {
  kHostUninit = -1,  // not yet identified
  kHostUnknown = 0,  // identified, but no key matched
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostSonar = 5,
  kHostVegas = 6,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostReserved10 = 10,
  kHostReserved11 = 11,
  kHostMelodyne = 12,
  kHostVSTScanner = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostReserved19 = 19,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigitalPerformer = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostStudioOne = 26,
  kHostVST3TestHost = 27,
  kHostArdour = 28,
  kHostWavelab = 29,
  kHostReason = 30,
  kHostGWVST = 31
};

// The host whose key occurs first, in a fixed order, in the lower-cased product text;
// kHostUnknown when none occurs or the text is null. Only the first 255 bytes of the
// text are searched.
EHost LookUpHost(const char* productText);

// Writes the host's display name ("Unknown" for values without one) into out, which
// must hold MAX_HOST_NAME_LEN bytes (the longest name is 18 characters). A null out
// is ignored.
void GetHostNameStr(EHost host, char* out);
// The same into a buffer of outSize bytes; the name is cut to fit.
void GetHostNameStr(EHost host, char* out, int outSize);

// Writes in with A..Z turned into a..z (other bytes unchanged) and a terminating NUL;
// out must hold strlen(in) + 1 bytes. A null in writes the empty text; a null out is
// ignored.
void ToLower(char* out, const char* in);
// The same into a buffer of outSize bytes; the text is cut to fit.
void ToLower(char* out, const char* in, int outSize);

#endif  // IPLUG_HOSTS_H_
