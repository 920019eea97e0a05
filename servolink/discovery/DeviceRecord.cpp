#include "discovery/DeviceRecord.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes the sequence at text[*pos] and moves *pos past it; a malformed sequence takes one byte.
char32_t DecodeUtf8(const std::string& text, std::size_t* pos) {
  const auto lead = static_cast<unsigned char>(text[(*pos)++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t c = 0;
  char32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, c = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, c = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, c = lead & 0x07, least = 0x10000;
  } else {
    return kReplacement;
  }
  std::size_t p = *pos;
  for (int i = 0; i < extra; ++i, ++p) {
    if (p >= text.size() || (static_cast<unsigned char>(text[p]) & 0xC0) != 0x80) return kReplacement;
    c = (c << 6) | (static_cast<unsigned char>(text[p]) & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  *pos = p;
  return c;
}

}  // namespace

std::wstring WidenDeviceText(const std::string& text) {
  std::wstring wide;
  wide.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) wide.push_back(static_cast<wchar_t>(DecodeUtf8(text, &pos)));
  return wide;
}

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
