#include "text/cp932.h"

#include <iconv.h>

#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "text/sjis.h"

namespace kaplo::cp932 {
namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts one whole unit; returns the number of output bytes or 0 on failure.
  std::size_t Convert(const void* in, std::size_t in_len, void* out, std::size_t out_cap) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* ip = static_cast<char*>(const_cast<void*>(in));
    char* op = static_cast<char*>(out);
    std::size_t il = in_len, ol = out_cap;
    if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0) return 0;
    return out_cap - ol;
  }

 private:
  iconv_t cd_;
};

char16_t DecodeUnit(Iconv& dec, const unsigned char* bytes, std::size_t len) {
  char16_t out[4];
  const std::size_t n = dec.Convert(bytes, len, out, sizeof out);
  // One UTF-16 unit; CP932 has nothing beyond the BMP.
  return n == 2 ? out[0] : 0;
}

struct Storage : Tables {
  std::array<char16_t, 256> single_store{};
  std::unique_ptr<char16_t[]> pair_store = std::make_unique<char16_t[]>(65536);
  std::unique_ptr<std::uint16_t[]> encode_store = std::make_unique<std::uint16_t[]>(65536);
  Storage() {
    single = single_store.data();
    pair = pair_store.get();
    encode = encode_store.get();
  }
};

Storage* Build() {
  auto* t = new Storage();
  Iconv dec("UTF-16LE", "CP932");
  Iconv enc("CP932", "UTF-16LE");
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    if (b < 0x80) {
      t->single_store[b] = static_cast<char16_t>(b);
    } else if (!IsSjisLeadByte(byte)) {
      t->single_store[b] = DecodeUnit(dec, &byte, 1);
    }
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsSjisLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const unsigned char pair[2] = {static_cast<unsigned char>(lead),
                                     static_cast<unsigned char>(trail)};
      t->pair_store[lead << 8 | trail] = DecodeUnit(dec, pair, 2);
    }
  }
  // The encoder direction is asked separately: several byte pairs decode to
  // one code point and iconv knows which one Windows writes. Its one-way
  // mappings (U+2014 to 0x815C, U+00A5 to 0x5C and the like) are dropped:
  // a reader would get another character back.
  for (char32_t cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp < 0xE000) continue;
    if (cp < 0x80) {
      t->encode_store[cp] = static_cast<std::uint16_t>(cp);
      continue;
    }
    const char16_t unit = static_cast<char16_t>(cp);
    unsigned char out[4];
    const std::size_t n = enc.Convert(&unit, 2, out, sizeof out);
    if (n == 1 && t->single_store[out[0]] == unit) {
      t->encode_store[cp] = out[0];
    } else if (n == 2 && t->pair_store[out[0] << 8 | out[1]] == unit) {
      t->encode_store[cp] = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
    }
  }
  return t;
}

struct JisStorage : JisTables {
  std::unique_ptr<std::uint16_t[]> row_store = std::make_unique<std::uint16_t[]>(65536);
  std::unique_ptr<char16_t[]> jis0212_store = std::make_unique<char16_t[]>(94 * 94);
  std::unique_ptr<std::uint16_t[]> to_jis0212_store = std::make_unique<std::uint16_t[]>(65536);
  JisStorage() {
    row_pair = row_store.get();
    jis0212 = jis0212_store.get();
    to_jis0212 = to_jis0212_store.get();
  }
};

JisStorage* BuildJis() {
  auto* t = new JisStorage();
  const Tables& sjis = Get();
  // The first pair wins: the standard rows before NEC's row 13, NEC's
  // selection (0xED, 0xEE) before nothing.
  for (int lead = 0x81; lead <= 0xEF; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const char16_t u = sjis.pair[lead << 8 | trail];
      if (u != 0 && t->row_store[u] == 0) t->row_store[u] = static_cast<std::uint16_t>(lead << 8 | trail);
    }
  }
  Iconv dec("UTF-16LE", "EUC-JP");
  for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const unsigned char euc[3] = {0x8F, static_cast<unsigned char>(j1 | 0x80),
                                    static_cast<unsigned char>(j2 | 0x80)};
      t->jis0212_store[(j1 - 0x21) * 94 + j2 - 0x21] = DecodeUnit(dec, euc, 3);
    }
  }
  for (int i = 0; i < 94 * 94; ++i) {
    const char16_t u = t->jis0212_store[i];
    if (u != 0 && t->to_jis0212_store[u] == 0) {
      t->to_jis0212_store[u] = static_cast<std::uint16_t>((i / 94 + 0x21) << 8 | (i % 94 + 0x21));
    }
  }
  // Browsers also read IBM's small and capital roman numerals and the
  // parenthesised 株 in row 83 of the plane, where glibc has nothing;
  // those are only read, never written (iconv does not take them).
  for (int i = 0; i < 10; ++i) {
    t->jis0212_store[(0x73 - 0x21) * 94 + i] = static_cast<char16_t>(0x2170 + i);
    t->jis0212_store[(0x73 - 0x21) * 94 + 10 + i] = static_cast<char16_t>(0x2160 + i);
  }
  t->jis0212_store[(0x73 - 0x21) * 94 + 0x37 - 0x21] = u'\u3231';
  return t;
}

}  // namespace

const JisTables& Jis() {
  static const JisStorage* tables = BuildJis();  // built once, kept for the process
  return *tables;
}

const Tables& Get() {
  static const Storage* tables = Build();  // built once, kept for the process
  return *tables;
}

char32_t DecodeSingle(unsigned char b) {
  if (b < 0x80) return b;
  const char16_t u = Get().single[b];
  return u ? u : kInvalid;
}

char32_t DecodePair(unsigned char lead, unsigned char trail) {
  const char16_t u = Get().pair[lead << 8 | trail];
  return u ? u : kInvalid;
}

std::uint16_t Encode(char32_t cp) {
  if (cp < 0x80) return static_cast<std::uint16_t>(cp);
  if (cp >= 0x10000) return 0;
  return Get().encode[cp];
}

}  // namespace kaplo::cp932
