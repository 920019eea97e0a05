// The equipment service client against a raw socket peer: the request's bytes, the meaning of
// the answers, and the diagnostic of every step that fails.

#include "provisioning/CHttpOper.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include <gtest/gtest.h>

#include "ZAVUIBase.h"
#include "outside/uibase/TempFolder.h"
#include "provisioning/ServiceAddress.h"
#include "tool/provisioning/ProxyFree.h"
#include "tool/provisioning/RawHttpPeer.h"

namespace {

using namespace std::chrono_literals;

std::string Header(const std::string& request) { return request.substr(0, request.find("\r\n\r\n") + 4); }
std::string Body(const std::string& request) { return request.substr(request.find("\r\n\r\n") + 4); }

TEST(RequestKeyTest, IsTheUpperCaseMd5OfTimeAndKey) {
  EXPECT_EQ(MakeRequestKey("20151203094507"), "06F02CFC79154680EC4003E56049646D");
}

// The header block byte for byte, and the body with its inserted values; the key and the
// requestTime member come from one time text.
TEST(CHttpOperTest, SendsTheRequestByteForByte) {
  struct Case {
    const char* what;
    const char* addressSuffix;  // after the peer's address
    bool confirm;
    std::wstring serial;
    const char* requestLine;
    std::string bodyTail;  // the body after the header members
  };
  const Case cases[] = {
      {"verify", "", false, L"SN0001", "POST /zav/equipment/verify HTTP/1.1",
       R"(,"equipmentSeq":"SN0001", "equipmentType":"2"})"},
      {"confirm; a trailing slash gives a double slash", "/", true, L"SN0001",
       "POST //zav/equipment/confirm HTTP/1.1",
       R"(,"equipmentSeq":"SN0001", "macAddress":"AA:BB:CC:DD:EE:FF", "equipmentType":"2"})"},
      {"a quote and a backslash are escaped", "", true, L"SN\"1\\", "POST /zav/equipment/confirm HTTP/1.1",
       R"(,"equipmentSeq":"SN\"1\\", "macAddress":"AA:BB:CC:DD:EE:FF", "equipmentType":"2"})"},
      {"other characters stay as they are", "", false, L"序列/1é", "POST /zav/equipment/verify HTTP/1.1",
       ",\"equipmentSeq\":\"" + ZAVNarrowToUtf8(L"序列/1é") + "\", \"equipmentType\":\"2\"}"},
  };
  const std::string lead = R"({"appType":"2","serviceVersion":"1.0.0.4","requestKey":")";
  const std::string middle = R"(","requestTime":")";
  for (const Case& c : cases) {
    RawHttpPeer peer(HttpResponse(200, R"({"info":"0000"})"));
    SetServiceAddress(ZAVWidenUtf8(peer.Url(c.addressSuffix)));
    CHttpOper oper;
    if (c.confirm) {
      EXPECT_TRUE(oper.ConfirmEquipment(c.serial, L"AA:BB:CC:DD:EE:FF")) << c.what;
    } else {
      EXPECT_EQ(oper.VerifyEquipment(c.serial), kVerifyAccepted) << c.what;
    }
    ASSERT_EQ(peer.Requests().size(), 1u) << c.what;
    const std::string request = peer.Requests()[0];
    const std::string body = Body(request);
    EXPECT_EQ(Header(request),
              std::string(c.requestLine) + "\r\nHost: 127.0.0.1:" + std::to_string(peer.Port()) +
                  "\r\nAccept:*/*\r\nUser-Agent:Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1;SV1)"
                  "\r\nContent-Type:application/json;charset=UTF-8\r\nConnection:Keep-Alive"
                  "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n")
        << c.what;
    ASSERT_EQ(body.compare(0, lead.size(), lead), 0) << c.what << ": " << body;
    const std::string key = body.substr(lead.size(), 32);
    ASSERT_EQ(body.compare(lead.size() + 32, middle.size(), middle), 0) << c.what << ": " << body;
    const std::string time = body.substr(lead.size() + 32 + middle.size(), 14);
    EXPECT_TRUE(std::all_of(time.begin(), time.end(), ::isdigit)) << time;
    EXPECT_EQ(key, MakeRequestKey(time)) << c.what;
    EXPECT_EQ(body.substr(lead.size() + 32 + middle.size() + 14), "\"" + c.bodyTail) << c.what;
  }
}

