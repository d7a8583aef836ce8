// The content criterion: does an open file hold a phrase?
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

class PhraseScanner {
 public:
  // Files are read in blocks of this size; a match may span two of them.
  static constexpr std::size_t kBlockSize = 61440;

  enum class Result { kFound, kNotFound, kUnreadable, kAborted };

  // The phrase is Shift_JIS and is looked for in each of its forms
  // (Shift_JIS, UTF-8, EUC-JP) in one pass, so a folder of files in every
  // Japanese code is searched at once. ignore_case compares ASCII letters
  // without regard to case; whole_word wants a delimiter (any byte but an
  // ASCII letter or digit or a byte above 0x7F) or the file's edge on both
  // sides.
  PhraseScanner(std::string_view phrase, bool ignore_case, bool whole_word);
  // The distinct forms a phrase is looked for in.
  static std::vector<std::string> Forms(std::string_view sjis_phrase);

  // Reads fd (opened for reading) until the phrase is found, the file ends
  // or abort is set. Only regular files are read. One scanner per thread.
  Result Scan(int fd, const std::atomic<bool>& abort);
  // Opens name below the folder dirfd without following a link.
  Result ScanAt(int dirfd, const char* name, const std::atomic<bool>& abort);

 private:
  // Searches buf_[0, total); true when a counted match is there. A whole
  // word match that touches the end waits for more bytes unless at_end.
  bool Search(std::size_t total, bool at_end);
  // Offset of the first occurrence of needle in base[from, total), or kNone.
  std::size_t Find(const std::string& needle, const char* base, std::size_t from,
                   std::size_t total) const;
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  std::vector<std::string> needles_;
  std::size_t longest_ = 0;
  bool ignore_case_;
  bool whole_word_;
  bool delim_before_ = true;  // the byte before buf_[0] is a delimiter (or none)
  std::vector<char> buf_;
};

}  // namespace kaplo
