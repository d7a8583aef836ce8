#include "gui/common/worker_host.h"

#include <QCoreApplication>
#include <QThread>
#include <utility>

namespace kaplo::gui {

WorkerHost::WorkerHost(QObject* parent) : QObject(parent) {}

WorkerHost::~WorkerHost() { Shutdown(); }

bool WorkerHost::OnWorkerThread() const { return QThread::currentThread() != thread(); }

bool WorkerHost::Start(std::function<void()> work) {
  if (Busy() || closing_) return false;
  stop_ = false;
  done_ = false;
  worker_ = std::thread([this, work = std::move(work)] {
    work();
    done_ = true;
    QMetaObject::invokeMethod(
        this, [this] { Done(); }, Qt::QueuedConnection);
  });
  return true;
}

void WorkerHost::Done() {
  if (!worker_.joinable() || !done_) return;
  worker_.join();
  if (!closing_) emit Finished();
}

void WorkerHost::OnWindow(const std::function<void()>& fn) {
  if (closing_) return;
  if (!OnWorkerThread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(
      this,
      [this, &fn] {
        if (!closing_) fn();
      },
      Qt::BlockingQueuedConnection);
}

void WorkerHost::Post(std::function<void()> fn) {
  if (!OnWorkerThread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(
      this,
      [this, fn = std::move(fn)] {
        if (!closing_) fn();
      },
      Qt::QueuedConnection);
}

void WorkerHost::Shutdown(const std::function<void()>& cancel) {
  closing_ = true;
  if (!worker_.joinable()) return;
  if (cancel) cancel();
  // The worker may be waiting for the window: keep serving it until it ends.
  while (!done_) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  // The events served may have included the end of the work, which joins.
  if (worker_.joinable()) worker_.join();
}

}  // namespace kaplo::gui
