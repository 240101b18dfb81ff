#include "imaging/codecs/jpeg2000_colour.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "base/image_error.h"
#include "imaging/colour_profile.h"
#include "imaging/resource_policy.h"

namespace lumatrix {

namespace {

// One component's samples, OpenJPEG's or those a conversion made, with its place on the
// reference grid: sample (i, j) covers grid column (x0 + i) * dx and row (y0 + j) * dy.
struct Plane {
  std::vector<int32_t> owned;
  const int32_t* samples = nullptr;
  uint32_t w = 0, h = 0, x0 = 0, y0 = 0, dx = 1, dy = 1;
  int prec = 8;
  bool sgnd = false;
  bool alpha = false;

  static Plane of(const opj_image_comp_t& c) {
    Plane p;
    p.samples = c.data;
    p.w = c.w, p.h = c.h, p.x0 = c.x0, p.y0 = c.y0, p.dx = c.dx, p.dy = c.dy;
    p.prec = static_cast<int>(c.prec);
    p.sgnd = c.sgnd != 0;
    p.alpha = c.alpha != 0;
    return p;
  }
  // A plane for converted samples on the grid of `like`.
  static Plane like(const Plane& like, int prec) {
    Plane p;
    p.w = like.w, p.h = like.h, p.x0 = like.x0, p.y0 = like.y0, p.dx = like.dx, p.dy = like.dy;
    p.prec = prec;
    p.alpha = like.alpha;
    p.owned.resize(size_t{p.w} * p.h);
    p.samples = p.owned.data();
    return p;
  }
  size_t count() const { return size_t{w} * h; }
  int32_t* out() { return owned.data(); }
  bool same_sampling(const Plane& other) const {
    return dx == other.dx && dy == other.dy && w == other.w && h == other.h;
  }
  // Which of this plane's columns covers column `i` of plane `from`: the one under the same grid
  // position, kept inside the plane.
  uint32_t column_under(const Plane& from, uint64_t i) const {
    const uint64_t grid = (uint64_t{from.x0} + i) * from.dx;
    return static_cast<uint32_t>(std::clamp<uint64_t>(grid / dx, x0, uint64_t{x0} + w - 1) - x0);
  }
  uint32_t row_under(const Plane& from, uint64_t j) const {
    const uint64_t grid = (uint64_t{from.y0} + j) * from.dy;
    return static_cast<uint32_t>(std::clamp<uint64_t>(grid / dy, y0, uint64_t{y0} + h - 1) - y0);
  }
};

struct Components {
  std::vector<Plane> planes;
  OPJ_COLOR_SPACE space = OPJ_CLRSPC_UNKNOWN;
};

// --- YCbCr, as opj_decompress converts it: the same coefficients and truncations ---

void sycc_pixel(int offset, int upb, int y, int cb, int cr, int32_t& r, int32_t& g, int32_t& b) {
  cb -= offset;
  cr -= offset;
  r = std::clamp(y + static_cast<int>(1.402 * static_cast<float>(cr)), 0, upb);
  g = std::clamp(
      y - static_cast<int>(0.344 * static_cast<float>(cb) + 0.714 * static_cast<float>(cr)), 0,
      upb);
  b = std::clamp(y + static_cast<int>(1.772 * static_cast<float>(cb)), 0, upb);
}

void sycc_to_rgb(Components& c) {
  if (c.planes.size() < 3) {
    c.space = OPJ_CLRSPC_GRAY;
    return;
  }
  const Plane &y = c.planes[0], &cb = c.planes[1], &cr = c.planes[2];
  // Chroma at 4:4:4, 4:2:2 or 4:2:0 of the luma, as there; anything else stays as it is. Unlike
  // there, luma sampled more coarsely than the reference grid counts as well (all three at 2x2
  // is 4:4:4 on a coarser grid, not something that cannot be converted).
  const bool same_chroma = cb.dx == cr.dx && cb.dy == cr.dy && cb.w == cr.w && cb.h == cr.h;
  const auto chroma_is = [&](uint32_t fx, uint32_t fy) {
    return uint64_t{cb.dx} == uint64_t{y.dx} * fx && uint64_t{cb.dy} == uint64_t{y.dy} * fy;
  };
  if (!same_chroma || !(chroma_is(1, 1) || chroma_is(2, 1) || chroma_is(2, 2))) return;
  const int offset = 1 << (y.prec - 1), upb = (1 << y.prec) - 1;
  Plane r = Plane::like(y, y.prec), g = Plane::like(y, y.prec), b = Plane::like(y, y.prec);
  std::vector<uint32_t> columns(y.w);
  for (uint32_t i = 0; i < y.w; ++i) columns[i] = cb.column_under(y, i);
  for (uint32_t j = 0; j < y.h; ++j) {
    const size_t row = size_t{j} * y.w, chroma_row = size_t{cb.row_under(y, j)} * cb.w;
    for (uint32_t i = 0; i < y.w; ++i) {
      const size_t k = chroma_row + columns[i];
      sycc_pixel(offset, upb, y.samples[row + i], cb.samples[k], cr.samples[k], r.out()[row + i],
                 g.out()[row + i], b.out()[row + i]);
    }
  }
  c.planes[0] = std::move(r), c.planes[1] = std::move(g), c.planes[2] = std::move(b);
  c.space = OPJ_CLRSPC_SRGB;
}

void esycc_to_rgb(Components& c) {
  if (c.planes.size() < 3 || !c.planes[0].same_sampling(c.planes[1]) ||
      !c.planes[0].same_sampling(c.planes[2]))
    return;
  const Plane &py = c.planes[0], &pcb = c.planes[1], &pcr = c.planes[2];
  const int flip = 1 << (py.prec - 1), max = (1 << py.prec) - 1;
  Plane r = Plane::like(py, py.prec), g = Plane::like(py, py.prec), b = Plane::like(py, py.prec);
  const auto clip = [max](float v) { return std::clamp(static_cast<int>(v), 0, max); };
  for (size_t i = 0; i < py.count(); ++i) {
    const float y = static_cast<float>(py.samples[i]);
    const float cb = static_cast<float>(pcb.samples[i] - (pcb.sgnd ? 0 : flip));
    const float cr = static_cast<float>(pcr.samples[i] - (pcr.sgnd ? 0 : flip));
    r.out()[i] = clip(y - 0.0000368f * cb + 1.40199f * cr + 0.5f);
    g.out()[i] = clip(1.0003f * y - 0.344125f * cb - 0.7141128f * cr + 0.5f);
    b.out()[i] = clip(0.999823f * y + 1.77204f * cb - 0.000008f * cr + 0.5f);
  }
  c.planes[0] = std::move(r), c.planes[1] = std::move(g), c.planes[2] = std::move(b);
  c.space = OPJ_CLRSPC_SRGB;
}

// --- CMYK: the plain conversion of inks to light, K no longer taken for alpha ---

void cmyk_to_rgb(Components& c) {
  if (c.planes.size() < 4) return;
  for (int i = 1; i < 4; ++i)
    if (!c.planes[0].same_sampling(c.planes[i])) return;
  float scale[4];
  for (int i = 0; i < 4; ++i) scale[i] = 1.0f / static_cast<float>((1 << c.planes[i].prec) - 1);
  Plane rgb[3] = {Plane::like(c.planes[0], 8), Plane::like(c.planes[0], 8),
                  Plane::like(c.planes[0], 8)};
  for (int k = 0; k < 3; ++k) rgb[k].alpha = false;
  for (size_t i = 0; i < c.planes[0].count(); ++i) {
    const float light = 1.0f - static_cast<float>(c.planes[3].samples[i]) * scale[3];
    for (int k = 0; k < 3; ++k)
      rgb[k].out()[i] = static_cast<int32_t>(
          255.0f * (1.0f - static_cast<float>(c.planes[k].samples[i]) * scale[k]) * light);
  }
  std::vector<Plane> planes;
  for (Plane& p : rgb) planes.push_back(std::move(p));
  for (size_t i = 4; i < c.planes.size(); ++i) planes.push_back(std::move(c.planes[i]));
  c.planes = std::move(planes);
  c.space = OPJ_CLRSPC_SRGB;
}

// --- embedded ICC profiles and CIE L*a*b* ---

// A sample widened or narrowed to `bits` (8 or 16), signed ones shifted to be unsigned.
uint32_t scaled(const Plane& p, int32_t v, int bits) {
  const int64_t max = (int64_t{1} << p.prec) - 1;
  const int64_t u = std::clamp<int64_t>(v + (p.sgnd ? int64_t{1} << (p.prec - 1) : 0), 0, max);
  if (p.prec == bits) return static_cast<uint32_t>(u);
  const int64_t top = (int64_t{1} << bits) - 1;
  return static_cast<uint32_t>((u * top + max / 2) / max);
}

// The colour planes (`channels` of them, from `first`) through `conversion` into three sRGB
// planes of `bits`, row by row so that little is held beside the planes.
std::vector<Plane> through_profile(const Components& c, size_t first, int channels, int bits,
                                   const SrgbConversion& conversion) {
  const Plane& base = c.planes[first];
  std::vector<Plane> rgb;
  for (int k = 0; k < 3; ++k) rgb.push_back(Plane::like(base, bits));
  for (Plane& p : rgb) p.alpha = false;
  const size_t width = base.w;
  std::vector<uint8_t> in(width * channels * (bits > 8 ? 2 : 1));
  std::vector<uint8_t> out(width * 3 * (bits > 8 ? 2 : 1));
  for (uint32_t j = 0; j < base.h; ++j) {
    const size_t row = size_t{j} * width;
    for (size_t i = 0; i < width; ++i)
      for (int k = 0; k < channels; ++k) {
        const Plane& p = c.planes[first + k];
        const uint32_t v = scaled(p, p.samples[row + i], bits);
        if (bits > 8) {
          const auto s = static_cast<uint16_t>(v);
          std::memcpy(&in[2 * (i * channels + k)], &s, 2);
        } else {
          in[i * channels + k] = static_cast<uint8_t>(v);
        }
      }
    conversion.convert(in.data(), out.data(), width);
    for (size_t i = 0; i < width; ++i)
      for (int k = 0; k < 3; ++k) {
        if (bits > 8) {
          uint16_t s;
          std::memcpy(&s, &out[2 * (i * 3 + k)], 2);
          rgb[k].out()[row + i] = s;
        } else {
          rgb[k].out()[row + i] = out[i * 3 + k];
        }
      }
  }
  return rgb;
}

void apply_icc(Components& c, std::span<const uint8_t> icc, std::vector<std::string>& warnings) {
  std::optional<ColourProfile> profile;
  try {
    profile.emplace(icc);
  } catch (const ImageError& e) {
    warnings.push_back(e.reason() + "; the colours are shown as stored");
    return;
  }
  const ProfileSpace space = profile->space();
  size_t channels = 0;
  if (space == ProfileSpace::Rgb || space == ProfileSpace::YCbCr) channels = 3;
  if (space == ProfileSpace::Grey) channels = 1;
  // Other spaces (CMYK already turned into light, device links) are left as opj_decompress
  // leaves them.
  if (channels == 0 || c.planes.size() < channels) return;
  for (size_t i = 1; i < channels; ++i) {
    const Plane &a = c.planes[0], &b = c.planes[i];
    if (!a.same_sampling(b) || a.prec != b.prec || a.sgnd != b.sgnd) return;
  }
  const int bits = c.planes[0].prec > 8 ? 16 : 8;
  try {
    const SrgbConversion conversion(*profile, bits);
    std::vector<Plane> planes = through_profile(c, 0, static_cast<int>(channels), bits, conversion);
    for (size_t i = channels; i < c.planes.size(); ++i) planes.push_back(std::move(c.planes[i]));
    c.planes = std::move(planes);
    c.space = OPJ_CLRSPC_SRGB;
  } catch (const ImageError& e) {
    warnings.push_back(e.reason() + "; the colours are shown as stored");
  }
}

// The L*a*b* parameters OpenJPEG passes in place of a profile: the colour space (14), a
// default marker, then the range and offset of L, a and b, and the illuminant.
void cielab_to_rgb(Components& c, const uint32_t* params) {
  if (params[0] != 14 || c.planes.size() != 3 || !c.planes[0].same_sampling(c.planes[1]) ||
      !c.planes[0].same_sampling(c.planes[2]))
    return;
  const double prec0 = c.planes[0].prec, prec1 = c.planes[1].prec, prec2 = c.planes[2].prec;
  double rl, ol, ra, oa, rb, ob;
  if (params[1] == 0x44454600) {  // "DEF": the default ranges
    rl = 100, ra = 170, rb = 200;
    ol = 0, oa = std::pow(2, prec1 - 1), ob = std::pow(2, prec2 - 2) + std::pow(2, prec2 - 3);
  } else {
    rl = params[2], ol = params[3], ra = params[4], oa = params[5], rb = params[6], ob = params[7];
  }
  const double min_l = -(rl * ol) / (std::pow(2, prec0) - 1), max_l = min_l + rl;
  const double min_a = -(ra * oa) / (std::pow(2, prec1) - 1), max_a = min_a + ra;
  const double min_b = -(rb * ob) / (std::pow(2, prec2) - 1), max_b = min_b + rb;
  const SrgbConversion conversion = SrgbConversion::from_lab();
  const Plane& base = c.planes[0];
  std::vector<Plane> rgb;
  for (int k = 0; k < 3; ++k) rgb.push_back(Plane::like(base, 16));
  for (size_t i = 0; i < base.count(); ++i) {
    const double lab[3] = {
        min_l + c.planes[0].samples[i] * (max_l - min_l) / (std::pow(2, prec0) - 1),
        min_a + c.planes[1].samples[i] * (max_a - min_a) / (std::pow(2, prec1) - 1),
        min_b + c.planes[2].samples[i] * (max_b - min_b) / (std::pow(2, prec2) - 1)};
    uint16_t out[3];
    conversion.convert(lab, out, 1);
    for (int k = 0; k < 3; ++k) rgb[k].out()[i] = out[k];
  }
  c.planes = std::move(rgb);
  c.space = OPJ_CLRSPC_SRGB;
}

// --- the picture ---

// One plane's samples at picture positions, as 8 bits.
class PlaneView {
 public:
  PlaneView(const Plane& p, const Plane& grid, uint32_t width)
      : p_(p),
        grid_(grid),
        max_((int64_t{1} << p.prec) - 1),
        offset_(p.sgnd ? int64_t{1} << (p.prec - 1) : 0),
        columns_(width) {
    for (uint32_t x = 0; x < width; ++x) columns_[x] = p.column_under(grid, x);
  }
  const int32_t* row(uint32_t y) const {
    return p_.samples + size_t{p_.row_under(grid_, y)} * p_.w;
  }
  uint8_t at(const int32_t* row, uint32_t x) const {
    const int64_t v = std::clamp<int64_t>(row[columns_[x]] + offset_, 0, max_);
    return static_cast<uint8_t>((v * 255 + max_ / 2) / max_);
  }

