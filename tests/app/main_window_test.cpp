#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <fstream>

#include "app/gallery_window.h"
#include "app/image_preview.h"
#include "app/settings_pages.h"
#include "app/source_grid.h"
#include "box_answerer.h"
#include "settings/profile_file.h"
#include "settings/settings_rules.h"
#include "settings/user_paths.h"
#include "test_support.h"

namespace lumatrix::app {
namespace {

namespace fs = std::filesystem;

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : home(dir / "home") { fs::create_directories(dir / "src"); }

  fs::path image(const std::string& name, int width = 24, int height = 16) {
    ImageDocument doc;
    doc.raster = test::gradient_rgb(width, height);
    const fs::path path = dir / "src" / name;
    EXPECT_TRUE(doc.save(path));
    return path;
  }
  void use_settings(MainWindow& window, const std::function<void(Settings&)>& change) {
    Settings s = window.pages().settings();
    change(s);
    window.pages().show_settings(s);
  }
  QStringList log_lines(MainWindow& window) {
    return window.log().toPlainText().split('\n', Qt::SkipEmptyParts);
  }

  test::TempDir dir;
  test::ScopedUserFolder home;
  test::BoxAnswerer boxes;
};

TEST_F(MainWindowTest, StartsOnTheControlCenterWithTheSevenPagesAndTheAutomaticProfile) {
  Settings stored = startup_settings();
  stored.JPEG_Quality = 33;
  save_default_profile(stored);
  MainWindow window(std::nullopt, {QString::fromStdString(image("a.png").string())});
  EXPECT_EQ(window.windowTitle(), "Lumatrix v 3.61");
  const QStringList expected = {"Control Center",      "Settings",         "Settings (Con't)",
                                "Thumbnails Settings", "Filename Changer", "HTML Wizard",
                                "HTML Wizard (Con't)"};
  QStringList tabs;
  for (int i = 0; i < window.tabs().count(); ++i) tabs << window.tabs().tabText(i);
  EXPECT_EQ(tabs, expected);
  EXPECT_EQ(window.tabs().currentIndex(), 0);
  EXPECT_EQ(window.pages().settings().JPEG_Quality, 33);
  EXPECT_EQ(window.grid().rowCount(), 1);
  EXPECT_EQ(window.findChild<QLabel*>("count_label")->text(), "Total Loaded Files : 1");
  EXPECT_FALSE(window.gallery_window().isVisible());
}

TEST_F(MainWindowTest, ButtonsNeedARowAndTheCountFollowsTheList) {
  MainWindow window;
  const auto enabled = [&](const char* name) {
    return window.findChild<QWidget*>(name)->isEnabled();
  };
  for (const char* name : {"BitBtn3", "BitBtn4", "BitBtn5", "BitBtn22"})
    EXPECT_FALSE(enabled(name));
  window.load_files({QString::fromStdString(image("b.png").string()),
                     QString::fromStdString(image("a.png").string())});
  for (const char* name : {"BitBtn3", "BitBtn4", "BitBtn5", "BitBtn22"}) EXPECT_TRUE(enabled(name));
  // Sorted by path when added.
  EXPECT_EQ(window.grid().list().entries.front().file_name, "a.png");
  window.clear_list();
  EXPECT_EQ(window.findChild<QLabel*>("count_label")->text(), "Total Loaded Files : 0");
  EXPECT_FALSE(enabled("BitBtn5"));
}

TEST_F(MainWindowTest, DroppingAFolderAddsItsImages) {
  image("one.png");
  image("two.png");
  fs::create_directories(dir / "src" / "deeper");
  ImageDocument doc;
  doc.raster = test::gradient_rgb(8, 8);
  ASSERT_TRUE(doc.save(dir / "src" / "deeper" / "three.png"));
  std::ofstream(dir / "src" / "notes.txt") << "not an image";
  MainWindow window;
  window.show();

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "src").string()))});
  // As a file manager's drag arrives: entering, moving over the list, dropping.
  QWidget* target = window.grid().viewport();
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDragMoveEvent move(QPoint(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &move);
  QDropEvent drop(QPointF(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  boxes.answers = {QMessageBox::No};
  QApplication::sendEvent(target, &drop);

  EXPECT_EQ(boxes.questions, QStringList{"Do You want to include ALL subdirectories too ?"});
  const SourceList list = window.grid().list();
  std::vector<std::string> names;
  for (const ListEntry& e : list.entries) names.push_back(e.file_name);
  ASSERT_EQ(names, (std::vector<std::string>{"one.png", "two.png"}));
  EXPECT_EQ(list.entries.front().file_path, (dir / "src").string() + "/");
  EXPECT_EQ(window.findChild<QLabel*>("count_label")->text(), "Total Loaded Files : 2");

  // Regression: a drag offering only a move was accepted, and the file manager would then
  // have deleted the files it dragged onto the list.
  QMimeData moved;
  moved.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "src" / "one.png").string()))});
  QDragEnterEvent enter_move(QPoint(10, 10), Qt::MoveAction, &moved, Qt::LeftButton,
                             Qt::NoModifier);
  QApplication::sendEvent(target, &enter_move);
  EXPECT_FALSE(enter_move.isAccepted());
  QDropEvent drop_move(QPointF(12, 12), Qt::MoveAction, &moved, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop_move);
  EXPECT_FALSE(drop_move.isAccepted());
  EXPECT_EQ(window.grid().list().size(), 2u);
}

