// The scanner's view window taken into the serial number window, on a real X server (Xvfb).

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <thread>

#include "provisioning/QRScan.h"
#include "provisioning/SNSettingDlg.h"
#include "tool/app/QtTestApp.h"
#include "tool/provisioning/SNSettingDlgDoubles.h"

// Last: Xlib's macros would clash with the headers above.
#include <X11/Xlib.h>

namespace {

Window ParentOf(Display* display, Window window) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  XQueryTree(display, window, &root, &parent, &children, &count);
  if (children != nullptr) XFree(children);
  return parent;
}

TEST(ScanViewTest, TheViewWindowFoundByItsTitleFillsTheAreaAboveTheStrip) {
  QtTestApp();
  Display* display = XOpenDisplay(nullptr);
  if (QGuiApplication::platformName() != QLatin1String("xcb") || display == nullptr) {
    GTEST_SKIP() << "needs an X display (runs under xvfb-run)";
  }
  // Stands in for zbar's view window, on a display connection of its own as zbar's is.
  const Window root = DefaultRootWindow(display);
  const Window view = XCreateSimpleWindow(display, root, 0, 0, 320, 240, 0, 0, 0);
  XStoreName(display, view, "zbar barcode reader");
  XMapWindow(display, view);
  XSync(display, False);

  RecordingPrompt prompt;
  SNSettingDlg dlg(nullptr, &prompt, std::make_unique<FakeHttpOper>());
  dlg.show();
  std::thread([&] { dlg.OnScanWindow(kScanViewTitle); }).join();
  ASSERT_TRUE(PumpUntil([&] { return dlg.ScanView() != nullptr; }));
  EXPECT_EQ(dlg.ScanView()->geometry(), QRect(0, 0, dlg.width(), dlg.height() - 30));
  EXPECT_TRUE(PumpUntil([&] { return ParentOf(display, view) != root; })) << "still top-level";
  dlg.hide();
  XCloseDisplay(display);
}

}  // namespace
