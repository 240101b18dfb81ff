// The quick editing commands of the "Before" and "After" menus: on the documents alone, then
// through the window's menus as a user picks them.
#include "app/edit_commands.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <fstream>

#include "app/image_preview.h"
#include "app/main_window.h"
#include "app/properties_text.h"
#include "app/source_grid.h"
#include "box_answerer.h"
#include "test_support.h"

namespace lumatrix::app {
namespace {

namespace fs = std::filesystem;

// a b c
// d e f, every pixel its own colour.
Raster letters() {
  Raster r(3, 2, PixelFormat::Rgb24);
  for (int i = 0; i < 6; ++i) r.set_pixel(i % 3, i / 3, Rgb{uint8_t(10 * (i + 1)), 0, 0});
  return r;
}

// The pixels as letters, row by row ("abc/def"), so that a turn reads at a glance.
std::string spelled(const Raster& r) {
  std::string text;
  for (int y = 0; y < r.height(); ++y) {
    if (y > 0) text += '/';
    for (int x = 0; x < r.width(); ++x) text += char('a' + r.pixel(x, y).r / 10 - 1);
  }
  return text;
}

ImageDocument document_of(Raster raster) {
  ImageDocument doc;
  doc.raster = std::move(raster);
  return doc;
}

TEST(EditDocumentsTest, SourceCommandsStartFromTheUnchangedSourceResultCommandsAddUp) {
  EditDocuments docs;
  docs.set_source(document_of(letters()));
  docs.turn(EditPane::Source, Turn::RotateLeft);
  docs.turn(EditPane::Source, Turn::RotateLeft);
  EXPECT_EQ(spelled(docs.afterpreview.raster), "cf/be/ad");  // one quarter turn left
  EXPECT_EQ(spelled(docs.Image.raster), "abc/def");
  EXPECT_TRUE(docs.processimage.empty());

  docs.turn(EditPane::Result, Turn::RotateLeft);
  EXPECT_EQ(spelled(docs.afterpreview.raster), "fed/cba");  // now half a turn
  docs.turn(EditPane::Result, Turn::RotateRight);
  EXPECT_EQ(spelled(docs.afterpreview.raster), "cf/be/ad");
  EXPECT_EQ(spelled(docs.Image.raster), "abc/def");

  docs.turn(EditPane::Source, Turn::RotateRight);
  EXPECT_EQ(spelled(docs.afterpreview.raster), "da/eb/fc");
  docs.turn(EditPane::Source, Turn::FlipVertical);
  EXPECT_EQ(spelled(docs.afterpreview.raster), "def/abc");
  docs.turn(EditPane::Source, Turn::FlipHorizontal);
  EXPECT_EQ(spelled(docs.afterpreview.raster), "cba/fed");
  docs.turn(EditPane::Result, Turn::FlipVertical);
  EXPECT_EQ(spelled(docs.afterpreview.raster), "fed/cba");
  EXPECT_EQ(spelled(docs.Image.raster), "abc/def");
}

TEST(EditDocumentsTest, CropTakesTheSelectionAndWithoutOneKeepsThePicture) {
  EditDocuments docs;
  docs.set_source(document_of(letters()));
  docs.crop(EditPane::Source, Rect{1, 0, 2, 1});
  EXPECT_EQ(spelled(docs.afterpreview.raster), "bc/ef");
  EXPECT_EQ(spelled(docs.Image.raster), "abc/def");
  EXPECT_TRUE(docs.processimage.empty());
  // The result's crop works on what the result shows: its second column.
  docs.crop(EditPane::Result, Rect{1, 0, 1, 1});
  EXPECT_EQ(spelled(docs.afterpreview.raster), "bc/ef");  // one column is no rectangle
  docs.crop(EditPane::Result, Rect{1, 0, 2, 1});
  EXPECT_EQ(spelled(docs.afterpreview.raster), "c/f");

  // As the document's own crop of an empty selection: the picture stays.
  ImageDocument reference = document_of(letters());
  reference.crop_sel();
  docs.crop(EditPane::Source, std::nullopt);
  EXPECT_EQ(spelled(docs.afterpreview.raster), spelled(reference.raster));
}

TEST(EditDocumentsTest, UndoTakesBackThePanesOwnLastChange) {
  EditDocuments docs;
  docs.set_source(document_of(letters()));
  EXPECT_FALSE(docs.undo(EditPane::Result));
  docs.turn(EditPane::Source, Turn::RotateLeft);
  docs.turn(EditPane::Result, Turn::RotateLeft);
  ASSERT_TRUE(docs.undo(EditPane::Result));
  EXPECT_EQ(spelled(docs.afterpreview.raster), "cf/be/ad");
  // One step is kept.
  EXPECT_FALSE(docs.undo(EditPane::Result));

  // A flip is a change of its own: undo takes back the flip, not the turn before it.
  docs.turn(EditPane::Result, Turn::RotateLeft);
  docs.turn(EditPane::Result, Turn::FlipHorizontal);
  ASSERT_TRUE(docs.undo(EditPane::Result));
  EXPECT_EQ(spelled(docs.afterpreview.raster), "fed/cba");

  // A source command replaces the result; undo there brings back what it showed.
  docs.turn(EditPane::Source, Turn::FlipVertical);
  EXPECT_EQ(spelled(docs.afterpreview.raster), "def/abc");
  ASSERT_TRUE(docs.undo(EditPane::Result));
  EXPECT_EQ(spelled(docs.afterpreview.raster), "fed/cba");

  // The source's crop works on the source itself and puts it back; its undo step holds the
  // picture from before the crop, so undoing leaves the source as it is.
  docs.crop(EditPane::Source, Rect{0, 0, 1, 1});
  ASSERT_TRUE(docs.undo(EditPane::Source));
  EXPECT_EQ(spelled(docs.Image.raster), "abc/def");
  EXPECT_EQ(spelled(docs.afterpreview.raster), "ab/de");

  // A new source comes without the old one's step.
  docs.crop(EditPane::Source, Rect{0, 0, 1, 1});
  docs.set_source(document_of(letters()));
  EXPECT_FALSE(docs.undo(EditPane::Source));
}

TEST(EditDocumentsTest, ARotationKeepsTheFileParametersOfTheSource) {
  EditDocuments docs;
  ImageDocument source = document_of(letters());
  source.params.dpi_x = 300;
  source.params.jpeg_quality = 55;
  docs.set_source(source);
  docs.turn(EditPane::Source, Turn::RotateLeft);
  EXPECT_EQ(docs.afterpreview.params.dpi_x, 300);
  EXPECT_EQ(docs.afterpreview.params.jpeg_quality, 55);
}

TEST(EditFilterTest, TheSaveAsChoicesKeepTheirDescriptionsAndPatterns) {
  EXPECT_EQ(qt_file_filter(kImageSaveAsFilter),
            "All (*.JPG,*.JPEG,*.TIF,*.TIFF,*.BMP,*.PCX,*.PNG,*.GIF) "
            "(*.JPG *.JPEG *.TIF *.TIFF *.BMP *.PCX *.PNG *.GIF);;"
            "JPEG (*.JPG,*.JPEG) (*.JPG *.JPEG);;TIFF (*.TIF,*.TIFF) (*.TIF *.TIFF);;"
            "BMP  (*.BMP) (*.BMP);;PCX  (*.PCX) (*.PCX);;PNG  (*.PNG) (*.PNG);;"
            "GIF  (*.GIF) (*.GIF)");
  EXPECT_EQ(qt_file_filter("Text|*.txt"), "Text (*.txt)");
  EXPECT_EQ(qt_file_filter(""), "");
}

TEST(PropertiesTextTest, FiveLinesWithTheSizeInWholeKilobytes) {
  test::TempDir dir;
  const fs::path file = dir / "p.bin";
  test::write_bytes(file, std::vector<uint8_t>(2500, 7));
  ImageDocument doc = document_of(letters());
  doc.raster.set_pixel(2, 1, Rgb{10, 0, 0});  // the same colour as the first pixel
  doc.params.dpi_x = 300;
  doc.params.dpi_y = 72;
  EXPECT_EQ(properties_text(file, doc), "Image File Name : " + file.string() +
                                            "\r\n"
                                            "Image Dimension : 3 x 2\r\n"
                                            "Image File Size : 2 kb\r\n"
                                            "No of Colors    : 5\r\n"
                                            "DPI             : 300 dots per inch");
  // Grey and paletted pictures count the colours they show.
  ImageDocument grey = document_of(test::grey_ramp(4, 1));
  EXPECT_NE(properties_text(file, grey).find("No of Colors    : 4\r\n"), std::string::npos);
  test::write_bytes(file, std::vector<uint8_t>(1023, 7));
  EXPECT_NE(properties_text(file, grey).find("Image File Size : 0 kb"), std::string::npos);
  EXPECT_THROW(properties_text(dir / "gone.png", grey), fs::filesystem_error);
}

// The window's menus, as a user picks their entries.
class EditMenuTest : public ::testing::Test {
 protected:
  EditMenuTest() : home(dir / "home"), pics(dir / "pics") { fs::create_directories(pics); }

