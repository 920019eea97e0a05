#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

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
  QRadioButton* Radio(int id) { return Control<QRadioButton>(Dlg(), id); }
  QPushButton* Button(int id) { return Control<QPushButton>(Dlg(), id); }
  QString Cell(int row, int column) { return List()->item(row, column)->text(); }

  void Add(const wchar_t* name, const wchar_t* ip, const wchar_t* mac) {
    m_dlg->OnFoundDevice({name, L"1.0", ip, mac});
  }
  // The main window's Connect button, as the operator presses it.
  void PressMainConnect() { Control<QToolButton>(m_dlg.get(), IDC_MAIN_CONNECT)->click(); }
  void SelectRows(std::initializer_list<int> rows) {
    List()->clearSelection();
    for (int row : rows) {
      List()->selectionModel()->select(List()->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
};

TEST_F(DevListTest, OpensWithColumnsGridAndDisabledRadios) {
  ASSERT_EQ(List()->columnCount(), 4);
  const char* headings[] = {"IDS_DEVICE_NAME", "IDS_VERSION_NUMBER", "IDS_IP_ADDRESS",
                            "IDS_MAC_ADDRESS"};
  const int widths[] = {100, 110, 130};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(List()->horizontalHeaderItem(c)->text(), T(headings[c]));
  for (int c = 0; c < 3; ++c) EXPECT_EQ(List()->columnWidth(c), widths[c]);
  EXPECT_TRUE(List()->showGrid());
  EXPECT_EQ(List()->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(List()->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_TRUE(Radio(IDC_DEVLIST_WIFI)->isChecked());
  EXPECT_FALSE(Radio(IDC_DEVLIST_WIFI)->isEnabled());
  EXPECT_FALSE(Radio(IDC_DEVLIST_USB)->isEnabled());
  EXPECT_EQ(Radio(IDC_DEVLIST_WIFI)->text(), "WIFI");
  EXPECT_EQ(Button(IDC_DEVLIST_REFRESH)->text(), T("IDS_REFRESH"));
  EXPECT_EQ(Button(IDC_DEVLIST_EXIT)->text(), T("IDS_EXIT"));
  EXPECT_TRUE(Button(IDC_DEVLIST_EXIT)->isDefault());
  EXPECT_EQ(Dlg()->windowTitle(), T("IDS_AVAILABLE_CURRENT_CONNECTION"));
}

TEST_F(DevListTest, OneRowPerExactMacText) {
  Add(L"R1", L"10.0.0.1", L"00:aa");
  Add(L"R1-renamed", L"10.0.0.99", L"00:aa");  // same MAC: first row stays as it was
  Add(L"R2", L"10.0.0.2", L"00:AA");           // case differs: a row of its own
  Add(L"E1", L"10.0.0.3", L"");
  Add(L"E2", L"10.0.0.4", L"");  // two empty MACs: one row
  ASSERT_EQ(List()->rowCount(), 3);
  EXPECT_EQ(Cell(0, 0), "R1");
  EXPECT_EQ(Cell(0, 1), "1.0");
  EXPECT_EQ(Cell(0, 2), "10.0.0.1");
  EXPECT_EQ(Cell(0, 3), "00:aa");
  EXPECT_EQ(Cell(1, 3), "00:AA");
  EXPECT_EQ(Cell(2, 0), "E1");
}

TEST_F(DevListTest, RecordsArrivingWhileHiddenAreListedWhenShown) {
  EXPECT_FALSE(Dlg()->isVisible());
  Add(L"R1", L"10.0.0.1", L"m1");
  Add(L"R2", L"10.0.0.2", L"m2");
  PressMainConnect();
  EXPECT_TRUE(Dlg()->isVisible());
  EXPECT_EQ(List()->rowCount(), 2);
}

TEST_F(DevListTest, RefreshEmptiesTheListAndSearchesAgain) {
  Add(L"R1", L"10.0.0.1", L"m1");
  Add(L"R2", L"10.0.0.2", L"m2");
  Add(L"R3", L"10.0.0.3", L"m3");
  Button(IDC_DEVLIST_REFRESH)->click();
  EXPECT_EQ(List()->rowCount(), 0);
  EXPECT_EQ(m_broadcast.searches, 1);
  Add(L"R3", L"10.0.0.3", L"m3");
  Add(L"R1", L"10.0.0.1", L"m1");
  ASSERT_EQ(List()->rowCount(), 2);
  EXPECT_EQ(Cell(0, 0), "R3");
  EXPECT_EQ(Cell(1, 0), "R1");
}

TEST_F(DevListTest, WifiConnectTakesTheLowestSelectedRow) {
  for (int i = 1; i <= 5; ++i) {
    const std::wstring n = std::to_wstring(i);
    Add((L"R" + n).c_str(), (L"10.0.0." + n).c_str(), (L"m" + n).c_str());
  }
  PressMainConnect();
  EXPECT_FALSE(m_dlg->isEnabled());
  SelectRows({3, 1});  // rows 4 and 2, the later one selected first
  Button(IDC_DEVLIST_CONNECT)->click();
  ASSERT_EQ(m_session.starts.size(), 1u);
  EXPECT_EQ(m_session.starts[0].ip, "10.0.0.2");
  EXPECT_EQ(m_dlg->m_strDevName, "R2");
  EXPECT_EQ(m_dlg->m_strIP, "10.0.0.2");
  EXPECT_EQ(m_dlg->m_nPort, 6102);
  EXPECT_EQ(m_dlg->m_nConnectType, 1);
  EXPECT_FALSE(Dlg()->isVisible());
  EXPECT_TRUE(m_dlg->isEnabled());
  EXPECT_TRUE(m_prompt.boxes.empty());
}

TEST_F(DevListTest, WifiConnectWithoutSelectionTellsAndLeavesTheWindowUnconnected) {
  Add(L"R1", L"10.0.0.1", L"m1");
  PressMainConnect();
  Button(IDC_DEVLIST_CONNECT)->click();
  EXPECT_TRUE(m_session.starts.empty());
  ASSERT_EQ(m_prompt.boxes.size(), 1u);
  EXPECT_EQ(m_prompt.boxes[0].text, T("IDS_SELECT_LINE_TIPS"));
  EXPECT_EQ(m_prompt.boxes[0].caption, T("AFX_IDS_APP_TITLE"));
  EXPECT_EQ(m_prompt.boxes[0].style, MB_OK);
  EXPECT_EQ(m_dlg->m_nConnectType, 0);
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), QString(39, ' ') + T("IDS_UNSELECTED_DEVICE_TIPS"));
  EXPECT_FALSE(Dlg()->isVisible());
  EXPECT_TRUE(m_dlg->isEnabled());
}

TEST_F(DevListTest, ConnectWithoutSessionTellsAndEndsTheBusyDisplay) {
  m_bSessionFactoryWorks = false;
  StartWindow();
  Add(L"R1", L"10.0.0.1", L"m1");
  PressMainConnect();
  List()->selectRow(0);
  Button(IDC_DEVLIST_CONNECT)->click();
  EXPECT_EQ(m_prompt.Texts(), (std::vector<QString>{T("IDS_INVALID_SOCKET_TIPS")}));
  EXPECT_EQ(m_dlg->m_nConnectType, 0);
  EXPECT_FALSE(m_dlg->MessageDisplay()->IsMarquee());
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), QString(39, ' ') + T("IDS_CONNECT_FAIL"));
  EXPECT_FALSE(Dlg()->isVisible());
  EXPECT_TRUE(m_dlg->isEnabled());
}

