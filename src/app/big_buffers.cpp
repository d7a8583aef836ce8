// The kaplo program's allocation of C++ objects: a buffer of several MiB (a
// whole page, its normalised or coloured copy) asks for transparent huge
// pages. A 10 MB page passes through four or five such buffers, and filling
// them 4 KiB at a time costs more page faults than the work on the text.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

// Under AddressSanitizer its own allocator must stay whole: it pairs every
// form of new with its delete, and a partial replacement breaks the pairing.
#if !defined(__SANITIZE_ADDRESS__)

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
constexpr std::size_t kBigBuffer = std::size_t{4} << 20;

void AdviseHugePages(void* p, std::size_t n) {
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t begin = (at + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (at + n) & ~(kHugePage - 1);
  // Only a hint: where the kernel declines, the buffer keeps small pages.
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

void* operator new(std::size_t n) {
  if (n == 0) n = 1;
  void* p;
  while ((p = std::malloc(n)) == nullptr) {
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
  if (n >= kBigBuffer) AdviseHugePages(p, n);
  return p;
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

#endif  // !__SANITIZE_ADDRESS__
