#pragma once

#include <string>

#include <QDialog>

class QLabel;
class QPushButton;

// The About box (template 100): the program's name, the maker's rights notice and the
// program's file version. Controls carry their ids as object names: "1030" name, "1022"
// version, "1031" rights notice, "1" OK; the icon is "icon".
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  // exePath: the program file whose version is shown; empty for the running program.
  explicit CAboutDlg(QWidget* parent = nullptr, const std::wstring& exePath = std::wstring());

 private:
  void BuildControls();
  void OnInitDialog(const std::wstring& exePath);

  QLabel* m_stcName = nullptr;
  QLabel* m_stcVersion = nullptr;
  QLabel* m_stcCopyright = nullptr;
  QPushButton* m_btnOK = nullptr;
};

// Opens the About box modally over parent and returns when it is closed.
void ShowAboutBox(QWidget* parent);
