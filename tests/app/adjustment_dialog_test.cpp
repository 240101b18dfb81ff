// The editing dialog, on a table of two small adjustments made here (the real table has its
// own tests), and the window's "Color &Adjustment" and "&Effects" commands around it.
#include "app/adjustment_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include "app/image_preview.h"
#include "app/main_window.h"
#include "app/source_grid.h"
#include "box_answerer.h"
#include "test_support.h"

namespace lumatrix::app {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kChannels[] = {"Red", "Green", "Blue"};
// amount, invert, channel, tint, k1, k2.
constexpr AdjustmentParam kShiftParams[] = {
    {"amount", "Amount", AdjustmentParamKind::Integer, -50, 50, 0},
    {"invert", "Invert", AdjustmentParamKind::Boolean, 0, 1, 0},
    {"channel", "Channel", AdjustmentParamKind::Choice, 0, 2, 0, kChannels},
    {"tint", "Corner", AdjustmentParamKind::Colour, 0, 0xFFFFFF, 0x000000},
    {"k1", "", AdjustmentParamKind::Integer, -9, 9, 0, {}, "Kernel"},
    {"k2", "", AdjustmentParamKind::Integer, -9, 9, 0, {}, "Kernel"},
};

uint8_t clamped(int v) {
  return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// Moves one channel by the amount (the other way when inverted) and the blue one by k1 - k2;
// a tint other than black paints the top left pixel.
void shift(ImageDocument& doc, const AdjustmentValues& v) {
  // The far end stands for an adjustment that fails part way.
  if (v.at(0) == 50) throw ImageError("shift: the amount 50 is refused");
  doc.save_undo("Shift");
  const int amount = v[1] ? -v[0] : v[0];
  for (int y = 0; y < doc.height(); ++y) {
    uint8_t* p = doc.raster.row(y);
    for (int x = 0; x < doc.width(); ++x, p += 3) {
      p[v[2]] = clamped(p[v[2]] + amount);
      p[2] = clamped(p[2] + v[4] - v[5]);
    }
  }
  if (v[3] != 0)
    doc.raster.set_pixel(0, 0, Rgb{uint8_t(v[3] >> 16), uint8_t(v[3] >> 8), uint8_t(v[3])});
}

constexpr AdjustmentParam kFlatParams[] = {
    {"level", "Level", AdjustmentParamKind::Integer, 0, 255, 128},
};

void flatten_to(ImageDocument& doc, const AdjustmentValues& v) {
  doc.save_undo("Flat");
  for (int y = 0; y < doc.height(); ++y)
    std::fill_n(doc.raster.row(y), doc.width() * 3, clamped(v.at(0)));
}

const Adjustment kShift{"Shift", kShiftParams, &shift};
const Adjustment kFlat{"Flat", kFlatParams, &flatten_to};

ImageDocument picture(int width, int height) {
  ImageDocument doc;
  doc.raster = test::gradient_rgb(width, height);
  return doc;
}

ImageDocument applied(const ImageDocument& source, const Adjustment& adjustment,
                      const AdjustmentValues& values) {
  ImageDocument copy = source;
  adjustment.apply(copy, values);
  return copy;
}

std::vector<uint8_t> bytes_of(const Raster& r) {
  return {r.bytes().begin(), r.bytes().end()};
}

bool wait_for_preview(AdjustmentDialog& dialog) {
  QSignalSpy shown(&dialog, &AdjustmentDialog::preview_shown);
  return shown.wait(10000);
}

TEST(AdjustmentDialogTest, OneTabPerAdjustmentWithAWidgetPerParameter) {
  const ImageDocument doc = picture(30, 20);
  AdjustmentDialog dialog(doc, {&kShift, &kFlat});
  ASSERT_EQ(dialog.tabs().count(), 2);
  EXPECT_EQ(dialog.tabs().tabText(0), "Shift");
  EXPECT_EQ(dialog.tabs().tabText(1), "Flat");

  auto* amount = dialog.findChild<QSpinBox*>("amount");
  auto* slider = dialog.findChild<QSlider*>("amount_slider");
  ASSERT_TRUE(amount && slider);
  EXPECT_EQ(amount->minimum(), -50);
  EXPECT_EQ(amount->maximum(), 50);
  EXPECT_EQ(slider->maximum(), 50);
  slider->setValue(-12);  // the two move together
  EXPECT_EQ(amount->value(), -12);
  amount->setValue(7);
  EXPECT_EQ(slider->value(), 7);
  ASSERT_TRUE(dialog.findChild<QCheckBox*>("invert"));
  auto* channel = dialog.findChild<QComboBox*>("channel");
  ASSERT_TRUE(channel);
  ASSERT_EQ(channel->count(), 3);
  EXPECT_EQ(channel->itemText(2), "Blue");
  ASSERT_TRUE(dialog.findChild<QPushButton*>("tint"));
  // The kernel's cells are spin boxes in one row.
  auto* k1 = dialog.findChild<QSpinBox*>("k1");
  auto* k2 = dialog.findChild<QSpinBox*>("k2");
  ASSERT_TRUE(k1 && k2);
  EXPECT_FALSE(dialog.findChild<QSlider*>("k1_slider"));
  dialog.show();
  EXPECT_EQ(k1->mapTo(&dialog, QPoint()).y(), k2->mapTo(&dialog, QPoint()).y());
  EXPECT_LT(k1->mapTo(&dialog, QPoint()).x(), k2->mapTo(&dialog, QPoint()).x());

  dialog.findChild<QCheckBox*>("invert")->setChecked(true);
  channel->setCurrentIndex(1);
  k2->setValue(-3);
  EXPECT_EQ(&dialog.chosen(), &kShift);
  EXPECT_EQ(dialog.values(), (AdjustmentValues{7, 1, 1, 0, 0, -3}));
  dialog.reset();
  EXPECT_EQ(dialog.values(), initial_values(kShift));
  EXPECT_EQ(amount->value(), 0);
  dialog.tabs().setCurrentIndex(1);
  EXPECT_EQ(&dialog.chosen(), &kFlat);
  EXPECT_EQ(dialog.values(), AdjustmentValues{128});
}

TEST(AdjustmentDialogTest, TheColourButtonAsksTheChooser) {
  AdjustmentDialog dialog(picture(8, 8), {&kShift});
  std::optional<int> answer = 0x102030;
  int asked_with = -1;
  dialog.choose_colour = [&](int current) {
    asked_with = current;
    return answer;
  };
  auto* tint = dialog.findChild<QPushButton*>("tint");
  tint->click();
  EXPECT_EQ(asked_with, 0);
  EXPECT_EQ(dialog.values().at(3), 0x102030);
  EXPECT_EQ(tint->text(), "#102030");
  answer.reset();  // cancelled: the colour stays
  tint->click();
  EXPECT_EQ(asked_with, 0x102030);
  EXPECT_EQ(dialog.values().at(3), 0x102030);
}

TEST(AdjustmentDialogTest, ThePreviewWorksOnASmallCopyAndFollowsTheValues) {
  const ImageDocument big = picture(1000, 500);
  AdjustmentDialog dialog(big, {&kShift, &kFlat});
  EXPECT_EQ(dialog.small_copy().width(), kAdjustmentPreviewSide);
  EXPECT_EQ(dialog.small_copy().height(), kAdjustmentPreviewSide / 2);
  ASSERT_TRUE(wait_for_preview(dialog));
  EXPECT_EQ(dialog.preview_image(), qimage_of(dialog.small_copy().raster));

  dialog.findChild<QSpinBox*>("amount")->setValue(40);
  ASSERT_TRUE(wait_for_preview(dialog));
  const ImageDocument expected = applied(dialog.small_copy(), kShift, {40, 0, 0, 0, 0, 0});
  EXPECT_EQ(dialog.preview_image(), qimage_of(expected.raster));
  EXPECT_NE(dialog.preview_image(), qimage_of(dialog.small_copy().raster));

  // Another tab previews its own adjustment.
  dialog.tabs().setCurrentIndex(1);
  ASSERT_TRUE(wait_for_preview(dialog));
  EXPECT_EQ(dialog.preview_image().pixel(5, 5), qRgb(128, 128, 128));

  // A small picture is previewed as it is.
  AdjustmentDialog small(picture(30, 20), {&kShift});
  EXPECT_EQ(bytes_of(small.small_copy().raster), bytes_of(picture(30, 20).raster));
}

// The window's commands around the dialog.
class AdjustCommandTest : public ::testing::Test {
 protected:
  AdjustCommandTest() : home(dir / "home") {
    source = picture(40, 30);
    const fs::path file = dir / "a.png";
    EXPECT_TRUE(source.save(file));
    window.load_files({QString::fromStdString(file.string())});
    window.grid().setCurrentCell(0, 0);
    window.show_source(0);
    window.adjustment_pages = [](bool effects) {
      return effects ? std::vector<const Adjustment*>{&kFlat}
                     : std::vector<const Adjustment*>{&kShift, &kFlat};
    };
  }
  // Picks the entry; the dialog is answered by `answer`.
  void pick(EditPane pane, const QString& text, std::function<bool(AdjustmentDialog&)> answer) {
    window.run_adjustment_dialog = std::move(answer);
    const auto menu = window.make_pane_menu(pane);
    for (QAction* action : menu->actions()) {
      if (action->text() != text) continue;
      ASSERT_TRUE(action->isEnabled());
      ASSERT_TRUE(test::run_and_wait(window, [action] { action->trigger(); }));
      return;
    }
    FAIL() << "no entry " << text.toStdString();
  }

  test::TempDir dir;
  test::ScopedUserFolder home;
  test::BoxAnswerer boxes;
  MainWindow window;
  ImageDocument source;
};

TEST_F(AdjustCommandTest, OkAppliesTheChosenPageAtFullSize) {
  QStringList pages;
  pick(EditPane::Source, "Color &Adjustment", [&](AdjustmentDialog& dialog) {
    for (int i = 0; i < dialog.tabs().count(); ++i) pages << dialog.tabs().tabText(i);
    dialog.findChild<QSpinBox*>("amount")->setValue(25);
    dialog.findChild<QComboBox*>("channel")->setCurrentIndex(1);
    return true;
  });
  EXPECT_EQ(pages, (QStringList{"Shift", "Flat"}));
  const ImageDocument once = applied(source, kShift, {25, 0, 1, 0, 0, 0});
  EXPECT_EQ(bytes_of(window.documents().afterpreview.raster), bytes_of(once.raster));
  EXPECT_EQ(bytes_of(window.documents().Image.raster), bytes_of(source.raster));
  EXPECT_TRUE(window.documents().processimage.empty());

  // From the result's menu the changes add up.
  pick(EditPane::Result, "Color &Adjustment", [](AdjustmentDialog& dialog) {
    dialog.findChild<QSpinBox*>("amount")->setValue(-10);
    return true;
  });
  const ImageDocument twice = applied(once, kShift, {-10, 0, 0, 0, 0, 0});
  EXPECT_EQ(bytes_of(window.documents().afterpreview.raster), bytes_of(twice.raster));
  EXPECT_EQ(window.after().image(), qimage_of(twice.raster));
  EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(AdjustCommandTest, CancelLeavesBothDocumentsAsTheyWere) {
  pick(EditPane::Source, "Rotate &Left", {});
  const std::vector<uint8_t> result = bytes_of(window.documents().afterpreview.raster);
  bool shown = false;
  window.run_adjustment_dialog = [&](AdjustmentDialog& dialog) {
    shown = dialog.tabs().tabText(0) == "Flat";
    dialog.findChild<QSpinBox*>("level")->setValue(3);
    return false;
  };
  for (EditPane pane : {EditPane::Source, EditPane::Result}) {
    const auto menu = window.make_pane_menu(pane);
    for (QAction* action : menu->actions())
      if (action->text() == "&Effects") action->trigger();
  }
  EXPECT_TRUE(shown);
  EXPECT_EQ(bytes_of(window.documents().afterpreview.raster), result);
  EXPECT_EQ(bytes_of(window.documents().Image.raster), bytes_of(source.raster));
}

TEST_F(AdjustCommandTest, AnAdjustmentThatFailsLeavesTheSourceAndSaysWhy) {
  pick(EditPane::Source, "Color &Adjustment", [](AdjustmentDialog& dialog) {
    dialog.set_values({50, 0, 0, 0, 0, 0});
    return true;
  });
  EXPECT_EQ(bytes_of(window.documents().Image.raster), bytes_of(source.raster));
  EXPECT_TRUE(window.documents().afterpreview.empty());
  ASSERT_EQ(boxes.texts.size(), 1);
  EXPECT_TRUE(boxes.texts.front().contains("the amount 50 is refused"));
}

TEST_F(AdjustCommandTest, WithoutPagesTheEntriesAreDisabled) {
  window.adjustment_pages = [](bool) { return std::vector<const Adjustment*>{}; };
  const auto menu = window.make_pane_menu(EditPane::Source);
  for (QAction* action : menu->actions())
    if (action->text() == "Color &Adjustment" || action->text() == "&Effects")
      EXPECT_FALSE(action->isEnabled());
}

// The window's own table: the pages each command offers, each parameter's widget, and OK on a
// real page against calling the table directly.
class RealTableTest : public AdjustCommandTest {
 protected:
  RealTableTest() { window.adjustment_pages = MainWindow().adjustment_pages; }
};

TEST_F(RealTableTest, EachCommandOffersItsPagesWithAWidgetPerParameter) {
  for (const auto& [text, pages] : {std::pair{"Color &Adjustment", colour_adjustment_pages()},
                                    std::pair{"&Effects", effect_pages()}}) {
    QStringList expected;
    for (std::string_view page : pages) expected << QString::fromUtf8(page.data(), page.size());
    QStringList shown;
    window.run_adjustment_dialog = [&](AdjustmentDialog& dialog) {
      for (int i = 0; i < dialog.tabs().count(); ++i) {
        shown << dialog.tabs().tabText(i);
        QWidget* page = dialog.tabs().widget(i);
        for (const AdjustmentParam& param : find_adjustment(shown.back().toStdString())->params) {
          EXPECT_TRUE(
              page->findChild<QWidget*>(QString::fromUtf8(param.name.data(), param.name.size())))
              << shown.back().toStdString() << " " << param.name;
        }
      }
      return false;
    };
    const auto menu = window.make_pane_menu(EditPane::Source);
    for (QAction* action : menu->actions())
      if (action->text() == text) action->trigger();
    EXPECT_EQ(shown, expected) << text;
  }
}

TEST_F(RealTableTest, OkOnTheRgbPageMatchesTheTable) {
  pick(EditPane::Source, "Color &Adjustment", [](AdjustmentDialog& dialog) {
    for (int i = 0; i < dialog.tabs().count(); ++i)
      if (dialog.tabs().tabText(i) == "RGB") dialog.tabs().setCurrentIndex(i);
    dialog.findChild<QSpinBox*>("red")->setValue(40);
    dialog.findChild<QSpinBox*>("blue")->setValue(-30);
    return true;
  });
  const Adjustment& rgb = *find_adjustment("RGB");
  const ImageDocument expected = applied(source, rgb, {40, 0, -30});
  EXPECT_EQ(bytes_of(window.documents().afterpreview.raster), bytes_of(expected.raster));
  EXPECT_NE(bytes_of(expected.raster), bytes_of(source.raster));
  EXPECT_EQ(bytes_of(window.documents().Image.raster), bytes_of(source.raster));
}

}  // namespace
}  // namespace lumatrix::app
