// The scanner commands of the window, against SANE's test backend (two virtual devices) and,
// for what that backend cannot be made to do safely (wait for ever, fail on demand), a scanner
// behind the interface.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "app/image_preview.h"
#include "app/main_window.h"
#include "app/scan_source_dialog.h"
#include "app/settings_pages.h"
#include "app/source_grid.h"
#include "box_answerer.h"
#include "extras/scanner.h"
#include "sane_test_backend.h"
#include "settings/user_paths.h"
#include "test_support.h"

namespace lumatrix::app {
namespace {

namespace fs = std::filesystem;

// Answers the window's dialogs (other than message boxes) in the order a script gives, each
// step named by the dialog's object name; a dialog the script does not expect is a failure.
class DialogScript : public QObject {
 public:
  using Answer = std::function<void(QDialog&)>;
  DialogScript() {
    connect(&timer_, &QTimer::timeout, this, &DialogScript::poll);
    timer_.start(5);
  }
  void expect(const QString& name, Answer answer) { steps_.emplace_back(name, std::move(answer)); }
  bool done() const { return steps_.empty(); }
  QStringList seen;

 private:
  void poll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QDialog*>(widget);
      if (!dialog || !dialog->isVisible() || qobject_cast<QMessageBox*>(widget)) continue;
      seen << dialog->objectName();
      if (steps_.empty() || steps_.front().first != dialog->objectName()) {
        ADD_FAILURE() << "unexpected dialog: " << dialog->objectName().toStdString();
        dialog->reject();
        continue;
      }
      const Answer answer = std::move(steps_.front().second);
      steps_.pop_front();
      answer(*dialog);
    }
  }
  std::deque<std::pair<QString, Answer>> steps_;
  QTimer timer_;
};

void touch(const fs::path& path) {
  const std::vector<uint8_t> bytes{'x'};
  test::write_bytes(path, bytes);
}

class ScanWindowTest : public ::testing::Test {
 protected:
  ScanWindowTest()
      : home(dir / "home"),
        backend({{"mode", "Color"}, {"test-picture", "\"Color pattern\""}}),
        folder(dir / "scans") {
    fs::create_directories(folder);
    window.scan_folder = QString::fromStdString(folder.string());
  }

  void set(const std::function<void(Settings&)>& change) {
    Settings s = window.pages().settings();
    change(s);
    window.pages().show_settings(s);
  }
  QAction* action(const QString& text) {
    for (QAction* a : window.findChildren<QAction*>())
      if (a->text() == text) return a;
    ADD_FAILURE() << "no menu item " << text.toStdString();
    return nullptr;
  }
  QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }
  QString count() { return window.findChild<QLabel*>("count_label")->text(); }
  // Saves the page the dialog proposes, or `name` in the dialog's folder instead.
  static DialogScript::Answer save_as(const QString& name = {}) {
    return [name](QDialog& d) {
      auto& dialog = static_cast<QFileDialog&>(d);
      if (!name.isEmpty()) dialog.selectFile(dialog.directory().filePath(name));
      d.accept();  // as the Save button does, through the file dialog's own accept
    };
  }

  test::TempDir dir;
  test::ScopedUserFolder home;
  test::SaneTestBackend backend;
  fs::path folder;
  test::BoxAnswerer boxes;
  MainWindow window;
  DialogScript dialogs;
};

