// The entries of the history list (ListView3), newest first. They stay CP932
// bytes; only the cells that are drawn are converted, so a full history of
// long bodies costs nothing until it is looked at.
#pragma once

#include <QAbstractTableModel>

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
  const HistoryEntry& at(int row) const { return entries_.at(static_cast<std::size_t>(row)); }
  const std::vector<HistoryEntry>& entries() const { return entries_; }

  // Replaces every entry.
  void set_entries(std::vector<HistoryEntry> newest_first);
  // Puts `entry` on top (the newest).
  void insert_top(HistoryEntry entry);
  // Drops the oldest entries beyond `limit`.
  void apply_limit(int limit);
  void remove(int row);

 private:
  std::vector<HistoryEntry> entries_;
};

}  // namespace zarvel
