// Runs a tab's long core work on a worker thread so the window never
// freezes. One piece of work at a time; calls the work makes to the window
// (questions, the browser, showing progress) go through OnWindow or Post.
// The stop button sets the stop flag; the work takes it where its loops let
// the window act.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

namespace kaplo::gui {

class WorkerHost : public QObject {
  Q_OBJECT

 public:
  explicit WorkerHost(QObject* parent = nullptr);
  // Waits for running work, as Shutdown() does.
  ~WorkerHost() override;

  // Work is running (or has ended and Finished is not emitted yet).
  bool Busy() const { return worker_.joinable(); }
  // Runs work on the worker; false when work is already running.
  bool Start(std::function<void()> work);

  void RequestStop() { stop_ = true; }
  // Whether a stop was asked for since the last call; clears it.
  bool TakeStop() { return stop_.exchange(false); }

  bool OnWorkerThread() const;
  // Runs fn on the window thread and waits for it (directly when already
  // there). After Shutdown began, returns without running it.
  void OnWindow(const std::function<void()>& fn);
  // Runs fn on the window thread without waiting.
  void Post(std::function<void()> fn);

  // Ends the host: cancel (may be empty) makes running work end soon; the
  // window keeps serving the worker, whose calls now return at once, until
  // it ends.
  void Shutdown(const std::function<void()>& cancel = {});

 signals:
  // The work ended; emitted on the window thread after the worker joined.
  void Finished();

 private:
  void Done();

  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> closing_{false};
  std::atomic<bool> done_{false};
};

}  // namespace kaplo::gui
