#include "cli/SerialExchange.h"

#include <chrono>

#include "ZAVUIBase.h"
#include "app/CLanguageStringTable.h"
#include "cli/CommandContext.h"
#include "provisioning/CHttpOper.h"
#include "provisioning/SerialNumberFlow.h"

namespace {

// The English texts of strings.xml beside the program; a key it lacks shows as itself.
std::wstring Text(const char* key) {
  static const CLanguageStringTable table(2, ZAVExeFolderFile(L"strings.xml"));
  std::wstring text;
  return table.Lookup(ZAVWidenUtf8(key), &text) ? text : ZAVWidenUtf8(key);
}

class SerialDriver {
 public:
  SerialDriver(RobotLink* link, Outcome* outcome) : m_link(link), m_outcome(outcome) {}

  // Carries out first (what the flow answered to the start of an operation), then what it
  // answers to each reply and tick, to the operation's end.
  SerialResult Drive(const SnActions& first) {
    Carry(first);
    while (!m_bDone) {
      if (!m_bTimer) {
        m_outcome->Fail(kExitRefused, "the serial-number sequence stopped waiting for nothing");
        break;
      }
      const std::optional<RobotLink::Event> event = m_link->Next(m_nextTick);
      if (!event) {
        m_nextTick += std::chrono::milliseconds(kTickMs);
        Carry(m_flow.Tick());
      } else if (event->kind == RobotLink::Event::kSerialRead) {
        Carry(m_flow.OnReadReply(event->ok, event->text));
      } else if (event->kind == RobotLink::Event::kSerialWrite) {
        Carry(m_flow.OnWriteReply(event->ok));
      } else if (event->kind == RobotLink::Event::kLinkEnded) {
        LinkStands(m_link, m_outcome);
        break;
      }
    }
    m_result.mac = ZAVNarrowToUtf8(m_flow.MacAddress());
    return m_result;
  }

  SerialNumberFlow& Flow() { return m_flow; }

 private:
  void Carry(const SnActions& actions) {
    for (const SnAction& action : actions) Carry(action);
  }

  void Carry(const SnAction& action) {
    switch (action.kind) {
      case SnAction::kStartTimer:
        m_bTimer = true;
        m_nextTick = RobotLink::Clock::now() + std::chrono::milliseconds(kTickMs);
        break;
      case SnAction::kStopTimer:
        m_bTimer = false;
        break;
      case SnAction::kReadSN:
        m_link->Session().SocketSession_ReadSN();
        break;
      case SnAction::kWriteSN:
        m_link->Session().SocketSession_WriteSN(action.bytes);
        break;
      case SnAction::kVerify:
        Progress("verifying " + ZAVNarrowToUtf8(action.serial) + " with the equipment service");
        Carry(m_flow.OnVerifyResult(m_http.VerifyEquipment(action.serial)));
        break;
      case SnAction::kConfirm:
        Progress("confirming " + ZAVNarrowToUtf8(action.serial) + " with the equipment service");
        Carry(m_flow.OnConfirmResult(m_http.ConfirmEquipment(action.serial, action.mac)));
        break;
      case SnAction::kShowSerial:
        m_result.serial = ZAVNarrowToUtf8(action.serial);
        break;
      case SnAction::kMessage:
        Say(action.message);
        break;
      case SnAction::kDone:
        m_bDone = true;
        m_result.ok = action.ok;
        break;
      default:  // locking controls: there are none
        break;
    }
  }

  // The window's message box, as a line on standard error and an entry of "messages".
  void Say(const SnMessage& message) {
    std::wstring text;
    Json::Value entry(Json::objectValue);
    for (const SnMessagePart& part : message.parts) {
      text += part.key != nullptr ? Text(part.key) : part.literal;
      if (part.key != nullptr) entry["key"] = part.key;
    }
    entry["text"] = ZAVNarrowToUtf8(text);
    m_outcome->report["messages"].append(entry);
    Progress(entry["text"].asString());
  }

  RobotLink* m_link;
  Outcome* m_outcome;
  SerialNumberFlow m_flow;
  CHttpOper m_http;
  SerialResult m_result;
  bool m_bDone = false;
  bool m_bTimer = false;
  RobotLink::Clock::time_point m_nextTick;
};

}  // namespace

SerialResult ReadRobotSerial(RobotLink* link, Outcome* outcome) {
  SerialDriver driver(link, outcome);
  SerialResult result = driver.Drive(driver.Flow().StartRead());
  if (!result.ok && outcome->status == kExitOk) outcome->Fail(kExitRefused, "the robot gave no serial number");
  return result;
}

SerialResult WriteRobotSerial(RobotLink* link, const std::wstring& serial, Outcome* outcome) {
  SerialDriver driver(link, outcome);
  SerialResult result = driver.Drive(driver.Flow().StartWrite(serial));
  if (result.ok) result.serial = ZAVNarrowToUtf8(driver.Flow().SetSerial());
  if (!result.ok && outcome->status == kExitOk) outcome->Fail(kExitRefused, "the serial number was not written");
  return result;
}
