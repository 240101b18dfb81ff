#include "engine/save_options.h"

#include "base/choice_text.h"
#include "imaging/codec.h"

namespace lumatrix {

int png_level_from_quality(int quality) {
  // (100 - q) / 100 lies in 0..1 for every accepted quality; only exactly one half is a tie,
  // and it goes to the even 0.
  return quality < 50 ? 1 : 0;
}

int png_level(const Settings& settings, int quality) {
  return settings.png_compression.value().value_or(png_level_from_quality(quality));
}

TiffCompression tiff_compression_for(std::string_view image_format) {
  const std::string_view text = trim_blanks(image_format);
  const SaveChoice* otherwise = nullptr;
  for (const Codec& codec : codecs()) {
    if (!codec.save) continue;
    for (const SaveChoice& choice : codec.save->choices) {
      if (!choice.tiff_compression) continue;
      if (choice.label == text) return *choice.tiff_compression;
      if (choice.compression_otherwise && otherwise == nullptr) otherwise = &choice;
    }
  }
  return otherwise != nullptr ? *otherwise->tiff_compression : TiffCompression::None;
}

void apply_save_options(const Settings& settings, ImageDocument& document) {
  IOParams& p = document.params;
  p.jpeg_quality = settings.JPEG_Quality;
  p.jpeg_smoothing = settings.JPEG_Smoothing;
  p.jpeg_progressive = settings.progressive_JPEG;
  p.jpeg_optimal_huffman = settings.jpeg_huffman;
  p.bmp_compression = BmpCompression::RLE;
  p.png_compression = png_level(settings, settings.JPEG_Quality);
  p.tiff_compression = tiff_compression_for(settings.Image_Format);
  p.gif_transparent = false;
  p.gif_transparent_color = Rgb{0, 0, 0};
  p.gif_interlaced = settings.interlaced_gif;
  p.dpi_x = p.dpi_y = settings.DPI_Setting;
  p.flatten_colour = rgb_of(settings.flatten_colour);
}

void apply_main_output_options(const Settings& settings, ImageDocument& document) {
  apply_save_options(settings, document);
  if (!settings.iptc_header) document.params.iptc.clear();
}

}  // namespace lumatrix
