// A servo panel on its own, offscreen, with the real timers: what the operator's presses, typing
// and clicks send and show.

#include "calibration/CServoItemDlg.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <qpa/qwindowsysteminterface.h>
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/LanguageSetting.h"
#include "calibration/CalibrationMessages.h"
#include "tool/app/ShippedTexts.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

class ServoPanelTest : public ::testing::Test, public IServoPanelHost {
 protected:
  ServoPanelTest() {
    m_panel = new CServoItemDlg(&m_dialog, this);
    m_panel->SetServoId(3);
    m_panel->ReferenceBox()->setText("90");
    m_panel->ShowAngle(90);
    m_panel->EnablePanel(true);
    m_dialog.show();
    QApplication::setActiveWindow(&m_dialog);
    m_session.clock.start();
  }

  CIZAVSocketSession* PanelSession() override { return &m_session; }
  float PanelCaliValue(int id) override { return id == 3 ? m_fCaliValue : -1000; }
  void PostToMainWindow(unsigned int msg, WPARAM w, LPARAM l) override {
    m_posts.push_back(QString("%1,%2,%3").arg(msg, 0, 16).arg(w).arg(l));
  }

  QToolButton* Button(StepDirection d) {
    return m_panel->findChild<QToolButton*>(
        QString::number(d == StepDirection::Up ? IDC_SERVO_STEP_UP : IDC_SERVO_STEP_DOWN));
  }

  // A mouse press or release on button as the window system delivers it: the toolkit makes a
  // second press within the double-click time a press followed by a double press.
  void Mouse(QToolButton* button, QEvent::Type type) {
    QWindow* window = m_dialog.windowHandle();
    const QPointF at = button->mapTo(&m_dialog, button->rect().center());
    m_timestamp += 20;
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::SynchronousDelivery>(
        window, m_timestamp, at, window->mapToGlobal(at),
        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::LeftButton, type);
  }

  bool AnyTimerRunning() const {
    const QList<QTimer*> timers = m_panel->findChildren<QTimer*>();
    return std::any_of(timers.begin(), timers.end(), [](QTimer* t) { return t->isActive(); });
  }

  QApplication* m_app = QtTestApp();
  Journal m_journal;
  FakeSession m_session{&m_journal};  // outlives the panel, which may move the servo as it goes
  QDialog m_dialog;
  CServoItemDlg* m_panel;
  float m_fCaliValue = 0;
  std::vector<QString> m_posts;
  ulong m_timestamp = 1000;
};

TEST_F(ServoPanelTest, AStepMovesTheServoWhenItsOffsetIsWritableAndARefusedStepIsSwallowed) {
  using enum StepDirection;
  const struct {
    const char* angle;
    int base;
    StepDirection direction;
    const char* angleAfter;
    const char* offset;
    const char* move;  // empty: nothing sent
  } cases[] = {
      {"90", 0, Up, "91", "3", "3,91,100"},
      {"90", 0, Down, "89", "-3", "3,89,100"},
      {"90", 87, Up, "91", "False", ""},  // the step limit is 90, a servo takes 89
      {"240", 0, Up, "240", "-", ""},     // refused
  };
  for (const auto& c : cases) {
    const std::string what = std::string(c.angle) + (c.direction == Up ? " up" : " down");
    m_panel->AngleBox()->setText(c.angle);
    m_panel->ReferenceBox()->setText(c.angle);
    m_panel->OffsetBox()->setText("-");
    m_panel->m_nBaseCali = c.base;
    m_fCaliValue = static_cast<float>(c.base);
    m_session.moves.clear();
    m_timestamp += 1000;  // no double press across rows
    QToolButton* other = Button(c.direction == Up ? Down : Up);

    Mouse(Button(c.direction), QEvent::MouseButtonPress);
    const bool refused = std::string(c.offset) == "-";
    EXPECT_EQ(Button(c.direction)->isDown(), !refused) << what;
    EXPECT_EQ(other->autoRaise(), refused) << what << ": the other button is raised while held";
    EXPECT_EQ(AnyTimerRunning(), !refused) << what;
    EXPECT_EQ(m_panel->AngleBox()->text(), c.angleAfter) << what;
    EXPECT_EQ(m_panel->OffsetBox()->text(), c.offset) << what;
    EXPECT_EQ(m_session.moves, std::vector<std::string>(*c.move ? 1 : 0, c.move)) << what;
    Mouse(Button(c.direction), QEvent::MouseButtonRelease);
    EXPECT_TRUE(other->autoRaise() && !AnyTimerRunning()) << what;
  }
}

