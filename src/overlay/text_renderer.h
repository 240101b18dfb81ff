#pragma once
// Single-line text on a raster with FreeType: fonts found by family name through fontconfig
// (unknown families fall back to a sans face), antialiased glyphs cached per font and style,
// an outline, a sharp or diffuse shadow, underline and strike-out. Text is UTF-8.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "imaging/raster.h"
#include "overlay/font3d.h"
#include "settings/settings_values.h"

namespace lumatrix {

// How the text cell is painted before the glyphs: solid fills it with `colour`, clear leaves
// the pixels underneath.
struct Brush {
  bool solid = false;
  Rgb colour{255, 255, 255};
};

// The pixel size a font record asks for: a negative Height is the character height, a positive
// one the cell height (converted by the face), else Size in points at 96 dots per inch.
int font_pixel_size(const FontRecord& font);

class TextRenderer {
 public:
  TextRenderer();
  ~TextRenderer();
  TextRenderer(const TextRenderer&) = delete;
  TextRenderer& operator=(const TextRenderer&) = delete;

  // Gap added between two characters (none).
  static constexpr int kCharacterSpacing = 0;

  // Sum of the characters' rendered advances and CharacterMargin, plus the spacing between
  // characters.
  int text_width(const FontRecord& font, const Font3D& style, std::string_view text);
  // Mean of the characters' rendered heights, halves to even; "" is measured as "X".
  int text_height(const FontRecord& font, const Font3D& style, std::string_view text);
  // Draws `text` with the block's top-left corner at (x, y) on a 24-bit raster, clipped to it.
  void draw(Raster& target, int x, int y, std::string_view text, const FontRecord& font,
            const Font3D& style, const Brush& brush);

  // The file fontconfig chose for a font record (for tests and diagnostics).
  std::string face_file(const FontRecord& font);

 private:
  struct Face;
  struct Glyph {
    int advance = 0;        // pixels
    int left = 0, top = 0;  // bitmap offset from the pen position on the baseline
    int width = 0, rows = 0;
    std::vector<uint8_t> coverage;
  };
  struct Layout;

  Face& face_for(const FontRecord& font);
  const Glyph& glyph(Face& face, const Font3D& style, char32_t code);
  Layout layout(const FontRecord& font, const Font3D& style, std::string_view text);

  struct LibraryDeleter {
    void operator()(void* library) const;
  };
  std::unique_ptr<void, LibraryDeleter> library_;
  std::map<std::string, std::unique_ptr<Face>> faces_;
  std::vector<float> work_mask_, work_ring_;  // grown to the largest text drawn, never shrunk
};

// The renderer of the calling thread (each worker draws with its own).
TextRenderer& text_renderer();

// UTF-8 to code points; malformed bytes become U+FFFD.
std::u32string decode_utf8(std::string_view text);

}  // namespace lumatrix
