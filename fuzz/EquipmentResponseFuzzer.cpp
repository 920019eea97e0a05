// The equipment service's answer as the client takes it apart. HttpPost hands on only the body
// of a status-200 answer, 1 byte to the 1 MiB cap (libcurl reads the status line and headers;
// anything else fails before this point), and CHttpOper::Post passes it in a buffer of exactly
// its size without a terminator. The body is read for its "info" code, which decides the results
// of verify and confirm.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "provisioning/EquipmentProtocol.h"
#include "provisioning/HttpPost.h"

using fuzzsupport::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > kMaxResponseBytes) return 0;
  // An exact copy on the heap, so that reading one byte past the body is caught.
  const std::vector<char> body(data, data + size);
  const std::optional<std::string> code = ResponseInfoCode(body.data(), body.size());
  const int verify = VerifyResultFromCode(code);
  const bool confirm = ConfirmResultFromCode(code);

  Check(verify >= kVerifyFailed && verify <= kVerifyNonExistent);
  Check(confirm == (verify == kVerifyAccepted));
  // Every known code is four characters; nothing else may be taken for one.
  Check(verify == kVerifyFailed || (code && code->size() == 4));
  return 0;
}