TEST_F(MainWindowTest, MarkingWritesTheSelectionInImagePixels) {
  MainWindow window;
  window.resize(900, 700);
  window.show();
  ImagePreview& before = window.before();
  before.set_image(QImage(2000, 1000, QImage::Format_RGB888));
  const QRectF area = before.image_area();
  const double scale = area.width() / 2000.0;
  ASSERT_LT(scale, 0.5);  // the picture is fitted: screen and image pixels differ
  const auto at = [&](int x, int y) {
    return QPointF(area.left() + x * scale + 0.25, area.top() + y * scale + 0.25);
  };
  const auto send = [&](QEvent::Type type, QPointF point) {
    QMouseEvent event(type, point, before.mapToGlobal(point), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&before, &event);
  };
  send(QEvent::MouseButtonPress, at(400, 200));
  send(QEvent::MouseMove, at(900, 500));
  send(QEvent::MouseButtonRelease, at(1200, 700));
  const QRect selection = before.selection();
  // Within the image pixels one screen pixel covers.
  const double screen_pixel = 1 / scale + 1;
  EXPECT_NEAR(selection.left(), 400, screen_pixel);
  EXPECT_NEAR(selection.top(), 200, screen_pixel);
  EXPECT_NEAR(selection.left() + selection.width(), 1200, screen_pixel);
  EXPECT_NEAR(selection.top() + selection.height(), 700, screen_pixel);

  window.mark(MainWindow::Mark::Crop);
  window.mark(MainWindow::Mark::Caption2);
  window.mark(MainWindow::Mark::Watermark1);
  EXPECT_EQ(boxes.texts, (QStringList{"Crop Dimension Marked", "Text 2 Alignment Position Marked",
                                      "Watermark 1 Alignment Position Marked"}));
  const Settings s = window.pages().settings();
  EXPECT_EQ(s.cropby.text(), "Dimension");
  EXPECT_EQ(s.cropx1, selection.left());
  EXPECT_EQ(s.cropy1, selection.top());
  EXPECT_EQ(s.cropx2, selection.left() + selection.width());
  EXPECT_EQ(s.cropy2, selection.top() + selection.height());
  EXPECT_EQ(s.textaxisx2, selection.left());
  EXPECT_EQ(s.textaxisy2, selection.top());
  EXPECT_EQ(s.text_alignment2.text(), "By Axis");
  EXPECT_EQ(s.watermarkaxisx, selection.left());
  EXPECT_EQ(s.watermark_alignment.text(), "By Axis");
  EXPECT_EQ(s.Text_Alignment.text(), "None");  // caption 1 was not marked
}