  fs::path save(const std::string& name, const Raster& raster) {
    const fs::path path = pics / name;
    EXPECT_TRUE(document_of(raster).save(path));
    return path;
  }
  // Loads `path` into the list and selects it as a click on its row does.
  void select(const fs::path& path) {
    window.load_files({QString::fromStdString(path.string())});
    window.grid().setCurrentCell(0, 0);
    window.show_source(0);
  }
  QStringList entries(EditPane pane) {
    QStringList texts;
    const auto menu = window.make_pane_menu(pane);
    for (QAction* action : menu->actions()) texts << (action->isSeparator() ? "—" : action->text());
    return texts;
  }
  bool enabled(EditPane pane, const QString& text) {
    const auto menu = window.make_pane_menu(pane);
    for (QAction* action : menu->actions())
      if (action->text() == text) return action->isEnabled();
    ADD_FAILURE() << "no entry " << text.toStdString();
    return false;
  }
  // Picks the entry and waits for the command to end.
  void pick(EditPane pane, const QString& text) {
    const auto menu = window.make_pane_menu(pane);
    for (QAction* action : menu->actions()) {
      if (action->text() != text) continue;
      ASSERT_TRUE(action->isEnabled()) << text.toStdString();
      ASSERT_TRUE(test::run_and_wait(window, [action] { action->trigger(); }));
      return;
    }
    FAIL() << "no entry " << text.toStdString();
  }

