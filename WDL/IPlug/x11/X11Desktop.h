// What the editor asks of the desktop around it: opening an address
// with xdg-open, and the message, file and colour dialogs of zenity or kdialog when
// one of them is installed.
#ifndef IPLUG_X11_X11DESKTOP_H_
#define IPLUG_X11_X11DESKTOP_H_

#include <string>
#include <vector>

#include "XdgFolders.h"

// ---- Folders: XdgFolders.h, shared with every backend ---------------------------------
inline std::string X11ParseUserDir(const std::string& text, const char* key, const std::string& home) {
  return XdgParseUserDir(text, key, home);
}

// ---- Programs -----------------------------------------------------------------------
// The full path of an executable found on $PATH, "" when there is none.
std::string X11FindProgram(const char* name);
// Runs argv (argv[0] looked up on $PATH) to its end, collecting what it writes to its
// standard output. Returns its exit status, -1 when it could not be started.
int X11RunProgram(const std::vector<std::string>& argv, std::string* pOut);
// Opens the address (a web address or a file) with xdg-open without waiting for it.
// False when xdg-open is not installed or could not be started.
bool X11OpenURL(const char* url);

// ---- Dialogs --------------------------------------------------------------------------
// Which dialog program is used: "zenity", "kdialog", or "" (none: the caller draws
// its own). TONEGLASS_DIALOGS=none in the environment forces "".
std::string X11DialogProgram();
// Message box by type (1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No, else OK): 1 for the
// first button, 7 for the second, 2 for the third, 0 when cancelled otherwise; -1
// when no dialog program is available.
int X11DialogMessage(const char* text, const char* caption, int type);
// File dialog. *pChosen receives the path; false when cancelled or no program.
// extensions split at spaces ("png wav").
bool X11DialogFile(bool save, const std::string& startDir, const std::string& name,
                   const std::string& extensions, std::string* pChosen);
// Colour dialog; r, g, b in 0..255, changed only when the user confirms.
bool X11DialogColor(int* r, int* g, int* b);
// "rgb(1,2,3)", "rgba(1,2,3,0.5)" or "#rrggbb" into components; false otherwise.
bool X11ParseColor(const std::string& s, int* r, int* g, int* b);

#endif  // IPLUG_X11_X11DESKTOP_H_
