#include "filetools/phrase_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/convert.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kaplo {
namespace {

bool IsDelimiter(unsigned char b) {
  if (b >= 0x80) return false;  // part of a Japanese character
  return !((b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'));
}

inline unsigned char Lower(unsigned char b) {
  return static_cast<unsigned char>(b - 'A') < 26u ? b | 0x20 : b;
}

bool IsLetter(unsigned char b) { return static_cast<unsigned char>(Lower(b) - 'a') < 26u; }

// needle (lowered when fold) equals text[0, n)?
bool Equal(const char* text, const std::string& needle, bool fold) {
  if (!fold) return std::memcmp(text, needle.data(), needle.size()) == 0;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    if (Lower(text[i]) != static_cast<unsigned char>(needle[i])) return false;
  }
  return true;
}

// Files larger than this, with fewer blocks on disk than bytes, are read
// one data extent at a time: holes read as zeros and hold no phrase.
constexpr off_t kSparseMin = 1 << 20;

}  // namespace

std::vector<std::string> PhraseScanner::Forms(std::string_view sjis_phrase) {
  std::vector<std::string> forms{std::string(sjis_phrase)};
  const bool ascii = std::all_of(sjis_phrase.begin(), sjis_phrase.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return forms;
  for (std::string form : {ShiftJISToUtf8(sjis_phrase), ShiftJISToEuc(sjis_phrase)}) {
    if (!form.empty() && std::find(forms.begin(), forms.end(), form) == forms.end()) {
      forms.push_back(std::move(form));
    }
  }
  return forms;
}

PhraseScanner::PhraseScanner(std::string_view phrase, bool ignore_case, bool whole_word)
    : needles_(Forms(phrase)), ignore_case_(ignore_case), whole_word_(whole_word) {
  for (std::string& needle : needles_) {
    // Byte by byte, as the file is mapped: a second byte of a double-byte
    // character is lowered on both sides alike.
    if (ignore_case_) {
      for (char& c : needle) c = static_cast<char>(Lower(c));
    }
    longest_ = std::max(longest_, needle.size());
  }
  buf_.resize(longest_ + kBlockSize);
}

bool PhraseScanner::Search(std::size_t total, bool at_end) {
  const char* base = buf_.data();
  for (const std::string& needle : needles_) {
    const std::size_t len = needle.size();
    std::size_t from = 0;
    while (from + len <= total) {
      const std::size_t p = Find(needle, base, from, total);
      if (p == kNone) break;
      if (!whole_word_) return true;
      const bool before = p == 0 ? delim_before_ : IsDelimiter(base[p - 1]);
      if (p + len == total && !at_end) break;  // decided with the next block
      const bool after = p + len == total || IsDelimiter(base[p + len]);
      if (before && after) return true;
      from = p + 1;
    }
  }
  return false;
}

// The first and last bytes of the phrase are looked for 16 positions at a
// time; only where both fit is the whole phrase compared. A letter is found
// in either case by setting bit 0x20 of the text byte first.
std::size_t PhraseScanner::Find(const std::string& needle, const char* base, std::size_t from,
                                std::size_t total) const {
  const std::size_t len = needle.size();
  const auto first = static_cast<unsigned char>(needle[0]);
  const auto last = static_cast<unsigned char>(needle[len - 1]);
  const bool fold_first = ignore_case_ && IsLetter(first);
  const bool fold_last = ignore_case_ && IsLetter(last);
  std::size_t i = from;
#ifdef __SSE2__
  const __m128i vfirst = _mm_set1_epi8(static_cast<char>(first));
  const __m128i vlast = _mm_set1_epi8(static_cast<char>(last));
  const __m128i fold1 = _mm_set1_epi8(fold_first ? 0x20 : 0);
  const __m128i fold2 = _mm_set1_epi8(fold_last ? 0x20 : 0);
  for (; i + len - 1 + 16 <= total; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + len - 1));
    unsigned mask = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, fold1), vfirst),
                                                    _mm_cmpeq_epi8(_mm_or_si128(b, fold2), vlast)));
    while (mask != 0) {
      const std::size_t p = i + __builtin_ctz(mask);
      if (Equal(base + p, needle, ignore_case_)) return p;
      mask &= mask - 1;
    }
  }
#endif
  for (; i + len <= total; ++i) {
    const auto b = static_cast<unsigned char>(base[i]);
    if ((fold_first ? (b | 0x20) : b) == first && Equal(base + i, needle, ignore_case_)) return i;
  }
  return kNone;
}

PhraseScanner::Result PhraseScanner::Scan(int fd, const std::atomic<bool>& abort) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return Result::kUnreadable;
  const std::size_t len = longest_;
  if (len == 0) return Result::kFound;
  // /proc files say 0 bytes and still have content: read those to the end.
  const off_t size = st.st_size;
  const bool sparse = size > kSparseMin && st.st_blocks * 512 < size &&
                      std::none_of(needles_.begin(), needles_.end(), [](const std::string& n) {
                        return n.find('\0') != std::string::npos;
                      });
  delim_before_ = true;
  std::size_t have = 0;  // bytes kept from the previous block
  off_t pos = 0;
  off_t extent_end = 0;  // the end of the data extent being read (sparse files)
  for (;;) {
    if (abort.load(std::memory_order_relaxed)) return Result::kAborted;
    bool at_end = size > 0 && pos >= size;
    if (sparse && !at_end && pos >= extent_end) {
      const off_t data = lseek(fd, pos, SEEK_DATA);
      if (data < 0) {
        at_end = true;  // only a hole is left
      } else {
        if (data > pos) {
          // Zeros in between: nothing spans them, and a zero is a delimiter.
          have = 0;
          delim_before_ = true;
        }
        pos = data;
        extent_end = lseek(fd, pos, SEEK_HOLE);
        if (extent_end < 0) extent_end = size;
      }
    }
    ssize_t n = 0;
    if (!at_end) {
      std::size_t want = kBlockSize;
      if (sparse && extent_end - pos < static_cast<off_t>(want)) want = extent_end - pos;
      do {
        n = sparse ? pread(fd, buf_.data() + have, want, pos) : read(fd, buf_.data() + have, want);
      } while (n < 0 && errno == EINTR);
      if (n < 0) {
        if (errno != EAGAIN) return Result::kUnreadable;
        n = 0;
      }
      if (n == 0) at_end = true;
      pos += n;
      if (size > 0 && pos >= size) at_end = true;
    }
    const std::size_t total = have + n;
    if (Search(total, at_end)) return Result::kFound;
    if (at_end) return Result::kNotFound;
    // Keep the tail that may start a match going on in the next block.
    const std::size_t keep = total < len ? total : len;
    if (keep < total) {
      delim_before_ = IsDelimiter(buf_[total - keep - 1]);
      std::memmove(buf_.data(), buf_.data() + total - keep, keep);
    }
    have = keep;
  }
}

PhraseScanner::Result PhraseScanner::ScanAt(int dirfd, const char* name,
                                             const std::atomic<bool>& abort) {
  // Non-blocking: a FIFO or device that slips past the type test never waits.
  const int fd = openat(dirfd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Result::kUnreadable;
  const Result r = Scan(fd, abort);
  close(fd);
  return r;
}

}  // namespace kaplo
