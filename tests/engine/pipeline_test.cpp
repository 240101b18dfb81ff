#include "engine/pipeline.h"

#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include "base/image_error.h"
#include "imaging/orientation.h"
#include "recording_run_host.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using Lines = std::vector<std::string>;

// The Orientation tag of the document's EXIF block, 0 without one.
int exif_orientation_of(const ImageDocument& doc) {
  Exiv2::ExifData data;
  Exiv2::ExifParser::decode(data, doc.params.exif.data(),
                            static_cast<uint32_t>(doc.params.exif.size()));
  const auto it = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
  return it == data.end() ? 0 : static_cast<int>(it->toLong(0));
}

class PipelineTest : public ::testing::Test {
 protected:
  // Writes a gradient source of w x h under `name` and returns the list entry for it.
  PipelineEntry source(int w, int h, const std::string& name = "photo.png") {
    ImageDocument doc;
    doc.raster = test::gradient_rgb(w, h);
    doc.save(dir / name);
    return entry_for(name);
  }
  PipelineEntry entry_for(const std::string& name) {
    PipelineEntry entry;
    entry.position = 3;
    entry.output_name = "out_" + name;
    entry.file_name = name;
    entry.display_name = name;
    entry.original_file_path = dir.path();
    return entry;
  }
  bool run(const PipelineEntry& entry, const Overlays& overlays = {}) {
    return process_image(ws, host, settings, entry, overlays);
  }

  test::TempDir dir;
  Workspace ws;
  test::RecordingRunHost host;
  Settings settings;
};

TEST_F(PipelineTest, DefaultsPassTheImageThroughUnchanged) {
  const PipelineEntry entry = source(40, 30);
  ws.keep_views = true;
  ASSERT_TRUE(run(entry));
  EXPECT_EQ(ws.processimage.raster, test::gradient_rgb(40, 30));
  EXPECT_EQ(ws.Image.raster, ws.processimage.raster);
  EXPECT_EQ(ws.afterpreview.raster, ws.processimage.raster);
  EXPECT_EQ(ws.current_source_path, dir / "photo.png");
  EXPECT_TRUE(host.log_lines().empty());
}

TEST_F(PipelineTest, FiveByFiveIsTheSmallestValidImage) {
  ws.keep_views = true;
  EXPECT_TRUE(run(source(5, 5, "ok.png")));
  ws.afterpreview.raster = test::gradient_rgb(9, 9);
  host.reset();
  EXPECT_FALSE(run(source(4, 5, "narrow.png")));
  EXPECT_FALSE(run(source(5, 4, "low.bmp")));
  EXPECT_EQ(host.log_lines(),
            (Lines{"Skipping Invalid Image : narrow.png", "Skipping Invalid Image : low.bmp"}));
  // Nothing else happens: the "After" view keeps its content, the "Before" view shows the source.
  EXPECT_EQ(ws.afterpreview.raster, test::gradient_rgb(9, 9));
  EXPECT_EQ(ws.Image.width(), 5);
  EXPECT_EQ(ws.Image.height(), 4);
}

TEST_F(PipelineTest, UnloadableSourcesAreSkippedAndTheRunGoesOn) {
  const std::string garbage = "this is not a PNG file";
  test::write_bytes(dir / "corrupt.png",
                    {reinterpret_cast<const uint8_t*>(garbage.data()), garbage.size()});
  test::write_bytes(dir / "notes.xyz",
                    {reinterpret_cast<const uint8_t*>(garbage.data()), garbage.size()});
  source(20, 20);
  ws.processimage.raster = test::gradient_rgb(30, 30);  // an earlier image must not be reused

  EXPECT_FALSE(run(entry_for("corrupt.png")));
  Lines lines = host.log_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Skipping Invalid Image : corrupt.png");
  EXPECT_NE(lines[1].find("corrupt.png"), std::string::npos);  // the reason, on its own line

  host.reset();
  EXPECT_FALSE(run(entry_for("missing.png")));
  EXPECT_EQ(host.log_lines().front(), "Skipping Invalid Image : missing.png");

  host.reset();
  EXPECT_FALSE(run(entry_for("notes.xyz")));
  EXPECT_EQ(host.log_lines(), Lines{"Skipping Invalid Image : notes.xyz"});

  EXPECT_TRUE(run(entry_for("photo.png")));
}

