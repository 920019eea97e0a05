// The calibration with the keyboard alone, offscreen: every key goes to the widget that has the
// focus, as the window system sends it, and no mouse event is made. And what a screen reader is
// told of the message display and the status line.

#include <algorithm>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include "app/LanguageSetting.h"
#include "app/Text.h"
#include "calibration/CDevListDlg.h"
#include "calibration/MessageBar.h"
#include "tool/app/ShippedTexts.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

class KeyboardTest : public CalibrationFixture {
 protected:
  static QWidget* Focus() { return QApplication::focusWidget(); }

  // key pressed and released where the focus is.
  static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    ASSERT_NE(Focus(), nullptr);
    QTest::keyClick(Focus(), key, modifiers);
    // QTest releases a modifier key with the modifier still reported down; the keys that follow
    // are without it.
    QGuiApplicationPrivate::modifier_buttons = Qt::NoModifier;
    PumpPending();
  }

  // Where Tab (or Shift+Tab) takes the focus, step by step, until it comes back to where it
  // started (at most limit steps): "panel:id" for a panel's control, else the control's id.
  static std::vector<std::string> TabChain(Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                                           int limit = 60) {
    std::vector<std::string> chain;
    QWidget* start = Focus();
    do {
      const auto* panel = qobject_cast<const CServoItemDlg*>(Focus()->parentWidget());
      chain.push_back((panel ? std::to_string(panel->ServoId()) + ":" : std::string()) +
                      Focus()->objectName().toStdString());
      Key(Qt::Key_Tab, modifiers);
    } while (Focus() != start && static_cast<int>(chain.size()) < limit);
    return chain;
  }

  void ShowAndFind(int robots) {
    StartWindow();
    for (int n = 1; n <= robots; ++n) {
      const std::wstring i = std::to_wstring(n);
      m_dlg->OnFoundDevice({L"Vorla2", L"2", L"10.0.0." + i, L"02:00:00:00:00:0" + i});
    }
    m_dlg->show();
    ASSERT_TRUE(PumpUntil([&] { return Focus() != nullptr; }));
  }
};

TEST_F(KeyboardTest, TheWholeCalibrationWithTheKeyboardAlone) {
  ShowAndFind(2);
  EXPECT_EQ(Focus(), MainButton(IDC_MAIN_ABOUT));
  Key(Qt::Key_Tab);
  ASSERT_EQ(Focus(), MainButton(IDC_MAIN_CONNECT));
  Key(Qt::Key_Space);
  CDevListDlg* devList = m_dlg->DevList();
  ASSERT_TRUE(devList->isVisible());
  ASSERT_TRUE(PumpUntil([&] { return Focus() == devList->List(); })) << "on the listed robots";

  // The second robot, chosen with the arrow keys; Enter connects to it.
  Key(Qt::Key_Down);
  Key(Qt::Key_Return);
  ASSERT_EQ(m_session.starts.size(), 1u);
  EXPECT_EQ(m_session.starts[0].ip, "10.0.0.2");
  ASSERT_TRUE(PumpUntil([&] { return !devList->isVisible() && Focus() != nullptr; }));
  EXPECT_EQ(Focus(), MainButton(IDC_MAIN_CONNECT)) << "back where it was";
  m_dlg->PostMessage(WM_SESSION_STATE, ZAV_SESSION_CONNECTED, 0);
  PumpPending();
  ASSERT_EQ(Focus(), Panel(1)->AngleBox()) << "connected: on the first panel";

  // Step servo 1 with Up in its angle box, then with Space on its step-down button (leaving the
  // box moves the servo to the box's angle, as a click elsewhere does); type an angle.
  Key(Qt::Key_Up);
  Key(Qt::Key_Tab);
  ASSERT_EQ(Focus()->objectName(), QString::number(IDC_SERVO_STEP_DOWN));
  Key(Qt::Key_Space);
  Key(Qt::Key_Tab, Qt::ShiftModifier);
  ASSERT_EQ(Focus(), Panel(1)->AngleBox());
  QTest::keyClicks(Focus(), "95");
  Key(Qt::Key_Return);
  EXPECT_EQ(m_session.moves,
            (std::vector<std::string>{"1,91,100", "1,91,1000", "1,90,100", "1,95,100"}));

  // Servo 1 cleared with Space and selected again; Select all follows.
  auto* selectAll = Control<QCheckBox>(m_dlg.get(), IDC_MAIN_SELECT_ALL);
  for (int tab = 0; tab < 3; ++tab) Key(Qt::Key_Tab);
  ASSERT_EQ(Focus()->objectName(), QString::number(IDC_SERVO_SELECT));
  Key(Qt::Key_Space);
  EXPECT_FALSE(Panel(1)->IsSelected() || selectAll->isChecked());
  Key(Qt::Key_Space);
  EXPECT_TRUE(Panel(1)->IsSelected() && selectAll->isChecked());

  // Calibrate, Reset, Disconnect and Exit by their shortcuts, each named in its tooltip.
  for (int id : {IDC_MAIN_ABOUT, IDC_MAIN_CONNECT, IDC_MAIN_READ_CHECK, IDC_MAIN_RESET,
                 IDC_MAIN_CALIBRATE, IDC_MAIN_EXIT}) {
    const QString keys = MainButton(id)->shortcut().toString(QKeySequence::NativeText);
    EXPECT_TRUE(!keys.isEmpty() && MainButton(id)->toolTip().contains(keys)) << id;
  }
  EXPECT_TRUE(selectAll->toolTip().contains(selectAll->shortcut().toString()));
  Key(Qt::Key_B, Qt::AltModifier);
  ASSERT_TRUE(PumpUntil([&] { return m_session.Writes().size() == 3; }));
  EXPECT_EQ(m_session.Writes(), (std::vector<std::pair<int, int>>{{1, 15}, {2, 0}, {3, 0}}));
  m_session.moves.clear();
  Key(Qt::Key_R, Qt::AltModifier);
  ASSERT_TRUE(PumpUntil([&] { return m_session.moves.size() == 3; }));
  EXPECT_EQ(m_session.moves.front(), "1,90,2000");
  Key(Qt::Key_C, Qt::AltModifier);
  EXPECT_TRUE(PumpUntil([&] { return m_session.stops == 1; }));
  EXPECT_EQ(MainButton(IDC_MAIN_CONNECT)->text(), T("IDS_CONNECT_ROBOT"));
  Key(Qt::Key_X, Qt::AltModifier);
  EXPECT_TRUE(PumpUntil([&] { return !m_dlg->isVisible(); }));
  EXPECT_EQ(m_journal, (Journal{"usb", "broadcast", "session"}));
}

