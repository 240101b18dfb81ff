#include "app/rename_grid.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>
#include <optional>

namespace lumatrix::app {

namespace {

// The action a drop is taken with: a copy, else a link; never a move, which would have the
// file manager delete the files it dragged. Nothing when the drag offers neither.
std::optional<Qt::DropAction> taken_action(const QDropEvent& event) {
  if (!event.mimeData()->hasUrls()) return std::nullopt;
  for (Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction})
    if (event.possibleActions() & action) return action;
  return std::nullopt;
}

bool take(QDropEvent& event) {
  const auto action = taken_action(event);
  if (!action) {
    event.ignore();
    return false;
  }
  event.setDropAction(*action);
  event.accept();
  return true;
}

QTableWidgetItem* cell(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

}  // namespace

RenameGrid::RenameGrid(QWidget* parent) : QTableWidget(0, 3, parent) {
  setObjectName("filechange_grid");
  setHorizontalHeaderLabels({"Existing Directory Path", "Old Filename", "New Filename"});
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  horizontalHeader()->setStretchLastSection(true);
  setColumnWidth(0, 320);
  setColumnWidth(1, 200);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
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

std::set<size_t> RenameGrid::selected_rows() const {
  std::set<size_t> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows())
    rows.insert(static_cast<size_t>(index.row()));
  return rows;
}

void RenameGrid::dragEnterEvent(QDragEnterEvent* event) {
  take(*event);
}

void RenameGrid::dragMoveEvent(QDragMoveEvent* event) {
  take(*event);
}

void RenameGrid::dropEvent(QDropEvent* event) {
  if (!taken_action(*event)) return event->ignore();
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  if (paths.isEmpty()) return event->ignore();
  take(*event);
  emit paths_dropped(paths);
}

}  // namespace lumatrix::app
