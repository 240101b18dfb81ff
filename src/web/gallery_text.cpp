#include "web/gallery_text.h"

#include <algorithm>

#include "files/filename_pattern.h"
#include "imaging/resize_plan.h"
#include "web/slicing.h"

namespace lumatrix {

namespace {

std::string link(std::string_view page) {
  return url_attribute(page);
}

std::string colour(const HtmlColour& value) {
  return html_form(value.ColorValue);
}

// The display name as shown under a table thumbnail: what follows its last backslash or colon.
std::string display_tail(std::string_view displayname) {
  const size_t cut = displayname.find_last_of("\\:");
  return std::string(cut == std::string_view::npos ? displayname : displayname.substr(cut + 1));
}

std::string thumb_src(const IndexEntry& entry) {
  return "thumbnails/" + url_attribute("thumb" + entry.name);
}

}  // namespace

std::string trimmed(std::string_view text) {
  const auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; };
  size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string font_attributes(const Settings& settings) {
  std::string f;
  if (settings.fontface.value() != HtmlFont::Default)
    f += " face = \"" + settings.fontface.text() + "\" ";
  if (settings.fontsize.value() != HtmlFont::Default)
    f += " size = \"" + settings.fontsize.text() + "\" ";
  return f;
}

std::string index_page_name(const Settings& settings, int page) {
  return formatmynumbertn(settings, settings.htmlprefix, page) + trimmed(settings.html_extension);
}

std::string image_page_name(const Settings& settings, std::string_view image_name) {
  const size_t dot = image_name.rfind('.');
  const std::string_view base =
      dot == std::string_view::npos ? image_name : image_name.substr(0, dot);
  return std::string(base) + trimmed(settings.html_extension);
}

std::string link_target(const Settings& settings, std::string_view image_name) {
  if (settings.hyperlinkto.value() == Hyperlink::Image) return std::string(image_name);
  return image_page_name(settings, image_name);
}

bool image_page_due(const Settings& settings, std::string_view target) {
  const std::string extension = trimmed(settings.html_extension);
  return !extension.empty() && target.find(extension) != std::string_view::npos &&
         settings.hyperlinkto.value() != Hyperlink::Image;
}

ScreenBox screen_box(ScreenSize screensize) {
  switch (screensize) {
    case ScreenSize::Screen640x480:
      return {504, 258};
    case ScreenSize::Screen800x600:
      return {640, 375};
    case ScreenSize::Screen1024x768:
      return {830, 563};
    case ScreenSize::Screen1152x864:
      return {939, 644};
    case ScreenSize::Screen1280x1024:
      return {1048, 780};
    case ScreenSize::Screen1600x1200:
      return {1320, 930};
    case ScreenSize::All:
    case ScreenSize::Unrecognised:
      break;
  }
  return {};
}

std::string screen_fit_attributes(ScreenSize screensize, int width, int height) {
  if (screensize == ScreenSize::All) return {};
  const ScreenBox box = screen_box(screensize);
  if (width > box.width && box.width > 0) {
    const double r = static_cast<double>(box.width) / width;
    width = box.width;
    height = round_half_even(height * r);
  }
  if (box.height > 0 && height > box.height) {
    const double r = static_cast<double>(box.height) / height;
    height = box.height;
    width = round_half_even(width * r);
  }
  return " width = \"" + std::to_string(width) + "\" height = \"" + std::to_string(height) + "\" ";
}

std::string kilobytes_text(unsigned long long bytes) {
  return "&lt;" + std::to_string(bytes / 1024) + "kb&gt;";
}

void append_lines(PageLines& page, const Lines& lines, bool append_p) {
  if (lines.empty()) {
    page.emplace_back(append_p ? "<p>" : "");
    return;
  }
  page.insert(page.end(), lines.begin(), lines.end());
  if (append_p) page.back() += "<p>";
}

PageLines index_page_head(const Settings& settings, int page, int pages) {
  PageLines lines{"<html><head>"};
  std::string numbering;
  if (settings.includepagenumbering)
    numbering = " (Page " + std::to_string(page) + " of " + std::to_string(pages) + ") ";
  lines.push_back("<title>" + settings.htmltitle + numbering + "</title>");
  append_lines(lines, settings.add_header);
  lines.emplace_back("</head>");
  lines.push_back("<body bgcolor=\"" + colour(settings.bgcolor) + "\" link=\"" +
                  colour(settings.link) + "\" alink=\"" + colour(settings.alink) + "\" vlink=\"" +
                  colour(settings.vlink) + "\">");
  lines.push_back("<font color=\"" + colour(settings.fontcolor) + "\" " +
                  font_attributes(settings) + " >");
  lines.push_back("<center><h1>" + settings.htmltitle + "</h1></center>");
  lines.emplace_back("<p>");
  append_lines(lines, settings.top_html, true);
  return lines;
}

void append_file_directory_entry(PageLines& page, const Settings& settings,
                                 const IndexEntry& entry) {
  const bool linked = !entry.target.empty();
  const std::string href = "<a href=\"" + link(entry.target) + "\">";
  if (settings.htmlthumbnail) {
    if (linked)
      page.push_back(href + "<img src=\"" + thumb_src(entry) + "\" " + entry.thumb_size +
                     (settings.thumbnailborder ? "" : " border=\"0\" ") + "></a> ");
    else
      page.push_back("<img src=\"" + thumb_src(entry) + "\"" + entry.thumb_size + ">");
  }
  if (settings.htmlfilename)
    page.push_back(linked ? href + entry.displayname + "</a> " : entry.displayname);
  if (settings.includehtmlfilename)
    page.push_back(linked ? href + html_text(entry.name) + "</a> " : html_text(entry.name));
  if (settings.htmlfilesize) page.push_back(kilobytes_text(entry.bytes));
  if (settings.htmlfiledate) page.push_back("&lt;" + entry.date + "&gt;");
  page.emplace_back("<br>");
}

int append_table_entry(PageLines& page, const Settings& settings, const IndexEntry& entry,
                       const TablePosition& at) {
  const bool linked = !entry.target.empty();
  const std::string href = "<a href=\"" + link(entry.target) + "\">";
  if (at.item == 1)
    page.push_back("<table border=\"" + std::to_string(settings.framesize) +
                   "\" align=\"center\" >");
  if (at.column == 1) page.emplace_back("<tr align=\"center\">");
  page.push_back("<td align=\"center\" width=\"" + std::to_string(settings.thumbwidth + 2) +
                 "\"><font color=\"" + colour(settings.fontcolor) + "\" " +
                 font_attributes(settings) + " >");
  if (settings.htmlthumbnail) {
    if (linked)
      page.push_back(href + "<img src=\"" + thumb_src(entry) + "\"" + entry.thumb_size +
                     (settings.thumbnailborder ? "" : " border=\"0\" ") + "></a><br>");
    else
      page.push_back("<img src=\"" + thumb_src(entry) + "\"" + entry.thumb_size + "><br>");
  }
  if (settings.htmlfilename)
    page.push_back(linked ? href + display_tail(entry.displayname) + "</a><br>"
                          : entry.displayname + "<br>");
  if (settings.includehtmlfilename)
    page.push_back(linked ? href + html_text(entry.name) + "</a> " : html_text(entry.name));
  if (settings.htmlfilesize) page.push_back(kilobytes_text(entry.bytes) + "<br>");
  page.push_back((settings.htmlfiledate ? "&lt;" + entry.date + "&gt;" : std::string()) +
                 "</font></td>");
  int next_column = at.column + 1;
  if (at.column == at.per_line || at.last_image) {
    page.emplace_back("</tr>");
    next_column = 1;
  }
  if (at.last_image || at.item == settings.perpage) page.emplace_back("</table>");
  return next_column;
}

void append_index_page_foot(PageLines& page, const Settings& settings,
                            const NavigationLabels& labels, int p, int pages, bool more_images) {
  const auto index = [&](int n) { return link(index_page_name(settings, n)); };
  const std::string home = "<a href=\"" + index(1) + "\" >" + labels.home + "</a>";
  const std::string back =
      "<a href=\"" + index(p > 1 ? p - 1 : pages) + "\" >" + labels.back + "</a>";
  page.emplace_back("<p><center>");
  if (p == 1 && more_images) {
    if (settings.circularbacknext) {
      page.push_back(back);
      page.push_back("&nbsp;&nbsp;" + home);
    } else {
      page.push_back(home);
    }
    page.push_back("&nbsp;&nbsp;<a href=\"" + index(2) + "\" >" + labels.next + "</a>");
  } else if (p > 1) {
    page.push_back(back);
    page.push_back("&nbsp;&nbsp;" + home);
    if (more_images)
      page.push_back("&nbsp;&nbsp;<a href=\"" + index(p + 1) + "\" >" + labels.next + "</a>");
    else if (settings.circularbacknext)
      page.push_back("&nbsp;&nbsp;<a href=\"" + index(1) + "\" >" + labels.next + "</a>");
  }
  page.emplace_back("</center><p>");
  append_lines(page, settings.bottom_html);
  page.emplace_back("</body></html>");
}

PageLines image_page(const Settings& settings, const NavigationLabels& labels,
                     const ImagePageInput& in) {
  PageLines lines{"<html><head>"};
  if (!trimmed(settings.htmltitle).empty()) {
    std::string numbering;
    if (settings.includepagenumbering)
      numbering = " (Page " + std::to_string(in.index) + " of " + std::to_string(in.count) + ") ";
    lines.push_back("<title>" + settings.htmltitle + numbering + "</title>");
  }
  if (settings.hyperlinkto.value() == Hyperlink::HtmlSlideShow && in.index < in.count)
    lines.push_back("<meta http-equiv=\"Refresh\" content=\"" +
                    std::to_string(settings.metarefresh) + "; url=" + link(in.next_page) + "\">");
  if (settings.include_heading) append_lines(lines, settings.add_header);
  lines.emplace_back("</head>");
  lines.push_back("<body bgcolor=\"" + colour(settings.bgcolor) + "\" link=\"" +
                  colour(settings.link) + "\" alink=\"" + colour(settings.alink) + "\" vlink=\"" +
                  colour(settings.vlink) + "\">");
  lines.push_back("<font color=\"" + colour(settings.fontcolor) + "\" " +
                  font_attributes(settings) + " >");
  if (settings.include_pagetop) append_lines(lines, settings.top_html, true);
  if (!in.sliced_table.empty()) {
    lines.push_back("<p>" + in.sliced_table.front());
    lines.insert(lines.end(), in.sliced_table.begin() + 1, in.sliced_table.end());
    lines.emplace_back("</p>");
  } else {
    lines.push_back("<center><img src=\"" + link(in.name) + "\" " + in.size_attributes +
                    "></center>");
  }
  lines.emplace_back("<p>");
  lines.push_back("<center>" + in.caption + "</center>");
  lines.emplace_back("<center><p>");
  const std::string home_href = link(index_page_name(settings, in.index_page));
  if (in.index == 1) {
    if (settings.circularbacknext) {
      lines.push_back("<a href=\"" + link(in.last_page) + "\">" + labels.back + "</a>");
      lines.push_back("&nbsp;&nbsp;<a href=\"" + home_href + "\">" + labels.home + "</a>");
    } else {
      lines.push_back("<a href=\"" + home_href + "\">" + labels.home + "</a>");
    }
    lines.push_back("&nbsp;&nbsp;<a href=\"" + link(in.next_page) + "\">" + labels.next + "</a>");
  } else if (in.index == in.count) {
    lines.push_back("<a href=\"" + link(in.previous_page) + "\" >" + labels.back + "</a>");
    lines.push_back("&nbsp;&nbsp;<a href=\"" + home_href + "\" >" + labels.home + "</a>");
    if (settings.circularbacknext)
      lines.push_back("&nbsp;&nbsp;<a href=\"" + link(in.first_page) + "\">" + labels.next +
                      "</a>");
  } else {
    lines.push_back("<a href=\"" + link(in.previous_page) + "\" >" + labels.back + "</a>");
    lines.push_back("&nbsp;&nbsp;<a href=\"" + home_href + "\" border=\"0\">" + labels.home +
                    "</a>");
    lines.push_back("&nbsp;&nbsp;<a href=\"" + link(in.next_page) + "\">" + labels.next + "</a>");
  }
  lines.emplace_back("</center>");
  if (settings.include_pagebottom) append_lines(lines, settings.bottom_html);
  lines.emplace_back("</body></html>");
  return lines;
}

std::string autorun_text(std::string_view start_page_name) {
  return "[autorun]\r\nopen=pagescope.exe \"" + std::string(start_page_name) + "\"\r\n";
}

}  // namespace lumatrix
