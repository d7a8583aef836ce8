// Temporary trees for the file tools tests, and a sink that keeps matches.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "filetools/file_finder.h"

namespace kaplo::test {

class TempTree {
 public:
  TempTree() {
    static std::atomic<int> n{0};
    root_ = std::filesystem::temp_directory_path() /
            ("kaplo-ft-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  ~TempTree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  // Writes a file (folders made as needed) and returns its full path.
  std::string Write(const std::string& rel, const std::string& body = "") const {
    const std::filesystem::path p = root_ / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << body;
    return p.string();
  }
  std::string Dir(const std::string& rel) const {
    std::filesystem::create_directories(root_ / rel);
    return (root_ / rel).string();
  }
  std::string Path(const std::string& rel = "") const {
    return rel.empty() ? root_.string() : (root_ / rel).string();
  }

 private:
  std::filesystem::path root_;
};

// Keeps every reported folder and match, as full paths, in report order.
class RecordingSink : public FinderSink {
 public:
  FolderAction FolderChange(std::string_view folder) override {
    folders.emplace_back(folder);
    return action;
  }
  void Matches(std::span<const FileEntry> batch) override {
    for (const FileEntry& e : batch) {
      paths.push_back(std::string(e.folder) + std::string(e.name));
      entries.push_back(e);
      entries.back().folder = {};
      entries.back().name = {};
    }
  }
  std::vector<std::string> Sorted() const {
    std::vector<std::string> s = paths;
    std::sort(s.begin(), s.end());
    return s;
  }
  FolderAction action = FolderAction::kAll;
  std::vector<std::string> folders, paths;
  std::vector<FileEntry> entries;
};

}  // namespace kaplo::test
