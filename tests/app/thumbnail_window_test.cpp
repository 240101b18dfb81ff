#include "app/thumbnail_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <fstream>

#include "app/edit_commands.h"
#include "app/image_preview.h"
#include "app/main_window.h"
#include "app/move_to_dialog.h"
#include "app/source_grid.h"
#include "app/thumbnail_loader.h"
#include "app/thumbnail_view.h"
#include "box_answerer.h"
#include "imaging/image_document.h"
#include "test_support.h"

namespace lumatrix::app {
namespace {

namespace fs = std::filesystem;

// Loading a folder of pictures is a safety net against a hang, not a measure of speed.
constexpr int kPatience = 30000;

class ThumbnailWindowTest : public ::testing::Test {
 protected:
  ThumbnailWindowTest() : home(dir / "home") { fs::create_directories(dir / "src"); }

  fs::path image(const std::string& name, int width = 24, int height = 16) {
    ImageDocument doc;
    doc.raster = test::gradient_rgb(width, height);
    const fs::path path = dir / "src" / name;
    EXPECT_TRUE(doc.save(path));
    return path;
  }
  // The main window's list set to these files, in this order (not sorted as Load File sorts).
  void set_list(MainWindow& window, const std::vector<fs::path>& files) {
    SourceList list;
    for (const fs::path& file : files) list.entries.push_back(entry_for(file));
    window.grid().set_list(list);
  }
  // Five pictures a.png .. e.png listed in the order c, a, e, b, d.
  void five(MainWindow& window) {
    set_list(window,
             {image("c.png"), image("a.png"), image("e.png"), image("b.png"), image("d.png")});
  }
  static QStringList top_texts(ThumbnailView& view) {
    QStringList texts;
    for (int i = 0; i < view.count(); ++i) texts << view.cell(i).top_text;
    return texts;
  }
  static QStringList bottom_texts(ThumbnailView& view) {
    QStringList texts;
    for (int i = 0; i < view.count(); ++i) texts << view.cell(i).bottom_text;
    return texts;
  }
  static QStringList list_names(MainWindow& window) {
    QStringList names;
    for (const ListEntry& entry : window.grid().list().entries)
      names << QString::fromStdString(entry.file_name);
    return names;
  }
  static QString count_label(MainWindow& window) {
    return window.findChild<QLabel*>("count_label")->text();
  }
  static void wait_loaded(ThumbnailWindow& thumbs) {
    QTRY_VERIFY_WITH_TIMEOUT(!thumbs.loading(), kPatience);
  }

