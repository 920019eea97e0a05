#pragma once

#include <cstdint>

// The notify-window seam: where the library takes a window handle it takes a pointer to this
// abstract window. Posting is the one operation, and it is how every state change crosses from a
// library thread to the program's user-interface thread.

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

constexpr unsigned int WM_USER = 0x0400;

class IZAVNotifyWindow {
 public:
  // Queues (msg, wParam, lParam) for the window's user-interface thread and returns at once.
  // May be called from any thread. Messages are delivered in posting order; a message is never
  // handled on the posting thread.
  virtual void PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) = 0;

 protected:
  ~IZAVNotifyWindow() = default;
};

using HWND = IZAVNotifyWindow*;
