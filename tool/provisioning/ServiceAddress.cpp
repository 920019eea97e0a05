#include "provisioning/ServiceAddress.h"

#include <mutex>

#include "ZAVUIBase.h"

namespace {

std::mutex g_addressLock;
std::wstring g_address = kDefaultServiceAddress;

}  // namespace

void LoadServiceAddress() { LoadServiceAddress(ZAVExeFolderFile(L"sys.ini")); }

void LoadServiceAddress(const std::wstring& iniPath) {
  SetServiceAddress(ReadIniString(L"Settings", L"Server", kDefaultServiceAddress, iniPath.c_str()));
}

void SetServiceAddress(const std::wstring& address) {
  const std::lock_guard<std::mutex> hold(g_addressLock);
  g_address = address.substr(0, kMaxServiceAddressLength);
}

std::wstring GetServiceAddress() {
  const std::lock_guard<std::mutex> hold(g_addressLock);
  return g_address;
}
