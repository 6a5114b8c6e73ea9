#include "ui/widget_listview.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyleOptionHeader>

namespace zarvel {

namespace {

// Qt measures each caption in the bold face, for headers that embolden the
// sorted or highlighted section. These headers do neither, and their
// widths are set, so only the height counts, which the regular face gives
// too; the bold face would be matched and opened for this alone.
class ListHeader : public QHeaderView {
 public:
  explicit ListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

 protected:
  QSize sectionSizeFromContents(int logical) const override {
    if (!model() || highlightSections() || isSortIndicatorShown()) return QHeaderView::sectionSizeFromContents(logical);
    if (const QVariant hint = model()->headerData(logical, orientation(), Qt::SizeHintRole); hint.isValid())
      return hint.toSize();
    ensurePolished();
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.section = logical;
    const QVariant font = model()->headerData(logical, orientation(), Qt::FontRole);
    opt.fontMetrics = font.canConvert<QFont>() ? QFontMetrics(font.value<QFont>()) : fontMetrics();
    opt.text = model()->headerData(logical, orientation(), Qt::DisplayRole).toString();
    const QVariant decoration = model()->headerData(logical, orientation(), Qt::DecorationRole);
    opt.icon = decoration.value<QIcon>();
    if (opt.icon.isNull()) opt.icon = decoration.value<QPixmap>();
    return style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this);
  }
};

}  // namespace

TListView::TListView(QWidget* parent) : QTreeView(parent) {
  setHeader(new ListHeader(this));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setTextElideMode(Qt::ElideRight);
  header()->setSectionsClickable(false);
  header()->setSectionsMovable(false);
  header()->setStretchLastSection(false);
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TListView::set_columns(const QStringList& captions, const QList<int>& widths) {
  for (int i = 0; i < widths.size(); ++i) setColumnWidth(i, widths[i]);
  Q_UNUSED(captions);  // the model gives the captions
}

void TListView::setModel(QAbstractItemModel* m) {
  QTreeView::setModel(m);
  connect_selection();
}

void TListView::connect_selection() {
  if (!selectionModel()) return;
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            if (!deselected.isEmpty()) emit select_item(deselected.indexes().first().row(), false);
            if (!selected.isEmpty()) emit select_item(selected.indexes().first().row(), true);
          });
}

int TListView::row_count() const { return model() ? model()->rowCount() : 0; }

int TListView::selected_row() const {
  if (!selectionModel()) return -1;
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void TListView::select_row(int row) {
  if (!selectionModel()) return;
  if (row < 0 || row >= row_count()) {
    selectionModel()->clearSelection();
    return;
  }
  const QModelIndex index = model()->index(row, 0);
  selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(index);
}

void TListView::focus_selected() {
  const int row = selected_row();
  if (row < 0) return;
  selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::NoUpdate);
}

void TListView::set_hide_selection(bool hide) {
  QPalette p = palette();
  if (hide) {
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Inactive, QPalette::Base));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Inactive, QPalette::Text));
  } else {
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
  }
  setPalette(p);
}

void TListView::updateGeometries() {
  if (!isVisible()) {
    geometries_pending_ = true;
    return;
  }
  geometries_pending_ = false;
  QTreeView::updateGeometries();
}

void TListView::showEvent(QShowEvent* e) {
  QTreeView::showEvent(e);
  if (geometries_pending_) updateGeometries();
}

void TListView::mousePressEvent(QMouseEvent* e) {
  QTreeView::mousePressEvent(e);
  emit mouse_down();
}

void TListView::mouseReleaseEvent(QMouseEvent* e) {
  QTreeView::mouseReleaseEvent(e);
  if (e->button() == Qt::LeftButton) emit click();
}

void TListView::mouseDoubleClickEvent(QMouseEvent* e) {
  QTreeView::mouseDoubleClickEvent(e);
  if (e->button() == Qt::LeftButton) emit dblclick();
}

}  // namespace zarvel
