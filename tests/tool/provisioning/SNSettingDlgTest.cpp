// The serial number window on doubles of the session and the service client: the wiring of the
// controls, the threads and the timer. The sequence's rules are SerialNumberFlowTest's.

#include <gtest/gtest.h>

#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app/LanguageSetting.h"
#include "app/Text.h"
#include "provisioning/SNSettingDlg.h"
#include "tool/app/QtTestApp.h"
#include "tool/app/ShippedTexts.h"
#include "tool/provisioning/SNSettingDlgDoubles.h"

namespace {

class SNSettingDlgTest : public ::testing::Test {
 protected:
  SNSettingDlgTest() {
    QtTestApp();
    UseShippedTexts(kLanguageEnglish);
    m_dlg = std::make_unique<SNSettingDlg>(nullptr, &m_prompt, std::unique_ptr<CHttpOper>(m_http));
    m_dlg->SetSession(&m_session);
  }

  QLineEdit* Edit() { return m_dlg->findChild<QLineEdit*>(QString::number(IDC_SN_SERIAL)); }
  QPushButton* Button(int id) { return m_dlg->findChild<QPushButton*>(QString::number(id)); }
  bool Unlocked() {
    return Button(IDC_SN_READ)->isEnabled() && Edit()->isEnabled() && Button(IDC_SN_SET)->isEnabled();
  }

  // Runs fn on a thread of its own, as the session's receive thread or the scanner calls, while
  // this thread serves its events; returns that thread's id.
  std::thread::id FromOtherThread(const std::function<void()>& fn) {
    std::atomic<bool> done{false};
    std::thread other([&] {
      fn();
      done = true;
    });
    const std::thread::id id = other.get_id();
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    other.join();
    return id;
  }
  std::thread::id ReadReply(const char* text) {
    return FromOtherThread([&] { m_dlg->OnReadSN(true, text, static_cast<int>(strlen(text))); });
  }
  void AcceptedWrite(const char* serial) {
    Edit()->setText(serial);
    Button(IDC_SN_SET)->click();
    FromOtherThread([&] { m_dlg->OnWriteSN(true, "0", 1); });
  }