// Held until the fifth step, however late a busy machine makes it come; the steps are then
// counted against the time the button was held.
TEST_F(ServoPanelTest, AHeldButtonStepsAtOnceThenAfterHalfASecondEvery80Ms) {
  const std::vector<qint64>& at = m_session.movedAt;
  Mouse(Button(StepDirection::Up), QEvent::MouseButtonPress);
  ASSERT_TRUE(PumpUntil([&] { return at.size() >= 5; }, 10000)) << "1 step, then every 80 ms";
  const qint64 released = m_session.clock.elapsed();
  Mouse(Button(StepDirection::Up), QEvent::MouseButtonRelease);
  EXPECT_LE(static_cast<qint64>(at.size()), 1 + (released - at[0] - 500 + 5) / 80);
  // Repeat i is due 500 + 80 x i ms after the press; a late expiry does not shift the next one.
  for (std::size_t i = 1; i < at.size(); ++i) EXPECT_GE(at[i] - at[0], 500 + 80 * i - 5) << i;
  EXPECT_EQ(m_session.moves.back(), "3," + std::to_string(90 + at.size()) + ",100");
  EXPECT_FALSE(AnyTimerRunning());
}

TEST_F(ServoPanelTest, AfterADoublePressAHeldButtonStepsEveryHalfSecondUntilThePanelIsDisabled) {
  QToolButton* down = Button(StepDirection::Down);
  Mouse(down, QEvent::MouseButtonPress);
  Mouse(down, QEvent::MouseButtonRelease);
  Mouse(down, QEvent::MouseButtonPress);  // and the double press
  ASSERT_EQ(m_session.moves.size(), 2u) << "one step per click";
  const std::vector<qint64>& at = m_session.movedAt;
  ASSERT_TRUE(PumpUntil([&] { return at.size() >= 4; }, 10000));  // held for two repeats
  const qint64 disabled = m_session.clock.elapsed();
  m_panel->EnablePanel(false);  // the link went down: the release never comes
  EXPECT_FALSE(AnyTimerRunning());
  EXPECT_TRUE(Button(StepDirection::Up)->autoRaise());
  EXPECT_LE(static_cast<qint64>(at.size()), 2 + (disabled - at[1] + 5) / 500);
  for (std::size_t i = 2; i < at.size(); ++i) EXPECT_GE(at[i] - at[1], 500 * (i - 1) - 5) << i;
  EXPECT_EQ(m_panel->AngleBox()->text(), QString::number(90 - static_cast<int>(at.size())));
}

// The keyboard steps through the mouse's press table: Space or Enter on a step button, Up or Down
// in the angle box. A held key repeats by the table's timers, not by the key's own repeats.
TEST_F(ServoPanelTest, AKeyStepsOnceAndAHeldKeyRepeatsByTheButtonsTimers) {
  const struct {
    int id;
    Qt::Key key;
    const char* firstMove;
  } keys[] = {{IDC_SERVO_STEP_UP, Qt::Key_Space, "3,91,100"},
              {IDC_SERVO_STEP_DOWN, Qt::Key_Return, "3,89,100"},
              {IDC_SERVO_ANGLE, Qt::Key_Up, "3,91,100"},
              {IDC_SERVO_ANGLE, Qt::Key_Down, "3,89,100"}};
  for (const auto& k : keys) {
    m_panel->ShowAngle(90);
    m_session.moves.clear();
    auto* target = m_panel->findChild<QWidget*>(QString::number(k.id));
    target->setFocus();
    QTest::keyPress(target, k.key);
    EXPECT_EQ(m_session.moves, std::vector<std::string>{k.firstMove}) << k.id;
    // The window system repeats a held key as auto-repeated releases and presses.
    for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
      QKeyEvent repeat(type, k.key, Qt::NoModifier, QString(), true);
      QApplication::sendEvent(target, &repeat);
    }
    EXPECT_EQ(m_session.moves.size(), 1u) << k.id;
    EXPECT_TRUE(PumpUntil([&] { return m_session.moves.size() >= 3; }, 10000)) << k.id;
    QTest::keyRelease(target, k.key);
    EXPECT_FALSE(AnyTimerRunning()) << k.id;
  }
}

