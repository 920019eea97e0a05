#include "app/MessageBoxStyle.h"

#include <gtest/gtest.h>

#include "ZAVServoSocket.h"
#include "tool/app/QtTestApp.h"

namespace {

using Box = QMessageBox;

// Every style the program and its library show, and the two groups the seam also offers: the
// box's buttons, icon and default, and the answer of the button pressed.
TEST(MessageBoxStyleTest, EachStyleShowsItsButtonsAndIconAndAnswersByTheButtonPressed) {
  QtTestApp();
  const struct {
    unsigned int style;
    Box::StandardButtons buttons;
    Box::Icon icon;
    Box::StandardButton press;
    int answer;
  } cases[] = {
      {MB_OK, Box::Ok, Box::NoIcon, Box::Ok, IDOK},
      {MB_OK | MB_ICONWARNING, Box::Ok, Box::Warning, Box::Ok, IDOK},
      {MB_OK | MB_ICONINFORMATION, Box::Ok, Box::Information, Box::Ok, IDOK},
      {MB_YESNO, Box::Yes | Box::No, Box::NoIcon, Box::Yes, IDYES},
      {MB_YESNO | MB_ICONWARNING, Box::Yes | Box::No, Box::Warning, Box::No, IDNO},
      {MB_OKCANCEL | MB_ICONERROR, Box::Ok | Box::Cancel, Box::Critical, Box::Cancel, IDCANCEL},
      {MB_YESNOCANCEL | MB_ICONQUESTION, Box::Yes | Box::No | Box::Cancel, Box::Question,
       Box::Cancel, IDCANCEL},
  };
  for (const auto& c : cases) {
    BoxPresser presser(c.press);
    EXPECT_EQ(ExecMessageBox(nullptr, "text", "caption", c.style), c.answer) << c.style;
    EXPECT_EQ(presser.shown, 1) << c.style;
    EXPECT_EQ(presser.buttons, c.buttons) << c.style;
    EXPECT_EQ(presser.icon, c.icon) << c.style;
    EXPECT_EQ(presser.defaultButton, c.buttons.testFlag(Box::Yes) ? Box::Yes : Box::Ok) << c.style;
    EXPECT_EQ(presser.title + "/" + presser.text, "caption/text") << c.style;
  }
}

}  // namespace
