#include "WritableFolder.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "ExePath.h"
#include "Utf8.h"

namespace zavuibase {
namespace {

constexpr char kProgramFolder[] = "Caltrim/";

std::string WithSlash(std::string folder) {
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string PasswdHome() {
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr || found->pw_dir == nullptr) {
    return {};
  }
  return found->pw_dir;
}

WritableFolderFacts RunningFacts() {
  WritableFolderFacts facts;
  facts.exeFolder = ExecutableFolder();
  facts.exeFolderWritable = ::faccessat(AT_FDCWD, facts.exeFolder.c_str(), W_OK, AT_EACCESS) == 0;
  facts.env = [](const char* name) { return static_cast<const char*>(std::getenv(name)); };
  if (!facts.exeFolderWritable) facts.passwdHome = PasswdHome();
  return facts;
}

std::string RunningWritableFolder(ZAVWritableKind kind, std::string* exeFolder) {
  const WritableFolderFacts facts = RunningFacts();
  *exeFolder = facts.exeFolder;
  const std::string folder = ChooseWritableFolder(facts, kind);
  if (folder == facts.exeFolder) return folder;
  // A home that cannot hold it (none, or read-only): the shipped files are at least read.
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error) ? folder : facts.exeFolder;
}

}  // namespace

std::string ChooseWritableFolder(const WritableFolderFacts& facts, ZAVWritableKind kind) {
  if (facts.exeFolderWritable) return facts.exeFolder;
  const bool config = kind == ZAV_WRITABLE_CONFIG;
  const char* xdg = facts.env(config ? "XDG_CONFIG_HOME" : "XDG_STATE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return WithSlash(xdg) + kProgramFolder;
  const char* home = facts.env("HOME");
  std::string base = home != nullptr && home[0] == '/' ? home : facts.passwdHome;
  if (base.empty()) return facts.exeFolder;
  return WithSlash(base) + (config ? ".config/" : ".local/state/") + kProgramFolder;
}

bool SeedFile(const std::string& from, const std::string& to) {
  std::error_code error;
  if (std::filesystem::exists(to, error) || !std::filesystem::exists(from, error)) return true;
  if (!std::filesystem::copy_file(from, to, std::filesystem::copy_options::skip_existing, error)) {
    return false;
  }
  // The copy is the operator's to change, even where the shipped file is read-only.
  std::filesystem::permissions(to, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add, error);
  return true;
}

}  // namespace zavuibase

std::wstring GetWritableFolder(ZAVWritableKind kind) {
  std::string exeFolder;
  return zavuibase::Utf8ToWide(zavuibase::RunningWritableFolder(kind, &exeFolder));
}

std::wstring GetWritableFilePath(const wchar_t* name, ZAVWritableKind kind) {
  const std::string file = name != nullptr ? zavuibase::WideToUtf8(name) : std::string();
  std::string exeFolder;
  const std::string folder = zavuibase::RunningWritableFolder(kind, &exeFolder);
  if (folder != exeFolder && !file.empty()) zavuibase::SeedFile(exeFolder + file, folder + file);
  return zavuibase::Utf8ToWide(folder + file);
}
