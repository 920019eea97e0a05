#include "provisioning/X11WindowFinder.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "ZAVUIBase.h"

namespace {

// A window manager puts a top-level window into a frame or two of its own.
constexpr int kMaxDepth = 3;

// A window may vanish while it is looked at; Xlib's default handler would end the process.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

bool HasTitle(Display* display, Window window, const std::string& title) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) != 0 && name != nullptr) {
    const bool same = title == name;
    XFree(name);
    if (same) return true;
  }
  const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count,
                         &after, &data) != Success || data == nullptr) {
    return false;
  }
  const bool same = title == std::string(reinterpret_cast<const char*>(data), count);
  XFree(data);
  return same;
}

Window Find(Display* display, Window parent, const std::string& title, int depth) {
  Window root = 0;
  Window parentOfParent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, parent, &root, &parentOfParent, &children, &count) == 0) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && found == 0; ++i) {
    if (HasTitle(display, children[i], title)) found = children[i];
  }
  for (unsigned int i = 0; i < count && found == 0 && depth + 1 < kMaxDepth; ++i) {
    found = Find(display, children[i], title, depth + 1);
  }
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace

unsigned long FindX11WindowByTitle(const std::wstring& title) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 0;
  const auto previous = XSetErrorHandler(IgnoreXError);
  const Window found = Find(display, DefaultRootWindow(display), ZAVNarrowToUtf8(title), 0);
  XSync(display, False);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  return found;
}
