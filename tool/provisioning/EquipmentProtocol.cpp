#include "provisioning/EquipmentProtocol.h"

#include <openssl/evp.h>
#include <strings.h>

#include <cstring>
#include <memory>

#include <json/json.h>

std::string FormatRequestTime(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
  return std::string(text, length);
}

std::string MakeRequestKey(const std::string& requestTime) {
  const std::string input = requestTime + kRequestKeyText;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestSize = 0;
  if (EVP_Digest(input.data(), input.size(), digest, &digestSize, EVP_md5(), nullptr) != 1) {
    return std::string();
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string key;
  for (unsigned int i = 0; i < digestSize; ++i) {
    key += kHex[digest[i] >> 4];
    key += kHex[digest[i] & 0x0F];
  }
  return key;
}

std::string JsonQuote(const std::string& value) {
  Json::StreamWriterBuilder builder;
  builder["emitUTF8"] = true;
  builder["indentation"] = "";
  return Json::writeString(builder, Json::Value(value));
}

std::string RequestHeaderMembers(const std::string& serviceVersion, const std::string& requestTime) {
  return "\"appType\":\"2\",\"serviceVersion\":" + JsonQuote(serviceVersion) +
         ",\"requestKey\":" + JsonQuote(MakeRequestKey(requestTime)) +
         ",\"requestTime\":" + JsonQuote(requestTime);
}

std::string BuildVerifyBody(const std::string& header, const std::string& serial) {
  return "{" + header + ",\"equipmentSeq\":" + JsonQuote(serial) + ", \"equipmentType\":\"2\"}";
}

std::string BuildConfirmBody(const std::string& header, const std::string& serial,
                             const std::string& macAddress) {
  return "{" + header + ",\"equipmentSeq\":" + JsonQuote(serial) +
         ", \"macAddress\":" + JsonQuote(macAddress) + ", \"equipmentType\":\"2\"}";
}

std::optional<std::string> ResponseInfoCode(const char* data, std::size_t size) {
  if (data == nullptr) return std::nullopt;
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  if (!reader->parse(data, data + size, &root, nullptr)) return std::nullopt;
  if (!root.isObject() || root.empty() || !root.isMember("info") || !root["info"].isString()) {
    return std::nullopt;
  }
  return root["info"].asString();
}

namespace {

bool IsCode(const std::optional<std::string>& code, const char* expected) {
  return code && code->size() == std::strlen(expected) &&
         strncasecmp(code->data(), expected, code->size()) == 0;
}

}  // namespace

int VerifyResultFromCode(const std::optional<std::string>& code) {
  if (IsCode(code, "0000")) return kVerifyAccepted;
  if (IsCode(code, "2003")) return kVerifyFormatError;
  if (IsCode(code, "2004")) return kVerifyOccupied;
  if (IsCode(code, "2005")) return kVerifyNonExistent;
  return kVerifyFailed;
}

bool ConfirmResultFromCode(const std::optional<std::string>& code) { return IsCode(code, "0000"); }
