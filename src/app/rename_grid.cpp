#include "app/rename_grid.h"

#include <QHeaderView>

namespace lumatrix::app {

namespace {

QTableWidgetItem* cell(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

}  // namespace

RenameGrid::RenameGrid(QWidget* parent) : FileDropGrid(3, parent) {
  setObjectName("filechange_grid");
  setHorizontalHeaderLabels({"Existing Directory Path", "Old Filename", "New Filename"});
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  horizontalHeader()->setStretchLastSection(true);
  setColumnWidth(0, 320);
  setColumnWidth(1, 200);
}

void RenameGrid::show_list(const RenameList& list) {
  setRowCount(0);
  setRowCount(static_cast<int>(list.size()));
  for (int row = 0; row < rowCount(); ++row) {
    const RenameEntry& entry = list.entries[static_cast<size_t>(row)];
    setItem(row, 0, cell(entry.directory));
    setItem(row, 1, cell(entry.old_name));
    setItem(row, 2, cell(entry.new_name));
  }
}

}  // namespace lumatrix::app
