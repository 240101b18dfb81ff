#pragma once
// The Control Center list as a grid: five columns, Orientation chosen from a drop-down in the
// cell, Display Name, Caption and Original File Path editable, several rows selectable. Files
// and folders dropped from a file manager are handed on as paths.
#include <QStringList>
#include <QTableWidget>
#include <set>

#include "files/source_list.h"

namespace lumatrix::app {

class SourceGrid : public QTableWidget {
  Q_OBJECT
 public:
  explicit SourceGrid(QWidget* parent = nullptr);

  // The rows as a source list, and the grid refilled from one.
  SourceList list() const;
  void set_list(const SourceList& list);
  // The selected rows, 0-based.
  std::set<size_t> selected_rows() const;
  void select_row(int row);

 signals:
  void paths_dropped(const QStringList& paths);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace lumatrix::app
