#include "provisioning/SerialNumberFlow.h"

#include <algorithm>
#include <cwctype>
#include <utility>

#include "ZAVUIBase.h"
#include "provisioning/EquipmentProtocol.h"

namespace {

SnAction Simple(SnAction::Kind kind) { return SnAction{kind, {}, {}, {}, {}, false}; }

SnAction Message(std::vector<SnMessagePart> parts, bool information = false) {
  SnAction action = Simple(SnAction::kMessage);
  action.message = SnMessage{std::move(parts), information};
  return action;
}

SnAction KeyMessage(const char* key) { return Message({{key, {}}}); }

SnAction Done(bool ok) {
  SnAction action = Simple(SnAction::kDone);
  action.ok = ok;
  return action;
}

}  // namespace

std::wstring TrimAfterLastEquals(const std::wstring& text) {
  const std::size_t equals = text.rfind(L'=');
  return equals == std::wstring::npos ? text : text.substr(equals + 1);
}

ReadReply SplitReadReply(const std::string& bytes) {
  // The reply is taken as a zero-terminated text.
  const std::wstring text = ZAVWidenUtf8(bytes.substr(0, bytes.find('\0')));
  const std::size_t hash = text.find(L'#');
  if (hash == std::wstring::npos) return ReadReply{text, {}, false};
  return ReadReply{text.substr(0, hash), text.substr(hash + 1), true};
}

bool SameSerial(const std::wstring& a, const std::wstring& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
    return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
  });
}

const char* VerifyRefusalTipKey(int verifyResult) {
  switch (verifyResult) {
    case kVerifyFormatError:
      return "IDS_FORMAT_ERROR_TIPS";
    case kVerifyOccupied:
      return "IDS_BE_OCCUPIED_TIPS";
    case kVerifyNonExistent:
      return "IDS_NON_EXISTENT_TIPS";
    default:
      return "IDS_AUTHENTICATION_FAILED_TIPS";
  }
}

void SerialNumberFlow::BeginWait(SnActions* out) {
  out->push_back(Simple(SnAction::kLock));
  m_bSNBusy = true;
  m_nSNElapsedMs = 0;
  out->push_back(Simple(SnAction::kStartTimer));
}

void SerialNumberFlow::EndWait(SnActions* out) {
  out->push_back(Simple(SnAction::kUnlock));
  out->push_back(Simple(SnAction::kStopTimer));
  m_bSNBusy = false;
  m_nSNElapsedMs = 0;
}

SnActions SerialNumberFlow::StartRead() {
  SnActions out;
  BeginWait(&out);
  out.push_back(Simple(SnAction::kReadSN));
  return out;
}

SnActions SerialNumberFlow::StartWrite(const std::wstring& text) {
  if (text.empty()) return {Message({{nullptr, kEmptySerialText}}), Done(false)};
  SnActions out;
  m_strSetSerial = text;
  BeginWait(&out);
  m_bVerifying = true;
  SnAction verify = Simple(SnAction::kVerify);
  verify.serial = text;
  out.push_back(std::move(verify));
  return out;
}

SnActions SerialNumberFlow::OnVerifyResult(int verifyResult) {
  m_bVerifying = false;
  SnActions out;
  if (verifyResult != kVerifyAccepted) {
    EndWait(&out);
    out.push_back(Message({{"IDS_SERIAL_NUMBER", {}},
                           {nullptr, m_strSetSerial},
                           {VerifyRefusalTipKey(verifyResult), {}}}));
    out.push_back(Done(false));
    return out;
  }
  // The wait is begun anew: the verify request held the clock, and a late reply of an earlier
  // read that arrived meanwhile may have ended the wait begun by Set.
  BeginWait(&out);
  SnAction write = Simple(SnAction::kWriteSN);
  write.bytes = ZAVNarrowToUtf8(m_strSetSerial);
  out.push_back(std::move(write));
  return out;
}

SnActions SerialNumberFlow::OnWriteReply(bool ok) {
  SnActions out;
  EndWait(&out);
  if (!ok) {
    out.push_back(KeyMessage("IDS_FAILED_SET_SERIAL_TIPS"));
    out.push_back(Done(false));
    return out;
  }
  m_bSetPending = true;
  SnActions read = StartRead();
  out.insert(out.end(), read.begin(), read.end());
  return out;
}

SnActions SerialNumberFlow::OnReadReply(bool ok, const std::string& bytes) {
  SnActions out;
  EndWait(&out);
  if (!ok) {
    out.push_back(KeyMessage("IDS_FAILED_GET_SERIAL_TIPS"));
    out.push_back(Done(false));
    return out;
  }
  const ReadReply reply = SplitReadReply(bytes);
  if (reply.hasMac) {
    m_strMacAddress = reply.mac;
  } else {
    out.push_back(KeyMessage("IDS_FAILED_GET_BLUETOOTH_MAC_TIPS"));
  }
  if (!m_bSetPending) {
    SnAction show = Simple(SnAction::kShowSerial);
    show.serial = reply.serial;
    out.push_back(std::move(show));
    out.push_back(Done(true));
    return out;
  }
  if (!SameSerial(reply.serial, m_strSetSerial)) {
    out.push_back(KeyMessage("IDS_UPDATE_SERIAL_ERROR_TIPS"));
    m_bSetPending = false;
    out.push_back(Done(false));
    return out;
  }
  if (reply.mac.empty()) {
    // A MAC kept from an earlier read may be another robot's: the service would bind the number
    // to it. The robot keeps the number; only the register is not told.
    m_bSetPending = false;
    out.push_back(KeyMessage("IDS_SERIAL_NOT_CONFIRMED_NO_MAC_TIPS"));
    out.push_back(Done(false));
    return out;
  }
  m_strReadBack = reply.serial;
  SnAction confirm = Simple(SnAction::kConfirm);
  confirm.serial = m_strSetSerial;
  confirm.mac = reply.mac;
  out.push_back(std::move(confirm));
  return out;
}

SnActions SerialNumberFlow::OnConfirmResult(bool ok) {
  m_bSetPending = false;
  if (!ok) return {KeyMessage("IDS_FAILED_UPDATE_SERIAL_TIPS"), Done(false)};
  return {Message({{"IDS_UPDATE_SERIAL_SUCCESS_TIPS", {}}}, true),
          Message({{"IDS_WRITED_SERIAL_TIPS", {}}, {nullptr, m_strReadBack}}), Done(true)};
}

SnActions SerialNumberFlow::Tick() {
  if (m_bVerifying) return {};
  if (m_nSNElapsedMs < kTimeoutMs) {
    m_nSNElapsedMs += kTickMs;
    return {};
  }
  // The busy flag and a pending write stay as they are: a late reply still ends the wait, and
  // the next read reply is still taken as the read-back.
  SnActions out{Simple(SnAction::kStopTimer)};
  m_nSNElapsedMs = 0;
  if (m_bSNBusy) {
    out.push_back(Simple(SnAction::kUnlock));
    out.push_back(KeyMessage("IDS_OPERATION_TIMEOUT_TIPS"));
    out.push_back(Done(false));
  }
  return out;
}
