// The files a job from the tab leaves beside its page when the settings ask:
// the web archive of its exchanges and the one-file page.
#include <unistd.h>

#include <QAbstractButton>
#include <filesystem>
#include <string>

#include "archive/one_file_job.h"
#include "gui/common/gui_util.h"
#include "gui/common/window_ports.h"
#include "gui/tabs/download/download_tab.h"
#include "text/convert.h"
#include "text/fsname.h"

#ifndef KAPLO_VERSION
#error "KAPLO_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace kaplo::gui {

namespace fs = std::filesystem;

DownloadTab::JobFiles DownloadTab::JobFilesFromControls() const {
  return {check_.warc->isChecked(), check_.single_file->isChecked()};
}

void DownloadTab::BeginJobFiles(const JobFiles& files, const DownloadRequest& request) {
  archive_relay_.Attach(nullptr);
  archive_.reset();
  // The page's name is known when the job ends, and the job may empty its
  // folder first: the archive is begun in the temporary folder and moved
  // beside the page at the end.
  if (!files.warc || request.save_folder.empty()) return;
  std::error_code ec;
  const fs::path temp = fs::temp_directory_path(ec) /
                        ("kaplo-job-" + std::to_string(getpid()) + ".warc.gz");
  std::string error;
  archive_ = WarcWriter::Create(temp,
                                "KAPLO " KAPLO_VERSION,
                                "url: " + ShiftJISToUtf8(request.url) + "\r\n", &error);
  if (archive_) archive_relay_.Attach(archive_.get());
}

void DownloadTab::EndJobFiles(const JobFiles& files, const DownloadResult& result) {
  archive_relay_.Attach(nullptr);
  QString trouble;
  if (archive_) {
    std::string error;
    if (!result.page_saved) {
      archive_->Close();  // left under its part name, never as a whole archive
    } else if (archive_->Commit(&error)) {
      const fs::path beside = FsPath(FileBesidePage(result.saved_page, ".warc.gz"));
      std::error_code ec;
      fs::rename(archive_->path(), beside, ec);
      if (ec) {  // another file system
        ec.clear();
        fs::copy_file(archive_->path(), beside, fs::copy_options::overwrite_existing, ec);
        if (ec) error = ec.message();
      }
      fs::remove(archive_->path(), ec);
    }
    if (!error.empty()) trouble = U("WARCファイルを書けませんでした: ") + QString::fromStdString(error);
  } else if (files.warc && result.page_saved) {
    trouble = U("WARCファイルを作れませんでした");
  }
  if (files.one_file && result.page_saved) {
    if (!frame_engine_) {
      frame_engine_ = std::make_unique<DownloadEngine>(*fetcher_, *ports_, nullptr, quiet_observer_);
    }
    const OneFileResult one = WriteJobAsOneFile(
        *frame_engine_, result, FsPath(FileBesidePage(result.saved_page, ".single.html")));
    if (!one.written) {
      trouble = U("1つのHTMLファイルを書けませんでした: ") + QString::fromStdString(one.error);
    }
  }
  if (!trouble.isEmpty()) Post([this, trouble] { host_->SetStatusPanel(0, trouble); });
}

}  // namespace kaplo::gui
