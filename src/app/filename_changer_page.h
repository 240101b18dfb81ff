#pragma once
// The "Filename Changer" tab: the pattern settings generated from the settings table, and the
// changer's own list of files with its commands. Process All runs on the run bridge's worker
// thread, like the Control Center's runs, so the window stays live and only one run works at
// a time; its progress goes to this tab's own bar, its log lines to the window's log.
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "files/rename_list.h"

class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace lumatrix::app {

class RenameGrid;
class RunBridge;
class SettingsPages;
class SourceGrid;

class FilenameChangerPage : public QWidget {
  Q_OBJECT
 public:
  // `settings_page` is the generated page of the pattern settings; it is shown above the list.
  FilenameChangerPage(QWidget* settings_page, SettingsPages& pages, const SourceGrid& sources,
                      RunBridge& bridge);
  // Puts the page in place of the generated "Filename Changer" tab of `tabs`.
  static FilenameChangerPage* install(QTabWidget& tabs, SettingsPages& pages,
                                      const SourceGrid& sources, RunBridge& bridge);

  const RenameList& list() const { return list_; }
  RenameGrid& grid() { return *grid_; }

  // The commands of the buttons and of the list's pop-up menu.
  void load_files(const QStringList& files);
  // Asks whether to include the subfolders, then adds every file of the folder.
  void load_folder(const QString& folder);
  // Dropped paths: files as Load Files adds them, folders as Load Folder does.
  void add_paths(const QStringList& paths);
  void clear();
  void delete_selected();
  void sort(bool ascending);
  void preview();
  void process_all();
  // The list's pop-up menu ("Delete Selected Files", "Sort Ascending", "Sort Descending").
  std::unique_ptr<QMenu> make_menu();

  // While any run works, the list and its commands take nothing.
  void set_locked(bool locked);
  // Called when this page's run starts (true) and ends (false), so the window locks the rest.
  std::function<void(bool running)> on_running;

  // The choosers "Load Files" and "Load Folder" open; a test puts its own answers here. An
  // empty result is a cancel.
  std::function<QStringList()> choose_files;
  std::function<QString(const QString& start)> choose_folder;

 signals:
  // This page's run ended (its buttons are usable again).
  void run_finished();

 private:
  void show_list();
  void show_error(const QString& message);

  SettingsPages& pages_;
  const SourceGrid& sources_;
  RunBridge& bridge_;
  RenameList list_;
  RenameGrid* grid_ = nullptr;
  QLabel* count_label_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* load_files_ = nullptr;
  QPushButton* load_folder_ = nullptr;
  QPushButton* clear_ = nullptr;
  QPushButton* preview_ = nullptr;
  QPushButton* process_all_ = nullptr;
  QPushButton* stop_ = nullptr;
  bool locked_ = false;
};

}  // namespace lumatrix::app
