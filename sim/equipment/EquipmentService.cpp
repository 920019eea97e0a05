#include "sim/equipment/EquipmentService.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <json/json.h>

namespace {

// The secret the service shares with its clients.
constexpr char kKeyText[] = "Qorvex718%4402*9";

std::string ExpectedKey(const std::string& requestTime) {
  const std::string input = requestTime + kKeyText;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(input.data(), input.size(), digest, &size, EVP_md5(), nullptr);
  std::string key;
  char hex[3];
  for (unsigned int i = 0; i < size; ++i) {
    std::snprintf(hex, sizeof hex, "%02X", digest[i]);
    key += hex;
  }
  return key;
}

// requestTime ("%Y%m%d%H%M%S", local time) within windowSeconds of now.
bool IsTimely(const std::string& requestTime, std::time_t now, int windowSeconds) {
  if (requestTime.size() != 14 ||
      !std::all_of(requestTime.begin(), requestTime.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  std::tm local{};
  if (strptime(requestTime.c_str(), "%Y%m%d%H%M%S", &local) == nullptr) return false;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  return when != -1 && std::llabs(static_cast<long long>(now - when)) <= windowSeconds;
}

std::string Reply(const std::string& code) { return "{\"info\":\"" + code + "\"}"; }

// The string member name of root, or false when it is missing or not a string.
bool Member(const Json::Value& root, const char* name, std::string* value) {
  if (!root.isMember(name) || !root[name].isString()) return false;
  *value = root[name].asString();
  return true;
}

}  // namespace

bool IsWellFormedSerial(const std::string& serial) {
  return serial.size() >= 4 && serial.size() <= 20 &&
         std::all_of(serial.begin(), serial.end(), [](char c) {
           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
         });
}

ServiceAnswer EquipmentService::Answer(Request request, const std::string& body, std::time_t now) {
  ServiceAnswer answer;
  if (m_options.emptyBody) {
    answer.note = "empty body (switch)";
    return answer;
  }
  if (m_options.status != 200) {
    // The body still reads as success: a client must go by the status.
    answer.status = m_options.status;
    answer.body = Reply(kCodeAccepted);
    answer.note = "status " + std::to_string(m_options.status) + " (switch)";
    return answer;
  }

  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string appType, version, key, time, serial, type, mac;
  const bool confirm = request == Request::kConfirm;
  if (!reader->parse(body.data(), body.data() + body.size(), &root, nullptr) || !root.isObject() ||
      !Member(root, "appType", &appType) || !Member(root, "serviceVersion", &version) ||
      !Member(root, "requestKey", &key) || !Member(root, "requestTime", &time) ||
      !Member(root, "equipmentSeq", &serial) || !Member(root, "equipmentType", &type) ||
      appType != "2" || type != "2" || (confirm && (!Member(root, "macAddress", &mac) || mac.empty()))) {
    answer.body = Reply(kCodeMalformed);
    answer.note = "malformed request";
    return answer;
  }
  std::string code;
  if (key != ExpectedKey(time)) {
    code = kCodeKeyRefused;
    answer.note = serial + ": wrong requestKey";
  } else if (!IsTimely(time, now, m_options.timeWindowSeconds)) {
    code = kCodeKeyRefused;
    answer.note = serial + ": requestTime " + time + " outside the time window";
  } else if (const std::string& forced = confirm ? m_options.forceConfirm : m_options.forceVerify;
             !forced.empty()) {
    code = forced;
    answer.note = serial + ": forced (switch)";
  } else {
    code = Decide(request, serial, mac, &answer.note);
  }
  answer.body = Reply(code);
  return answer;
}

std::string EquipmentService::Decide(Request request, const std::string& serial,
                                     const std::string& mac, std::string* note) {
  *note = serial;
  if (!IsWellFormedSerial(serial)) return kCodeFormatError;
  switch (m_serials->Lookup(serial)) {
    case SerialRegister::State::kUnknown: return kCodeUnknown;
    case SerialRegister::State::kUsed: return kCodeUsed;
    case SerialRegister::State::kFree: break;
  }
  if (request == Request::kVerify) return kCodeAccepted;
  // A confirm of the same number at the same moment may have taken it first.
  if (!m_serials->Confirm(serial, mac)) return kCodeUsed;
  *note += " confirmed with MAC " + mac;
  return kCodeAccepted;
}
