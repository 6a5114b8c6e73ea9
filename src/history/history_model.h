// The entries of the history list (ListView3), newest first. They stay CP932
// bytes; only the cells that are drawn are converted, so a full history of
// long bodies costs nothing until it is looked at.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "history/history_file.h"

namespace zarvel {

class HistoryModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit HistoryModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  int count() const { return static_cast<int>(entries_.size()); }
  const HistoryList& list() const { return entries_; }
  // A copy of an entry, of every entry.
  HistoryEntry at(int row) const { return entries_.at(checked(row)); }
  std::vector<HistoryEntry> entries() const { return entries_.to_vector(); }

  // Replaces every entry.
  void set_list(HistoryList newest_first);
  // Puts `entry` on top (the newest).
  void insert_top(const HistoryEntry& entry);
  // Drops the oldest entries beyond `limit`.
  void apply_limit(int limit);
  void remove(int row);
  // Counts every change of the entries, so that an unchanged history is
  // not written again.
  std::uint64_t generation() const { return generation_; }

 private:
  std::size_t checked(int row) const;

  HistoryList entries_;
  std::uint64_t generation_ = 0;
};

}  // namespace zarvel
