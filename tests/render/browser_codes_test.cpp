// Chromium (Qt WebEngine) reads the Japanese codes as the program does, and a
// saved page reads back in it with every character it had, look-alikes of
// code page 932 included, wherever they stand.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/cli_support.h"
#include "engine/http_server_support.h"
#include "text/convert.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

fs::path TempDir(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("kaplo-" + name + "-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  return dir;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The document Chromium built from the page at url, after its scripts ran.
std::string BuiltDocument(const std::string& url, const std::string& name) {
  const fs::path dir = TempDir(name);
  const auto r = test::RunKaplo({"download", url, dir.string(), "--inner-html", "--yes"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string doc;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string file = e.path().filename().string();
    if (file.ends_with(".html") && !file.starts_with("Z") && !file.starts_with("W")) {
      doc = ReadFile(e.path());
    }
  }
  fs::remove_all(dir);
  return doc;
}

// A page that decodes byte sequences with TextDecoder, one line each:
// "<label> <hex bytes> <code points>".
constexpr char kDecoderPage[] = R"(<!DOCTYPE html><html><head><meta charset="utf-8"></head>
<body><pre id="out"></pre><script>
const hex = (n) => n.toString(16).toUpperCase().padStart(2, '0');
const lines = [];
function line(label, bytes) {
  const cps = Array.from(new TextDecoder(label).decode(new Uint8Array(bytes)),
                         (c) => c.codePointAt(0).toString(16).toUpperCase());
  lines.push(label + ' ' + bytes.map(hex).join('') + ' ' + cps.join(','));
}
for (let b = 0x80; b <= 0xFF; ++b) line('shift_jis', [b]);
for (let lead = 0x81; lead <= 0xFC; ++lead) {
  if (lead >= 0xA0 && lead <= 0xDF) continue;
  for (let trail = 0x40; trail <= 0xFC; ++trail) if (trail != 0x7F) line('shift_jis', [lead, trail]);
}
for (let a = 0xA1; a <= 0xFE; ++a) for (let b = 0xA1; b <= 0xFE; ++b) {
  line('euc-jp', [a, b]);
  line('euc-jp', [0x8F, a, b]);
  line('iso-2022-jp', [0x1B, 0x24, 0x42, a - 0x80, b - 0x80, 0x1B, 0x28, 0x42]);
}
document.getElementById('out').textContent = lines.join('\n');
</script></body></html>)";

std::string Bytes(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return out;
}

// The code point the program reads from the bytes, or "" when it reads no
// single character (a replacement, or more than one).
std::string OurReading(const std::string& label, const std::string& bytes) {
  ConversionStats stats;
  std::string utf8;
  if (label == "shift_jis") {
    utf8 = ShiftJISToUtf8(bytes, stats);
  } else if (label == "euc-jp") {
    utf8 = EucToUtf8(bytes, stats);
  } else {
    utf8 = ShiftJISToUtf8(JisToShiftJIS(bytes, stats), stats);
  }
  if (stats.Replaced() != 0) return "";
  char32_t cp = 0;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  if (n == 1) cp = s[0];
  else if (n == 2) cp = (s[0] & 0x1F) << 6 | (s[1] & 0x3F);
  else if (n == 3) cp = (s[0] & 0x0F) << 12 | (s[1] & 0x3F) << 6 | (s[2] & 0x3F);
  else return "";
  char out[8];
  std::snprintf(out, sizeof out, "%X", static_cast<unsigned>(cp));
  return out;
}

TEST(BrowserCodes, ChromiumDecodesEveryJapaneseSequenceAsTheProgramDoes) {
  test::LocalServer server;
  server.server().Get("/decode.html", [](const httplib::Request&, httplib::Response& r) {
    r.set_content(kDecoderPage, "text/html; charset=utf-8");
  });
  server.Start();
  const std::string doc = BuiltDocument(server.Url("/decode.html"), "decoders");
  const std::regex line(R"(^(shift_jis|euc-jp|iso-2022-jp) ([0-9A-F]+) ([0-9A-F,]*)\r?$)");
  std::map<std::string, int> compared;
  std::istringstream in(doc);
  for (std::string l; std::getline(in, l);) {
    if (l.starts_with("<pre id=\"out\">")) l = l.substr(14);
    if (const std::size_t end = l.find("</pre>"); end != std::string::npos) l.resize(end);
    std::smatch m;
    if (!std::regex_match(l, m, line)) continue;
    const std::string label = m[1], cps = m[3];
    // Chromium gives U+FFFD, or U+001A from its ICU converters, for a
    // sequence that is no character.
    const bool none = cps.find(',') != std::string::npos || cps == "FFFD" || cps == "1A";
    ASSERT_EQ(OurReading(label, Bytes(m[2])), none ? "" : cps) << label << " " << m[2];
    ++compared[label];
  }
  EXPECT_EQ(compared["shift_jis"], 128 + 60 * 188);
  EXPECT_EQ(compared["euc-jp"], 2 * 94 * 94);
  EXPECT_EQ(compared["iso-2022-jp"], 94 * 94);
}

// The look-alikes of code page 932 in every place of a page: the page's
// script compares each with the characters it was written with.
std::string LookAlikePage(const std::string& looks, const std::string& code_points,
                          const std::string& name, const std::string& charset) {
  std::string page = R"(<!DOCTYPE html>
<html lang="ja"><head><meta charset="@CHARSET">
<title>@L</title>
<link rel="stylesheet" href="look.css">
<style>#inline::after { content: "@L"; } .k@NAMEx { color: rgb(1, 2, 3); }</style>
<script>var inScript = "@L", inTemplate = `@L`, inRegex = /^@L$/u; var o = {@NAME: 1};</script>
<script type="application/json" id="json">{"v": "@L"}</script>
<script src="look.js"></script>
</head><body>
<p id="text">@L</p>
<p id="attr" title="@L" class="k@NAMEx">@L</p>
<p id="inline"></p><p id="file"></p>
<pre id="out"></pre>
<script>
const want = String.fromCodePoint(@CODEPOINTS);
const after = (id) => JSON.parse(getComputedStyle(document.getElementById(id), '::after').content);
const got = {
  title: document.title,
  text: document.getElementById('text').textContent,
  attribute: document.getElementById('attr').title,
  script: inScript,
  template: inTemplate,
  regex: inRegex.test(want) ? want : 'no match',
  name: Object.keys(o)[0] === '@NAME' ? want : Object.keys(o)[0],
  json: JSON.parse(document.getElementById('json').textContent).v,
  style: after('inline'),
  stylesheet: after('file'),
  selector: getComputedStyle(document.getElementById('attr')).color === 'rgb(1, 2, 3)' ? want : 'no',
  script_file: inFile,
};
document.getElementById('out').textContent = Object.entries(got).map(
    ([k, v]) => k + ': ' + (v === want ? 'same' : 'CHANGED ' + escape(v))).join('\n');
</script></body></html>
)";
  auto put = [&page](const std::string& key, const std::string& value) {
    for (std::size_t at; (at = page.find(key)) != std::string::npos;) page.replace(at, key.size(), value);
  };
  put("@CHARSET", charset);
  put("@CODEPOINTS", code_points);
  put("@NAME", name);
  put("@L", looks);
  return page;
}

struct LookCase {
  const char* name;
  std::string looks;        // UTF-8
  std::string code_points;  // the same, as JavaScript numbers
  std::string ident;        // a character that can begin a name
  bool euc;                 // the page, its stylesheet and script in EUC-JP
};

TEST(BrowserCodes, ASavedPageReadsBackWithEveryCharacterItHad) {
  const LookCase cases[] = {
      {"utf-8",
       "\u2014\u2015\u301C\uFF5E\u2016\u2225\u2212\uFF0D\u00A2\u00A3\u00AC\uFFE0\uFFE1\uFFE2"
       "\u00A5\u203E\u00E9\U00020BB7",
       "0x2014,0x2015,0x301C,0xFF5E,0x2016,0x2225,0x2212,0xFF0D,0xA2,0xA3,0xAC,0xFFE0,0xFFE1,"
       "0xFFE2,0xA5,0x203E,0xE9,0x20BB7",
       "\U00020BB7", false},
      // What EUC-JP holds as browsers read it: the full-width look-alikes, IBM's
      // kanji (NEC's rows) and JIS X 0212 (é, 丂 which Shift_JIS lacks, 纊).
      {"euc-jp", "\u2015\uFF5E\u2225\uFF0D\uFFE0\uFFE1\uFFE2\u9AD9\u00E9\u4E02\u7E8A",
       "0x2015,0xFF5E,0x2225,0xFF0D,0xFFE0,0xFFE1,0xFFE2,0x9AD9,0xE9,0x4E02,0x7E8A", "\u9AD9",
       true},
  };
  for (const LookCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto encode = [&c](const std::string& utf8) {
      if (!c.euc) return utf8;
      ConversionStats stats;
      std::string euc = Utf8ToEuc(utf8, Unmappable::Question, stats);
      EXPECT_EQ(stats.Replaced(), 0u);
      return euc;
    };
    const std::map<std::string, std::string> site = {
        {"/look.html", encode(LookAlikePage(c.looks, c.code_points, c.ident,
                                            c.euc ? "euc-jp" : "utf-8"))},
        {"/look.css", encode("#file::after { content: \"" + c.looks + "\"; }\n")},
        {"/look.js", encode("var inFile = \"" + c.looks + "\";\n")},
    };
    test::LocalServer live;
    test::ServeSite(live.server(), site, "not found");
    live.Start();
    // The live page says "same" everywhere, by construction.
    const std::string live_doc = BuiltDocument(live.Url("/look.html"), "look-live");
    const std::regex same(R"((\w+): same)");
    const auto count_same = [&same](const std::string& doc) {
      return std::distance(std::sregex_iterator(doc.begin(), doc.end(), same), std::sregex_iterator());
    };
    ASSERT_EQ(count_same(live_doc), 12) << live_doc;

    const fs::path dir = TempDir("look-saved");
    const auto r = test::RunKaplo({"download", live.Url("/look.html"), dir.string(), "--yes", "--check"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"(文字の違い[^:]*: ([0-9.]+)%)"))) << r.out;
    EXPECT_EQ(std::stod(m[1]), 0.0) << r.out;
    const std::string saved = ReadFile(dir / "look.html");
    EXPECT_NE(saved.find("charset=\"Shift_JIS\""), std::string::npos) << saved;

    // The saved copy, served as it is, reads back the same everywhere.
    test::LocalServer copy;
    copy.server().set_mount_point("/", dir.string());
    copy.Start();
    const std::string saved_doc = BuiltDocument(copy.Url("/look.html"), "look-copy");
    EXPECT_EQ(count_same(saved_doc), 12) << saved_doc;
    fs::remove_all(dir);
  }
}

