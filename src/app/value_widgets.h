#pragma once
// Widgets for the settings that are more than a number or a text: a colour button, the HTML
// Wizard's colour drop-down (a colour value and its "#RRGGBB" text side by side) and a font
// button. Each holds its value exactly as the settings record does.
#include <QComboBox>
#include <QPushButton>

#include "settings/settings_values.h"

namespace lumatrix::app {

QColor qcolor_of(ColourValue colour);
ColourValue colour_of(const QColor& colour);

// Shows its colour as a swatch; a click asks for the colour chooser (the owner opens it).
class ColourButton : public QPushButton {
  Q_OBJECT
 public:
  explicit ColourButton(const QString& text, QWidget* parent = nullptr);
  ColourValue value() const { return value_; }
  void set_value(ColourValue value);

 private:
  ColourValue value_ = 0;
};

// An editable drop-down of HTML colours. Choosing an item or typing a "#RRGGBB" text sets both
// values; a profile may hold two that disagree, and they are kept as they came.
class HtmlColourBox : public QComboBox {
  Q_OBJECT
 public:
  explicit HtmlColourBox(QWidget* parent = nullptr);
  HtmlColour value() const;
  void set_value(const HtmlColour& value);

 private:
  void text_edited(const QString& text);
  ColourValue colour_value_ = 0;
};

// Shows the font's name and size; a click asks for the font chooser (the owner opens it).
class FontButton : public QPushButton {
  Q_OBJECT
 public:
  explicit FontButton(QWidget* parent = nullptr);
  const FontRecord& value() const { return value_; }
  void set_value(const FontRecord& value);

 private:
  FontRecord value_;
};

QFont qfont_of(const FontRecord& font);
// The chosen font over `base`: name, size, height and style from the chooser; colour, pitch
// and character set, which it does not choose, from `base`.
FontRecord font_record_of(const QFont& font, const FontRecord& base);

}  // namespace lumatrix::app