TEST_F(ScanWindowTest, SelectTwainListsTheDevicesAndKeepsTheChoiceInTwainnumber) {
  dialogs.expect("scan_sources", [](QDialog& d) {
    QListWidget& list = static_cast<ScanSourceDialog&>(d).sources();
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->text(), "Noname frontend-tester virtual device  (test:0)");
    EXPECT_TRUE(list.item(1)->text().endsWith("(test:1)"));
    EXPECT_EQ(list.currentRow(), 0);  // twainnumber starts at 0
    list.setCurrentRow(1);
    d.accept();
  });
  action("Select &Twain")->trigger();
  EXPECT_EQ(window.pages().settings().twainnumber, 1);

  // Shown again with the stored choice; a cancel keeps it.
  dialogs.expect("scan_sources", [](QDialog& d) {
    EXPECT_EQ(static_cast<ScanSourceDialog&>(d).sources().currentRow(), 1);
    static_cast<ScanSourceDialog&>(d).sources().setCurrentRow(0);
    d.reject();
  });
  EXPECT_FALSE(window.select_scan_source());
  EXPECT_EQ(window.pages().settings().twainnumber, 1);
  EXPECT_TRUE(dialogs.done());
  EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(ScanWindowTest, ScanImageProposesTheFirstFreeNumberAndListsTheSavedPage) {
  touch(folder / "scan_1.jpg");
  touch(folder / "scan_2.jpg");
  ImageDocument loaded;
  loaded.raster = test::gradient_rgb(8, 8);
  ASSERT_TRUE(loaded.save(dir / "loaded.png"));
  window.load_files({QString::fromStdString((dir / "loaded.png").string())});
  set([](Settings& s) { s.no_of_digits = 0; });

  QSize shown;
  dialogs.expect("scan_save", [&](QDialog& d) {
    auto& dialog = static_cast<QFileDialog&>(d);
    EXPECT_EQ(dialog.windowTitle(), "Image Save As .....");
    EXPECT_EQ(dialog.nameFilters(),
              (QStringList{"All (*.jpg *.jpeg *.bmp)", "JPEG Image File (*.jpg)",
                           "JPEG Image File (*.jpeg)", "Bitmaps (*.bmp)"}));
    EXPECT_EQ(dialog.selectedFiles(),
              QStringList{QString::fromStdString((folder / "scan_3.jpg").string())});
    // The page is on show while the dialog asks.
    shown = window.before().image().size();
    save_as()(d);
  });
  ASSERT_TRUE(test::run_and_wait(window, [&] { button("scan")->click(); }));
  EXPECT_TRUE(dialogs.done());
  EXPECT_EQ(shown, QSize(157, 196));  // the default area of 80 x 100 mm at 50 dpi

  ImageDocument saved;
  ASSERT_TRUE(saved.load(folder / "scan_3.jpg"));
  EXPECT_EQ(saved.width(), 157);
  EXPECT_EQ(saved.height(), 196);
  EXPECT_EQ(saved.params.dpi_x, 50);
  ASSERT_EQ(window.grid().rowCount(), 2);
  const ListEntry row = window.grid().list().entries.back();
  EXPECT_EQ(row.file_name, "scan_3.jpg");
  EXPECT_EQ(row.orientation.text(), "As Is");
  EXPECT_EQ(row.display_name, "scan_3.jpg");
  EXPECT_EQ(row.caption, "");
  EXPECT_EQ(row.file_path, folder.string() + "/");
  EXPECT_EQ(count(), "Total Loaded Files : 2");

  // Padded to three digits the numbering starts again; saved as a bitmap, the page is listed
  // as Load File lists a bitmap.
  set([](Settings& s) { s.no_of_digits = 3; });
  dialogs.expect("scan_save", [&](QDialog& d) {
    EXPECT_EQ(static_cast<QFileDialog&>(d).selectedFiles(),
              QStringList{QString::fromStdString((folder / "scan_001.jpg").string())});
    save_as("scan_001.bmp")(d);
  });
  ASSERT_TRUE(test::run_and_wait(window, [&] { action("Twain &Acquire")->trigger(); }));
  const std::vector<uint8_t> bmp = test::read_bytes(folder / "scan_001.bmp");
  ASSERT_GT(bmp.size(), 2u);
  EXPECT_EQ(std::string(bmp.begin(), bmp.begin() + 2), "BM");
  EXPECT_FALSE(fs::exists(folder / "scan_001.jpg"));
  ASSERT_EQ(window.grid().rowCount(), 3);
  EXPECT_EQ(window.grid().list().entries.back(), entry_for(folder / "scan_001.bmp"));
  EXPECT_EQ(window.grid().list().entries.back().orientation.text(), "As Is");
  EXPECT_EQ(count(), "Total Loaded Files : 3");
  EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join("; ").toStdString();
}

TEST_F(ScanWindowTest, ACancelledSaveAddsNothing) {
  ImageDocument loaded;
  loaded.raster = test::gradient_rgb(8, 8);
  ASSERT_TRUE(loaded.save(dir / "loaded.png"));
  window.load_files({QString::fromStdString((dir / "loaded.png").string())});
  dialogs.expect("scan_save", [](QDialog& d) { d.reject(); });
  ASSERT_TRUE(test::run_and_wait(window, [&] { button("scan")->click(); }));
  EXPECT_TRUE(dialogs.done());
  EXPECT_EQ(window.grid().rowCount(), 1);
  EXPECT_EQ(count(), "Total Loaded Files : 1");
  EXPECT_TRUE(test::names_in(folder).empty());
  EXPECT_TRUE(button("scan")->isEnabled());
}

TEST_F(ScanWindowTest, AStoredSourceNoLongerPresentBringsTheChooserFirst) {
  set([](Settings& s) {
    s.twainnumber = 5;  // as after unplugging scanners
    s.no_of_digits = 0;
  });
  dialogs.expect("scan_sources", [](QDialog& d) {
    static_cast<ScanSourceDialog&>(d).sources().setCurrentRow(1);
    d.accept();
  });
  dialogs.expect("scan_save", save_as());
  ASSERT_TRUE(test::run_and_wait(window, [&] { button("scan")->click(); }));
  EXPECT_EQ(dialogs.seen, (QStringList{"scan_sources", "scan_save"}));
  EXPECT_EQ(window.pages().settings().twainnumber, 1);
  EXPECT_TRUE(fs::exists(folder / "scan_1.jpg"));
  EXPECT_EQ(window.grid().rowCount(), 1);

  // Cancelling the chooser scans nothing.
  set([](Settings& s) { s.twainnumber = 9; });
  dialogs.expect("scan_sources", [](QDialog& d) { d.reject(); });
  window.scan_image();
  EXPECT_TRUE(dialogs.done());
  EXPECT_FALSE(window.running());
  EXPECT_EQ(window.grid().rowCount(), 1);
  EXPECT_EQ(test::names_in(folder), std::vector<std::string>{"scan_1.jpg"});
}

