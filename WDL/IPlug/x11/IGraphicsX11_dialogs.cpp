// IGraphicsX11: popup menus, message boxes, file and colour prompts, addresses and
// the folders of the desktop.
#include <string>

#include "IGraphicsX11.h"
#include "IGraphicsX11_session.h"
#include "X11Desktop.h"
#include "X11PopupMenu.h"

IPopupMenu* IGraphicsX11::CreateIPopupMenu(IPopupMenu* pMenu, IRECT* pAreaRect) {
  ReleaseMouseCapture();
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!pMenu || !mSession || !mSession->Live()) return nullptr;
  Session& s = *mSession;
  if (s.entry.open) EndTextEntry(false);
  int rx = 0, ry = 0;
  const IRECT r = pAreaRect ? *pAreaRect : IRECT(s.prevX, s.prevY, s.prevX, s.prevY);
  // Below the rectangle, as the platform's menus open under the control.
  if (!RootPosition(r.L, r.B + 4, &rx, &ry)) return nullptr;
  if (s.inPress) s.menuRanInPress = true;
  // Exposure of the editor while the menu is up is repainted from the bitmap.
  X11OtherEventHandler other = [this](XEvent& e) {
    if (e.type == Expose && mSession && e.xany.window == mSession->win)
      RepaintFromBitmap(e.xexpose.x, e.xexpose.y, e.xexpose.width, e.xexpose.height);
    if (e.type == DestroyNotify && mSession && e.xdestroywindow.window == mSession->win) mSession->gone = true;
  };
  IPopupMenu* chosen = X11RunPopupMenu(&s.conn, pMenu, rx, ry, other);
  return chosen;
}

int IGraphicsX11::ShowMessageBox(const char* text, const char* caption, int type) {
  const int viaProgram = X11DialogMessage(text, caption, type);
  if (viaProgram >= 0) return viaProgram;
  // No dialog program: our own window, drawn as a menu of the text and the buttons.
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!mSession || !mSession->Live()) return 0;
  IPopupMenu box;
  if (caption && *caption) box.AddItem(caption, -1, IPopupMenuItem::kDisabled | IPopupMenuItem::kTitle);
  std::string body = text ? text : "";
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('\n', start);
    if (end == std::string::npos) end = body.size();
    box.AddItem(body.substr(start, end - start).c_str(), -1, IPopupMenuItem::kDisabled);
    start = end + 1;
  }
  box.AddSeparator();
  const int first = box.GetNItems();
  const char* labels[3] = {"OK", nullptr, nullptr};
  if (type == 4 || type == 3) {
    labels[0] = "Yes";
    labels[1] = "No";
    if (type == 3) labels[2] = "Cancel";
  } else if (type == 1) {
    labels[1] = "Cancel";
  }
  for (const char* l : labels)
    if (l) box.AddItem(l);
  int rx = 0, ry = 0;
  RootPosition(Width() / 3, Height() / 3, &rx, &ry);
  X11OtherEventHandler other = [this](XEvent& e) {
    if (e.type == Expose && mSession && e.xany.window == mSession->win)
      RepaintFromBitmap(e.xexpose.x, e.xexpose.y, e.xexpose.width, e.xexpose.height);
  };
  if (!X11RunPopupMenu(&mSession->conn, &box, rx, ry, other)) return 0;
  static const int kAnswers[3] = {1, 7, 2};
  const int button = box.GetChosenItemIdx() - first;
  return button >= 0 && button < 3 ? kAnswers[button] : 0;
}

void IGraphicsX11::PromptForFile(WDL_String* pFilename, EFileAction action, WDL_String* pDir,
                                 char* extensions) {
  if (!pFilename) return;
  if (!WindowIsOpen()) {
    pFilename->Set("");
    return;
  }
  const std::string name = pFilename->Get();
  std::string dir = pDir && pDir->Get()[0] ? pDir->Get() : "";
  if (dir.empty()) {
    dir = XdgDesktopDir();
    if (pDir) pDir->Set(dir.c_str());
  }
  pFilename->Set("");
  std::string chosen;
  if (!X11DialogFile(action == kFileSave, dir, name, extensions ? extensions : "", &chosen)) return;
  pFilename->Set(chosen.c_str());
  if (pDir) {
    const size_t slash = chosen.rfind('/');
    pDir->Set(slash == std::string::npos ? "" : chosen.substr(0, slash + 1).c_str());
  }
}

bool IGraphicsX11::PromptForColor(IColor* pColor, char* /*prompt*/) {
  if (!pColor) return false;
  int r = pColor->R, g = pColor->G, b = pColor->B;
  if (!X11DialogColor(&r, &g, &b)) return false;
  pColor->R = r;
  pColor->G = g;
  pColor->B = b;
  return true;
}

bool IGraphicsX11::OpenURL(const char* url, const char*, const char*, const char*) {
  return X11OpenURL(url);
}

void IGraphicsX11::HostPath(WDL_String* pPath) { XdgHostPath(pPath); }

void IGraphicsX11::PluginPath(WDL_String* pPath) { XdgPluginPath(pPath); }

void IGraphicsX11::DesktopPath(WDL_String* pPath) { XdgDesktopPath(pPath); }

void IGraphicsX11::AppSupportPath(WDL_String* pPath, bool /*isSystem*/) { XdgAppSupportPath(pPath); }
