#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <fstream>

#include "app/filename_changer_page.h"
#include "app/gallery_window.h"
#include "app/image_preview.h"
#include "app/settings_pages.h"
#include "app/source_grid.h"
#include "app/thumbnail_window.h"
#include "base/progress_rate.h"
#include "extras/backup.h"
#include "extras/sane_scanner.h"
#include "settings/profile_file.h"
#include "settings/settings_rules.h"

// The manual and the icon live in the layer's resources; a static library's resources are
// linked only when asked for by name.
static void load_app_resources() {
  Q_INIT_RESOURCE(app);
}

namespace lumatrix::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kStatusText = "Lumatrix: batch image processing";
constexpr const char* kProfileFilter = "Profile File (*.ini);;All Files (*.*)";
constexpr const char* kListFilter = "Source List (*.tsv *.txt);;All Files (*.*)";
constexpr const char* kImageFilter =
    "All (*.JPG *.JPEG *.TIF *.TIFF *.BMP *.PCX *.PNG *.GIF *.DIB *.RLE *.TGA *.VDA *.ICB *.VST "
    "*.PIX *.PBM *.PGM *.PPM *.WMF *.FAX *.PSD *.PDD *.PSP *.PCD *.CUT);;"
    "JPEG (*.JPG *.JPEG);;TIFF (*.TIF *.TIFF);;BMP (*.BMP *.DIB *.RLE);;PCX (*.PCX);;"
    "PNG (*.PNG);;GIF (*.GIF);;TARGA (*.TGA *.VDA *.ICB *.VST *.PIX);;"
    "Portable Bitmaps (*.PBM *.PGM *.PPM);;WMF (*.WMF);;Fax (*.FAX);;Photoshop (*.PSD *.PDD);;"
    "Paint Shop Pro (*.PSP);;Dr Halo (*.CUT);;Kodak PhotoCD (*.PCD)";

