#pragma once

#include <string>

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// The language selection dialog (template 150). It offers Chinese (item data 1) and English
// (item data 2), opens with the language stored in Config.ini selected (none selected for any
// other stored value), and on OK stores the chosen index (-1 with nothing selected) and tells
// the operator that the choice applies at the next start; the running program keeps its texts.
// When Config.ini cannot be written, OK says so and the dialog stays open.
// Cancel, Escape and the close box change nothing. Controls carry their ids as object names:
// "1029" label, "1028" language list, "1" OK, "2" Cancel.
class CLanguageChooseDialog : public QDialog {
  Q_OBJECT

 public:
  // configPath: the Config.ini the choice is read from and written to.
  explicit CLanguageChooseDialog(const std::wstring& configPath, QWidget* parent = nullptr);

 private:
  void BuildControls();
  void OnInitDialog();
  void OnBnClickedOk();

  std::wstring m_strConfigPath;
  QLabel* m_stcLanguage = nullptr;
  QComboBox* m_cbLanguage = nullptr;
  QPushButton* m_btnOK = nullptr;
  QPushButton* m_btnCancel = nullptr;
};

// Opens the dialog modally over parent for the program's Config.ini and returns when it closes.
void ShowLanguageChooseDialog(QWidget* parent);
