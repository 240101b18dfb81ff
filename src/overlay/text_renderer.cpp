#include "overlay/text_renderer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <mutex>

#include "base/image_error.h"

namespace lumatrix {

namespace {

struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

void check_ft(FT_Error error, const char* what) {
  if (error)
    throw ImageError(std::string("text rendering: ") + what + " failed (FreeType error " +
                     std::to_string(error) + ")");
}

// The font file and face index fontconfig picks for a family and style; the family list ends in
// "sans-serif" so a family the system lacks still gets a sans face.
std::pair<std::string, int> match_font(const FontRecord& font) {
  static std::once_flag init;
  std::call_once(init, [] { FcInit(); });
  // The workers of a run match their fonts at the same time, and fontconfig's configuration is
  // one for the process; a match happens once per font and worker, so one at a time costs
  // nothing.
  static std::mutex matching;
  const std::lock_guard lock(matching);
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) throw ImageError("text rendering: out of memory matching a font");
  const auto add_family = [&](const std::string& family) {
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  };
  if (!font.Name.empty()) add_family(font.Name);
  add_family("sans-serif");
  FcPatternAddInteger(pattern.get(), FC_WEIGHT,
                      (font.Style & fsBold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT,
                      (font.Style & fsItalic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  if (font.Pitch == FontPitch::fpFixed) FcPatternAddInteger(pattern.get(), FC_SPACING, FC_MONO);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  FcChar8* file = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file)
    throw ImageError("text rendering: no font found for \"" + font.Name + "\"");
  int index = 0;
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
  return {reinterpret_cast<const char*>(file), index};
}

// Where the shadow falls and how soft it is, from the light direction and the altitude.
struct ShadowGeometry {
  bool on = false;
  int dx = 0, dy = 0, blur = 0;
};

ShadowGeometry shadow_geometry(const Font3D& style) {
  ShadowGeometry g;
  if (style.Shadow.Style == ShadowStyle::sfssNone) return g;
  g.on = true;
  const double angle = style.ViewDirection * M_PI / 180.0;
  // The shadow lies opposite the light; screen rows grow downwards.
  g.dx = static_cast<int>(std::lround(-std::cos(angle) * style.Altitude));
  g.dy = static_cast<int>(std::lround(std::sin(angle) * style.Altitude));
  if (style.Shadow.Style == ShadowStyle::sfssDiffuse)
    g.blur = std::max(1, static_cast<int>(std::lround(style.Altitude / 2)));
  return g;
}

// An outline in the text's own colour would only make the letters heavier, so it is left out.
int border_radius(const Font3D& style) {
  if (!style.Gradient.Active && style.Border.Color == style.FrontColor) return 0;
  return style.Border.Height > 0 ? static_cast<int>(std::ceil(style.Border.Height)) : 0;
}

// One pass of a box blur of radius r along rows (step 1) or columns (step = width).
void box_blur(std::vector<float>& data, int width, int height, int r, bool along_rows) {
  const int lines = along_rows ? height : width, length = along_rows ? width : height;
  const size_t step = along_rows ? 1 : static_cast<size_t>(width);
  std::vector<float> line(static_cast<size_t>(length));
  for (int l = 0; l < lines; ++l) {
    const size_t start = along_rows ? static_cast<size_t>(l) * width : static_cast<size_t>(l);
    for (int i = 0; i < length; ++i) line[i] = data[start + i * step];
    float sum = 0;
    for (int i = -r; i <= r; ++i) sum += (i >= 0 && i < length) ? line[i] : 0.f;
    for (int i = 0; i < length; ++i) {
      data[start + i * step] = sum / static_cast<float>(2 * r + 1);
      const int out = i - r, in = i + r + 1;
      if (out >= 0) sum -= line[out];
      if (in < length) sum += line[in];
    }
  }
}

uint8_t mix(int over, int under, float alpha) {
  return static_cast<uint8_t>(std::lround(over * alpha + under * (1.f - alpha)));
}

}  // namespace

struct TextRenderer::Face {
  std::unique_ptr<FT_FaceRec_, FaceDeleter> face;
  std::string file;
  bool synth_bold = false, synth_italic = false, underline = false, strikeout = false;
  int em = 0, ascent = 0, descent = 0;
  int underline_offset = 0, line_thickness = 1;  // below the baseline; pixels
  std::unordered_map<uint64_t, Glyph> glyphs;    // code point, antialiasing bit
};

struct TextRenderer::Layout {
  std::vector<const Glyph*> glyphs;
  std::vector<int> pen;  // pen x of each glyph, from the block's left edge
  int block_width = 0, glyph_height = 0, height = 0;
  int pad = 0, top_extra = 0, ascent = 0;
  ShadowGeometry shadow;
  Face* face = nullptr;
};

void TextRenderer::LibraryDeleter::operator()(void* library) const {
  FT_Done_FreeType(static_cast<FT_Library>(library));
}

TextRenderer::TextRenderer() {
  FT_Library library = nullptr;
  check_ft(FT_Init_FreeType(&library), "initialising FreeType");
  library_.reset(library);
}

TextRenderer::~TextRenderer() {
  faces_.clear();
}

int font_pixel_size(const FontRecord& font) {
  int size = 0;
  if (font.Height < 0)
    size = -font.Height;
  else if (font.Height > 0)
    size = font.Height;  // a cell height; the face scales it down to the character height
  else
    size = static_cast<int>(std::lround(font.Size * 96.0 / 72.0));
  return std::clamp(size, 1, 2000);
}

TextRenderer::Face& TextRenderer::face_for(const FontRecord& font) {
  const std::string key = font.Name + '\n' + std::to_string(font.Height) + '\n' +
                          std::to_string(font.Size) + '\n' + std::to_string(font.Style) + '\n' +
                          std::to_string(static_cast<int>(font.Pitch));
  if (auto found = faces_.find(key); found != faces_.end()) return *found->second;

  auto entry = std::make_unique<Face>();
  const auto [file, index] = match_font(font);
  FT_Face face = nullptr;
  check_ft(FT_New_Face(static_cast<FT_Library>(library_.get()), file.c_str(), index, &face),
           "opening the font");
  entry->face.reset(face);
  entry->file = file;
  int em = font_pixel_size(font);
  if (font.Height > 0 && FT_IS_SCALABLE(face) && face->ascender - face->descender > 0)
    em = std::max(1, static_cast<int>(std::lround(double(em) * face->units_per_EM /
                                                  (face->ascender - face->descender))));
  check_ft(FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)), "sizing the font");
  entry->em = em;
  entry->ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
  entry->descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
  entry->synth_bold = (font.Style & fsBold) && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  entry->synth_italic = (font.Style & fsItalic) && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  entry->underline = font.Style & fsUnderline;
  entry->strikeout = font.Style & fsStrikeOut;
  const double scale = FT_IS_SCALABLE(face) ? double(em) / face->units_per_EM : 0.0;
  entry->underline_offset =
      std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
  entry->line_thickness =
      std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
  return *faces_.emplace(key, std::move(entry)).first->second;
}

