#pragma once

#include <fstream>
#include <iterator>
#include <string>

// Whether a file whose path contains library is mapped into this process now: what a test of a
// module opened on first use looks for before and after opening it.
inline bool Mapped(const std::string& library) {
  std::ifstream in("/proc/self/maps");
  const std::string maps((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return maps.find(library) != std::string::npos;
}
