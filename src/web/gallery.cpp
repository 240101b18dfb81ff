#include "web/gallery.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <span>
#include <system_error>

#include "base/choice_text.h"
#include "base/file_bytes.h"
#include "base/image_error.h"
#include "files/filename_pattern.h"
#include "imaging/orientation.h"
#include "imaging/profile_use.h"
#include "imaging/resample.h"
#include "imaging/resize_plan.h"
#include "web/slicing.h"

namespace lumatrix {

namespace fs = std::filesystem;

namespace {

bool by_file_name(const GalleryRecord& a, const GalleryRecord& b) {
  return less_ignoring_case(a.filename, b.filename);
}

void write_text(const fs::path& path, const std::string& text) {
  write_file_atomically(path,
                        std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string reason_of(const std::exception& error) {
  if (const auto* image_error = dynamic_cast<const ImageError*>(&error))
    return image_error->reason();
  return error.what();
}

unsigned long long file_bytes(const fs::path& path) {
  std::error_code error;
  const auto size = fs::file_size(path, error);
  return error ? 0 : static_cast<unsigned long long>(size);
}

std::string file_date(const fs::path& path) {
  const auto date = file_write_date(path);
  if (!date) return {};
  return format_date(*date, "MMM") + " " + format_date(*date, "DD") + " " +
         format_date(*date, "YYYY");
}

// Fits the loaded image to the thumbnail box: stretched with `stretch_filter` when the ratio
// is not kept, else shrunk (never enlarged) into the box.
void size_thumbnail(ImageDocument& doc, const Settings& settings, ResampleFilter filter) {
  if (doc.empty()) return;
  if (!settings.htmlmainratio) {
    resample(doc, std::max(settings.thumbwidth, 1), std::max(settings.thumbheight, 1), filter);
    return;
  }
  ResizeOptions options;
  options.method = ResizeMethod::DownsizeByPixels;
  options.width = settings.thumbwidth;
  options.height = settings.thumbheight;
  options.swap_portrait = false;
  options.filter = filter;
  options.enlarging_methods = false;
  const auto plan = plan_resize(options, doc.width(), doc.height());
  if (plan && (plan->width != doc.width() || plan->height != doc.height()))
    resample(doc, plan->width, plan->height, plan->filter);
}

class GalleryPass {
 public:
  GalleryPass(Workspace& ws, const RunSeam& run, const Settings& settings,
              std::vector<GalleryRecord> records, fs::path viewer_folder)
      : ws_(ws),
        run_(run),
        settings_(settings),
        records_(std::move(records)),
        viewer_folder_(std::move(viewer_folder)) {
    // The button images go beside the record the run appended last, before the pass sorts.
    if (!records_.empty()) nav_folder_ = fs::path(records_.back().filename).parent_path();
    std::stable_sort(records_.begin(), records_.end(), by_file_name);
    // A line never holds more thumbnails than a page.
    settings_.linemax = std::clamp(settings_.linemax, 1, std::max(settings_.perpage, 1));
    settings_.perpage = std::max(settings_.perpage, 1);
  }

  GalleryResult run() {
    run_.events.log("Starting Thumbnail Gallery Creation");
    const int count = static_cast<int>(records_.size());
    if (count > 0) {
      labels_.back = navigation_label(ws_.specs, settings_.backimage, nav_folder_, "BACK");
      labels_.home = navigation_label(ws_.specs, settings_.homeimage, nav_folder_, "HOME");
      labels_.next = navigation_label(ws_.specs, settings_.nextimage, nav_folder_, "NEXT");
    }
    pages_ = (count + settings_.perpage - 1) / settings_.perpage;
    run_.events.set_progress(0, count);
    const bool stop_already_pending = run_.cancel.requested();
    int item = 1, column = 1, page = 1;
    PageLines index;
    fs::path last_folder;
    for (int i = 1; i <= count; ++i) {
      if (!stop_already_pending && run_.cancel.requested() &&
          run_.questions.ask_ok_cancel("Do You want to Stop the HTML Creation ?")) {
        run_.questions.inform("Process Terminated by User");
        run_.events.set_progress(0, count);
        result_.stopped = true;
        // The images done so far keep an index page that lists them and that their pages'
        // HOME links reach.
        if (item > 1) finish_stopped_page(index, column, page, last_folder);
        break;
      }
      if (item == 1) index = index_page_head(settings_, page, pages_);
      const GalleryRecord& record = records_[static_cast<size_t>(i) - 1];
      const fs::path image(record.filename);
      const fs::path folder = image.parent_path();
      last_folder = folder;
      const std::string name = image.filename().string();
      std::string target = link_target(settings_, name);
      const fs::path thumb = folder / "thumbnails" / ("thumb" + name);
      const bool thumb_made = make_thumbnail(image, thumb, ResampleFilter::Mitchell, true);
      if (settings_.hyperlinkto.value() == Hyperlink::DoNotHyperlink) target.clear();
      const bool page_due = image_page_due(settings_, target);
      // Without an extension for pages no image page exists to link to; the picture does.
      if (!target.empty() && !page_due) target = name;

      IndexEntry entry{name, record.displayname, target, {}, file_bytes(image), {}};
      if (settings_.htmlfiledate) entry.date = file_date(image);
      if (settings_.designtype.value() == DesignType::FileDirectory) {
        entry.thumb_size = image_size_attributes(ws_.specs, thumb);
        append_file_directory_entry(index, settings_, entry);
      } else {
        // The second pass's Lanczos3 thumbnail replaces the first one.
        if (settings_.htmlthumbnail && thumb_made)
          make_thumbnail(image, thumb, ResampleFilter::Lanczos3, false);
        entry.thumb_size = image_size_attributes(ws_.specs, thumb);
        run_.events.log("Creating Thumbnails");
        column = append_table_entry(index, settings_, entry,
                                    {item, column, settings_.linemax, i == count});
      }
      if (page_due) write_image_page(i, page, folder / target, record);

      if (item == settings_.perpage || i == count) {
        append_index_page_foot(index, settings_, labels_, page, pages_, i < count);
        write_text(folder / index_page_name(settings_, page), crlf_text(index));
        ++result_.pages;
        if (page == 1) settle_start_page(folder);
        ++page;
        item = 1;
        column = 1;
      } else {
        ++item;
      }
      run_.events.set_progress(i, count);
    }
    return result_;
  }

 private:
  // Loads the image and writes its thumbnail; the first pass also sets the header and JPEG
  // options and works out the image page's size attributes. An image that cannot be read gets
  // no thumbnail rather than a copy of the previous picture.
  bool make_thumbnail(const fs::path& image, const fs::path& thumb, ResampleFilter filter,
                      bool first) {
    ImageDocument& doc = ws_.processimage;
    const std::string name = image.filename().string();
    if (first) size_attributes_.clear();
    try {
      const ColourProfiles colours = settings_.colour_profiles.value();
      doc.params.cmyk_by_profile = colours == ColourProfiles::ConvertToSrgb;
      if (!doc.load(image)) throw ImageError(image, "no reader for this file type");
      apply_colour_profile(doc, colours);
      if (settings_.auto_orient) turn_upright(doc);
      doc.params.iptc.clear();
      if (!first) run_.events.log("Loaded " + name);
      size_attributes_ =
          screen_fit_attributes(settings_.screensize.value(), doc.width(), doc.height());
      if (trimmed(size_attributes_).empty())
        size_attributes_ = image_size_attributes(ws_.specs, image);
      if (first) {
        if (!settings_.retainheaderinfo_thumb) doc.reset_info();
        run_.events.log("Loading " + name);
        doc.params.stream_header = settings_.retainheaderinfo_thumb;
        doc.params.jpeg_quality = settings_.JPEG_Quality;
        doc.params.jpeg_smoothing = settings_.JPEG_Smoothing;
        doc.params.jpeg_progressive = settings_.progressive_JPEG;
        doc.params.jpeg_optimal_huffman = settings_.jpeg_huffman;
        jpeg_params_ = doc.params;
      } else {
        // The reload brought the file's own options back; the thumbnail keeps the first pass's.
        if (!settings_.retainheaderinfo_thumb) doc.reset_info();
        doc.params.stream_header = jpeg_params_.stream_header;
        doc.params.jpeg_quality = jpeg_params_.jpeg_quality;
        doc.params.jpeg_smoothing = jpeg_params_.jpeg_smoothing;
        doc.params.jpeg_progressive = jpeg_params_.jpeg_progressive;
        doc.params.jpeg_optimal_huffman = jpeg_params_.jpeg_optimal_huffman;
      }
      size_thumbnail(doc, settings_, filter);
      fs::create_directories(thumb.parent_path());
      if (!doc.save(thumb)) throw ImageError(thumb, "no writer for this file type");
      if (first) run_.events.log("Creating Thumbnails");
      return true;
    } catch (const std::exception& error) {
      run_.events.log("Error: Thumbnail of " + image.string() + ": " + reason_of(error));
      if (first && size_attributes_.empty())
        size_attributes_ = image_size_attributes(ws_.specs, image);
      return false;
    }
  }

  void finish_stopped_page(PageLines& index, int column, int page, const fs::path& folder) {
    if (settings_.designtype.value() != DesignType::FileDirectory) {
      if (column != 1) index.emplace_back("</tr>");
      index.emplace_back("</table>");
    }
    append_index_page_foot(index, settings_, labels_, page, pages_, false);
    write_text(folder / index_page_name(settings_, page), crlf_text(index));
    ++result_.pages;
    if (page == 1) settle_start_page(folder);
  }

  std::string page_of(int j) const {
    const fs::path image(records_[static_cast<size_t>(j) - 1].filename);
    return image_page_name(settings_, image.filename().string());
  }

  void write_image_page(int i, int page, const fs::path& path, const GalleryRecord& record) {
    const int count = static_cast<int>(records_.size());
    const fs::path image(record.filename);
    ImagePageInput input;
    input.index = i;
    input.count = count;
    input.index_page = page;
    input.name = image.filename().string();
    input.caption = record.caption;
    input.size_attributes = size_attributes_;
    input.previous_page = i > 1 ? page_of(i - 1) : page_of(i);
    input.next_page = i < count ? page_of(i + 1) : page_of(i);
    input.first_page = page_of(1);
    input.last_page = page_of(count);
    bool sliced = false;
    if (settings_.enableslicing) {
      try {
        input.sliced_table = slice_image(ws_, settings_, image);
        sliced = true;
      } catch (const std::exception& error) {
        run_.events.log("Error: Image Slicing of " + image.string() + ": " + reason_of(error));
      }
    }
    write_text(path, crlf_text(image_page(settings_, labels_, input)));
    if (sliced) drop_sliced_image(settings_, image);
    if (i == 1) result_.start_page = path;
  }

  void settle_start_page(const fs::path& folder) {
    if (settings_.cdstart.value() == CdStart::FirstIndex)
      result_.start_page = folder / index_page_name(settings_, 1);
    if (!settings_.createautorun) return;
    write_text(folder / "autorun.INF", autorun_text(result_.start_page.filename().string()));
    const fs::path viewer = viewer_folder_ / "pagescope.exe";
    std::error_code error;
    if (!fs::is_regular_file(viewer, error)) {
      run_.events.log("Error: pagescope.exe not found in " + viewer_folder_.string() +
                      ", autorun.INF is written without its viewer");
      return;
    }
    fs::copy_file(viewer, folder / "pagescope.exe", fs::copy_options::overwrite_existing);
  }

  Workspace& ws_;
  RunSeam run_;
  Settings settings_;
  std::vector<GalleryRecord> records_;
  fs::path viewer_folder_;
  fs::path nav_folder_;
  NavigationLabels labels_;
  int pages_ = 0;
  std::string size_attributes_;
  IOParams jpeg_params_;
  GalleryResult result_;
};

}  // namespace

std::string navigation_label(ImageDocument& specs, const std::string& image_path,
                             const fs::path& folder, const std::string& word) {
  const std::string path_text = trimmed(image_path);
  if (path_text.empty()) return word;
  const fs::path source(path_text);
  std::error_code error;
  if (!fs::is_regular_file(source, error)) return word;
  const fs::path copy = folder / source.filename();
  if (!fs::equivalent(source, copy, error))
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
  return "<img src=\"" + url_attribute(source.filename().string()) + "\" " +
         image_size_attributes(specs, copy) + " border=\"0\">";
}

fs::path program_folder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::current_path() : self.parent_path();
}

GalleryResult create_html_gallery(Workspace& ws, const RunSeam& run, const Settings& settings,
                                  std::vector<GalleryRecord> records, const GalleryPreview& preview,
                                  const fs::path& viewer_folder) {
  GalleryPass pass(ws, run, settings, std::move(records),
                   viewer_folder.empty() ? program_folder() : viewer_folder);
  GalleryResult result = pass.run();
  if (settings.Previewafter && preview)
    preview(result.start_page);
  else
    run.events.log("HTML Autogeneration Done");
  return result;
}

}  // namespace lumatrix
