#include "web/gallery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <regex>
#include <set>

#include "imaging/image_document.h"
#include "recording_run_host.h"
#include "test_support.h"
#include "web/after_pass.h"

namespace lumatrix {
namespace {

namespace fs = std::filesystem;
using test::names_in;
using test::text_of;
using namespace test;

std::string percent_decoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Every href, src and refresh url of every page in `folder` that names no existing file.
std::vector<std::string> broken_links(const fs::path& folder) {
  static const std::regex reference(R"((?:href|src)="([^"]*)\"|url=([^"]*)\")");
  std::vector<std::string> broken;
  for (const auto& item : fs::directory_iterator(folder)) {
    const std::string name = item.path().filename().string();
    if (name.find(".html") == std::string::npos) continue;
    const std::string page = text_of(item.path());
    for (std::sregex_iterator it(page.begin(), page.end(), reference), end; it != end; ++it) {
      const std::string target = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
      if (!fs::is_regular_file(folder / percent_decoded(target)))
        broken.push_back(name + " -> " + target);
    }
  }
  return broken;
}

class GalleryPass : public ::testing::Test {
 protected:
  // Writes `count` small JPEGs named by `name_of` and returns their records, newest last.
  std::vector<GalleryRecord> images(int count, const std::function<std::string(int)>& name_of,
                                    int width = 40, int height = 30) {
    std::vector<GalleryRecord> records;
    for (int i = 1; i <= count; ++i) {
      ImageDocument doc;
      doc.raster = gradient_rgb(width, height);
      const fs::path path = dir / name_of(i);
      EXPECT_TRUE(doc.save(path));
      records.push_back(
          {"Name " + std::to_string(i), "Caption " + std::to_string(i), path.string()});
    }
    return records;
  }
  std::vector<GalleryRecord> letters(int count) {
    return images(count,
                  [](int i) { return std::string(1, static_cast<char>('a' + i - 1)) + ".jpg"; });
  }
  GalleryResult run(const std::vector<GalleryRecord>& records) {
    return create_html_gallery(ws, host.seam(), settings, records, {}, dir / "viewer");
  }

