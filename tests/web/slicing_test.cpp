#include "web/slicing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "recording_run_host.h"
#include "test_support.h"
#include "web/after_pass.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using Kind = test::RecordingRunHost::Kind;

TEST(TileGrid, LastColumnAndRowTakeTheRemainders) {
  const TileGrid grid(10, 7, 3, 2);
  EXPECT_EQ(grid.tile(1, 1), (TileRect{0, 0, 3, 3}));
  EXPECT_EQ(grid.tile(1, 2), (TileRect{3, 0, 3, 3}));
  EXPECT_EQ(grid.tile(1, 3), (TileRect{6, 0, 4, 3}));
  EXPECT_EQ(grid.tile(2, 1), (TileRect{0, 3, 3, 4}));
  EXPECT_EQ(grid.tile(2, 3), (TileRect{6, 3, 4, 4}));
  const TileGrid photo(640, 480, 3, 2);
  EXPECT_EQ(photo.tile(2, 3), (TileRect{426, 240, 214, 240}));
}

TEST(TileGrid, MoreColumnsThanPixelsGiveOnePixelColumns) {
  const TileGrid grid(2, 9, 5, 1);
  EXPECT_EQ(grid.columns(), 2);
  EXPECT_EQ(grid.rows(), 1);
  EXPECT_EQ(grid.tile(1, 2), (TileRect{1, 0, 1, 9}));
}

// Cuts with the grid and copy_tile, pastes the tiles back side by side and compares.
void expect_reassembles(const Raster& source, int columns, int rows) {
  const TileGrid grid(source.width(), source.height(), columns, rows);
  Raster rebuilt(source.width(), source.height(), PixelFormat::Rgb24);
  if (source.has_alpha()) rebuilt.add_alpha();
  std::vector<int> covered(static_cast<size_t>(source.width() * source.height()), 0);
  for (int r = 1; r <= grid.rows(); ++r) {
    for (int c = 1; c <= grid.columns(); ++c) {
      const TileRect rect = grid.tile(r, c);
      const Raster tile = copy_tile(source, rect);
      ASSERT_EQ(tile.width(), rect.width);
      ASSERT_EQ(tile.height(), rect.height);
      for (int y = 0; y < rect.height; ++y) {
        for (int x = 0; x < rect.width; ++x) {
          rebuilt.set_pixel(rect.x + x, rect.y + y, tile.pixel(x, y));
          if (source.has_alpha()) rebuilt.alpha_row(rect.y + y)[rect.x + x] = tile.alpha_row(y)[x];
          ++covered[static_cast<size_t>((rect.y + y) * source.width() + rect.x + x)];
        }
      }
    }
  }
  EXPECT_TRUE(std::all_of(covered.begin(), covered.end(), [](int n) { return n == 1; }))
      << "tiles overlap or leave gaps";
  EXPECT_EQ(rebuilt, source.to_rgb24());
}

TEST(CopyTile, TilesReassembleToTheSourceInEveryFormat) {
  for (const auto& [w, h, c, r] : {std::array{10, 7, 3, 2}, std::array{1, 1, 1, 1},
                                   std::array{17, 5, 4, 5}, std::array{3, 11, 7, 2}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << " in " << c << "x" << r);
    Raster rgb = test::gradient_rgb(w, h);
    expect_reassembles(rgb, c, r);
    rgb.add_alpha();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) rgb.alpha_row(y)[x] = static_cast<uint8_t>(x * 9 + y);
    expect_reassembles(rgb, c, r);
    Raster bits(w, h, PixelFormat::Bit1);
    bits.palette = {{0, 0, 0}, {255, 255, 255}};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if ((x * 3 + y * 5) % 7 < 3) bits.set_pixel(x, y, {255, 255, 255});
    expect_reassembles(bits, c, r);
    Raster palette(w, h, PixelFormat::Palette8);
    palette.palette = {{1, 2, 3}, {200, 10, 10}, {10, 200, 10}};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) palette.row(y)[x] = static_cast<uint8_t>((x + y) % 3);
    expect_reassembles(palette, c, r);
  }
}

