// A decoded code's data from the camera scanner, as zbar hands it to ScanDataHandler: 8-bit text
// that ends at its first zero byte. The handler widens it (UTF-8); the serial number window keeps
// the part after its last "=" as the edit's text (shown whole: the edit's 20-character limit
// holds only for typing). Set then runs the serial-number sequence with that text: the verify
// request's body, the bytes written into the robot, the robot's "serial#mac" read back and
// compared, and the confirm request's body.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include <json/json.h>

#include "FuzzSupport.h"
#include "ZAVUIBase.h"
#include "provisioning/EquipmentProtocol.h"
#include "provisioning/SerialNumberFlow.h"

using fuzzsupport::Check;

namespace {

constexpr char kMac[] = "02:00:00:00:00:01";

const SnAction* Find(const SnActions& actions, SnAction::Kind kind) {
  for (const SnAction& action : actions) {
    if (action.kind == kind) return &action;
  }
  return nullptr;
}

// body is one JSON object (read strictly) whose members include members, with these values.
void CheckBody(const std::string& body, const std::map<std::string, std::string>& members) {
  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  Check(reader->parse(body.data(), body.data() + body.size(), &root, nullptr) && root.isObject());
  Check(root["appType"] == "2" && root["equipmentType"] == "2");
  for (const auto& [name, value] : members) Check(root[name].isString() && root[name].asString() == value);
}

// The sequence Set starts with edit, the service accepting the number and the robot storing it.
void CheckWriteSequence(const std::wstring& edit, const std::string& utf8) {
  static const std::string header = RequestHeaderMembers("1.0.0.4", "20240229235959");
  SerialNumberFlow flow;
  const SnActions set = flow.StartWrite(edit);
  const SnAction* verify = Find(set, SnAction::kVerify);
  if (edit.empty()) {
    Check(verify == nullptr && Find(set, SnAction::kMessage) != nullptr);
    return;
  }
  Check(verify != nullptr && verify->serial == edit);
  CheckBody(BuildVerifyBody(header, utf8), {{"equipmentSeq", utf8}});

  const SnActions write = flow.OnVerifyResult(kVerifyAccepted);
  const SnAction* stored = Find(write, SnAction::kWriteSN);
  Check(stored != nullptr && stored->bytes == utf8);
  Check(Find(flow.OnWriteReply(true), SnAction::kReadSN) != nullptr);

  // The robot answers with what it stored; a "#" in the number itself cuts it short there, so
  // such a number is never confirmed.
  const SnActions readBack = flow.OnReadReply(true, stored->bytes + "#" + kMac);
  const SnAction* confirm = Find(readBack, SnAction::kConfirm);
  if (utf8.find('#') != std::string::npos) {
    Check(confirm == nullptr);
    return;
  }
  Check(confirm != nullptr && confirm->serial == edit && confirm->mac == ZAVWidenUtf8(kMac));
  CheckBody(BuildConfirmBody(header, utf8, kMac), {{"equipmentSeq", utf8}, {"macAddress", kMac}});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const std::string symbolData(text, strnlen(text, size));
  const std::wstring scanned = ZAVWidenUtf8(symbolData);
  const std::wstring edit = TrimAfterLastEquals(scanned);

  Check(edit.find(L'=') == std::wstring::npos);
  Check(edit.size() <= scanned.size() &&
        scanned.compare(scanned.size() - edit.size(), edit.size(), edit) == 0);
  // Widening leaves only Unicode scalars, so the text narrows and widens again unchanged.
  const std::string utf8 = ZAVNarrowToUtf8(edit);
  Check(ZAVWidenUtf8(utf8) == edit);
  CheckWriteSequence(edit, utf8);
  return 0;
}
