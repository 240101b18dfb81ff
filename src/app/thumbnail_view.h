#pragma once
// The thumbnail view: one cell per picture in a grid that flows with the width and scrolls
// vertically, each cell with a top text (the file name), the picture fitted into a square box
// and a bottom text ("Image No : n"). One cell at a time is selected, framed 3 pixels wide in
// red. Only the cells on screen are drawn, so thousands of cells cost nothing to show.
#include <QAbstractScrollArea>
#include <QImage>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace lumatrix::app {

struct ThumbnailCell {
  enum class State { Pending, Loaded, Failed };
  uint64_t id = 0;  // stays with the cell when it moves; the loader's results name it
  QString top_text, bottom_text;
  QImage image;
  State state = State::Pending;
};

class ThumbnailView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // `box`: the side of the square a picture is fitted into.
  explicit ThumbnailView(int box, QWidget* parent = nullptr);

  int count() const { return static_cast<int>(cells_.size()); }
  const ThumbnailCell& cell(int index) const { return cells_[static_cast<size_t>(index)]; }
  ThumbnailCell& cell(int index) { return cells_[static_cast<size_t>(index)]; }
  // The index of the cell with this id, or -1.
  int index_of(uint64_t id) const;

  void clear();
  void append(ThumbnailCell cell);
  void remove(int index);
  // The cell at `from` goes to `to`; the ones between close up.
  void move(int from, int to);
  // Fills in the picture of the cell `id` (a null image: it could not be loaded).
  void set_image(uint64_t id, const QImage& image);

  // The selected cell, or -1.
  int selected() const { return selected_; }
  void set_selected(int index);

  // Where a cell is drawn, in the viewport's coordinates; the cell under a viewport point, or -1.
  QRect cell_rect(int index) const;
  int index_at(const QPoint& point) const;
  // The cells wholly or partly on screen, as [first, last).
  std::pair<int, int> visible_range() const;
  // Scrolls so that the cell is on screen.
  void scroll_to(int index);

 signals:
  void selection_changed(int index);
  void double_clicked(int index);
  // The menu is asked for over a cell (already selected) at a global position.
  void menu_requested(int index, const QPoint& global);
  // Other cells came on screen (scrolled, resized, filled).
  void visible_changed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int columns() const;
  QSize cell_size() const;
  void update_scroll_range();
  void update_cell(int index);

  const int box_;
  std::vector<ThumbnailCell> cells_;
  int selected_ = -1;
};

}  // namespace lumatrix::app