  test::TempDir dir;
  test::ScopedUserFolder home;
  test::BoxAnswerer boxes;
  const QStringList numbers = {"Image No : 1", "Image No : 2", "Image No : 3", "Image No : 4",
                               "Image No : 5"};
};

TEST_F(ThumbnailWindowTest, OpensAtOnceWithOneCellPerRowAndFillsThemInLater) {
  MainWindow window;
  const fs::path broken = dir / "src" / "broken.jpg";
  std::ofstream(broken, std::ios::binary) << "\xFF\xD8 this is no picture";
  set_list(window, {image("wide.png", 240, 160), broken, image("tall.jpg", 64, 256),
                    image("small.png", 20, 10), dir / "src" / "gone.png"});
  EXPECT_FALSE(window.thumbnail_window().isVisible());

  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  ThumbnailView& view = thumbs.view();
  EXPECT_TRUE(thumbs.isVisible());
  EXPECT_EQ(thumbs.windowTitle(), "Thumbnail Preview");
  // The window is there before any picture: results come back through the event loop.
  ASSERT_EQ(view.count(), 5);
  EXPECT_EQ(top_texts(view),
            QStringList({"wide.png", "broken.jpg", "tall.jpg", "small.png", "gone.png"}));
  EXPECT_EQ(bottom_texts(view), numbers);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(view.cell(i).state, ThumbnailCell::State::Pending) << i;
  EXPECT_TRUE(thumbs.loading());

  wait_loaded(thumbs);
  // Fitted into the box keeping the shape; a small picture is not enlarged.
  EXPECT_EQ(view.cell(0).image.size(), QSize(120, 80));
  EXPECT_EQ(view.cell(2).image.size(), QSize(30, 120));
  EXPECT_EQ(view.cell(3).image.size(), QSize(20, 10));
  for (int i : {1, 4}) {
    EXPECT_EQ(view.cell(i).state, ThumbnailCell::State::Failed) << i;
    EXPECT_TRUE(view.cell(i).image.isNull()) << i;
  }
  // Unreadable files are no reason for a message box.
  EXPECT_TRUE(boxes.texts.isEmpty());
  // The picture itself, not just its size: the small one is shown pixel for pixel.
  EXPECT_EQ(view.cell(3).image.pixelColor(3, 2),
            QColor(qimage_of(test::gradient_rgb(20, 10)).pixelColor(3, 2)));
}

TEST_F(ThumbnailWindowTest, OpeningAgainStartsAfreshFromTheList) {
  MainWindow window;
  five(window);
  window.open_thumbnails();
  ThumbnailView& view = window.thumbnail_window().view();
  view.set_selected(4);
  // Edits in the main list are not followed while the window is open...
  window.grid().set_list({});
  EXPECT_EQ(view.count(), 5);
  // ...but opening again shows the list as it is now.
  set_list(window, {image("z.png")});
  window.open_thumbnails();
  EXPECT_EQ(top_texts(view), QStringList({"z.png"}));
  EXPECT_EQ(view.selected(), -1);
  wait_loaded(window.thumbnail_window());
  EXPECT_EQ(view.cell(0).state, ThumbnailCell::State::Loaded);
}

TEST_F(ThumbnailWindowTest, MovingKeepsEveryEntryAndRenumbers) {
  MainWindow window;
  five(window);
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  ThumbnailView& view = thumbs.view();

  // The third of five to the last place.
  view.set_selected(2);
  thumbs.move_selected_to(5);
  EXPECT_EQ(list_names(window), QStringList({"c.png", "a.png", "b.png", "d.png", "e.png"}));
  EXPECT_EQ(top_texts(view), list_names(window));
  EXPECT_EQ(bottom_texts(view), numbers);
  EXPECT_EQ(view.selected(), 4);
  EXPECT_EQ(count_label(window), "Total Loaded Files : 5");

  // The third of five to the fourth place: the fifth stays where it is.
  view.set_selected(2);
  thumbs.move_selected_to(4);
  EXPECT_EQ(list_names(window), QStringList({"c.png", "a.png", "d.png", "b.png", "e.png"}));
  EXPECT_EQ(top_texts(view), list_names(window));
  EXPECT_EQ(bottom_texts(view), numbers);

  // To the front, and onto its own place.
  view.set_selected(3);
  thumbs.move_selected_to(1);
  EXPECT_EQ(list_names(window), QStringList({"b.png", "c.png", "a.png", "d.png", "e.png"}));
  view.set_selected(2);
  thumbs.move_selected_to(3);
  EXPECT_EQ(list_names(window), QStringList({"b.png", "c.png", "a.png", "d.png", "e.png"}));
  EXPECT_EQ(top_texts(view), list_names(window));
}

TEST_F(ThumbnailWindowTest, TheMoveWindowIsBoundByTheCountAndOkayMoves) {
  MainWindow window;
  five(window);
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  MoveToDialog& dialog = thumbs.move_dialog();
  EXPECT_EQ(dialog.windowTitle(), "Move to ....");
  const Qt::WindowFlags flags = dialog.windowFlags();
  EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_FALSE(
      flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint | Qt::WindowSystemMenuHint));
  EXPECT_EQ(dialog.position().value(), 1);
  ASSERT_NE(dialog.findChild<QLabel*>(), nullptr);
  EXPECT_EQ(dialog.findChild<QLabel*>()->text(), "Move this Image to Position");
  EXPECT_EQ(dialog.okay().text(), "Okay");

  // Without a selection there is nothing to move.
  thumbs.move_selected();
  EXPECT_FALSE(dialog.isVisible());