TEST_F(MainWindowTest, ExitAsksAndOnlyOkWritesTheAutomaticProfile) {
  Settings before = startup_settings();
  before.htmltitle = "kept";
  save_default_profile(before);
  const std::vector<uint8_t> original = test::read_bytes(default_profile_path());
  {
    MainWindow window;
    window.show();
    use_settings(window, [](Settings& s) { s.htmltitle = "changed"; });
    boxes.answers = {QMessageBox::Cancel};
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(test::read_bytes(default_profile_path()), original);
    boxes.answers = {QMessageBox::Ok};
    EXPECT_TRUE(window.close());
  }
  EXPECT_EQ(boxes.questions, (QStringList{"Do You Want to Exit?", "Do You Want to Exit?"}));
  Settings stored = startup_settings();
  ASSERT_FALSE(load_profile(default_profile_path(), stored).missing);
  EXPECT_EQ(stored.htmltitle, "changed");
}

TEST_F(MainWindowTest, ProcessAllGivesTheFilesAndLogOfTheCommandLine) {
  for (const char* name : {"c.png", "a.png", "b.png"}) image(name, 40, 30);
  image("tiny.png", 4, 4);
  MainWindow window;
  window.show();
  boxes.answers = {QMessageBox::No};
  window.load_folder(QString::fromStdString((dir / "src").string()));
  ASSERT_EQ(window.grid().rowCount(), 4);
  use_settings(window, [&](Settings& s) {
    s.resizing_method = "1/2x";
    s.dot1 = true;
    s.resizing_method_t1 = "1/4x";
    s.file_prefix_t1 = "t_";
    s.save_in_directory = (dir / "gui").string() + "/";
    s.save_in_directory_t1 = (dir / "gui").string() + "/";
    s.resetstartnumber = false;
  });
  window.save_list(QString::fromStdString((dir / "list.tsv").string()));
  Settings for_cli = window.pages().settings();
  for_cli.save_in_directory = (dir / "cli").string() + "/";
  for_cli.save_in_directory_t1 = (dir / "cli").string() + "/";
  save_profile(dir / "job.ini", for_cli);

  boxes.questions.clear();
  boxes.answers = {QMessageBox::Yes};
  ASSERT_TRUE(test::run_and_wait(window, [&] { window.process_all(); }));
  ASSERT_EQ(boxes.questions.size(), 1);
  EXPECT_TRUE(boxes.questions.front().startsWith("You have Opted under Save In Directory"));
  EXPECT_TRUE(boxes.texts.contains("All Batch Image Processing Completed"));
  // The numbering moved on by the entries whose turn came.
  EXPECT_EQ(window.pages().settings().start_number, 5);
  EXPECT_EQ(window.progress().value(), window.progress().maximum());
  // The summary names the skipped entry and selects its row.
  ASSERT_EQ(window.summary().count(), 1);
  EXPECT_TRUE(window.summary().item(0)->text().contains("tiny.png"));
  window.grid().clearSelection();
  emit window.summary().itemClicked(window.summary().item(0));
  const auto selected = window.grid().selected_rows();
  ASSERT_EQ(selected.size(), 1u);
  EXPECT_EQ(window.grid().list().entries[*selected.begin()].file_name, "tiny.png");

  const test::CliResult cli =
      test::run_lumatrix(dir, {"process", "--yes", "--profile", (dir / "job.ini").string(),
                               "--list", (dir / "list.tsv").string()});
  ASSERT_EQ(cli.status, 0) << cli.err;
  const auto files_of = [](const fs::path& folder) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const auto& entry : fs::directory_iterator(folder))
      files.emplace_back(entry.path().filename().string(), test::read_bytes(entry.path()));
    std::sort(files.begin(), files.end());
    return files;
  };
  const auto gui_files = files_of(dir / "gui");
  // Three images and four thumbnails: the source too small to be processed still gets its own.
  EXPECT_EQ(gui_files.size(), 7u);
  EXPECT_EQ(gui_files, files_of(dir / "cli"));
  // Every line of the window's log, with the folder named as the command line's, is in its
  // output in the same order.
  const QString gui_folder = QString::fromStdString((dir / "gui").string());
  const QString cli_folder = QString::fromStdString((dir / "cli").string());
  QStringList cli_lines = QString::fromStdString(cli.out).split('\n', Qt::SkipEmptyParts);
  QStringList window_lines = log_lines(window);
  for (QString& line : window_lines) line.replace(gui_folder, cli_folder);
  QStringList common;
  for (const QString& line : cli_lines)
    if (window_lines.contains(line)) common << line;
  EXPECT_EQ(common, window_lines);
  EXPECT_EQ(window_lines.count("Skipping Invalid Image : tiny.png"), 1);
  EXPECT_EQ(window_lines.back(), "Batch Image Processing Completed");
}

