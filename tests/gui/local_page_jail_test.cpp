// What a page shown from disk may read: its folder's files and nothing else,
// with the content types pages need, and the folder a saved page reads from.
#include "gui/widgets/local_page_jail.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <fstream>

namespace kaplo::gui {
namespace {

namespace fs = std::filesystem;

class LocalPageJail : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::temp_directory_path() / ("kaplo-jail-" + std::to_string(getpid()));
    fs::remove_all(base_);
    fs::create_directories(base_ / "save" / "a" / "b");
    fs::create_directories(base_ / "elsewhere");
    std::ofstream(base_ / "secret.txt") << "SECRET";
    std::ofstream(base_ / "elsewhere" / "x.txt") << "X";
    std::ofstream(base_ / "save" / "a" / "b" / "page.html") << "<p>page</p>";
    std::ofstream(base_ / "save" / "a" / "own.css") << "p{}";
    fs::create_symlink(base_ / "secret.txt", base_ / "save" / "a" / "leak.txt");
    fs::create_symlink(base_ / "elsewhere", base_ / "save" / "a" / "out");
    fs::create_symlink(base_ / "save" / "a" / "own.css", base_ / "save" / "a" / "b" / "in.css");
    mkfifo((base_ / "save" / "a" / "pipe").c_str(), 0600);
    root_ = QString::fromStdString((base_ / "save" / "a").string());
  }
  void TearDown() override { fs::remove_all(base_); }

  fs::path base_;
  QString root_;
};

TEST_F(LocalPageJail, ServesOnlyRegularFilesBelowTheFolder) {
  struct Case {
    const char* path;
    JailedFile::Outcome outcome;
  } const cases[] = {
      {"/b/page.html", JailedFile::File},
      {"//b/./page.html", JailedFile::File},
      {"/own.css", JailedFile::File},
      {"/b/in.css", JailedFile::File},  // a link that stays inside
      {"/b/none.png", JailedFile::Missing},
      {"/none/x.png", JailedFile::Missing},
      {"/../secret.txt", JailedFile::Outside},
      {"/b/../../secret.txt", JailedFile::Outside},
      {"/leak.txt", JailedFile::Outside},   // a link that leads out
      {"/out/x.txt", JailedFile::Outside},  // through a linked folder
      {"/b", JailedFile::NotAFile},
      {"/", JailedFile::NotAFile},
      {"/pipe", JailedFile::NotAFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const JailedFile f = ResolveInJail(root_, QString::fromLatin1(c.path));
    EXPECT_EQ(f.outcome, c.outcome) << f.path.toStdString();
  }
  EXPECT_EQ(ResolveInJail(root_, QStringLiteral("/own.css") + QChar(0)).outcome,
            JailedFile::Outside);
  // The file found is the link's target, and it opens; a pipe never blocks.
  const JailedFile in = ResolveInJail(root_, QStringLiteral("/b/in.css"));
  EXPECT_EQ(in.path, root_ + "/own.css");
  const std::unique_ptr<QFile> file = OpenJailedFile(in.path);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->readAll(), "p{}");
  EXPECT_FALSE(OpenJailedFile(root_ + "/pipe"));
  EXPECT_FALSE(OpenJailedFile(root_ + "/leak.txt"));
}

TEST_F(LocalPageJail, ContentTypesAsPagesExpectThem) {
  struct Case {
    const char* name;
    const char* type;
  } const cases[] = {
      {"a.html", "text/html"},        {"a.HTM", "text/html"},
      {"s.css", "text/css"},          {"s.js", "text/javascript"},
      {"m.mjs", "text/javascript"},   {"d.json", "application/json"},
      {"i.svg", "image/svg+xml"},     {"i.png", "image/png"},
      {"i.jpeg", "image/jpeg"},       {"i.webp", "image/webp"},
      {"f.woff2", "font/woff2"},      {"f.ttf", "font/ttf"},
      {"w.wasm", "application/wasm"}, {"x.unknownext", "application/octet-stream"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ContentTypeFor(QString::fromLatin1(c.name)), QByteArray(c.type)) << c.name;
  }
}

TEST_F(LocalPageJail, UndeclaredUtf8IsAnnounced) {
  struct Case {
    QByteArray head;
    const char* charset;
  } const cases[] = {
      {"<p>ascii only</p>", ""},
      {"<p>\xe6\x97\xa5\xe6\x9c\xac</p>", "utf-8"},
      {"<p>\xf0\x9f\x98\x80</p>", "utf-8"},
      {"<p>\x93\xfa\x96\x7b</p>", ""},          // Shift_JIS
      {"<p>\xc6\xfc\xcb\xdc</p>", ""},          // EUC-JP
      {"<p>\xe6\x97\xa5\xe6\x9c", "utf-8"},     // cut inside a character
      {"<p>\xe6\x97\xa5\x80\x80\x80\x80", ""},  // not a cut: stray bytes
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SniffedCharset(c.head), QByteArray(c.charset)) << c.head.toHex().toStdString();
  }
}

TEST_F(LocalPageJail, ASavedPageReadsFromItsSaveFolder) {
  const QString save = QString::fromStdString((base_ / "save").string());
  const QString page = root_ + "/b/page.html";
  // Unmarked: the page's own folder.
  EXPECT_EQ(PageRoot(page), root_ + "/b");
  // Saved from http://host/a/b/page.html: two folders up is the save folder.
  std::ofstream(page.toStdString())
      << "<html>\r\n<!-- saved from \"http://host/a/b/page.html\" by NOLDA-KAPLO -->\r\n"
         "<head></head><body></body></html>";
  EXPECT_EQ(PageRoot(page), save);
  // A mark that would open a home folder, or climbs past the filesystem's
  // root, is not believed.
  const char* home = getenv("HOME");
  const std::string saved_home = home ? home : "";
  setenv("HOME", save.toStdString().c_str(), 1);
  EXPECT_EQ(PageRoot(page), root_ + "/b");
  if (home)
    setenv("HOME", saved_home.c_str(), 1);
  else
    unsetenv("HOME");
  std::ofstream(page.toStdString())
      << "<!-- saved from \"http://host/1/2/3/4/5/6/7/8/9/10/11/12/13/14/15/16/17/18/19/20/"
         "21/22/23/24/25/26/27/28/29/30/p.html\" by NOLDA-KAPLO -->";
  EXPECT_EQ(PageRoot(page), root_ + "/b");
  // A mark broken over lines is no mark.
  std::ofstream(page.toStdString())
      << "<!-- saved from \"http://host/a/b/\npage.html\" by NOLDA-KAPLO -->";
  EXPECT_EQ(PageRoot(page), root_ + "/b");
}

}  // namespace
}  // namespace kaplo::gui