  thumbs.view().set_selected(0);
  thumbs.move_selected();
  ASSERT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.position().minimum(), 1);
  EXPECT_EQ(dialog.position().maximum(), 5);
  dialog.position().setValue(9);  // beyond the count: held at it
  EXPECT_EQ(dialog.position().value(), 5);
  QTest::mouseClick(&dialog.okay(), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(list_names(window), QStringList({"a.png", "e.png", "b.png", "d.png", "c.png"}));

  // One fewer thumbnail, a lower bound.
  thumbs.view().set_selected(0);
  thumbs.remove_selected();
  thumbs.view().set_selected(0);
  thumbs.move_selected();
  EXPECT_EQ(dialog.position().maximum(), 4);
  dialog.reject();
}

TEST_F(ThumbnailWindowTest, RemovingTakesTheEntryOutOfTheListAndRenumbers) {
  MainWindow window;
  five(window);
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  ThumbnailView& view = thumbs.view();
  view.set_selected(1);
  thumbs.remove_selected();
  EXPECT_EQ(list_names(window), QStringList({"c.png", "e.png", "b.png", "d.png"}));
  EXPECT_EQ(top_texts(view), list_names(window));
  EXPECT_EQ(bottom_texts(view), numbers.mid(0, 4));
  EXPECT_EQ(count_label(window), "Total Loaded Files : 4");
}

TEST_F(ThumbnailWindowTest, RemovingTheOnlyEntryLeavesAnEmptyViewAndList) {
  MainWindow window;
  set_list(window, {image("only.png")});
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  thumbs.view().set_selected(0);
  thumbs.remove_selected();
  EXPECT_EQ(thumbs.view().count(), 0);
  EXPECT_EQ(thumbs.view().selected(), -1);
  EXPECT_EQ(window.grid().rowCount(), 0);
  EXPECT_EQ(count_label(window), "Total Loaded Files : 0");
  // The "Process All" button follows the empty list.
  EXPECT_FALSE(window.findChild<QWidget*>("BitBtn5")->isEnabled());
  // Nothing selected now: the commands do nothing.
  thumbs.remove_selected();
  thumbs.move_selected_to(1);
  EXPECT_EQ(window.grid().rowCount(), 0);
}

// A regression: removing by position alone took out whatever row the main list had there
// after it was sorted behind the window's back.
TEST_F(ThumbnailWindowTest, RemoveAndMoveFindTheirEntryAfterTheListWasSorted) {
  MainWindow window;
  five(window);
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  SourceList sorted = window.grid().list();
  sorted.sort(true);
  window.grid().set_list(sorted);  // a, b, c, d, e; the view still shows c, a, e, b, d
  thumbs.view().set_selected(0);   // c.png
  thumbs.remove_selected();
  EXPECT_EQ(list_names(window), QStringList({"a.png", "b.png", "d.png", "e.png"}));
  thumbs.view().set_selected(1);  // e.png, to the front
  thumbs.move_selected_to(1);
  EXPECT_EQ(list_names(window), QStringList({"e.png", "a.png", "b.png", "d.png"}));
}

TEST_F(ThumbnailWindowTest, DoubleClickShowsTheFileInTheAfterPane) {
  MainWindow window;
  set_list(window, {image("first.png", 30, 20), image("second.png", 50, 40)});
  window.open_thumbnails();
  ThumbnailView& view = window.thumbnail_window().view();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window.thumbnail_window()));
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.cell_rect(1).center());
  EXPECT_EQ(view.selected(), 1);
  ASSERT_EQ(window.after().image().size(), QSize(50, 40));
  EXPECT_EQ(window.after().image(), qimage_of(test::gradient_rgb(50, 40)));
  // The picture is the result document too, so the "After" menu edits and saves what is shown.
  EXPECT_EQ(window.documents().afterpreview.raster, test::gradient_rgb(50, 40));
  // Away from every cell nothing happens.
  window.after().clear();
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                     QPoint(view.viewport()->width() - 2, view.viewport()->height() - 2));
  EXPECT_TRUE(window.after().image().isNull());
}

TEST_F(ThumbnailWindowTest, ResizingKeepsTheViewAndTheCloseButtonInPlace) {
  MainWindow window;
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  QPushButton& close = thumbs.close_button();
  EXPECT_EQ(close.text(), "Close");
  const QSize button = close.size();
  for (const QSize client : {QSize(500, 400), QSize(801, 333)}) {
    thumbs.resize(client);
    ASSERT_EQ(thumbs.size(), client);
    EXPECT_EQ(thumbs.view().width(), client.width() - 10);
    EXPECT_EQ(thumbs.view().height(), client.height() - button.height() - 30);
    EXPECT_EQ(close.x(), (client.width() - button.width()) / 2);
    EXPECT_EQ(close.y(), client.height() - button.height() - 5);
    EXPECT_EQ(close.size(), button);
  }
  QTest::mouseClick(&close, Qt::LeftButton);
  EXPECT_FALSE(thumbs.isVisible());
}

