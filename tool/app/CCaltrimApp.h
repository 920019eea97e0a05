#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>
#include <QObject>

#include "app/QtUiHost.h"
#include "app/SingleInstance.h"

// The application object: starts the program and runs the main window. Make it once, after the
// QApplication, on the user-interface thread.
class CCaltrimApp : public QObject {
  Q_OBJECT

 public:
  using MainWindowFactory = std::function<std::unique_ptr<QDialog>()>;

  // makeMainWindow makes the main calibration window when start-up reaches it.
  explicit CCaltrimApp(MainWindowFactory makeMainWindow);
  ~CCaltrimApp() override;

  CCaltrimApp(const CCaltrimApp&) = delete;
  CCaltrimApp& operator=(const CCaltrimApp&) = delete;

  // m_strConfigPath of the application object once start-up has set it; else Config.ini in the
  // program's folder.
  static std::wstring ConfigPath();

  // Starts the program: installs the UI host, ends when another copy runs (asking it to raise
  // its window), ends a stray debug bridge, settles the language from Config.ini and the system
  // locale, loads the language resources and the string table, then runs the main window
  // modally. Returns false when it is done: the process then ends.
  bool InitInstance();

  // Loads the language resource library from the program's folder and initialises the language
  // manager with it (with none when it is missing).
  void LoadLanguageLibrary();

  // LoadLanguageLibrary, then builds the string table of language from strings.xml in the
  // program's folder and installs it in the language manager, and installs the toolkit's own
  // translations for language (the standard buttons of message boxes).
  void LoadLanguage(int language);

  std::wstring m_strConfigPath;  // Config.ini in the program's folder, set by start-up
  int m_nLanguage = 0;           // the language index in force for this run

 private:
  void RaiseMainWindow();

  MainWindowFactory m_makeMainWindow;
  QtUiHost m_uiHost;
  SingleInstance m_instance;
  QDialog* m_pMainWnd = nullptr;
};
