#include "app/settings_pages.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include "app/page_table.h"
#include "app/value_widgets.h"
#include "settings/profile_file.h"
#include "settings/settings_rules.h"
#include "test_support.h"

namespace lumatrix::app {
namespace {

namespace fs = std::filesystem;

bool shown_by_own_widget(const OptionDecl& option) {
  return option.group != "Hidden" && option.name.find('.') == std::string_view::npos;
}

// A value other than the default for every setting, of the kind the setting holds.
Settings all_changed() {
  Settings s = startup_settings(std::nullopt);
  for (const OptionDecl& o : options()) {
    const std::string name(o.name);
    switch (o.kind) {
      case OptionKind::Flag:
        o.in<bool>(s) = !o.in<bool>(s);
        break;
      case OptionKind::Integer: {
        int32_t& v = o.in<int32_t>(s);
        v = v < o.max ? v + 1 : v - 1;
        break;
      }
      case OptionKind::Index:
        o.in<int32_t>(s) = 2;
        break;
      case OptionKind::Choice:
        o.set_text(s, " typed " + name);
        break;
      case OptionKind::Text:
        o.set_text(s, "text of " + name);
        break;
      case OptionKind::Lines:
        o.in<Lines>(s) = {"first $ line", "", "last of " + name};
        break;
      case OptionKind::Colour:
        o.in<int32_t>(s) = 0x123456;
        break;
      case OptionKind::HtmlColour:
        // A profile may hold a value and a text that disagree: both come back as they were.
        o.in<HtmlColour>(s) = {0x010203, "#ABCDEF"};
        break;
      case OptionKind::Font:
        o.in<FontRecord>(s) = {"DejaVu Serif",      14, -19, 0x00FF00, 238, FontPitch::fpFixed,
                               fsBold | fsUnderline};
        break;
    }
  }
  return s;
}

class SettingsPagesTest : public ::testing::Test {
 protected:
  QTabWidget tabs;
  SettingsPages pages{&tabs};

