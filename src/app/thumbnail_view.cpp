#include "app/thumbnail_view.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace lumatrix::app {

namespace {

constexpr int kPad = 8;    // around the texts and the box, inside a cell
constexpr int kGap = 4;    // between a text and the box
constexpr int kFrame = 3;  // the selection frame's width
const QColor kFrameColour(255, 0, 0);

}  // namespace

ThumbnailView::ThumbnailView(int box, QWidget* parent) : QAbstractScrollArea(parent), box_(box) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
}

int ThumbnailView::index_of(uint64_t id) const {
  const auto found = std::find_if(cells_.begin(), cells_.end(),
                                  [id](const ThumbnailCell& c) { return c.id == id; });
  return found == cells_.end() ? -1 : static_cast<int>(found - cells_.begin());
}

void ThumbnailView::clear() {
  cells_.clear();
  selected_ = -1;
  verticalScrollBar()->setValue(0);
  update_scroll_range();
  viewport()->update();
}

void ThumbnailView::append(ThumbnailCell cell) {
  cells_.push_back(std::move(cell));
  update_scroll_range();
  update_cell(count() - 1);
}

void ThumbnailView::remove(int index) {
  if (index < 0 || index >= count()) return;
  cells_.erase(cells_.begin() + index);
  if (selected_ == index)
    selected_ = std::min(index, count() - 1);
  else if (selected_ > index)
    --selected_;
  update_scroll_range();
  viewport()->update();
  emit selection_changed(selected_);
  emit visible_changed();
}

void ThumbnailView::move(int from, int to) {
  if (from < 0 || from >= count()) return;
  to = std::clamp(to, 0, count() - 1);
  ThumbnailCell moving = std::move(cells_[static_cast<size_t>(from)]);
  cells_.erase(cells_.begin() + from);
  cells_.insert(cells_.begin() + to, std::move(moving));
  if (selected_ == from) selected_ = to;
  viewport()->update();
  emit visible_changed();
}

void ThumbnailView::set_image(uint64_t id, const QImage& image) {
  const int index = index_of(id);
  if (index < 0) return;
  ThumbnailCell& c = cells_[static_cast<size_t>(index)];
  c.image = image;
  c.state = image.isNull() ? ThumbnailCell::State::Failed : ThumbnailCell::State::Loaded;
  update_cell(index);
}

void ThumbnailView::set_selected(int index) {
  if (index < -1 || index >= count()) index = -1;
  if (index == selected_) return;
  update_cell(selected_);
  selected_ = index;
  update_cell(selected_);
  emit selection_changed(selected_);
}

QSize ThumbnailView::cell_size() const {
  const int text = fontMetrics().height();
  return {box_ + 2 * kPad, 2 * kPad + 2 * text + 2 * kGap + box_};
}

int ThumbnailView::columns() const {
  return std::max(1, viewport()->width() / cell_size().width());
}

QRect ThumbnailView::cell_rect(int index) const {
  const QSize size = cell_size();
  const int column = index % columns(), row = index / columns();
  return {QPoint(column * size.width(), row * size.height() - verticalScrollBar()->value()), size};
}

int ThumbnailView::index_at(const QPoint& point) const {
  const QSize size = cell_size();
  if (point.x() < 0 || point.y() < 0) return -1;
  const int column = point.x() / size.width();
  if (column >= columns()) return -1;
  const int row = (point.y() + verticalScrollBar()->value()) / size.height();
  const int index = row * columns() + column;
  return index < count() ? index : -1;
}

std::pair<int, int> ThumbnailView::visible_range() const {
  const int height = cell_size().height(), top = verticalScrollBar()->value();
  const int first_row = top / height;
  const int last_row = (top + viewport()->height() + height - 1) / height;
  return {std::min(count(), first_row * columns()), std::min(count(), last_row * columns())};
}

