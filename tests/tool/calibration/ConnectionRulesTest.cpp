#include "calibration/ConnectionRules.h"

#include <gtest/gtest.h>

#include <string>

#include "calibration/CalibrationMessages.h"
#include "calibration/CaltrimIcons.h"

namespace {

// The commands follow the connection; the Connect button offers what pressing it will do, and an
// unknown mode leaves the button alone (while its commands still count as connected).
TEST(ConnectionRulesTest, EachModeEnablesTheCommandsAndDressesTheConnectButton) {
  const struct {
    int mode;
    bool enabled;
    const char* caption;  // null: the button is left as it is
    int icon;
    const char* tooltip;
  } cases[] = {
      {CONNECT_NONE, false, "IDS_CONNECT_ROBOT", IDI_PLUG, "IDS_CONNECT_TO_ROBOT"},
      {CONNECT_WIFI, true, "IDS_DISCONNECT", IDI_UNPLUGGED, "IDS_DISCONNECT_ROBOT"},
      {CONNECT_USB, true, "IDS_DISCONNECT", IDI_UNPLUGGED, "IDS_DISCONNECT_ROBOT"},
      {3, true, nullptr, 0, nullptr},
  };
  for (const auto& c : cases) {
    const ConnectionUi ui = ConnectionUiFor(c.mode);
    EXPECT_EQ(ui.commandsEnabled, c.enabled) << c.mode;
    EXPECT_EQ(ui.hideSerialNumberWindow, !c.enabled) << c.mode;
    ASSERT_EQ(ui.connectButton.has_value(), c.caption != nullptr) << c.mode;
    if (!ui.connectButton) continue;
    EXPECT_EQ(std::string(ui.connectButton->captionKey), c.caption) << c.mode;
    EXPECT_EQ(ui.connectButton->icon, c.icon) << c.mode;
    EXPECT_EQ(std::string(ui.connectButton->tooltipKey), c.tooltip) << c.mode;
  }
}

}  // namespace
