#pragma once

#include <string>
#include <vector>

#include "ZAVServoSocket.h"
#include "discovery/DiscoveryDatagram.h"

namespace servolink {

// From a robot's answer to the record the program receives.

// The 8-bit text widened as UTF-8; a byte that does not belong to a well-formed sequence becomes
// U+FFFD, so no answer is ever refused for its bytes.
std::wstring WidenDeviceText(const std::string& text);

// The record with its four texts widened.
__DevInfo MakeDevInfo(const DeviceReply& reply);

// The messages for the fields the answer left empty, in the order name, version, IP, MAC.
std::vector<std::string> EmptyFieldMessages(const DeviceReply& reply);

// Handles one received datagram on the calling thread: for each device-info reply in it, in
// order, shows the modal message of each empty field (waiting for each answer) and then hands
// sink its own copy of the record. With a null sink the messages are still shown.
void DeliverDiscoveryDatagram(const char* data, std::size_t size, IZAVBroadcastEvent* sink);

}  // namespace servolink