TEST_F(ThumbnailWindowTest, TheSelectionIsFramedThreePixelsWideInRed) {
  MainWindow window;
  set_list(window, {image("a.png", 200, 200), image("b.png", 200, 200)});
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  thumbs.resize(700, 500);
  wait_loaded(thumbs);
  ThumbnailView& view = thumbs.view();
  view.set_selected(1);
  const QImage drawn = view.viewport()->grab().toImage();
  const auto red = [&](int x, int y) { return drawn.pixelColor(x, y) == QColor(255, 0, 0); };
  const QRect selected = view.cell_rect(1), other = view.cell_rect(0);
  ASSERT_GT(drawn.width(), selected.right());
  // Across each side of the frame: three red pixels between non-red ones.
  const int mid_x = selected.center().x(), mid_y = selected.center().y();
  EXPECT_FALSE(red(mid_x, selected.top()));
  for (int d = 1; d <= 3; ++d) {
    EXPECT_TRUE(red(mid_x, selected.top() + d)) << d;
    EXPECT_TRUE(red(mid_x, selected.bottom() - d)) << d;
    EXPECT_TRUE(red(selected.left() + d, mid_y)) << d;
    EXPECT_TRUE(red(selected.right() - d, mid_y)) << d;
  }
  EXPECT_FALSE(red(mid_x, selected.top() + 4));
  EXPECT_FALSE(red(selected.left() + 4, mid_y));
  // The other cell is not framed, and its picture is drawn.
  EXPECT_FALSE(red(other.center().x(), other.top() + 2));
  EXPECT_FALSE(red(other.left() + 2, other.center().y()));
  EXPECT_NE(drawn.pixelColor(other.center()), view.viewport()->palette().color(QPalette::Base));
  // Clicking the other cell moves the frame.
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, other.center());
  EXPECT_EQ(view.selected(), 0);
  const QImage again = view.viewport()->grab().toImage();
  EXPECT_EQ(again.pixelColor(other.center().x(), other.top() + 2), QColor(255, 0, 0));
  EXPECT_NE(again.pixelColor(mid_x, selected.top() + 2), QColor(255, 0, 0));
}

TEST_F(ThumbnailWindowTest, ManyCellsFlowInAGridAndScrollVertically) {
  MainWindow window;
  const fs::path one = image("same.png", 40, 30);
  set_list(window, std::vector<fs::path>(60, one));
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  thumbs.resize(700, 500);
  ThumbnailView& view = thumbs.view();
  const QRect first = view.cell_rect(0), second = view.cell_rect(1);
  EXPECT_EQ(second.top(), first.top());
  EXPECT_EQ(second.left(), first.right() + 1);
  const int columns = view.viewport()->width() / first.width();
  EXPECT_EQ(view.cell_rect(columns).left(), first.left());
  EXPECT_EQ(view.cell_rect(columns).top(), first.bottom() + 1);
  EXPECT_GT(view.visible_range().second, 0);
  EXPECT_LT(view.visible_range().second, 60);
  EXPECT_EQ(view.index_at(view.cell_rect(7).center()), 7);
  // The last cell scrolled into sight.
  view.scroll_to(59);
  EXPECT_EQ(view.visible_range().second, 60);
  EXPECT_GT(view.visible_range().first, 0);
  EXPECT_EQ(view.index_at(view.cell_rect(59).center()), 59);
  wait_loaded(thumbs);
}

TEST_F(ThumbnailWindowTest, TheMenuListsItsItemsInOrder) {
  MainWindow window;
  QMenu menu;
  window.thumbnail_window().add_menu_items(menu);
  QStringList texts;
  for (QAction* action : menu.actions()) texts << (action->isSeparator() ? "-" : action->text());
  EXPECT_EQ(texts,
            QStringList({"Rotate Left", "Rotate Right", "Flip Vertically", "Flip Horizontally", "-",
                         "Remove Image", "Move Image", "-", "Properties"}));
}