QString save_dialog(QWidget* parent, const QString& title, const QString& proposed,
                    const QString& filter, const QString& suffix) {
  QFileDialog dialog(parent, title, proposed, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(suffix);
  dialog.selectFile(proposed);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString open_dialog(QWidget* parent, const QString& title, const QString& proposed,
                    const QString& filter, const QString& suffix) {
  QFileDialog dialog(parent, title, proposed, filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(suffix);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

}  // namespace

struct MainWindow::RateClock {
  ProgressRate rate;
  ProgressRate::Clock::time_point waiting_since;
};

MainWindow::MainWindow(const std::optional<fs::path>& profile, const QStringList& sources)
    : rate_(std::make_unique<RateClock>()), bridge_(this) {
  load_app_resources();
  setWindowTitle(kWindowTitle);
  setObjectName("main_window");
  preview_space_ = std::make_shared<Workspace>();

  tabs_ = new QTabWidget;
  tabs_->setUsesScrollButtons(false);
  tabs_->addTab(make_control_center(), "Control Center");
  pages_ = new SettingsPages(tabs_);
  connect(pages_, &SettingsPages::failed, this, &MainWindow::show_error);
  changer_ = FilenameChangerPage::install(*tabs_, *pages_, *grid_, bridge_);
  changer_->on_running = [this](bool running) { set_running(running); };
  setCentralWidget(tabs_);
  make_menus();
  make_shortcuts();
  // A label, not a message: the menus' hints would wipe a message out.
  statusBar()->addWidget(new QLabel(kStatusText), 1);
  rate_label_ = new QLabel;
  statusBar()->addPermanentWidget(rate_label_);
  resize(1000, 720);

  // The other windows live as long as this one and start hidden.
  make_thumbnail_window();
  gallery_ = std::make_unique<GalleryWindow>();

  connect(&bridge_, &RunBridge::line_logged, this, &MainWindow::append_line);
  connect(&bridge_, &RunBridge::progress_changed, this, &MainWindow::show_progress);
  connect(&bridge_, &RunBridge::waiting, this, [this](bool waiting) {
    const auto now = ProgressRate::Clock::now();
    if (waiting)
      rate_->waiting_since = now;
    else
      rate_->rate.add_wait(now - rate_->waiting_since);
  });

  // Start-up values, then the automatic profile once: reloading it whenever the window comes
  // back to the front would throw away the edits made since.
  Settings settings = startup_settings();
  try {
    for (const std::string& warning : load_default_profile(settings).warnings)
      append_line(QString::fromStdString(warning));
    if (profile)
      for (const std::string& warning : lumatrix::load_profile(*profile, settings).warnings)
        append_line(QString::fromStdString(warning));
  } catch (const std::exception& error) {
    append_line(QString::fromStdString(error.what()));
  }
  pages_->show_settings(settings);
  tabs_->setCurrentIndex(0);
  add_paths(sources);
  update_count();
}

MainWindow::~MainWindow() {
  closing_ = true;
  if (scan_stop_) scan_stop_->request_stop();
  bridge_.finish_now();
}

QWidget* MainWindow::make_control_center() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* splitter = new QSplitter(Qt::Vertical);
  layout->addWidget(splitter, 1);

  auto* top = new QWidget;
  auto* top_layout = new QHBoxLayout(top);
  top_layout->setContentsMargins(0, 0, 0, 0);
  auto* list_side = new QWidget;
  auto* list_layout = new QVBoxLayout(list_side);
  list_layout->setContentsMargins(0, 0, 0, 0);
  grid_ = new SourceGrid;
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_, &QWidget::customContextMenuRequested, this, &MainWindow::list_menu);
  connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int) { show_source(row); });
  connect(grid_, &SourceGrid::paths_dropped, this, &MainWindow::add_paths);
  list_layout->addWidget(grid_, 1);
  count_label_ = new QLabel;
  count_label_->setObjectName("count_label");
  list_layout->addWidget(count_label_);
  top_layout->addWidget(list_side, 3);

  auto* views = new QWidget;
  auto* views_layout = new QHBoxLayout(views);
  views_layout->setContentsMargins(0, 0, 0, 0);
  for (auto [preview, caption] : {std::pair{&before_, "Before"}, std::pair{&after_, "After"}}) {
    auto* column = new QVBoxLayout;
    column->addWidget(new QLabel(caption));
    *preview = new ImagePreview;
    (*preview)->setObjectName(caption);
    column->addWidget(*preview, 1);
    views_layout->addLayout(column);
  }
  before_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(before_, &QWidget::customContextMenuRequested, this, &MainWindow::before_menu);
  make_edit_commands();
  top_layout->addWidget(views, 2);
  splitter->addWidget(top);

  auto* bottom = new QWidget;
  auto* bottom_layout = new QVBoxLayout(bottom);
  bottom_layout->setContentsMargins(0, 0, 0, 0);
  log_ = new QPlainTextEdit;
  log_->setObjectName("process_text");
  log_->setReadOnly(true);
  bottom_layout->addWidget(log_, 1);
  summary_ = new QListWidget;
  summary_->setObjectName("summary");
  summary_->setMaximumHeight(90);
  summary_->hide();
  connect(summary_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { grid_->select_row(item->data(Qt::UserRole).toInt()); });
  bottom_layout->addWidget(summary_);
  progress_ = new QProgressBar;
  progress_->setObjectName("progress");
  progress_->setFormat("%v of %m");
  progress_->setRange(0, 0);
  progress_->setMaximum(1);
  progress_->setValue(0);
  bottom_layout->addWidget(progress_);
  splitter->addWidget(bottom);

  auto* buttons = new QHBoxLayout;
  const auto button = [&](QPushButton*& slot, const char* text, const char* name, auto handler) {
    slot = new QPushButton(text);
    slot->setObjectName(name);
    connect(slot, &QPushButton::clicked, this, handler);
    buttons->addWidget(slot);
  };
  button(load_file_, "Load File", "BitBtn1", [this] { load_files(choose_source_files()); });
  button(load_folder_, "Load Folder", "BitBtn2", [this] {
    const Settings s = pages_->settings();
    QString start = QString::fromStdString(s.loadfolder_Path);
    std::error_code error;
    if (!fs::is_directory(start.toStdString(), error)) start = QApplication::applicationDirPath();
    const QString folder = choose_source_folder(start);
    if (folder.isEmpty()) return update_count();
    Settings remembered = pages_->settings();
    remembered.loadfolder_Path = folder.toStdString();
    pages_->show_settings(remembered);
    load_folder(folder);
  });
  button(clear_list_, "Clear List", "BitBtn3", [this] { clear_list(); });
  button(preview_one_, "Preview One", "BitBtn4", [this] { preview_one(); });
  button(process_all_, "Process All", "BitBtn5", [this] { process_all(); });
  button(stop_, "Stop", "stop", [this] { stop_run(); });
  button(scan_, "Scan Image", "scan", [this] { scan_image(); });
  button(backup_all_, "Backup All", "BitBtn22", [this] {
    const std::time_t now = std::time(nullptr);
    std::tm date{};
    localtime_r(&now, &date);
    const QString archive = choose_save_file("Backup (ZIP) All Images to .....",
                                             QString::fromStdString(proposed_backup_name(date)));
    if (!archive.isEmpty()) backup_all(archive);
  });
  stop_->setEnabled(false);
  layout->addLayout(buttons);

  make_scanner = [] { return std::make_unique<SaneScanner>(); };
  scan_folder = QDir::currentPath();
  choose_source_files = [this] {
    return QFileDialog::getOpenFileNames(this, "Load Image Files", QString(), kImageFilter);
  };
  choose_source_folder = [this](const QString& start) {
    return QFileDialog::getExistingDirectory(this, "Load Folder", start);
  };
  choose_open_file = [this](const QString& title, const QString& proposed) {
    const bool profile = title.contains("Profile");
    return open_dialog(this, title, proposed, profile ? kProfileFilter : kListFilter,
                       profile ? "ini" : "tsv");
  };
  choose_save_file = [this](const QString& title, const QString& proposed) {
    if (title.startsWith("Backup")) return save_dialog(this, title, proposed, "*.zip", "zip");
    if (title == kImageSaveAsTitle) {
      return save_dialog(this, title, proposed,
                         QString::fromStdString(qt_file_filter(kImageSaveAsFilter)), "jpg");
    }
    const bool profile = title.contains("Profile");
    return save_dialog(this, title, proposed, profile ? kProfileFilter : kListFilter,
                       profile ? "ini" : "tsv");
  };
  return page;
}