TEST_F(ScanWindowTest, WithoutAScannerBothCommandsSaySoAndAddNothing) {
  backend.offer_no_scanner();
  EXPECT_FALSE(window.select_scan_source());
  window.scan_image();
  EXPECT_EQ(boxes.texts, (QStringList{"No scanner found.", "No scanner found."}));
  EXPECT_FALSE(window.running());
  EXPECT_EQ(window.grid().rowCount(), 0);
  EXPECT_EQ(window.pages().settings().twainnumber, 0);
}

// One source whose page never comes until the scan is stopped, or that fails after its first
// lines.
class StubbornScanner : public Scanner {
 public:
  struct State {
    std::mutex lock;
    std::condition_variable_any changed;
    bool started = false;
    bool fail = false;
  };
  explicit StubbornScanner(std::shared_ptr<State> state) : state_(std::move(state)) {}
  std::vector<ScanSource> list_sources() override {
    return {{"stub:0", "Lumatrix", "stub", "flatbed scanner"}};
  }

 protected:
  ImageDocument acquire_from(const ScanSource& source, std::stop_token stop,
                             const ScanProgress& progress) override {
    if (progress) progress(4096, 65536);
    std::unique_lock lock(state_->lock);
    state_->started = true;
    state_->changed.notify_all();
    if (state_->fail) throw ScanError(source.name, "Document feeder jammed");
    state_->changed.wait(lock, stop, [] { return false; });
    throw ScanCancelled(source.name, "Operation was cancelled");
  }

 private:
  std::shared_ptr<State> state_;
};

class StubbornScanWindowTest : public ScanWindowTest {
 protected:
  StubbornScanWindowTest() {
    window.make_scanner = [state = state] { return std::make_unique<StubbornScanner>(state); };
  }
  bool started() {
    return QTest::qWaitFor(
        [&] {
          std::lock_guard lock(state->lock);
          return state->started;
        },
        60000);
  }
  std::shared_ptr<StubbornScanner::State> state = std::make_shared<StubbornScanner::State>();
};

TEST_F(StubbornScanWindowTest, StopEndsAScanWaitingForTheDeviceWhileTheWindowStaysLive) {
  window.show();
  QSignalSpy finished(&window, &MainWindow::run_finished);
  button("scan")->click();
  ASSERT_TRUE(started());
  // The window serves its events meanwhile: the bar shows what has come, a second scan cannot
  // start, and Stop can be pressed.
  QTest::qWaitFor([&] { return window.progress().value() == 4; }, 60000);
  EXPECT_EQ(window.progress().value(), 4);
  EXPECT_EQ(window.progress().maximum(), 64);
  EXPECT_TRUE(window.running());
  EXPECT_FALSE(button("scan")->isEnabled());
  EXPECT_FALSE(button("BitBtn1")->isEnabled());
  ASSERT_TRUE(button("stop")->isEnabled());
  button("stop")->click();
  ASSERT_TRUE(finished.count() > 0 || finished.wait(120000));
  EXPECT_FALSE(window.running());
  EXPECT_TRUE(button("scan")->isEnabled());
  EXPECT_FALSE(button("stop")->isEnabled());
  EXPECT_EQ(window.progress().text(), "0 of 1");  // the bar as before the scan
  EXPECT_TRUE(dialogs.seen.isEmpty());            // no save dialog for a stopped scan
  EXPECT_TRUE(boxes.texts.isEmpty());
  EXPECT_EQ(window.grid().rowCount(), 0);
  EXPECT_TRUE(test::names_in(folder).empty());
}

TEST_F(StubbornScanWindowTest, AFailedScanNamesTheDeviceAndTheReasonAndSavesNothing) {
  state->fail = true;
  ASSERT_TRUE(test::run_and_wait(window, [&] { window.scan_image(); }));
  EXPECT_EQ(boxes.texts, QStringList{"scanner stub:0: Document feeder jammed"});
  EXPECT_TRUE(dialogs.seen.isEmpty());
  EXPECT_TRUE(window.before().image().isNull());
  EXPECT_EQ(count(), "Total Loaded Files : 0");
  EXPECT_TRUE(test::names_in(folder).empty());
}

TEST_F(StubbornScanWindowTest, ClosingTheWindowDuringAScanEndsItWithoutTheSaveDialog) {
  window.show();
  button("scan")->click();
  ASSERT_TRUE(started());
  boxes.answers = {QMessageBox::Ok};
  EXPECT_TRUE(window.close());
  EXPECT_FALSE(window.running());
  EXPECT_EQ(boxes.questions, QStringList{"Do You Want to Exit?"});
  EXPECT_TRUE(dialogs.seen.isEmpty());
  EXPECT_TRUE(test::names_in(folder).empty());
  EXPECT_TRUE(fs::exists(default_profile_path()));
}

}  // namespace
}  // namespace lumatrix::app
