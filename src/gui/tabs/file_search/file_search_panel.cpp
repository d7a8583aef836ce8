#include "gui/tabs/file_search/file_search_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>
#include <chrono>
#include <mutex>
#include <thread>

#include "filetools/file_preview.h"
#include "gui/common/gui_util.h"
#include "gui/tabs/file_search/match_list_model.h"
#include "text/convert.h"
#include "view/keyword_search.h"

namespace kaplo::gui {

// What the search and the window share.
struct FileSearchPanel::Shared : FinderSink {
  struct Pending {
    FileEntry entry;
    std::uint32_t folder_off, folder_len, name_off, name_len;
  };

  FolderAction FolderChange(std::string_view f) override {
    std::lock_guard g(mu);
    folder.assign(f);
    ++folders;
    return FolderAction::kAll;
  }
  void Matches(std::span<const FileEntry> batch) override {
    std::lock_guard g(mu);
    for (const FileEntry& e : batch) {
      Pending p{e, static_cast<std::uint32_t>(arena.size()), static_cast<std::uint32_t>(e.folder.size()),
                0, static_cast<std::uint32_t>(e.name.size())};
      arena.append(e.folder);
      p.name_off = static_cast<std::uint32_t>(arena.size());
      arena.append(e.name);
      pending.push_back(p);
    }
  }

