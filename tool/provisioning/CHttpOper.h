#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "provisioning/EquipmentProtocol.h"
#include "provisioning/HttpPost.h"

// The client of the maker's equipment service: the verify request before a serial number is
// written into a robot and the confirm request after the robot has stored it. It keeps no state
// between requests (each opens its own connection), so one object may serve two threads at
// once. Requests go to GetServiceAddress() (provisioning/ServiceAddress.h) and block until the
// exchange is over, bounded by the time-outs.
class CHttpOper {
 public:
  // Size, terminator included, of the caller's buffer for Post's diagnostic.
  static constexpr std::size_t kErrorTextSize = 256;

  CHttpOper() = default;
  // Other time-outs than the service's usual ones (tests shorten them).
  explicit CHttpOper(const HttpTimeouts& timeouts) : m_timeouts(timeouts) {}
  virtual ~CHttpOper() = default;

  // Asks the service whether serial may be written into a robot: a VerifyResult
  // (kVerifyAccepted for "0000"), kVerifyFailed when the request fails or the answer is unusable.
  virtual int VerifyEquipment(const std::wstring& serial);

  // Registers serial as stored in the robot whose Bluetooth MAC is macAddress: true only when the
  // service answers "0000".
  virtual bool ConfirmEquipment(const std::wstring& serial, const std::wstring& macAddress);

  // Why a request got no answer from the service: the transfer's own diagnostic (Post's
  // errorText, empty for a failure without one); none when the service answered.
  using TransferFailure = std::optional<std::wstring>;

  // The two requests above for a caller that reports why one failed (a command-line program):
  // the same results, and *failure as TransferFailure says.
  int VerifyEquipment(const std::wstring& serial, TransferFailure* failure);
  bool ConfirmEquipment(const std::wstring& serial, const std::wstring& macAddress,
                        TransferFailure* failure);

  // The four header members every request starts with, without braces: appType, the running
  // program's file version, the request key and the request time (now, local time). The time
  // text is taken once, so the key and the requestTime member always agree.
  std::string BuildRequestHeader();

  // POSTs body (zero-terminated UTF-8, or null for an empty body) to url. On success *data is a
  // new buffer with the response body (not terminated; free it with std::free) and *size its
  // length. On failure *data is null, *size 0, and errorText, when given, receives the
  // diagnostic (see HttpPost), cut to kErrorTextSize - 1 characters; it is empty for a failure
  // without one.
  bool Post(const std::wstring& url, const char* body, char** data, std::size_t* size,
            wchar_t* errorText);

 private:
  // The code of the service's answer to body at path, or none when the request failed (then
  // *failure, when given, holds the diagnostic).
  std::optional<std::string> Request(const wchar_t* path, const std::string& body,
                                     TransferFailure* failure);

  HttpTimeouts m_timeouts;
};
