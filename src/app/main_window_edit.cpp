// The editing commands of the "Before" and "After" panes' pop-up menus. Each runs on the run
// bridge's worker (a big photo through a dialog's filter takes a while), with the window's
// commands locked meanwhile, and the panes show the documents when it is done.
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

#include "app/adjustment_dialog.h"
#include "app/image_preview.h"
#include "app/main_window.h"
#include "app/properties_text.h"
#include "app/source_grid.h"

namespace lumatrix::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSavedMessage = "Changes Saved to File";

// The pane's selection in image pixels (right and bottom exclusive) as the document's corners.
std::optional<Rect> corners_of(const QRect& selection) {
  if (selection.isEmpty()) return std::nullopt;
  return Rect{selection.left(), selection.top(), selection.left() + selection.width() - 1,
              selection.top() + selection.height() - 1};
}

}  // namespace

void MainWindow::make_edit_commands() {
  edit_ = std::make_shared<EditDocuments>();
  adjustment_pages = [](bool effects) {
    std::vector<const Adjustment*> pages;
    for (std::string_view page : effects ? effect_pages() : colour_adjustment_pages())
      if (const Adjustment* adjustment = find_adjustment(page)) pages.push_back(adjustment);
    return pages;
  };
  run_adjustment_dialog = [](AdjustmentDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
  };
  after_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(after_, &QWidget::customContextMenuRequested, this, [this](const QPoint& where) {
    make_pane_menu(EditPane::Result)->exec(after_->mapToGlobal(where));
  });
}

std::unique_ptr<QMenu> MainWindow::make_pane_menu(EditPane pane) {
  auto menu = std::make_unique<QMenu>(this);
  add_edit_entries(*menu, pane, pane == EditPane::Source);
  return menu;
}

void MainWindow::add_edit_entries(QMenu& menu, EditPane pane, bool with_marks) {
  const bool idle = !bridge_.running();
  const ImageDocument& own = edit_->document(pane);
  const bool picture = idle && !own.empty();
  const auto entry = [&](const char* text, bool enabled, std::function<void()> command) {
    menu.addAction(text, this, std::move(command))->setEnabled(enabled);
  };
  const auto turn = [this, pane](Turn how) {
    return [this, pane, how] { run_edit([pane, how](EditDocuments& d) { d.turn(pane, how); }); };
  };
  entry("Rotate &Left", picture, turn(Turn::RotateLeft));
  entry("Rotate &Right", picture, turn(Turn::RotateRight));
  entry("Flip &Vertically", picture, turn(Turn::FlipVertical));
  entry("Flip &Horizontally", picture, turn(Turn::FlipHorizontal));
  ImagePreview* view = pane == EditPane::Source ? before_ : after_;
  entry("&Crop", picture, [this, pane, view] {
    const std::optional<Rect> selection = corners_of(view->selection());
    run_edit([pane, selection](EditDocuments& d) { d.crop(pane, selection); });
  });
  if (with_marks) {
    menu.addAction("&Mark Crop Dimension", this, [this] { mark(Mark::Crop); });
    menu.addAction("Set &Text Caption  1 Position", this, [this] { mark(Mark::Caption1); });
    menu.addAction("Set &Watermark 1 Position", this, [this] { mark(Mark::Watermark1); });
    menu.addAction("Set T&ext Caption 2 Position", this, [this] { mark(Mark::Caption2); });
    menu.addAction("Set W&atermark 2 Position", this, [this] { mark(Mark::Watermark2); });
  }
  menu.addSeparator();
  entry("Color &Adjustment", picture && !adjustment_pages(false).empty(),
        [this, pane] { adjust_pane(pane, false); });
  entry("&Effects", picture && !adjustment_pages(true).empty(),
        [this, pane] { adjust_pane(pane, true); });
  menu.addSeparator();
  entry("&Undo", idle && own.can_undo(),
        [this, pane] { run_edit([pane](EditDocuments& d) { d.undo(pane); }); });
  // The saves and the properties need the entry the source came from; the saves a result.
  const bool file = idle && edit_entry().has_value();
  const bool result = file && !edit_->afterpreview.empty();
  entry("&Save Changes", result, [this] {
    if (const auto path = edit_entry()) save_result(*path);
  });
  entry("Save &As ....", result, [this] {
    const auto path = edit_entry();
    if (!path) return;
    const QString chosen =
        choose_save_file(kImageSaveAsTitle, QString::fromStdString(path->string()));
    if (!chosen.isEmpty()) save_result(chosen.toStdString());
  });
  entry("&Properties", file && !edit_->Image.empty(), [this] { show_properties(); });
}

std::optional<fs::path> MainWindow::edit_entry() const {
  const int row = grid_->currentRow();
  const SourceList list = grid_->list();
  if (row < 0 || static_cast<size_t>(row) >= list.size()) return std::nullopt;
  fs::path path = list.entries[static_cast<size_t>(row)].full_path();
  // Another row's file must never receive this picture.
  if (edit_source_.empty() || path != edit_source_) return std::nullopt;
  return path;
}

void MainWindow::run_edit(std::function<void(EditDocuments&)> change, std::function<void()> then) {
  if (bridge_.running()) return;
  set_running(true);
  const std::shared_ptr<EditDocuments> docs = edit_;
  bridge_.start([docs, change = std::move(change)](const RunSeam&) { change(*docs); },
                [this, then = std::move(then)](const QString& error) {
                  set_running(false);
                  show_documents();
                  if (!error.isEmpty()) {
                    show_error(error);
                  } else if (then) {
                    then();
                  }
                  emit run_finished();
                });
}

void MainWindow::show_documents() {
  before_->set_image(qimage_of(edit_->Image.raster));
  after_->set_image(qimage_of(edit_->afterpreview.raster));
}

void MainWindow::adjust_pane(EditPane pane, bool effects) {
  if (bridge_.running()) return;
  AdjustmentDialog dialog(edit_->document(pane), adjustment_pages(effects), this);
  dialog.setWindowTitle(effects ? "Effects" : "Color Adjustment");
  if (!run_adjustment_dialog(dialog)) return;
  const Adjustment* adjustment = &dialog.chosen();
  run_edit([pane, adjustment, values = dialog.values()](EditDocuments& d) {
    d.adjust(pane, *adjustment, values);
  });
}

void MainWindow::save_result(const fs::path& path) {
  const auto written = std::make_shared<bool>(false);
  run_edit([path, written](EditDocuments& d) { *written = d.afterpreview.save(path); },
           [this, path, written] {
             if (!*written) {
               return show_error(QString::fromStdString(path.string()) +
                                 ": no image format is written for this extension");
             }
             QMessageBox::information(this, kWindowTitle, kSavedMessage);
           });
}

void MainWindow::show_properties() {
  const auto path = edit_entry();
  if (!path) return;
  const auto text = std::make_shared<std::string>();
  run_edit([path = *path, text](EditDocuments& d) { *text = properties_text(path, d.Image); },
           [this, text] {
             QMessageBox::information(this, kWindowTitle, QString::fromStdString(*text));
           });
}

}  // namespace lumatrix::app