void MainWindow::make_menus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&Load Profile", this, [this] {
    const QString path = choose_open_file(
        "Load Profile File", QString::fromStdString(pages_->settings().loadprofiledlg_FileName));
    if (!path.isEmpty()) load_profile(path);
  });
  file->addAction("&Save Profile", this, [this] {
    const QString path = choose_save_file(
        "Save Profile File", QString::fromStdString(pages_->settings().saveprofiledlg_FileName));
    if (!path.isEmpty()) save_profile(path);
  });
  file->addAction("Load &List ...", this, [this] {
    const QString path = choose_open_file(
        "Load List", QString::fromStdString(pages_->settings().filegrid_loadlist_FileName));
    if (!path.isEmpty()) load_list(path);
  });
  file->addAction("Save L&ist ...", this, [this] {
    const QString path = choose_save_file(
        "Save List", QString::fromStdString(pages_->settings().filegrid_savelist_FileName));
    if (!path.isEmpty()) save_list(path);
  });
  file->addSeparator();
  file->addAction("Twain &Acquire", this, [this] { scan_image(); });
  file->addAction("Select &Twain", this, [this] { select_scan_source(); });
  file->addSeparator();
  QAction* exit = file->addAction("E&xit", this, &QWidget::close);
  exit->setShortcut(QKeySequence("Ctrl+Q"));

  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction("&Help", this, &MainWindow::show_help);
  help->addSeparator();
  help->addAction("&About ", this, [this] {
    QMessageBox::about(this, "About Lumatrix",
                       QString("<b>%1</b><p>A batch image processor: one list of images, one "
                               "record of settings, one run.</p>")
                           .arg(kWindowTitle));
  });
}

