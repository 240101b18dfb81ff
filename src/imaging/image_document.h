#pragma once
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/decode_resized.h"
#include "imaging/io_params.h"
#include "imaging/raster.h"

namespace lumatrix {

struct Codec;

enum class SaveOutcome {
  Written,
  NoWriter,   // no encoder for the extension: nothing was written
  NameTaken,  // save_if_free found the name taken: nothing was written
};

struct Rect {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // inclusive corners
  friend bool operator==(const Rect&, const Rect&) = default;
};

// A raster with its file parameters, a selection and one undo step; load and save go through
// the codec table by file extension.
class ImageDocument {
 public:
  Raster raster;
  IOParams params;
  Rgb background{0, 0, 0};
  // Whether processing operations keep the raster they replace as the one undo step. The
  // single-image commands undo; a batch run never does and switches it off for its documents.
  bool auto_undo = true;
  int undo_limit = 1;

  int width() const { return raster.width(); }
  int height() const { return raster.height(); }
  bool empty() const { return raster.empty(); }

  // Loads by the lower-cased last extension. An unknown extension reads nothing: the EXIF and
  // IPTC data are emptied, `aborting()` turns true, the raster is kept and false is returned.
  // A file that cannot be read, or whose data are corrupt or too large, throws ImageError
  // carrying the path and the reason; the document is then unchanged. Data that lack the
  // signature of the extension's format but carry another's (a PNG saved as "photo.jpg") are
  // read by that format, and misnamed_as() tells the caller; should it refuse them, the
  // extension's codec reads them as it always has.
  bool load(const std::filesystem::path& path);
  // Loads as load does, resampled while decoding to what `choose` asks for the picture's size
  // (decode_resized): the raster is the resampled picture, params.width and height give the
  // file's size. With Exact the raster and the parameters are those of load followed by
  // resample_raster to that target, and so are the errors.
  bool load_resized(const std::filesystem::path& path, const ChooseTarget& choose,
                    ResizeSpeed speed = ResizeSpeed::Exact);
  // Saves by extension, whole or nothing (temporary file in the target folder, then rename).
  // An extension without an encoder writes nothing and returns false. Failures throw
  // ImageError with the path and the reason; an existing target is then left as it was. A
  // transparent image saved by a codec that writes no alpha is flattened onto
  // params.flatten_colour on the way (the document keeps its alpha).
  bool save(const std::filesystem::path& path) const;
  // As save, but never replaces anything: when the name is taken, also by a file that appears
  // while this one is written, nothing is written.
  SaveOutcome save_if_free(const std::filesystem::path& path) const;
  // Fills `params` (size, DPI, bits, file type) from the file's header; the raster is untouched.
  // Returns false for an unknown extension. A misnamed file is read as load reads it.
  bool read_params(const std::filesystem::path& path);

  bool aborting() const { return aborting_; }
  // The codec that read the last file through load or read_params; null before the first and
  // after a file nothing could read.
  const Codec* read_with() const { return read_with_; }
  // The codec the last file's extension names, when its content was another format's and
  // read_with() read it; null for every file whose content matches its name.
  const Codec* misnamed_as() const { return misnamed_as_; }
  // What a run tells its user about the file load last read, calling it `file`: that its
  // content is another format than its name says, and each piece of damage the reader worked
  // around (params.warnings). Empty for a sound file with the right name.
  std::vector<std::string> read_notices(std::string_view file) const;

  // Copies the parameters first, then the pixels; the copies are independent.
  void assign(const ImageDocument& source);
  // Parameters back to their defaults, EXIF and IPTC emptied, size and DPI from the raster;
  // the stream-header and CMYK-by-profile flags, which the caller sets per run, are kept (as
  // they are by load), and so is the colour profile, which describes the pixels.
  void reset_info();

  // Selection: clamps into the image, orders the corners; nothing when x1 == x2 or y1 == y2.
  void select(int x1, int y1, int x2, int y2);
  const std::optional<Rect>& selection() const { return selection_; }
  void deselect() { selection_.reset(); }
  // The image becomes the selected rectangle (undo step "CropSel"); without a selection it
  // stays. The selection is dropped either way.
  void crop_sel();

  // Fills the raster with `background` (undo step "Clear").
  void clear();
  // Converts any format to 24-bit RGB (undo step "ConvertTo24Bit"); alpha is kept.
  void convert_to_24bit();

  // Records the current raster under `label` when auto_undo is on; every processing operation
  // but flip calls this first (or replace_raster, which records the same step).
  void save_undo(const std::string& label);
  // Puts `result` in place of the raster. With auto_undo the old raster becomes the undo step
  // `label`, handed over rather than copied; without it, it is dropped.
  void replace_raster(const std::string& label, Raster result);
  bool can_undo() const { return undo_.has_value(); }
  const std::string& undo_label() const;
  // Restores the last recorded raster; false when there is none.
  bool undo();

 private:
  // The file's bytes as the extension's codec writes the document; nothing without an encoder.
  std::optional<std::vector<uint8_t>> encoded_for(const std::filesystem::path& path) const;
  using Decode = std::function<Raster(const Codec&, std::span<const uint8_t>, IOParams&)>;
  bool load_with(const std::filesystem::path& path, const Decode& decode);

  struct UndoStep {
    std::string label;
    Raster raster;
  };
  std::optional<Rect> selection_;
  std::optional<UndoStep> undo_;
  bool aborting_ = false;
  const Codec* read_with_ = nullptr;
  const Codec* misnamed_as_ = nullptr;
};

}  // namespace lumatrix
