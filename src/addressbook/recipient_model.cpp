#include "addressbook/recipient_model.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace zarvel {

RecipientModel::RecipientModel(QObject* parent)
    : QAbstractTableModel(parent), list_(std::make_shared<RecipientList>()) {}

int RecipientModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : size(); }

int RecipientModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant RecipientModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= size()) return {};
  // A cell shows the start of a field of any length (a list cannot show
  // more, and a whole huge field would take seconds to lay out).
  return from_cp932(cp932_head(index.column() == 0 ? name(index.row()) : address(index.row()), 4096));
}

QVariant RecipientModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 0 ? QStringLiteral("宛先") : QStringLiteral("アドレス");
}

std::size_t RecipientModel::checked(int row) const {
  if (row < 0 || row >= size()) throw std::out_of_range("RecipientModel row");
  return static_cast<std::size_t>(row);
}

RecipientList& RecipientModel::writable() {
  if (list_.use_count() > 1) list_ = std::make_shared<RecipientList>(*list_);
  return *list_;
}

void RecipientModel::set_list(RecipientList entries) {
  ++generation_;
  beginResetModel();
  list_ = std::make_shared<RecipientList>(std::move(entries));
  endResetModel();
}

void RecipientModel::share(std::shared_ptr<const RecipientList> entries) {
  ++generation_;
  beginResetModel();
  // Safe to hold as changeable: writable() copies while `entries` has
  // other holders, and every RecipientList here was made changeable.
  list_ = std::const_pointer_cast<RecipientList>(entries ? std::move(entries) : std::make_shared<RecipientList>());
  endResetModel();
}

void RecipientModel::append(RecipientList entries) {
  if (entries.empty()) return;
  ++generation_;
  beginInsertRows({}, size(), size() + static_cast<int>(entries.size()) - 1);
  if (list_->empty() && list_.use_count() == 1)
    *list_ = std::move(entries);
  else
    writable().append(entries);
  endInsertRows();
}

void RecipientModel::insert(int row, const Recipient& entry) {
  ++generation_;
  if (row < 0 || row > size()) throw std::out_of_range("RecipientModel row");
  beginInsertRows({}, row, row);
  writable().insert(static_cast<std::size_t>(row), entry.name, entry.address);
  endInsertRows();
}

void RecipientModel::remove(int row) {
  ++generation_;
  const std::size_t i = checked(row);
  beginRemoveRows({}, row, row);
  writable().erase(i);
  endRemoveRows();
}

void RecipientModel::replace(int row, const Recipient& entry) {
  ++generation_;
  writable().replace(checked(row), entry.name, entry.address);
  emit dataChanged(index(row, 0), index(row, 1));
}

void RecipientModel::swap_rows(int a, int b) {
  ++generation_;
  writable().swap(checked(a), checked(b));
  emit dataChanged(index(std::min(a, b), 0), index(std::max(a, b), 1));
}

}  // namespace zarvel
