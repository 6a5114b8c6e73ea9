// The entries of an address-book list (the edit list or the compose
// picker): name and address as CP932 bytes, converted only when a row is
// drawn, so a book of any size loads without work per row.
#pragma once

#include <QAbstractTableModel>

#include <vector>

#include "addressbook/address_book_file.h"

namespace zarvel {

class RecipientModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit RecipientModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  const std::vector<Recipient>& entries() const { return entries_; }
  int size() const { return static_cast<int>(entries_.size()); }
  const Recipient& at(int row) const { return entries_.at(static_cast<std::size_t>(row)); }

  // Replaces every entry (views lose their selection).
  void set_entries(std::vector<Recipient> entries);
  void append(std::vector<Recipient> entries);
  void insert(int row, Recipient entry);
  void remove(int row);
  void replace(int row, Recipient entry);
  // Exchanges two rows in place.
  void swap_rows(int a, int b);

 private:
  std::vector<Recipient> entries_;
};

}  // namespace zarvel