  test::TempDir dir;
  test::ScopedUserFolder home;
  const fs::path pics;  // the pictures alone
  test::BoxAnswerer boxes;
  MainWindow window;
};

TEST_F(EditMenuTest, BothMenusListTheirEntriesInOrder) {
  const QStringList edits = {"Rotate &Left", "Rotate &Right", "Flip &Vertically",
                             "Flip &Horizontally", "&Crop"};
  const QStringList rest = {"—",     "Color &Adjustment", "&Effects",      "—",
                            "&Undo", "&Save Changes",     "Save &As ....", "&Properties"};
  const QStringList marks = {"&Mark Crop Dimension", "Set &Text Caption  1 Position",
                             "Set &Watermark 1 Position", "Set T&ext Caption 2 Position",
                             "Set W&atermark 2 Position"};
  EXPECT_EQ(entries(EditPane::Source), edits + marks + rest);
  EXPECT_EQ(entries(EditPane::Result), edits + rest);
}

TEST_F(EditMenuTest, WithoutASelectedEntryTheCommandsThatNeedAFileAreDisabled) {
  for (EditPane pane : {EditPane::Source, EditPane::Result}) {
    for (const char* text :
         {"Rotate &Left", "&Crop", "&Undo", "&Save Changes", "Save &As ....", "&Properties"})
      EXPECT_FALSE(enabled(pane, text)) << text;
  }
  select(save("a.png", letters()));
  EXPECT_TRUE(enabled(EditPane::Source, "Rotate &Left"));
  EXPECT_TRUE(enabled(EditPane::Source, "&Properties"));
  EXPECT_FALSE(enabled(EditPane::Source, "&Save Changes"));  // nothing in "After" yet
  pick(EditPane::Source, "Rotate &Left");
  EXPECT_TRUE(enabled(EditPane::Source, "&Save Changes"));
  EXPECT_TRUE(enabled(EditPane::Result, "Save &As ...."));
  // Another row selected whose picture is not the one shown: no save may reach its file.
  window.load_files({QString::fromStdString(save("b.png", letters()).string())});
  window.grid().setCurrentCell(1, 0);
  EXPECT_FALSE(enabled(EditPane::Result, "&Save Changes"));
  EXPECT_FALSE(enabled(EditPane::Source, "&Properties"));
  window.clear_list();
  EXPECT_FALSE(enabled(EditPane::Source, "Rotate &Left"));
  EXPECT_FALSE(enabled(EditPane::Result, "Rotate &Left"));
}

TEST_F(EditMenuTest, MenuCommandsChangeThePanesPictures) {
  select(save("a.png", letters()));
  pick(EditPane::Source, "Rotate &Left");
  pick(EditPane::Source, "Rotate &Left");
  EXPECT_EQ(spelled(window.documents().afterpreview.raster), "cf/be/ad");
  EXPECT_EQ(spelled(window.documents().Image.raster), "abc/def");
  EXPECT_EQ(window.after().image().size(), QSize(2, 3));
  EXPECT_EQ(window.before().image().size(), QSize(3, 2));
  pick(EditPane::Result, "Rotate &Left");
  EXPECT_EQ(spelled(window.documents().afterpreview.raster), "fed/cba");
  pick(EditPane::Result, "&Undo");
  EXPECT_EQ(spelled(window.documents().afterpreview.raster), "cf/be/ad");

  // The pane's selection, in image pixels, is what the crop keeps.
  window.before().set_selection(QRect(1, 0, 2, 2));
  pick(EditPane::Source, "&Crop");
  EXPECT_EQ(spelled(window.documents().afterpreview.raster), "bc/ef");
  pick(EditPane::Source, "&Undo");
  EXPECT_EQ(spelled(window.documents().Image.raster), "abc/def");
  pick(EditPane::Source, "Rotate &Left");
  window.after().set_selection(QRect(0, 1, 2, 2));
  pick(EditPane::Result, "&Crop");
  EXPECT_EQ(spelled(window.documents().afterpreview.raster), "be/ad");
  pick(EditPane::Result, "&Crop");  // no selection left
  EXPECT_EQ(spelled(window.documents().afterpreview.raster), "be/ad");
  EXPECT_EQ(window.after().image().size(), QSize(2, 2));
  EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(EditMenuTest, SaveChangesReplacesTheSourceFileWhole) {
  const fs::path file = save("a.png", letters());
  select(file);
  pick(EditPane::Source, "Rotate &Left");
  pick(EditPane::Result, "&Save Changes");
  EXPECT_EQ(boxes.texts, QStringList{"Changes Saved to File"});
  ImageDocument written;
  ASSERT_TRUE(written.load(file));
  EXPECT_EQ(spelled(written.raster), "cf/be/ad");
  // Whole or nothing: no temporary is left beside it.
  EXPECT_EQ(test::names_in(pics), std::vector<std::string>{"a.png"});
}

TEST_F(EditMenuTest, SaveAsWritesTheChosenNameAndACancelWritesNothing) {
  const fs::path file = save("a.png", letters());
  const std::vector<uint8_t> original = test::read_bytes(file);
  select(file);
  pick(EditPane::Source, "Flip &Vertically");
  QStringList asked;
  QString answer;
  window.choose_save_file = [&](const QString& title, const QString& proposed) {
    asked << title << proposed;
    return answer;
  };
  const auto menu = window.make_pane_menu(EditPane::Source);
  for (QAction* action : menu->actions())
    if (action->text() == "Save &As ....") action->trigger();
  EXPECT_EQ(asked, (QStringList{"Image Save As .....", QString::fromStdString(file.string())}));
  EXPECT_TRUE(boxes.texts.isEmpty());
  EXPECT_EQ(test::names_in(pics), std::vector<std::string>{"a.png"});
  EXPECT_EQ(test::read_bytes(file), original);

  answer = QString::fromStdString((pics / "copy.png").string());
  pick(EditPane::Result, "Save &As ....");
  EXPECT_EQ(boxes.texts, QStringList{"Changes Saved to File"});
  const std::vector<uint8_t> png = test::read_bytes(pics / "copy.png");
  ASSERT_GE(png.size(), 8u);
  EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  ImageDocument written;
  ASSERT_TRUE(written.load(pics / "copy.png"));
  EXPECT_EQ(spelled(written.raster), "def/abc");
  EXPECT_EQ(test::read_bytes(file), original);

  // A name no format writes is an error, not a success.
  boxes.texts.clear();
  answer = QString::fromStdString((pics / "copy.xyz").string());
  pick(EditPane::Result, "Save &As ....");
  ASSERT_EQ(boxes.texts.size(), 1);
  EXPECT_TRUE(boxes.texts.front().contains("copy.xyz")) << boxes.texts.front().toStdString();
  EXPECT_FALSE(fs::exists(pics / "copy.xyz"));
}

TEST_F(EditMenuTest, PropertiesOfA2500ByteFile) {
  // A PPM whose comment pads it to exactly 2500 bytes: 20 x 40 pixels are 2400 bytes.
  const std::string head = "P6\n20 40\n255\n";
  const std::string comment = "# " + std::string(100 - head.size() - 3, 'x') + "\n";
  std::string bytes = "P6\n" + comment + "20 40\n255\n";
  ASSERT_EQ(bytes.size(), 100u);
  for (int i = 0; i < 800; ++i) bytes += std::string{char(i % 2 ? 200 : 0), char(i % 3), 0};
  const fs::path file = pics / "padded.ppm";
  std::ofstream(file, std::ios::binary) << bytes;
  ASSERT_EQ(fs::file_size(file), 2500u);
  select(file);
  pick(EditPane::Result, "&Properties");
  const QString expected = QString::fromStdString(
      "Image File Name : " + file.string() +
      "\r\nImage Dimension : 20 x 40\r\nImage File Size : 2 kb\r\nNo of Colors    : 6\r\n"
      "DPI             : " +
      std::to_string(window.documents().Image.params.dpi_x) + " dots per inch");
  EXPECT_EQ(boxes.texts, QStringList{expected});
}

}  // namespace
}  // namespace lumatrix::app
