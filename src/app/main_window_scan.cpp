// The scanner commands: "Select &Twain" chooses the source, "Twain &Acquire" and "Scan Image"
// bring one page in. The page is acquired on the run bridge's worker, so the window stays live
// and Stop or Escape end a scan that waits for the device; the save dialog and the new row
// follow on the window's thread.
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

#include "app/image_preview.h"
#include "app/main_window.h"
#include "app/scan_source_dialog.h"
#include "app/settings_pages.h"
#include "app/source_grid.h"
#include "extras/scanned_page.h"

namespace lumatrix::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kScanSaveTitle = "Image Save As .....";
constexpr const char* kScanFilter =
    "All (*.jpg *.jpeg *.bmp);;JPEG Image File (*.jpg);;JPEG Image File (*.jpeg);;"
    "Bitmaps (*.bmp)";

}  // namespace

bool MainWindow::choose_source_of(Scanner& scanner) {
  const std::vector<ScanSource> sources = scanner.list_sources();
  if (sources.empty()) {
    QMessageBox::information(this, kWindowTitle, "No scanner found.");
    return false;
  }
  ScanSourceDialog dialog(sources, pages_->settings().twainnumber, this);
  if (dialog.exec() != QDialog::Accepted || dialog.chosen() < 0) return false;
  Settings settings = pages_->settings();
  settings.twainnumber = dialog.chosen();
  pages_->show_settings(settings);
  return scanner.select_source(settings.twainnumber);
}

bool MainWindow::select_scan_source() {
  if (bridge_.running()) return false;
  try {
    const std::unique_ptr<Scanner> scanner = make_scanner();
    return choose_source_of(*scanner);
  } catch (const std::exception& error) {
    show_error(QString::fromStdString(error.what()));
    return false;
  }
}

void MainWindow::scan_image() {
  if (bridge_.running()) return;
  std::shared_ptr<Scanner> scanner;
  try {
    scanner = make_scanner();
    // A stored index whose scanner has gone chooses nothing: the chooser comes first.
    if (!scanner->select_source(pages_->settings().twainnumber) && !choose_source_of(*scanner))
      return update_count();
  } catch (const std::exception& error) {
    return show_error(QString::fromStdString(error.what()));
  }
  const auto page = std::make_shared<ImageDocument>();
  const auto cancelled = std::make_shared<bool>(false);
  scan_stop_.emplace();
  const std::stop_token stop = scan_stop_->get_token();
  progress_->setMaximum(1);
  progress_->setValue(0);
  set_running(true);
  bridge_.start(
      [scanner, page, cancelled, stop](const RunSeam& run) {
        try {
          // The bar in kilobytes; a hand scanner, not knowing its page's length, moves none.
          *page = scanner->acquire(stop, [&run](int64_t received, int64_t expected) {
            if (expected > 0)
              run.events.set_progress(static_cast<int>(received / 1024),
                                      static_cast<int>(expected / 1024));
          });
        } catch (const ScanCancelled&) {
          *cancelled = true;
        }
      },
      [this, page, cancelled](const QString& error) {
        scan_stop_.reset();
        set_running(false);
        // The bar back as it was before the page began.
        progress_->setMaximum(1);
        progress_->setValue(0);
        rate_label_->clear();
        if (closing_) {
        } else if (!error.isEmpty()) {
          // A failed scan saves nothing: what the preview showed before is no scanned page.
          show_error(error);
        } else if (!*cancelled) {
          save_scan(*page);
        }
        update_count();
        emit run_finished();
      });
}

void MainWindow::save_scan(const ImageDocument& page) {
  // The page is the source of the "Before" menu's commands; no file of the list is behind it.
  edit_->set_source(page);
  edit_source_.clear();
  show_documents();
  // The page is on screen before the dialog covers the window.
  QCoreApplication::processEvents();
  const Settings settings = pages_->settings();
  fs::path folder = scan_folder.toStdString();
  std::error_code missing;
  if (folder.empty() || !fs::is_directory(folder, missing)) folder = fs::current_path();
  try {
    const fs::path proposed = proposed_scan_path(settings, folder);
    QFileDialog dialog(this, kScanSaveTitle, QString::fromStdString(folder.string()), kScanFilter);
    dialog.setObjectName("scan_save");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("jpg");
    dialog.selectFile(QString::fromStdString(proposed.filename().string()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString chosen = dialog.selectedFiles().front();
    scan_folder = QFileInfo(chosen).absolutePath();
    edit_list(
        [&](SourceList& list) { save_scanned_page(page, settings, chosen.toStdString(), list); });
  } catch (const std::exception& error) {
    show_error(QString::fromStdString(error.what()));
  }
}

}  // namespace lumatrix::app