TEST(CHttpOperTest, MapsTheAnswerToAResult) {
  struct Case { std::string response; int verify; bool confirm; };
  const Case cases[] = {
      {HttpResponse(200, R"({"info":"0000","message":"ok"})"), kVerifyAccepted, true},
      {HttpResponse(200, R"({"info":"2003"})"), kVerifyFormatError, false},
      {HttpResponse(200, R"({"info":"2004"})"), kVerifyOccupied, false},
      {HttpResponse(200, R"({"info":"2005"})"), kVerifyNonExistent, false},
      {HttpResponse(200, R"({"info":"2001"})"), kVerifyFailed, false},
      {HttpResponse(200, R"([{"info":"0000"}])"), kVerifyFailed, false},
      {HttpResponse(200, R"({"info":0})"), kVerifyFailed, false},
      {HttpResponse(200, R"({"code":1})"), kVerifyFailed, false},
      {HttpResponse(200, R"({"info":"0000)"), kVerifyFailed, false},
      {HttpResponse(201, R"({"info":"0000"})"), kVerifyFailed, false},
  };
  for (const Case& c : cases) {
    RawHttpPeer peer(c.response);
    SetServiceAddress(ZAVWidenUtf8(peer.Url()));
    CHttpOper oper;
    EXPECT_EQ(oper.VerifyEquipment(L"SN0001"), c.verify) << c.response;
    EXPECT_EQ(oper.ConfirmEquipment(L"SN0001", L"AA:BB"), c.confirm) << c.response;
  }
}

TEST(CHttpOperTest, PostNamesTheStepThatFailed) {
  const std::string oneMiB(kMaxResponseBytes, 'x');
  struct Case {
    const char* what;
    std::string url;  // "" for the peer's
    std::string response;
    bool hold;
    bool ok;
    std::wstring diagnostic;
  };
  const Case cases[] = {
      {"answered", "", HttpResponse(200, R"({"info":"0000"})"), false, true, L""},
      {"a body of exactly the cap", "", HttpResponse(200, oneMiB), false, true, L""},
      {"a body over the cap", "", HttpResponse(200, oneMiB + "x"), false, false, L"内存分配失败"},
      {"refused port (nothing listens on port 1)", "http://127.0.0.1:1/", "", false, false,
       L"GetHttpConnection出错"},
      {"https", "https://127.0.0.1:1/", "", false, false, L"URL出错"},
      {"no scheme", "127.0.0.1:1/zav", "", false, false, L"URL出错"},
      {"status 500", "", HttpResponse(500, R"({"info":"0000"})"), false, false, L"访问出错"},
      {"200 without a body", "", HttpResponse(200, ""), false, false, L""},
      {"no answer within the receive time-out", "", "", true, false, L"SendRequest出错"},
      {"the body stops part-way", "", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", true, false, L""},
      {"not HTTP", "", "hello\r\n\r\n", false, false, L"SendRequest出错"},
  };
  for (const Case& c : cases) {
    RawHttpPeer peer(c.response, c.hold);
    CHttpOper oper(HttpTimeouts{1000ms, 300ms, 300ms});
    char sentinel = 0;
    char* data = &sentinel;
    std::size_t size = 1;
    wchar_t errorText[CHttpOper::kErrorTextSize] = L"untouched";
    const auto start = std::chrono::steady_clock::now();
    const bool ok = oper.Post(ZAVWidenUtf8(c.url.empty() ? peer.Url("/zav") : c.url), "{}", &data,
                              &size, errorText);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << c.what;
    EXPECT_EQ(ok, c.ok) << c.what;
    EXPECT_EQ(std::wstring(errorText), c.diagnostic) << c.what;
    if (ok) {
      const std::string expected = Body(c.response);
      EXPECT_EQ(std::string(data, size), expected) << c.what;
      std::free(data);
    } else {
      EXPECT_EQ(data, nullptr) << c.what;
      EXPECT_EQ(size, 0u) << c.what;
    }
  }
}

// A service that sends a byte now and then, each within the receive time-out, is cut off once
// the three time-outs together have passed, with the receive time-out's diagnostic: the one for
// an answer whose headers are not in yet, or none once they are.
TEST(CHttpOperTest, AnAnswerThatTricklesEndsAtTheSumOfTheTimeOuts) {
  std::string manyHeaders;
  for (int i = 0; i < 100; ++i) manyHeaders += "X:y\r\n";  // each line whole within 200 ms
  const std::string statusLine = "HTTP/1.1 200 OK\r\n";
  const std::string slowBody = HttpResponse(200, std::string(100, 'x'));
  const struct {
    const char* what;
    std::string response;
    Trickle trickle;
    std::wstring diagnostic;
  } cases[] = {
      {"the headers trickle", statusLine + manyHeaders + "Content-Length: 2\r\n\r\n{}",
       Trickle{statusLine.size(), 40ms}, L"SendRequest出错"},
      {"the body trickles", slowBody, Trickle{slowBody.find("\r\n\r\n") + 4, 100ms}, L""},
  };
  for (const auto& c : cases) {
    RawHttpPeer peer(c.response, false, c.trickle);
    CHttpOper oper(HttpTimeouts{400ms, 300ms, 400ms});
    char* data = nullptr;
    std::size_t size = 0;
    wchar_t errorText[CHttpOper::kErrorTextSize] = L"untouched";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(oper.Post(ZAVWidenUtf8(peer.Url("/zav")), "{}", &data, &size, errorText)) << c.what;
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 1100ms) << c.what;
    EXPECT_LT(took, 3s) << c.what << ": the clock is looked at at least once a second";
    EXPECT_EQ(std::wstring(errorText), c.diagnostic) << c.what;
  }
}

TEST(ServiceAddressTest, ComesFromSysIniOrTheDefault) {
  TempFolder folder;
  const std::string longAddress = "http://127.0.0.9:8081/" + std::string(300, 'a');
  const struct {
    const char* what;
    std::string contents;  // "" for no file
    std::wstring address;
  } cases[] = {
      {"no file", "", L"http://127.0.0.1:8081"},
      {"set", "[settings]\nserver=http://127.0.0.9:9000\n", L"http://127.0.0.9:9000"},
      {"too long", "[Settings]\nServer=" + longAddress + "\n", ZAVWidenUtf8(longAddress.substr(0, 259))},
  };
  for (const auto& c : cases) {
    const std::string path = folder.File("sys.ini");
    std::filesystem::remove(path);
    if (!c.contents.empty()) folder.Write("sys.ini", c.contents);
    LoadServiceAddress(ZAVWidenUtf8(path));
    EXPECT_EQ(GetServiceAddress(), c.address) << c.what;
    if (!c.contents.empty()) {
      EXPECT_EQ(TempFolder::Read(path), c.contents) << "never written";
    }
  }
}

}  // namespace
