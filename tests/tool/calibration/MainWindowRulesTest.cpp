#include "calibration/MainWindowRules.h"

#include <gtest/gtest.h>

#include "app/LanguageSetting.h"
#include "app/Text.h"
#include "calibration/CalibrationMessages.h"
#include "calibration/ConnectionRules.h"
#include "tool/app/ShippedTexts.h"

namespace {

// Plugging and pulling in turn: each event's text replaces the last one's, in both languages and
// behind every line the status line can show.
TEST(StatusLineTest, EachUsbEventReplacesTheLastOne) {
  for (const int language : {kLanguageChinese, kLanguageEnglish}) {
    UseShippedTexts(language);
    const QString wifi = ConnectedStatusLine(CONNECT_WIFI, "R", "10.0.0.5", 6102);
    const QString usb = ConnectedStatusLine(CONNECT_USB, T("IDS_USB_DEVICE"), "127.0.0.1", 6102);
    for (const QString& line : {T("IDS_READY"), T("IDS_STATE_DISCONNECT"), wifi, usb}) {
      QString shown = line;
      for (const char* key :
           {"IDS_TESTED_USB_INSERT", "IDS_TESTED_USB_PULLED", "IDS_TESTED_USB_INSERT"}) {
        shown = StatusLineAfterUsbEvent(shown, T(key));
        EXPECT_EQ(shown, line + T(key)) << language << " " << key;
      }
    }
  }
}

}  // namespace
