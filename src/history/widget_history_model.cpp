#include "history/widget_history_model.h"

#include <algorithm>

namespace zarvel {

HistoryModel::HistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

int HistoryModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

int HistoryModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count()) return {};
  const HistoryEntry& e = at(index.row());
  switch (index.column()) {
    case 0:
      return from_cp932(e.name);
    case 1:
      return from_cp932(e.subject);
    case 2:
      return from_cp932(e.time);
    default:
      return {};
  }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case 0:
      return QStringLiteral("宛先");
    case 1:
      return QStringLiteral("件名");
    case 2:
      return QStringLiteral("送信日時");
    default:
      return {};
  }
}

void HistoryModel::set_entries(std::vector<HistoryEntry> newest_first) {
  beginResetModel();
  entries_ = std::move(newest_first);
  endResetModel();
}

void HistoryModel::insert_top(HistoryEntry entry) {
  beginInsertRows({}, 0, 0);
  entries_.insert(entries_.begin(), std::move(entry));
  endInsertRows();
}

void HistoryModel::apply_limit(int limit) {
  const int keep = std::max(limit, 0);
  if (count() <= keep) return;
  beginRemoveRows({}, keep, count() - 1);
  entries_.resize(static_cast<std::size_t>(keep));
  endRemoveRows();
}

void HistoryModel::remove(int row) {
  if (row < 0 || row >= count()) return;
  beginRemoveRows({}, row, row);
  entries_.erase(entries_.begin() + row);
  endRemoveRows();
}

}  // namespace zarvel