const TextRenderer::Glyph& TextRenderer::glyph(Face& face, const Font3D& style, char32_t code) {
  const uint64_t key = uint64_t{code} << 1 | (style.Antialiasing ? 1u : 0u);
  if (auto found = face.glyphs.find(key); found != face.glyphs.end()) return found->second;
  FT_Face ft = face.face.get();
  Glyph g;
  const FT_UInt index = FT_Get_Char_Index(ft, code);
  if (FT_Load_Glyph(ft, index, FT_LOAD_DEFAULT) == 0) {
    if (face.synth_italic) FT_GlyphSlot_Oblique(ft->glyph);
    if (face.synth_bold) FT_GlyphSlot_Embolden(ft->glyph);
    if (FT_Render_Glyph(ft->glyph, FT_RENDER_MODE_NORMAL) == 0) {
      const FT_Bitmap& bitmap = ft->glyph->bitmap;
      g.left = ft->glyph->bitmap_left;
      g.top = ft->glyph->bitmap_top;
      g.width = static_cast<int>(bitmap.width);
      g.rows = static_cast<int>(bitmap.rows);
      g.coverage.resize(static_cast<size_t>(g.width) * g.rows);
      for (int y = 0; y < g.rows; ++y)
        for (int x = 0; x < g.width; ++x) {
          uint8_t v = bitmap.buffer[static_cast<ptrdiff_t>(y) * bitmap.pitch + x];
          if (!style.Antialiasing) v = v >= 128 ? 255 : 0;
          g.coverage[static_cast<size_t>(y) * g.width + x] = v;
        }
    }
    g.advance = static_cast<int>((ft->glyph->advance.x + 32) >> 6);
  }
  return face.glyphs.emplace(key, std::move(g)).first->second;
}