  std::mutex mu;
  std::string arena;
  std::vector<Pending> pending;
  std::string folder;
  std::uint64_t folders = 0;
  bool done = false;
  SearchStats stats;
  std::atomic<bool> running{false};
};

namespace {

QComboBox* Box(const QString& name, const QStringList& items, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  box->setEditText(QString());
  box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return box;
}

QPushButton* Button(const QString& name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

// A picker value as the criteria take it: a date and a time, or the date
// alone when the time is midnight.
TimeValue PickerValue(const QDate& date, const QTime& time) {
  TimeValue v;
  v.day = static_cast<std::int32_t>(QDate(1970, 1, 1).daysTo(date));
  const int seconds = time.msecsSinceStartOfDay() / 1000;
  if (seconds != 0) v.second = seconds;
  return v;
}

}  // namespace

void OpenWithDesktop(const std::vector<std::string>& editor, const QString& file) {
  if (editor.empty()) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    return;
  }
  QStringList args;
  for (std::size_t i = 1; i < editor.size(); ++i) args << QString::fromStdString(editor[i]);
  QProcess::startDetached(QString::fromStdString(editor[0]), args,
                          QFileInfo(file).absolutePath());
}

FileSearchPanel::FileSearchPanel(const QString& prefix, const QString& go_name, QWidget* parent)
    : QWidget(parent), opener_(OpenWithDesktop) {
  Build(prefix, go_name);
}

// The searcher aborts its search and waits for it.
FileSearchPanel::~FileSearchPanel() = default;

void FileSearchPanel::Build(const QString& prefix, const QString& go_name) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);
  mask_ = Box(prefix + "ComboBoxFSFile",
              {"*.html", "*.htm", "*.css*", "*.js*", "*.gif*", "*.jpg*", "*.png*", "*.bmp*",
               "*.swf*", "*.exe", "*.dll", "*.doc*", "*.txt", "*.xml*", "*.rss*", "*.rdf*", "*.jt*",
               "*.csv"},
              this);
  folder_ = Box(prefix + "ComboBoxFSDir", {}, this);
  phrase_ = Box(prefix + "ComboBoxSearchPhrase", {}, this);
  const QString labels[] = {U("ﾌｧｲﾙ名（ﾏｽｸ）"), U("検索ﾌｫﾙﾀﾞｰ"), U("検索語句")};
  QComboBox* boxes[] = {mask_, folder_, phrase_};
  for (int i = 0; i < 3; ++i) {
    grid->addWidget(new QLabel(labels[i], this), i, 0);
    grid->addWidget(boxes[i], i, 1);
    auto* paste = Button(prefix + "sbFSPaste" + QString::number(i), U("貼付"), this);
    connect(paste, &QPushButton::clicked, this, [this, i] { PasteClick(i); });
    grid->addWidget(paste, i, 2);
  }

  // Created before / after: a date picker and a time picker each.
  auto* dates = new QHBoxLayout;
  layout->addLayout(dates);
  const QDateTime now = QDateTime::currentDateTime();
  auto make_pair = [&](const QString& check_name, const QString& caption, const QString& date_name,
                       const QString& time_name, QCheckBox*& check, QDateEdit*& date,
                       QTimeEdit*& time) {
    check = new QCheckBox(caption, this);
    check->setObjectName(prefix + check_name);
    date = new QDateEdit(now.date(), this);
    date->setObjectName(prefix + date_name);
    date->setCalendarPopup(true);
    date->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    time = new QTimeEdit(now.time(), this);
    time->setObjectName(prefix + time_name);
    time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    dates->addWidget(check);
    dates->addWidget(date);
    dates->addWidget(time);
  };
  make_pair("CheckBoxFSBefore", U("作成日時がこれ以前"), "BeforeDate", "BeforeTime", before_check_,
            before_date_, before_time_);
  make_pair("CheckBoxFSAfter", U("作成日時がこれ以後"), "AfterDate", "AfterTime", after_check_,
            after_date_, after_time_);
  dates->addStretch(1);

  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  go_ = Button(go_name, U("検索実行"), this);
  abort_ = Button(prefix + "sbFileSearchAbort", U("検索の強制終了"), this);
  abort_->setEnabled(false);
  auto* clear_list = Button(prefix + "sbFSListClear", U("一覧をｸﾘｱ"), this);
  auto* clear_boxes = Button(prefix + "sbFSBoxClear", U("入力をｸﾘｱ"), this);
  for (QPushButton* b : {go_, abort_, clear_list, clear_boxes}) buttons->addWidget(b);
  buttons->addStretch(1);
  connect(go_, &QPushButton::clicked, this, &FileSearchPanel::GoClick);
  connect(abort_, &QPushButton::clicked, this, &FileSearchPanel::AbortClick);
  connect(clear_list, &QPushButton::clicked, this, &FileSearchPanel::ClearListClick);
  connect(clear_boxes, &QPushButton::clicked, this, &FileSearchPanel::ClearBoxesClick);

  model_ = new MatchListModel(this);
  // A table with fixed row heights: appending to a million rows stays cheap
  // (a tree view lays out every row again).
  list_ = new QTableView(this);
  list_->setObjectName(prefix + "ListViewFSResult");
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
  list_->setShowGrid(false);
  list_->setWordWrap(false);
  list_->setAlternatingRowColors(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setModel(model_);
  list_->setSortingEnabled(true);
  list_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  list_->horizontalHeader()->resizeSection(MatchListModel::kName, 240);
  list_->horizontalHeader()->resizeSection(MatchListModel::kFolder, 360);
  list_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(list_, 1);
  connect(list_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { OpenRow(index.row()); });

  auto* status = new QHBoxLayout;
  status->setObjectName(prefix + "StatusBarFS");
  layout->addLayout(status);
  for (int i = 0; i < 3; ++i) {
    auto* panel = new QLabel(this);
    panel->setObjectName(prefix + "StatusBarFSPanel" + QString::number(i));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setMinimumWidth(i == 0 ? 60 : 200);
    status->addWidget(panel, i == 0 ? 0 : 1);
    panels_.push_back(panel);
  }

  poll_ = new QTimer(this);
  poll_->setInterval(50);
  connect(poll_, &QTimer::timeout, this, &FileSearchPanel::Poll);

  // The search begins on the window thread, before the searcher's thread starts.
  finder_.threaded = true;
  finder_.options.want_stat = true;  // the list shows sizes and times
  finder_.on_begin = [this] {
    folder_count_ = 0;
    list_->horizontalHeader()->setSectionsClickable(false);
    start_ms_ = QDateTime::currentMSecsSinceEpoch();
  };
}

QString FileSearchPanel::StatusPanel(int index) const {
  return index >= 0 && index < static_cast<int>(panels_.size()) ? panels_[index]->text() : QString();
}

void FileSearchPanel::SetFolder(const QString& folder) { folder_->setEditText(folder); }

FinderCriteria FileSearchPanel::Criteria() const {
  FinderCriteria c;
  c.name.file_name = mask_->currentText().trimmed().toStdString();
  c.name.location = folder_->currentText().trimmed().toStdString();
  c.name.subfolders = true;
  // The phrase is compared with the files' bytes in the core's code, Shift_JIS.
  c.content.phrase = Utf8ToShiftJIS(phrase_->currentText().toStdString());
  c.content.ignore_case = true;
  c.content.whole_word = false;
  if (before_check_->isChecked()) {
    c.time.created_before = PickerValue(before_date_->date(), before_time_->time());
  }
  if (after_check_->isChecked()) {
    c.time.created_after = PickerValue(after_date_->date(), after_time_->time());
  }
  return c;
}

