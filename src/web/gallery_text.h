#pragma once
// The gallery's page texts: every template line of the index pages and the image pages, built
// from the settings and the position of an image, without touching a file. The pass in
// gallery.h decides what is written where.
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace lumatrix {

using PageLines = std::vector<std::string>;

// `text` without leading and trailing blanks, tabs, CRs and LFs.
std::string trimmed(std::string_view text);

// The font attributes F: " face = "..." " and " size = "..." " for each of fontface and fontsize
// that is not Default.
std::string font_attributes(const Settings& settings);

// Index page n's file name: htmlprefix, n padded to numnum digits, the trimmed html_extension.
std::string index_page_name(const Settings& settings, int page);

// The page an image gets: its file name with the extension (from the last ".") replaced by the
// trimmed html_extension; an empty extension just removes it.
std::string image_page_name(const Settings& settings, std::string_view image_name);

// The link target T before DoNotHyperlink empties it: the image itself for Image, else its
// page.
std::string link_target(const Settings& settings, std::string_view image_name);

// Whether an image with link target `target` gets a page of its own.
bool image_page_due(const Settings& settings, std::string_view target);

// The largest picture a page shows on the chosen screen size; 0 × 0 for All and Unrecognised.
struct ScreenBox {
  int width = 0, height = 0;
};
ScreenBox screen_box(ScreenSize screensize);

// The width and height a width × height picture is shown at on `screensize`, as
// ` width = "W" height = "H" `; empty for All. The picture is never enlarged.
std::string screen_fit_attributes(ScreenSize screensize, int width, int height);

// "&lt;2kb&gt;" style size text for a byte count.
std::string kilobytes_text(unsigned long long bytes);

// The lines of a multi-line setting; an empty one is one empty line. With `append_p`, "<p>" is
// appended to the last line.
void append_lines(PageLines& page, const Lines& lines, bool append_p = false);

// Index page head of page `page` of `pages`.
PageLines index_page_head(const Settings& settings, int page, int pages);

// One image's entry on an index page.
struct IndexEntry {
  std::string name;         // NAME, the image's file name
  std::string displayname;  // shown verbatim
  std::string target;       // T; empty: no links
  std::string thumb_size;   // S, the thumbnail's size attributes
  unsigned long long bytes = 0;
  std::string date;  // "Mar 07 2003"
};
void append_file_directory_entry(PageLines& page, const Settings& settings,
                                 const IndexEntry& entry);

// The table layout's entry. `item` is k (position on the page, from 1), `column` c, `last` says
// whether the row and table end here (i = N); returns the next column.
struct TablePosition {
  int item = 1, column = 1, per_line = 1;
  bool last_image = false;
};
int append_table_entry(PageLines& page, const Settings& settings, const IndexEntry& entry,
                       const TablePosition& position);

// The foot of index page `page` of `pages`; `more_images` says whether images follow.
struct NavigationLabels {
  std::string back = "BACK", home = "HOME", next = "NEXT";
};
void append_index_page_foot(PageLines& page, const Settings& settings,
                            const NavigationLabels& labels, int page_number, int pages,
                            bool more_images);

// Everything an image page needs to know about its image and neighbours.
struct ImagePageInput {
  int index = 1, count = 1;     // i of N
  int index_page = 1;           // p, the index page listing the image
  std::string name;             // NAME
  std::string caption;          // verbatim
  std::string size_attributes;  // A
  std::string previous_page, next_page, first_page, last_page;  // pages of i-1, i+1, 1, N
  // The sliced table's lines when slicing is on; empty shows the image itself.
  std::vector<std::string> sliced_table;
};
PageLines image_page(const Settings& settings, const NavigationLabels& labels,
                     const ImagePageInput& input);

// The two lines of "autorun.INF" for a start page named `start_page_name`, with CR LF.
std::string autorun_text(std::string_view start_page_name);

}  // namespace lumatrix
