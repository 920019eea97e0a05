#include "app/QtUiHost.h"

#include <atomic>
#include <thread>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "tool/app/QtTestApp.h"

namespace {

// The host with its boxes answered instead of shown, recording where they were shown.
class AnsweringHost : public QtUiHost {
 public:
  int answer = IDYES;
  std::atomic<int> shown{0};
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

class QtUiHostTest : public ::testing::Test {
 protected:
  void SetUp() override { QtTestApp(); }
};

TEST_F(QtUiHostTest, BoxesFromOtherThreadsAreShownOnTheUiThread) {
  AnsweringHost host;
  int result = 0;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    result = host.MessageBox("Robot search failed", "Caltrim", MB_YESNO | MB_ICONWARNING);
    done = true;
  });
  // The UI thread waits the way it waits for a library thread: pumping.
  while (!done) {
    host.PumpMessages();
    QThread::msleep(1);
  }
  worker.join();
  EXPECT_EQ(result, IDYES);
  EXPECT_EQ(host.shownOn, QThread::currentThread());
  EXPECT_EQ(host.text, QStringLiteral("Robot search failed"));
  EXPECT_EQ(host.caption, QStringLiteral("Caltrim"));
}

TEST_F(QtUiHostTest, BoxesOnTheUiThreadAreShownDirectly) {
  AnsweringHost host;
  host.answer = IDNO;
  EXPECT_EQ(host.MessageBox("a", "b", MB_YESNO), IDNO);
  EXPECT_EQ(host.shown, 1);
}

TEST_F(QtUiHostTest, PumpingServesOnlyTheUiThread) {
  QtUiHost host;
  int handled = 0;
  QTimer::singleShot(0, QCoreApplication::instance(), [&] { ++handled; });
  std::thread worker([&] { host.PumpMessages(); });
  worker.join();
  EXPECT_EQ(handled, 0) << "a worker's pump must not run the UI thread's events";
  host.PumpMessages();
  EXPECT_EQ(handled, 1);
}

// The real box, answered by a click, from a worker thread.
TEST_F(QtUiHostTest, ARealBoxAnswersWithTheButtonPressed) {
  QtUiHost host;
  QString seen;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen = box->windowTitle() + QStringLiteral(" | ") + box->text();
    box->button(QMessageBox::No)->click();
  });
  poll.start(10);
  int result = 0;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    result = host.MessageBox("Go on?", "Caltrim", MB_YESNO);
    done = true;
  });
  while (!done) {
    host.PumpMessages();
    QThread::msleep(1);
  }
  worker.join();
  EXPECT_EQ(result, IDNO);
  EXPECT_EQ(seen, QStringLiteral("Caltrim | Go on?"));
}

}  // namespace
