#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest/QTest>

#include "app/Text.h"
#include "calibration/CDevListDlg.h"
#include "calibration/MessageBar.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

class DevListTest : public CalibrationFixture {
 protected:
  void SetUp() override { StartWindow(); }

  CDevListDlg* Dlg() { return m_dlg->DevList(); }
  QTableWidget* List() { return Dlg()->List(); }
  QPushButton* Button(int id) { return Control<QPushButton>(Dlg(), id); }
  QString Row(int row) {
    QStringList cells;
    for (int c = 0; c < List()->columnCount(); ++c) cells << List()->item(row, c)->text();
    return cells.join('|');
  }

  void Add(const wchar_t* name, const wchar_t* ip, const wchar_t* mac) {
    m_dlg->OnFoundDevice({name, L"1.0", ip, mac});
  }
};

TEST_F(DevListTest, OneRowPerExactMacText) {
  Add(L"R1", L"10.0.0.1", L"00:aa");
  Add(L"R1-renamed", L"10.0.0.99", L"00:aa");  // same MAC: the first row stays as it was
  Add(L"R2", L"10.0.0.2", L"00:AA");           // case differs: a row of its own
  Add(L"E1", L"10.0.0.3", L"");
  Add(L"E2", L"10.0.0.4", L"");  // two empty MACs: one row
  ASSERT_EQ(List()->rowCount(), 3);
  EXPECT_EQ(Row(0), "R1|1.0|10.0.0.1|00:aa");
  EXPECT_EQ(Row(1), "R2|1.0|10.0.0.2|00:AA");
  EXPECT_EQ(Row(2), "E1|1.0|10.0.0.3|");
}

TEST_F(DevListTest, RecordsArrivingWhileHiddenAreListedAndRefreshSearchesAnew) {
  Add(L"R1", L"10.0.0.1", L"m1");
  Add(L"R2", L"10.0.0.2", L"m2");
  EXPECT_FALSE(Dlg()->isVisible());
  MainButton(IDC_MAIN_CONNECT)->click();
  EXPECT_TRUE(Dlg()->isVisible());
  EXPECT_EQ(List()->rowCount(), 2);
  Button(IDC_DEVLIST_REFRESH)->click();
  EXPECT_EQ(List()->rowCount(), 0);
  EXPECT_EQ(m_broadcast.searches, 1);
  Add(L"R2", L"10.0.0.2", L"m2");
  Add(L"R1", L"10.0.0.1", L"m1");
  ASSERT_EQ(List()->rowCount(), 2);
  EXPECT_EQ(Row(0), "R2|1.0|10.0.0.2|m2") << "listed again as found";
}

// A Connect that starts no run says why where there is a box for it, and leaves the window
// unconnected and usable instead of busy.
TEST_F(DevListTest, AConnectThatStartsNoRunLeavesTheWindowUnconnected) {
  const struct {
    const char* what;
    bool selected, session, starts;
    std::vector<QString> boxes;
    const char* status;
  } cases[] = {
      {"no row", false, true, true, {T("IDS_SELECT_LINE_TIPS")}, "IDS_UNSELECTED_DEVICE_TIPS"},
      {"no session", true, false, true, {T("IDS_INVALID_SOCKET_TIPS")}, "IDS_CONNECT_FAIL"},
      {"StartConnect refused", true, true, false, {}, "IDS_CONNECT_FAIL"},
  };
  for (const auto& c : cases) {
    m_bSessionFactoryWorks = c.session;
    m_session.startResult = c.starts;
    m_prompt.texts.clear();
    StartWindow();
    Add(L"R1", L"10.0.0.1", L"m1");
    MainButton(IDC_MAIN_CONNECT)->click();
    if (c.selected) List()->selectRow(0);
    Button(IDC_DEVLIST_CONNECT)->click();
    EXPECT_EQ(m_prompt.Texts(), c.boxes) << c.what;
    EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T(c.status)) << c.what;
    EXPECT_TRUE(m_dlg->isEnabled()) << c.what;
  }
}