TEST_F(MainWindowTest, EscapeDuringEntryThreeOfTenThenOkStops) {
  QStringList files;
  for (int i = 0; i < 10; ++i)
    files << QString::fromStdString(image("img" + std::to_string(i) + ".png").string());
  MainWindow window;
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.load_files(files);
  use_settings(window, [&](Settings& s) {
    s.save_in_directory = (dir / "out").string() + "/";
    s.workers = 1;
  });
  bool pressed = false;
  QObject::connect(&window.log(), &QPlainTextEdit::textChanged, &window, [&] {
    if (pressed || !window.log().toPlainText().contains("img2.png ....")) return;
    pressed = true;
    // While the run works, the pages take no edits.
    EXPECT_FALSE(window.pages().pages().front()->isEnabled());
    for (const char* name : {"BitBtn3", "BitBtn4", "BitBtn5", "BitBtn22"})
      EXPECT_FALSE(window.findChild<QWidget*>(name)->isEnabled()) << name;
    EXPECT_TRUE(window.findChild<QWidget*>("stop")->isEnabled());
    // The confirmation box has closed and the window asked for the keyboard back; the off-screen
    // platform has no window manager to grant it, so the test does.
    QApplication::setActiveWindow(&window);
    EXPECT_EQ(QApplication::activeWindow(), &window);
    QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
  });
  boxes.answers = {QMessageBox::Yes, QMessageBox::Ok};
  ASSERT_TRUE(test::run_and_wait(window, [&] { window.process_all(); }));

  ASSERT_TRUE(pressed);
  EXPECT_EQ(boxes.questions.size(), 2);
  EXPECT_EQ(boxes.questions.value(1), "Do You Want to Terminate the Current Process ?");
  EXPECT_TRUE(boxes.texts.contains("Process Stopped by User"));
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(fs::exists(dir / "out" / ("img" + std::to_string(i) + ".png"))) << i;
  for (int i = 3; i < 10; ++i)
    EXPECT_FALSE(fs::exists(dir / "out" / ("img" + std::to_string(i) + ".png"))) << i;
  EXPECT_TRUE(window.pages().pages().front()->isEnabled());
  EXPECT_TRUE(window.findChild<QWidget*>("BitBtn5")->isEnabled());
}

TEST_F(MainWindowTest, PreviewOneFillsBothViewsAndWritesNothing) {
  MainWindow window;
  window.load_files({QString::fromStdString(image("p.png", 60, 40).string())});
  use_settings(window, [&](Settings& s) {
    s.save_in_directory = (dir / "never").string() + "/";
    s.negative = true;
  });
  window.grid().select_row(0);
  ASSERT_TRUE(test::run_and_wait(window, [&] { window.preview_one(); }));
  EXPECT_EQ(log_lines(window).back(), "Image Processed");
  ASSERT_FALSE(window.after().image().isNull());
  EXPECT_EQ(window.after().image().size(), QSize(60, 40));
  // The negative: every channel turned over.
  const QRgb source = window.before().image().pixel(5, 7);
  const QRgb result = window.after().image().pixel(5, 7);
  EXPECT_EQ(qRed(result), 255 - qRed(source));
  EXPECT_EQ(qBlue(result), 255 - qBlue(source));
  EXPECT_FALSE(fs::exists(dir / "never"));
  EXPECT_FALSE(fs::exists(default_profile_path()));
  // What the pane draws: the picture, fitted, on black.
  const QImage drawn = window.after().grab().toImage();
  EXPECT_EQ(drawn.pixelColor(0, 0), QColor(Qt::black));
}

