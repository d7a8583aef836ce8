// The worker host: work runs off the window thread, its window calls run on
// the window thread, one piece at a time, and shutting down ends waiting work.
#include "gui/common/worker_host.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

namespace kaplo::gui {
namespace {

TEST(WorkerHost, WorkRunsOnTheWorkerAndItsWindowCallsOnTheWindowThread) {
  WorkerHost host;
  QSignalSpy finished(&host, &WorkerHost::Finished);
  QThread* window = QThread::currentThread();
  QThread* work_thread = nullptr;
  QThread* call_thread = nullptr;
  std::atomic<bool> release{false};
  ASSERT_TRUE(host.Start([&] {
    work_thread = QThread::currentThread();
    host.OnWindow([&] { call_thread = QThread::currentThread(); });
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }));
  EXPECT_TRUE(host.Busy());
  EXPECT_FALSE(host.Start([] {}));  // one piece at a time
  release = true;
  ASSERT_TRUE(finished.wait(10000));
  EXPECT_EQ(finished.count(), 1);
  EXPECT_FALSE(host.Busy());
  EXPECT_NE(work_thread, window);
  EXPECT_EQ(call_thread, window);
  EXPECT_FALSE(host.OnWorkerThread());
}

TEST(WorkerHost, StopFlagIsTakenOnceAndShutdownEndsWaitingWork) {
  WorkerHost host;
  host.RequestStop();
  EXPECT_TRUE(host.TakeStop());
  EXPECT_FALSE(host.TakeStop());

  QSignalSpy finished(&host, &WorkerHost::Finished);
  std::atomic<bool> cancelled{false};
  std::atomic<int> window_calls{0};
  ASSERT_TRUE(host.Start([&] {
    // Asks the window over and over until cancelled, as a job's loop does.
    for (int i = 0; i < 100000 && !cancelled; ++i) {
      host.OnWindow([&] { ++window_calls; });
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }));
  QElapsedTimer t;
  t.start();
  while (window_calls < 3 && t.elapsed() < 10000) QCoreApplication::processEvents();
  ASSERT_GE(window_calls, 3);
  host.Shutdown([&] { cancelled = true; });
  EXPECT_TRUE(cancelled);
  EXPECT_FALSE(host.Busy());
  // Once closing, window calls return without running and no signal comes.
  const int calls = window_calls;
  host.OnWindow([&] { ++window_calls; });
  QCoreApplication::processEvents();
  EXPECT_EQ(window_calls, calls);
  EXPECT_EQ(finished.count(), 0);
  EXPECT_FALSE(host.Start([] {}));
}

}  // namespace
}  // namespace kaplo::gui
