#include "history/history_model.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace zarvel {

HistoryModel::HistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

int HistoryModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

int HistoryModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  switch (index.column()) {
    case 0:
      return from_cp932(cp932_head(entries_.name(row), 4096));
    case 1:
      return from_cp932(cp932_head(entries_.subject(row), 4096));
    case 2:
      return from_cp932(cp932_head(entries_.time(row), 4096));
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

std::size_t HistoryModel::checked(int row) const {
  if (row < 0 || row >= count()) throw std::out_of_range("HistoryModel row");
  return static_cast<std::size_t>(row);
}

void HistoryModel::set_list(HistoryList newest_first) {
  ++generation_;
  beginResetModel();
  entries_ = std::move(newest_first);
  endResetModel();
}

void HistoryModel::insert_top(const HistoryEntry& entry) {
  ++generation_;
  beginInsertRows({}, 0, 0);
  entries_.push_front(entry);
  endInsertRows();
}

void HistoryModel::apply_limit(int limit) {
  const int keep = std::max(limit, 0);
  if (count() <= keep) return;
  ++generation_;
  beginRemoveRows({}, keep, count() - 1);
  entries_.truncate(static_cast<std::size_t>(keep));
  endRemoveRows();
}

void HistoryModel::remove(int row) {
  if (row < 0 || row >= count()) return;
  ++generation_;
  beginRemoveRows({}, row, row);
  entries_.erase(static_cast<std::size_t>(row));
  endRemoveRows();
}

}  // namespace zarvel
