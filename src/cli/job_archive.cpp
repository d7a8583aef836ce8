#include "cli/job_archive.h"

#include "cli/cli.h"
#include "cli/terminal.h"
#include "text/fsname.h"

#ifndef KAPLO_VERSION
#error "KAPLO_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace kaplo::cli {
namespace {

// The arguments as one line a shell would take back.
std::string Quoted(std::span<const std::string> args) {
  std::string out = "kaplo download";
  for (const std::string& a : args) {
    std::string text = ArgForMessage(a);
    // The record's fields are lines: a line break in an argument ends none.
    for (char& c : text) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    out += ' ';
    if (!text.empty() && text.find_first_of(" \t\"'\\$`") == std::string::npos) {
      out += text;
      continue;
    }
    out += '\'';
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    out += '\'';
  }
  return out;
}

}  // namespace

void JobArchive::Prepare(const std::string& file, std::span<const std::string> args) {
  shown_ = ArgForMessage(file);
  std::string error;
  writer_ = WarcWriter::Create(FsPath(ArgToSjis(file)), "KAPLO " KAPLO_VERSION,
                               "command: " + Quoted(args) + "\r\n", &error);
  if (!writer_) throw UsageError("--warc: " + error);
}

int JobArchive::End(int status) {
  if (!writer_) return status;
  if (status != 0 && status != 3) {
    if (writer_->Close()) {
      Complain(std::string(Tr("the archive of the unfinished job is kept as ",
                              "終わらなかった作業のアーカイブは次の名前で残しました: ")) +
               shown_ + ".part");
    }
    return status;
  }
  std::string error;
  if (writer_->Commit(&error)) return status;
  Complain(std::string(Tr("the web archive could not be written: ",
                          "ウェブアーカイブを書けませんでした: ")) + error);
  return 1;
}

}  // namespace kaplo::cli
