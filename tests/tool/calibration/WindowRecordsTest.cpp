// The window's calibration records on a double of the session: what each changing run leaves in
// the records file, and what the status line says of the records.

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QTableWidget>
#include <QTreeWidget>

#include "app/LanguageSetting.h"
#include "app/Text.h"
#include "calibration/CDevListDlg.h"
#include "calibration/MessageBar.h"
#include "history/HistoryModule.h"
#include "records/RecordsStore.h"
#include "tool/app/ShippedTexts.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

constexpr auto kOk = ServoOutcome::kOk;
constexpr auto kFailed = ServoOutcome::kFailed;
constexpr auto kNoReply = ServoOutcome::kNoReply;

class WindowRecordsTest : public CalibrationFixture {
 protected:
  WindowRecordsTest() {
    m_recordsUrl = "";  // the default: records.sqlite in the state folder
    m_caliTimeoutMs = 300;
    m_openRecords = [this](const RecordsLocation& where, const RecordsStoreOptions& options, std::string* error) {
      m_spoolChanged = options.onSpoolChanged;
      if (!m_openFailure.empty()) {
        *error = m_openFailure;
        return std::unique_ptr<IRecordsStore>();
      }
      return OpenRecordsStore(where, options, error);
    };
  }

  // Connected over Wi-Fi to robot R7 (MAC AA:BB:CC), which answers its serial number and the
  // offsets 4, -3 and a failed read of servo 3 on the receive thread.
  void Connect() {
    WriteConfig({{"ServoNum", "3"}, {"ID1", "90"}, {"ID2", "120"}, {"ID3", "60"}});
    StartWindow();
    MainButton(IDC_MAIN_CONNECT)->click();
    m_dlg->OnFoundDevice({L"R7", L"2", L"10.0.0.7", L"AA:BB:CC"});
    m_dlg->DevList()->List()->selectRow(0);
    m_dlg->DevList()->OnConnect();
    m_dlg->PostMessage(WM_SESSION_STATE, ZAV_SESSION_CONNECTED, 0);
    PumpPending();
    std::thread([this] {
      m_dlg->OnReadSN(true, "SN-7#11:22:33", 13);
      m_dlg->OnReadServoCaliAngel(true, 1, 4);
      m_dlg->OnReadServoCaliAngel(true, 2, -3);
      m_dlg->OnReadServoCaliAngel(false, 3, 0);
    }).join();
    PumpPending();
  }

  // Calibrates the servos of boxes; answers follow (a servo left out never answers).
  void Calibrate(const std::map<int, QString>& boxes, const std::vector<std::pair<int, bool>>& answers) {
    for (CServoItemDlg* panel : m_dlg->ServoItems()) {
      const auto box = boxes.find(panel->ServoId());
      panel->SetSelected(box != boxes.end());
      if (box != boxes.end()) panel->OffsetBox()->setText(box->second);
    }
    const std::size_t before = m_session.Writes().size();
    MainButton(IDC_MAIN_CALIBRATE)->click();
    ASSERT_TRUE(PumpUntil([&] { return m_session.Writes().size() == before + boxes.size(); }));
    for (const auto& [id, ok] : answers) std::thread([&, id = id, ok = ok] { m_dlg->OnSetCaliAngel(ok, id); }).join();
    ASSERT_TRUE(PumpUntil([&] { return MainButton(IDC_MAIN_CALIBRATE)->isEnabled(); }, 5000));
  }

  std::vector<RunRecord> Recorded() {
    std::string error;
    RecordsLocation file{RecordsLocation::Kind::kFile, m_folder.File(kDefaultRecordsFile), ""};
    std::unique_ptr<IRecordsStore> store = OpenRecordsStore(file, {}, &error);
    std::vector<RunRecord> runs;
    EXPECT_TRUE(store && store->History({}, &runs, &error)) << error;
    return runs;
  }

  std::string m_openFailure;  // opening the store fails with it when set
  std::function<void(const SpoolStatus&)> m_spoolChanged;
};

