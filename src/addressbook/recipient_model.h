// The entries of an address-book list (the edit list or the compose
// picker): name and address as CP932 bytes, converted only when a row is
// drawn, so a book of any size loads without work per row. The picker holds
// a snapshot of the edit list: both share one RecipientList until the edit
// list changes, which then copies it (two blocks) before its change.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <memory>
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

  const RecipientList& list() const { return *list_; }
  int size() const { return static_cast<int>(list_->size()); }
  std::string_view name(int row) const { return list_->name(checked(row)); }
  std::string_view address(int row) const { return list_->address(checked(row)); }
  Recipient at(int row) const { return list_->at(checked(row)); }
  std::vector<Recipient> entries() const { return list_->to_vector(); }

  // Counts every change of the entries, so that an unchanged book is not
  // written again.
  std::uint64_t generation() const { return generation_; }

  // The entries as they are now; later changes do not reach it.
  std::shared_ptr<const RecipientList> snapshot() const { return list_; }

  // Each replaces every entry (views lose their selection).
  void set_list(RecipientList entries);
  void share(std::shared_ptr<const RecipientList> entries);

  void append(RecipientList entries);
  void insert(int row, const Recipient& entry);
  void remove(int row);
  void replace(int row, const Recipient& entry);
  // Exchanges two rows in place.
  void swap_rows(int a, int b);

 private:
  std::size_t checked(int row) const;
  // The list, copied first when a snapshot shares it.
  RecipientList& writable();

  // Never changed while another holder shares it (see writable()).
  std::shared_ptr<RecipientList> list_;
  std::uint64_t generation_ = 0;
};

}  // namespace zarvel