// Tab goes down the command column, then panel by panel, left to right: step up, angle, step
// down, offset, selection. The read-only reference box is no stop.
TEST_F(KeyboardTest, TabGoesDownTheCommandsThenPanelByPanel) {
  ShowAndFind(0);
  m_dlg->UpdateConnectionUi(CONNECT_WIFI);
  std::vector<std::string> expected = {"1009", "1006", "1013", "1007", "1008", "1010", "1"};
  for (int panel = 1; panel <= 3; ++panel) {
    for (int id : {IDC_SERVO_STEP_UP, IDC_SERVO_ANGLE, IDC_SERVO_STEP_DOWN, IDC_SERVO_OFFSET,
                   IDC_SERVO_SELECT}) {
      expected.push_back(std::to_string(panel) + ":" + std::to_string(id));
    }
  }
  EXPECT_EQ(TabChain(), expected);
}

// Tab leaves the robot list for the mode buttons and the dialog's buttons, and comes back;
// Shift+Tab and Ctrl+Tab leave it as well.
TEST_F(KeyboardTest, TabLeavesTheRobotListForTheModeAndTheButtons) {
  ShowAndFind(3);
  MainButton(IDC_MAIN_CONNECT)->click();
  QTableWidget* list = m_dlg->DevList()->List();
  ASSERT_TRUE(PumpUntil([&] { return Focus() == list; }));
  const std::vector<std::string> chain = {"1014", "1015", "1018", "1006", "1032"};
  EXPECT_EQ(TabChain(), chain);
  EXPECT_EQ(TabChain(Qt::ShiftModifier),
            (std::vector<std::string>{"1014", "1032", "1006", "1018", "1015"}));
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_NE(Focus(), list);
}

std::vector<std::pair<QObject*, QAccessible::Event>> g_events;

// The message display and the status line say their text on the accessibility bus, and a new
// text raises the event that makes a screen reader read it, in both languages.
TEST_F(KeyboardTest, TheMessageDisplayAndTheStatusLineAreReadOnTheAccessibilityBus) {
  QPlatformAccessibility* bus = QGuiApplicationPrivate::platformIntegration()->accessibility();
  ASSERT_NE(bus, nullptr);
  bus->setActive(true);
  QAccessible::installUpdateHandler(
      [](QAccessibleEvent* event) { g_events.emplace_back(event->object(), event->type()); });
  for (const int language : {kLanguageEnglish, kLanguageChinese}) {
    UseShippedTexts(language);
    ShowAndFind(0);
    const struct {
      QWidget* control;
      std::function<void()> change;
      const char* key;
    } cases[] = {
        {m_dlg->MessageDisplay(), [&] { m_dlg->ShowStatus(T("IDS_CHECK_ENGINE_SUCCESS"), false); },
         "IDS_CHECK_ENGINE_SUCCESS"},
        {Control<QWidget>(m_dlg.get(), IDC_MAIN_STATUS),
         [&] {
           m_dlg->PostMessage(WM_SESSION_STATE, ZAV_SESSION_ENDED, ZAV_SESSION_END_LINK_LOST);
           PumpPending();
         },
         "IDS_STATE_DISCONNECT"},
    };
    for (const auto& c : cases) {
      g_events.clear();
      c.change();
      QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(c.control);
      EXPECT_EQ(shown->text(QAccessible::Name), T(c.key)) << c.key;
      EXPECT_FALSE(shown->text(QAccessible::Description).isEmpty()) << c.key;
      const std::pair<QObject*, QAccessible::Event> announced(c.control, QAccessible::NameChanged);
      EXPECT_NE(std::find(g_events.begin(), g_events.end(), announced), g_events.end()) << c.key;
    }
  }
  QAccessible::installUpdateHandler(nullptr);
  bus->setActive(false);
}

}  // namespace
