#include "app/value_widgets.h"

#include <QPixmap>
#include <cmath>

namespace lumatrix::app {

namespace {

constexpr const char* kHtmlColours[] = {
    "#000000", "#FFFFFF", "#FF0000", "#800000", "#00FF00", "#008000", "#0000FF", "#000080",
    "#FFFF00", "#808000", "#00FFFF", "#008080", "#FF00FF", "#800080", "#C0C0C0", "#808080"};

QIcon swatch(ColourValue colour) {
  QPixmap pixmap(16, 16);
  pixmap.fill(qcolor_of(colour));
  return QIcon(pixmap);
}

}  // namespace

QColor qcolor_of(ColourValue colour) {
  const Rgb rgb = rgb_of(colour);
  return QColor(rgb.r, rgb.g, rgb.b);
}

ColourValue colour_of(const QColor& colour) {
  return colour_from_rgb(static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                         static_cast<uint8_t>(colour.blue()));
}

ColourButton::ColourButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  set_value(0);
}

void ColourButton::set_value(ColourValue value) {
  value_ = value;
  setIcon(swatch(value));
}

HtmlColourBox::HtmlColourBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  for (const char* html : kHtmlColours) {
    const auto value = parse_html_colour(html);
    addItem(swatch(value.value_or(0)), html);
  }
  connect(this, &QComboBox::currentTextChanged, this, &HtmlColourBox::text_edited);
}

HtmlColour HtmlColourBox::value() const {
  return {colour_value_, currentText().toStdString()};
}

void HtmlColourBox::set_value(const HtmlColour& value) {
  const QSignalBlocker quiet(this);
  // A listed colour is chosen as an item, so that the box shows its swatch too.
  const QString text = QString::fromStdString(value.HTMLcolor);
  const int item = findText(text, Qt::MatchFixedString);
  if (item >= 0) setCurrentIndex(item);
  setEditText(text);
  colour_value_ = value.ColorValue;
}

void HtmlColourBox::text_edited(const QString& text) {
  if (const auto value = parse_html_colour(text.toStdString())) colour_value_ = *value;
}

FontButton::FontButton(QWidget* parent) : QPushButton(parent) {
  set_value(FontRecord{});
}

void FontButton::set_value(const FontRecord& value) {
  value_ = value;
  setText(QString("%1, %2 pt").arg(QString::fromStdString(value.Name)).arg(value.Size));
}

QFont qfont_of(const FontRecord& font) {
  QFont q(QString::fromStdString(font.Name));
  if (font.Size > 0) q.setPointSize(font.Size);
  q.setBold(font.Style & fsBold);
  q.setItalic(font.Style & fsItalic);
  q.setUnderline(font.Style & fsUnderline);
  q.setStrikeOut(font.Style & fsStrikeOut);
  return q;
}

FontRecord font_record_of(const QFont& font, const FontRecord& base) {
  FontRecord record = base;
  record.Name = font.family().toStdString();
  record.Size = font.pointSize();
  // The height in pixels at 96 dots per inch, negative as the record keeps it.
  record.Height = -static_cast<int32_t>(std::lround(font.pointSizeF() * 96.0 / 72.0));
  record.Style = static_cast<uint8_t>((font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) |
                                      (font.underline() ? fsUnderline : 0) |
                                      (font.strikeOut() ? fsStrikeOut : 0));
  return record;
}

}  // namespace lumatrix::app
