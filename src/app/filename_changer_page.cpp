#include "app/filename_changer_page.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/main_window.h"
#include "app/rename_grid.h"
#include "app/run_bridge.h"
#include "app/settings_pages.h"
#include "app/source_grid.h"
#include "files/filename_changer.h"
#include "runs/standard_runs.h"

namespace lumatrix::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTabCaption = "Filename Changer";

void show_bar(QProgressBar& bar, int position, int maximum) {
  bar.setMaximum(std::max(maximum, 1));
  bar.setValue(std::clamp(position, 0, std::max(maximum, 1)));
}

// The run's log lines go on to the window's log; its progress to this tab's bar, not to the
// Control Center's.
class ChangerEvents : public EventSink {
 public:
  ChangerEvents(EventSink& log, QProgressBar* bar) : log_(log), bar_(bar) {}
  void log_line(const std::string& line, std::optional<int> entry) override {
    log_.log_line(line, entry);
  }
  void set_progress(int position, int maximum) override {
    // The bar outlives every run: the window ends its run before its widgets go.
    QProgressBar* bar = bar_;
    QMetaObject::invokeMethod(
        bar, [bar, position, maximum] { show_bar(*bar, position, maximum); }, Qt::QueuedConnection);
  }

 private:
  EventSink& log_;
  QProgressBar* bar_;
};

}  // namespace

FilenameChangerPage::FilenameChangerPage(QWidget* settings_page, SettingsPages& pages,
                                         const SourceGrid& sources, RunBridge& bridge)
    : pages_(pages), sources_(sources), bridge_(bridge) {
  setObjectName("filename_changer_page");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* splitter = new QSplitter(Qt::Vertical);
  layout->addWidget(splitter);
  splitter->addWidget(settings_page);
  // Taken from the tab widget's stack, which hid it as a page not in front.
  settings_page->show();

  auto* list_side = new QWidget;
  auto* list_layout = new QVBoxLayout(list_side);
  grid_ = new RenameGrid;
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& where) {
    if (locked_) return;
    make_menu()->exec(grid_->viewport()->mapToGlobal(where));
  });
  connect(grid_, &RenameGrid::paths_dropped, this, &FilenameChangerPage::add_paths);
  list_layout->addWidget(grid_, 1);
  count_label_ = new QLabel;
  count_label_->setObjectName("Label18");
  list_layout->addWidget(count_label_);

  auto* buttons = new QHBoxLayout;
  const auto button = [&](QPushButton*& slot, const char* text, const char* name, auto handler) {
    slot = new QPushButton(text);
    slot->setObjectName(name);
    connect(slot, &QPushButton::clicked, this, handler);
    buttons->addWidget(slot);
  };
  button(load_files_, "Load Files", "BitBtn10", [this] { load_files(choose_files()); });
  button(load_folder_, "Load Folder", "BitBtn11", [this] {
    Settings settings = pages_.settings();
    QString start = QString::fromStdString(settings.loadfolder_changefile_Path);
    std::error_code error;
    if (!fs::is_directory(start.toStdString(), error)) start = QApplication::applicationDirPath();
    const QString folder = choose_folder(start);
    if (folder.isEmpty()) return show_list();
    settings.loadfolder_changefile_Path = folder.toStdString();
    pages_.show_settings(settings);
    load_folder(folder);
  });
  button(clear_, "Clear", "BitBtn12", [this] { clear(); });
  button(preview_, "Preview", "BitBtn13", [this] { preview(); });
  button(process_all_, "Process All", "BitBtn14", [this] { process_all(); });
  button(stop_, "Stop", "filechange_stop", [this] { bridge_.request_stop(); });
  buttons->addStretch(1);
  list_layout->addLayout(buttons);
  progress_ = new QProgressBar;
  progress_->setObjectName("filechange_progress");
  progress_->setFormat("%v of %m");
  show_bar(*progress_, 0, 1);
  list_layout->addWidget(progress_);
  splitter->addWidget(list_side);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 2);

  choose_files = [this] {
    return QFileDialog::getOpenFileNames(this, "Select the Filenames to be Renamed", QString(),
                                         "All Files (*)");
  };
  choose_folder = [this](const QString& start) {
    return QFileDialog::getExistingDirectory(this, "Load Folder", start);
  };
  stop_->setEnabled(false);
  show_list();
}

