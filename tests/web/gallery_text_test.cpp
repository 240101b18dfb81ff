#include "web/gallery_text.h"

#include <gtest/gtest.h>

namespace lumatrix {
namespace {

std::string joined(const PageLines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

TEST(GalleryText, IndexPageNamesPadToTheLeadingZeros) {
  Settings s;
  EXPECT_EQ(index_page_name(s, 1), "index001.html");
  EXPECT_EQ(index_page_name(s, 12), "index012.html");
  s.numnum = 1;
  EXPECT_EQ(index_page_name(s, 12), "index12.html");
  s.numnum = 0;
  s.html_extension = " .HTM ";
  EXPECT_EQ(index_page_name(s, 1), "index1.HTM");
  s.html_extension = "";
  EXPECT_EQ(index_page_name(s, 1), "index1");
}

TEST(GalleryText, LinkTargetsAndWhenImagePagesAreDue) {
  Settings s;
  EXPECT_EQ(link_target(s, "photo1.jpg"), "photo1.html");
  EXPECT_EQ(link_target(s, "my.photo.jpg"), "my.photo.html");
  EXPECT_TRUE(image_page_due(s, "photo1.html"));
  s.hyperlinkto = "Image";
  EXPECT_EQ(link_target(s, "photo1.jpg"), "photo1.jpg");
  EXPECT_FALSE(image_page_due(s, "photo1.jpg"));
  s.hyperlinkto = "HTML SlideShow";
  s.html_extension = "";
  EXPECT_EQ(link_target(s, "photo1.jpg"), "photo1");
  EXPECT_FALSE(image_page_due(s, "photo1"));
}

TEST(GalleryText, FontAttributesAndKilobytes) {
  Settings s;
  EXPECT_EQ(font_attributes(s), "");
  s.fontface = "Arial, Helvetica, sans-serif";
  s.fontsize = "+2";
  EXPECT_EQ(font_attributes(s), " face = \"Arial, Helvetica, sans-serif\"  size = \"+2\" ");
  EXPECT_EQ(kilobytes_text(2500), "&lt;2kb&gt;");
  EXPECT_EQ(kilobytes_text(1000), "&lt;0kb&gt;");
}

TEST(GalleryText, ScreenFitShrinksIntoTheBoxAndNeverEnlarges) {
  const auto screen_fit_attributes = [](std::string_view size, int width, int height) {
    return lumatrix::screen_fit_attributes(ScreenSizeChoice::parse(size), width, height);
  };
  EXPECT_EQ(screen_fit_attributes("800 x 600", 2000, 1000), R"( width = "640" height = "320" )");
  EXPECT_EQ(screen_fit_attributes("800 x 600", 600, 900), R"( width = "250" height = "375" )");
  EXPECT_EQ(screen_fit_attributes(" 640 x 480 ", 100, 50), R"( width = "100" height = "50" )");
  EXPECT_EQ(screen_fit_attributes("All", 2000, 1000), "");
  EXPECT_EQ(screen_fit_attributes("huge", 2000, 1000), R"( width = "2000" height = "1000" )");
}

TEST(GalleryText, IndexFootLinksByPageAndCircularSetting) {
  Settings s;
  NavigationLabels labels;
  s.circularbacknext = true;
  PageLines first, middle, last, single;
  append_index_page_foot(first, s, labels, 1, 3, true);
  append_index_page_foot(middle, s, labels, 2, 3, true);
  append_index_page_foot(last, s, labels, 3, 3, false);
  append_index_page_foot(single, s, labels, 1, 1, false);
  EXPECT_EQ(joined(first),
            "<p><center>\n<a href=\"index003.html\" >BACK</a>\n"
            "&nbsp;&nbsp;<a href=\"index001.html\" >HOME</a>\n"
            "&nbsp;&nbsp;<a href=\"index002.html\" >NEXT</a>\n</center><p>\n\n</body></html>\n");
  EXPECT_EQ(joined(middle),
            "<p><center>\n<a href=\"index001.html\" >BACK</a>\n"
            "&nbsp;&nbsp;<a href=\"index001.html\" >HOME</a>\n"
            "&nbsp;&nbsp;<a href=\"index003.html\" >NEXT</a>\n</center><p>\n\n</body></html>\n");
  EXPECT_EQ(joined(last),
            "<p><center>\n<a href=\"index002.html\" >BACK</a>\n"
            "&nbsp;&nbsp;<a href=\"index001.html\" >HOME</a>\n"
            "&nbsp;&nbsp;<a href=\"index001.html\" >NEXT</a>\n</center><p>\n\n</body></html>\n");
  EXPECT_EQ(joined(single), "<p><center>\n</center><p>\n\n</body></html>\n");
  s.circularbacknext = false;
  PageLines plain_first;
  append_index_page_foot(plain_first, s, labels, 1, 2, true);
  EXPECT_EQ(joined(plain_first),
            "<p><center>\n<a href=\"index001.html\" >HOME</a>\n"
            "&nbsp;&nbsp;<a href=\"index002.html\" >NEXT</a>\n</center><p>\n\n</body></html>\n");
}

ImagePageInput third_of_five() {
  ImagePageInput in;
  in.index = 3;
  in.count = 5;
  in.name = "c d.jpg";
  in.caption = "<b>Third</b>";
  in.size_attributes = R"( width = "640" height = "320" )";
  in.previous_page = "b.html";
  in.next_page = "c d 4.html";
  in.first_page = "a.html";
  in.last_page = "e.html";
  return in;
}

TEST(GalleryText, MiddleImagePageWithSlideshowAndItsSpellings) {
  Settings s;
  s.hyperlinkto = "HTML SlideShow";
  s.metarefresh = 5;
  s.htmltitle = "Trip";
  s.includepagenumbering = true;
  s.add_header = {"<meta name=\"x\">"};
  s.include_heading = true;
  EXPECT_EQ(joined(image_page(s, NavigationLabels{}, third_of_five())),
            "<html><head>\n"
            "<title>Trip (Page 3 of 5) </title>\n"
            "<meta http-equiv=\"Refresh\" content=\"5; url=c%20d%204.html\">\n"
            "<meta name=\"x\">\n"
            "</head>\n"
            "<body bgcolor=\"#000000\" link=\"#FF0000\" alink=\"#800000\" vlink=\"#FF0000\">\n"
            "<font color=\"#FFFFFF\"  >\n"
            "<center><img src=\"c%20d.jpg\"  width = \"640\" height = \"320\" ></center>\n"
            "<p>\n"
            "<center><b>Third</b></center>\n"
            "<center><p>\n"
            "<a href=\"b.html\" >BACK</a>\n"
            "&nbsp;&nbsp;<a href=\"index001.html\" border=\"0\">HOME</a>\n"
            "&nbsp;&nbsp;<a href=\"c%20d%204.html\">NEXT</a>\n"
            "</center>\n"
            "</body></html>\n");
}

TEST(GalleryText, LastSlideHasNoRefreshAndStillPagesNone) {
  Settings s;
  s.hyperlinkto = "HTML SlideShow";
  s.circularbacknext = true;
  ImagePageInput last = third_of_five();
  last.index = 5;
  last.index_page = 2;
  last.previous_page = "d.html";
  const std::string text = joined(image_page(s, NavigationLabels{}, last));
  EXPECT_EQ(text.find("Refresh"), std::string::npos);
  EXPECT_EQ(text.find("<title>"), std::string::npos) << "an empty title writes no element";
  EXPECT_NE(text.find("<a href=\"d.html\" >BACK</a>\n"
                      "&nbsp;&nbsp;<a href=\"index002.html\" >HOME</a>\n"
                      "&nbsp;&nbsp;<a href=\"a.html\">NEXT</a>\n"),
            std::string::npos)
      << text;
  s.hyperlinkto = "HTML Still";
  EXPECT_EQ(joined(image_page(s, NavigationLabels{}, third_of_five())).find("Refresh"),
            std::string::npos);
}

TEST(GalleryText, AutorunNamesTheStartPage) {
  EXPECT_EQ(autorun_text("index001.html"), "[autorun]\r\nopen=pagescope.exe \"index001.html\"\r\n");
}

}  // namespace
}  // namespace lumatrix
