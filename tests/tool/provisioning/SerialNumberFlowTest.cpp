#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ZAVUIBase.h"
#include "provisioning/SerialNumberFlow.h"

namespace {

std::string Narrow(const std::wstring& text) { return ZAVNarrowToUtf8(text); }

// One action as a short word: L/U lock and unlock, T+/T- the timer, msg(...)/info(...) a message
// with its parts joined by "+".
std::string Render(const SnAction& a) {
  switch (a.kind) {
    case SnAction::kLock: return "L";
    case SnAction::kUnlock: return "U";
    case SnAction::kStartTimer: return "T+";
    case SnAction::kStopTimer: return "T-";
    case SnAction::kReadSN: return "read";
    case SnAction::kWriteSN: return "write(" + a.bytes + ")";
    case SnAction::kVerify: return "verify(" + Narrow(a.serial) + ")";
    case SnAction::kConfirm: return "confirm(" + Narrow(a.serial) + "," + Narrow(a.mac) + ")";
    case SnAction::kShowSerial: return "show(" + Narrow(a.serial) + ")";
    case SnAction::kDone: return a.ok ? "done" : "fail";
    case SnAction::kMessage: {
      std::string text;
      for (const SnMessagePart& part : a.message.parts) {
        text += (text.empty() ? "" : "+") + (part.key ? std::string(part.key) : Narrow(part.literal));
      }
      return (a.message.information ? "info(" : "msg(") + text + ")";
    }
  }
  return "?";
}

// Runs a script of inputs separated by spaces ("read", "set:TEXT", "verify:N", "write:0|1",
// "reply:BYTES", "reply!" for an empty reply, "confirm:0|1", "tick", "tick*N") and renders the
// actions of each input; inputs that answer nothing are left out, the others joined by " | ".
std::string RunScript(SerialNumberFlow& flow, const std::string& script) {
  std::istringstream steps(script);
  std::string out, step;
  while (steps >> step) {
    const std::string arg = step.substr(step.find_first_of(":*") + 1);
    std::vector<SnActions> answers(1);
    if (step == "read") answers[0] = flow.StartRead();
    if (step.rfind("set:", 0) == 0) answers[0] = flow.StartWrite(ZAVWidenUtf8(arg));
    if (step.rfind("verify:", 0) == 0) answers[0] = flow.OnVerifyResult(std::stoi(arg));
    if (step.rfind("write:", 0) == 0) answers[0] = flow.OnWriteReply(arg == "1");
    if (step.rfind("reply:", 0) == 0) answers[0] = flow.OnReadReply(true, arg);
    if (step == "reply!") answers[0] = flow.OnReadReply(false, "");
    if (step.rfind("confirm:", 0) == 0) answers[0] = flow.OnConfirmResult(arg == "1");
    if (step.rfind("tick", 0) == 0) answers.resize(step == "tick" ? 1 : std::stoi(arg));
    for (SnActions& actions : answers) {
      if (step.rfind("tick", 0) == 0) actions = flow.Tick();
      if (actions.empty()) continue;
      std::string words;
      for (const SnAction& a : actions) words += (words.empty() ? "" : " ") + Render(a);
      out += (out.empty() ? "" : " | ") + words;
    }
  }
  return out;
}

struct Row { const char* name; std::string script; std::string expected; };

const std::string kWritten = "set:SN0001 verify:1 write:1 ";
const std::string kWrittenOut = "L T+ verify(SN0001) | L T+ write(SN0001) | U T- L T+ read";

TEST(SerialNumberFlowTest, EachOutcomeLeadsToItsActionsAndMessage) {
  const std::vector<Row> rows = {
      {"empty Set", "set:", "msg(序列号为空) fail"},
      {"verify format", "set:S\"1 verify:2",
       "L T+ verify(S\"1) | U T- msg(IDS_SERIAL_NUMBER+S\"1+IDS_FORMAT_ERROR_TIPS) fail"},
      {"verify occupied", "set:SN1 verify:3",
       "L T+ verify(SN1) | U T- msg(IDS_SERIAL_NUMBER+SN1+IDS_BE_OCCUPIED_TIPS) fail"},
      {"verify unknown", "set:SN1 verify:4",
       "L T+ verify(SN1) | U T- msg(IDS_SERIAL_NUMBER+SN1+IDS_NON_EXISTENT_TIPS) fail"},
      {"verify failed", "set:SN1 verify:0",
       "L T+ verify(SN1) | U T- msg(IDS_SERIAL_NUMBER+SN1+IDS_AUTHENTICATION_FAILED_TIPS) fail"},
      {"write refused", "set:SN1 verify:1 write:0",
       "L T+ verify(SN1) | L T+ write(SN1) | U T- msg(IDS_FAILED_SET_SERIAL_TIPS) fail"},
      {"read empty", "read reply!", "L T+ read | U T- msg(IDS_FAILED_GET_SERIAL_TIPS) fail"},
      {"read", "read reply:SN0001#AA:BB:CC:DD:EE:FF", "L T+ read | U T- show(SN0001) done"},
      {"read without MAC", "read reply:SN0001",
       "L T+ read | U T- msg(IDS_FAILED_GET_BLUETOOTH_MAC_TIPS) show(SN0001) done"},
      {"written and confirmed, case aside",
       kWritten + "reply:sn0001#AA confirm:1",
       kWrittenOut + " | U T- confirm(SN0001,AA) | info(IDS_UPDATE_SERIAL_SUCCESS_TIPS) "
                     "msg(IDS_WRITED_SERIAL_TIPS+sn0001) done"},
      {"confirm refused", kWritten + "reply:SN0001#AA confirm:0",
       kWrittenOut + " | U T- confirm(SN0001,AA) | msg(IDS_FAILED_UPDATE_SERIAL_TIPS) fail"},
      {"read-back differs, then a plain read",
       kWritten + "reply:SN0002#AA read reply:SN0002#AA",
       kWrittenOut + " | U T- msg(IDS_UPDATE_SERIAL_ERROR_TIPS) fail | L T+ read | "
                     "U T- show(SN0002) done"},
      // Only a MAC of this very read-back confirms: one read before may be another robot's.
      {"read-back without MAC: written, not confirmed",
       "read reply:SN0#M1 " + kWritten + "reply:SN0001 read reply:SN0001#M2",
       "L T+ read | U T- show(SN0) done | " + kWrittenOut +
           " | U T- msg(IDS_FAILED_GET_BLUETOOTH_MAC_TIPS) msg(IDS_SERIAL_NOT_CONFIRMED_NO_MAC_TIPS) fail"
           " | L T+ read | U T- show(SN0001) done"},
      {"read-back with an empty MAC: not confirmed", kWritten + "reply:SN0001#",
       kWrittenOut + " | U T- msg(IDS_SERIAL_NOT_CONFIRMED_NO_MAC_TIPS) fail"},
      {"time-out on the sixth tick", "read tick*6",
       "L T+ read | T- U msg(IDS_OPERATION_TIMEOUT_TIPS) fail"},
      {"a pending write survives the time-out and the next read confirms it",
       kWritten + "tick*6 read reply:SN0001#AA",
       kWrittenOut + " | T- U msg(IDS_OPERATION_TIMEOUT_TIPS) fail | L T+ read | "
                     "U T- confirm(SN0001,AA)"},
      {"ticks during the verify request do not count",
       "set:SN1 tick*9 verify:1 tick*6",
       "L T+ verify(SN1) | L T+ write(SN1) | T- U msg(IDS_OPERATION_TIMEOUT_TIPS) fail"},
  };
  for (const Row& row : rows) {
    SerialNumberFlow flow;
    EXPECT_EQ(RunScript(flow, row.script), row.expected) << row.name;
  }
}

TEST(SerialNumberFlowTest, ReadRepliesSplitAtTheFirstHash) {
  const struct {
    std::string bytes;
    const wchar_t* serial;
    const wchar_t* mac;
    bool hasMac;
  } rows[] = {
      {"SN0001#AA:BB:CC:DD:EE:FF", L"SN0001", L"AA:BB:CC:DD:EE:FF", true},
      {"SN1#AA#BB", L"SN1", L"AA#BB", true},
      {"#M", L"", L"M", true},
      {"SN1", L"SN1", L"", false},
      {std::string("SN1\0#M", 6), L"SN1", L"", false},
      {"序列1#M", L"序列1", L"M", true},
  };
  for (const auto& row : rows) {
    const ReadReply reply = SplitReadReply(row.bytes);
    EXPECT_EQ(reply.serial, row.serial) << row.bytes;
    EXPECT_EQ(reply.mac, row.mac) << row.bytes;
    EXPECT_EQ(reply.hasMac, row.hasMac) << row.bytes;
  }
}

TEST(SerialNumberFlowTest, TextAfterTheLastEqualsSignAndSerialsComparedWithoutCase) {
  EXPECT_EQ(TrimAfterLastEquals(L"abc=def=XYZ123"), L"XYZ123");
  EXPECT_EQ(TrimAfterLastEquals(L"SN=ABC123"), L"ABC123");
  EXPECT_EQ(TrimAfterLastEquals(L"ABC123"), L"ABC123");
  EXPECT_EQ(TrimAfterLastEquals(L"ABC="), L"");
  EXPECT_TRUE(SameSerial(L"sn0001-x", L"SN0001-X"));
  EXPECT_FALSE(SameSerial(L"SN0001", L"SN0002"));
  EXPECT_FALSE(SameSerial(L"SN1", L"SN10"));
}

}  // namespace
