// The state a download shares between its stages: the job record, the
// options of the download tab, its text boxes and its working lists.
// Every text is Shift_JIS.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace kaplo {

// The download tab's options, read when a job starts. Radio groups by item
// index; the control each field mirrors is named beside it.
struct DownloadOptions {
  int final_open = 0;               // RadioGroupDLFilnalOpenIE
  int remove_base_href = 0;         // RadioGroupRemoveBaseHref
  int html_dq_slash = 0;            // RadioGroupDLHTMLDQSlash
  int remove_other_domain = 0;      // RadioGroupRemoveOtherDmain
  int url_web_decode = 0;           // RadioGroupDLUrlWebDecode
  int main_html_charset = 0;        // RadioGroupDLMainHTMLCharSet
  int css_js_charset = 0;           // RadioGroupDLCSSJSCharSet
  int frame_download = 0;           // RadioGroupDLFrameDownload
  bool dont_empty_folder = false;   // CheckBoxDontEmptyFolder
  bool dont_save_image = false;     // CheckBoxDonttSaveImage
  bool dont_make_css_list = false;  // CheckBoxDLDontMakeCSSlist
  bool css_only = false;            // CheckBoxDLCSSOnly
  bool download_inner_html = false; // CheckBoxDLDownloadinnerHTML
  bool dont_web_list_clear = false; // CheckBoxDontWebListClear
  bool save_this_name = false;      // CheckBoxDLsaveThisname
  std::string save_filename;        // EditDLSaveFilename
  std::string top_page_filename;    // EditTopPageHTMLFilename
  bool top_directory_for_unknown = false;  // CheckBoxTopDirectoryForUnkwon
  std::string top_dummy_directory;         // EditDLTopDummyDirectory
};
using DownloadSettings = DownloadOptions;

// The text boxes of the download tab that a job reads and writes.
struct DownloadForm {
  std::string url;                       // ComboBoxWBUrl (text)
  std::vector<std::string> url_history;  // ComboBoxWBUrl (items)
  std::string save_folder;               // BtnEditWBPageSaveFolder
  std::string local_filename;            // BtnEditWBLocalFilename
  std::string confirm_local_html_file;   // BtnEditConfirmLocalHTMLFile
  std::string local_file_org_html;       // BtnEditLocalFileOrgHTML
  std::string individual_url;            // EditPGTab02RTab07IndividualUrl
  std::vector<std::string> individual_url_history;
  std::string caption;                   // the main window's caption
  std::string label_downloaded_file;     // LabelDownloadedFile
  std::string label_downloaded_file_count;  // LabelDownloadedFileCount
  std::string label_local_browser_url;   // LabelLocalBrowserUrl
  std::string label_web_browser_url;     // LabelWebBrowserUrl
  std::string status_base_href;          // panel 3 of StatusBarDLBaseBrowser
  bool local_dont_load = false;          // CheckBoxLocalDontLoad
  std::string frame_link_url;            // EditFrameLinkUrl
  std::string local_file_css_js_list;    // BtnEditLocalFileCSSJSList
  std::string local_file_total_css_js;   // BtnEditLocalFileTotalCSSJS
  std::string local_file_image_list;     // BtnEditLocalFileImageList
};

// The process-wide record of the current download.
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

// The single text file sheet of the download tab (" CSS/JSﾀﾞｳﾝﾛｰﾄﾞ "); its
// URL box is DownloadForm::individual_url.
struct IndividualTextSheet {
  std::string file;     // BtnEditPGTab02RTab07IndividualFilename
  std::string memo;     // MemoPGTab02RTab07Individual
  std::string browser;  // WebBrowserDLIndividual: the address or file shown, "" blank
  int code = 0;         // RadioGroupDLIndividualCode
  int save_code = 0;    // RadioGroupDLIndividualCodeSaveFile
  int screen = 0;       // RadioGroupDLIndividualScreen: 0 auto, 1 text, 2 image
  std::string css_js_win_filename;  // LabelDLCSSJSWinFilename
};

// The single image sheet (" Imageﾀﾞｳﾝﾛｰﾄﾞ ").
struct IndividualImageSheet {
  std::string url;      // EditPGTab02RTab08ImageIndividualUrl
  std::string file;     // BtnEditPGTab02RTab08ImageIndividualFilename
  std::string browser;  // WebBrowserIndividualImage: the address or file shown, "" blank
};

// A sorted list that ignores a string already present.
using StringSet = std::set<std::string>;

// The list boxes of the download tab are the engine's working tables. Lines
// are ResourceLine ("reference TAB absolute URL TAB local path") or
// MarkedPathLine (a mark character followed by a local path).
struct DownloadLists {
  std::vector<std::string> ListBoxPGTab02LTab02PageWebCSS;
  std::vector<std::string> ListBoxPGTab02LTab02PageFileDownloaedCSSJS;
  std::vector<std::string> ListBoxPGTab02LTab03PageImage;
  std::vector<std::string> ListBoxPGTab02LTab03PageImageDownloaedImage;
  std::vector<std::string> ListBoxPGTab02LTab04DLCSSFileImportCSS;
  std::vector<std::string> ListBoxPGTab02LTab04ImportCSSFileDownloaedCSSJS;
  std::vector<std::string> ListBoxPGTab02LTab04ImportHTMLSWF;
  std::vector<std::string> ListBoxPGTab02LTab04ImportHTMLCSSForBase;
  std::vector<std::string> ListBoxPGTab02LTab05UseRoot;
  std::vector<std::string> ListBoxPGTab02LTab06DLImportCSSImage;
  std::vector<std::string> ListBoxPGTab02LTab06DLImageNotFound;
  std::vector<std::string> ListBoxPGTab02LTab07DLAllCSSFileImportCSS;
  std::vector<std::string> ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS;
  std::vector<std::string> ListBoxPGTab02LTab08UnkownImage;
  std::vector<std::string> ListBoxPGTab02LTab09LHref;
  std::vector<std::string> ListBoxIEImage;
  std::vector<std::string> ListBoxWBInFrameFileList;
  std::vector<std::string> ListBoxGUICSS;  // stylesheet hrefs for the page analysis tab

  // Sets of the collection stages.
  StringSet LinkHostSet;
  StringSet HeadHrefSet;
  StringSet QuotedTextSet;
  StringSet ResourceCandidateSet;
  StringSet FrameTagSet;
  StringSet FrameSrcSet;
  StringSet NestedCandidateSet;
  StringSet ListedScriptSet;
  StringSet ListedImageSet;
  StringSet WrittenFileSet;
  StringSet StylesheetHostSet;
};

// The fields of a ResourceLine; a line without TAB is all reference.
struct ResourceFields {
  std::string reference, absolute_url, local_path;
};
ResourceFields SplitResourceLine(const std::string& line);
std::string MakeResourceLine(const std::string& reference, const std::string& absolute_url,
                             const std::string& local_path);

}  // namespace kaplo
