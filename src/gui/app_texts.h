// Fixed texts of the window: titles, version, the shared messages, fonts,
// and the conversion of the core's Shift_JIS texts at the widget edge.
//
// Every text here is UTF-8; widgets take them through QString::fromUtf8.
#pragma once

#include <QFont>
#include <QString>
#include <string>
#include <string_view>

#include "text/convert.h"

namespace kaplo::gui {

// ---- names and version ----

inline constexpr const char* kAppTitle = "NOLDA-KAPLO";
// The caption without version; mode 1 of AppTitleCaption.
inline constexpr const char* kProductTitle = "Webページ ダウンロード・解析・検索ツール ( KAPLO )";
inline constexpr const char* kVersion = "12.10.15";
inline constexpr const char* kBuild = "54";
inline constexpr const char* kAboutBlank = "about:blank";

// ---- messages shown by the tabs ----

namespace texts {
inline constexpr const char* kNoSaveFolder = "【 保存すべきフォルダー 】が設定されていません";
inline constexpr const char* kFolderNotFound = "【 フォルダー 】が見つかりません";
inline constexpr const char* kNotWebAddress = "【 URL( http://・・) 】ではありません";
inline constexpr const char* kNotFileName = "【 Windowsファイ名 】ではありません";
inline constexpr const char* kFileNotFound = "【 ファイル 】が見つかりません";
inline constexpr const char* kFileSaved = "ファイルとして保存されました";
inline constexpr const char* kFileSaveFailed = "ファイルとしての保存に失敗しました";
inline constexpr const char* kRefreshRedirect =
    "【 http-equiv=\"refresh\" 】で、リダイレクトされています";
inline constexpr const char* kFramesetPage =
    "【 Ｆｒａｍｅｓｅｔ 】ファイルです。　各フレームは\r\n\r\nファイル一覧から、"
    "個別にﾀﾞｳﾝﾛｰﾄﾞしてください";
inline constexpr const char* kNotNavigated =
    "まだナビゲートされていません\r\n\r\n１度ナビゲートしてください";
inline constexpr const char* kNoHtmlFile =
    "HTMLﾌｧｲﾙの指定がありません、【 そのまま続行 ＝ はい（ Y ） 】／【 ”/index.html ”を付加して、"
    "続行 ＝ いいえ（N ） 】／【 中止 = ｷｬﾝｾﾙ 】";
inline constexpr const char* kBaseHref =
    "<base href=\"http://・・ >\"が含まれています。\r\n\r\n【 このままの設定（ WindowsのPath( "
    "例：「 "
    "F:/・・」）=はい（Ｙ）】／【 ﾀﾞｳﾝﾛｰﾄﾞ設定で、指定 ＝ いいえ（Ｎ）】";
inline constexpr const char* kGoOn =
    "そのまま続けますか【 そのまま続行 ＝ はい（ Y ） 】／【 中止 = いいえ 】";
inline constexpr const char* kCombinedFileSlow =
    "統合ﾌｧｲﾙの読み込みには時間がかかりますので、\r\n\r\n必要な場合のみｸﾘｯｸしてください。"
    "続けますか（はい）？";
inline constexpr const char* kNoDriveFolder = "ドライブ／フォルダーを指定できません";
inline constexpr const char* kBadIpAddress =
    "ＩＰアドレスが、正しく指定されていません。\r\n\r\n「　WWW．XXX．YYY．ZZZ 」の形式( 各： 0-255 "
    "）にして下さい\r\n\r\n";
inline constexpr const char* kIframeLoad = "「IFRAME」があります。読み込みますか？";
}  // namespace texts

// ---- fonts ----

// Stand-ins for the Windows UI fonts, from fonts-noto-cjk.
inline constexpr const char* kUiFontFamily = "Noto Sans CJK JP";
inline constexpr const char* kMonoFontFamily = "Noto Sans Mono CJK JP";
QFont UiFont(int point_size = 9);
QFont MonoFont(int point_size = 10);

// ---- Shift_JIS at the edge ----

inline QString QsFromSjis(std::string_view sjis) {
  return QString::fromStdString(ShiftJISToUtf8(sjis));
}
// Characters Shift_JIS lacks become "?", or references for page HTML.
inline std::string SjisFromQs(const QString& text, Unmappable unmappable = Unmappable::Question) {
  return Utf8ToShiftJISLenient(text.toStdString(), unmappable);
}

}  // namespace kaplo::gui
