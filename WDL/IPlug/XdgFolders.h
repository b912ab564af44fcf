// The folders an editor reports on Linux (IGraphics::HostPath, PluginPath, DesktopPath
// and AppSupportPath), answered in one place for every backend, from the XDG base and
// user directories and from the binary this code is linked into.
#ifndef IPLUG_XDGFOLDERS_H_
#define IPLUG_XDGFOLDERS_H_

#include <string>

#include "wdlstring.h"

// ---- The four answers (null is ignored) ---------------------------------------------
// The plug-in's own binary (its .so, or the program it is linked into); unchanged when
// it cannot be found.
void XdgHostPath(WDL_String* pPath);
// The folder that holds that binary, with a trailing "/"; unchanged when unknown.
void XdgPluginPath(WDL_String* pPath);
// The user's desktop folder (XdgDesktopDir).
void XdgDesktopPath(WDL_String* pPath);
// The user's application data folder (XdgDataHomeDir).
void XdgAppSupportPath(WDL_String* pPath);

// ---- Building blocks -------------------------------------------------------------------
// $HOME, else the password database's home; "" when neither is known.
std::string XdgHomeDir();
// XDG_DESKTOP_DIR from $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config), else
// ~/Desktop. No trailing "/".
std::string XdgDesktopDir();
// $XDG_DATA_HOME when it is absolute, else ~/.local/share. No trailing "/".
std::string XdgDataHomeDir();
// The value of the user-dirs.dirs line for key (e.g. "XDG_DESKTOP_DIR") in the text,
// with $HOME expanded; "" when it is not there.
std::string XdgParseUserDir(const std::string& text, const char* key, const std::string& home);

#endif  // IPLUG_XDGFOLDERS_H_
