#include "app/source_grid.h"

#include <QComboBox>
#include <QHeaderView>
#include <QStyledItemDelegate>

#include "settings/image_choices.h"

namespace lumatrix::app {

namespace {

enum Column { kFileName, kOrientation, kDisplayName, kCaption, kFilePath };

// The six orientation values, chosen in the cell.
class OrientationDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex&) const override {
    auto* box = new QComboBox(parent);
    for (std::string_view value : OrientationChoice::items)
      box->addItem(QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
    return box;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    static_cast<QComboBox*>(editor)->setCurrentText(index.data().toString());
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    model->setData(index, static_cast<QComboBox*>(editor)->currentText());
  }
};

QTableWidgetItem* cell(const std::string& text, bool editable) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  if (!editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

std::string text_at(const QTableWidget& grid, int row, int column) {
  const QTableWidgetItem* item = grid.item(row, column);
  return item ? item->text().toStdString() : std::string();
}

}  // namespace

SourceGrid::SourceGrid(QWidget* parent) : FileDropGrid(5, parent) {
  setObjectName("filegrid");
  setHorizontalHeaderLabels(
      {"FileName", "Orientation", "Display Name", "Caption", "Original File Path"});
  setItemDelegateForColumn(kOrientation, new OrientationDelegate(this));
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::SelectedClicked);
  horizontalHeader()->setStretchLastSection(true);
  setColumnWidth(kFileName, 160);
  setColumnWidth(kOrientation, 120);
}

SourceList SourceGrid::list() const {
  SourceList list;
  for (int row = 0; row < rowCount(); ++row) {
    ListEntry entry;
    entry.file_name = text_at(*this, row, kFileName);
    entry.orientation = text_at(*this, row, kOrientation);
    entry.display_name = text_at(*this, row, kDisplayName);
    entry.caption = text_at(*this, row, kCaption);
    entry.file_path = text_at(*this, row, kFilePath);
    list.entries.push_back(std::move(entry));
  }
  return list;
}

void SourceGrid::set_list(const SourceList& list) {
  setRowCount(0);
  setRowCount(static_cast<int>(list.size()));
  for (int row = 0; row < rowCount(); ++row) {
    const ListEntry& entry = list.entries[static_cast<size_t>(row)];
    setItem(row, kFileName, cell(entry.file_name, false));
    setItem(row, kOrientation, cell(entry.orientation.text(), true));
    setItem(row, kDisplayName, cell(entry.display_name, true));
    setItem(row, kCaption, cell(entry.caption, true));
    setItem(row, kFilePath, cell(entry.file_path, true));
  }
}

void SourceGrid::select_row(int row) {
  clearSelection();
  selectRow(row);
  setCurrentCell(row, kFileName);
}

}  // namespace lumatrix::app
