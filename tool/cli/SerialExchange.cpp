#include "cli/SerialExchange.h"

#include <chrono>

#include "ZAVUIBase.h"
#include "app/CLanguageStringTable.h"
#include "cli/CommandContext.h"
#include "provisioning/CHttpOper.h"
#include "provisioning/SerialNumberFlow.h"
#include "provisioning/ServiceAddress.h"

namespace {

// The English texts of strings.xml beside the program; a key it lacks shows as itself.
std::wstring Text(const char* key) {
  static const CLanguageStringTable table(2, ZAVExeFolderFile(L"strings.xml"));
  std::wstring text;
  return table.Lookup(ZAVWidenUtf8(key), &text) ? text : ZAVWidenUtf8(key);
}

class SerialDriver {
 public:
  explicit SerialDriver(RobotTarget& robot, Outcome* outcome)
      : m_link(&robot.Link()), m_budget(&robot.Budget()), m_outcome(outcome), m_http(robot.ServiceTimeouts()) {}

  // Carries out first (what the flow answered to the start of an operation), then what it
  // answers to each reply and tick, to the operation's end.
  SerialResult Drive(const SnActions& first) {
    Carry(first);
    while (!m_bDone) {
      if (!m_bTimer) {
        m_outcome->Fail(kExitRefused, "the serial-number sequence stopped waiting for nothing");
        break;
      }
      const auto giveUp = m_lastHeard + m_budget->Allowance();
      const std::optional<RobotLink::Event> event = m_link->Next(std::min(m_nextTick, giveUp));
      if (!event && RobotLink::Clock::now() >= giveUp) {
        Silent();
        break;
      }
      if (event) m_lastHeard = RobotLink::Clock::now();
      if (!event) {
        m_nextTick += std::chrono::milliseconds(kTickMs);
        Carry(m_flow.Tick());
      } else if (event->kind == RobotLink::Event::kSerialRead) {
        Carry(m_flow.OnReadReply(event->ok, event->text));
      } else if (event->kind == RobotLink::Event::kSerialWrite) {
        m_bWritten = m_bWritten || event->ok;
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
  // Whether the robot acknowledged a write of the number.
  bool Written() const { return m_bWritten; }
  // Why the sequence stopped short, as far as the driver saw it: the transfer's reason when the
  // service gave no answer, otherwise the last message for the operator.
  std::string Reason() const {
    if (m_transferFailure) {
      const std::wstring diagnostic = m_transferFailure->empty() ? L"no usable answer" : *m_transferFailure;
      return "the equipment service at " + ZAVNarrowToUtf8(GetServiceAddress()) + " could not be asked: " +
             ZAVNarrowToUtf8(diagnostic);
    }
    return m_lastMessage;
  }

 private:
  void Carry(const SnActions& actions) {
    for (const SnAction& action : actions) {
      if (m_bDone) break;
      Carry(action);
    }
  }

  void Carry(const SnAction& action) {
    switch (action.kind) {
      case SnAction::kStartTimer:
        m_bTimer = true;
        m_nextTick = RobotLink::Clock::now() + std::chrono::milliseconds(kTickMs);
        m_lastHeard = RobotLink::Clock::now();
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
        Carry(Heard(m_flow.OnVerifyResult(m_http.VerifyEquipment(action.serial, &m_transferFailure))));
        break;
      case SnAction::kConfirm:
        Progress("confirming " + ZAVNarrowToUtf8(action.serial) + " with the equipment service");
        Carry(Heard(m_flow.OnConfirmResult(m_http.ConfirmEquipment(action.serial, action.mac, &m_transferFailure))));
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

  // The service's answer is in: the robot's silence counts from now, not from before the request.
  const SnActions& Heard(const SnActions& actions) {
    m_lastHeard = RobotLink::Clock::now();
    return actions;
  }

  // The robot said nothing for the budget's allowance: the silence is spent, the sequence ends as
  // its own time-out would.
  void Silent() {
    const auto silence = RobotLink::Clock::now() - m_lastHeard;
    m_budget->Spend(silence);
    m_lastMessage = "the robot did not answer within " +
                    std::to_string(std::chrono::duration_cast<std::chrono::seconds>(silence).count()) + " s";
    if (m_outcome->status == kExitOk) m_outcome->Fail(kExitRefused, m_lastMessage);
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
    m_lastMessage = entry["text"].asString();
    Progress(m_lastMessage);
  }

  RobotLink* m_link;
  SilenceBudget* m_budget;
  Outcome* m_outcome;
  SerialNumberFlow m_flow;
  CHttpOper m_http;
  SerialResult m_result;
  bool m_bDone = false;
  bool m_bTimer = false;
  bool m_bWritten = false;
  CHttpOper::TransferFailure m_transferFailure;  // of the last request
  std::string m_lastMessage;
  RobotLink::Clock::time_point m_nextTick;
  RobotLink::Clock::time_point m_lastHeard;  // the robot's last reply, or the start of the wait
};

}  // namespace

SerialResult ReadRobotSerial(RobotTarget& robot, Outcome* outcome) {
  SerialDriver driver(robot, outcome);
  SerialResult result = driver.Drive(driver.Flow().StartRead());
  if (!result.ok && outcome->status == kExitOk) outcome->Fail(kExitRefused, "the robot gave no serial number");
  return result;
}

SerialResult ReadHeldSerial(RobotTarget& robot) {
  robot.Link().Session().SocketSession_ReadSN();
  const auto giveUp = RobotLink::Clock::now() + robot.Budget().Allowance();
  while (const std::optional<RobotLink::Event> event = robot.Link().Next(giveUp)) {
    if (event->kind == RobotLink::Event::kLinkEnded) return {};
    if (event->kind != RobotLink::Event::kSerialRead) continue;
    const ReadReply reply = SplitReadReply(event->text);
    return {true, ZAVNarrowToUtf8(reply.serial), ZAVNarrowToUtf8(reply.mac)};
  }
  robot.Budget().Spend(robot.Budget().Allowance());
  return {};
}

SerialResult WriteRobotSerial(RobotTarget& robot, const std::wstring& serial, Outcome* outcome) {
  SerialDriver driver(robot, outcome);
  SerialResult result = driver.Drive(driver.Flow().StartWrite(serial));
  if (result.ok) {
    result.serial = ZAVNarrowToUtf8(driver.Flow().SetSerial());
    return result;
  }
  // The link's own failure (unreachable, lost) stands first in the reason when it ended the run.
  const std::string reason = outcome->status != kExitOk ? outcome->error : driver.Reason();
  if (driver.Written()) {
    outcome->Fail(kExitNotConfirmed, "\"" + ZAVNarrowToUtf8(serial) +
                                         "\" was written to the robot, not confirmed with the equipment service: " + reason);
  } else if (outcome->status == kExitOk) {
    outcome->Fail(kExitRefused, reason.empty() ? "the serial number was not written" : reason);
  }
  return result;
}