TEST(TileName, RowThenColumnAfterTheNameUpToItsFirstDot) {
  EXPECT_EQ(tile_name("photo.jpg", 1, 2, 2, 3), "photo12.jpg");
  EXPECT_EQ(tile_name("my.photo.jpg", 1, 1, 1, 1), "my11.jpg");
  EXPECT_EQ(tile_name("photo", 2, 3, 2, 3), "photo23.jpg");
  EXPECT_EQ(tile_name("a b.png", 9, 9, 9, 9), "a b99.jpg");
  // Ten or more rows or columns: fixed-width numbers keep row 1 column 11 and row 11 column 1
  // apart.
  EXPECT_EQ(tile_name("p.jpg", 1, 11, 12, 12), "p0111.jpg");
  EXPECT_EQ(tile_name("p.jpg", 11, 1, 12, 12), "p1101.jpg");
  EXPECT_EQ(tile_name("p.jpg", 1, 1, 1, 100), "p001001.jpg");
}

TEST(UrlAttribute, EncodesEverythingThatCouldEndOrBendTheAttribute) {
  EXPECT_EQ(url_attribute("photo11.jpg"), "photo11.jpg");
  EXPECT_EQ(url_attribute("my photo #1 & \"x\" 100%.jpg"),
            "my%20photo%20%231%20%26%20%22x%22%20100%25.jpg");
  EXPECT_EQ(url_attribute("thumbnails/<b>'.jpg"), "thumbnails/%3Cb%3E%27.jpg");
  EXPECT_EQ(url_attribute("\xC3\xA9t\xC3\xA9.jpg"), "%C3%A9t%C3%A9.jpg");
  EXPECT_EQ(html_text("a&b <c>.jpg"), "a&amp;b &lt;c&gt;.jpg");
}

class SlicingPass : public ::testing::Test {
 protected:
  // A grey picture: JPEG keeps grey without colour subsampling, so tiles of quality 100 come
  // back within a step or two of the source.
  static Raster grey_picture(int w, int h) {
    Raster r(w, h, PixelFormat::Gray8);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) r.row(y)[x] = static_cast<uint8_t>(20 + x * 12 + y * 17);
    return r;
  }
  fs::path image(const std::string& name, const Raster& raster) {
    fs::create_directories((dir / name).parent_path());
    ImageDocument doc;
    doc.raster = raster;
    EXPECT_TRUE(doc.save(dir / name));
    return dir / name;
  }
  void run(const std::vector<fs::path>& images) {
    std::vector<GalleryRecord> records;
    for (const fs::path& p : images) records.push_back({"", "", p.string()});
    slice_images_only(ws, host.seam(), settings, records);
  }
  static std::string text(const fs::path& path) {
    const std::vector<uint8_t> bytes = test::read_bytes(path);
    return {bytes.begin(), bytes.end()};
  }
  static Raster load(const fs::path& path) {
    ImageDocument doc;
    EXPECT_TRUE(doc.load(path)) << path;
    return doc.raster;
  }

  test::TempDir dir;
  Workspace ws;
  test::RecordingRunHost host;
  Settings settings;
};

