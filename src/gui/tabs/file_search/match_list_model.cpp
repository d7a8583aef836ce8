#include "gui/tabs/file_search/match_list_model.h"

#include <QDateTime>
#include <algorithm>

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
  // Each row's key sits in the sorted element itself: the first 16 bytes of
  // a text (lowered, in byte order) or the number. Only equal keys of texts
  // reach back into the row, so a sort does not miss the cache on every
  // comparison.
  struct Key {
    std::uint64_t hi, lo;
    std::uint32_t row;
  };
  auto text_key = [](std::string_view t, Key& k) {
    unsigned char b[16] = {};
    for (std::size_t i = 0; i < 16 && i < t.size(); ++i) b[i] = Lower(t[i]);
    k.hi = k.lo = 0;
    for (int i = 0; i < 8; ++i) {
      k.hi = k.hi << 8 | b[i];
      k.lo = k.lo << 8 | b[i + 8];
    }
  };
  std::vector<Key> keys(rows_.size());
  for (std::uint32_t i = 0; i < rows_.size(); ++i) {
    const Row& r = rows_[i];
    Key& k = keys[i];
    k.row = i;
    switch (column) {
      case kName:
        text_key(Name(r), k);
        break;
      case kFolder:
        text_key(folders_[r.folder], k);
        break;
      case kSize:
        // Folders before files, then by the number.
        k.hi = r.directory ? 0 : 1;
        k.lo = r.size;
        break;
      case kModified:
        k.hi = 0;
        k.lo = static_cast<std::uint64_t>(r.modified) ^ (std::uint64_t{1} << 63);
        break;
    }
  }
  const bool text = column == kName || column == kFolder;
  auto compare = [&](const Key& a, const Key& b) {
    if (a.hi != b.hi) return a.hi < b.hi ? -1 : 1;
    if (a.lo != b.lo) return a.lo < b.lo ? -1 : 1;
    if (!text) return 0;
    const Row& ra = rows_[a.row];
    const Row& rb = rows_[b.row];
    return column == kName ? CompareNoCase(Name(ra), Name(rb))
                           : CompareNoCase(folders_[ra.folder], folders_[rb.folder]);
  };
  if (order == Qt::AscendingOrder) {
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const Key& a, const Key& b) { return compare(a, b) < 0; });
  } else {
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const Key& a, const Key& b) { return compare(a, b) > 0; });
  }
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  std::vector<int> where(rows_.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    sorted.push_back(rows_[keys[i].row]);
    where[keys[i].row] = static_cast<int>(i);
  }
  rows_ = std::move(sorted);
  // The current row and the selection follow their rows.
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& i : before) after.push_back(index(where[i.row()], i.column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace kaplo::gui
