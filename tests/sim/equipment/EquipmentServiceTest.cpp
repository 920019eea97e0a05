// The simulated equipment service's decisions, in-process: request key and time window,
// malformed requests, the format rule and the register.

#include "sim/equipment/EquipmentService.h"

#include <openssl/evp.h>

#include <gtest/gtest.h>

#include "outside/uibase/TempFolder.h"

namespace {

constexpr std::time_t kNow = 1700000000;

std::string LocalTime(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
  return text;
}

// The key as the client makes it, written here from the definition.
std::string Key(const std::string& time) {
  const std::string input = time + "Qorvex718%4402*9";
  unsigned char digest[16];
  EVP_Digest(input.data(), input.size(), digest, nullptr, EVP_md5(), nullptr);
  std::string key;
  char hex[3];
  for (unsigned char byte : digest) {
    std::snprintf(hex, sizeof hex, "%02X", byte);
    key += hex;
  }
  return key;
}

std::string Body(const std::string& serial, const std::string& time, const std::string& key,
                 const std::string& extra = R"(, "macAddress":"AA:BB:CC:DD:EE:FF")") {
  return R"({"appType":"2","serviceVersion":"1.0.0.4","requestKey":")" + key + R"(","requestTime":")" +
         time + R"(","equipmentSeq":")" + serial + "\"" + extra + R"(, "equipmentType":"2"})";
}

class EquipmentServiceTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(m_serials.Open(m_folder.File("register.sqlite"), &error)) << error;
    ASSERT_TRUE(m_serials.Add("SN-0001", &error)) << error;
  }

  std::string Code(EquipmentService::Request request, const std::string& body) {
    EquipmentService service(EquipmentOptions{}, &m_serials);
    const ServiceAnswer answer = service.Answer(request, body, kNow);
    EXPECT_EQ(answer.status, 200);
    return answer.body.substr(9, 4);  // {"info":"CODE"}
  }

  TempFolder m_folder;
  SerialRegister m_serials;
};

TEST_F(EquipmentServiceTest, RefusesUnkeyedStaleAndMalformedRequests) {
  const std::string now = LocalTime(kNow);
  const std::string early = LocalTime(kNow - 301);
  const std::string late = LocalTime(kNow + 299);
  const struct {
    const char* what;
    std::string body;
    const char* code;
  } cases[] = {
      {"keyed, now", Body("SN-0001", now, Key(now)), kCodeAccepted},
      {"keyed, within the window", Body("SN-0001", late, Key(late)), kCodeAccepted},
      {"outside the window", Body("SN-0001", early, Key(early)), kCodeKeyRefused},
      {"wrong key", Body("SN-0001", now, Key(early)), kCodeKeyRefused},
      {"not a time", Body("SN-0001", "2015120309450x", Key("2015120309450x")), kCodeKeyRefused},
      {"not JSON", "{\"appType\":", kCodeMalformed},
      {"array", "[" + Body("SN-0001", now, Key(now)) + "]", kCodeMalformed},
      {"no serial", R"({"appType":"2","requestKey":"x","requestTime":"y","equipmentType":"2"})", kCodeMalformed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Code(EquipmentService::Request::kVerify, c.body), c.code) << c.what;
  }
  EXPECT_EQ(Code(EquipmentService::Request::kConfirm, Body("SN-0001", now, Key(now), "")), kCodeMalformed)
      << "confirm without a MAC";
}

TEST_F(EquipmentServiceTest, FormatRuleAndRegister) {
  const std::string now = LocalTime(kNow);
  const struct {
    std::string serial;
    const char* code;
  } cases[] = {
      {"ABC", kCodeFormatError}, {"ABCD", kCodeUnknown}, {std::string(20, '7'), kCodeUnknown},
      {std::string(21, '7'), kCodeFormatError}, {"SN_0002", kCodeFormatError},
      {"SN\\u00e90002", kCodeFormatError},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Code(EquipmentService::Request::kVerify, Body(c.serial, now, Key(now))), c.code) << c.serial;
  }
  EXPECT_EQ(Code(EquipmentService::Request::kConfirm, Body("sn-0001", now, Key(now))), kCodeAccepted);
  EXPECT_EQ(Code(EquipmentService::Request::kConfirm, Body("SN-0001", now, Key(now))), kCodeUsed);
  EXPECT_EQ(m_serials.Entries().at(0).mac, "AA:BB:CC:DD:EE:FF");
}

}  // namespace
