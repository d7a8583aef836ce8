// How the engine reaches the user and the browser. The window, the command
// line and the tests each implement these.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// Questions and dialogs. Texts are Shift_JIS.
class Prompter {
 public:
  enum class Answer { Yes, No, Cancel };
  enum class Buttons { YesNo, YesNoCancel };
  virtual ~Prompter() = default;
  virtual Answer Ask(std::string_view question, Buttons buttons) = 0;
  // A message with an OK button.
  virtual void Inform(std::string_view message) = 0;
  // The information window: a label and a coloured text, shown modally.
  virtual void ShowInformation(std::string_view label, std::string_view text) = 0;
  // The save dialog for an HTML page: the chosen full path, or nothing when
  // cancelled. folder is where it opens (may be empty).
  virtual std::optional<std::string> SaveHtmlDialog(std::string_view suggested_name,
                                                    std::string_view folder) = 0;
  // The save dialog for an image; where there is no such dialog, the HTML one.
  virtual std::optional<std::string> SaveImageDialog(std::string_view suggested_name,
                                                     std::string_view folder) {
    return SaveHtmlDialog(suggested_name, folder);
  }
};

// The two browser panes a job uses.
enum class BrowserPane {
  Download,        // the page from the web
  DownloadResult,  // the result: the saved page or the web page
};

class BrowserPort {
 public:
  virtual ~BrowserPort() = default;
  // Navigates and waits until the document is complete (or a time-out).
  virtual void Navigate(BrowserPane pane, std::string_view url) = 0;
  // documentElement.outerHTML of the download pane's document, Shift_JIS.
  virtual std::string OuterHtml() = 0;
  // The absolute addresses of the document's images, in collection order.
  virtual std::vector<std::string> ImageUrls() = 0;
  // The download pane's current location.
  virtual std::string LocationUrl() = 0;
};

// The texts a job shows.
enum class JobText {
  WebSource,    // the page as fetched, normalised, coloured
  FetchedCopy,  // the page as fetched, its lines kept
  Native,       // the document as the browser built it
  Inner,        // the document the browser built, after its scripts ran
  Local,        // the page as saved
  FirstFetch,   // the page as first fetched, before a redirect
};

// What a job brings to the user's attention.
enum class JobFocus {
  WebPage,      // the page from the web
  WebSource,    // its source
  LocalPage,    // the result: the saved page or the web page
  FirstFetch,   // the page as first fetched
  Native,       // the browser's document
  Stylesheets,  // the list of stylesheets and scripts
  Images,       // the list of images
};

struct JobLabels;
struct JobLists;

// What a job shows while it runs, by meaning; the front end maps it to its
// controls. Calls come from the thread that runs the job; what they pass
// is valid during the call. Every call has a do-nothing default.
class JobObserver {
 public:
  virtual ~JobObserver() = default;
  virtual void LabelsChanged(const JobLabels& labels) {}
  virtual void ListsChanged(const JobLists& lists) {}
  virtual void ShowText(JobText which, std::string_view text, bool colour) {}
  virtual void ClearTexts() {}
  virtual void Focus(JobFocus what) {}
  // The job started (true) or ended (false).
  virtual void RunningChanged(bool running) {}
  // Progress of a per-item loop ("【  3  /  12 】", file).
  virtual void Progress(std::string_view count_label, std::string_view file_label) {}
  // False when texts are not shown anywhere: the work of making them is spared.
  virtual bool ShowsTexts() const { return true; }
};

}  // namespace kaplo
