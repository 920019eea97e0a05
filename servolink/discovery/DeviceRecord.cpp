#include "discovery/DeviceRecord.h"

#include "ZAVUIBase.h"
#include "platform/SeamCalls.h"

namespace servolink {

std::wstring WidenDeviceText(const std::string& text) { return ZAVWidenUtf8(text); }

__DevInfo MakeDevInfo(const DeviceReply& reply) {
  return __DevInfo{WidenDeviceText(reply.name), WidenDeviceText(reply.version),
                   WidenDeviceText(reply.ip), WidenDeviceText(reply.mac)};
}

std::vector<std::string> EmptyFieldMessages(const DeviceReply& reply) {
  std::vector<std::string> messages;
  if (reply.name.empty()) messages.emplace_back("设备名为空！");
  if (reply.version.empty()) messages.emplace_back("版本号为空！");
  if (reply.ip.empty()) messages.emplace_back("地址为空！");
  if (reply.mac.empty()) messages.emplace_back("MAC地址为空！");
  return messages;
}

void DeliverDiscoveryDatagram(const char* data, std::size_t size, IZAVBroadcastEvent* sink) {
  for (const DeviceReply& reply : ParseDiscoveryDatagram(data, size)) {
    for (const std::string& message : EmptyFieldMessages(reply)) ZAVMessageBox(message, "", MB_OK);
    if (sink != nullptr) sink->OnFoundDevice(MakeDevInfo(reply));
  }
}

}  // namespace servolink