TEST_F(SlicingPass, WritesTheTilesAndThePageForTenBySevenInThreeByTwo) {
  settings.slicecolumns = 3;
  settings.slicerows = 2;
  settings.JPEG_Quality = 100;
  const Raster source = grey_picture(10, 7);
  const fs::path png = image("pic.png", source);
  run({png});

  const std::string expected =
      "<html><head><title>pic.png</title></head>\r\n"
      "<body><div align=\"Center\">\r\n"
      "<table align=\"center\" border=\"0\" cellpadding=\"0\" cellspacing=\"0\">\r\n"
      "<tr>\r\n"
      "<td><img src=\"pic11.jpg\"  width=\"3\"  height=\"3\"  border=\"0\"></td>\r\n"
      "<td><img src=\"pic12.jpg\"  width=\"3\"  height=\"3\"  border=\"0\"></td>\r\n"
      "<td><img src=\"pic13.jpg\"  width=\"4\"  height=\"3\"  border=\"0\"></td>\r\n"
      "</tr>\r\n"
      "<tr>\r\n"
      "<td><img src=\"pic21.jpg\"  width=\"3\"  height=\"4\"  border=\"0\"></td>\r\n"
      "<td><img src=\"pic22.jpg\"  width=\"3\"  height=\"4\"  border=\"0\"></td>\r\n"
      "<td><img src=\"pic23.jpg\"  width=\"4\"  height=\"4\"  border=\"0\"></td>\r\n"
      "</tr>\r\n"
      "</table>\r\n";
  EXPECT_EQ(text(dir / "pic.html"), expected);
  EXPECT_FALSE(fs::exists(png)) << "retainspilt off removes the full image";

  // The saved tiles, pasted back at their places, give the picture again.
  const TileGrid grid(10, 7, 3, 2);
  int worst = 0;
  for (int r = 1; r <= 2; ++r) {
    for (int c = 1; c <= 3; ++c) {
      const Raster tile = load(dir / tile_name("pic.png", r, c, 2, 3));
      const TileRect rect = grid.tile(r, c);
      ASSERT_EQ(tile.width(), rect.width);
      ASSERT_EQ(tile.height(), rect.height);
      for (int y = 0; y < rect.height; ++y)
        for (int x = 0; x < rect.width; ++x)
          worst = std::max(worst,
                           std::abs(tile.pixel(x, y).r - source.pixel(rect.x + x, rect.y + y).r));
    }
  }
  EXPECT_LE(worst, 3);

  const auto lines = host.log_lines();
  EXPECT_EQ(lines, std::vector<std::string>{"Image Slicing Process : pic.png"});
  const auto& calls = host.calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front().kind, Kind::Progress);
  EXPECT_EQ(calls.front().maximum, 1);
  EXPECT_EQ(calls.back().kind, Kind::Progress);
  EXPECT_EQ(calls.back().position, 1);
}

TEST_F(SlicingPass, OneByOneGivesOneTileOfTheWholeImageAndKeepsItWhenAsked) {
  settings.retainspilt = true;
  const fs::path jpg = image("my.photo.jpg", test::gradient_rgb(12, 9));
  run({jpg});
  EXPECT_TRUE(fs::exists(jpg));
  const Raster tile = load(dir / "my11.jpg");
  EXPECT_EQ(tile.width(), 12);
  EXPECT_EQ(tile.height(), 9);
  EXPECT_EQ(text(dir / "my.photo.html"),
            "<html><head><title>my.photo.jpg</title></head>\r\n"
            "<body><div align=\"Center\">\r\n"
            "<table align=\"center\" border=\"0\" cellpadding=\"0\" cellspacing=\"0\">\r\n"
            "<tr>\r\n"
            "<td><img src=\"my11.jpg\"  width=\"12\"  height=\"9\"  border=\"0\"></td>\r\n"
            "</tr>\r\n"
            "</table>\r\n");
}

TEST_F(SlicingPass, NamesWithBlanksAndQuotesStillLink) {
  settings.slicecolumns = 2;
  const std::string name = "my \"best\" #1 & more.png";
  image(name, grey_picture(8, 4));
  run({dir / name});
  const std::string base = "my \"best\" #1 & more";
  EXPECT_TRUE(fs::exists(dir / (base + "11.jpg")));
  EXPECT_TRUE(fs::exists(dir / (base + "12.jpg")));
  const std::string page = text(dir / (base + ".html"));
  EXPECT_NE(page.find("<title>my \"best\" #1 &amp; more.png</title>"), std::string::npos) << page;
  EXPECT_NE(page.find("<td><img src=\"my%20%22best%22%20%231%20%26%20more12.jpg\"  width=\"4\" "
                      " height=\"4\"  border=\"0\"></td>\r\n"),
            std::string::npos)
      << page;
}

