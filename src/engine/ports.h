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
};

// The download tab's two browser panes.
enum class BrowserPane {
  Download,        // WebBrowserDownload: the page from the web
  DownloadResult,  // WebBrowserDownloadResult: the result display
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

// Text views of the download tab that a job fills.
enum class JobView {
  WebSource,        // "　WebHTML ": the normalised page, coloured
  FetchedLeft,      // the two as-fetched views
  FetchedRight,
  Native,           // " WebHTMLNative"
  Inner,            // " Java実行後の内部HTML "
  Local,            // " ﾛｰｶﾙHTML "
  FirstFetch,       // " Redirect前のWebHTML  "
};

// The pages of the download tab a job brings to the front.
enum class JobPage {
  WebBrowse,    // " Webﾍﾟｰｼﾞの閲覧 "
  WebHtml,      // "　WebHTML "
  LocalBrowse,  // the local result browser
  FirstFetch,   // " Redirect前のWebHTML  "
  Native,       // " WebHTMLNative"
  PageCssJs,    // the page's stylesheet and script list
  PageImage,    // the page's image list
  TextSheet,    // " CSS/JSﾀﾞｳﾝﾛｰﾄﾞ "
  ImageSheet,   // " Imageﾀﾞｳﾝﾛｰﾄﾞ "
};

// What a job shows while it runs. Every call has a do-nothing default.
class JobObserver {
 public:
  virtual ~JobObserver() = default;
  // The form's boxes or labels changed (DownloadForm).
  virtual void FormChanged() {}
  // A working list changed.
  virtual void ListsChanged() {}
  virtual void ShowText(JobView view, std::string_view text, bool colour) {}
  // False when texts are not shown anywhere: the work of making them is spared.
  virtual bool ShowsTexts() const { return true; }
  virtual void ClearTexts() {}
  // Bring a page of the download tab to the front.
  virtual void ShowTab(JobPage page) {}
  // The tab entered (true) or left (false) the running state.
  virtual void RunningChanged(bool running) {}
  // Progress of a per-item loop ("【  3  /  12 】", file).
  virtual void Progress(std::string_view count_label, std::string_view file_label) {}
};

}  // namespace kaplo
