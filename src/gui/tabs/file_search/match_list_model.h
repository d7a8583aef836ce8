// The result list of a file search: compact rows (a million fit in tens of
// megabytes), texts made only for the rows on screen, sorting by column
// without regard to case, sizes as numbers.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "filetools/file_finder.h"

namespace kaplo::gui {

class MatchListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kName = 0, kFolder, kSize, kModified, kColumnCount };

  explicit MatchListModel(QObject* parent = nullptr);

  // Appends matches (copied) at the end, in the order given.
  void Append(std::span<const FileEntry> batch);
  void Clear();

  // Full path of a row (file system bytes), empty past the end.
  std::string Path(int row) const;
  QString Text(int row, int column) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  struct Row {
    std::uint32_t folder;  // into folders_
    std::uint32_t name_off;
    std::uint32_t name_len;
    bool directory;
    bool has_stat;
    std::uint64_t size;
    std::int64_t modified;
  };
  std::string_view Name(const Row& r) const { return std::string_view(names_).substr(r.name_off, r.name_len); }

  std::vector<std::string> folders_;
  std::string names_;
  std::vector<Row> rows_;
};

// "Folder" for a folder, else the size in kilobytes rounded up and "KB".
QString SizeText(bool directory, std::uint64_t size);

}  // namespace kaplo::gui
