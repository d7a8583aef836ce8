// kaplo get: one text file or image without a window, as the download tab's
// single file sheets fetch, read and save it.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "cli/cli.h"
#include "cli/terminal.h"
#include "engine/fetch.h"
#include "engine/single_file.h"
#include "text/charset.h"
#include "text/convert.h"

namespace kaplo::cli {
namespace {

namespace fs = std::filesystem;

std::string FromTerminal(const std::string& arg) { return ArgToSjis(arg); }

// No questions are asked here, and the engine's messages are the window's:
// the command says in its own words what became of the file. The save
// dialog's answer is the folder given, else the working folder, under the
// suggested name.
class QuietPrompter : public Prompter {
 public:
  Answer Ask(std::string_view, Buttons) override { return Answer::Yes; }
  void Inform(std::string_view) override {}
  void ShowInformation(std::string_view, std::string_view) override {}
  std::optional<std::string> SaveHtmlDialog(std::string_view suggested,
                                            std::string_view folder) override {
    std::string dir(folder);
    if (dir.empty()) {
      std::error_code ec;
      dir = FromTerminal(fs::current_path(ec).string());
      if (ec) return std::nullopt;
    }
    if (dir.back() != '/') dir += '/';
    return dir + std::string(suggested.empty() ? std::string_view("index.html") : suggested);
  }
};

// An absolute Shift_JIS path for a name given on the command line.
std::string AbsolutePath(const std::string& name) {
  std::error_code ec;
  return FromTerminal(fs::absolute(name, ec).lexically_normal().string());
}

// The text's charset declarations made to name the code it is written in.
std::string DeclareCode(std::string_view sjis, int code) {
  const std::string as_sjis = RewriteCharsetDeclForSave(sjis, kCharsetShiftJis);
  return code == kCharsetShiftJis ? as_sjis : RewriteCharsetDeclForSave(as_sjis, code);
}

int Get(std::span<const std::string> argv) {
  Args args(argv);
  long long code = kCharsetAuto, save_code = -1;
  args.IntValue("--code", 0, 5, code);
  args.IntValue("--save-code", 0, 5, save_code);
  const bool image = args.Flag("--image");
  const std::vector<std::string> pos = args.Positionals(1, 2);

  CurlFetcher fetcher;
  QuietPrompter prompter;
  const std::string url = FromTerminal(pos[0]);

  if (image) {
    // FOLDER is the save folder: the image goes below it at its address's path.
    SingleImageRequest request{.url = url};
    if (pos.size() == 2) {
      request.save_folder = AbsolutePath(pos[1]);
      if (request.save_folder.back() != '/') request.save_folder += '/';
    }
    const SingleImageResult r = FetchSingleImage(fetcher, prompter, request);
    if (!r.done) {
      Complain(std::string(Tr("the image could not be fetched or saved: ",
                              "画像を取得または保存できませんでした: ")) +
               ArgForMessage(pos[0]));
      return 1;
    }
    WriteStdout(SjisToTerminal(r.file) + "\n");
    return 0;
  }

  // Always as text: there is no pane for an image.
  SingleTextRequest request{.url = url, .code = static_cast<int>(code), .screen = 1};
  const SingleTextResult shown = ShowSingleText(fetcher, request);
  if (!shown.failure.empty()) {
    Complain(std::string(Tr("cannot fetch ", "取得できません: ")) + ArgForMessage(pos[0]) + ": " +
             ShiftJISToUtf8(shown.failure));
    return 1;
  }
  if (shown.memo.empty()) {
    Complain(ArgForMessage(pos[0]) + std::string(Tr(": no data", ": データがありません")));
    return 1;
  }
  if (pos.size() == 1) {
    // On standard output the text is in the terminal's code unless a code is asked for.
    const int out_code = save_code <= 0 ? TerminalCode() : static_cast<int>(save_code);
    WriteStdout(ConvertShiftJISForSave(DeclareCode(shown.memo, out_code), out_code));
    return 0;
  }
  // A file is Shift_JIS unless a code is asked for.
  const int file_code = save_code <= 0 ? kCharsetShiftJis : static_cast<int>(save_code);
  request.memo = DeclareCode(shown.memo, file_code);
  request.file = AbsolutePath(pos[1]);
  request.save_code = file_code;
  const SingleTextResult saved = SaveSingleText(prompter, request);
  if (!saved.done) {
    Complain(std::string(Tr("cannot save ", "保存できません: ")) + ArgForMessage(pos[1]));
    return 1;
  }
  Complain(std::string(Tr("saved ", "保存しました: ")) + ShiftJISToUtf8(saved.file) + " (" +
           std::string(CharsetNameUtf8(file_code)) + ")");
  return 0;
}

constexpr Option kOptions[] = {
    {"--code", "N", "0",
     "the code the text is read in: 0 the charset it declares, else the charset of the HTTP "
     "header, else detection; 1 EUC-JP, 2 UTF-8, 3 Shift_JIS, 4 ISO-2022-JP, 5 UTF-8N",
     "テキストを読む文字コード: 0 宣言された charset、なければ HTTP ヘッダーの charset、"
     "なければ判定。1 EUC-JP、2 UTF-8、3 Shift_JIS、4 ISO-2022-JP、5 UTF-8N"},
    {"--save-code", "N", "",
     "the code the text is written in, its charset declarations rewritten to match: 1 EUC-JP, "
     "2 UTF-8, 3 Shift_JIS, 4 ISO-2022-JP, 5 UTF-8N; by default the terminal's code on "
     "standard output and Shift_JIS in FILE",
     "テキストを書く文字コード（charset 宣言も合わせて書き換えます）: 1 EUC-JP、2 UTF-8、"
     "3 Shift_JIS、4 ISO-2022-JP、5 UTF-8N。既定では標準出力は端末の文字コード、FILE は "
     "Shift_JIS"},
    {"--image", "", "",
     "fetch an image: it is saved below the folder FILE (default: the current folder) at its "
     "address's path, and that path printed",
     "画像を取得します: フォルダー FILE（既定は今のフォルダー）の下にアドレスのパスで保存し、"
     "そのパスを出力します"},
};

constexpr Command kCommands[] = {
    {"get", "URL [FILE] [--code N] [--save-code N] [--image]",
     "one text file read in its code and shown on standard output, or saved as FILE with root "
     "references made relative; with --image one image",
     Get, kOptions,
     "テキストファイル一つをその文字コードで読み、標準出力に出すか、ルートからの参照を相対に"
     "して FILE に保存します。--image なら画像一つ",
     "Exit 0 when the file was fetched (and saved), 1 when not, with the reason (refused, timed "
     "out, HTTP status), 2 on a usage error.",
     "終了コード: 取得（と保存）できれば 0、できなければ 1（理由: 拒否、時間切れ、HTTP "
     "ステータス）、使い方の誤りは 2。"},
};

}  // namespace

std::span<const Command> GetCommands() { return kCommands; }

}  // namespace kaplo::cli