bool FileSearchPanel::Busy() const {
  return finder_.Busy() || (shared_ && shared_->running.load());
}

void FileSearchPanel::GoClick() {
  if (Busy()) return;
  if (mask_->currentText().trimmed().isEmpty() || folder_->currentText().trimmed().isEmpty()) {
    return;
  }
  keywords_ = EdictScan(Utf8ToShiftJIS(phrase_->currentText().toStdString()));
  list_->setSortingEnabled(false);
  list_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  model_->Clear();
  go_->setEnabled(false);
  abort_->setEnabled(true);
  finder_.criteria = Criteria();
  shared_ = std::make_shared<Shared>();
  shared_->running = true;
  finder_.Execute(*shared_, [shared = shared_.get(), this](const SearchStats& stats) {
    {
      std::lock_guard g(shared->mu);
      shared->stats = stats;
      shared->done = true;
    }
    QMetaObject::invokeMethod(this, &FileSearchPanel::Poll, Qt::QueuedConnection);
  });
  poll_->start();
}

void FileSearchPanel::AbortClick() {
  if (Busy()) finder_.Abort();
}

void FileSearchPanel::Poll() {
  if (!shared_ || !shared_->running) return;
  std::string arena, folder;
  std::vector<Shared::Pending> pending;
  bool done;
  {
    std::lock_guard g(shared_->mu);
    arena.swap(shared_->arena);
    pending.swap(shared_->pending);
    folder = shared_->folder;
    folder_count_ = shared_->folders;
    done = shared_->done;
  }
  if (!pending.empty()) {
    std::vector<FileEntry> batch;
    batch.reserve(pending.size());
    for (const Shared::Pending& p : pending) {
      FileEntry e = p.entry;
      e.folder = std::string_view(arena).substr(p.folder_off, p.folder_len);
      e.name = std::string_view(arena).substr(p.name_off, p.name_len);
      batch.push_back(e);
    }
    model_->Append(batch);
  }
  if (!folder.empty()) {
    panels_[2]->setText(U(" 【 ") + QString::fromStdString(folder) + U(" 】"));
  }
  if (done) Finish();
}

void FileSearchPanel::Finish() {
  poll_->stop();
  const bool aborted = shared_->stats.aborted || finder_.Aborted();
  const double seconds = (QDateTime::currentMSecsSinceEpoch() - start_ms_) / 1000.0;
  const QString message =
      QString::asprintf(" 【 %llu 】個のフォルダーを検索し、【 %d 】個のファイルを検出しました - ［ %.3f ］秒",
                        static_cast<unsigned long long>(folder_count_), model_->rowCount(), seconds);
  panels_[1]->setText(aborted ? U("  実行は中止されました - ") + message : message);
  // Both buttons come back; an abort with nothing running does nothing.
  go_->setEnabled(true);
  abort_->setEnabled(true);
  list_->horizontalHeader()->setSectionsClickable(true);
  list_->setSortingEnabled(true);
  list_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  shared_->running = false;
  emit searchFinished(aborted);
}

bool FileSearchPanel::WaitIdle(int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (Busy()) {
    if (timer.elapsed() > timeout_ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void FileSearchPanel::OpenRow(int row) {
  const std::string path = model_->Path(row);
  if (path.empty()) return;
  const QString file = QString::fromStdString(path);
  const QString name = model_->Text(row, MatchListModel::kName);
  std::vector<std::string> editor;
  if (OpensInTextEditor(name.toStdString())) editor = TextEditorCommand(path);
  opener_(editor, file);
}

void FileSearchPanel::ClearListClick() {
  if (Busy()) return;
  model_->Clear();
}

void FileSearchPanel::ClearBoxesClick() {
  for (QComboBox* box : {mask_, folder_, phrase_}) box->setEditText(QString());
  keywords_.clear();
}

void FileSearchPanel::PasteClick(int box) {
  QComboBox* boxes[] = {mask_, folder_, phrase_};
  if (box < 0 || box > 2) return;
  boxes[box]->setEditText(QApplication::clipboard()->text().trimmed());
}

}  // namespace kaplo::gui
