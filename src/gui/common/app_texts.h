// Fixed texts of the window: titles, version, fonts.
//
// Every text here is UTF-8; widgets take them through QString::fromUtf8.
#pragma once

#include <QFont>
#include <QString>

namespace kaplo::gui {

// ---- names and version ----

inline constexpr const char* kAppTitle = "NOLDA-KAPLO";
// The caption without version; mode 1 of AppTitleCaption.
inline constexpr const char* kProductTitle = "Webページ ダウンロード・解析・検索ツール ( KAPLO )";
inline constexpr const char* kVersion = "12.10.15";
inline constexpr const char* kBuild = "54";
inline constexpr const char* kAboutBlank = "about:blank";

// ---- fonts ----

// Stand-ins for the Windows UI fonts, from fonts-noto-cjk.
inline constexpr const char* kUiFontFamily = "Noto Sans CJK JP";
inline constexpr const char* kMonoFontFamily = "Noto Sans Mono CJK JP";
QFont UiFont(int point_size = 9);
QFont MonoFont(int point_size = 10);

}  // namespace kaplo::gui