TEST_F(WindowRecordsTest, EachChangingRunIsRecordedUnderTheSerialNumberWithItsBeforesSentValuesAndOutcomes) {
  Connect();
  EXPECT_EQ(m_session.snReads, 1) << "the one read records add";
  Calibrate({{1, "10"}, {2, "-6"}, {3, "5"}}, {{1, true}, {2, false}});
  MainButton(IDC_MAIN_RESET)->click();
  Calibrate({{1, "11"}, {2, "-7"}}, {{1, true}, {2, true}});

  const std::vector<RunRecord> runs = Recorded();
  ASSERT_EQ(runs.size(), 3u);
  using Servos = std::vector<ServoRecord>;
  EXPECT_EQ(runs[2].kind, RunKind::kCalibrate);
  EXPECT_EQ(runs[2].servos, (Servos{{1, 4, 10, kOk}, {2, -3, -6, kFailed}, {3, std::nullopt, 5, kNoReply}}));
  EXPECT_EQ(runs[1].kind, RunKind::kReset);
  EXPECT_EQ(runs[1].servos, (Servos{{1, std::nullopt, 90, kNoReply}, {2, std::nullopt, 120, kNoReply},
                                    {3, std::nullopt, 60, kNoReply}}));
  // An accepted value is the next "before"; a refused one leaves the offset read.
  EXPECT_EQ(runs[0].servos, (Servos{{1, 10, 11, kOk}, {2, -3, -7, kOk}}));
  for (const RunRecord& run : runs) {
    EXPECT_EQ(run.robot, (RobotIdentity{"R7", "10.0.0.7", "AA:BB:CC", "SN-7"}));
    EXPECT_EQ(run.program + " " + run.programVersion, "Caltrim 1.2.3.4");
  }
  EXPECT_EQ(m_dlg->StatusLineShown(), m_dlg->StatusLine()) << "nothing to say of the records";

  // The history window, from the program's module, lists them; without a robot it is not opened.
  m_dlg->HistoryAction()->trigger();
  ASSERT_NE(m_dlg->HistoryWindow(), nullptr) << m_prompt.texts.back().toStdString();
  auto* table = m_dlg->HistoryWindow()->Dialog()->findChild<QTreeWidget*>();
  EXPECT_TRUE(PumpUntil([&] { return table->topLevelItemCount() == 3; }));
  MainButton(IDC_MAIN_CONNECT)->click();
  m_dlg->HistoryAction()->trigger();
  EXPECT_EQ(m_prompt.texts.back(), T("IDS_HISTORY_NO_ROBOT"));
}

TEST_F(WindowRecordsTest, AStoreThatFailsLeavesCalibrationWorkingAndTheStatusLineSaysSoAsItSaysWhatWaits) {
  m_openFailure = "disk full";
  Connect();
  const QString line = m_dlg->StatusLine();
  EXPECT_EQ(m_dlg->StatusLineShown(), line + "    " + T("IDS_RECORDS_UNAVAILABLE") + "disk full");
  Calibrate({{1, "10"}}, {{1, true}});
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_CHECK_ENGINE_SUCCESS"));
  EXPECT_EQ(Panel(1)->OffsetBox()->text(), "Ok");
  EXPECT_EQ(m_dlg->StatusLineShown(), line + "    " + T("IDS_RECORDS_NOT_KEPT") + "disk full");

  m_openFailure.clear();  // opened again by the next run
  MainButton(IDC_MAIN_RESET)->click();
  EXPECT_EQ(Recorded().size(), 1u);
  EXPECT_EQ(m_dlg->StatusLineShown(), line);

  // The store's news of its spool comes on its own thread.
  ASSERT_TRUE(m_spoolChanged);
  UseShippedTexts(kLanguageEnglish);
  std::thread([this] { m_spoolChanged({2, "server down"}); }).join();
  ASSERT_TRUE(PumpUntil([&] { return m_dlg->StatusLineShown() != line; }));
  EXPECT_EQ(m_dlg->StatusLineShown(), line + "    records: 2 waiting");
  std::thread([this] { m_spoolChanged({0, ""}); }).join();
  ASSERT_TRUE(PumpUntil([&] { return m_dlg->StatusLineShown() == line; }));
}

}  // namespace
