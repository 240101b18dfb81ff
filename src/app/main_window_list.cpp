// The Control Center list's commands (loading, the pop-up menu, saving and loading lists) and
// the marking commands of the "Before" preview.
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <fstream>

#include "app/filename_changer_page.h"
#include "app/image_preview.h"
#include "app/main_window.h"
#include "app/settings_pages.h"
#include "app/source_grid.h"
#include "imaging/image_document.h"
#include "settings/image_choices.h"

namespace lumatrix::app {

namespace fs = std::filesystem;

void MainWindow::edit_list(const std::function<void(SourceList&)>& change) {
  SourceList list = grid_->list();
  change(list);
  grid_->set_list(list);
  update_count();
}

void MainWindow::load_files(const QStringList& files) {
  if (files.isEmpty()) return update_count();
  std::vector<fs::path> paths;
  for (const QString& file : files) paths.emplace_back(file.toStdString());
  edit_list([&](SourceList& list) { list.add_files(std::move(paths)); });
}

void MainWindow::load_folder(const QString& folder) {
  const bool recursive =
      QMessageBox::question(this, kWindowTitle, "Do You want to include ALL subdirectories too ?",
                            QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  edit_list([&](SourceList& list) { list.add_folder(folder.toStdString(), recursive); });
}

void MainWindow::add_paths(const QStringList& paths) {
  QStringList files;
  for (const QString& path : paths) {
    if (QFileInfo(path).isDir()) {
      load_files(files);
      files.clear();
      load_folder(path);
    } else if (QFileInfo(path).isFile()) {
      files << path;
    }
  }
  load_files(files);
}

void MainWindow::clear_list() {
  grid_->set_list({});
  edit_->set_source({});
  edit_->set_result({});
  edit_source_.clear();
  show_documents();
  changer_->clear();
  update_count();
}

void MainWindow::show_source(int row) {
  const SourceList list = grid_->list();
  if (row < 0 || static_cast<size_t>(row) >= list.size()) return;
  const fs::path path = list.entries[static_cast<size_t>(row)].full_path();
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return;
  ImageDocument doc;
  try {
    if (!doc.load(path)) return;
  } catch (const std::exception& e) {
    return show_error(QString::fromStdString(e.what()));
  }
  edit_->set_source(doc);
  edit_source_ = path;
  before_->set_image(qimage_of(doc.raster));
  log_->clear();
  append_line(QString("Image Dimension : %1 x %2").arg(doc.width()).arg(doc.height()));
}

void MainWindow::save_list(const QString& path) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  write_list(out, grid_->list());
  out.close();
  if (!out) return show_error(path + ": the list could not be written");
  Settings settings = pages_->settings();
  settings.filegrid_savelist_FileName = path.toStdString();
  pages_->show_settings(settings);
}

void MainWindow::load_list(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  if (!in) return show_error(path + ": the list could not be read");
  try {
    const SourceList loaded = read_list(in, fs::path(path.toStdString()).parent_path());
    edit_list([&](SourceList& list) {
      list.entries.insert(list.entries.end(), loaded.entries.begin(), loaded.entries.end());
    });
  } catch (const std::exception& error) {
    return show_error(path + ": " + QString::fromStdString(error.what()));
  }
  Settings settings = pages_->settings();
  settings.filegrid_loadlist_FileName = path.toStdString();
  pages_->show_settings(settings);
}

void MainWindow::list_menu(const QPoint& where) {
  if (bridge_.running()) return;
  QMenu menu(this);
  menu.addAction("Set All Display Name to File Name", this,
                 [this] { edit_list([](SourceList& l) { l.set_display_names_to_file_names(); }); });
  menu.addAction("Set All Display Name to Filename without Extension", this, [this] {
    edit_list([](SourceList& l) { l.set_display_names_without_extension(); });
  });
  menu.addAction("Clear All Display Name", this,
                 [this] { edit_list([](SourceList& l) { l.clear_display_names(); }); });
  menu.addSeparator();
  for (std::string_view value : OrientationChoice::items) {
    const std::string v(value);
    menu.addAction(QString::fromStdString("Set All to " + v), this,
                   [this, v] { edit_list([&](SourceList& l) { l.set_orientation(v); }); });
  }
  menu.addSeparator();
  menu.addAction("Delete Selected Images", this, [this] {
    const auto rows = grid_->selected_rows();
    edit_list([&](SourceList& l) { l.delete_rows(rows); });
  });
  menu.addSeparator();
  for (std::string_view value : OrientationChoice::items) {
    const std::string v(value);
    menu.addAction(QString::fromStdString("Set Selected to " + v), this, [this, v] {
      const auto rows = grid_->selected_rows();
      edit_list([&](SourceList& l) { l.set_orientation(v, rows); });
    });
  }
  menu.addSeparator();
  menu.addAction("Sort Ascending", this,
                 [this] { edit_list([](SourceList& l) { l.sort(true); }); });
  menu.addAction("Sort Descending", this,
                 [this] { edit_list([](SourceList& l) { l.sort(false); }); });
  menu.addSeparator();
  menu.addAction("Thumbnail Gallery Preview", this, &MainWindow::open_thumbnails);
  menu.exec(grid_->viewport()->mapToGlobal(where));
}

void MainWindow::before_menu(const QPoint& where) {
  make_pane_menu(EditPane::Source)->exec(before_->mapToGlobal(where));
}

void MainWindow::mark(Mark what) {
  // The selection in image pixels; without one, the empty selection's corners.
  const QRect s = before_->selection();
  Settings settings = pages_->settings();
  const char* message = nullptr;
  switch (what) {
    case Mark::Crop:
      settings.cropx1 = s.left();
      settings.cropy1 = s.top();
      settings.cropx2 = s.left() + s.width();
      settings.cropy2 = s.top() + s.height();
      settings.cropby = "Dimension";
      message = "Crop Dimension Marked";
      break;
    case Mark::Caption1:
      settings.textaxisx = s.left();
      settings.textaxisy = s.top();
      settings.Text_Alignment = "By Axis";
      message = "Text 1 Alignment Position Marked";
      break;
    case Mark::Caption2:
      settings.textaxisx2 = s.left();
      settings.textaxisy2 = s.top();
      settings.text_alignment2 = "By Axis";
      message = "Text 2 Alignment Position Marked";
      break;
    case Mark::Watermark1:
      settings.watermarkaxisx = s.left();
      settings.watermarkaxisy = s.top();
      settings.watermark_alignment = "By Axis";
      message = "Watermark 1 Alignment Position Marked";
      break;
    case Mark::Watermark2:
      settings.watermarkaxisx2 = s.left();
      settings.watermarkaxisy2 = s.top();
      settings.watermark_alignment2 = "By Axis";
      message = "Watermark 2 Alignment Position Marked";
      break;
  }
  pages_->show_settings(settings);
  QMessageBox::information(this, kWindowTitle, message);
}

}  // namespace lumatrix::app
