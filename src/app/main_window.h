#pragma once
// The main window: the "Control Center" page (the source list, the "Before" and "After"
// previews, the log, the progress bar and the command buttons) and the six settings pages,
// the "&File" and "&Help" menus, and the runs started from here on a worker thread.
#include <QMainWindow>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

#include "app/edit_commands.h"
#include "app/run_bridge.h"
#include "engine/batch_run.h"
#include "engine/workspace.h"
#include "settings/settings.h"

class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTextBrowser;

namespace lumatrix {
class Scanner;
}

namespace lumatrix::app {

class AdjustmentDialog;
class FilenameChangerPage;
class GalleryWindow;
class ImagePreview;
class SettingsPages;
class SourceGrid;
class ThumbnailWindow;

// The product's name and version, as the title bar shows them.
inline constexpr const char* kWindowTitle = "Lumatrix v 3.61";

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // Start-up: the windows are made, the settings get their start-up values and then the
  // automatic profile, and the "Control Center" page comes to the front. `profile` is loaded
  // after the automatic one; `sources` (files and folders) fill the list.
  explicit MainWindow(const std::optional<std::filesystem::path>& profile = std::nullopt,
                      const QStringList& sources = {});
  ~MainWindow() override;

  SettingsPages& pages() { return *pages_; }
  SourceGrid& grid() { return *grid_; }
  ImagePreview& before() { return *before_; }
  ImagePreview& after() { return *after_; }
  GalleryWindow& gallery_window() { return *gallery_; }
  FilenameChangerPage& changer() { return *changer_; }
  ThumbnailWindow& thumbnail_window() { return *thumbnails_; }
  QTabWidget& tabs() { return *tabs_; }
  QPlainTextEdit& log() { return *log_; }
  QProgressBar& progress() { return *progress_; }
  QListWidget& summary() { return *summary_; }
  bool running() const { return bridge_.running(); }

  // The commands of the buttons and menus.
  void load_files(const QStringList& files);
  // Asks whether to include the subfolders, then adds the folder's images.
  void load_folder(const QString& folder);
  // Dropped or given paths: files as Load File adds them, folders as Load Folder does.
  void add_paths(const QStringList& paths);
  void clear_list();
  void preview_one();
  void process_all();
  void backup_all(const QString& archive);
  void stop_run();
  void load_profile(const QString& path);
  void save_profile(const QString& path);
  void save_list(const QString& path);
  void load_list(const QString& path);
  // A click on a row: the "Before" preview and the "Image Dimension : " line.
  void show_source(int row);
  // "Thumbnail Gallery Preview": the list as thumbnails in their own window.
  void open_thumbnails();
  // A source file in the "After" preview (a double-click on its thumbnail).
  void show_after(const std::filesystem::path& path);
  // "&Help": the manual in a window of its own.
  void show_help();
  QTextBrowser* help_window() { return help_.get(); }
  // The five marking commands of the "Before" preview's menu.
  enum class Mark { Crop, Caption1, Caption2, Watermark1, Watermark2 };
  void mark(Mark what);
  // "Select &Twain": the sources present in a dialog, the choice stored in twainnumber. False
  // when none was chosen (no scanner, or the dialog cancelled).
  bool select_scan_source();
  // "Twain &Acquire" and "Scan Image": one page on a worker thread (Stop and Escape cancel it),
  // shown in the "Before" preview, then saved under the name the save dialog ends with and
  // added to the list. When twainnumber names no source present, the chooser comes first.
  void scan_image();

  // The documents behind the "Before" and "After" panes, and the panes' pop-up menus with
  // their entries enabled as they can be used now (main_window_edit.cpp).
  const EditDocuments& documents() const { return *edit_; }
  std::unique_ptr<QMenu> make_pane_menu(EditPane pane);
  // The pages "Color &Adjustment" (false) and "&Effects" (true) offer; without any the entry
  // is disabled.
  std::function<std::vector<const Adjustment*>(bool effects)> adjustment_pages;
  // Shows the editing dialog and says whether it ended with OK; a test drives it here.
  std::function<bool(AdjustmentDialog&)> run_adjustment_dialog;

  // The file choosers the menus and buttons open; a test puts its own answers here. An empty
  // result is a cancel.
  std::function<QStringList()> choose_source_files;
  std::function<QString(const QString& start)> choose_source_folder;
  std::function<QString(const QString& title, const QString& proposed)> choose_open_file;
  std::function<QString(const QString& title, const QString& proposed)> choose_save_file;
  // The scanners; a test puts its own here.
  std::function<std::unique_ptr<Scanner>()> make_scanner;
  // The folder the scanned page's save dialog opens in, as last used; at first the working
  // folder.
  QString scan_folder;

 signals:
  // A run through the bridge ended (its buttons are usable again).
  void run_finished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* make_control_center();
  void make_menus();
  void make_shortcuts();
  void update_count();
  void set_running(bool running);
  void append_line(const QString& line);
  void show_progress(int position, int maximum);
  void show_summary(const BatchRunResult& result, const SourceList& list);
  void list_menu(const QPoint& where);
  void before_menu(const QPoint& where);
  void make_edit_commands();
  void add_edit_entries(QMenu& menu, EditPane pane, bool with_marks);
  // Runs `change` on the documents on the worker, then shows them and calls `then`.
  void run_edit(std::function<void(EditDocuments&)> change, std::function<void()> then = {});
  void adjust_pane(EditPane pane, bool effects);
  void save_result(const std::filesystem::path& path);
  void show_properties();
  void show_documents();
  // The selected entry's source file, when it is the one the source document was loaded from.
  std::optional<std::filesystem::path> edit_entry() const;
  void show_error(const QString& message);
  // Runs a list command on the grid's rows and shows the result.
  void edit_list(const std::function<void(SourceList&)>& change);
  // The acquired page's save dialog and what follows it.
  void save_scan(const ImageDocument& page);
  bool choose_source_of(Scanner& scanner);
  void make_thumbnail_window();

  QTabWidget* tabs_ = nullptr;
  SettingsPages* pages_ = nullptr;
  SourceGrid* grid_ = nullptr;
  FilenameChangerPage* changer_ = nullptr;
  QLabel* count_label_ = nullptr;
  ImagePreview* before_ = nullptr;
  ImagePreview* after_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QListWidget* summary_ = nullptr;
  QLabel* rate_label_ = nullptr;
  QPushButton* load_file_ = nullptr;
  QPushButton* load_folder_ = nullptr;
  QPushButton* clear_list_ = nullptr;
  QPushButton* preview_one_ = nullptr;
  QPushButton* process_all_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* scan_ = nullptr;
  QPushButton* backup_all_ = nullptr;
  std::unique_ptr<GalleryWindow> gallery_;
  std::unique_ptr<ThumbnailWindow> thumbnails_;
  std::unique_ptr<QTextBrowser> help_;
  std::shared_ptr<Workspace> preview_space_;
  std::shared_ptr<EditDocuments> edit_;
  std::filesystem::path edit_source_;  // the file the source document came from
  struct RateClock;
  std::unique_ptr<RateClock> rate_;
  std::optional<std::stop_source> scan_stop_;  // while a page is being acquired
  bool closing_ = false;
  bool exit_confirmed_ = false;
  bool busy_ = false;  // a run works: the start buttons and the pages are locked
  RunBridge bridge_;
};

}  // namespace lumatrix::app
