// The scanner's view window taken into the serial number window, on a real X server (Xvfb).

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <filesystem>
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

std::size_t ThreadCount() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

// Scanning feeds the window through a pointer inside it: when the window goes, the scanner's
// threads (the wait thread and zbar's own) end first, so no code decoded later reaches it. A
// processor with a view window and no camera stands in for the camera's.
TEST(ScanViewTest, TheWindowEndsTheScanningThatFeedsItWhenItGoes) {
  QtTestApp();
  Display* display = XOpenDisplay(nullptr);
  if (QGuiApplication::platformName() != QLatin1String("xcb") || display == nullptr) {
    GTEST_SKIP() << "needs an X display (runs under xvfb-run)";
  }
  XCloseDisplay(display);
  RecordingPrompt prompt;
  auto dlg = std::make_unique<SNSettingDlg>(nullptr, &prompt, std::make_unique<FakeHttpOper>());
  dlg->show();
  ASSERT_TRUE(DrainPosted(dlg.get()));
  const std::size_t threads = ThreadCount();  // Qt's own start with the first window
  g_pZBarProcessor = zbar::zbar_processor_create(1);
  ASSERT_EQ(zbar::zbar_processor_init(g_pZBarProcessor, nullptr, 1), 0);
  ASSERT_EQ(zbar::zbar_processor_set_visible(g_pZBarProcessor, 1), 0);
  StartScanWaitThread(dlg->ScanSink());
  ASSERT_TRUE(PumpUntil([&] { return dlg->ScanView() != nullptr; })) << "the wait thread runs";
  ASSERT_GT(ThreadCount(), threads);
  dlg.reset();
  EXPECT_EQ(g_pZBarProcessor, nullptr) << "the processor ended with the window";
  EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == threads; })) << ThreadCount() << " threads";
}

}  // namespace