// A screen reader's "Press" on a step button steps once.
TEST_F(ServoPanelTest, TheAccessiblePressActionOfAStepButtonStepsOnce) {
  for (const StepDirection d : {StepDirection::Up, StepDirection::Down}) {
    m_session.moves.clear();
    QAccessible::queryAccessibleInterface(Button(d))->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(PumpUntil([&] { return !m_session.moves.empty() && !Button(d)->isDown(); }));
    PumpPending();
    EXPECT_EQ(m_session.moves, std::vector<std::string>{d == StepDirection::Up ? "3,91,100"
                                                                              : "3,90,100"});
    EXPECT_FALSE(AnyTimerRunning());
  }
}

// Every status word is drawn at one size, small enough for the widest of them.
TEST_F(ServoPanelTest, TheStatusWordsShareOneFontSize) {
  QLineEdit* offset = m_panel->OffsetBox();
  std::set<qreal> sizes;
  for (const char* word : {"Wait", "Ok", "False", "Failed"}) {
    offset->setText(word);
    sizes.insert(offset->font().pointSizeF());
  }
  EXPECT_EQ(sizes.size(), 1u);
  EXPECT_LE(offset->fontMetrics().horizontalAdvance("Failed"), offset->contentsRect().width());
}

TEST_F(ServoPanelTest, EnterAndLeavingTheAngleBoxMoveTheServo) {
  QLineEdit* angle = m_panel->AngleBox();
  angle->setFocus();
  angle->setText("100");
  QTest::keyClick(angle, Qt::Key_Return);
  EXPECT_EQ(m_panel->OffsetBox()->text(), "30");
  angle->setText("300");
  QTest::keyClick(angle, Qt::Key_Escape);
  EXPECT_TRUE(m_dialog.isVisible()) << "Enter and Esc stay in the panel";
  m_panel->OffsetBox()->setFocus();  // leaving moves even where the offset is out of range
  EXPECT_EQ(angle->text(), "240");
  EXPECT_EQ(m_panel->OffsetBox()->text(), "False");
  angle->setFocus();
  m_panel->EnablePanel(false);  // a disabled panel's box loses focus and moves nothing
  EXPECT_FALSE(angle->hasFocus());
  EXPECT_EQ(m_session.moves, (std::vector<std::string>{"3,100,100", "3,240,1000"}));
}

// Near a reference of 20 even angle 0 implies a writable offset: an emptied box or an angle
// beyond 240 must still move nothing, and the box shows the angle the servo was last sent to.
TEST_F(ServoPanelTest, AnAngleBoxWithoutAServoAngleMovesNothingAndShowsTheLastAngleAgain) {
  QLineEdit* angle = m_panel->AngleBox();
  m_panel->ReferenceBox()->setText("20");
  m_panel->ShowAngle(20);
  enum Action { kEnter, kLeave, kStepUp, kStepDown };
  const struct {
    const char* text;
    Action action;
    const char* move;       // empty: nothing sent
    const char* boxAfter;
  } cases[] = {
      {"", kEnter, "", "20"},    {"", kLeave, "", "20"},      {"", kStepUp, "", "20"},
      {"", kStepDown, "", "20"}, {"300", kEnter, "", "20"},   {"25", kEnter, "3,25,100", "25"},
      {"", kLeave, "", "25"},    {"0", kLeave, "3,0,1000", "0"},
  };
  for (const auto& c : cases) {
    const std::string what = std::string("\"") + c.text + "\" " + std::to_string(c.action);
    angle->setFocus();
    angle->setText(c.text);
    m_session.moves.clear();
    m_timestamp += 1000;
    if (c.action == kEnter) QTest::keyClick(angle, Qt::Key_Return);
    if (c.action == kLeave) m_panel->OffsetBox()->setFocus();
    for (const StepDirection d : {StepDirection::Up, StepDirection::Down}) {
      if (c.action != (d == StepDirection::Up ? kStepUp : kStepDown)) continue;
      Mouse(Button(d), QEvent::MouseButtonPress);
      Mouse(Button(d), QEvent::MouseButtonRelease);
    }
    EXPECT_EQ(m_session.moves, std::vector<std::string>(*c.move ? 1 : 0, c.move)) << what;
    EXPECT_EQ(angle->text(), QString(c.boxAfter)) << what;
  }
}

