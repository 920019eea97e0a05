// The real program, started as a user starts it, from a copy of its folder. This test program
// runs inside namespaces of its own (isolated-run.sh): only loopback, and only its own processes.

#include <net/if.h>
#include <unistd.h>

#include <cstdlib>

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include "ZAVUIBase.h"
#include "outside/uibase/TempFolder.h"
#include "tool/app/QtTestApp.h"

namespace fs = std::filesystem;

namespace {

constexpr int kStartMs = 15000;  // generous: a loaded machine builds while tests run

// Inside isolated-run.sh: first process of its own process namespace, loopback only.
bool Isolated() {
  if (::getpid() != 1) return false;
  struct if_nameindex* interfaces = ::if_nameindex();
  if (interfaces == nullptr) return false;
  bool loopbackOnly = true;
  for (const struct if_nameindex* i = interfaces; i->if_index != 0; ++i) {
    loopbackOnly = loopbackOnly && std::string(i->if_name) == "lo";
  }
  ::if_freenameindex(interfaces);
  return loopbackOnly;
}

class CaltrimProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* why = std::getenv("CALTRIM_ISOLATION_UNAVAILABLE"); why != nullptr && !Isolated()) {
      GTEST_SKIP() << why;
    }
    ASSERT_TRUE(Isolated()) << "the program and stray processes are started only in isolation; "
                               "run this through isolated-run.sh";
    QtTestApp();
    fs::create_directory(app);
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    const fs::path stage = CALTRIM_STAGE_DIR;
    fs::copy_file(CALTRIM_PROGRAM, app / "Caltrim");
    fs::copy_file(stage / "strings.xml", app / "strings.xml");
    fs::copy_file(stage / "sys.ini", app / "sys.ini");
    // The shipped Config.ini, not the staged one, which a run from the build tree may have changed.
    fs::copy_file(fs::path(CALTRIM_SOURCE_DIR) / "tool/resources/Config.ini", app / "Config.ini");
    for (const auto& entry : fs::directory_iterator(stage)) {
      if (entry.path().extension() == ".so") {
        fs::create_symlink(entry.path(), app / entry.path().filename());
      }
    }
    fs::copy_file("/bin/sleep", folder.Path() / "adb");
  }

  void TearDown() override {
    for (auto& process : processes) {
      process->kill();
      process->waitForFinished();
    }
  }

  // Starts program with arguments; the program is Caltrim under locale unless one is given.
  QProcess* Start(const char* locale, const fs::path& program = {}, const QStringList& args = {}) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.string()));
    env.insert(QStringLiteral("LANG"), QString::fromLatin1(locale));
    env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
    env.remove(QStringLiteral("LANGUAGE"));
    process->setProcessEnvironment(env);
    process->start(QString::fromStdString((program.empty() ? app / "Caltrim" : program).string()),
                   args);
    EXPECT_TRUE(process->waitForStarted());
    processes.push_back(std::move(process));
    return processes.back().get();
  }

  // A process named "adb" that only waits: a stand-in for a stray debug bridge server.
  QProcess* StartStrayAdb() { return Start("C", folder.Path() / "adb", {QStringLiteral("60")}); }

  static bool Ended(QProcess* process, int ms) {
    return process->state() == QProcess::NotRunning || process->waitForFinished(ms);
  }
  int StoredLanguage() const {
    return ReadIniInt(L"Config", L"Language", -100, (app / "Config.ini").wstring().c_str());
  }
  bool LanguageBecomes(int language) {
    return PumpUntil([&] { return StoredLanguage() == language; }, kStartMs);
  }

  TempFolder folder;
  const fs::path app = folder.Path() / "app";
  const fs::path runtime = folder.Path() / "run";
  std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(CaltrimProgramTest, StartUpEndsOneStrayAdbAndSettlesTheLanguageAndASecondStartOnlyRaises) {
  QProcess* olderAdb = StartStrayAdb();
  QProcess* newerAdb = StartStrayAdb();
  ASSERT_LT(olderAdb->processId(), newerAdb->processId());
  ASSERT_EQ(StoredLanguage(), -100) << "the shipped Config.ini leaves the language open";

  QProcess* first = Start("zh_CN.UTF-8");
  ASSERT_TRUE(LanguageBecomes(1)) << "the system's language: " << StoredLanguage();
  // The serial-number tools are a module opened when their window is: a start maps none of them.
  QFile maps(QStringLiteral("/proc/%1/maps").arg(first->processId()));
  ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
  const QByteArray mapped = maps.readAll();
  for (const char* library : {"libcurl", "libcrypto", "libzbar", "libjsoncpp", "caltrim_provisioning"}) {
    EXPECT_FALSE(mapped.contains(library)) << library;
  }
  EXPECT_TRUE(Ended(olderAdb, kStartMs));
  EXPECT_FALSE(Ended(newerAdb, 200)) << "at most one is ended";
  EXPECT_EQ(first->state(), QProcess::Running) << "the main window runs";

  // Had the second copy got as far as the debug bridge or the language, it would change these.
  WriteIniInt(L"Config", L"Language", -1, (app / "Config.ini").wstring().c_str());
  QProcess* second = Start("en_US.UTF-8");
  ASSERT_TRUE(Ended(second, kStartMs));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_EQ(StoredLanguage(), -1) << "the second copy ended before start-up went on";
  EXPECT_EQ(newerAdb->state(), QProcess::Running);
  QByteArray said;
  EXPECT_TRUE(PumpUntil(
      [&] {
        said += first->readAllStandardError();
        return said.contains("raised it");
      },
      kStartMs))
      << said.toStdString();
  EXPECT_EQ(first->state(), QProcess::Running);

  // Once the first copy is gone, even killed, a new start runs.
  first->kill();
  first->waitForFinished();
  QProcess* next = Start("en_US.UTF-8");
  EXPECT_TRUE(LanguageBecomes(2));
  EXPECT_EQ(next->state(), QProcess::Running);
}

TEST_F(CaltrimProgramTest, HelpAndVersionAnswerAndEndWithoutStartingAnything) {
  QProcess* adb = StartStrayAdb();
  const struct { const char* arg; const char* expected; } cases[] = {
      {"--version", "Caltrim 1.0.0.4\n"},
      {"--help", "Usage: Caltrim [--help | --version | --provisioning]"},
  };
  for (const auto& c : cases) {
    QProcess* answer = Start("zh_CN.UTF-8", {}, {QString::fromLatin1(c.arg)});
    ASSERT_TRUE(Ended(answer, kStartMs)) << c.arg;
    EXPECT_EQ(answer->exitCode(), 0) << c.arg;
    EXPECT_TRUE(answer->readAllStandardOutput().startsWith(c.expected)) << c.arg;
  }
  EXPECT_EQ(StoredLanguage(), -100) << "the language was not settled";
  EXPECT_EQ(adb->state(), QProcess::Running) << "no debug bridge was ended";
}

}  // namespace
