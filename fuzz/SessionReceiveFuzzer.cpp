// The receive path of a session on bytes from an untrusted robot: the frame reader walks the
// stream as the receive thread does, and every payload goes through the decoding and dispatch
// that ParseMsg runs. The sink checks what each event promises the program.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ZAVServoSocket.h"
#include "codec/Frame.h"
#include "session/ReplyDispatch.h"
#include "session/SessionLog.h"

using namespace servolink;

namespace {

// Where the bytes of each text end up, so that reading them is never optimised away.
volatile unsigned g_touched = 0;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// The fuzzer's bytes as a stream; a field that runs past the end fails, as a closed link does.
class BufferSource : public IFieldSource {
 public:
  BufferSource(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  bool ReadField(void* buffer, std::size_t size) override {
    if (m_size - m_at < size) return false;
    std::memcpy(buffer, m_data + m_at, size);
    m_at += size;
    return true;
  }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_at = 0;
};

class CheckingSink : public IZAVSocketSessionEvent {
 public:
  void OnReadServoCaliAngel(bool ok, int id, int value) override { CheckServo(ok, id, value); }
  void OnReadCurrentAngel(bool ok, int id, int angle) override { CheckServo(ok, id, angle); }
  void OnSetCaliAngel(bool, int id) override { CheckId(id); }
  void OnReadSN(bool ok, const char* text, int len) override {
    CheckText(text, len);
    Check(ok == (len > 0));
  }
  void OnWriteSN(bool ok, const char* text, int len) override {
    CheckText(text, len);
    Check(ok == (len > 0 && text[0] == '0'));
  }

 private:
  static void CheckId(int id) { Check(id >= -128 && id <= 127); }
  static void CheckServo(bool ok, int id, int value) {
    CheckId(id);
    Check(ok ? (value >= -4096 && value <= 61439) : value == 0);
  }
  // Every byte readable, and the zero byte right after them.
  static void CheckText(const char* text, int len) {
    Check(text != nullptr && len >= 0 && len <= kMaxFrameLength);
    unsigned sum = 0;
    for (int i = 0; i < len; ++i) sum += static_cast<unsigned char>(text[i]);
    g_touched = sum;
    Check(text[len] == '\0');
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static SessionLog log;  // never opened: the Recv line is asked for and dropped
  CheckingSink sink;
  BufferSource source(data, size);
  std::string payload;
  for (;;) {
    const FrameReadResult result = ReadFrame(source, &payload);
    if (result == FrameReadResult::kFailed) break;
    if (result == FrameReadResult::kGood) {
      Check(payload.size() <= static_cast<std::size_t>(kMaxFrameLength - kFrameLengthOverhead));
      if (!payload.empty()) DispatchPayload(payload.data(), payload.size(), &sink, &log);
    }
  }
  return 0;
}
