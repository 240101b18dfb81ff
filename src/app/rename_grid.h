#pragma once
// The Filename Changer's list as a grid: "Existing Directory Path", "Old Filename" and
// "New Filename", read-only, rows numbered from 1, several rows selectable, taking drops.
#include "app/file_drop_grid.h"

#include "files/rename_list.h"

namespace lumatrix::app {

class RenameGrid : public FileDropGrid {
  Q_OBJECT
 public:
  explicit RenameGrid(QWidget* parent = nullptr);

  // The grid refilled from `list`.
  void show_list(const RenameList& list);
};

}  // namespace lumatrix::app
