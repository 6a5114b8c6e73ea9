// A report-style list (the platform's list view): columns, whole-row single
// selection, no editing, headers that do not sort, and the click events the
// windows rely on (a click anywhere in the list, also below the rows).
#pragma once

#include <QTreeView>

namespace zarvel {

class TListView : public QTreeView {
  Q_OBJECT
 public:
  explicit TListView(QWidget* parent = nullptr);

  void set_columns(const QStringList& captions, const QList<int>& widths);
  int row_count() const;
  // The selected row, or -1.
  int selected_row() const;
  // Selects `row` (clears the selection for -1) and scrolls it into view.
  void select_row(int row);
  // Makes the selected row the current (focused) one.
  void focus_selected();
  // Keeps the selection drawn as when focused, or hides it without focus.
  void set_hide_selection(bool hide);
  void setModel(QAbstractItemModel* model) override;

 signals:
  // Any left-button click in the list, on a row or not (OnClick).
  void click();
  void dblclick();
  // Any mouse-button press (the history view treats it as a click).
  void mouse_down();
  // A row became selected or lost its selection (OnSelectItem).
  void select_item(int row, bool selected);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  // A hidden list lays its rows out when it is shown, not before: setting a
  // column width would otherwise lay out every row of a list whose view is
  // not entered (10,000 of them in a full address book) during start-up.
  void updateGeometries() override;
  void showEvent(QShowEvent* e) override;

 private:
  void connect_selection();
  bool geometries_pending_ = false;
};

}  // namespace zarvel
