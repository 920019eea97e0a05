#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace servolink {

// The datagrams of robot discovery on UDP port 6000: frames of the robot link carried back to back
// in one datagram, each holding the envelope [cmd, body]. Only the reading and writing of the
// bytes lives here; the sockets belong to the discovery object and to the robot simulator.

// The discovery channel's own command codes.
enum DiscoveryCommand : int {
  CMD_SEARCH_DEVICE = 1,  // station to 255.255.255.255: body [text], the text "1"
  CMD_DEVICE_INFO = 2,    // robot to station: body [name, version, IP, MAC]
};

// A datagram is read into a buffer of this size; a longer one is discarded whole.
constexpr std::size_t kDiscoveryBufferSize = 1000;

// One robot's answer, its texts as the 8-bit bytes that came over the wire. A field the body
// does not carry is empty.
struct DeviceReply {
  std::string name;
  std::string version;
  std::string ip;
  std::string mac;
};

// The frame of a search request carrying text; with "1" it is the 16-byte request every robot
// answers.
std::string BuildSearchRequest(const std::string& text);

// The frame of a device-info reply whose body holds the given texts in order (normally the four
// of a DeviceReply; any count, so that peers can send short or long bodies).
std::string BuildDeviceInfoFrameWithFields(const std::vector<std::string>& fields);
std::string BuildDeviceInfoFrame(const DeviceReply& reply);

// The payloads of the frames in one received datagram, in order. A datagram of 10 bytes or less
// holds nothing. Reading stops at the first header whose magic is wrong, whose length is below 4,
// or whose length reaches past the received bytes; the version is not checked. Frames without a
// payload are passed over. Nothing outside [data, data + size) is ever read.
std::vector<std::string> SplitDiscoveryDatagram(const char* data, std::size_t size);

// Decodes one payload as a device-info reply. False, with *reply untouched, for any other command
// and for every payload of the wrong shape: not MessagePack, an envelope without an integer cmd
// or a byte-string body, a body that is not an array, or a body element that is not a byte
// string. Elements after the fourth are ignored.
bool DecodeDeviceInfo(const std::string& payload, DeviceReply* reply);

// True when the payload is a search request (cmd 1, whatever its body).
bool IsSearchRequest(const std::string& payload);

// Every device-info reply carried by one datagram, in order; what is not one is dropped.
std::vector<DeviceReply> ParseDiscoveryDatagram(const char* data, std::size_t size);

}  // namespace servolink
