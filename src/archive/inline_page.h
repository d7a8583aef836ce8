// The one-file page: a saved page and the files a job saved for it, folded
// into one self-contained UTF-8 HTML file. Stylesheets become <style>
// elements (their imports put in place), scripts are written inline, images,
// fonts and other files become data: addresses, frames are written into the
// page (srcdoc, or a data: page for a <frame>). It reads what the job saved,
// never the network; a resource the job could not fetch keeps its address.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace kaplo {

struct OneFileSources {
  std::string save_folder;  // the job's save folder (Shift_JIS, "/" at the end)
  // Files the job could not fetch (Shift_JIS local path) -> the address asked for.
  std::map<std::string, std::string> failed;
};

// Writes page_file (Shift_JIS, a saved page below sources.save_folder) as one
// file at out: written under out + ".part" and renamed at the end, so a
// failure leaves no half file under the name. False, with the reason
// (UTF-8) in *error, when the page cannot be read or out cannot be written.
bool WriteOneFilePage(std::string_view page_file, const OneFileSources& sources,
                      const std::filesystem::path& out, std::string* error);

// The content type a data: address gets: by the bytes a file begins with
// (images, fonts), else by its name's extension; "application/octet-stream"
// when neither tells.
std::string ContentTypeOf(std::string_view file_name, std::string_view head);

}  // namespace kaplo
