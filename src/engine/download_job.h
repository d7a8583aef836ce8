// What a download is asked to do and what it shows, by meaning: the
// options a job reads, the texts it shows (labels, boxes), the lists it
// fills. The front ends map these to their own controls. Every text is
// Shift_JIS.
#pragma once

#include <string>
#include <vector>

namespace kaplo {

// The options a job reads. Choices by index (0 = the first).
struct DownloadOptions {
  int final_open = 0;         // after the job: 0 the web page, 1 the saved page, 2 the system browser
  int remove_base_href = 0;   // a base element: 0 ask first, 1-3 do not ask
  int html_dq_slash = 0;      // kept for the settings file; every root reference is pointed home
  int remove_other_domain = 0;  // 1: links to other hosts point into the save folder too
  int url_web_decode = 0;     // how an address is decoded into a local path (0 none ... 5 Base64)
  int main_html_charset = 0;  // the code the page is read in (0 automatic)
  int css_js_charset = 0;     // the code stylesheets and scripts are read in (0 automatic)
  int frame_download = 0;     // a frame entry: 0 a job of its own, 1 the system browser, 2 the result pane
  bool dont_empty_folder = false;
  bool dont_save_image = false;
  bool dont_make_css_list = false;  // no report files
  bool css_only = false;            // the merged report holds stylesheets only
  bool download_inner_html = false; // save the document the browser built
  bool dont_web_list_clear = false; // navigating keeps the lists
  bool refresh = false;             // ask the server only for what changed since the last job
  bool save_this_name = false;      // save the page under save_filename
  std::string save_filename;
  std::string top_page_filename;    // the name links to a folder's top point at
  bool top_directory_for_unknown = false;  // put the page below top_dummy_directory
  std::string top_dummy_directory;
};

// What the download tab shows of a job besides its lists, by meaning.
struct JobLabels {
  std::string url;                       // the address (after a job: its own, or a redirect's target)
  std::vector<std::string> url_history;  // the addresses asked for before
  std::string save_folder;
  std::string local_file;                // the page file the job names
  std::string confirmed_file;            // the saved page handed to the local views
  std::string fetched_copy_file;         // the copy of it as fetched
  std::string caption;                   // the window's caption
  std::string status;                    // what the job does now, or how it ended
  std::string progress;                  // "【  3  /  12 】"
  std::string web_address;               // the address over the web pane
  std::string result_address;            // the address or file over the result pane
  std::string base_address;              // the base address the page names
  bool local_views_stay = false;         // the local views keep what they show
  std::string frame_entry;               // the frame entry chosen last
  std::string css_js_list, css_js_merged, image_list;  // the report files written
  // The job record, as the tab needs it.
  std::string confirmed_page;  // the page the local views are to show now
  std::string page_address;    // the address the saved-from comment names
  bool frameset_saved = false; // the last job saved a frameset page
};

// The lists a job fills. Lines are ResourceLine ("reference TAB absolute URL
// TAB local path") or MarkedPathLine (an outcome mark and a local path).
struct JobLists {
  std::vector<std::string> stylesheets;         // ResourceLines: the page's stylesheets and scripts
  std::vector<std::string> stylesheet_outcomes; // MarkedPathLines, in the order handled
  std::vector<std::string> images;              // ResourceLines: images, fonts and other files
  std::vector<std::string> image_outcomes;      // MarkedPathLines, the newest first
  std::vector<std::string> imports;             // ResourceLines found inside stylesheets
  std::vector<std::string> flash;               // Flash files the page names
  std::vector<std::string> head_references;     // what the page's head names
  std::vector<std::string> entered_images;      // ResourceLines of images as they were entered
  std::vector<std::string> failed_images;       // "address TAB mark path"
  std::vector<std::string> all_stylesheets;     // every stylesheet and script line of the job
  std::vector<std::string> all_stylesheet_outcomes;
  std::vector<std::string> found_images;        // stylesheet addresses that were images
  std::vector<std::string> link_hosts;          // hosts of the page's links to other sites
  std::vector<std::string> browser_images;      // the images the browser showed
  std::vector<std::string> frames;              // frame entries of the page, as written
  std::vector<std::string> analysis_stylesheets; // head stylesheets for the analysis tab
};

// The record of the current download, kept between the steps of a job.
struct DownloadJob {
  std::string PageUrl;
  std::string ConfirmedLocalFile;
  std::string PreviousConfirmedLocalFile;
  std::string LocalPageFile;
  std::string FetchedCopyFile;
  std::string InnerCopyFile;
  std::string TopPageFileName;
  std::string ChosenLocalFile;
  std::string RawPageText;
  int RawPageCode = 0;  // the code RawPageText was read in
  std::string ConvertedPageText;
  std::string NavigatedPageText;
  std::string NativePageText;
  std::string InnerPageText;
  std::string InnerDocumentText;
  std::string PageHead;
  std::string HeadPreamble;
  std::string BaseHrefValue;
  std::string BaseHrefDir;
  std::string BaseHrefDirPath;
  bool FramesetSaved = false;
  bool SuppressUrlChange = false;
};

// The fields of a ResourceLine; a line without TAB is all reference.
struct ResourceFields {
  std::string reference, absolute_url, local_path;
};
ResourceFields SplitResourceLine(const std::string& line);
std::string MakeResourceLine(const std::string& reference, const std::string& absolute_url,
                             const std::string& local_path);

}  // namespace kaplo