  template <class W>
  W* widget(std::string_view name) {
    auto* w = qobject_cast<W*>(pages.widget_for(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
};

TEST_F(SettingsPagesTest, EverySettingHasOneWidgetNamedAfterItOnItsPage) {
  ASSERT_EQ(tabs.count(), 6);
  EXPECT_EQ(tabs.tabText(0), "Settings");
  EXPECT_EQ(tabs.tabText(5), "HTML Wizard (Con't)");
  int shown = 0;
  for (const OptionDecl& option : options()) {
    const QString name = QString::fromUtf8(option.name.data(), option.name.size());
    const auto named = tabs.findChildren<QWidget*>(name);
    if (!shown_by_own_widget(option)) {
      EXPECT_TRUE(named.isEmpty()) << option.name;
      continue;
    }
    ++shown;
    ASSERT_EQ(named.size(), 1) << option.name;
    EXPECT_FALSE(page_of_group(option.group).empty()) << option.group;
    // The widget sits on the page its group is on.
    bool on_its_page = false;
    for (int i = 0; i < tabs.count(); ++i)
      if (tabs.tabText(i).toStdString() == page_of_group(option.group))
        on_its_page = tabs.widget(i)->isAncestorOf(named.front());
    EXPECT_TRUE(on_its_page) << option.name;
  }
  EXPECT_GT(shown, 150);
  // The kinds: a check box, a spin box with its range, a slider, an editable drop-down.
  EXPECT_NE(widget<QCheckBox>("Grayscale"), nullptr);
  EXPECT_EQ(widget<QSpinBox>("JPEG_Quality")->maximum(), 100);
  EXPECT_EQ(widget<QSpinBox>("perpage")->maximum(), 65335);
  EXPECT_EQ(widget<QSlider>("brightness_track")->minimum(), -100);
  EXPECT_TRUE(widget<QComboBox>("resizing_method")->isEditable());
  EXPECT_EQ(widget<QComboBox>("resizing_method")->count(), 13);
  EXPECT_FALSE(widget<QComboBox>("Filename_Case")->isEditable());
  EXPECT_NE(widget<FontButton>("FontDialog1"), nullptr);
  EXPECT_NE(widget<ColourButton>("ColorDialog2"), nullptr);
  EXPECT_NE(widget<HtmlColourBox>("bgcolor"), nullptr);
  EXPECT_NE(widget<QPlainTextEdit>("add_header"), nullptr);
  // The extension settings are on the "Settings" page, in a box marked as such.
  QWidget* workers = widget<QSpinBox>("workers");
  EXPECT_TRUE(tabs.widget(0)->isAncestorOf(workers));
  EXPECT_TRUE(workers->parentWidget()->property("title").toString().startsWith("Extensions"));
}

TEST_F(SettingsPagesTest, SettingsThroughTheWidgetsAndBackAreTheSame) {
  const Settings changed = all_changed();
  for (const OptionDecl& option : options())
    EXPECT_FALSE(holds_default(option, changed)) << option.name;
  // Through a profile file, as the user would bring them in.
  test::TempDir dir;
  save_profile(dir / "all.ini", changed);
  Settings loaded = startup_settings(std::nullopt);
  ASSERT_FALSE(load_profile(dir / "all.ini", loaded).missing);

  pages.show_settings(loaded);
  const Settings back = pages.settings();
  for (const OptionDecl& option : options())
    EXPECT_TRUE(same_value(option, back, loaded)) << option.name;
  EXPECT_EQ(back, loaded);
  // The drop-down's own item list setting fills it.
  EXPECT_EQ(widget<QComboBox>("designtype")->itemText(0).toStdString(),
            loaded.designtype_Items.front());
}

TEST_F(SettingsPagesTest, MirroredSwitchesAndSlidersFollowEachOther) {
  for (const auto& [own, main] : {std::pair{"slicing", "enableslicing"},
                                  std::pair{"filename_changer", "use_filename_changer"},
                                  std::pair{"thumbnailgallery", "usethumbnailgallery"}}) {
    widget<QCheckBox>(own)->click();
    EXPECT_TRUE(widget<QCheckBox>(main)->isChecked()) << own;
    widget<QCheckBox>(main)->click();
    EXPECT_FALSE(widget<QCheckBox>(own)->isChecked()) << main;
  }
  widget<QSlider>("contrast_track")->setValue(40);
  EXPECT_EQ(widget<QSpinBox>("contrast")->value(), 40);
  auto* field = widget<QSpinBox>("brightness");
  field->setValue(-25);
  // The slider follows the field once the field is left.
  EXPECT_EQ(widget<QSlider>("brightness_track")->value(), 0);
  emit field->editingFinished();
  EXPECT_EQ(widget<QSlider>("brightness_track")->value(), -25);
  const Settings s = pages.settings();
  EXPECT_EQ(s.contrast, 40);
  EXPECT_EQ(s.brightness_track, -25);
}

TEST_F(SettingsPagesTest, SizeFieldsFollowTheirResizingMethod) {
  const auto enabled = [&](const char* name) { return pages.widget_for(name)->isEnabled(); };
  // At start "As Is": none of the three.
  EXPECT_FALSE(enabled("image_width"));
  EXPECT_FALSE(enabled("percentage"));
  widget<QComboBox>("resizing_method")->setEditText("Downsize by %");
  EXPECT_FALSE(enabled("image_width"));
  EXPECT_FALSE(enabled("image_height"));
  EXPECT_TRUE(enabled("percentage"));
  widget<QComboBox>("resizing_method_t2")->setEditText("  resize BY PIXELS");
  EXPECT_TRUE(enabled("image_width_t2"));
  EXPECT_TRUE(enabled("image_height_t2"));
  EXPECT_FALSE(enabled("percentage_t2"));
  EXPECT_TRUE(enabled("percentage"));  // the other groups keep theirs
  // A profile's methods apply it again.
  Settings s = pages.settings();
  s.resizing_method_t1 = "Resize by Pixels";
  s.resizing_method_t2 = "1/2x";
  pages.show_settings(s);
  EXPECT_TRUE(enabled("image_width_t1"));
  EXPECT_FALSE(enabled("image_width_t2"));
}

TEST_F(SettingsPagesTest, DirectoryChoosersEndTheChoiceInASeparatorAndRememberIt) {
  test::TempDir dir;
  std::vector<QString> starts;
  QString answer = QString::fromStdString((dir / "out").string());
  pages.choose_directory = [&](const QString& title, const QString& start) {
    starts.push_back(start);
    EXPECT_EQ(title, "Save Processed Images In ..");
    return answer;
  };
  auto* browse = tabs.findChild<QPushButton*>("save_in_directory_chooser");
  ASSERT_NE(browse, nullptr);
  browse->click();
  Settings s = pages.settings();
  EXPECT_EQ(s.save_in_directory.text(), (dir / "out").string() + "/");
  EXPECT_EQ(s.saveindlg_Path, (dir / "out").string());
  answer = "/";
  browse->click();
  EXPECT_EQ(pages.settings().save_in_directory.text(), "/");
  // The remembered folder did not exist at first: the chooser started in the program's.
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_NE(starts[0].toStdString(), (dir / "out").string());
  // A cancel changes nothing.
  answer.clear();
  browse->click();
  EXPECT_EQ(pages.settings().save_in_directory.text(), "/");
  EXPECT_EQ(with_trailing_separator("/tmp/a/"), "/tmp/a/");
  EXPECT_EQ(with_trailing_separator("/tmp/a"), "/tmp/a/");
}

TEST_F(SettingsPagesTest, ChosenFontsAndColoursReachTheSettingsAndTheCaptionPreview) {
  pages.choose_font = [](const QFont&, const QString&) -> std::optional<QFont> {
    QFont font("DejaVu Sans");
    font.setPointSize(18);
    font.setItalic(true);
    return font;
  };
  pages.choose_colour = [](const QColor&, const QString&) -> std::optional<QColor> {
    return QColor(10, 20, 30);
  };
  widget<FontButton>("FontDialog2")->click();
  widget<ColourButton>("ColorDialog2")->click();
  const Settings s = pages.settings();
  EXPECT_EQ(s.FontDialog2.Name, "DejaVu Sans");
  EXPECT_EQ(s.FontDialog2.Size, 18);
  EXPECT_EQ(s.FontDialog2.Style, fsItalic);
  EXPECT_EQ(s.FontDialog2.Height, -24);
  EXPECT_EQ(s.caption_text2_Font.Name, "DejaVu Sans");
  EXPECT_EQ(s.ColorDialog2, colour_from_rgb(10, 20, 30));
  EXPECT_EQ(s.caption_text2_Color, colour_from_rgb(10, 20, 30));
  EXPECT_EQ(s.FontDialog1, default_caption_font());
  // The caption's text box shows the style it will be drawn with.
  QWidget* preview = pages.widget_for("caption_text2");
  EXPECT_EQ(preview->font().family(), "DejaVu Sans");
  EXPECT_TRUE(preview->font().italic());
  EXPECT_EQ(preview->palette().color(QPalette::Base), QColor(10, 20, 30));
  EXPECT_FALSE(pages.widget_for("caption_text")->font().italic());
}

TEST(HtmlColourBox, ChoosingATextSetsBothValues) {
  HtmlColourBox box;
  box.setEditText("#10ff20");
  EXPECT_EQ(box.value().ColorValue, colour_from_rgb(0x10, 0xFF, 0x20));
  EXPECT_EQ(box.value().HTMLcolor, "#10ff20");
  // A listed colour shows as its item, with its swatch.
  box.set_value(html_colour("#FFFFFF"));
  EXPECT_EQ(box.currentIndex(), box.findText("#FFFFFF"));
  EXPECT_EQ(box.itemIcon(box.currentIndex()).pixmap(16, 16).toImage().pixelColor(8, 8),
            QColor(Qt::white));
  // A text of another shape leaves the colour value as it was.
  box.setEditText("#10ff20");
  box.setEditText("teal");
  EXPECT_EQ(box.value().ColorValue, colour_from_rgb(0x10, 0xFF, 0x20));
}

}  // namespace
}  // namespace lumatrix::app
