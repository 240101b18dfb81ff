#pragma once
// The "Thumbnail Preview" window: the Control Center list as thumbnails, in list order, with a
// pop-up menu that turns a source file on disk without loss, removes an entry or moves it to
// another position, and a "Close" button. It is filled when opened; the list edits go back to
// the main window's list through `edit_list`, so the order seen here is the order a run takes.
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <unordered_map>

#include "files/source_list.h"
#include "files/source_turn.h"

class QMenu;
class QPushButton;

namespace lumatrix::app {

class MoveToDialog;
class ThumbnailLoader;
class ThumbnailView;

class ThumbnailWindow : public QWidget {
  Q_OBJECT
 public:
  // The side of the square each picture is fitted into.
  static constexpr int kBox = 120;

  explicit ThumbnailWindow(QWidget* parent = nullptr);
  ~ThumbnailWindow() override;

  // Shows the window with one empty cell per entry; the pictures follow as they are decoded.
  void open(const SourceList& list);

  // The commands of the pop-up menu, on the selected thumbnail (nothing without one).
  void turn_selected(SourceTurn turn);
  void remove_selected();
  // Shows the "Move to ...." window; its "Okay" calls move_selected_to.
  void move_selected();
  // Puts the selected entry at `position` (1-based) in the view and in the list.
  void move_selected_to(int position);
  // The pop-up menu's items, in order.
  void add_menu_items(QMenu& menu);

  ThumbnailView& view() { return *view_; }
  MoveToDialog& move_dialog() { return *move_dialog_; }
  QPushButton& close_button() { return *close_; }
  // Thumbnails asked for and not yet shown.
  bool loading() const;

  // Changes the main window's list and shows it there (rows and count label).
  std::function<void(const std::function<void(SourceList&)>&)> edit_list;
  // Shows a source file in the main window's "After" preview.
  std::function<void(const std::filesystem::path&)> show_after;
  // Turns a source file on disk; throws with the reason when it will not.
  std::function<void(const std::filesystem::path&, SourceTurn)> turn_file = turn_source_file;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void show_menu(int index, const QPoint& global);
  void renumber();
  void request_visible();
  // The list row showing the view's cell at `index`: that row when it still holds the cell's
  // entry, else the first row that does (the list was edited in the main window meanwhile),
  // else -1.
  int row_of(const SourceList& list, int index) const;

  ThumbnailView* view_;
  QPushButton* close_;
  ThumbnailLoader* loader_;
  MoveToDialog* move_dialog_;
  std::unordered_map<uint64_t, ListEntry> entries_;  // per cell id, the entry it shows
  uint64_t next_id_ = 1;
};

}  // namespace lumatrix::app