TEST_F(DevListTest, SessionThatCannotStartEndsTheBusyDisplay) {
  m_session.startResult = false;
  Add(L"R1", L"10.0.0.1", L"m1");
  PressMainConnect();
  List()->selectRow(0);
  Button(IDC_DEVLIST_CONNECT)->click();
  EXPECT_EQ(m_session.starts.size(), 1u);
  EXPECT_EQ(m_dlg->m_nConnectType, 0);
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), QString(39, ' ') + T("IDS_CONNECT_FAIL"));
}

TEST_F(DevListTest, UsbModeWithoutDetectionObjectIsRefused) {
  m_bUsbFactoryWorks = false;
  StartWindow();
  Dlg()->SelectUsbMode();
  EXPECT_EQ(m_prompt.Texts(), (std::vector<QString>{T("IDS_USB_EXCEPTION_TIPS")}));
  EXPECT_FALSE(Dlg()->IsUsbMode());
  EXPECT_TRUE(List()->isEnabled());
}

TEST_F(DevListTest, UsbModeWithARobotReadyConnectsToTheForwardedPort) {
  m_dlg->m_bUsbReady = true;
  Add(L"R1", L"10.0.0.1", L"m1");
  PressMainConnect();
  EXPECT_TRUE(Dlg()->IsUsbMode());
  EXPECT_FALSE(Radio(IDC_DEVLIST_WIFI)->isChecked());
  EXPECT_FALSE(List()->isEnabled());
  EXPECT_EQ(Button(IDC_DEVLIST_CONNECT)->text(), T("IDS_USB_CONNECT"));
  List()->selectRow(0);  // plays no part
  Button(IDC_DEVLIST_CONNECT)->click();
  ASSERT_EQ(m_session.starts.size(), 1u);
  EXPECT_EQ(m_session.starts[0].ip, "127.0.0.1");
  EXPECT_EQ(m_dlg->m_strDevName, T("IDS_USB_DEVICE"));
  EXPECT_EQ(m_dlg->m_nConnectType, 2);
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), T("IDS_USB_CONNECT_ROBOT"));
  EXPECT_TRUE(m_prompt.boxes.empty());

  // Back in Wi-Fi mode the list works again.
  m_dlg->m_bUsbReady = false;
  Dlg()->SelectWifiMode();
  EXPECT_TRUE(List()->isEnabled());
  EXPECT_EQ(Button(IDC_DEVLIST_CONNECT)->text(), T("IDS_CONNECT_ROBOT"));
}

