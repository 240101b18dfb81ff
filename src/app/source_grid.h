#pragma once
// The Control Center list as a grid: five columns, Orientation chosen from a drop-down in the
// cell, Display Name, Caption and Original File Path editable, several rows selectable. Files
// and folders dropped from a file manager are handed on as paths.
#include "app/file_drop_grid.h"

#include "files/source_list.h"

namespace lumatrix::app {

class SourceGrid : public FileDropGrid {
  Q_OBJECT
 public:
  explicit SourceGrid(QWidget* parent = nullptr);

  // The rows as a source list, and the grid refilled from one.
  SourceList list() const;
  void set_list(const SourceList& list);
  void select_row(int row);
};

}  // namespace lumatrix::app
