#pragma once

#include <string>
#include <vector>

// The serial-number sequence of a robot, without any user interface: read the number, or write
// a new one by verify (equipment service) -> write (robot) -> read back (robot, with its Bluetooth
// MAC) -> confirm (equipment service). The serial number window and the command-line program
// both drive it: they feed it what happened (inputs) and carry out what it answers (actions), in
// the order given. It calls nothing itself and keeps no clock: a wait is timed by Tick, which its
// driver calls once a second while the timer runs.
//
// Not thread-safe: the driver calls it from one thread at a time.

// One part of a message: the text of a string-ID key (looked up by the driver in the language in
// force) or, when key is null, literal text.
struct SnMessagePart {
  const char* key = nullptr;
  std::wstring literal;
};

// A message for the operator: the parts joined without separators.
struct SnMessage {
  std::vector<SnMessagePart> parts;
  bool information = false;  // shown with the information icon
};

struct SnAction {
  enum Kind {
    kLock,        // disable Read, the edit and Set
    kUnlock,      // enable them again
    kStartTimer,  // (re)start the once-a-second timer that calls Tick
    kStopTimer,
    kReadSN,      // ask the robot for its serial number (answer: OnReadReply)
    kWriteSN,     // write bytes into the robot (answer: OnWriteReply)
    kVerify,      // ask the service about serial (answer: OnVerifyResult)
    kConfirm,     // register serial with mac at the service (answer: OnConfirmResult)
    kShowSerial,  // the serial number read from the robot becomes the edit's text
    kMessage,     // show message
    kDone,        // the operation ended; ok tells whether it did what was asked
  };
  Kind kind;
  std::wstring serial;  // kVerify, kConfirm, kShowSerial
  std::wstring mac;     // kConfirm
  std::string bytes;    // kWriteSN: the serial as the robot stores it (UTF-8)
  SnMessage message;    // kMessage
  bool ok = false;      // kDone
};

using SnActions = std::vector<SnAction>;

// The longest serial number the operator may type, paste or write.
inline constexpr int kMaxSerialLength = 20;

// The fixed message for Set with an empty edit; it is not looked up.
inline constexpr wchar_t kEmptySerialText[] = L"序列号为空";

// How often Tick adds up towards the time-out, and where the time-out falls: Tick adds kTickMs
// until the count reaches kTimeoutMs, so the time-out comes on the sixth tick, about 6 s after the
// wait began.
inline constexpr int kTickMs = 1000;
inline constexpr int kTimeoutMs = 5000;

// text after its last "=", or text itself when it has none: a code such as a URL with a query
// leaves only the value.
std::wstring TrimAfterLastEquals(const std::wstring& text);

// A read reply split at its first "#": the serial number before it, the MAC after it (to the end,
// further "#" included). hasMac is false when there is no "#"; serial is then the whole reply.
struct ReadReply {
  std::wstring serial;
  std::wstring mac;
  bool hasMac = false;
};
// bytes is the robot's reply as sent (UTF-8); it ends at its first zero byte.
ReadReply SplitReadReply(const std::string& bytes);

// Whether two serial numbers are the same, letter case not counted.
bool SameSerial(const std::wstring& a, const std::wstring& b);

// The string-ID key of the tip that follows "serial number <serial>" when a verify request
// does not accept the number (verifyResult one of the VerifyResult values other than accepted).
const char* VerifyRefusalTipKey(int verifyResult);

class SerialNumberFlow {
 public:
  // Read (button, or the window becoming visible): lock, start the timer, ask the robot.
  SnActions StartRead();
  // Set with the edit's text: verification of the new number, unless text is empty.
  SnActions StartWrite(const std::wstring& text);
  // The service's answer to kVerify (a VerifyResult): write into the robot, or tell why not.
  SnActions OnVerifyResult(int verifyResult);
  // The robot's answer to kWriteSN (ok: acknowledged): on success the read-back starts.
  SnActions OnWriteReply(bool ok);
  // The robot's answer to kReadSN (ok: not empty), for a plain read and for the read-back of a
  // write alike: while a write is pending, the reply is compared and confirmed with the MAC it
  // carries; a read-back without one (no "#", or nothing after it) is not confirmed.
  SnActions OnReadReply(bool ok, const std::string& bytes);
  // The service's answer to kConfirm.
  SnActions OnConfirmResult(bool ok);
  // The timer's tick: the time-out on the sixth tick of a wait. Ticks while the verify request
  // runs do not count (that request blocks the window, which the timer cannot interrupt).
  SnActions Tick();

  const std::wstring& SetSerial() const { return m_strSetSerial; }
  const std::wstring& MacAddress() const { return m_strMacAddress; }

 private:
  void BeginWait(SnActions* out);
  void EndWait(SnActions* out);

  std::wstring m_strSetSerial;   // the number the operator asked to write
  std::wstring m_strMacAddress;  // the robot's Bluetooth MAC as last read; empty until then
  std::wstring m_strReadBack;    // the number read back, while its confirm runs
  // From the robot's acknowledgement of a write until the read-back after it has been handled;
  // it survives a time-out, so the next read reply of any origin is taken as the read-back.
  bool m_bSetPending = false;
  bool m_bSNBusy = false;   // a robot operation is in progress (left set by a time-out)
  int m_nSNElapsedMs = 0;   // counted by Tick since the wait began
  bool m_bVerifying = false;
};