void ThumbnailView::scroll_to(int index) {
  if (index < 0 || index >= count()) return;
  const QRect r = cell_rect(index);
  QScrollBar* bar = verticalScrollBar();
  if (r.top() < 0)
    bar->setValue(bar->value() + r.top());
  else if (r.bottom() >= viewport()->height())
    bar->setValue(bar->value() + r.bottom() + 1 - viewport()->height());
}

void ThumbnailView::update_scroll_range() {
  const int rows = (count() + columns() - 1) / columns();
  const int height = cell_size().height();
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, rows * height - viewport()->height()));
  bar->setPageStep(viewport()->height());
  bar->setSingleStep(height / 4);
}

void ThumbnailView::update_cell(int index) {
  if (index >= 0 && index < count()) viewport()->update(cell_rect(index));
}

void ThumbnailView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const int text = fontMetrics().height();
  const auto [first, last] = visible_range();
  for (int i = first; i < last; ++i) {
    const QRect r = cell_rect(i);
    if (!r.intersects(event->rect())) continue;
    const ThumbnailCell& c = cells_[static_cast<size_t>(i)];
    const QRect top(r.left() + kPad, r.top() + kPad, box_, text);
    const QRect box(r.left() + kPad, top.bottom() + 1 + kGap, box_, box_);
    const QRect bottom(r.left() + kPad, box.bottom() + 1 + kGap, box_, text);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(top, Qt::AlignCenter,
                     fontMetrics().elidedText(c.top_text, Qt::ElideMiddle, box_));
    painter.drawText(bottom, Qt::AlignCenter, c.bottom_text);
    if (!c.image.isNull()) {
      const QSize fitted =
          c.image.size().scaled(box.size(), Qt::KeepAspectRatio).boundedTo(c.image.size());
      const QRect target(box.left() + (box.width() - fitted.width()) / 2,
                         box.top() + (box.height() - fitted.height()) / 2, fitted.width(),
                         fitted.height());
      painter.drawImage(target, c.image);
    }
    if (i == selected_) {
      // Drawn as four bars rather than a pen, so the frame is exactly kFrame pixels wide.
      const QRect f = r.adjusted(1, 1, -1, -1);
      painter.fillRect(QRect(f.left(), f.top(), f.width(), kFrame), kFrameColour);
      painter.fillRect(QRect(f.left(), f.bottom() - kFrame + 1, f.width(), kFrame), kFrameColour);
      painter.fillRect(QRect(f.left(), f.top(), kFrame, f.height()), kFrameColour);
      painter.fillRect(QRect(f.right() - kFrame + 1, f.top(), kFrame, f.height()), kFrameColour);
    }
  }
}

void ThumbnailView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  update_scroll_range();
  emit visible_changed();
}

void ThumbnailView::scrollContentsBy(int, int) {
  viewport()->update();
  emit visible_changed();
}

void ThumbnailView::mousePressEvent(QMouseEvent* event) {
  const int index = index_at(event->position().toPoint());
  if (index >= 0) set_selected(index);
  QAbstractScrollArea::mousePressEvent(event);
}

void ThumbnailView::mouseDoubleClickEvent(QMouseEvent* event) {
  const int index = index_at(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index >= 0) {
    set_selected(index);
    emit double_clicked(index);
  }
}

void ThumbnailView::contextMenuEvent(QContextMenuEvent* event) {
  const int index = index_at(event->pos());
  if (index < 0) return;
  set_selected(index);
  emit menu_requested(index, event->globalPos());
}

void ThumbnailView::keyPressEvent(QKeyEvent* event) {
  int step = 0;
  switch (event->key()) {
    case Qt::Key_Left:
      step = -1;
      break;
    case Qt::Key_Right:
      step = 1;
      break;
    case Qt::Key_Up:
      step = -columns();
      break;
    case Qt::Key_Down:
      step = columns();
      break;
    default:
      return QAbstractScrollArea::keyPressEvent(event);
  }
  if (count() == 0) return;
  const int next = selected_ < 0 ? 0 : std::clamp(selected_ + step, 0, count() - 1);
  set_selected(next);
  scroll_to(next);
}

}  // namespace lumatrix::app
