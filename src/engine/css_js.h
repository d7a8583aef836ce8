// Pure helpers of the stylesheet, script and image stages.
#pragma once

#include <string>
#include <string_view>

#include "engine/download_job.h"
#include "engine/local_path.h"

namespace kaplo {

// References into the analytics service are fetched from its one script file.
inline constexpr std::string_view kAnalyticsDomain = "google-analytics.com";
inline constexpr std::string_view kAnalyticsScriptUrl = "http://www.google-analytics.com/urchin.js";

// The distinct values CollectBetween(text, open, close, list) would append,
// added to set, in one pass over the text: a value is copied once however
// often CollectBetween would repeat it. close must begin with an ASCII byte.
void CollectDistinctBetween(std::string_view text, std::string_view open, std::string_view close,
                            StringSet& set);

// path made file-name safe and kept below save_folder: a path already below
// it keeps that folder as written; any other path is put below it.
std::string SafeLocalPath(std::string_view path, std::string_view save_folder);

// The fields of a ResourceLine; a line without TAB is all three.
ResourceFields ResourceLineFields(const std::string& line);

// Lines that begin with ";", "=", a blank or "%" are leftovers of script code.
bool IsJunkResourceLine(std::string_view line);

// What opens a reference in a page or stylesheet text: a reference opened
// by one of these and then "/" is root-relative.
inline constexpr std::string_view kReferenceOpeners[] = {"\"", "'", "(\"", "('", "("};
bool HasRootReference(std::string_view text);
// Root-relative references ("/, '/, ("/, ('/, (/) get prefix (a run of
// "../") so they lead up to the save folder; in this order.
std::string PrefixRootReferences(std::string text, std::string_view prefix);

// The fields of a line of the image list: trimmed, the escaped-quote
// stand-in dropped; a line without TAB is its own address and path. Empty
// fields for a blank or junk line.
ResourceFields ImageLineFields(const std::string& line);
// What a reference that looked like an image shows when it is none: a
// query with an address, a page, a path with "\", script or style code, a
// charset, a search.
bool IsNoImageReference(std::string_view reference);

}  // namespace kaplo
