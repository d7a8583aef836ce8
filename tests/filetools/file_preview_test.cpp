#include "filetools/file_preview.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "filetools/filetools_test_support.h"

namespace kaplo {
namespace {

using test::TempTree;

TEST(FilePreviewTest, TypeByLowerCaseExtension) {
  const std::pair<const char*, PreviewType> cases[] = {
      {"a.TXT", PreviewType::kText},  {"x.min.js", PreviewType::kText},
      {"p.JPG", PreviewType::kImage}, {"i.html", PreviewType::kHtml},
      {"i.Htm", PreviewType::kHtml},  {"m.mht", PreviewType::kMht},
      {"f.swf", PreviewType::kSwf},   {"README", PreviewType::kNone},
      {"a.json", PreviewType::kNone},
  };
  for (const auto& [name, type] : cases) EXPECT_EQ(PreviewTypeOf(name), type) << name;
  EXPECT_EQ(PreviewTypeLabel(PreviewType::kHtml), "html");
  EXPECT_TRUE(OpensInTextEditor("data.JSON")) << "\".json\" holds \".js\"";
  EXPECT_FALSE(OpensInTextEditor("page.html"));
}

TEST(FilePreviewTest, ReadsUpToTheCapNeverFromAFifo) {
  TempTree tree;
  const std::string path = tree.Write("a.txt", std::string(100, 'x'));
  const PreviewText whole = ReadPreviewText(path, 100);
  EXPECT_TRUE(whole.ok);
  EXPECT_FALSE(whole.truncated);
  EXPECT_EQ(whole.bytes.size(), 100u);
  const PreviewText cut = ReadPreviewText(path, 64);
  EXPECT_TRUE(cut.truncated);
  EXPECT_EQ(cut.bytes, std::string(64, 'x'));
  ASSERT_EQ(mkfifo(tree.Path("p.txt").c_str(), 0644), 0);
  EXPECT_FALSE(ReadPreviewText(tree.Path("p.txt")).ok);
  EXPECT_FALSE(ReadPreviewText(tree.Path("missing.txt")).ok);
  EXPECT_NE(ReadPreviewText("/proc/self/status").bytes.find("Name:"), std::string::npos);
}

TEST(FilePreviewTest, EditorIsAnArgumentList) {
  TempTree tree;
  for (const char* name : {"gedit", "vim"}) {
    tree.Write(std::string("bin/") + name, "#!/bin/sh\n");
    chmod(tree.Path(std::string("bin/") + name).c_str(), 0755);
  }
  const std::string bin = tree.Path("bin");
  std::map<std::string, std::string> env = {{"PATH", bin}, {"EDITOR", "vim"}};
  auto get = [&](const char* n) { return env.count(n) ? env[n].c_str() : nullptr; };
  const std::string odd = "/tmp/a b; rm -rf x.txt";
  EXPECT_EQ(TextEditorCommand(odd, get), (std::vector<std::string>{"gedit", odd}))
      << "a terminal editor is passed over";
  env["VISUAL"] = bin + "/gedit --new-window";
  EXPECT_EQ(TextEditorCommand(odd, get),
            (std::vector<std::string>{bin + "/gedit", "--new-window", odd}));
  env = {{"PATH", "/nonexistent"}};
  EXPECT_TRUE(TextEditorCommand(odd, get).empty());
}

}  // namespace
}  // namespace kaplo
