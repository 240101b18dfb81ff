#include "app/filename_changer_page.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <fstream>

#include "app/main_window.h"
#include "app/rename_grid.h"
#include "app/settings_pages.h"
#include "box_answerer.h"
#include "settings/profile_file.h"
#include "settings/settings_rules.h"
#include "test_support.h"

namespace lumatrix::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSubfolderQuestion = "Do You want to include ALL subdirectories too ?";

QString q(const fs::path& path) {
  return QString::fromStdString(path.string());
}

class FilenameChangerPageTest : public ::testing::Test {
 protected:
  FilenameChangerPageTest() : home(dir / "home") { fs::create_directories(dir / "files"); }

  // A file under files/ holding `content` (its own name when none is given).
  fs::path file(const std::string& name, std::optional<std::string> content = std::nullopt) {
    const fs::path path = dir / "files" / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content.value_or(name);
    return path;
  }
  std::string text_of(const fs::path& path) { return test::text_of(path); }
  void use_settings(const std::function<void(Settings&)>& change) {
    Settings s = window.pages().settings();
    change(s);
    window.pages().show_settings(s);
  }
  // A column of the grid as the user reads it.
  QStringList column(int index) {
    QStringList cells;
    RenameGrid& grid = page.grid();
    for (int row = 0; row < grid.rowCount(); ++row) cells << grid.item(row, index)->text();
    return cells;
  }
  QPushButton& button(const char* name) { return *page.findChild<QPushButton*>(name); }
  QString count_text() { return page.findChild<QLabel*>("Label18")->text(); }
  QProgressBar& bar() { return *page.findChild<QProgressBar*>("filechange_progress"); }
  void menu_command(const QString& caption) {
    const auto menu = page.make_menu();
    for (QAction* action : menu->actions())
      if (action->text() == caption) return action->trigger();
    ADD_FAILURE() << "no menu entry " << caption.toStdString();
  }
  bool run_all() {
    return test::run_and_wait(page, [&] { button("BitBtn14").click(); });
  }
  // A file manager's drag of `urls` offering `actions`, entering and dropped on the grid.
  bool drop(const QList<QUrl>& urls, Qt::DropActions actions) {
    QMimeData data;
    data.setUrls(urls);
    QWidget* target = page.grid().viewport();
    QDragEnterEvent enter(QPoint(10, 10), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent dropped(QPointF(12, 12), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    EXPECT_EQ(enter.isAccepted(), dropped.isAccepted());
    if (dropped.isAccepted()) {
      EXPECT_NE(dropped.dropAction(), Qt::MoveAction);
    }
    return dropped.isAccepted();
  }
  fs::path files_dir() const { return dir / "files"; }
  std::string files_text() const { return files_dir().string() + "/"; }

  test::TempDir dir;
  test::ScopedUserFolder home;
  test::BoxAnswerer boxes;
  MainWindow window;
  FilenameChangerPage& page = window.changer();
};

TEST_F(FilenameChangerPageTest, TheTabHoldsThePatternSettingsBesideTheList) {
  EXPECT_EQ(window.tabs().tabText(window.tabs().indexOf(&page)), "Filename Changer");
  window.show();
  window.tabs().setCurrentWidget(&page);
  EXPECT_TRUE(window.pages().widget_for("file_prefix")->isVisibleTo(&page));
  const QStringList headings = {"Existing Directory Path", "Old Filename", "New Filename"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(page.grid().horizontalHeaderItem(i)->text(), headings[i]);
  EXPECT_EQ(count_text(), "Total Loaded Files : 0");
  EXPECT_FALSE(button("BitBtn12").isEnabled());
  EXPECT_FALSE(button("BitBtn14").isEnabled());
  EXPECT_TRUE(button("BitBtn13").isEnabled());

  // "Save In" puts the chosen folder, with its separator, into the field beside it.
  window.pages().choose_directory = [&](const QString&, const QString&) {
    return q(dir / "renamed");
  };
  auto* save_in = page.findChild<QPushButton*>("filename_save_in_chooser");
  ASSERT_NE(save_in, nullptr);
  save_in->click();
  EXPECT_EQ(window.pages().settings().filename_save_in, (dir / "renamed").string() + "/");
}

TEST_F(FilenameChangerPageTest, LoadFilesSortsIgnoringCaseAndNamesEachRowByThePattern) {
  use_settings([](Settings& s) { s.file_prefix = "x_"; });
  page.choose_files = [&] {
    return QStringList{q(file("b.txt")), q(file("A.TXT")), q(file("c.dat"))};
  };
  button("BitBtn10").click();
  EXPECT_EQ(column(0), QStringList(3, QString::fromStdString(files_text())));
  EXPECT_EQ(column(1), (QStringList{"A.TXT", "b.txt", "c.dat"}));
  EXPECT_EQ(column(2), (QStringList{"x_0001.TXT", "x_0002.txt", "x_0003.dat"}));
  EXPECT_EQ(page.grid().model()->headerData(0, Qt::Vertical).toString(), "1");
  EXPECT_EQ(count_text(), "Total Loaded Files : 3");
  EXPECT_TRUE(button("BitBtn12").isEnabled());
  EXPECT_TRUE(button("BitBtn14").isEnabled());

  // A second load appends, numbering on from the rows there; a cancelled one adds nothing.
  page.choose_files = [&] { return QStringList{q(file("d.txt"))}; };
  button("BitBtn10").click();
  page.choose_files = [] { return QStringList{}; };
  button("BitBtn10").click();
  EXPECT_EQ(column(2).value(3), "x_0004.txt");
  EXPECT_EQ(count_text(), "Total Loaded Files : 4");
}

TEST_F(FilenameChangerPageTest, LoadFolderTakesEveryFileAndAsksAboutSubfolders) {
  file("a.txt");
  file("B.jpg");
  file("sub/c.bin");
  QStringList starts;
  page.choose_folder = [&](const QString& start) {
    starts << start;
    return q(files_dir());
  };
  boxes.answers = {QMessageBox::No};
  button("BitBtn11").click();
  EXPECT_EQ(column(1), (QStringList{"a.txt", "B.jpg"}));

  boxes.answers = {QMessageBox::Yes};
  button("BitBtn11").click();
  EXPECT_EQ(column(1), (QStringList{"a.txt", "B.jpg", "a.txt", "B.jpg", "c.bin"}));
  EXPECT_EQ(column(0).value(4), QString::fromStdString((files_dir() / "sub").string() + "/"));
  EXPECT_EQ(column(2).value(4), "0005.bin");
  EXPECT_EQ(boxes.questions, QStringList(2, kSubfolderQuestion));
  EXPECT_EQ(count_text(), "Total Loaded Files : 5");

  // The chooser starts in the program's folder until one was chosen, then there.
  ASSERT_EQ(starts.size(), 2);
  EXPECT_EQ(starts[0], QApplication::applicationDirPath());
  EXPECT_EQ(starts[1], q(files_dir()));
  EXPECT_EQ(window.pages().settings().loadfolder_changefile_Path, files_dir().string());
}

TEST_F(FilenameChangerPageTest, DropsOfFilesAndFoldersAreTakenAsCopiesOrLinksNeverAsMoves) {
  window.show();
  const QUrl z = QUrl::fromLocalFile(q(file("z.txt")));
  const QUrl y = QUrl::fromLocalFile(q(file("Y.txt")));
  file("dropped/one.txt");
  file("dropped/deeper/two.txt");
  const QUrl folder = QUrl::fromLocalFile(q(files_dir() / "dropped"));

  boxes.answers = {QMessageBox::No};
  EXPECT_TRUE(drop({z, y, folder}, Qt::CopyAction | Qt::MoveAction));
  EXPECT_EQ(column(1), (QStringList{"Y.txt", "z.txt", "one.txt"}));
  EXPECT_EQ(column(2), (QStringList{"0001.txt", "0002.txt", "0003.txt"}));
  EXPECT_EQ(boxes.questions, QStringList{kSubfolderQuestion});

  EXPECT_TRUE(drop({QUrl::fromLocalFile(q(file("w.txt")))}, Qt::LinkAction));
  EXPECT_EQ(column(1).value(3), "w.txt");

  // A move would have the file manager delete what it dragged here.
  EXPECT_FALSE(drop({QUrl::fromLocalFile(q(file("v.txt")))}, Qt::MoveAction));
  EXPECT_EQ(count_text(), "Total Loaded Files : 4");
}

TEST_F(FilenameChangerPageTest, DeleteSelectedAndClearLeaveTheOtherNamesUntilAPreview) {
  page.load_files({q(file("a.txt")), q(file("b.txt")), q(file("c.txt"))});
  QStringList captions;
  const auto menu = page.make_menu();
  for (QAction* action : menu->actions())
    if (!action->isSeparator()) captions << action->text();
  EXPECT_EQ(captions, (QStringList{"Delete Selected Files", "Sort Ascending", "Sort Descending"}));

  page.grid().selectRow(0);
  menu_command("Delete Selected Files");
  EXPECT_EQ(column(1), (QStringList{"b.txt", "c.txt"}));
  EXPECT_EQ(column(2), (QStringList{"0002.txt", "0003.txt"}));
  EXPECT_EQ(count_text(), "Total Loaded Files : 2");

  button("BitBtn13").click();
  EXPECT_EQ(column(2), (QStringList{"0001.txt", "0002.txt"}));
  EXPECT_TRUE(boxes.questions.isEmpty());

  button("BitBtn12").click();
  EXPECT_EQ(page.grid().rowCount(), 0);
  EXPECT_EQ(count_text(), "Total Loaded Files : 0");
  EXPECT_FALSE(button("BitBtn12").isEnabled());
  EXPECT_FALSE(button("BitBtn14").isEnabled());
}

TEST_F(FilenameChangerPageTest, SortingRenamesEveryRowForItsNewPlace) {
  page.load_files({q(file("b.one")), q(file("A.two")), q(file("c.three"))});
  menu_command("Sort Descending");
  EXPECT_EQ(column(1), (QStringList{"c.three", "b.one", "A.two"}));
  EXPECT_EQ(column(2), (QStringList{"0001.three", "0002.one", "0003.two"}));
  menu_command("Sort Ascending");
  EXPECT_EQ(column(1), (QStringList{"A.two", "b.one", "c.three"}));
  EXPECT_EQ(column(2), (QStringList{"0001.two", "0002.one", "0003.three"}));
}

TEST_F(FilenameChangerPageTest, PreviewOffersTheControlCenterListAndClearListEmptiesBoth) {
  window.load_files({q(file("q.jpg")), q(file("p.jpg"))});
  page.load_files({q(file("own.txt"))});

  // With the changer off there is no question.
  button("BitBtn13").click();
  EXPECT_TRUE(boxes.questions.isEmpty());
  EXPECT_EQ(column(1), QStringList{"own.txt"});

  use_settings([](Settings& s) { s.filename_changer = s.use_filename_changer = true; });
  boxes.answers = {QMessageBox::No};
  button("BitBtn13").click();
  EXPECT_EQ(column(1), QStringList{"own.txt"});

  boxes.answers = {QMessageBox::Yes};
  button("BitBtn13").click();
  EXPECT_EQ(boxes.questions,
            QStringList(2, "Do You want to Preview Filename Change from Control Center List?"));
  EXPECT_EQ(column(1), (QStringList{"p.jpg", "q.jpg"}));
  EXPECT_EQ(column(2), (QStringList{"0001.jpg", "0002.jpg"}));
  EXPECT_EQ(column(0), QStringList(2, QString::fromStdString(files_text())));

  window.clear_list();
  EXPECT_EQ(page.grid().rowCount(), 0);
  EXPECT_EQ(count_text(), "Total Loaded Files : 0");
  EXPECT_FALSE(button("BitBtn14").isEnabled());
}

TEST_F(FilenameChangerPageTest, ProcessAllRenamesInPlaceAndCopiesIntoRenamed) {
  use_settings([](Settings& s) {
    s.file_prefix = "n_";
    s.overwritefilename = true;
    s.filename_save_in = "";
  });
  page.load_files({q(file("b.txt", "beta")), q(file("a.txt", "alpha"))});
  ASSERT_TRUE(run_all());
  EXPECT_EQ(text_of(files_dir() / "n_0001.txt"), "alpha");
  EXPECT_EQ(text_of(files_dir() / "n_0002.txt"), "beta");
  EXPECT_FALSE(fs::exists(files_dir() / "a.txt"));
  EXPECT_FALSE(fs::exists(files_dir() / "b.txt"));
  EXPECT_TRUE(boxes.texts.contains("Renaming Process Complete"));
  EXPECT_EQ(bar().value(), 2);
  EXPECT_EQ(bar().maximum(), 2);
  // The grid keeps what was done.
  EXPECT_EQ(column(1), (QStringList{"a.txt", "b.txt"}));
  EXPECT_EQ(column(2), (QStringList{"n_0001.txt", "n_0002.txt"}));
  // The settings were saved first, as for every run.
  Settings stored = startup_settings();
  load_default_profile(stored);
  EXPECT_EQ(stored.file_prefix, "n_");

  page.clear();
  use_settings([](Settings& s) {
    s.overwritefilename = false;
    s.filename_save_in = "[Source Directory]\\Renamed\\";
  });
  page.load_files({q(file("c.txt", "gamma"))});
  ASSERT_TRUE(run_all());
  EXPECT_EQ(text_of(files_dir() / "Renamed" / "n_0001.txt"), "gamma");
  EXPECT_EQ(text_of(files_dir() / "c.txt"), "gamma");
}

TEST_F(FilenameChangerPageTest, TwoRowsForOneNameLoseNoFile) {
  use_settings([](Settings& s) {
    s.file_prefix = "same";
    s.filenameorder = "PreSuf";
    s.overwritefilename = true;
  });
  page.load_files({q(file("a.txt", "A")), q(file("b.txt", "B"))});
  EXPECT_EQ(column(2), (QStringList{"same.txt", "same.txt"}));
  ASSERT_TRUE(run_all());
  EXPECT_EQ(text_of(files_dir() / "same.txt"), "A");
  EXPECT_EQ(text_of(files_dir() / "b.txt"), "B");
  const QString log = window.log().toPlainText();
  EXPECT_TRUE(log.contains("Not Renamed") && log.contains("b.txt")) << log.toStdString();
}

TEST_F(FilenameChangerPageTest, WithoutResetTheStartNumberMovesOnByTheRows) {
  use_settings([](Settings& s) {
    s.resetstartnumber = false;
    s.start_number = 1;
    s.filename_save_in = "[Source Directory]/Renamed/";
  });
  page.load_files({q(file("a.txt")), q(file("b.txt")), q(file("c.txt"))});
  ASSERT_TRUE(run_all());
  EXPECT_EQ(static_cast<QSpinBox*>(window.pages().widget_for("start_number"))->value(), 4);
  EXPECT_EQ(column(2), (QStringList{"0001.txt", "0002.txt", "0003.txt"}));
  ASSERT_TRUE(run_all());
  EXPECT_EQ(window.pages().settings().start_number, 7);
  EXPECT_EQ(text_of(files_dir() / "Renamed" / "0006.txt"), "c.txt");
}

TEST_F(FilenameChangerPageTest, TheWindowStaysLiveWhileAMissingFileIsReported) {
  use_settings([](Settings& s) { s.filename_save_in = "[Source Directory]/Renamed/"; });
  page.load_files({q(file("a.txt")), q(file("b_gone.txt")), q(file("c.txt"))});
  fs::remove(files_dir() / "b_gone.txt");
  // Sampled while the run waits for its notice to be read.
  bool seen_locked = false;
  QTimer sampler;
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    if (window.running() && !page.grid().isEnabled() && !button("BitBtn10").isEnabled() &&
        !window.findChild<QWidget*>("BitBtn1")->isEnabled() &&
        !window.pages().widget_for("file_prefix")->isEnabled() &&
        button("filechange_stop").isEnabled())
      seen_locked = true;
  });
  sampler.start(1);
  ASSERT_TRUE(run_all());
  sampler.stop();
  EXPECT_TRUE(seen_locked);
  EXPECT_TRUE(boxes.texts.contains("b_gone.txt does not Exist"));
  EXPECT_TRUE(boxes.texts.contains("Renaming Process Complete"));
  EXPECT_EQ(test::names_in(files_dir() / "Renamed"),
            (std::vector<std::string>{"0001.txt", "0003.txt"}));
  EXPECT_TRUE(page.grid().isEnabled());
  EXPECT_TRUE(button("BitBtn10").isEnabled());
  EXPECT_FALSE(button("filechange_stop").isEnabled());
  EXPECT_FALSE(window.running());
}

TEST_F(FilenameChangerPageTest, StopEndsARunOfManyFilesAfterAsking) {
  use_settings([](Settings& s) { s.overwritefilename = true; });
  QStringList files;
  for (int i = 0; i < 100; ++i)
    files << q(file(QString("f%1.txt").arg(i, 3, 10, QChar('0')).toStdString()));
  file("0001.txt", "keep");
  page.load_files(files);
  // The first row's name is taken; on seeing the log's line the user presses Stop.
  QObject::connect(&window.log(), &QPlainTextEdit::textChanged, &page, [&] {
    if (button("filechange_stop").isEnabled()) button("filechange_stop").click();
  });
  boxes.answers = {QMessageBox::Ok};
  ASSERT_TRUE(run_all());
  EXPECT_EQ(boxes.questions, QStringList{"Do You Want to Terminate the Current Process ?"});
  EXPECT_TRUE(boxes.texts.contains("Process Stopped by User"));
  EXPECT_EQ(text_of(files_dir() / "0001.txt"), "keep");
  int untouched = 0;
  for (const auto& entry : fs::directory_iterator(files_dir()))
    if (entry.path().filename().string().starts_with('f')) ++untouched;
  EXPECT_EQ(untouched, 100);
  EXPECT_FALSE(fs::exists(files_dir() / "0002.txt"));
  EXPECT_EQ(bar().value(), 0);
}

}  // namespace
}  // namespace lumatrix::app
