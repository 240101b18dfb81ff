#include "app/settings_pages.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <algorithm>
#include <limits>

#include "app/page_table.h"
#include "app/value_widgets.h"
#include "settings/setting_groups.h"
#include "settings/settings_rules.h"

namespace lumatrix::app {

namespace {

namespace fs = std::filesystem;

// A setting named "control.Property" is a property of another control, not a widget.
bool is_property_row(const OptionDecl& option) {
  return option.name.find('.') != std::string_view::npos;
}

// A slider is the partner of a mirrored edit.
bool is_slider(const OptionDecl& option) {
  if (option.kind != OptionKind::Integer) return false;
  return std::any_of(mirror_pairs().begin(), mirror_pairs().end(),
                     [&](const MirrorPair& p) { return p.partner == option.name; });
}

int clamp_int(int64_t value) {
  return static_cast<int>(
      std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QString qtext(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString lines_text(const Lines& lines) {
  QStringList list;
  for (const std::string& line : lines) list << QString::fromStdString(line);
  return list.join('\n');
}

// A text box's lines; an empty box holds none.
Lines lines_of_text(const QString& text) {
  Lines lines;
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
  return lines;
}

// The items a drop-down offers: its item-list setting when it has one, else its vocabulary.
QStringList items_of(const OptionDecl& option, const Settings& settings) {
  QStringList items;
  const std::string list_name = std::string(option.name) + ".Items";
  if (const OptionDecl* list = find_option(list_name); list && list->kind == OptionKind::Lines) {
    for (const std::string& item : list->in<Lines>(settings)) items << QString::fromStdString(item);
  } else {
    for (std::string_view item : option.items) items << qtext(item);
  }
  return items;
}

QString group_title(std::string_view group) {
  const bool extension = std::any_of(options().begin(), options().end(), [&](const OptionDecl& o) {
    return o.group == group && o.extension;
  });
  // Settings of this program that older profiles do not have are marked as such.
  return extension ? "Extensions: " + qtext(group) : qtext(group);
}

}  // namespace

std::string with_trailing_separator(std::string directory) {
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory;
}

SettingsPages::SettingsPages(QTabWidget* tabs) : QObject(tabs) {
  choose_directory = [tabs](const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(tabs, title, start);
  };
  choose_file = [tabs](const QString& title, const QString& start) {
    return QFileDialog::getOpenFileName(tabs, title, start);
  };
  choose_colour = [tabs](const QColor& initial, const QString& title) -> std::optional<QColor> {
    const QColor chosen = QColorDialog::getColor(initial, tabs, title);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
  };
  choose_font = [tabs](const QFont& initial, const QString& title) -> std::optional<QFont> {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, tabs, title);
    if (!ok) return std::nullopt;
    return chosen;
  };
  for (const PageGroups& page : settings_pages()) {
    QWidget* widget = make_page(page.groups);
    tabs->addTab(widget, qtext(page.page));
    pages_.push_back(widget);
  }
  wire_rules();
  show_settings(carried_);
}

QWidget* SettingsPages::make_page(std::span<const std::string_view> groups) {
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  auto* inner = new QWidget;
  auto* grid = new QGridLayout(inner);
  int index = 0;
  for (std::string_view group : groups) {
    auto* box = new QGroupBox(group_title(group), inner);
    auto* form = new QFormLayout(box);
    for (const OptionDecl& option : options()) {
      if (option.group != group || is_property_row(option)) continue;
      QWidget* widget = make_widget(option, box);
      widgets_.emplace(std::string(option.name), widget);
      QWidget* field = widget;
      if (const ChooserButton* chooser = chooser_for(option.name)) {
        field = new QWidget(box);
        auto* row = new QHBoxLayout(field);
        row->setContentsMargins(0, 0, 0, 0);
        widget->setParent(field);
        row->addWidget(widget, 1);
        auto* button = new QPushButton(qtext(chooser->caption), field);
        button->setObjectName(QString("%1_chooser").arg(qtext(option.name)));
        const std::string setting(option.name);
        connect(button, &QPushButton::clicked, this, [this, setting] { chooser_clicked(setting); });
        row->addWidget(button);
      }
      if (option.kind == OptionKind::Flag)
        form->addRow(field);
      else
        form->addRow(qtext(option.caption), field);
    }
    grid->addWidget(box, index / 2, index % 2, Qt::AlignTop);
    ++index;
  }
  grid->setRowStretch(grid->rowCount(), 1);
  scroll->setWidget(inner);
  return scroll;
}

QWidget* SettingsPages::make_widget(const OptionDecl& option, QWidget* parent) {
  QWidget* widget = nullptr;
  switch (option.kind) {
    case OptionKind::Flag:
      widget = new QCheckBox(qtext(option.caption), parent);
      break;
    case OptionKind::Integer:
      if (is_slider(option)) {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setRange(clamp_int(option.min), clamp_int(option.max));
        widget = slider;
      } else {
        auto* spin = new QSpinBox(parent);
        spin->setRange(clamp_int(option.min), clamp_int(option.max));
        widget = spin;
      }
      break;
    case OptionKind::Index: {
      auto* box = new QComboBox(parent);
      for (std::string_view item : option.items) box->addItem(qtext(item));
      widget = box;
      break;
    }
    case OptionKind::Choice: {
      auto* box = new QComboBox(parent);
      box->setEditable(true);
      box->setInsertPolicy(QComboBox::NoInsert);
      widget = box;
      break;
    }
    case OptionKind::Text:
      widget = new QLineEdit(parent);
      break;
    case OptionKind::Lines: {
      auto* edit = new QPlainTextEdit(parent);
      edit->setMinimumHeight(60);
      widget = edit;
      break;
    }
    case OptionKind::Colour: {
      auto* button = new ColourButton(qtext(option.caption), parent);
      connect(button, &QPushButton::clicked, this, [this, &option] { colour_clicked(option); });
      widget = button;
      break;
    }
    case OptionKind::HtmlColour:
      widget = new HtmlColourBox(parent);
      break;
    case OptionKind::Font: {
      auto* button = new FontButton(parent);
      connect(button, &QPushButton::clicked, this, [this, &option] { font_clicked(option); });
      widget = button;
      break;
    }
  }
  widget->setObjectName(qtext(option.name));
  widget->setToolTip(qtext(option.name));
  return widget;
}

void SettingsPages::show_settings(const Settings& settings) {
  carried_ = settings;
  for (const OptionDecl& option : options()) {
    QWidget* widget = widget_for(option.name);
    if (!widget) continue;
    const QSignalBlocker quiet(widget);
    switch (option.kind) {
      case OptionKind::Flag:
        static_cast<QCheckBox*>(widget)->setChecked(option.in<bool>(settings));
        break;
      case OptionKind::Integer:
        if (auto* slider = qobject_cast<QSlider*>(widget))
          slider->setValue(option.in<int32_t>(settings));
        else
          static_cast<QSpinBox*>(widget)->setValue(option.in<int32_t>(settings));
        break;
      case OptionKind::Index:
        static_cast<QComboBox*>(widget)->setCurrentIndex(option.in<int32_t>(settings));
        break;
      case OptionKind::Choice: {
        auto* box = static_cast<QComboBox*>(widget);
        box->clear();
        box->addItems(items_of(option, settings));
        box->setEditText(QString::fromStdString(option.text_in(settings)));
        break;
      }
      case OptionKind::Text:
        static_cast<QLineEdit*>(widget)->setText(QString::fromStdString(option.text_in(settings)));
        break;
      case OptionKind::Lines:
        static_cast<QPlainTextEdit*>(widget)->setPlainText(lines_text(option.in<Lines>(settings)));
        break;
      case OptionKind::Colour:
        static_cast<ColourButton*>(widget)->set_value(option.in<int32_t>(settings));
        break;
      case OptionKind::HtmlColour:
        static_cast<HtmlColourBox*>(widget)->set_value(option.in<HtmlColour>(settings));
        break;
      case OptionKind::Font:
        static_cast<FontButton*>(widget)->set_value(option.in<FontRecord>(settings));
        break;
    }
  }
  apply_size_rule();
  show_caption_styles();
}

void SettingsPages::show_caption_styles() {
  // Each caption's text box previews its style: the font (at the box's own size), the text
  // colour and the background colour it is drawn with.
  for (int which = 1; which <= 2; ++which) {
    const CaptionGroupNames names = caption_group_names(which);
    QWidget* box = widget_for(names.text);
    const OptionDecl* font = find_option(std::string(names.text) + ".Font");
    const OptionDecl* fill = find_option(std::string(names.text) + ".Color");
    if (!box || !font || !fill) continue;
    const FontRecord& record = font->in<FontRecord>(carried_);
    QFont shown = qfont_of(record);
    shown.setPointSize(box->font().pointSize());
    box->setFont(shown);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, qcolor_of(fill->in<int32_t>(carried_)));
    palette.setColor(QPalette::Text, qcolor_of(record.Color));
    box->setPalette(palette);
  }
}

Settings SettingsPages::settings() const {
  Settings settings = carried_;
  for (const OptionDecl& option : options()) {
    QWidget* widget = widget_for(option.name);
    if (!widget) continue;
    switch (option.kind) {
      case OptionKind::Flag:
        option.in<bool>(settings) = static_cast<QCheckBox*>(widget)->isChecked();
        break;
      case OptionKind::Integer:
        if (auto* slider = qobject_cast<QSlider*>(widget))
          option.in<int32_t>(settings) = slider->value();
        else
          option.in<int32_t>(settings) = static_cast<QSpinBox*>(widget)->value();
        break;
      case OptionKind::Index:
        option.in<int32_t>(settings) = static_cast<QComboBox*>(widget)->currentIndex();
        break;
      case OptionKind::Choice:
        option.set_text(settings, static_cast<QComboBox*>(widget)->currentText().toStdString());
        break;
      case OptionKind::Text:
        option.set_text(settings, static_cast<QLineEdit*>(widget)->text().toStdString());
        break;
      case OptionKind::Lines:
        option.in<Lines>(settings) =
            lines_of_text(static_cast<QPlainTextEdit*>(widget)->toPlainText());
        break;
      case OptionKind::Colour:
        option.in<int32_t>(settings) = static_cast<ColourButton*>(widget)->value();
        break;
      case OptionKind::HtmlColour:
        option.in<HtmlColour>(settings) = static_cast<HtmlColourBox*>(widget)->value();
        break;
      case OptionKind::Font:
        option.in<FontRecord>(settings) = static_cast<FontButton*>(widget)->value();
        break;
    }
  }
  return settings;
}

QWidget* SettingsPages::widget_for(std::string_view name) const {
  const auto found = widgets_.find(name);
  return found == widgets_.end() ? nullptr : found->second;
}

void SettingsPages::set_locked(bool locked) {
  for (QWidget* page : pages_) page->setEnabled(!locked);
}

void SettingsPages::wire_rules() {
  for (const MirrorPair& pair : mirror_pairs()) {
    QWidget* primary = widget_for(pair.primary);
    QWidget* partner = widget_for(pair.partner);
    if (auto* a = qobject_cast<QCheckBox*>(primary)) {
      auto* b = qobject_cast<QCheckBox*>(partner);
      connect(a, &QCheckBox::toggled, b, &QCheckBox::setChecked);
      connect(b, &QCheckBox::toggled, a, &QCheckBox::setChecked);
    } else if (auto* field = qobject_cast<QSpinBox*>(primary)) {
      auto* slider = qobject_cast<QSlider*>(partner);
      // The field follows the slider as it moves; the slider follows the field when it is left.
      connect(slider, &QSlider::valueChanged, field, &QSpinBox::setValue);
      connect(field, &QSpinBox::editingFinished, slider,
              [field, slider] { slider->setValue(field->value()); });
    }
  }
  for (const ResizingGroup& group : resizing_groups())
    if (auto* method = qobject_cast<QComboBox*>(widget_for(group.method)))
      connect(method, &QComboBox::currentTextChanged, this, [this] { apply_size_rule(); });
}

void SettingsPages::apply_size_rule() {
  for (const ResizingGroup& group : resizing_groups()) {
    auto* method = qobject_cast<QComboBox*>(widget_for(group.method));
    if (!method) continue;
    const SizeFieldsEnabled enabled = size_fields_enabled(method->currentText().toStdString());
    widget_for(group.width)->setEnabled(enabled.width);
    widget_for(group.height)->setEnabled(enabled.height);
    widget_for(group.percentage)->setEnabled(enabled.percentage);
  }
}

void SettingsPages::edit(const std::function<void(Settings&)>& change) {
  Settings settings = this->settings();
  try {
    change(settings);
  } catch (const std::exception& error) {
    emit failed(QString::fromStdString(error.what()));
    return;
  }
  show_settings(settings);
}

void SettingsPages::chooser_clicked(std::string_view setting) {
  const ChooserButton* chooser = chooser_for(setting);
  const OptionDecl* option = find_option(setting);
  if (!chooser || !option) return;
  const OptionDecl* remember = chooser->remember.empty() ? nullptr : find_option(chooser->remember);
  QString start;
  if (remember) {
    start = QString::fromStdString(remember->text_in(carried_));
    std::error_code error;
    if (!fs::is_directory(start.toStdString(), error))
      start = QCoreApplication::applicationDirPath();
  }
  const bool directory = chooser->kind == ChooserKind::Directory;
  const QString chosen = directory ? choose_directory(qtext(chooser->title), start)
                                   : choose_file(qtext(chooser->title), start);
  if (chosen.isEmpty()) return;
  edit([&](Settings& s) {
    if (remember) remember->set_text(s, chosen.toStdString());
    option->set_text(
        s, directory ? with_trailing_separator(chosen.toStdString()) : chosen.toStdString());
  });
}

void SettingsPages::colour_clicked(const OptionDecl& option) {
  const auto chosen =
      choose_colour(qcolor_of(option.in<int32_t>(settings())), qtext(option.caption));
  if (!chosen) return;
  edit([&](Settings& s) { lumatrix::choose_colour(s, option.name, colour_of(*chosen)); });
}

void SettingsPages::font_clicked(const OptionDecl& option) {
  const FontRecord current = option.in<FontRecord>(settings());
  const auto chosen = choose_font(qfont_of(current), qtext(option.caption));
  if (!chosen) return;
  edit([&](Settings& s) {
    lumatrix::choose_font(s, option.name, font_record_of(*chosen, current));
  });
}

}  // namespace lumatrix::app