// Where neither a reference nor an escape reads back, the page keeps its own
// code and says so.
TEST(BrowserCodes, APageWithCharactersNoFormCarriesKeepsItsOwnCode) {
  const std::map<std::string, std::string> site = {
      {"/xmp.html",
       "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>\u301C</title></head>"
       "<body><p>\u2014 \u00E9</p><xmp>\u301C \u2014</xmp></body></html>"}};
  test::LocalServer live;
  test::ServeSite(live.server(), site, "not found");
  live.Start();
  const fs::path dir = TempDir("xmp-saved");
  const fs::path one = dir / "one.html";
  const auto r = test::RunKaplo({"download", live.Url("/xmp.html"), dir.string(), "--yes",
                                 "--check", "--single-file", one.string()});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  // The folder's copy and the one file.
  std::smatch m;
  const std::regex text(R"(文字の違い[^:]*: ([0-9.]+)%)");
  int reports = 0;
  for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), text); it != std::sregex_iterator();
       ++it, ++reports) {
    EXPECT_EQ(std::stod((*it)[1]), 0.0) << r.out;
  }
  EXPECT_EQ(reports, 2) << r.out;
  const std::string saved = ReadFile(dir / "xmp.html");
  EXPECT_NE(saved.find("<meta charset=\"UTF-8\">"), std::string::npos) << saved;
  EXPECT_NE(saved.find("<xmp>\u301C \u2014</xmp>"), std::string::npos) << saved;
  EXPECT_NE(ReadFile(one).find("<xmp>\u301C \u2014</xmp>"), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kaplo