  Journal m_journal;
  FakeSession m_session{&m_journal};
  FakeHttpOper* m_http = new FakeHttpOper;  // owned by the window
  RecordingPrompt m_prompt;
  std::unique_ptr<SNSettingDlg> m_dlg;
};

// The three controls sit side by side in the strip below the scanner's view (the bottom 30 pixels).
TEST_F(SNSettingDlgTest, BottomStripTextsAndTheTwentyCharacterEdit) {
  const QRect strip(0, m_dlg->height() - 30, m_dlg->width(), 30);
  EXPECT_TRUE(strip.contains(Button(IDC_SN_READ)->geometry()) && strip.contains(Edit()->geometry()) &&
              strip.contains(Button(IDC_SN_SET)->geometry()));
  EXPECT_LT(Button(IDC_SN_READ)->geometry().right(), Edit()->geometry().left());
  EXPECT_LT(Edit()->geometry().right(), Button(IDC_SN_SET)->geometry().left());
  const QRect clearOfTheEdges = m_dlg->rect().adjusted(4, 0, -4, -2);
  EXPECT_TRUE(clearOfTheEdges.contains(Button(IDC_SN_READ)->geometry()));
  EXPECT_TRUE(clearOfTheEdges.contains(Edit()->geometry()));
  EXPECT_EQ(m_dlg->windowTitle(), T("IDS_READ_WRITE_SERRIAL"));
  EXPECT_EQ(Button(IDC_SN_SET)->text(), T("IDS_SET_SN"));

  // What a screen reader says of each control (the label's text has a trailing space).
  const std::pair<QWidget*, const char*> names[] = {
      {Button(IDC_SN_READ), "Read"}, {Edit(), "Serial number"}, {Button(IDC_SN_SET), "Write"}};
  for (const auto& [control, name] : names) {
    EXPECT_EQ(control->accessibleName(), name);
    EXPECT_FALSE(control->accessibleDescription().isEmpty()) << name;
  }

  QTest::keyClicks(Edit(), "ABCDEFGHIJKLMNOPQRSTU");
  EXPECT_EQ(Edit()->text(), "ABCDEFGHIJKLMNOPQRST") << "the 21st character is refused";
  Edit()->clear();
  Edit()->insert("abc=def=XYZ123");  // as a paste
  EXPECT_EQ(Edit()->text(), "XYZ123");
}

TEST_F(SNSettingDlgTest, ShowReadsOnceThenWriteVerifiesWritesReadsBackAndConfirms) {
  m_dlg->show();
  EXPECT_FALSE(Unlocked());
  m_dlg->show();
  ReadReply("SN0001#AA:BB");
  EXPECT_EQ(Edit()->text(), "SN0001");
  EXPECT_TRUE(Unlocked());
  EXPECT_EQ(m_session.snReads, 1) << "showing a visible window reads nothing";

  std::vector<std::string> written;  // what the owner is told the robot took, for its records
  m_dlg->SetSerialWritten([&written](const std::string& serial) { written.push_back(serial); });
  Edit()->setText("SN0003");
  Button(IDC_SN_SET)->click();
  FromOtherThread([&] { m_dlg->OnWriteSN(false, "1", 1); });
  EXPECT_TRUE(written.empty()) << "a refused write";
  m_prompt.texts.clear();
  m_prompt.styles.clear();
  m_http->calls.clear();
  AcceptedWrite("SN0002");
  EXPECT_EQ(written, std::vector<std::string>{"SN0002"});
  EXPECT_NE(m_http->verifyThread, std::this_thread::get_id());
  EXPECT_EQ(m_session.snWrites, (std::vector<std::string>{"SN0003", "SN0002"}));
  EXPECT_EQ(m_session.snReads, 2) << "the read-back";
  EXPECT_FALSE(Unlocked());
  EXPECT_EQ(ReadReply("sn0002#AA:BB"), m_http->confirmThread) << "confirmed on the receive thread";
  EXPECT_EQ(m_http->calls, (std::vector<std::wstring>{L"verify SN0002", L"confirm SN0002 AA:BB"}));
  EXPECT_EQ(m_prompt.texts, (std::vector<QString>{T("IDS_UPDATE_SERIAL_SUCCESS_TIPS"),
                                                  T("IDS_WRITED_SERIAL_TIPS") + "sn0002"}));
  EXPECT_EQ(m_prompt.styles, (std::vector<unsigned int>{MB_OK | MB_ICONINFORMATION, MB_OK}));
  EXPECT_EQ(Edit()->text(), "SN0002") << "the edit keeps what the operator typed";
  EXPECT_TRUE(Unlocked());
}

TEST_F(SNSettingDlgTest, ReadBackTimesOutOnTheSixthTickAndTheNextReadConfirmsTheWrite) {
  constexpr int kPeriodMs = 30;
  m_dlg->SetTickPeriod(std::chrono::milliseconds(kPeriodMs));
  QElapsedTimer clock;
  clock.start();
  AcceptedWrite("SN0002");
  ASSERT_TRUE(PumpUntil([&] { return !m_prompt.texts.empty(); }));
  EXPECT_GE(clock.elapsed(), 5 * kPeriodMs);
  EXPECT_EQ(m_prompt.texts.front(), T("IDS_OPERATION_TIMEOUT_TIPS"));
  EXPECT_TRUE(Unlocked());

  Button(IDC_SN_READ)->click();
  ReadReply("SN0002#AA");
  EXPECT_EQ(m_http->calls.back(), L"confirm SN0002 AA");
}

TEST_F(SNSettingDlgTest, VerifyRunsOffTheWindowsThreadWhileItKeepsServingEventsWithABusyCursor) {
  Edit()->setText("SN1");
  m_http->hold = true;
  bool busyMeanwhile = false;
  QTimer::singleShot(20, m_dlg.get(), [&] {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    busyMeanwhile = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
    m_http->hold = false;
  });
  Button(IDC_SN_SET)->click();
  EXPECT_TRUE(busyMeanwhile);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_NE(m_http->verifyThread, std::this_thread::get_id());
}

TEST_F(SNSettingDlgTest, ScannedTextFillsTheEditAndNoViewIsTakenInWithoutX11) {
  FromOtherThread([&] {
    m_dlg->OnScanWindow(L"zbar barcode reader");
    m_dlg->OnScanResult(L"SN=ABC123");
  });
  ASSERT_TRUE(PumpUntil([&] { return Edit()->text() == "ABC123"; }));
  EXPECT_EQ(m_dlg->ScanView(), nullptr);
}

}  // namespace
