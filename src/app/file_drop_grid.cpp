#include "app/file_drop_grid.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <optional>

namespace lumatrix::app {

namespace {

// The action a drop is taken with: a copy, else a link; nothing when the drag offers neither.
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

}  // namespace

FileDropGrid::FileDropGrid(int columns, QWidget* parent) : QTableWidget(0, columns, parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
}

std::set<size_t> FileDropGrid::selected_rows() const {
  std::set<size_t> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows())
    rows.insert(static_cast<size_t>(index.row()));
  return rows;
}

void FileDropGrid::dragEnterEvent(QDragEnterEvent* event) {
  take(*event);
}

void FileDropGrid::dragMoveEvent(QDragMoveEvent* event) {
  take(*event);
}

void FileDropGrid::dropEvent(QDropEvent* event) {
  if (!taken_action(*event)) return event->ignore();
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  if (paths.isEmpty()) return event->ignore();
  take(*event);
  emit paths_dropped(paths);
}

}  // namespace lumatrix::app