TEST_F(MainWindowTest, ClickingARowShowsItsSizeAndTheBeforeImage) {
  MainWindow window;
  window.load_files({QString::fromStdString(image("q.png", 30, 20).string())});
  window.show_source(0);
  EXPECT_EQ(log_lines(window), QStringList{"Image Dimension : 30 x 20"});
  EXPECT_EQ(window.before().image().size(), QSize(30, 20));
}

}  // namespace
}  // namespace lumatrix::app

namespace lumatrix::app {
namespace {

TEST_F(MainWindowTest, HelpShowsTheManual) {
  MainWindow window;
  window.show_help();
  ASSERT_NE(window.help_window(), nullptr);
  EXPECT_TRUE(window.help_window()->isVisible());
  EXPECT_TRUE(window.help_window()->toPlainText().contains("lumatrix-gui"));
}

}  // namespace
}  // namespace lumatrix::app

namespace lumatrix::app {
namespace {

TEST_F(MainWindowTest, ProfilesLoadAndSaveThroughTheirChoosersWithoutTouchingTheAutomaticOne) {
  MainWindow window;
  QStringList titles;
  window.choose_save_file = [&](const QString& title, const QString&) {
    titles << title;
    return QString::fromStdString((dir / "mine.ini").string());
  };
  window.choose_open_file = [&](const QString& title, const QString&) {
    titles << title;
    return QString::fromStdString((dir / "mine.ini").string());
  };
  use_settings(window, [](Settings& s) { s.JPEG_Quality = 12; });
  QAction* save = nullptr;
  QAction* load = nullptr;
  for (QAction* action : window.findChildren<QAction*>()) {
    if (action->text() == "&Save Profile") save = action;
    if (action->text() == "&Load Profile") load = action;
  }
  ASSERT_TRUE(save && load);
  save->trigger();
  EXPECT_TRUE(fs::exists(dir / "mine.ini"));
  EXPECT_FALSE(fs::exists(default_profile_path()));
  use_settings(window, [](Settings& s) { s.JPEG_Quality = 90; });
  load->trigger();
  EXPECT_EQ(window.pages().settings().JPEG_Quality, 12);
  EXPECT_EQ(titles, (QStringList{"Save Profile File", "Load Profile File"}));
  EXPECT_FALSE(fs::exists(default_profile_path()));
}

TEST_F(MainWindowTest, ListsSavedFromTheGridComeBackWithTheirEdits) {
  MainWindow window;
  window.load_files({QString::fromStdString(image("x.png").string()),
                     QString::fromStdString(image("y.png").string())});
  window.grid().item(1, 1)->setText("Rotate 180°");
  window.grid().item(1, 3)->setText("a caption\twith a tab");
  const SourceList edited = window.grid().list();
  window.save_list(QString::fromStdString((dir / "rows.tsv").string()));
  window.clear_list();
  window.load_list(QString::fromStdString((dir / "rows.tsv").string()));
  EXPECT_EQ(window.grid().list().entries, edited.entries);
  EXPECT_EQ(window.grid().list().entries[1].orientation.text(), "Rotate 180°");
}

TEST_F(MainWindowTest, BackupAllWritesTheArchiveAndSaysWhere) {
  MainWindow window;
  window.load_files({QString::fromStdString(image("k.png").string())});
  const fs::path archive = dir / "backup.zip";
  ASSERT_TRUE(test::run_and_wait(
      window, [&] { window.backup_all(QString::fromStdString(archive.string())); }));
  EXPECT_TRUE(fs::exists(archive));
  EXPECT_TRUE(log_lines(window).contains("Adding k.png"));
  EXPECT_TRUE(
      boxes.texts.contains(QString::fromStdString("Backup Completed : " + archive.string())));
}

TEST_F(MainWindowTest, AGalleryWithPreviewAfterOpensThePreviewWindowCaptionedWithItsTitle) {
  MainWindow window;
  window.load_files({QString::fromStdString(image("g1.png", 50, 40).string()),
                     QString::fromStdString(image("g2.png", 50, 40).string())});
  use_settings(window, [&](Settings& s) {
    s.save_in_directory = (dir / "web").string() + "/";
    s.usethumbnailgallery = true;
    s.thumbnailgallery = true;
    s.Previewafter = true;
    s.hyperlinkto = "Image";
    s.cdstart = "First Index";
    s.htmltitle = "Holiday";
  });
  boxes.answers = {QMessageBox::Yes};
  ASSERT_TRUE(test::run_and_wait(window, [&] { window.process_all(); }));
  QCoreApplication::processEvents();
  GalleryWindow& gallery = window.gallery_window();
  EXPECT_TRUE(gallery.isVisible());
  EXPECT_TRUE(gallery.windowTitle().contains("Holiday")) << gallery.windowTitle().toStdString();
  EXPECT_TRUE(gallery.browser().toPlainText().contains("g1.png"));
  // Closing it only hides it; it shows again for the next gallery.
  gallery.close();
  EXPECT_FALSE(gallery.isVisible());
  EXPECT_TRUE(window.isEnabled());
}

}  // namespace
}  // namespace lumatrix::app