TEST_F(PipelineTest, ResampleFilterIsChosenAtEveryCall) {
  const PipelineEntry entry = source(8, 8);
  for (const auto& [text, filter] :
       std::vector<std::pair<std::string, ResampleFilter>>{{"None", ResampleFilter::None},
                                                           {" BSpline", ResampleFilter::BSpline},
                                                           {"Lanczos3", ResampleFilter::Lanczos3},
                                                           {"cubic", ResampleFilter::Lanczos3}}) {
    settings.resampletype = text;
    run(entry);
    EXPECT_EQ(ws.resample_filter, filter) << text;
  }
}

TEST_F(PipelineTest, CropThenResizeThenOrientation) {
  const PipelineEntry plain = source(100, 80);
  settings.cropby = "Dimension";
  settings.cropx2 = 50;
  settings.cropy2 = 40;
  settings.resizing_method = "1/2x";
  ASSERT_TRUE(run(plain));
  // The crop keeps 51 x 41; halving rounds 25.5 and 20.5 to even.
  EXPECT_EQ(host.log_lines(), Lines{"Resampling Image from 51x41 to 26x20"});
  EXPECT_EQ(ws.processimage.width(), 26);

  host.reset();
  settings = Settings{};
  settings.resizing_method = "Resize by Pixels";
  PipelineEntry turned = plain;
  turned.orientation = "Rotate Left 90\u00B0";
  ASSERT_TRUE(run(turned));
  EXPECT_EQ(host.log_lines(), Lines{"Resampling Image from 100x80 to 640x480"});
  ASSERT_TRUE(ws.processimage.save(dir / "saved.bmp"));
  ImageDocument saved;
  ASSERT_TRUE(saved.load(dir / "saved.bmp"));
  EXPECT_EQ(saved.width(), 480);
  EXPECT_EQ(saved.height(), 640);
}

TEST_F(PipelineTest, ResizeLogsOneLineEvenWhenTheSizeStays) {
  const PipelineEntry entry = source(32, 24);
  settings.resizing_method = "Downsize by Pixels";
  ASSERT_TRUE(run(entry));
  EXPECT_EQ(host.log_lines(), Lines{"Resampling Image from 32x24 to 32x24"});
  // A run keeps no undo copies; a caller that asks for them gets one step, the last.
  EXPECT_FALSE(ws.processimage.can_undo());
  ws.processimage.auto_undo = true;
  ASSERT_TRUE(run(entry));
  EXPECT_EQ(ws.processimage.undo_label(), "IntensityRGBall 0,0,0");

  host.reset();
  settings.resizing_method = "Downsize by %";
  settings.percentage = 150;
  ASSERT_TRUE(run(entry));
  EXPECT_EQ(host.log_lines(), Lines{"Resampling Image from 32x24 to -16x-12"});
  EXPECT_EQ(ws.processimage.width(), 16);
  EXPECT_EQ(ws.processimage.height(), 12);

  host.reset();
  settings.resizing_method = "Upsize by Pixels";
  settings.image_width = 64;
  settings.image_height = 0;
  ASSERT_TRUE(run(entry));
  EXPECT_EQ(host.log_lines(), Lines{"Resampling Image from 32x24 to 64x48"});
}

struct PixelLimit {
  explicit PixelLimit(uint64_t limit) : saved(pixel_limit()) { set_pixel_limit(limit); }
  ~PixelLimit() { set_pixel_limit(saved); }
  uint64_t saved;
};

TEST_F(PipelineTest, PixelMethodFailureClearsTheImageAndGoesOn) {
  const PipelineEntry entry = source(40, 30);
  settings.resizing_method = "Upsize by Pixels";
  PixelLimit limit(5000);
  ASSERT_TRUE(run(entry));
  const Lines lines = host.log_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Resampling Image from 40x30 to 640x480");
  EXPECT_NE(lines[1].find("cleared"), std::string::npos);
  ASSERT_EQ(ws.processimage.width(), 40);
  EXPECT_EQ(ws.processimage.raster.pixel(17, 9), (Rgb{0, 0, 0}));
  EXPECT_EQ(ws.processimage.raster.pixel(39, 29), (Rgb{0, 0, 0}));

  // The direct methods are not guarded: the error reaches the caller.
  settings.resizing_method = "4x";
  EXPECT_THROW(run(entry), ImageError);
}