TEST_F(DevListTest, ARobotReadyOnUsbIsConnectedThroughTheForwardedPort) {
  m_usb.states = {1};
  StartWindow();
  EXPECT_TRUE(m_dlg->m_bUsbReady);
  Add(L"R1", L"10.0.0.1", L"m1");
  MainButton(IDC_MAIN_CONNECT)->click();
  EXPECT_TRUE(Dlg()->IsUsbMode());
  EXPECT_FALSE(List()->isEnabled());
  List()->selectRow(0);  // plays no part
  Button(IDC_DEVLIST_CONNECT)->click();
  ASSERT_EQ(m_session.starts.size(), 1u);
  EXPECT_EQ(m_session.starts[0].ip, "127.0.0.1");
  EXPECT_EQ(m_dlg->m_nConnectType, 2);
  m_dlg->PostMessage(WM_SESSION_STATE, ZAV_SESSION_CONNECTED, 0);
  PumpPending();
  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_USB_CONNECT_SUCCESS_TIP") + T("IDS_USB_DEVICE") + "  " +
                                     T("IDS_DEVICE_IP_ADDRESS") + "127.0.0.1" +
                                     T("IDS_PORT_NUMBER") + "6102");
}

TEST_F(DevListTest, UsbModeWithoutARobotAsks) {
  m_prompt.answers = {IDYES, IDNO};
  Dlg()->SelectUsbMode();
  EXPECT_EQ(m_prompt.Texts(), std::vector<QString>{T("IDS_NO_USB_TIPS")});
  EXPECT_TRUE(Dlg()->IsUsbMode()) << "Yes";
  Dlg()->SelectUsbMode();
  EXPECT_FALSE(Dlg()->IsUsbMode()) << "No";
  EXPECT_TRUE(Control<QRadioButton>(Dlg(), IDC_DEVLIST_WIFI)->isChecked());
  EXPECT_TRUE(List()->isEnabled());

  m_bUsbFactoryWorks = false;  // without a detection object USB mode is refused
  StartWindow();
  Dlg()->SelectUsbMode();
  EXPECT_EQ(m_prompt.Texts().back(), T("IDS_USB_EXCEPTION_TIPS"));
  EXPECT_FALSE(Dlg()->IsUsbMode());
}

// Robots of one name differ in their MAC: it shows whole in the fonts of both languages, with a
// scroll bar beside the rows too, and the last column takes the free width.
TEST_F(DevListTest, TheMacShowsWholeInTheFontsOfBothLanguages) {
  const QFont appFont = QApplication::font();
  for (const char* family : {"DejaVu Sans", "WenQuanYi Micro Hei"}) {
    QApplication::setFont(QFont(QString::fromLatin1(family)));
    StartWindow();
    for (int n = 10; n < 40; ++n) {
      Add(L"Vorla2", L"10.0.0.1", (L"02:00:00:00:00:" + std::to_wstring(n)).c_str());
    }
    MainButton(IDC_MAIN_CONNECT)->click();
    PumpPending();  // the header lays its sections out on the next turn
    const QString mac = List()->item(0, 3)->text();
    EXPECT_GT(List()->columnWidth(3), List()->fontMetrics().horizontalAdvance(mac) + 6) << family;
    EXPECT_EQ(List()->horizontalHeader()->length(), List()->viewport()->width()) << family;
    EXPECT_EQ(List()->columnWidth(2), 130) << family;
  }
  QApplication::setFont(appFont);
}

// A double click on a row connects to that robot, and a Connect pressed while StartConnect still
// runs starts nothing more.
TEST_F(DevListTest, ADoubleClickedRowIsConnectedOnce) {
  Add(L"R1", L"10.0.0.1", L"m1");
  Add(L"R2", L"10.0.0.2", L"m2");
  MainButton(IDC_MAIN_CONNECT)->click();
  m_session.onStart = [this] { Button(IDC_DEVLIST_CONNECT)->click(); };
  const QRect row = List()->visualRect(List()->model()->index(1, 0));
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, row.center());  // the first click
  QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, row.center());
  ASSERT_EQ(m_session.starts.size(), 1u);
  EXPECT_EQ(m_session.starts[0].ip, "10.0.0.2");
  EXPECT_FALSE(Dlg()->isVisible());
  EXPECT_TRUE(Button(IDC_DEVLIST_CONNECT)->isEnabled()) << "for the next time";
}

}  // namespace
