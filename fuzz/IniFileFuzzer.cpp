// Config.ini and sys.ini as the program reads and writes them through the ini helpers. The file
// may be UTF-8 with or without its mark, UTF-16 with a byte-order mark, 8-bit text in another
// code page, or no text at all (UTF-16 without a mark, a damaged file). From it the program reads
// its language, the servo count and reference angles, and the equipment service's address; it
// writes the language back (first start, the language dialog). A write must keep every other
// value and the file's encoding, and must leave a file it cannot read exactly as it was.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "ZAVUIBase.h"
#include "calibration/rules/ServoConfig.h"
#include "provisioning/ServiceAddress.h"

using fuzzsupport::Check;

namespace {

constexpr int kWrittenLanguage = 7;

struct Values {
  int language = 0;
  int servos = 0;
  std::optional<int> firstAngle;
  std::wstring secondAngle;
  std::wstring server;

  bool SameBesideLanguage(const Values& other) const {
    return servos == other.servos && firstAngle == other.firstAngle &&
           secondAngle == other.secondAngle && server == other.server;
  }
};

Values Read(const std::wstring& path) {
  Values values;
  values.language = ReadIniInt(L"Config", L"Language", -1, path.c_str());
  values.servos = ConfigServoCount(path);
  values.firstAngle = ConfigReferenceAngle(path, 1);
  values.secondAngle = ReadConfigString(path, L"ID2");
  LoadServiceAddress(path);
  values.server = GetServiceAddress();
  return values;
}

// The byte-order mark of bytes, or "" without one.
std::string Mark(const std::string& bytes) {
  for (const char* mark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
    if (bytes.rfind(mark, 0) == 0) return mark;
  }
  return std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzzsupport::ScratchFolder folder;
  const std::string input(reinterpret_cast<const char*>(data), size);
  Check(folder.Put("Config.ini", input));
  const std::wstring path = ZAVWidenUtf8(folder.File("Config.ini"));

  const Values before = Read(path);
  const bool written = WriteIniInt(L"Config", L"Language", kWrittenLanguage, path.c_str());
  const std::string rewritten = folder.Get("Config.ini");
  if (!written) {
    Check(rewritten == input);
  } else {
    const Values after = Read(path);
    Check(after.language == kWrittenLanguage && after.SameBesideLanguage(before));
    Check(Mark(rewritten) == Mark(input));
    // Writing the same value again settles: SimpleIni may still move blank lines at the second
    // write (a comment block it took for the file's own becomes a section's), never later, so a
    // file rewritten at every start cannot grow.
    Check(WriteIniInt(L"Config", L"Language", kWrittenLanguage, path.c_str()));
    const std::string settled = folder.Get("Config.ini");
    Check(WriteIniInt(L"Config", L"Language", kWrittenLanguage, path.c_str()));
    Check(folder.Get("Config.ini") == settled && Read(path).SameBesideLanguage(before));
  }
  // No temporary file is left behind, whatever happened.
  Check(folder.Names().size() == 1);
  return 0;
}