FilenameChangerPage* FilenameChangerPage::install(QTabWidget& tabs, SettingsPages& pages,
                                                  const SourceGrid& sources, RunBridge& bridge) {
  for (int i = 0; i < tabs.count(); ++i) {
    if (tabs.tabText(i) != kTabCaption) continue;
    QWidget* generated = tabs.widget(i);
    tabs.removeTab(i);
    auto* page = new FilenameChangerPage(generated, pages, sources, bridge);
    tabs.insertTab(i, page, kTabCaption);
    return page;
  }
  return nullptr;
}

void FilenameChangerPage::show_list() {
  grid_->show_list(list_);
  count_label_->setText(QString::fromStdString(list_.count_label()));
  const bool rows = !list_.empty() && !locked_;
  clear_->setEnabled(rows);
  process_all_->setEnabled(rows);
}

void FilenameChangerPage::show_error(const QString& message) {
  QMessageBox::critical(this, kWindowTitle, message);
}

void FilenameChangerPage::set_locked(bool locked) {
  locked_ = locked;
  grid_->setEnabled(!locked);
  for (QPushButton* b : {load_files_, load_folder_, preview_}) b->setEnabled(!locked);
  show_list();
}

void FilenameChangerPage::load_files(const QStringList& files) {
  if (files.isEmpty()) return show_list();
  std::vector<fs::path> paths;
  for (const QString& file : files) paths.emplace_back(file.toStdString());
  list_.add_files(std::move(paths), pages_.settings());
  show_list();
}

void FilenameChangerPage::load_folder(const QString& folder) {
  const bool recursive =
      QMessageBox::question(this, kWindowTitle, "Do You want to include ALL subdirectories too ?",
                            QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  list_.add_folder(folder.toStdString(), recursive, pages_.settings());
  show_list();
}

void FilenameChangerPage::add_paths(const QStringList& paths) {
  if (locked_) return;
  // In the order dropped: the files up to a folder together, sorted, then the folder's.
  QStringList files;
  for (const QString& path : paths) {
    const QFileInfo info(path);
    if (info.isDir()) {
      load_files(files);
      files.clear();
      load_folder(path);
    } else if (info.isFile()) {
      files << path;
    }
  }
  load_files(files);
}

void FilenameChangerPage::clear() {
  list_.clear();
  show_list();
}

void FilenameChangerPage::delete_selected() {
  list_.delete_rows(grid_->selected_rows());
  show_list();
}

void FilenameChangerPage::sort(bool ascending) {
  list_.sort(ascending, pages_.settings());
  show_list();
}

std::unique_ptr<QMenu> FilenameChangerPage::make_menu() {
  auto menu = std::make_unique<QMenu>(this);
  menu->addAction("Delete Selected Files", this, [this] { delete_selected(); });
  menu->addSeparator();
  menu->addAction("Sort Ascending", this, [this] { sort(true); });
  menu->addAction("Sort Descending", this, [this] { sort(false); });
  return menu;
}

void FilenameChangerPage::preview() {
  if (locked_) return;
  // Quick work on this thread; the bridge asks its question as a box here.
  lumatrix::preview(list_, sources_.list(), pages_.settings(), bridge_);
  show_list();
}

void FilenameChangerPage::process_all() {
  if (locked_ || list_.empty() || bridge_.running()) return;
  const auto settings = std::make_shared<Settings>(pages_.settings());
  const auto list = std::make_shared<RenameList>(list_);
  show_bar(*progress_, 0, static_cast<int>(list->size()));
  QProgressBar* bar = progress_;
  const auto running = [this](bool on) {
    stop_->setEnabled(on);
    if (on_running)
      on_running(on);
    else
      set_locked(on);
  };
  running(true);
  const bool started = bridge_.start(
      [settings, list, bar](const RunSeam& run) {
        ChangerEvents events(run.events, bar);
        run_filename_changer(RunSeam{events, run.questions, run.cancel}, *settings, *list);
      },
      [this, settings, list, running](const QString& error) {
        running(false);
        // The grid keeps the record of the run: each row's old name and the name the run gave
        // it. The numbering moved on comes back to the page.
        list_ = std::move(*list);
        show_list();
        Settings now = pages_.settings();
        now.start_number = settings->start_number;
        pages_.show_settings(now);
        if (!error.isEmpty()) show_error(error);
        emit run_finished();
      });
  if (!started) running(false);
}

}  // namespace lumatrix::app
