#include "app/CCaltrimApp.h"

#include <QApplication>
#include <QLocale>
#include <QWidget>

#include "ZAVUIBase.h"
#include "app/AdbProcessKiller.h"
#include "app/AppIcon.h"
#include "app/CaltrimStyle.h"
#include "app/LanguageLoader.h"
#include "app/LanguageSetting.h"
#include "app/StartupTrace.h"

namespace {

CCaltrimApp* g_app = nullptr;

// The program's folder with its trailing '/', whole however deep (never cut at 260 characters).
std::wstring ExeFolder() { return ZAVExeFolderFile(nullptr); }

// Beside the program, or in the operator's configuration folder for an installed program (seeded
// there from the shipped file at the first start).
std::wstring ConfigFile() { return GetWritableFilePath(L"Config.ini", ZAV_WRITABLE_CONFIG); }

}  // namespace

CCaltrimApp::CCaltrimApp(MainWindowFactory makeMainWindow)
    : m_makeMainWindow(std::move(makeMainWindow)),
      m_instance(SingleInstance::DefaultFolder(), QCoreApplication::applicationName()) {
  g_app = this;
  connect(&m_instance, &SingleInstance::raiseRequested, this, &CCaltrimApp::RaiseMainWindow);
}

CCaltrimApp::~CCaltrimApp() {
  ZAVSetUiHost(nullptr);
  if (g_app == this) g_app = nullptr;
}

std::wstring CCaltrimApp::ConfigPath() {
  if (g_app != nullptr && !g_app->m_strConfigPath.empty()) return g_app->m_strConfigPath;
  return ConfigFile();
}

bool CCaltrimApp::InitInstance() {
  // The toolkit is up with the QApplication; from here on the link library's message boxes and
  // waits go through it.
  ZAVSetUiHost(&m_uiHost);
  // The desktop's look, without the image plugins that Fusion's group box would load.
  QApplication::setStyle(new CaltrimStyle);
  QApplication::setWindowIcon(ApplicationIcon());

  TraceStartup("application icon");
  if (!m_instance.Claim()) return false;
  TraceStartup("single instance claimed");

  KillAdbProcess();
  TraceStartup("stray adb looked for");

  m_strConfigPath = ConfigFile();
  const int language = SettleLanguage(m_strConfigPath, QLocale::system());
  m_nLanguage = language;
  LoadLanguage(language);
  TraceStartup("language and string table loaded");

  std::unique_ptr<QDialog> dlg = m_makeMainWindow();
  TraceStartup("main window constructed");
  m_pMainWnd = dlg.get();
  dlg->exec();
  m_pMainWnd = nullptr;
  dlg.reset();
  return false;
}

void CCaltrimApp::LoadLanguageLibrary() { LoadLanguageLibraryFrom(ExeFolder()); }

void CCaltrimApp::LoadLanguage(int language) {
  LoadLanguageLibrary();
  InstallStringTable(language, ExeFolder() + L"strings.xml");
  InstallQtTranslations(language);
}

void CCaltrimApp::RaiseMainWindow() {
  if (m_pMainWnd == nullptr) return;
  m_pMainWnd->setWindowState(m_pMainWnd->windowState() & ~Qt::WindowMinimized);
  m_pMainWnd->raise();
  m_pMainWnd->activateWindow();
  // A box or dialog open over the main window comes to the front with it.
  QWidget* popup = QApplication::activeModalWidget();
  if (popup != nullptr && popup != m_pMainWnd) {
    popup->raise();
    popup->activateWindow();
  }
  qInfo("Caltrim: another start asked for this window; raised it");
}
