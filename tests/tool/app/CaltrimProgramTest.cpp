// The real program, started as a user starts it, from a copy of its folder. This test program
// runs inside namespaces of its own (isolated-run.sh): only loopback, and only its own processes.

#include <net/if.h>
#include <unistd.h>

#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include "ZAVUIBase.h"
#include "app/AdbProcessKiller.h"
#include "tool/app/QtTestApp.h"
#include "tool/app/TempFolder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kStartMs = 15000;  // generous: a loaded machine builds while tests run

// Inside the namespaces of isolated-run.sh: this process is the first of its own process
// namespace, and loopback is the only network interface. Nothing here runs anywhere else.
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

bool WaitFor(const std::function<bool()>& done, int ms = kStartMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QCoreApplication::processEvents();
    QThread::msleep(20);
  }
  return true;
}

// A process named "adb" that only waits: a stand-in for a stray debug bridge server.
class FakeAdb {
 public:
  explicit FakeAdb(const fs::path& program) {
    m_process.start(QString::fromStdString(program.string()), {QStringLiteral("60")});
    m_process.waitForStarted();
  }
  ~FakeAdb() {
    m_process.kill();
    m_process.waitForFinished();
  }
  pid_t Pid() const { return static_cast<pid_t>(m_process.processId()); }
  bool Ended(int ms) { return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(ms); }

 private:
  QProcess m_process;
};

class CaltrimProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
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
      if (entry.path().extension() == ".so") fs::create_symlink(entry.path(), app / entry.path().filename());
    }
  }

  void TearDown() override {
    for (auto& process : processes) {
      process->kill();
      process->waitForFinished();
    }
  }

  QProcess* Start(const char* locale) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.string()));
    env.insert(QStringLiteral("LANG"), QString::fromLatin1(locale));
    env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
    env.remove(QStringLiteral("LANGUAGE"));
    process->setProcessEnvironment(env);
    process->start(QString::fromStdString((app / "Caltrim").string()), {});
    EXPECT_TRUE(process->waitForStarted());
    processes.push_back(std::move(process));
    return processes.back().get();
  }

  int StoredLanguage() const {
    return ReadIniInt(L"Config", L"Language", -100, (app / "Config.ini").wstring().c_str());
  }
  bool LanguageWritten() { return WaitFor([this] { return StoredLanguage() != -100; }); }

  fs::path FakeAdbProgram() const {
    const fs::path adb = folder.Path() / "adb";
    if (!fs::exists(adb)) fs::copy_file("/bin/sleep", adb);
    return adb;
  }

  TempFolder folder;
  const fs::path app = folder.Path() / "app";
  const fs::path runtime = folder.Path() / "run";
  std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(CaltrimProgramTest, FirstStartTakesTheLanguageFromTheSystem) {
  const std::pair<const char*, int> cases[] = {
      {"en_US.UTF-8", 2}, {"zh_CN.UTF-8", 1}, {"de_DE.UTF-8", 0}};
  for (const auto& [locale, language] : cases) {
    fs::copy_file(fs::path(CALTRIM_SOURCE_DIR) / "tool/resources/Config.ini", app / "Config.ini",
                  fs::copy_options::overwrite_existing);
    ASSERT_EQ(StoredLanguage(), -100) << "the shipped Config.ini leaves the language open";
    QProcess* caltrim = Start(locale);
    ASSERT_TRUE(LanguageWritten()) << locale;
    EXPECT_EQ(StoredLanguage(), language) << locale;
    EXPECT_EQ(caltrim->state(), QProcess::Running) << "the main window runs";
    caltrim->kill();
    caltrim->waitForFinished();
  }
}

TEST_F(CaltrimProgramTest, ASecondStartRaisesTheFirstAndEnds) {
  QProcess* first = Start("en_US.UTF-8");
  ASSERT_TRUE(LanguageWritten());
  // Had the second copy got as far as the language, it would rewrite this.
  WriteIniInt(L"Config", L"Language", -1, (app / "Config.ini").wstring().c_str());

  QProcess* second = Start("zh_CN.UTF-8");
  ASSERT_TRUE(second->waitForFinished(kStartMs));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_EQ(StoredLanguage(), -1) << "the second copy ended before start-up went on";

  QByteArray said;
  EXPECT_TRUE(WaitFor([&] {
    said += first->readAllStandardError();
    return said.contains("raised it");
  })) << said.toStdString();
  EXPECT_EQ(first->state(), QProcess::Running);

  first->kill();
  first->waitForFinished();
  QProcess* next = Start("en_US.UTF-8");
  EXPECT_TRUE(LanguageWritten()) << "once the first has ended, a new start runs";
  EXPECT_EQ(next->state(), QProcess::Running);
}

TEST_F(CaltrimProgramTest, StartUpEndsOneStrayDebugBridge) {
  FakeAdb older(FakeAdbProgram());
  FakeAdb newer(FakeAdbProgram());
  ASSERT_LT(older.Pid(), newer.Pid());
  Start("en_US.UTF-8");
  ASSERT_TRUE(LanguageWritten());  // start-up has passed the debug bridge step
  EXPECT_TRUE(older.Ended(kStartMs));
  EXPECT_FALSE(newer.Ended(200)) << "at most one is ended";
}

TEST_F(CaltrimProgramTest, KillAdbProcessEndsTheFirstOnly) {
  FakeAdb older(FakeAdbProgram());
  FakeAdb newer(FakeAdbProgram());
  EXPECT_EQ(KillAdbProcess(), older.Pid());
  EXPECT_TRUE(older.Ended(kStartMs));
  EXPECT_FALSE(newer.Ended(100));
  EXPECT_EQ(KillAdbProcess(), newer.Pid());
  EXPECT_TRUE(newer.Ended(kStartMs));
  EXPECT_EQ(KillAdbProcess(), 0);
}

}  // namespace
