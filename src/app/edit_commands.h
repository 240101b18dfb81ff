#pragma once
// The documents behind the "Before" and "After" panes and the quick editing commands of their
// pop-up menus. A command from the "Before" menu always starts again from the unchanged source
// and leaves its outcome in the result; a command from the "After" menu works on the result
// itself, so its changes add up. Free of Qt: the window runs these on a worker and shows the
// documents when they are done.
#include <optional>
#include <string>
#include <string_view>

#include "imaging/adjustments.h"
#include "imaging/image_document.h"

namespace lumatrix::app {

inline constexpr const char* kImageSaveAsTitle = "Image Save As .....";
// The choices of the "Save &As ...." dialog: pairs of description and patterns, all separated
// by "|", the patterns of one pair by ";".
inline constexpr std::string_view kImageSaveAsFilter =
    "All (*.JPG,*.JPEG,*.TIF,*.TIFF,*.BMP,*.PCX,*.PNG,*.GIF)|*.JPG;*.JPEG;*.TIF;*.TIFF;*.BMP;*.PCX;"
    "*.PNG;*.GIF|JPEG (*.JPG,*.JPEG) | *.JPG;*.JPEG|TIFF (*.TIF,*.TIFF) | *.TIF;*.TIFF|BMP  "
    "(*.BMP) "
    "| *.BMP|PCX  (*.PCX) | *.PCX|PNG  (*.PNG) | *.PNG|GIF  (*.GIF) | *.GIF";
// The same choices as a Qt file dialog takes them: each description as it is, followed by its
// patterns in brackets (Qt reads the last bracket), the choices separated by ";;".
std::string qt_file_filter(std::string_view pairs);

enum class EditPane { Source, Result };

enum class Turn { RotateLeft, RotateRight, FlipVertical, FlipHorizontal };

class EditDocuments {
 public:
  EditDocuments();

  ImageDocument Image;         // the source, as shown in "Before"
  ImageDocument afterpreview;  // the result, as shown in "After"
  ImageDocument processimage;  // scratch copy of the source commands, empty between them

  // A newly loaded source, or a preview's result: the pane's earlier undo step is dropped.
  void set_source(const ImageDocument& source);
  void set_result(const ImageDocument& result);

  // Rotate by 90 (left) or 270 degrees with antialiasing and the document's background, or a
  // flip.
  void turn(EditPane pane, Turn turn);
  // The pane's picture cut to `selection` (inclusive corners in image pixels); without one,
  // what the document's crop of an empty selection gives.
  void crop(EditPane pane, const std::optional<Rect>& selection);
  // One adjustment of the editing dialog at full size.
  void adjust(EditPane pane, const Adjustment& adjustment, const AdjustmentValues& values);
  // The pane's own last change undone; false when it has none.
  bool undo(EditPane pane);

  ImageDocument& document(EditPane pane) { return pane == EditPane::Source ? Image : afterpreview; }

 private:
  // The source commands that work on the source itself: `change` acts on it, the outcome goes
  // to the result, and the scratch copy puts the source back as it was.
  template <class Change>
  void through_source(Change&& change);
  // The source commands that work on a scratch copy, whose outcome becomes the result.
  template <class Change>
  void on_scratch(Change&& change);
  // The result is replaced wholesale; what it showed before becomes its undo step.
  void replace_result(const ImageDocument& outcome, const std::string& label);
};

}  // namespace lumatrix::app
