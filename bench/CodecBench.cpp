// What one frame costs the link library: building each kind of command frame, and reading and
// decoding the robot's replies. bench/README.md sets the figures against the link's own pace.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "ZAVServoSocket.h"
#include "codec/Envelope.h"
#include "codec/Frame.h"
#include "codec/ServoCommand.h"
#include "session/ReplyDispatch.h"

using namespace servolink;

namespace {

std::string ServoFrame(const ServoCommand& command) {
  return BuildFrame(PackEnvelope(CMD_SERVO, PackServoBody(command)));
}

void BM_BuildReadCaliAngleFrame(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ServoFrame(ServoCommand::ReadCaliAngle(3)));
}
BENCHMARK(BM_BuildReadCaliAngleFrame);

void BM_BuildSetCurrentAngleFrame(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ServoFrame(ServoCommand::SetCurrentAngle(5, 90, 2000)));
}
BENCHMARK(BM_BuildSetCurrentAngleFrame);

void BM_BuildWriteSNFrame(benchmark::State& state) {
  const std::string sn = "VL2-2021-000001";
  for (auto _ : state) benchmark::DoNotOptimize(BuildFrame(PackEnvelope(CMD_WRITE_SN, PackTextBody(sn))));
}
BENCHMARK(BM_BuildWriteSNFrame);

void BM_BuildHeartbeat(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(BuildHeartbeatFrame());
}
BENCHMARK(BM_BuildHeartbeat);

// Counts events so the dispatch cannot be optimised away.
class CountingSink : public IZAVSocketSessionEvent {
 public:
  void OnReadServoCaliAngel(bool, int, int value) override { count += value; }
  void OnReadCurrentAngel(bool, int, int angle) override { count += angle; }
  void OnSetCaliAngel(bool, int id) override { count += id; }
  void OnReadSN(bool, const char*, int len) override { count += len; }
  void OnWriteSN(bool, const char*, int len) override { count += len; }
  long count = 0;
};

void DecodePayload(benchmark::State& state, const std::string& payload) {
  CountingSink sink;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DispatchPayload(payload.data(), payload.size(), &sink, nullptr));
  }
  benchmark::DoNotOptimize(sink.count);
}

void BM_DecodeCaliReply(benchmark::State& state) {
  DecodePayload(state, std::string("\x92\x01\xA7\x92\x0D\xA4\x00\x03\xFF\xFB", 10));
}
BENCHMARK(BM_DecodeCaliReply);

void BM_DecodeReadSNReply(benchmark::State& state) {
  DecodePayload(state, std::string("\x92\x34\xA8\x91\xA6SN-001", 11));
}
BENCHMARK(BM_DecodeReadSNReply);

// A stream of 64 reply frames read field by field from memory, as the receive loop reads them
// from its socket, each payload decoded and raised.
class MemorySource : public IFieldSource {
 public:
  explicit MemorySource(const std::string& bytes) : m_bytes(bytes) {}
  bool ReadField(void* buffer, std::size_t size) override {
    if (m_bytes.size() - m_at < size) return false;
    std::memcpy(buffer, m_bytes.data() + m_at, size);
    m_at += size;
    return true;
  }

 private:
  const std::string& m_bytes;
  std::size_t m_at = 0;
};

void BM_ReadAndDecodeReplyStream(benchmark::State& state) {
  std::string stream;
  for (int id = 0; id < 64; ++id) {
    stream += BuildFrame(PackEnvelope(CMD_SERVO, PackServoBody([&] {
                                        ServoCommand reply;
                                        reply.type = SERVO_READ_CALI_ANGLE;
                                        reply.data[1] = static_cast<std::uint8_t>(id);
                                        reply.data[3] = 0x5A;
                                        reply.size = 4;
                                        return reply;
                                      }())));
  }
  CountingSink sink;
  std::string payload;
  for (auto _ : state) {
    MemorySource source(stream);
    while (ReadFrame(source, &payload) == FrameReadResult::kGood) {
      DispatchPayload(payload.data(), payload.size(), &sink, nullptr);
    }
  }
  state.SetItemsProcessed(state.iterations() * 64);
  benchmark::DoNotOptimize(sink.count);
}
BENCHMARK(BM_ReadAndDecodeReplyStream);

}  // namespace

BENCHMARK_MAIN();