TextRenderer::Layout TextRenderer::layout(const FontRecord& font, const Font3D& style,
                                          std::string_view text) {
  Layout out;
  out.face = &face_for(font);
  out.pad = border_radius(style);
  out.shadow = shadow_geometry(style);
  const ShadowGeometry& s = out.shadow;
  out.top_extra = out.pad + (s.on ? std::max(0, -s.dy) + s.blur : 0);
  const int bottom_extra = out.pad + (s.on ? std::max(0, s.dy) + s.blur : 0);
  out.ascent = out.face->ascent;
  // Every glyph's cell is the line's height with room for the outline and the shadow.
  out.glyph_height = out.top_extra + out.face->ascent + out.face->descent + bottom_extra;
  int x = 0;
  for (char32_t code : decode_utf8(text)) {
    const Glyph& g = glyph(*out.face, style, code);
    out.glyphs.push_back(&g);
    out.pen.push_back(x);
    x += g.advance + style.CharacterMargin + kCharacterSpacing;
  }
  out.block_width = x - (out.glyphs.empty() ? 0 : kCharacterSpacing);
  return out;
}

int TextRenderer::text_width(const FontRecord& font, const Font3D& style, std::string_view text) {
  const Layout l = layout(font, style, text);
  return l.block_width;
}

int TextRenderer::text_height(const FontRecord& font, const Font3D& style, std::string_view text) {
  const Layout l = layout(font, style, text.empty() ? std::string_view("X") : text);
  // The measure is the mean of the glyphs' rendered heights; every glyph is rendered in the
  // line's full cell (so that captions of any letters line up), which makes the mean that cell.
  return l.glyph_height;
}