TEST_F(DevListTest, UsbModeWithoutARobotAsks) {
  m_prompt.answers = {IDYES, IDNO};
  Dlg()->SelectUsbMode();
  ASSERT_EQ(m_prompt.boxes.size(), 1u);
  EXPECT_EQ(m_prompt.boxes[0].text, T("IDS_NO_USB_TIPS"));
  EXPECT_EQ(m_prompt.boxes[0].caption, T("IDS_TIPS"));
  EXPECT_EQ(m_prompt.boxes[0].style, MB_YESNO);
  EXPECT_TRUE(Dlg()->IsUsbMode());
  Dlg()->SelectUsbMode();  // No: Wi-Fi mode, list usable
  EXPECT_FALSE(Dlg()->IsUsbMode());
  EXPECT_TRUE(Radio(IDC_DEVLIST_WIFI)->isChecked());
  EXPECT_TRUE(List()->isEnabled());
}

TEST_F(DevListTest, ExitAndEscapeCloseAndKeepTheRows) {
  Add(L"R1", L"10.0.0.1", L"m1");
  PressMainConnect();
  Button(IDC_DEVLIST_EXIT)->click();
  EXPECT_FALSE(Dlg()->isVisible());
  EXPECT_TRUE(m_dlg->isEnabled());
  PressMainConnect();
  EXPECT_FALSE(m_dlg->isEnabled());
  QTest::keyClick(Dlg(), Qt::Key_Escape);
  EXPECT_FALSE(Dlg()->isVisible());
  EXPECT_TRUE(m_dlg->isEnabled());
  PressMainConnect();
  Dlg()->close();  // the close box
  EXPECT_FALSE(Dlg()->isVisible());
  EXPECT_TRUE(m_dlg->isEnabled());
  EXPECT_EQ(List()->rowCount(), 1);
  EXPECT_TRUE(m_session.starts.empty());
}

TEST_F(DevListTest, RefreshWithoutDiscoveryOnlyEmptiesTheList) {
  m_bBroadcastFactoryWorks = false;
  StartWindow();
  Add(L"R1", L"10.0.0.1", L"m1");
  Dlg()->OnRefresh();
  EXPECT_EQ(List()->rowCount(), 0);
  EXPECT_EQ(m_broadcast.searches, 0);
}

}  // namespace
