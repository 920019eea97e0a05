#include "cli/ExitStatus.h"

#include <algorithm>
#include <iterator>

namespace {

// Best first.
constexpr int kByWorseness[] = {kExitOk,           kExitOutOfRange, kExitRefused, kExitNotConfirmed,
                                kExitUnreachable,  kExitBadInput,   kExitLocal};

long Rank(int status) {
  const auto* found = std::find(std::begin(kByWorseness), std::end(kByWorseness), status);
  return std::distance(std::begin(kByWorseness), found);  // unknown: past the end, the worst
}

}  // namespace

int WorseStatus(int a, int b) { return Rank(b) > Rank(a) ? b : a; }
