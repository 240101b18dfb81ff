#pragma once
// The Filename Changer's list as a grid: "Existing Directory Path", "Old Filename" and
// "New Filename", read-only, rows numbered from 1, several rows selectable. Files and folders
// dropped from a file manager are handed on as paths; only copy and link drops are taken, so
// the file manager never deletes what it dragged here.
#include <QStringList>
#include <QTableWidget>
#include <set>

#include "files/rename_list.h"

namespace lumatrix::app {

class RenameGrid : public QTableWidget {
  Q_OBJECT
 public:
  explicit RenameGrid(QWidget* parent = nullptr);

  // The grid refilled from `list`.
  void show_list(const RenameList& list);
  // The selected rows, 0-based.
  std::set<size_t> selected_rows() const;

 signals:
  void paths_dropped(const QStringList& paths);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace lumatrix::app
