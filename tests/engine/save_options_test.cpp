#include "engine/save_options.h"

#include <gtest/gtest.h>

namespace lumatrix {
namespace {

TEST(SaveOptions, PngLevelFollowsTheQualityRoundedHalfToEven) {
  EXPECT_EQ(png_level_from_quality(0), 1);
  EXPECT_EQ(png_level_from_quality(49), 1);
  EXPECT_EQ(png_level_from_quality(50), 0);
  EXPECT_EQ(png_level_from_quality(100), 0);
}

TEST(SaveOptions, TiffCompressionByExactItemText) {
  EXPECT_EQ(tiff_compression_for(" TIFF Packbits "), TiffCompression::PackBits);
  EXPECT_EQ(tiff_compression_for("TIFF CCITT G3"), TiffCompression::G3_2D);
  EXPECT_EQ(tiff_compression_for("TIFF CCITT G4"), TiffCompression::G4);
  EXPECT_EQ(tiff_compression_for("TIFF CCITT Huffman"), TiffCompression::Huffman);
  EXPECT_EQ(tiff_compression_for("tiff packbits"), TiffCompression::LZW);
  EXPECT_EQ(tiff_compression_for("TIFF LZW"), TiffCompression::LZW);
  // Every other text asks for LZW, whatever format it names.
  for (const char* text : {"As Is", "JPEG", "PNG", "TIFF", "tiff lzw", "", "xyz"})
    EXPECT_EQ(tiff_compression_for(text), TiffCompression::LZW) << text;
}

TEST(SaveOptions, AppliedToTheDocument) {
  Settings s;
  s.JPEG_Quality = 42;
  s.JPEG_Smoothing = 7;
  s.progressive_JPEG = false;
  s.jpeg_huffman = true;
  s.interlaced_gif = true;
  s.DPI_Setting = 150;
  s.Image_Format = "TIFF CCITT G4";
  ImageDocument doc;
  doc.params.gif_transparent = true;
  doc.params.gif_transparent_color = {1, 2, 3};
  apply_save_options(s, doc);
  const IOParams& p = doc.params;
  EXPECT_EQ(p.jpeg_quality, 42);
  EXPECT_EQ(p.jpeg_smoothing, 7);
  EXPECT_FALSE(p.jpeg_progressive);
  EXPECT_TRUE(p.jpeg_optimal_huffman);
  EXPECT_EQ(p.bmp_compression, BmpCompression::RLE);
  EXPECT_EQ(p.png_compression, 6);  // png_compression's default, whatever the quality
  EXPECT_EQ(p.tiff_compression, TiffCompression::G4);
  EXPECT_TRUE(p.gif_interlaced);
  EXPECT_FALSE(p.gif_transparent);
  EXPECT_EQ(p.gif_transparent_color, (Rgb{0, 0, 0}));
  EXPECT_EQ(p.dpi_x, 150);
  EXPECT_EQ(p.dpi_y, 150);
}

}  // namespace
}  // namespace lumatrix
