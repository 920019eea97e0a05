#pragma once

#include <string>

#include "platform/ZAVExport.h"

// The UI-host seam: a process-wide hook that the program installs once at start.

// Message box styles and answers, with the values programs already know them by. A style is one
// button group (low four bits) or'd with one icon (next four bits).
constexpr unsigned int MB_OK = 0x0;
constexpr unsigned int MB_OKCANCEL = 0x1;
constexpr unsigned int MB_YESNOCANCEL = 0x3;
constexpr unsigned int MB_YESNO = 0x4;
constexpr unsigned int MB_ICONERROR = 0x10;
constexpr unsigned int MB_ICONQUESTION = 0x20;
constexpr unsigned int MB_ICONWARNING = 0x30;
constexpr unsigned int MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class IZAVUiHost {
 public:
  virtual ~IZAVUiHost() = default;

  // Dispatches the messages pending for the calling thread, then returns. Called over and over
  // while a thread waits for a library thread to end, so that a user-interface thread keeps
  // serving the very thread it waits for. Does nothing on a thread that has no messages.
  virtual void PumpMessages() = 0;

  // Shows a modal message box (texts in UTF-8, style from the MB_ values) and returns the
  // button pressed (IDOK, IDYES, ...). Callable from any thread: the box is shown on the
  // user-interface thread and the calling thread waits for the answer.
  virtual int MessageBox(const std::string& text, const std::string& caption,
                         unsigned int style) = 0;
};

// Installs the host (null removes it). The host must outlive every library object.
extern "C" ZAV_EXPORT void ZAVSetUiHost(IZAVUiHost* host);

// Pumps the calling thread's messages through the installed host; without one it does nothing.
// The library waits this way for its threads, and a program's own waits that must keep a
// user-interface thread serving library threads wait the same way.
extern "C" ZAV_EXPORT void ZAVPumpMessages();
