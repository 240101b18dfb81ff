#include "app/edit_commands.h"

#include <algorithm>
#include <vector>

#include "imaging/rotate_flip.h"

namespace lumatrix::app {

namespace {

// The documents of the window undo one step, as the single-image commands need.
ImageDocument undoing_document() {
  ImageDocument doc;
  doc.auto_undo = true;
  doc.undo_limit = 1;
  return doc;
}

void apply_turn(ImageDocument& doc, Turn turn) {
  switch (turn) {
    case Turn::RotateLeft:
      return rotate(doc, 90, true, doc.background);
    case Turn::RotateRight:
      return rotate(doc, 270, true, doc.background);
    case Turn::FlipVertical:
    case Turn::FlipHorizontal:
      // The document's flip keeps no undo step; here it is a change of its own, which the
      // pane's Undo takes back rather than the step before it.
      doc.save_undo("Flip");
      return flip(doc,
                  turn == Turn::FlipVertical ? FlipDirection::Vertical : FlipDirection::Horizontal);
  }
}

void apply_crop(ImageDocument& doc, const std::optional<Rect>& selection) {
  if (selection) {
    doc.select(selection->x1, selection->y1, selection->x2, selection->y2);
  } else {
    doc.deselect();
  }
  doc.crop_sel();
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::string qt_file_filter(std::string_view pairs) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t bar = pairs.find('|', start);
    parts.push_back(pairs.substr(start, bar == std::string_view::npos ? bar : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  std::string filter;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns(trimmed(parts[i + 1]));
    std::replace(patterns.begin(), patterns.end(), ';', ' ');
    if (!filter.empty()) filter += ";;";
    filter += parts[i];
    if (!parts[i].ends_with(' ')) filter += ' ';
    filter += "(" + patterns + ")";
  }
  return filter;
}

EditDocuments::EditDocuments()
    : Image(undoing_document()),
      afterpreview(undoing_document()),
      processimage(undoing_document()) {}

void EditDocuments::set_source(const ImageDocument& source) {
  Image = undoing_document();
  Image.assign(source);
}

void EditDocuments::set_result(const ImageDocument& result) {
  afterpreview = undoing_document();
  afterpreview.assign(result);
}

void EditDocuments::replace_result(const ImageDocument& outcome, const std::string& label) {
  afterpreview.save_undo(label);
  afterpreview.assign(outcome);
}

template <class Change>
void EditDocuments::on_scratch(Change&& change) {
  processimage = undoing_document();
  processimage.assign(Image);
  change(processimage);
  replace_result(processimage, processimage.can_undo() ? processimage.undo_label() : "");
  processimage = undoing_document();
}

template <class Change>
void EditDocuments::through_source(Change&& change) {
  processimage = undoing_document();
  processimage.assign(Image);
  try {
    change(Image);
  } catch (...) {
    Image.assign(processimage);
    processimage = undoing_document();
    throw;
  }
  replace_result(Image, Image.can_undo() ? Image.undo_label() : "");
  Image.assign(processimage);
  processimage = undoing_document();
}

void EditDocuments::turn(EditPane pane, Turn turn) {
  if (pane == EditPane::Result) return apply_turn(afterpreview, turn);
  on_scratch([turn](ImageDocument& doc) { apply_turn(doc, turn); });
}

void EditDocuments::crop(EditPane pane, const std::optional<Rect>& selection) {
  if (pane == EditPane::Result) return apply_crop(afterpreview, selection);
  through_source([&](ImageDocument& doc) { apply_crop(doc, selection); });
}

void EditDocuments::adjust(EditPane pane, const Adjustment& adjustment,
                           const AdjustmentValues& values) {
  if (pane == EditPane::Result) return adjustment.apply(afterpreview, values);
  through_source([&](ImageDocument& doc) { adjustment.apply(doc, values); });
}

bool EditDocuments::undo(EditPane pane) {
  return document(pane).undo();
}

}  // namespace lumatrix::app
