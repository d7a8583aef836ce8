// The web archive a download job leaves beside its files (--warc FILE).
#pragma once

#include <memory>
#include <span>
#include <string>

#include "archive/warc_writer.h"

namespace kaplo::cli {

class JobArchive {
 public:
  // Prepares FILE (as given on the command line) for the job run with args;
  // throws UsageError when FILE cannot be written.
  void Prepare(const std::string& file, std::span<const std::string> args);
  // What the fetcher tells of its exchanges; null without --warc.
  ExchangeSink* sink() { return writer_.get(); }
  // The job ended with that exit status: a saved page (0, or 3 after a check)
  // gives the archive its name; otherwise it stays under its part name and
  // standard error says where. Returns the status, 1 when the archive failed.
  int End(int status);

 private:
  std::string shown_;  // FILE as messages name it
  std::unique_ptr<WarcWriter> writer_;
};

}  // namespace kaplo::cli
