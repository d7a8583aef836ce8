#include "gui/tabs/file_search/match_list_model.h"

#include <QDateTime>
#include <algorithm>
#include <numeric>

namespace kaplo::gui {
namespace {

inline unsigned char Lower(unsigned char c) {
  return static_cast<unsigned char>(c - 'A') < 26u ? c | 0x20 : c;
}

// Text order without regard to ASCII case; bytes decide ties.
int CompareNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = Lower(a[i]), y = Lower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : a.compare(b) > 0;
}

}  // namespace

QString SizeText(bool directory, std::uint64_t size) {
  if (directory) return QStringLiteral("Folder");
  return QString::number((size + 1023) / 1024) + QStringLiteral("KB");
}

MatchListModel::MatchListModel(QObject* parent) : QAbstractTableModel(parent) {}

void MatchListModel::Append(std::span<const FileEntry> batch) {
  if (batch.empty()) return;
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(batch.size()) - 1);
  for (const FileEntry& e : batch) {
    // Matches come folder by folder: the last folder is usually the same.
    if (folders_.empty() || folders_.back() != e.folder) folders_.emplace_back(e.folder);
    rows_.push_back({static_cast<std::uint32_t>(folders_.size() - 1),
                     static_cast<std::uint32_t>(names_.size()),
                     static_cast<std::uint32_t>(e.name.size()),
                     (e.attributes & kAttrDirectory) != 0, e.has_stat, e.size, e.modified});
    names_.append(e.name);
  }
  endInsertRows();
}

void MatchListModel::Clear() {
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  folders_.clear();
  names_.clear();
  names_.shrink_to_fit();
  endResetModel();
}

std::string MatchListModel::Path(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
  const Row& r = rows_[row];
  return folders_[r.folder] + std::string(Name(r));
}

QString MatchListModel::Text(int row, int column) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
  const Row& r = rows_[row];
  switch (column) {
    case kName: {
      const std::string_view n = Name(r);
      return QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()));
    }
    case kFolder:
      return QString::fromStdString(folders_[r.folder]);
    case kSize:
      return r.has_stat || r.directory ? SizeText(r.directory, r.size) : QString();
    case kModified:
      return r.has_stat ? QDateTime::fromSecsSinceEpoch(r.modified).toString(
                              QStringLiteral("yyyy/MM/dd hh:mm:ss"))
                        : QString();
  }
  return {};
}

int MatchListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MatchListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant MatchListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return Text(index.row(), index.column());
  if (role == Qt::TextAlignmentRole && index.column() == kSize) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant MatchListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kHeaders[] = {"ファイル名", "フォルダー", "サイズ", "更新日時"};
  if (section < 0 || section >= kColumnCount) return {};
  return QString::fromUtf8(kHeaders[section]);
}

void MatchListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<int> perm(rows_.size());
  std::iota(perm.begin(), perm.end(), 0);
  auto cmp = [&](int ia, int ib) {
    const Row& a = rows_[ia];
    const Row& b = rows_[ib];
    int c = 0;
    switch (column) {
      case kName:
        c = CompareNoCase(Name(a), Name(b));
        break;
      case kFolder:
        c = CompareNoCase(folders_[a.folder], folders_[b.folder]);
        break;
      case kSize:
        // Folders before files, then by the number.
        c = a.directory != b.directory ? (a.directory ? -1 : 1)
                                       : (a.size < b.size ? -1 : a.size > b.size);
        break;
      case kModified:
        c = a.modified < b.modified ? -1 : a.modified > b.modified;
        break;
    }
    return order == Qt::AscendingOrder ? c < 0 : c > 0;
  };
  std::stable_sort(perm.begin(), perm.end(), cmp);
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  std::vector<int> where(rows_.size());
  for (std::size_t i = 0; i < perm.size(); ++i) {
    sorted.push_back(rows_[perm[i]]);
    where[perm[i]] = static_cast<int>(i);
  }
  rows_ = std::move(sorted);
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& i : before) after.push_back(index(where[i.row()], i.column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace kaplo::gui