 private:
  const Plane& p_;
  const Plane& grid_;
  int64_t max_, offset_;
  std::vector<uint32_t> columns_;
};

}  // namespace

size_t jpeg2000_finest_component(const opj_image_t& image) {
  size_t finest = 0;
  for (OPJ_UINT32 i = 1; i < image.numcomps; ++i)
    if (uint64_t{image.comps[i].dx} * image.comps[i].dy <
        uint64_t{image.comps[finest].dx} * image.comps[finest].dy)
      finest = i;
  return finest;
}

std::pair<uint64_t, uint64_t> jpeg2000_picture_size(const opj_image_t& image) {
  if (image.numcomps == 0) return {0, 0};
  const opj_image_comp_t& c = image.comps[jpeg2000_finest_component(image)];
  return {c.w, c.h};
}

uint64_t jpeg2000_conversion_bytes(const opj_image_t& image) {
  uint64_t largest = 0;
  for (OPJ_UINT32 i = 0; i < image.numcomps; ++i)
    largest = std::max<uint64_t>(largest, uint64_t{image.comps[i].w} * image.comps[i].h);
  const auto [width, height] = jpeg2000_picture_size(image);
  // Two conversions' worth of three planes (YCbCr, then a profile), and the picture with alpha.
  return 6 * largest * sizeof(int32_t) + picture_bytes(width, height, 24, true);
}

Raster jpeg2000_picture(const opj_image_t& image, std::vector<std::string>& warnings) {
  Components c;
  for (OPJ_UINT32 i = 0; i < image.numcomps; ++i) {
    const opj_image_comp_t& comp = image.comps[i];
    if (comp.data == nullptr || comp.w == 0 || comp.h == 0)
      throw ImageError("JPEG 2000 component " + std::to_string(i) + " has no samples");
    c.planes.push_back(Plane::of(comp));
  }
  c.space = image.color_space;
  // Code streams do not say what their components are: three whose chroma is subsampled are
  // YCbCr, one or two are grey, as opj_decompress takes them; subsampled means more coarsely
  // than the first component, where that tool takes three equally coarse ones for YCbCr too
  // (and then cannot convert them).
  if (c.space != OPJ_CLRSPC_SYCC && c.planes.size() == 3 && c.planes[0].dx == c.planes[0].dy &&
      c.planes[1].dx > c.planes[0].dx)
    c.space = OPJ_CLRSPC_SYCC;
  else if (c.planes.size() <= 2)
    c.space = OPJ_CLRSPC_GRAY;

  if (c.space == OPJ_CLRSPC_SYCC)
    sycc_to_rgb(c);
  else if (c.space == OPJ_CLRSPC_CMYK)
    cmyk_to_rgb(c);
  else if (c.space == OPJ_CLRSPC_EYCC)
    esycc_to_rgb(c);
  if (image.icc_profile_buf != nullptr) {
    if (image.icc_profile_len > 0)
      apply_icc(c, {image.icc_profile_buf, image.icc_profile_len}, warnings);
    else
      cielab_to_rgb(c, reinterpret_cast<const uint32_t*>(image.icc_profile_buf));
  }

  // The picture has the size of the most finely sampled component. Components sampled at a
  // whole multiple of its spacing are replicated up to it; any other is a separate picture in
  // the same code stream (a grey image beside a colour one at another size) and is left out
  // rather than mixed into this one's channels.
  size_t finest = 0;
  for (size_t i = 1; i < c.planes.size(); ++i)
    if (uint64_t{c.planes[i].dx} * c.planes[i].dy <
        uint64_t{c.planes[finest].dx} * c.planes[finest].dy)
      finest = i;
  const Plane& grid = c.planes[finest];
  std::vector<const Plane*> planes;
  for (const Plane& p : c.planes)
    if (p.dx % grid.dx == 0 && p.dy % grid.dy == 0) planes.push_back(&p);

  const int n = static_cast<int>(planes.size());
  const int colours = n >= 3 ? 3 : 1;
  int alpha = -1;
  for (int i = colours; i < n; ++i)
    if (planes[i]->alpha) {
      alpha = i;
      break;
    }
  // Code streams cannot flag alpha; a second or fourth component is taken to be it.
  if (alpha < 0 && (n == 2 || n == 4)) alpha = n - 1;

  const uint32_t width = grid.w, height = grid.h;
  Raster raster(static_cast<int>(width), static_cast<int>(height),
                colours == 3 ? PixelFormat::Rgb24 : PixelFormat::Gray8);
  if (alpha >= 0) raster.add_alpha();
  std::vector<PlaneView> views;
  for (int k = 0; k < colours; ++k) views.emplace_back(*planes[k], grid, width);
  if (alpha >= 0) views.emplace_back(*planes[alpha], grid, width);
  std::vector<const int32_t*> rows(views.size());
  for (uint32_t y = 0; y < height; ++y) {
    for (size_t k = 0; k < views.size(); ++k) rows[k] = views[k].row(y);
    uint8_t* d = raster.row(static_cast<int>(y));
    for (uint32_t x = 0; x < width; ++x)
      for (int k = 0; k < colours; ++k) *d++ = views[k].at(rows[k], x);
    if (alpha >= 0) {
      uint8_t* a = raster.alpha_row(static_cast<int>(y));
      for (uint32_t x = 0; x < width; ++x) a[x] = views[colours].at(rows[colours], x);
    }
  }
  return raster;
}

}  // namespace lumatrix
