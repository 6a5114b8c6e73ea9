#include "addressbook/widget_recipient_model.h"

#include <algorithm>
#include <utility>

namespace zarvel {

RecipientModel::RecipientModel(QObject* parent) : QAbstractTableModel(parent) {}

int RecipientModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : size(); }

int RecipientModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant RecipientModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= size()) return {};
  const Recipient& r = at(index.row());
  return from_cp932(index.column() == 0 ? r.name : r.address);
}

QVariant RecipientModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 0 ? QStringLiteral("宛先") : QStringLiteral("アドレス");
}

void RecipientModel::set_entries(std::vector<Recipient> entries) {
  beginResetModel();
  entries_ = std::move(entries);
  endResetModel();
}

void RecipientModel::append(std::vector<Recipient> entries) {
  if (entries.empty()) return;
  beginInsertRows({}, size(), size() + static_cast<int>(entries.size()) - 1);
  for (Recipient& r : entries) entries_.push_back(std::move(r));
  endInsertRows();
}

void RecipientModel::insert(int row, Recipient entry) {
  beginInsertRows({}, row, row);
  entries_.insert(entries_.begin() + row, std::move(entry));
  endInsertRows();
}

void RecipientModel::remove(int row) {
  beginRemoveRows({}, row, row);
  entries_.erase(entries_.begin() + row);
  endRemoveRows();
}

void RecipientModel::replace(int row, Recipient entry) {
  entries_.at(static_cast<std::size_t>(row)) = std::move(entry);
  emit dataChanged(index(row, 0), index(row, 1));
}

void RecipientModel::swap_rows(int a, int b) {
  std::swap(entries_.at(static_cast<std::size_t>(a)), entries_.at(static_cast<std::size_t>(b)));
  emit dataChanged(index(std::min(a, b), 0), index(std::max(a, b), 1));
}

}  // namespace zarvel