TEST_F(SlicingPass, AnUnreadableImageCostsALogLineAndNothingElse) {
  settings.slicecolumns = 2;
  const fs::path good = image("b.png", grey_picture(6, 6));
  const std::string junk = "not a picture";
  test::write_bytes(dir / "a.png", {reinterpret_cast<const uint8_t*>(junk.data()), junk.size()});
  run({dir / "a.png", dir / "gone.png", good});

  const auto lines = host.log_lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Image Slicing Process : a.png");
  EXPECT_TRUE(lines[1].starts_with("Error: Image Slicing of " + (dir / "a.png").string() + ": "))
      << lines[1];
  EXPECT_EQ(lines[2], "Image Slicing Process : gone.png");
  EXPECT_TRUE(lines[3].starts_with("Error: Image Slicing of ")) << lines[3];
  EXPECT_EQ(lines[4], "Image Slicing Process : b.png");
  // No tiles cut from the previous picture, no page, and the unreadable file is kept.
  EXPECT_FALSE(fs::exists(dir / "a11.jpg"));
  EXPECT_FALSE(fs::exists(dir / "a.html"));
  EXPECT_FALSE(fs::exists(dir / "gone.html"));
  EXPECT_TRUE(fs::exists(dir / "a.png"));
  EXPECT_TRUE(fs::exists(dir / "b12.jpg"));
  EXPECT_TRUE(fs::exists(dir / "b.html"));
}

TEST_F(SlicingPass, AStopDuringThePassAsksAndEndsOnOk) {
  image("a.png", grey_picture(6, 6));
  image("b.png", grey_picture(6, 6));
  // Stop is pressed while image 1 is sliced: the check before image 2 asks.
  host.on_call = [&](const test::RecordingRunHost::Call& call) {
    if (call.text == "Image Slicing Process : a.png") host.cancel.request();
  };
  host.answers = {true};
  run({dir / "a.png", dir / "b.png"});
  EXPECT_EQ(host.log_lines(), std::vector<std::string>{"Image Slicing Process : a.png"});
  EXPECT_TRUE(fs::exists(dir / "a.html"));
  EXPECT_FALSE(fs::exists(dir / "b.html"));
  bool asked = false, told = false;
  for (const auto& call : host.calls()) {
    asked |= call.kind == Kind::OkCancel &&
             call.text == "Do You want to Stop the Image Slicing Process ?";
    told |= call.kind == Kind::Inform && call.text == "Process Terminated by User";
  }
  EXPECT_TRUE(asked);
  EXPECT_TRUE(told);
}

TEST_F(SlicingPass, ARunWithSlicingOnSlicesItsOutputs) {
  image("src/a.png", grey_picture(9, 6));
  image("src/b.png", grey_picture(9, 6));
  SourceList list;
  list.add_files({dir / "src/a.png", dir / "src/b.png"});
  settings.enableslicing = true;
  settings.slicecolumns = 3;
  settings.save_in_directory = (dir / "out").string() + "/";
  settings.Image_Format = "PNG";
  host.answers = {true};
  WebAfterPass after;
  process_all(ws, host.seam(), settings, list, {}, &after);
  const auto lines = host.log_lines();
  const auto begin = std::find(lines.begin(), lines.end(), "Begin Image Slicing Procedure");
  ASSERT_NE(begin, lines.end());
  ASSERT_GE(lines.end() - begin, 3);
  EXPECT_EQ(begin[1], "Image Slicing Process : a.png");
  EXPECT_EQ(begin[2], "Image Slicing Process : b.png");
  for (const char* tile : {"a11.jpg", "a13.jpg", "b12.jpg", "a.html", "b.html"})
    EXPECT_TRUE(fs::exists(dir / "out" / tile)) << tile;
  EXPECT_FALSE(fs::exists(dir / "out/a.png"));
  EXPECT_TRUE(fs::exists(dir / "src/a.png")) << "only the published copy is removed";
}

}  // namespace
}  // namespace lumatrix