  test::TempDir dir;
  Workspace ws;
  test::RecordingRunHost host;
  Settings settings;
};

const std::string kHead =
    "<html><head>\r\n<title></title>\r\n\r\n</head>\r\n"
    "<body bgcolor=\"#000000\" link=\"#FF0000\" alink=\"#800000\" vlink=\"#FF0000\">\r\n"
    "<font color=\"#FFFFFF\"  >\r\n<center><h1></h1></center>\r\n<p>\r\n<p>\r\n";
const std::string kCell = "<td align=\"center\" width=\"122\"><font color=\"#FFFFFF\"  >\r\n";

TEST_F(GalleryPass, OneImageMakesOnePageWithoutPageLinksAndItsImagePage) {
  settings.circularbacknext = true;
  const GalleryResult result = run(letters(1));
  EXPECT_EQ(result.pages, 1);
  EXPECT_EQ(
      text_of(dir / "index001.html"),
      kHead + "<table border=\"0\" align=\"center\" >\r\n<tr align=\"center\">\r\n" + kCell +
          "<a href=\"a.html\"><img src=\"thumbnails/thumba.jpg\" width=\"40\"  height=\"30\"  "
          "border=\"0\" ></a><br>\r\n"
          "<a href=\"a.html\">Name 1</a><br>\r\n</font></td>\r\n</tr>\r\n</table>\r\n"
          "<p><center>\r\n</center><p>\r\n\r\n</body></html>\r\n");
  EXPECT_EQ(text_of(dir / "a.html"),
            "<html><head>\r\n</head>\r\n"
            "<body bgcolor=\"#000000\" link=\"#FF0000\" alink=\"#800000\" vlink=\"#FF0000\">\r\n"
            "<font color=\"#FFFFFF\"  >\r\n"
            "<center><img src=\"a.jpg\"  width=\"40\"  height=\"30\" ></center>\r\n<p>\r\n"
            "<center>Caption 1</center>\r\n<center><p>\r\n"
            "<a href=\"a.html\">BACK</a>\r\n&nbsp;&nbsp;<a href=\"index001.html\">HOME</a>\r\n"
            "&nbsp;&nbsp;<a href=\"a.html\">NEXT</a>\r\n</center>\r\n</body></html>\r\n");
  EXPECT_EQ(result.start_page, dir / "a.html");
  const auto log = host.log_lines();
  EXPECT_EQ(log.front(), "Starting Thumbnail Gallery Creation");
  EXPECT_EQ(log.back(), "HTML Autogeneration Done");
  EXPECT_TRUE(broken_links(dir.path()).empty());
}

TEST_F(GalleryPass, ThirteenImagesOnTwelvePerPageLinkBothWaysWhenCircular) {
  settings.circularbacknext = true;
  settings.includepagenumbering = true;
  const GalleryResult result =
      run(images(13, [](int i) { return "p" + std::to_string(100 + i) + ".jpg"; }));
  EXPECT_EQ(result.pages, 2);
  const std::string first = text_of(dir / "index001.html");
  const std::string second = text_of(dir / "index002.html");
  EXPECT_NE(first.find("<title> (Page 1 of 2) </title>"), std::string::npos);
  EXPECT_NE(first.find("<p><center>\r\n<a href=\"index002.html\" >BACK</a>\r\n"
                       "&nbsp;&nbsp;<a href=\"index001.html\" >HOME</a>\r\n"
                       "&nbsp;&nbsp;<a href=\"index002.html\" >NEXT</a>\r\n</center><p>"),
            std::string::npos);
  EXPECT_EQ(second,
            "<html><head>\r\n<title> (Page 2 of 2) </title>\r\n\r\n</head>\r\n"
            "<body bgcolor=\"#000000\" link=\"#FF0000\" alink=\"#800000\" vlink=\"#FF0000\">\r\n"
            "<font color=\"#FFFFFF\"  >\r\n<center><h1></h1></center>\r\n<p>\r\n<p>\r\n"
            "<table border=\"0\" align=\"center\" >\r\n<tr align=\"center\">\r\n" +
                kCell +
                "<a href=\"p113.html\"><img src=\"thumbnails/thumbp113.jpg\" width=\"40\"  "
                "height=\"30\"  border=\"0\" ></a><br>\r\n"
                "<a href=\"p113.html\">Name 13</a><br>\r\n</font></td>\r\n</tr>\r\n</table>\r\n"
                "<p><center>\r\n<a href=\"index001.html\" >BACK</a>\r\n"
                "&nbsp;&nbsp;<a href=\"index001.html\" >HOME</a>\r\n"
                "&nbsp;&nbsp;<a href=\"index001.html\" >NEXT</a>\r\n</center><p>\r\n\r\n"
                "</body></html>\r\n");
  // The last image's page lists index page 2 as its home.
  EXPECT_NE(text_of(dir / "p113.html").find("<a href=\"index002.html\" >HOME</a>"),
            std::string::npos);
  EXPECT_TRUE(broken_links(dir.path()).empty());
}

TEST_F(GalleryPass, TableRowsOfThreeThreeAndOne) {
  settings.linemax = 3;
  run(letters(7));
  const std::string page = text_of(dir / "index001.html");
  std::string structure;
  for (size_t at = 0; (at = page.find('<', at)) != std::string::npos; ++at) {
    for (const char* tag : {"<tr ", "</tr>", "<td ", "</table>", "<table "})
      if (page.compare(at, std::strlen(tag), tag) == 0)
        structure += tag[1] == '/' ? std::string(tag) : std::string(tag).substr(1, 2) + " ";
  }
  EXPECT_EQ(structure, "ta tr td td td </tr>tr td td td </tr>tr td </tr></table>");
}

TEST_F(GalleryPass, LineMaxBeyondThePageIsCutToThePage) {
  settings.linemax = 8;
  settings.perpage = 5;
  run(letters(10));
  const std::string page = text_of(dir / "index001.html");
  size_t rows = 0;
  for (size_t at = 0; (at = page.find("</tr>", at)) != std::string::npos; ++at) ++rows;
  EXPECT_EQ(rows, 1u);
  EXPECT_TRUE(fs::exists(dir / "index002.html"));
}

TEST_F(GalleryPass, FileDirectoryWithoutHyperlinksStillMakesThumbnails) {
  settings.designtype = "File Directory";
  settings.hyperlinkto = "Do Not Hyperlink";
  settings.includehtmlfilename = true;
  settings.htmlfilesize = true;
  run(letters(1));
  const auto kb = std::to_string(fs::file_size(dir / "a.jpg") / 1024);
  EXPECT_EQ(text_of(dir / "index001.html"),
            kHead +
                "<img src=\"thumbnails/thumba.jpg\" width=\"40\"  height=\"30\" >\r\n"
                "Name 1\r\na.jpg\r\n&lt;" +
                kb +
                "kb&gt;\r\n<br>\r\n"
                "<p><center>\r\n</center><p>\r\n\r\n</body></html>\r\n");
  EXPECT_TRUE(fs::exists(dir / "thumbnails" / "thumba.jpg"));
  EXPECT_FALSE(fs::exists(dir / "a.html"));
}

TEST_F(GalleryPass, ThumbnailsAreWrittenEvenWhenNotShown) {
  settings.htmlthumbnail = false;
  settings.thumbwidth = 20;
  settings.thumbheight = 20;
  run(images(
      1, [](int) { return "big.jpg"; }, 200, 100));
  ImageDocument thumb;
  ASSERT_TRUE(thumb.load(dir / "thumbnails" / "thumbbig.jpg"));
  EXPECT_EQ(thumb.width(), 20);
  EXPECT_EQ(thumb.height(), 10);
  EXPECT_EQ(text_of(dir / "index001.html").find("thumbnails/"), std::string::npos);
}

TEST_F(GalleryPass, ImageModeLinksThePicturesAndWritesNoImagePages) {
  settings.hyperlinkto = "Image";
  run(letters(2));
  EXPECT_NE(text_of(dir / "index001.html").find("<a href=\"b.jpg\">Name 2</a><br>"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "a.html"));
  EXPECT_TRUE(broken_links(dir.path()).empty());
}

TEST_F(GalleryPass, NoExtensionWritesBarePageNamesAndLinksThePictures) {
  settings.html_extension = "";
  run(letters(2));
  ASSERT_TRUE(fs::exists(dir / "index001"));
  EXPECT_FALSE(fs::exists(dir / "a"));
  // "a" would name no file: the entry links the picture instead.
  EXPECT_NE(text_of(dir / "index001").find("<a href=\"a.jpg\">Name 1</a><br>"), std::string::npos);
}

TEST_F(GalleryPass, AwkwardNamesStillLinkAndRecordsAreVisitedIgnoringCase) {
  settings.hyperlinkto = "HTML SlideShow";
  settings.perpage = 12;
  settings.circularbacknext = true;
  auto records = images(
      30, [](int i) { return (i % 2 ? "B pic #" : "a&pic \"") + std::to_string(10 + i) + ".jpg"; });
  std::reverse(records.begin(), records.end());
  run(records);
  EXPECT_TRUE(fs::exists(dir / "index003.html"));
  EXPECT_EQ(broken_links(dir.path()), std::vector<std::string>{});
  fs::remove(dir / "a&pic \"12.html");
  EXPECT_FALSE(broken_links(dir.path()).empty()) << "the checker sees a missing page";
  // a&pic "12 comes before B pic #11 whatever order the run appended them in.
  const std::string first = text_of(dir / "index001.html");
  EXPECT_LT(first.find("a%26pic%20%2212.jpg"), first.find("B%20pic%20%2311.jpg"));
}

TEST_F(GalleryPass, FirstIndexAutorunAndAMissingViewerIsALogLine) {
  settings.cdstart = "First Index";
  settings.createautorun = true;
  const GalleryResult result = run(letters(2));
  EXPECT_EQ(text_of(dir / "autorun.INF"), "[autorun]\r\nopen=pagescope.exe \"index001.html\"\r\n");
  EXPECT_EQ(result.start_page, dir / "index001.html");
  EXPECT_FALSE(fs::exists(dir / "pagescope.exe"));
  EXPECT_EQ(host.log_lines().back(), "HTML Autogeneration Done");

  fs::create_directories(dir / "viewer");
  write_bytes(dir / "viewer" / "pagescope.exe", std::vector<uint8_t>{1, 2, 3});
  settings.cdstart = "First Slide";
  run(letters(2));
  EXPECT_EQ(text_of(dir / "autorun.INF"), "[autorun]\r\nopen=pagescope.exe \"a.html\"\r\n");
  EXPECT_EQ(read_bytes(dir / "pagescope.exe"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(GalleryPass, ButtonImagesAreCopiedAndShownAndScreenFitSizesThePage) {
  ImageDocument button;
  button.raster = gradient_rgb(16, 8);
  fs::create_directories(dir / "art");
  ASSERT_TRUE(button.save(dir / "art" / "next.png"));
  settings.nextimage = (dir / "art" / "next.png").string();
  settings.screensize = "800 x 600";
  run(images(
      2, [](int i) { return "w" + std::to_string(i) + ".jpg"; }, 2000, 1000));
  EXPECT_TRUE(fs::exists(dir / "next.png"));
  const std::string page = text_of(dir / "w1.html");
  EXPECT_NE(page.find("<center><img src=\"w1.jpg\"  width = \"640\" height = \"320\" ></center>"),
            std::string::npos);
  EXPECT_NE(page.find("<a href=\"w2.html\"><img src=\"next.png\"  width=\"16\"  height=\"8\"  "
                      "border=\"0\"></a>"),
            std::string::npos)
      << page;
}

TEST_F(GalleryPass, SlicedImagePagesShowTheTileTableInsteadOfTheImage) {
  settings.enableslicing = true;
  settings.slicecolumns = 2;
  settings.slicerows = 1;
  run(images(
      2, [](int i) { return "s " + std::to_string(i) + ".jpg"; }, 40, 30));
  const std::string page = text_of(dir / "s 1.html");
  EXPECT_NE(
      page.find(
          "<font color=\"#FFFFFF\"  >\r\n"
          "<p><table align=\"center\" border=\"0\" cellpadding=\"0\" "
          "cellspacing=\"0\">\r\n<tr>\r\n"
          "<td><img src=\"s%20111.jpg\"  width=\"20\"  height=\"30\"  border=\"0\"></td>\r\n"),
      std::string::npos)
      << page;
  EXPECT_NE(page.find("</tr>\r\n</table>\r\n</p>\r\n<p>\r\n<center>Caption 1</center>"),
            std::string::npos);
  EXPECT_EQ(page.find("<center><img"), std::string::npos);
  // The full picture is gone (retainspilt is off); its thumbnail and tiles stay.
  EXPECT_FALSE(fs::exists(dir / "s 1.jpg"));
  EXPECT_TRUE(fs::exists(dir / "thumbnails" / "thumbs 1.jpg"));
  EXPECT_EQ(broken_links(dir.path()), std::vector<std::string>{});
}

TEST_F(GalleryPass, AStopAsksAndKeepsAnIndexPageForTheImagesDone) {
  // Stop is pressed once image 2 is done: the check before image 3 asks.
  host.on_call = [&](const test::RecordingRunHost::Call& call) {
    if (call.kind == test::RecordingRunHost::Kind::Progress && call.position == 2)
      host.cancel.request();
  };
  host.answers = {true};
  const GalleryResult result = run(letters(5));
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.pages, 1);
  const std::string page = text_of(dir / "index001.html");
  EXPECT_NE(page.find("</font></td>\r\n</tr>\r\n</table>\r\n<p><center>\r\n</center><p>"),
            std::string::npos)
      << page;
  EXPECT_TRUE(fs::exists(dir / "b.html"));
  EXPECT_FALSE(fs::exists(dir / "c.html"));
  EXPECT_EQ(host.count(test::RecordingRunHost::Kind::Inform), 1);
}

TEST_F(GalleryPass, AnUnreadableImageGetsNoThumbnailAndTheGalleryGoesOn) {
  auto records = letters(2);
  write_bytes(dir / "broken.jpg", std::vector<uint8_t>{'n', 'o', 't'});
  records.insert(records.begin() + 1, {"Broken", "", (dir / "broken.jpg").string()});
  const GalleryResult result = run(records);
  EXPECT_EQ(result.pages, 1);
  EXPECT_FALSE(fs::exists(dir / "thumbnails" / "thumbbroken.jpg"));
  EXPECT_TRUE(fs::exists(dir / "thumbnails" / "thumbb.jpg"));
  const auto log = host.log_lines();
  EXPECT_EQ(std::count_if(
                log.begin(), log.end(),
                [](const std::string& line) { return line.rfind("Error: Thumbnail of ", 0) == 0; }),
            1);
  // Its page shows the file without size attributes rather than the previous image's.
  EXPECT_NE(text_of(dir / "broken.html").find("<center><img src=\"broken.jpg\" ></center>"),
            std::string::npos);
}

TEST_F(GalleryPass, AnUnwritableFolderEndsTheGalleryWithALogLine) {
  auto records = letters(1);
  records.push_back({"x", "y", (dir / "missing" / "z.jpg").string()});
  WebAfterPass after;
  after.viewer_folder = dir / "viewer";
  after.create_gallery(ws, host.seam(), settings, records);
  const auto log = host.log_lines();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
    return line.rfind("Error: HTML Gallery: ", 0) == 0;
  }));
}

}  // namespace
}  // namespace lumatrix
