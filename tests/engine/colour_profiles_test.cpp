// colour_profiles through whole runs: what the outputs carry and hold for each value, with
// thumbnails, resizing and the steps that make a profile wrong.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "engine/batch_run.h"
#include "imaging/codec.h"
#include "recording_run_host.h"
#include "test_profiles.h"
#include "test_support.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;

// A picture with the full green of a wide gamut in its corner.
Raster wide_gamut_photo() {
  Raster r = test::gradient_rgb(48, 32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) r.set_pixel(x, y, Rgb{0, 255, 0});
  return r;
}

std::vector<uint8_t> rgb_samples(const Raster& raster) {
  std::vector<uint8_t> out;
  for (int y = 0; y < raster.height(); ++y)
    out.insert(out.end(), raster.row(y), raster.row(y) + raster.width() * 3);
  return out;
}

class ColourProfilesRun : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "src");
    settings.save_in_directory = (dir / "out").string();
  }

  fs::path add_source(const std::string& name, std::vector<uint8_t> icc,
                      const Raster& picture = wide_gamut_photo()) {
    ImageDocument doc;
    doc.raster = picture;
    doc.params.icc_profile = std::move(icc);
    doc.params.jpeg_quality = 95;
    const fs::path path = dir / "src" / name;
    EXPECT_TRUE(doc.save(path));
    list.add_files({path});
    return path;
  }
  // Runs the list into a fresh output folder under `value`, answering yes.
  void run(const char* value) {
    fs::remove_all(dir / "out");
    settings.colour_profiles = value;
    host.reset();
    host.answers = {true};
    process_all(ws, host.seam(), settings, list, overlays, nullptr, {1, {}});
  }
  fs::path out(const std::string& name) const { return dir / "out" / name; }
  static ImageDocument load(const fs::path& path) {
    ImageDocument doc;
    EXPECT_TRUE(doc.load(path)) << path;
    return doc;
  }

  test::TempDir dir;
  test::ScopedUserFolder home{dir / "home"};
  Workspace ws;
  test::RecordingRunHost host;
  Settings settings;
  SourceList list;
  Overlays overlays;
};

TEST_F(ColourProfilesRun, KeepCarriesTheProfileIntoEveryFormatAndTheThumbnails) {
  const std::vector<uint8_t> p3 = test::display_p3_profile();
  add_source("p3.png", p3);
  settings.dot1 = true;
  settings.resizing_method_t1 = "1/2x";
  settings.file_suffix_t1 = "_th";
  settings.appendprefixsuffix = true;
  settings.save_in_directory_t1 = settings.save_in_directory;
  // Even without the header: the profile says what the colours are, not who took them.
  settings.retainheaderinfo = false;
  for (const char* format : {"JPEG", "PNG", "TIFF LZW", "WebP", "JPEG XL"}) {
    SCOPED_TRACE(format);
    settings.Image_Format = format;
    run("Keep");
    const std::vector<std::string> written = test::names_in(dir / "out");
    ASSERT_EQ(written.size(), 2u);
    for (const std::string& name : written)
      EXPECT_EQ(load(out(name)).params.icc_profile, p3) << name;
  }
  // Nothing of it survives a run that ignores it, and the pixels are the same.
  settings.Image_Format = "PNG";
  run("Keep");
  const Raster kept = load(out("p3.png")).raster;
  run("Ignore");
  EXPECT_TRUE(load(out("p3.png")).params.icc_profile.empty());
  EXPECT_TRUE(load(out("p3_th.png")).params.icc_profile.empty());
  EXPECT_EQ(load(out("p3.png")).raster, kept);
}

TEST_F(ColourProfilesRun, ConvertMakesSrgbPixelsBeforeTheResizeAndWritesNoProfile) {
  const std::vector<uint8_t> adobe = test::adobe_rgb_profile();
  add_source("adobe.png", adobe);
  settings.Image_Format = "PNG";
  settings.resizing_method = "1/2x";
  for (bool fast : {false, true}) {
    settings.fast_resize = fast;
    run("Convert to sRGB");
    const ImageDocument converted = load(out("adobe.png"));
    EXPECT_TRUE(converted.params.icc_profile.empty());

    // LittleCMS's conversion of the source, then the same resize.
    ImageDocument expected;
    expected.raster = wide_gamut_photo();
    const std::vector<uint8_t> srgb =
        test::lcms_to_srgb(adobe, rgb_samples(expected.raster), size_t{48} * 32);
    for (int y = 0; y < 32; ++y)
      std::copy_n(srgb.begin() + y * 48 * 3, 48 * 3, expected.raster.row(y));
    test::RecordingRunHost quiet;
    resize_document(expected, quiet, main_resize_options(settings, settings.resampletype.value()));
    EXPECT_EQ(converted.raster, expected.raster) << "fast_resize " << fast;
  }
}

TEST_F(ColourProfilesRun, AGreyConversionDropsTheProfile) {
  add_source("p3.jpg", test::display_p3_profile());
  settings.Image_Format = "JPEG";
  settings.Grayscale = true;
  run("Keep");
  EXPECT_TRUE(load(out("p3.jpg")).params.icc_profile.empty());
  settings.Grayscale = false;
  run("Keep");
  EXPECT_EQ(load(out("p3.jpg")).params.icc_profile, test::display_p3_profile());
}

TEST_F(ColourProfilesRun, ADamagedProfileIsLoggedAndThePictureWrittenAsStored) {
  std::vector<uint8_t> damaged = test::display_p3_profile();
  damaged.resize(200);
  const fs::path source = add_source("broken.jpg", damaged);
  settings.Image_Format = "PNG";
  for (const char* value : {"Keep", "Convert to sRGB"}) {
    SCOPED_TRACE(value);
    run(value);
    size_t notices = 0;
    for (const std::string& line : host.log_lines())
      if (line.starts_with("broken.jpg: damaged data, read as far as possible: ") &&
          line.find("colour profile") != std::string::npos)
        ++notices;
    EXPECT_EQ(notices, 1u);
    const ImageDocument written = load(out("broken.png"));
    EXPECT_TRUE(written.params.icc_profile.empty());
    EXPECT_EQ(written.raster, load(source).raster);
  }
}

TEST_F(ColourProfilesRun, SourcesWithoutAProfileGiveTheSameBytesUnderEveryValue) {
  add_source("camera.jpg", {});
  add_source("scan.png", {});
  settings.resizing_method = "1/2x";
  settings.dot1 = true;
  settings.resizing_method_t1 = "1/4x";
  settings.file_suffix_t1 = "_th";
  settings.appendprefixsuffix = true;
  settings.save_in_directory_t1 = settings.save_in_directory;
  for (const char* format : {"JPEG", "WebP"}) {
    SCOPED_TRACE(format);
    settings.Image_Format = format;
    std::optional<std::vector<std::vector<uint8_t>>> first;
    for (const char* value : {"Keep", "Convert to sRGB", "Ignore"}) {
      run(value);
      std::vector<std::vector<uint8_t>> files;
      for (const std::string& name : test::names_in(dir / "out"))
        files.push_back(test::read_bytes(out(name)));
      ASSERT_EQ(files.size(), 4u) << value;
      if (!first)
        first = files;
      else
        EXPECT_EQ(files, *first) << value;
    }
  }
}

}  // namespace
}  // namespace lumatrix