void TextRenderer::draw(Raster& target, int x, int y, std::string_view text, const FontRecord& font,
                        const Font3D& style, const Brush& brush) {
  if (target.format() != PixelFormat::Rgb24)
    throw ImageError("text rendering: the target is not a 24-bit image");
  const Layout l = layout(font, style, text);
  const int block_w = l.block_width, block_h = l.glyph_height;
  if (brush.solid) {
    for (int row = std::max(0, y); row < std::min<int64_t>(target.height(), int64_t{y} + block_h);
         ++row)
      for (int col = std::max(0, x); col < std::min<int64_t>(target.width(), int64_t{x} + block_w);
           ++col) {
        uint8_t* p = target.row(row) + static_cast<size_t>(col) * 3;
        p[0] = brush.colour.r, p[1] = brush.colour.g, p[2] = brush.colour.b;
      }
  }
  if (l.glyphs.empty()) return;

  // Work masks: the block plus room for overhangs, the outline and the shadow.
  const ShadowGeometry& s = l.shadow;
  // The masks cover the block and room for overhangs, the outline and the shadow, but only as
  // far as that reaches into the target: a caption far larger than the image costs no more.
  const int margin = l.pad + std::abs(s.dx) + std::abs(s.dy) + 2 * s.blur + l.face->em / 2 + 2;
  const int reach = l.pad + std::abs(s.dx) + std::abs(s.dy) + 2 * s.blur + 1;
  const int64_t ox = std::max<int64_t>(int64_t{x} - margin, -reach);
  const int64_t oy = std::max<int64_t>(int64_t{y} - margin, -reach);
  const int64_t ex = std::min<int64_t>(int64_t{x} + block_w + margin, target.width() + reach);
  const int64_t ey = std::min<int64_t>(int64_t{y} + block_h + margin, target.height() + reach);
  if (ex <= ox || ey <= oy) return;
  const int mw = static_cast<int>(ex - ox), mh = static_cast<int>(ey - oy);
  const size_t area = static_cast<size_t>(mw) * mh;
  if (work_mask_.size() < area) work_mask_.resize(area), work_ring_.resize(area);
  float* text_mask = work_mask_.data();
  float* shape = work_ring_.data();
  std::fill_n(text_mask, area, 0.f);

  const int baseline = static_cast<int>(y + l.top_extra + l.ascent - oy);
  for (size_t i = 0; i < l.glyphs.size(); ++i) {
    const Glyph& g = *l.glyphs[i];
    const int64_t gx64 = int64_t{x} + l.pen[i] + g.left - ox;
    if (gx64 + g.width <= 0 || gx64 >= mw) continue;
    const int gx = static_cast<int>(gx64), gy = baseline - g.top;
    for (int row = 0; row < g.rows; ++row)
      for (int col = 0; col < g.width; ++col) {
        const int mx = gx + col, my = gy + row;
        if (mx < 0 || my < 0 || mx >= mw || my >= mh) continue;
        float& m = text_mask[static_cast<size_t>(my) * mw + mx];
        m = std::max(m, g.coverage[static_cast<size_t>(row) * g.width + col] / 255.f);
      }
  }
  const auto rule = [&](int top) {
    for (int row = top; row < top + l.face->line_thickness; ++row)
      if (row >= 0 && row < mh)
        for (int64_t col = std::max<int64_t>(x - ox, 0);
             col < std::min<int64_t>(x - ox + block_w, mw); ++col)
          text_mask[static_cast<size_t>(row) * mw + col] = 1.f;
  };
  if (l.face->underline) rule(baseline + l.face->underline_offset - l.face->line_thickness / 2);
  if (l.face->strikeout) rule(baseline - l.face->ascent * 3 / 10);

  // The outlined shape: the text grown by the border radius.
  const int r = l.pad;
  for (int my = 0; my < mh; ++my)
    for (int mx = 0; mx < mw; ++mx) {
      float v = 0;
      for (int j = -r; j <= r; ++j)
        for (int i = -r; i <= r; ++i) {
          const int sx = mx + i, sy = my + j;
          if (i * i + j * j > r * r + 1 || sx < 0 || sy < 0 || sx >= mw || sy >= mh) continue;
          v = std::max(v, text_mask[static_cast<size_t>(sy) * mw + sx]);
        }
      shape[static_cast<size_t>(my) * mw + mx] = v;
    }

  std::vector<float> shadow;
  if (s.on) {
    shadow.assign(area, 0.f);
    for (int my = 0; my < mh; ++my)
      for (int mx = 0; mx < mw; ++mx) {
        const int sx = mx - s.dx, sy = my - s.dy;
        if (sx >= 0 && sy >= 0 && sx < mw && sy < mh)
          shadow[static_cast<size_t>(my) * mw + mx] = shape[static_cast<size_t>(sy) * mw + sx];
      }
    for (int pass = 0; pass < 2 && s.blur > 0; ++pass) {
      box_blur(shadow, mw, mh, s.blur, true);
      box_blur(shadow, mw, mh, s.blur, false);
    }
  }
  const float shadow_strength = std::clamp(style.Shadow.Color, 0, 255) / 255.f;

  const auto front = [&](int col, int row) {
    if (!style.Gradient.Active) return style.FrontColor;
    const bool vertical = style.Gradient.Kind == GradientKind::sfgkVertical;
    const int span = std::max(1, (vertical ? block_h : block_w) - 1);
    const float t = std::clamp(float(vertical ? row - y : col - x) / span, 0.f, 1.f);
    const Rgb a = style.Gradient.BeginColor, b = style.Gradient.EndColor;
    return Rgb{mix(b.r, a.r, t), mix(b.g, a.g, t), mix(b.b, a.b, t)};
  };
  // Raised text is lit on the edges that face the light and dark on the others; lowered text
  // the other way round. One pixel toward the light tells which edge a pixel lies on.
  const double light = style.ViewDirection * M_PI / 180.0;
  const int lx = static_cast<int>(std::lround(std::cos(light))),
            ly = static_cast<int>(std::lround(-std::sin(light)));
  const float relief = style.Site == TextSite::sfpRaised    ? 0.6f
                       : style.Site == TextSite::sfpLowered ? -0.6f
                                                            : 0.f;
  const auto mask_at = [&](int mx, int my) {
    return mx < 0 || my < 0 || mx >= mw || my >= mh ? 0.f
                                                    : text_mask[static_cast<size_t>(my) * mw + mx];
  };
  const auto relief_of = [&](int mx, int my) {
    if (relief == 0.f) return 0.f;
    const float here = mask_at(mx, my);
    const float lit = here - mask_at(mx + lx, my + ly), unlit = here - mask_at(mx - lx, my - ly);
    return relief * (std::max(0.f, lit) - std::max(0.f, unlit));
  };

  for (int my = 0; my < mh; ++my) {
    const int64_t row = oy + my;
    if (row < 0 || row >= target.height()) continue;
    for (int mx = 0; mx < mw; ++mx) {
      const int64_t col = ox + mx;
      if (col < 0 || col >= target.width()) continue;
      const size_t k = static_cast<size_t>(my) * mw + mx;
      const float sh = s.on ? shadow[k] * shadow_strength : 0.f;
      const float outline = r > 0 ? shape[k] : 0.f, ink = text_mask[k];
      if (sh <= 0 && outline <= 0 && ink <= 0) continue;
      uint8_t* p = target.row(static_cast<int>(row)) + static_cast<size_t>(col) * 3;
      const Rgb fc = front(static_cast<int>(col), static_cast<int>(row)), bc = style.Border.Color;
      p[0] = mix(fc.r, mix(bc.r, mix(0, p[0], sh), outline), ink);
      p[1] = mix(fc.g, mix(bc.g, mix(0, p[1], sh), outline), ink);
      p[2] = mix(fc.b, mix(bc.b, mix(0, p[2], sh), outline), ink);
      if (const float e = relief_of(mx, my); e != 0.f) {
        const int tone = e > 0 ? 255 : 0;
        for (int c = 0; c < 3; ++c) p[c] = mix(tone, p[c], std::abs(e));
      }
    }
  }
}

std::string TextRenderer::face_file(const FontRecord& font) {
  return face_for(font).file;
}

TextRenderer& text_renderer() {
  thread_local TextRenderer renderer;
  return renderer;
}

std::u32string decode_utf8(std::string_view text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    int extra = byte < 0x80         ? 0
                : (byte >> 5) == 6  ? 1
                : (byte >> 4) == 14 ? 2
                : (byte >> 3) == 30 ? 3
                                    : -1;
    char32_t code = extra == 0   ? byte
                    : extra == 1 ? byte & 0x1F
                    : extra == 2 ? byte & 0x0F
                                 : byte & 0x07;
    bool valid = extra >= 0 && i + static_cast<size_t>(extra) < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next >> 6) != 2)
        valid = false;
      else
        code = code << 6 | (next & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (valid && (code < kLeast[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
      valid = false;
    if (!valid) {
      out.push_back(U'\uFFFD');
      ++i;
      continue;
    }
    out.push_back(code);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

}  // namespace lumatrix