void MainWindow::make_shortcuts() {
  const auto shortcut = [this](const char* keys, auto handler) {
    auto* s = new QShortcut(QKeySequence(keys), this);
    s->setContext(Qt::WindowShortcut);
    connect(s, &QShortcut::activated, this, handler);
  };
  shortcut("Ctrl+O", [this] { load_file_->click(); });
  shortcut("Ctrl+Shift+O", [this] { load_folder_->click(); });
  shortcut("F5", [this] { preview_one_->click(); });
  shortcut("Ctrl+Return", [this] { process_all_->click(); });
  shortcut("Escape", [this] { stop_run(); });
  auto* remove = new QShortcut(QKeySequence::Delete, grid_);
  remove->setContext(Qt::WidgetWithChildrenShortcut);
  connect(remove, &QShortcut::activated, this, [this] {
    if (bridge_.running()) return;
    const auto rows = grid_->selected_rows();
    edit_list([&](SourceList& list) { list.delete_rows(rows); });
  });
}

void MainWindow::update_count() {
  const SourceList list = grid_->list();
  count_label_->setText(QString::fromStdString(list.count_label()));
  const bool rows = !list.empty() && !busy_;
  for (QPushButton* b : {clear_list_, preview_one_, process_all_, backup_all_}) b->setEnabled(rows);
}

void MainWindow::set_running(bool running) {
  busy_ = running;
  pages_->set_locked(running);
  grid_->setEnabled(!running);
  for (QPushButton* b : {load_file_, load_folder_, scan_}) b->setEnabled(!running);
  changer_->set_locked(running);
  stop_->setEnabled(running);
  update_count();
}

void MainWindow::append_line(const QString& line) {
  log_->appendPlainText(line);
}

void MainWindow::show_progress(int position, int maximum) {
  const auto now = ProgressRate::Clock::now();
  rate_->rate.update(position, maximum, now);
  progress_->setMaximum(std::max(maximum, 1));
  progress_->setValue(std::clamp(position, 0, std::max(maximum, 1)));
  QString text;
  if (const auto reading = rate_->rate.reading(now)) {
    text = QString::fromStdString(reading->per_second);
    if (!reading->left.empty()) text += "   " + QString::fromStdString(reading->left);
  }
  rate_label_->setText(text);
}

void MainWindow::show_error(const QString& message) {
  QMessageBox::critical(this, kWindowTitle, message);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!exit_confirmed_) {
    if (QMessageBox::question(this, kWindowTitle, "Do You Want to Exit?",
                              QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) {
      event->ignore();
      return;
    }
    closing_ = true;
    if (scan_stop_) scan_stop_->request_stop();
    bridge_.finish_now();
    try {
      save_default_profile(pages_->settings());
    } catch (const std::exception& error) {
      show_error(QString::fromStdString(error.what()));
    }
    exit_confirmed_ = true;
  }
  gallery_->hide();
  thumbnails_->close();
  if (help_) help_->hide();
  event->accept();
}

void MainWindow::load_profile(const QString& path) {
  Settings settings = pages_->settings();
  try {
    const ProfileLoad loaded = lumatrix::load_profile(path.toStdString(), settings);
    if (loaded.missing) return show_error(path + ": no such profile");
    for (const std::string& warning : loaded.warnings) append_line(QString::fromStdString(warning));
  } catch (const std::exception& error) {
    return show_error(QString::fromStdString(error.what()));
  }
  settings.loadprofiledlg_FileName = path.toStdString();
  pages_->show_settings(settings);
}

void MainWindow::save_profile(const QString& path) {
  Settings settings = pages_->settings();
  settings.saveprofiledlg_FileName = path.toStdString();
  try {
    lumatrix::save_profile(path.toStdString(), settings);
  } catch (const std::exception& error) {
    return show_error(QString::fromStdString(error.what()));
  }
  pages_->show_settings(settings);
}

void MainWindow::show_help() {
  if (!help_) {
    help_ = std::make_unique<QTextBrowser>();
    help_->setObjectName("help");
    help_->setAttribute(Qt::WA_QuitOnClose, false);
    help_->setWindowTitle("Lumatrix Help");
    help_->setOpenExternalLinks(true);
    QFile manual(":/lumatrix/README.md");
    if (manual.open(QIODevice::ReadOnly)) help_->setMarkdown(QString::fromUtf8(manual.readAll()));
    help_->resize(760, 600);
  }
  help_->show();
  help_->raise();
}

}  // namespace lumatrix::app
