#pragma once

#include <cstddef>
#include <string>

#include <msgpack.hpp>

namespace servolink {

// The MessagePack layer of a payload: the envelope [cmd, body], where body is itself the
// MessagePack encoding of the command's body, carried as a byte string.

// Writes bytes with the old raw headers only (A0+n, DA, DB), as every peer of this link reads.
void PackRaw(msgpack::packer<msgpack::sbuffer>& packer, const std::string& bytes);

// The payload [cmd, body].
std::string PackEnvelope(int cmd, const std::string& body);

// The body [text] of the serial-number commands and of the discovery search request.
std::string PackTextBody(const std::string& text);

// Decodes one MessagePack value from data. Arrays, maps and strings are bounded by what a payload
// of this link can hold, so a hostile length claim fails instead of allocating. False on
// malformed or cut-short input.
bool UnpackPayload(const char* data, std::size_t size, msgpack::object_handle* out);

// The bytes of a byte-string value: every raw, str and bin header is accepted.
bool ObjectBytes(const msgpack::object& object, std::string* bytes);

// The value of an integer object that fits an int.
bool ObjectInt(const msgpack::object& object, int* value);

struct Envelope {
  static constexpr int kNoCommand = 0;  // an empty array: no command, ignored by every reader
  int cmd = kNoCommand;
  bool hasBody = false;
  std::string body;
};

// Decodes the envelope of a payload. False when the payload is not MessagePack, not an array, or
// its cmd is not an int; a body that is not a byte string is treated as absent.
bool DecodeEnvelope(const char* data, std::size_t size, Envelope* envelope);

// Decodes a body of the form [text, ...] (first element a byte string).
bool DecodeTextBody(const std::string& body, std::string* text);

}  // namespace servolink
