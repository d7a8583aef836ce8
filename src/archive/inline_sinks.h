// Where the one-file page is written: a file, an attribute value (a frame's
// srcdoc) or a data: address (a frame's page), each writing on to the next.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kaplo {

class Sink {
 public:
  virtual ~Sink() = default;
  virtual void Write(std::string_view bytes) = 0;
};

// A file written as it comes; the first failure is kept.
class FileSink : public Sink {
 public:
  explicit FileSink(std::filesystem::path path) : path_(std::move(path)) {}
  ~FileSink() override;
  bool Open();
  void Write(std::string_view bytes) override;
  // Flushed and closed; false when any write failed.
  bool Close();
  const std::string& Error() const { return error_; }

 private:
  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  std::string error_;
};

// A double-quoted attribute value: "&" and '"' escaped.
class AttributeSink : public Sink {
 public:
  explicit AttributeSink(Sink& next) : next_(next) {}
  void Write(std::string_view bytes) override;

 private:
  Sink& next_;
};

// Base64, in whole groups as they fill; Finish writes the last one.
class Base64Sink : public Sink {
 public:
  explicit Base64Sink(Sink& next) : next_(next) {}
  void Write(std::string_view bytes) override;
  void Finish();

 private:
  Sink& next_;
  std::string pending_;
};

}  // namespace kaplo
