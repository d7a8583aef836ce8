#include "shell/messages.h"

#include "text/sjis_literal.h"

namespace kaplo::msg {

const std::string& NoSaveFolder() { return SJ<"【 保存すべきフォルダー 】が設定されていません">(); }
const std::string& FolderNotFound() { return SJ<"【 フォルダー 】が見つかりません">(); }
const std::string& NotWebAddress() { return SJ<"【 URL( http://・・) 】ではありません">(); }
const std::string& NotFileName() { return SJ<"【 Windowsファイ名 】ではありません">(); }
const std::string& FileNotFound() { return SJ<"【 ファイル 】が見つかりません">(); }
const std::string& FileSaved() { return SJ<"ファイルとして保存されました">(); }
const std::string& FileSaveFailed() { return SJ<"ファイルとしての保存に失敗しました">(); }
const std::string& RefreshRedirect() {
  return SJ<"【 http-equiv=\"refresh\" 】で、リダイレクトされています">();
}
const std::string& FramesetPage() {
  return SJ<"【 Ｆｒａｍｅｓｅｔ 】ファイルです。　各フレームは\r\n\r\n"
            "ファイル一覧から、個別にﾀﾞｳﾝﾛｰﾄﾞしてください">();
}
const std::string& NotNavigated() {
  return SJ<"まだナビゲートされていません\r\n\r\n１度ナビゲートしてください">();
}
const std::string& NoHtmlFile() {
  return SJ<"HTMLﾌｧｲﾙの指定がありません、【 そのまま続行 ＝ はい（ Y ） 】／"
            "【 ”/index.html ”を付加して、続行 ＝ いいえ（N ） 】／【 中止 = ｷｬﾝｾﾙ 】">();
}
const std::string& BaseHref() {
  return SJ<"<base href=\"http://・・ >\"が含まれています。\r\n\r\n"
            "【 このままの設定（ WindowsのPath( 例：「 F:/・・」）=はい（Ｙ）】／"
            "【 ﾀﾞｳﾝﾛｰﾄﾞ設定で、指定 ＝ いいえ（Ｎ）】">();
}
const std::string& GoOn() {
  return SJ<"そのまま続けますか【 そのまま続行 ＝ はい（ Y ） 】／【 中止 = いいえ 】">();
}
const std::string& CombinedFileSlow() {
  return SJ<"統合ﾌｧｲﾙの読み込みには時間がかかりますので、\r\n\r\n"
            "必要な場合のみｸﾘｯｸしてください。続けますか（はい）？">();
}
const std::string& NoDriveFolder() { return SJ<"ドライブ／フォルダーを指定できません">(); }
const std::string& BadIpAddress() {
  return SJ<"ＩＰアドレスが、正しく指定されていません。\r\n\r\n"
            "「　WWW．XXX．YYY．ZZZ 」の形式( 各： 0-255 ）にして下さい\r\n\r\n">();
}
const std::string& IframeLoad() { return SJ<"「IFRAME」があります。読み込みますか？">(); }

const std::string& DownloadFinished() { return SJ<"【 ダウンロード完了 】">(); }
const std::string& PageNotSaved() { return SJ<"ページを保存できませんでした">(); }
const std::string& SavedPageWhole() { return SJ<"保存ページはそのフォルダーだけで表示できます">(); }
const std::string& SavedPageIncomplete() { return SJ<"保存ページに足りないものがあります">(); }
const std::string& PageNotFetched() { return SJ<"ページを取得できませんでした">(); }
const std::string& FileNotFetched() { return SJ<"ファイルを取得できませんでした">(); }
std::string WithReason(std::string_view message, std::string_view reason) {
  if (reason.empty()) return std::string(message);
  return std::string(message) + SJ<"（">() + std::string(reason) + SJ<"）">();
}
const std::string& DownloadCancelled() { return SJ<"ダウンロードを中止しました">(); }
const std::string& FolderNotEmptied() { return SJ<"【 フォルダー 】を空にできません">(); }

std::string TextSaved(std::string_view file) {
  return SJ<"ファイル【 ">() + std::string(file) + SJ<" 】が保存されました">();
}
std::string FetchedAndSaved(std::string_view url, std::string_view file) {
  return SJ<"Webﾌｧｲﾙ【 ">() + std::string(url) + SJ<" 】が">() + "\r\n\r\n" +
         SJ<"Windowsﾌｧｲﾙ【 ">() + std::string(file) + SJ<" 】として保存されました">();
}
std::string NoData(std::string_view url) {
  return "\r\n\r\nUrl ==>>" + std::string(url) + "<==\r\n\r\n" + SJ<"●　「データがありません　」●">();
}

}  // namespace kaplo::msg