TEST_F(ServoPanelTest, TheBoxesFilterTypingButNotPastingAndTheOffsetIsRedUntilAGoodReply) {
  QLineEdit* offset = m_panel->OffsetBox();
  offset->setFocus();
  QTest::keyClicks(offset, "-1-2.3.x 4");
  EXPECT_EQ(offset->text(), "-12.34");
  offset->selectAll();
  QTest::keyClick(offset, Qt::Key_Minus);
  EXPECT_EQ(offset->text(), "-");
  QApplication::clipboard()->setText("a.b.-");
  QTest::keyClick(offset, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(offset->text(), "-a.b.-");

  EXPECT_EQ(offset->palette().color(QPalette::Text), QColor(255, 0, 0));
  m_panel->SetLastOk(true);
  EXPECT_EQ(offset->palette().color(QPalette::Text), QColor(0, 0, 0));

  QLineEdit* angle = m_panel->AngleBox();
  angle->clear();
  angle->setFocus();
  QTest::keyClicks(angle, "1a-2. ");
  // A digit, but not an ASCII one: the box wants the robot's numbers.
  QTest::sendKeyEvent(QTest::Click, angle, Qt::Key_unknown, QStringLiteral("\u0663"), {});
  QTest::keyClicks(angle, "4");
  EXPECT_EQ(angle->text(), "124");
}

TEST_F(ServoPanelTest, ClickingTheSelectionBoxPostsItsNewStateWithTheServoId) {
  m_panel->SetSelected(true);
  QCheckBox* box = m_panel->findChild<QCheckBox*>(QString::number(IDC_SERVO_SELECT));
  box->click();
  box->click();
  m_panel->SetSelected(false);  // set by Select all: not a click
  EXPECT_EQ(m_posts, (std::vector<QString>{"8b2,1,3", "8b2,0,3"}));
}

TEST_F(ServoPanelTest, EveryControlIsNamedWithTheServoNumberInTheLanguageInForce) {
  const struct { int id; const char* english; const char* chinese; } controls[] = {
      {IDC_SERVO_NUMBER, "Servo 3: number", "舵机 3：编号"},
      {IDC_SERVO_STEP_UP, "Servo 3: step up", "舵机 3：角度加一"},
      {IDC_SERVO_ANGLE, "Servo 3: angle", "舵机 3：角度"},
      {IDC_SERVO_STEP_DOWN, "Servo 3: step down", "舵机 3：角度减一"},
      {IDC_SERVO_REFERENCE, "Servo 3: reference angle", "舵机 3：参考角度"},
      {IDC_SERVO_OFFSET, "Servo 3: offset", "舵机 3：偏移量"},
      {IDC_SERVO_SELECT, "Servo 3: select for calibration", "舵机 3：选中校准"},
  };
  for (const int language : {kLanguageEnglish, kLanguageChinese}) {
    UseShippedTexts(language);
    m_panel->SetServoId(3);
    for (const auto& c : controls) {
      const QWidget* control = m_panel->findChild<QWidget*>(QString::number(c.id));
      EXPECT_EQ(control->accessibleName(),
                QString::fromUtf8(language == kLanguageEnglish ? c.english : c.chinese));
      EXPECT_FALSE(control->accessibleDescription().isEmpty()) << c.id;
    }
  }
}

}  // namespace