struct OverlayCall {
  std::string what;
  int which;
  int width;
  Rgb pixel;
};

TEST_F(PipelineTest, OverlaysRunWhenTextAndAlignmentAreSet) {
  const PipelineEntry entry = source(20, 10);
  std::vector<OverlayCall> calls;
  Overlays overlays;
  overlays.caption = [&](Workspace& w, EventSink&, const Settings&, const PipelineEntry& e,
                         int which) {
    calls.push_back({"caption " + e.output_name, which, w.processimage.width(),
                     w.processimage.raster.pixel(3, 2)});
    w.processimage.raster.set_pixel(0, 0, {255, 0, 0});
  };
  overlays.watermark = [&](Workspace& w, EventSink&, const Settings&, int which) {
    calls.push_back(
        {"watermark", which, w.processimage.width(), w.processimage.raster.pixel(3, 2)});
  };

  settings.caption_text = "Hello";           // alignment None by default: not drawn
  settings.text_alignment2 = "Bottom Left";  // blank text: not drawn
  settings.watermark = " ";
  settings.watermark_alignment = "Center";
  ASSERT_TRUE(run(entry, overlays));
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(shared_inputs(settings, overlays).empty());

  settings.Text_Alignment = "Top Left";
  settings.caption_text2 = "Second";
  settings.watermark = "logo.png";
  settings.watermark2 = "logo2.png";
  settings.watermark_alignment2 = "NONE";
  settings.Grayscale = true;
  PipelineEntry turned = entry;
  turned.orientation = "Rotate Right 90\u00B0";
  ASSERT_TRUE(run(turned, overlays));
  ASSERT_EQ(calls.size(), 3u);
  // What a batch run's plan counts as read by every entry: the watermark drawn, not the other.
  EXPECT_EQ(shared_inputs(settings, overlays), std::vector<std::filesystem::path>{"logo.png"});
  EXPECT_TRUE(shared_inputs(settings, {}).empty());
  EXPECT_EQ(calls[0].what, "caption out_photo.png");
  EXPECT_EQ(calls[0].which, 1);
  EXPECT_EQ(calls[1].which, 2);
  EXPECT_EQ(calls[2].what, "watermark");
  EXPECT_EQ(calls[2].which, 1);
  // After the orientation, before the grey step.
  EXPECT_EQ(calls[0].width, 10);
  EXPECT_NE(calls[0].pixel.r, calls[0].pixel.g);
  // The caption's mark went through the grey step like the rest of the image.
  const Rgb mark = ws.processimage.raster.pixel(0, 0);
  EXPECT_EQ(mark, (Rgb{53, 53, 53}));
}

