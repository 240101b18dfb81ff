// The thumbnail window as the main window sees it: opened from the list's pop-up menu, its
// list edits made on the Control Center list, its double-click shown in the "After" preview.
#include "app/edit_commands.h"
#include "app/image_preview.h"
#include "app/main_window.h"
#include "app/source_grid.h"
#include "app/thumbnail_window.h"
#include "imaging/image_document.h"

namespace lumatrix::app {

void MainWindow::make_thumbnail_window() {
  thumbnails_ = std::make_unique<ThumbnailWindow>();
  thumbnails_->edit_list = [this](const std::function<void(SourceList&)>& change) {
    edit_list(change);
  };
  thumbnails_->show_after = [this](const std::filesystem::path& path) { show_after(path); };
}

void MainWindow::open_thumbnails() {
  thumbnails_->open(grid_->list());
}

void MainWindow::show_after(const std::filesystem::path& path) {
  // The result document is the worker's while an edit or a run works on it.
  if (bridge_.running()) return;
  ImageDocument doc;
  try {
    if (!doc.load(path))
      return show_error(QString::fromStdString(path.string()) +
                        ": not a picture this program reads");
  } catch (const std::exception& e) {
    return show_error(QString::fromStdString(e.what()));
  }
  // Into the result document, so that the "After" menu edits and saves what is shown.
  edit_->set_result(doc);
  show_documents();
}

}  // namespace lumatrix::app
