// The runs started from the "Control Center" page: Process All, Preview One and Backup All,
// each on the run bridge's worker thread with a copy of the settings and of the list.
#include <QListWidget>
#include <QMessageBox>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QTabWidget>

#include "app/gallery_window.h"
#include "app/image_preview.h"
#include "app/main_window.h"
#include "app/settings_pages.h"
#include "app/source_grid.h"
#include "extras/backup.h"
#include "runs/standard_runs.h"

namespace lumatrix::app {

namespace {

QString trouble_text(const EntryTrouble& trouble, const SourceList& list) {
  const size_t index = static_cast<size_t>(trouble.row - 1);
  const QString name =
      index < list.size() ? QString::fromStdString(list.entries[index].file_name) : QString();
  QStringList what;
  if (trouble.skipped) what << "skipped: not a valid image";
  if (trouble.outputs.failed > 0) what << QString("%1 not written").arg(trouble.outputs.failed);
  if (trouble.outputs.unwritten > 0)
    what << QString("%1 without a writer for its format").arg(trouble.outputs.unwritten);
  if (trouble.outputs.refused > 0)
    what << QString("%1 thumbnail refused").arg(trouble.outputs.refused);
  return QString("Row %1: %2 (%3)").arg(trouble.row).arg(name, what.join(", "));
}

}  // namespace

void MainWindow::stop_run() {
  if (!bridge_.running()) return;
  // A scan waiting for the device ends at once; a batch run is asked first.
  if (scan_stop_) scan_stop_->request_stop();
  bridge_.request_stop();
}

void MainWindow::process_all() {
  if (bridge_.running()) return;
  const auto settings = std::make_shared<Settings>(pages_->settings());
  const SourceList list = grid_->list();
  log_->clear();
  summary_->clear();
  summary_->hide();
  progress_->setMaximum(std::max<int>(static_cast<int>(list.size()), 1));
  progress_->setValue(0);
  const auto result = std::make_shared<BatchRunResult>();
  QPointer<GalleryWindow> gallery = gallery_.get();
  // The gallery pass hands its start page over from the worker; the window shows it and the
  // run goes on without waiting.
  const GalleryPreview show_gallery = [gallery](const std::filesystem::path& page) {
    QMetaObject::invokeMethod(
        gallery,
        [gallery, page] {
          if (gallery) gallery->show_page(page);
        },
        Qt::QueuedConnection);
  };
  set_running(true);
  bridge_.start(
      [settings, list, result, show_gallery](const RunSeam& run) {
        *result = run_process_all(run, *settings, list, show_gallery);
      },
      [this, settings, list, result](const QString& error) {
        set_running(false);
        // The numbering the run moved on, and the automatic profile's folders, come back.
        pages_->show_settings(*settings);
        if (!error.isEmpty()) {
          show_error(error);
        } else if (!result->confirmed) {
          tabs_->setCurrentIndex(1);
          if (QWidget* field = pages_->widget_for("save_in_directory")) field->setFocus();
        } else {
          show_summary(*result, list);
        }
        emit run_finished();
      });
}

void MainWindow::show_summary(const BatchRunResult& result, const SourceList& list) {
  summary_->clear();
  for (const EntryTrouble& trouble : result.troubles) {
    auto* item = new QListWidgetItem(trouble_text(trouble, list), summary_);
    item->setData(Qt::UserRole, trouble.row - 1);
  }
  summary_->setVisible(summary_->count() > 0);
}

void MainWindow::preview_one() {
  if (bridge_.running()) return;
  const int row = grid_->currentRow();
  if (row < 0 || row >= grid_->rowCount()) return;
  const Settings settings = pages_->settings();
  const SourceList list = grid_->list();
  const auto result = std::make_shared<PreviewResult>();
  const std::shared_ptr<Workspace> ws = preview_space_;
  set_running(true);
  bridge_.start(
      [settings, list, result, ws, row](const RunSeam& run) {
        *result = run_preview_one(*ws, run.events, settings, list, static_cast<size_t>(row));
      },
      [this, result, ws,
       path = list.entries[static_cast<size_t>(row)].full_path()](const QString& error) {
        set_running(false);
        if (!error.isEmpty()) {
          show_error(error);
        } else if (result->valid) {
          // The panes' documents take over the preview's pictures for the editing commands.
          edit_->set_source(ws->Image);
          edit_->set_result(ws->afterpreview);
          edit_source_ = path;
          show_documents();
        }
        emit run_finished();
      });
}

void MainWindow::backup_all(const QString& archive) {
  if (bridge_.running()) return;
  const SourceList list = grid_->list();
  const std::filesystem::path path = archive.toStdString();
  progress_->setMaximum(std::max<int>(static_cast<int>(list.size()), 1));
  progress_->setValue(0);
  set_running(true);
  bridge_.start([list, path](const RunSeam& run) { lumatrix::backup_all(list, path, run); },
                [this](const QString& error) {
                  set_running(false);
                  if (!error.isEmpty()) show_error(error);
                  emit run_finished();
                });
}

}  // namespace lumatrix::app
