#include "tool/calibration/CalibrationFixture.h"

#include <QFile>
#include <QPushButton>
#include <QTextStream>
#include <QThread>
#include <QToolButton>

namespace {

// One QApplication for the whole test program, offscreen unless the caller chose a platform.
class QtAppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "caltrim_calibration_tests";
    static char* argv[] = {name, nullptr};
    m_app = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { m_app.reset(); }

 private:
  std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const kQtApp =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return done();
}

void PumpPending() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

CalibrationFixture::CalibrationFixture() {
  WriteConfig({{"ServoNum", "3"}, {"ID1", "90"}, {"ID2", "120"}, {"ID3", "60"}});
}

CalibrationFixture::~CalibrationFixture() {
  m_dlg.reset();
  PumpPending();
}

void CalibrationFixture::WriteConfig(const std::map<QString, QString>& values) {
  QFile file(m_dir.filePath("Config.ini"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QTextStream out(&file);
  out << "[Config]\n";
  for (const auto& [key, value] : values) out << key << "=" << value << "\n";
}

CaltrimEnv CalibrationFixture::Env() {
  CaltrimEnv env;
  env.createSession = [this](CIZAVSocketSession** out) {
    if (!m_bSessionFactoryWorks) return false;
    *out = &m_session;
    return true;
  };
  env.createBroadcast = [this](CIZAVBroadcastSocket** out) {
    if (!m_bBroadcastFactoryWorks) return false;
    *out = &m_broadcast;
    return true;
  };
  env.createUsbDetection = [this](IZAVUsbDetection** out) {
    if (!m_bUsbFactoryWorks) return false;
    *out = &m_usb;
    return true;
  };
  env.configPath = m_dir.filePath("Config.ini").toStdWString();
  env.executablePath = m_dir.filePath("no-such-program").toStdWString();
  env.prompt = &m_prompt;
  return env;
}

void CalibrationFixture::StartWindow() {
  m_dlg = std::make_unique<CCaltrimDlg>(Env());
  m_dlg->OnInitDialog();
  QToolButton* connect = Control<QToolButton>(m_dlg.get(), IDC_MAIN_CONNECT);
  if (connect != nullptr) PumpUntil([connect] { return connect->isEnabled(); });
}
