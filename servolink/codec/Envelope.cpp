#include "codec/Envelope.h"

#include <limits>

namespace servolink {

namespace {

// No payload of this link holds more than a handful of elements or more than a frame's bytes.
constexpr std::size_t kMaxElements = 64;
constexpr std::size_t kMaxBytes = 65536;
constexpr std::size_t kMaxDepth = 8;

}  // namespace

void PackRaw(msgpack::packer<msgpack::sbuffer>& packer, const std::string& bytes) {
  const auto size = static_cast<std::uint32_t>(bytes.size());
  packer.pack_v4raw(size);
  packer.pack_v4raw_body(bytes.data(), size);
}

std::string PackEnvelope(int cmd, const std::string& body) {
  msgpack::sbuffer buffer;
  msgpack::packer<msgpack::sbuffer> packer(buffer);
  packer.pack_array(2);
  packer.pack(cmd);
  PackRaw(packer, body);
  return std::string(buffer.data(), buffer.size());
}

std::string PackTextBody(const std::string& text) {
  msgpack::sbuffer buffer;
  msgpack::packer<msgpack::sbuffer> packer(buffer);
  packer.pack_array(1);
  PackRaw(packer, text);
  return std::string(buffer.data(), buffer.size());
}

bool UnpackPayload(const char* data, std::size_t size, msgpack::object_handle* out) {
  if (data == nullptr || size == 0) return false;
  const msgpack::unpack_limit limit(kMaxElements, kMaxElements, kMaxBytes, kMaxBytes, kMaxBytes,
                                    kMaxDepth);
  try {
    std::size_t offset = 0;
    *out = msgpack::unpack(data, size, offset, nullptr, nullptr, limit);
    return true;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    return false;
  }
}

bool ObjectBytes(const msgpack::object& object, std::string* bytes) {
  if (object.type == msgpack::type::STR) {
    bytes->assign(object.via.str.ptr, object.via.str.size);
    return true;
  }
  if (object.type == msgpack::type::BIN) {
    bytes->assign(object.via.bin.ptr, object.via.bin.size);
    return true;
  }
  return false;
}

bool ObjectInt(const msgpack::object& object, int* value) {
  if (object.type == msgpack::type::POSITIVE_INTEGER) {
    if (object.via.u64 > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) return false;
    *value = static_cast<int>(object.via.u64);
    return true;
  }
  if (object.type == msgpack::type::NEGATIVE_INTEGER) {
    if (object.via.i64 < std::numeric_limits<int>::min()) return false;
    *value = static_cast<int>(object.via.i64);
    return true;
  }
  return false;
}

bool DecodeEnvelope(const char* data, std::size_t size, Envelope* envelope) {
  msgpack::object_handle handle;
  if (!UnpackPayload(data, size, &handle)) return false;
  const msgpack::object& root = handle.get();
  if (root.type != msgpack::type::ARRAY) return false;
  *envelope = Envelope();
  if (root.via.array.size == 0) return true;
  if (!ObjectInt(root.via.array.ptr[0], &envelope->cmd)) return false;
  if (root.via.array.size >= 2) envelope->hasBody = ObjectBytes(root.via.array.ptr[1], &envelope->body);
  return true;
}

bool DecodeTextBody(const std::string& body, std::string* text) {
  msgpack::object_handle handle;
  if (!UnpackPayload(body.data(), body.size(), &handle)) return false;
  const msgpack::object& root = handle.get();
  if (root.type != msgpack::type::ARRAY || root.via.array.size == 0) return false;
  return ObjectBytes(root.via.array.ptr[0], text);
}

}  // namespace servolink