namespace lumatrix::app {
namespace {

TEST_F(MainWindowTest, ANoToTheConfirmationBringsTheSettingsPageAndWritesOnlyTheProfile) {
  MainWindow window;
  window.load_files({QString::fromStdString(image("n.png").string())});
  use_settings(window, [&](Settings& s) { s.save_in_directory = (dir / "nope").string() + "/"; });
  boxes.answers = {QMessageBox::No};
  ASSERT_TRUE(test::run_and_wait(window, [&] { window.process_all(); }));
  EXPECT_EQ(window.tabs().tabText(window.tabs().currentIndex()), "Settings");
  EXPECT_FALSE(fs::exists(dir / "nope"));
  EXPECT_TRUE(fs::exists(default_profile_path()));
  EXPECT_TRUE(window.findChild<QWidget*>("BitBtn5")->isEnabled());
  EXPECT_TRUE(window.summary().isHidden());
}

}  // namespace
}  // namespace lumatrix::app

namespace lumatrix::app {
namespace {

TEST_F(MainWindowTest, ClosingTheWindowDuringARunEndsTheRunAndStoresTheSettings) {
  QStringList files;
  for (int i = 0; i < 10; ++i)
    files << QString::fromStdString(image("c" + std::to_string(i) + ".png").string());
  auto window = std::make_unique<MainWindow>();
  window->show();
  window->load_files(files);
  use_settings(*window, [&](Settings& s) {
    s.save_in_directory = (dir / "out").string() + "/";
    s.workers = 1;
  });
  bool closed = false;
  QObject::connect(&window->log(), &QPlainTextEdit::textChanged, window.get(), [&] {
    if (closed || !window->log().toPlainText().contains("c1.png ....")) return;
    closed = true;
    // As the user would: once the line is shown, the window's close button.
    QTimer::singleShot(0, window.get(), [&] { EXPECT_TRUE(window->close()); });
  });
  boxes.answers = {QMessageBox::Yes, QMessageBox::Ok};
  ASSERT_TRUE(test::run_and_wait(*window, [&] { window->process_all(); }));
  ASSERT_TRUE(closed);
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->running());
  EXPECT_EQ(boxes.questions, (QStringList{boxes.questions.value(0), "Do You Want to Exit?"}));
  // The run stopped before its last entries; the automatic profile was written at the exit.
  EXPECT_FALSE(fs::exists(dir / "out" / "c9.png"));
  EXPECT_TRUE(fs::exists(default_profile_path()));
  window.reset();
}

}  // namespace
}  // namespace lumatrix::app
