#include "provisioning/CHttpOper.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "ZAVUIBase.h"
#include "app/FileVersion.h"
#include "provisioning/ServiceAddress.h"

namespace {

// The program's file version cannot change while it runs, so it is read from the file once.
const std::string& ServiceVersion() {
  static const std::string version = ZAVNarrowToUtf8(GetFileVersionText(RunningExecutablePath()));
  return version;
}

void CopyErrorText(const std::wstring& text, wchar_t* errorText) {
  if (errorText == nullptr) return;
  const std::size_t length = std::min(text.size(), CHttpOper::kErrorTextSize - 1);
  std::wmemcpy(errorText, text.data(), length);
  errorText[length] = L'\0';
}

}  // namespace

std::string CHttpOper::BuildRequestHeader() {
  return RequestHeaderMembers(ServiceVersion(), FormatRequestTime(std::time(nullptr)));
}

int CHttpOper::VerifyEquipment(const std::wstring& serial) { return VerifyEquipment(serial, nullptr); }

bool CHttpOper::ConfirmEquipment(const std::wstring& serial, const std::wstring& macAddress) {
  return ConfirmEquipment(serial, macAddress, nullptr);
}

int CHttpOper::VerifyEquipment(const std::wstring& serial, TransferFailure* failure) {
  const std::string body = BuildVerifyBody(BuildRequestHeader(), ZAVNarrowToUtf8(serial));
  return VerifyResultFromCode(Request(kVerifyPath, body, failure));
}

bool CHttpOper::ConfirmEquipment(const std::wstring& serial, const std::wstring& macAddress,
                                 TransferFailure* failure) {
  const std::string body = BuildConfirmBody(BuildRequestHeader(), ZAVNarrowToUtf8(serial),
                                            ZAVNarrowToUtf8(macAddress));
  return ConfirmResultFromCode(Request(kConfirmPath, body, failure));
}

std::optional<std::string> CHttpOper::Request(const wchar_t* path, const std::string& body,
                                              TransferFailure* failure) {
  char* data = nullptr;
  std::size_t size = 0;
  wchar_t errorText[kErrorTextSize] = {};
  const bool answered = Post(GetServiceAddress() + path, body.c_str(), &data, &size, errorText);
  if (failure != nullptr) *failure = answered ? TransferFailure() : TransferFailure(errorText);
  if (!answered) return std::nullopt;
  std::optional<std::string> code = ResponseInfoCode(data, size);
  std::free(data);
  return code;
}

bool CHttpOper::Post(const std::wstring& url, const char* body, char** data, std::size_t* size,
                     wchar_t* errorText) {
  *data = nullptr;
  *size = 0;
  HttpPostResult result = HttpPost(ZAVNarrowToUtf8(url), body, m_timeouts);
  if (result.ok) {
    *data = static_cast<char*>(std::malloc(result.body.size()));
    if (*data == nullptr) result = HttpPostResult{false, {}, L"内存分配失败"};
  }
  if (!result.ok) {
    CopyErrorText(result.diagnostic, errorText);
    return false;
  }
  std::memcpy(*data, result.body.data(), result.body.size());
  *size = result.body.size();
  CopyErrorText(L"", errorText);
  return true;
}