TEST_F(ThumbnailWindowTest, RotatingLeftThenRightGivesBackTheSameJpegPixels) {
  MainWindow window;
  const fs::path photo = image("photo.jpg", 240, 160);  // whole 16 x 16 blocks both ways
  ImageDocument before;
  ASSERT_TRUE(before.load(photo));
  set_list(window, {photo});
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  wait_loaded(thumbs);
  ASSERT_EQ(thumbs.view().cell(0).image.size(), QSize(120, 80));
  thumbs.view().set_selected(0);

  thumbs.turn_selected(SourceTurn::Left);
  // The file on disk is turned, and its thumbnail is decoded again.
  ImageDocument turned;
  ASSERT_TRUE(turned.load(photo));
  EXPECT_EQ(turned.width(), 160);
  EXPECT_EQ(turned.height(), 240);
  wait_loaded(thumbs);
  EXPECT_EQ(thumbs.view().cell(0).image.size(), QSize(80, 120));

  thumbs.turn_selected(SourceTurn::Right);
  ImageDocument after;
  ASSERT_TRUE(after.load(photo));
  ASSERT_EQ(after.width(), 240);
  EXPECT_TRUE(after.raster == before.raster);
  wait_loaded(thumbs);
  EXPECT_EQ(thumbs.view().cell(0).image.size(), QSize(120, 80));
  // The list's own orientation is not what changed.
  EXPECT_EQ(window.grid().list().entries[0].orientation.text(), "As Is");
  EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(ThumbnailWindowTest, FlipsMirrorTheSourceFile) {
  MainWindow window;
  const fs::path picture = image("mirror.png", 6, 4);
  set_list(window, {picture});
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  thumbs.view().set_selected(0);
  const QImage original = qimage_of(test::gradient_rgb(6, 4));
  thumbs.turn_selected(SourceTurn::Horizontal);
  ImageDocument doc;
  ASSERT_TRUE(doc.load(picture));
  EXPECT_EQ(qimage_of(doc.raster), original.mirrored(true, false));
  thumbs.turn_selected(SourceTurn::Vertical);
  ASSERT_TRUE(doc.load(picture));
  EXPECT_EQ(qimage_of(doc.raster), original.mirrored(true, true));
  wait_loaded(thumbs);
  EXPECT_EQ(thumbs.view().cell(0).image, original.mirrored(true, true));
}

TEST_F(ThumbnailWindowTest, ARefusedTurnSaysWhyAndLeavesTheFile) {
  MainWindow window;
  const fs::path photo = image("odd.jpg", 30, 20);  // no whole number of blocks
  const std::vector<uint8_t> bytes = test::read_bytes(photo);
  set_list(window, {photo});
  window.open_thumbnails();
  ThumbnailWindow& thumbs = window.thumbnail_window();
  wait_loaded(thumbs);
  thumbs.view().set_selected(0);
  thumbs.turn_selected(SourceTurn::Right);
  ASSERT_EQ(boxes.texts.size(), 1);
  EXPECT_TRUE(boxes.texts[0].contains("odd.jpg")) << boxes.texts[0].toStdString();
  EXPECT_EQ(test::read_bytes(photo), bytes);
  EXPECT_EQ(thumbs.view().cell(0).state, ThumbnailCell::State::Loaded);
  EXPECT_EQ(thumbs.view().cell(0).image.size(), QSize(30, 20));
}

TEST(ThumbnailLoaderTest, CancelledRequestsReportNothing) {
  test::TempDir dir;
  ImageDocument doc;
  doc.raster = test::gradient_rgb(16, 16);
  const fs::path path = dir / "p.png";
  ASSERT_TRUE(doc.save(path));
  ThumbnailLoader loader(8);
  QSignalSpy spy(&loader, &ThumbnailLoader::loaded);
  for (uint64_t id = 1; id <= 20; ++id) loader.request(id, path);
  loader.cancel();
  loader.request(99, path);
  // One worker, first come first served: once 99 is back the cancelled ones are done with.
  QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), kPatience);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).value<uint64_t>(), 99u);
  EXPECT_EQ(spy.at(0).at(1).value<QImage>().size(), QSize(8, 8));
}

}  // namespace
}  // namespace lumatrix::app
