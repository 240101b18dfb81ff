#pragma once
// The six settings pages, generated from the settings table: one widget per setting by its
// kind, named after the setting, its caption as label, in the group boxes and pages of the
// page table. Settings go to the widgets and come back from them by the same table, so there
// is no code for any one setting; the rules that tie settings together (mirrored switches and
// sliders, the size fields' enabling) are wired from the settings layer's own lists.
#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

class QColor;
class QFont;
class QTabWidget;
class QWidget;

namespace lumatrix::app {

class SettingsPages : public QObject {
  Q_OBJECT
 public:
  // Adds the six pages to `tabs`, after the tabs already there.
  explicit SettingsPages(QTabWidget* tabs);

  // Settings to widgets. Values without a widget of their own (hidden values, a drop-down's
  // item list, the caption boxes' preview font and colour) are kept and given back by
  // settings().
  void show_settings(const Settings& settings);
  // Widgets to settings.
  Settings settings() const;

  // The widget of a setting; nullptr for one shown nowhere.
  QWidget* widget_for(std::string_view name) const;
  const std::vector<QWidget*>& pages() const { return pages_; }
  // While a run works on its copy of the settings, the pages take no edits.
  void set_locked(bool locked);

  // The choosers the buttons open; a test puts its own answers here. An empty result or
  // nullopt is a cancel.
  std::function<QString(const QString& title, const QString& start)> choose_directory;
  std::function<QString(const QString& title, const QString& start)> choose_file;
  std::function<std::optional<QColor>(const QColor& initial, const QString& title)> choose_colour;
  std::function<std::optional<QFont>(const QFont& initial, const QString& title)> choose_font;

 signals:
  // A setting refused a value a chooser brought (the message names it).
  void failed(const QString& message);

 private:
  QWidget* make_widget(const OptionDecl& option, QWidget* parent);
  QWidget* make_page(std::span<const std::string_view> groups);
  void wire_rules();
  void apply_size_rule();
  void show_caption_styles();
  void chooser_clicked(std::string_view setting);
  void colour_clicked(const OptionDecl& option);
  void font_clicked(const OptionDecl& option);
  // Reads the settings, lets `change` edit them, shows them again.
  void edit(const std::function<void(Settings&)>& change);

  std::map<std::string, QWidget*, std::less<>> widgets_;
  std::vector<QWidget*> pages_;
  Settings carried_;
};

// A chosen directory as a setting holds it: ending in the separator (a root, which already
// ends in one, unchanged).
std::string with_trailing_separator(std::string directory);

}  // namespace lumatrix::app