TEST_F(PipelineTest, ColourFrameAndDepthSteps) {
  const PipelineEntry entry = source(100, 80);
  settings.frame = " BORDER";
  settings.framethickness = 10;
  settings.framecolor = html_colour("#FF0000");
  ASSERT_TRUE(run(entry));
  ASSERT_EQ(ws.processimage.width(), 120);
  ASSERT_EQ(ws.processimage.height(), 100);
  EXPECT_EQ(ws.processimage.raster.pixel(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(ws.processimage.raster.pixel(10, 10), test::gradient_rgb(1, 1).pixel(0, 0));

  // The frame comes before the colour depth: two colours leave a 1-bit picture of it all.
  settings.colordepth = "1 Bits";
  ASSERT_TRUE(run(entry));
  EXPECT_EQ(ws.processimage.raster.format(), PixelFormat::Bit1);
  EXPECT_EQ(ws.processimage.width(), 120);

  settings = Settings{};
  settings.negative = true;
  settings.brightness = 10;
  settings.filter = "SHARPEN";
  ASSERT_TRUE(run(entry));
  ImageDocument expected;
  expected.raster = test::gradient_rgb(100, 80);
  adjust_brightness(expected, 10);
  apply_negative(expected);
  apply_effects(expected, {0, 0, 0, ColourSpace::AsIs, EffectFilter::Sharpen});
  EXPECT_EQ(ws.processimage.raster, expected.raster);
}

std::vector<uint8_t> camera_exif() {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  data["Exif.Image.Model"] = "Model 7";
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return blob;
}

TEST_F(PipelineTest, HeaderResetKeepsTheColourSpaceAndStreamHeaderFlag) {
  ImageDocument jpeg;
  jpeg.raster = test::gradient_rgb(16, 16);
  jpeg.params.exif = camera_exif();
  jpeg.params.iptc = {{2, 120, "caption"}};
  ASSERT_TRUE(jpeg.save(dir / "camera.jpg"));
  const PipelineEntry entry = entry_for("camera.jpg");

  ASSERT_TRUE(run(entry));
  EXPECT_FALSE(ws.processimage.params.exif.empty());

  settings.retainheaderinfo = false;
  settings.colorspace = "CMYK";
  ws.processimage.params.stream_header = false;
  ASSERT_TRUE(run(entry));
  EXPECT_TRUE(ws.processimage.params.exif.empty());
  EXPECT_TRUE(ws.processimage.params.iptc.empty());
  EXPECT_EQ(ws.processimage.params.jpeg_color_space, JpegColorSpace::CMYK);
  EXPECT_EQ(ws.processimage.params.tiff_photometric, 5);
  EXPECT_FALSE(ws.processimage.params.stream_header);
  ASSERT_TRUE(ws.processimage.save(dir / "clean.jpg"));
  ImageDocument reread;
  ASSERT_TRUE(reread.load(dir / "clean.jpg"));
  EXPECT_TRUE(reread.params.exif.empty());
}

// A 60 x 40 JPEG as a camera held upright writes it: stored on its side, EXIF Orientation 6.
std::vector<uint8_t> exif_turned(std::optional<uint16_t> orientation) {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  if (orientation) data["Exif.Image.Orientation"] = *orientation;
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return blob;
}

class UprightTest : public PipelineTest {
 protected:
  PipelineEntry camera_jpeg(const std::string& name, std::optional<uint16_t> orientation) {
    ImageDocument jpeg;
    jpeg.raster = test::gradient_rgb(60, 40);
    jpeg.params.exif = exif_turned(orientation);
    EXPECT_TRUE(jpeg.save(dir / name));
    return entry_for(name);
  }
  // The file as decoded, untouched.
  ImageDocument stored(const std::string& name) {
    ImageDocument doc;
    EXPECT_TRUE(doc.load(dir / name));
    return doc;
  }
};

TEST_F(UprightTest, TaggedSourceIsTurnedBeforeTheResizePlansItsBox) {
  const PipelineEntry entry = camera_jpeg("side.jpg", 6);
  // An exact 30 x 10 box without the aspect ratio: planned on the stored sides and turned
  // afterwards, the picture would come out 10 x 30.
  settings.resizing_method = "Resize by Pixels";
  settings.image_width = 30;
  settings.image_height = 10;
  settings.dimension_aspect_ratio = false;
  ASSERT_TRUE(run(entry));
  EXPECT_EQ(host.log_lines(), Lines{"Resampling Image from 40x60 to 30x10"});

  ImageDocument expected = stored("side.jpg");
  ASSERT_TRUE(turn_upright(expected));
  test::RecordingRunHost quiet;
  resize_document(expected, quiet, main_resize_options(settings, settings.resampletype.value()));
  EXPECT_EQ(ws.processimage.raster, expected.raster);
  EXPECT_EQ(exif_orientation_of(ws.processimage), 1);

  // Switched off, the stored picture goes through as it always did.
  host.reset();
  settings.auto_orient = false;
  ASSERT_TRUE(run(entry));
  EXPECT_EQ(host.log_lines(), Lines{"Resampling Image from 60x40 to 30x10"});
  EXPECT_EQ(exif_orientation_of(ws.processimage), 6);
}

TEST_F(UprightTest, UntaggedAndUprightSourcesAreNotTouched) {
  settings.resizing_method = "1/2x";
  using Case = std::pair<std::string, std::optional<uint16_t>>;
  for (const auto& [name, tag] : {Case{"plain.jpg", std::nullopt}, Case{"one.jpg", 1}}) {
    const PipelineEntry entry = camera_jpeg(name, tag);
    settings.auto_orient = true;
    ASSERT_TRUE(run(entry));
    const ImageDocument on = ws.processimage;
    settings.auto_orient = false;
    ASSERT_TRUE(run(entry));
    EXPECT_EQ(on.raster, ws.processimage.raster) << name;
    EXPECT_EQ(on.params.exif, ws.processimage.params.exif) << name;
    EXPECT_EQ(on.width(), 30);
  }
}

TEST_F(UprightTest, TheListOrientationAppliesToTheUprightPicture) {
  PipelineEntry entry = camera_jpeg("side.jpg", 6);
  entry.orientation = "Rotate Left 90\u00B0";
  ASSERT_TRUE(run(entry));
  // Turned upright (40 x 60) and then a quarter turn back by the list: the stored picture.
  EXPECT_EQ(ws.processimage.raster, stored("side.jpg").raster);
}

// A travel photo: position, serial number, owner and capture date, its pixel size in EXIF.
std::vector<uint8_t> travel_exif() {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Lumacam";
  data["Exif.Photo.DateTimeOriginal"] = "2021:07:04 12:30:00";
  data["Exif.Photo.BodySerialNumber"] = "SN-0042";
  data["Exif.Photo.CameraOwnerName"] = "Ada Example";
  data["Exif.Photo.PixelXDimension"] = uint16_t{60};
  data["Exif.Photo.PixelYDimension"] = uint16_t{40};
  data["Exif.GPSInfo.GPSLatitudeRef"] = "N";
  data["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 29/1";
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return blob;
}

TEST_F(UprightTest, MetadataPoliciesAsExiv2ReadsTheSavedFile) {
  ImageDocument jpeg;
  jpeg.raster = test::gradient_rgb(60, 40);
  jpeg.params.exif = travel_exif();
  ASSERT_TRUE(jpeg.save(dir / "travel.jpg"));
  const PipelineEntry entry = entry_for("travel.jpg");
  settings.resizing_method = "1/2x";

  const auto saved = [&](const char* keep) {
    settings.metadata_keep = keep;
    EXPECT_TRUE(run(entry));
    const auto path = dir / (std::string(keep) + ".jpg");
    EXPECT_TRUE(ws.processimage.save(path));
    auto image = Exiv2::ImageFactory::open(path.string());
    image->readMetadata();
    return image->exifData();
  };
  const auto has = [](const Exiv2::ExifData& data, const char* key) {
    return data.findKey(Exiv2::ExifKey(key)) != data.end();
  };

  Exiv2::ExifData all = saved("All");
  EXPECT_EQ(all["Exif.Photo.PixelXDimension"].toLong(0), 30);
  EXPECT_EQ(all["Exif.Photo.PixelYDimension"].toLong(0), 20);
  EXPECT_TRUE(has(all, "Exif.GPSInfo.GPSLatitude"));
  EXPECT_TRUE(has(all, "Exif.Photo.BodySerialNumber"));

  Exiv2::ExifData private_ = saved("All but location and identity");
  EXPECT_FALSE(has(private_, "Exif.GPSInfo.GPSLatitude"));
  EXPECT_FALSE(has(private_, "Exif.Photo.BodySerialNumber"));
  EXPECT_FALSE(has(private_, "Exif.Photo.CameraOwnerName"));
  EXPECT_EQ(private_["Exif.Photo.DateTimeOriginal"].toString(), "2021:07:04 12:30:00");
  EXPECT_EQ(private_["Exif.Photo.PixelXDimension"].toLong(0), 30);

  EXPECT_TRUE(saved("None").empty());

  // Without the header kept the policy has nothing to work on.
  settings.retainheaderinfo = false;
  settings.metadata_keep = "All";
  ASSERT_TRUE(run(entry));
  EXPECT_TRUE(ws.processimage.params.exif.empty());
}

}  // namespace
}  // namespace lumatrix
