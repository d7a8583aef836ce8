// The fixed names a download writes into the save folder, and the stand-ins
// that carry text past the rewriting steps. Stored folders and users rely on
// these names: they never change.
#pragma once

#include <string_view>

namespace kaplo {

// Prefixes of the copies kept as the server sent them, beside the saved file.
inline constexpr std::string_view kFetchedPagePrefix = "ZZOrg_";      // a saved page
inline constexpr std::string_view kFetchedImportPrefix = "ZXOrg_";    // an imported stylesheet
inline constexpr std::string_view kFetchedResourcePrefix = "ZYOrg_";  // a stylesheet or script
inline constexpr std::string_view kInnerCopyPrefix = "ZAInner_";      // the browser-built page
// The page rewritten from the browser-built document.
inline constexpr std::string_view kInnerPagePrefix = "WInner_@";
// The report files: "ZU_" + the page's base name + a suffix.
inline constexpr std::string_view kReportPrefix = "ZU_";
// The record of what each saved file was sent with (its validators):
// "ZV_" + the page's base name + ".tsv".
inline constexpr std::string_view kRecordPrefix = "ZV_";
// The page name for an address that names no file.
inline constexpr std::string_view kIndexPage = "index.html";

// Stand-ins. An escaped quote (\") in the scanning copy of a page, so that
// it does not end a quoted value.
inline constexpr std::string_view kEscapedQuote = "@%@";
// The colon of the save folder while the page's links are rewritten.
inline constexpr std::string_view kFolderColon = "@~@";
// Ends the page address of a frameset fetched at a folder address.
inline constexpr std::string_view kFolderAddressMark = "@#@";

}  // namespace kaplo
