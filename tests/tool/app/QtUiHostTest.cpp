#include "app/QtUiHost.h"

#include <atomic>
#include <thread>

#include <QWidget>

#include <gtest/gtest.h>

#include "tool/app/QtTestApp.h"
#include "tool/app/QueuedInput.h"

namespace {

// The host with its boxes answered instead of shown, recording the thread they were shown on.
class AnsweringHost : public QtUiHost {
 public:
  int answer = IDYES;
  int shown = 0;
  QThread* shownOn = nullptr;
  QString text, caption;

 protected:
  int ShowBox(const QString& t, const QString& c, unsigned int) override {
    shownOn = QThread::currentThread();
    text = t;
    caption = c;
    ++shown;
    return answer;
  }
};

// Asks host for a box from a worker thread while this, the user-interface thread, waits the way
// it waits for a library thread: pumping.
int AskFromWorker(QtUiHost& host, const char* text, const char* caption, unsigned int style) {
  int result = 0;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    result = host.MessageBox(text, caption, style);
    done = true;
  });
  while (!done) {
    host.PumpMessages();
    QThread::msleep(1);
  }
  worker.join();
  return result;
}

class QtUiHostTest : public ::testing::Test {
 protected:
  void SetUp() override { QtTestApp(); }
};

TEST_F(QtUiHostTest, BoxesFromAnyThreadAreShownOnTheUiThread) {
  AnsweringHost host;
  EXPECT_EQ(AskFromWorker(host, "Robot search failed", "Caltrim", MB_YESNO | MB_ICONWARNING),
            IDYES);
  EXPECT_EQ(host.shownOn, QThread::currentThread());
  EXPECT_EQ(host.text, QStringLiteral("Robot search failed"));
  EXPECT_EQ(host.caption, QStringLiteral("Caltrim"));
  host.answer = IDNO;
  EXPECT_EQ(host.MessageBox("a", "b", MB_YESNO), IDNO) << "asked on the UI thread itself";
  EXPECT_EQ(host.shown, 2);
}

// The pump serves posted events only: a close box pressed meanwhile waits for the event loop.
TEST_F(QtUiHostTest, PumpLeavesUserInputForTheEventLoop) {
  QtUiHost host;
  QWidget window;
  window.show();
  bool posted = false;
  QueueCloseBox(window.windowHandle());
  QMetaObject::invokeMethod(&window, [&] { posted = true; }, Qt::QueuedConnection);
  host.PumpMessages();
  EXPECT_TRUE(posted);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(PumpUntil([&] { return !window.isVisible(); })) << "the input is held back, not lost";
}

}  // namespace
