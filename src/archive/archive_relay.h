// A recorder a long-lived fetcher keeps (the window's serves job after job):
// it hands each transfer to the web archive of the job running now, or to
// none.
#pragma once

#include <memory>
#include <mutex>

#include "engine/exchange_sink.h"

namespace kaplo {

class ArchiveRelay : public ExchangeSink {
 public:
  std::unique_ptr<TransferTap> Open() override {
    std::lock_guard<std::mutex> lock(mu_);
    return target_ ? target_->Open() : nullptr;
  }
  // The archive of the next transfers; null: none. The target must outlive
  // the taps it opened.
  void Attach(ExchangeSink* target) {
    std::lock_guard<std::mutex> lock(mu_);
    target_ = target;
  }

 private:
  std::mutex mu_;
  ExchangeSink* target_ = nullptr;
};

}  // namespace kaplo
