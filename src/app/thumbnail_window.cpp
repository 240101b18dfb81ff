#include "app/thumbnail_window.h"

#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>

#include "app/move_to_dialog.h"
#include "app/thumbnail_loader.h"
#include "app/thumbnail_view.h"

namespace lumatrix::app {

namespace {

QString image_number(int index) {
  return QString("Image No : %1").arg(index + 1);
}

}  // namespace

ThumbnailWindow::ThumbnailWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      view_(new ThumbnailView(kBox, this)),
      close_(new QPushButton("Close", this)),
      loader_(new ThumbnailLoader(kBox, this)),
      move_dialog_(new MoveToDialog(this)) {
  setWindowTitle("Thumbnail Preview");
  close_->adjustSize();
  resize(720, 560);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  connect(loader_, &ThumbnailLoader::loaded, view_, &ThumbnailView::set_image);
  connect(view_, &ThumbnailView::visible_changed, this, &ThumbnailWindow::request_visible);
  connect(view_, &ThumbnailView::menu_requested, this, &ThumbnailWindow::show_menu);
  connect(view_, &ThumbnailView::double_clicked, this, [this](int index) {
    const auto entry = entries_.find(view_->cell(index).id);
    if (show_after && entry != entries_.end()) show_after(entry->second.full_path());
  });
  connect(move_dialog_, &MoveToDialog::chosen, this, &ThumbnailWindow::move_selected_to);
}

ThumbnailWindow::~ThumbnailWindow() = default;

void ThumbnailWindow::open(const SourceList& list) {
  loader_->cancel();
  view_->clear();
  entries_.clear();
  show();
  raise();
  for (size_t i = 0; i < list.size(); ++i) {
    const ListEntry& entry = list.entries[i];
    ThumbnailCell cell;
    cell.id = next_id_++;
    cell.top_text = QString::fromStdString(entry.file_name);
    cell.bottom_text = image_number(static_cast<int>(i));
    loader_->request(cell.id, entry.full_path());
    entries_.emplace(cell.id, entry);
    view_->append(std::move(cell));
  }
  request_visible();
}

bool ThumbnailWindow::loading() const {
  for (int i = 0; i < view_->count(); ++i)
    if (view_->cell(i).state == ThumbnailCell::State::Pending) return true;
  return false;
}

void ThumbnailWindow::request_visible() {
  // The cells on screen, then a screenful either side, go ahead of the rest.
  const auto [first, last] = view_->visible_range();
  const int span = std::max(1, last - first);
  std::vector<uint64_t> ids;
  for (int i = first; i < last; ++i) ids.push_back(view_->cell(i).id);
  for (int i = last; i < std::min(view_->count(), last + span); ++i)
    ids.push_back(view_->cell(i).id);
  for (int i = std::max(0, first - span); i < first; ++i) ids.push_back(view_->cell(i).id);
  loader_->prioritise(ids);
}

int ThumbnailWindow::row_of(const SourceList& list, int index) const {
  const auto entry = entries_.find(view_->cell(index).id);
  if (entry == entries_.end()) return -1;
  if (static_cast<size_t>(index) < list.size() &&
      list.entries[static_cast<size_t>(index)] == entry->second)
    return index;
  const auto found = std::find(list.entries.begin(), list.entries.end(), entry->second);
  return found == list.entries.end() ? -1 : static_cast<int>(found - list.entries.begin());
}

void ThumbnailWindow::renumber() {
  for (int i = 0; i < view_->count(); ++i) view_->cell(i).bottom_text = image_number(i);
  view_->viewport()->update();
}

void ThumbnailWindow::turn_selected(SourceTurn turn) {
  const int index = view_->selected();
  if (index < 0 || !turn_file) return;
  ThumbnailCell& cell = view_->cell(index);
  const std::filesystem::path path = entries_.at(cell.id).full_path();
  try {
    turn_file(path, turn);
  } catch (const std::exception& error) {
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(error.what()));
    return;
  }
  // A new id for the cell: a decode of the file as it was, still on its way, then finds no
  // cell and cannot overwrite the new picture.
  auto entry = entries_.extract(cell.id);
  cell.id = next_id_++;
  entry.key() = cell.id;
  entries_.insert(std::move(entry));
  cell.state = ThumbnailCell::State::Pending;
  loader_->request(cell.id, path, true);
  view_->viewport()->update(view_->cell_rect(index));
}

void ThumbnailWindow::remove_selected() {
  const int index = view_->selected();
  if (index < 0) return;
  if (edit_list) {
    edit_list([&](SourceList& list) {
      const int row = row_of(list, index);
      if (row >= 0) list.entries.erase(list.entries.begin() + row);
    });
  }
  entries_.erase(view_->cell(index).id);
  view_->remove(index);
  renumber();
}

void ThumbnailWindow::move_selected() {
  if (view_->selected() < 0) return;
  move_dialog_->ask(view_->count());
}

void ThumbnailWindow::move_selected_to(int position) {
  const int index = view_->selected();
  if (index < 0 || view_->count() == 0) return;
  const int target = std::clamp(position, 1, view_->count()) - 1;
  if (edit_list) {
    edit_list([&](SourceList& list) {
      const int row = row_of(list, index);
      if (row < 0) return;
      ListEntry moving = list.entries[static_cast<size_t>(row)];
      list.entries.erase(list.entries.begin() + row);
      const size_t at = std::min(static_cast<size_t>(target), list.entries.size());
      list.entries.insert(list.entries.begin() + static_cast<std::ptrdiff_t>(at),
                          std::move(moving));
    });
  }
  view_->move(index, target);
  renumber();
  view_->scroll_to(target);
}

void ThumbnailWindow::show_menu(int, const QPoint& global) {
  QMenu menu(this);
  add_menu_items(menu);
  menu.exec(global);
}

void ThumbnailWindow::add_menu_items(QMenu& menu) {
  menu.addAction("Rotate Left", this, [this] { turn_selected(SourceTurn::Left); });
  menu.addAction("Rotate Right", this, [this] { turn_selected(SourceTurn::Right); });
  menu.addAction("Flip Vertically", this, [this] { turn_selected(SourceTurn::Vertical); });
  menu.addAction("Flip Horizontally", this, [this] { turn_selected(SourceTurn::Horizontal); });
  menu.addSeparator();
  menu.addAction("Remove Image", this, &ThumbnailWindow::remove_selected);
  menu.addAction("Move Image", this, &ThumbnailWindow::move_selected);
  menu.addSeparator();
  menu.addAction("Properties");
}

void ThumbnailWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int w = width(), h = height();
  const QSize button = close_->size();
  view_->setGeometry(5, 5, w - 10, h - button.height() - 30);
  // Integer division rounds toward zero, as the placement wants.
  close_->move((w - button.width()) / 2, h - button.height() - 5);
}

void ThumbnailWindow::closeEvent(QCloseEvent* event) {
  // What is still queued is not wanted any more; opening again asks afresh.
  loader_->cancel();
  QWidget::closeEvent(event);
}

}  // namespace lumatrix::app
