#include "settings/settings_keys.h"

#include <array>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/choice_text.h"

namespace lumatrix {

namespace {

// The order in which profiles list their keys; older readers expect exactly this sequence.
constexpr std::string_view kKeyOrder[] = {
    "appendprefixsuffix.Checked",
    "brightness.AsInteger",
    "brightness_track.Position",
    "ColorDialog1.Color",
    "contrast.AsInteger",
    "contrast_track.Position",
    "dimension_aspect_ratio.Checked",
    "Filename_Case.ItemIndex",
    "FontDialog1.Font.Charset",
    "FontDialog1.Font.Color",
    "FontDialog1.Font.Height",
    "FontDialog1.Font.Name",
    "FontDialog1.Font.Pitch",
    "FontDialog1.Font.Size",
    "FontDialog1.Font.Style",
    "filename_save_in.Text",
    "Grayscale.Checked",
    "Image_Format.Text",
    "image_height.AsInteger",
    "image_width.AsInteger",
    "JPEG_Quality.AsInteger",
    "JPEG_Smoothing.AsInteger",
    "negative.Checked",
    "no_of_digits.AsInteger",
    "percentage.AsInteger",
    "resizing_method.Text",
    "reverse_widthheight.Checked",
    "save_in_directory.Text",
    "start_number.AsInteger",
    "Text_Alignment.Text",
    "text_border.Checked",
    "use_filename_changer.Checked",
    "watermark.Text",
    "watermark_alignment.Text",
    "watermark_transparency.AsInteger",
    "DPI_Setting.AsInteger",
    "file_prefix.Text",
    "file_suffix.Text",
    "caption_text.Text",
    "caption_text.Color",
    "caption_text.Font.Charset",
    "caption_text.Font.Name",
    "caption_text.Font.Pitch",
    "caption_text.Font.Style",
    "caption_text.Font.Color",
    "overwritefilename.Checked",
    "filename_savedlg.Path",
    "loadfolder.Path",
    "loadfolder_changefile.Path",
    "saveindlg.Path",
    "saveprofiledlg.FileName",
    "filechange_dlg.FileName",
    "loadprofiledlg.FileName",
    "progressive_JPEG.Checked",
    "filegrid_loadlist.FileName",
    "filegrid_loadlist.InitialDir",
    "filegrid_savelist.FileName",
    "filegrid_savelist.InitialDir",
    "resampletype.Text",
    "resetstartnumber.Checked",
    "add_header.Lines",
    "backimage.Text",
    "bgcolor.ColorValue",
    "bgcolor.HTMLcolor",
    "createautorun.Checked",
    "designtype.Text",
    "designtype.Items",
    "fontcolor.ColorValue",
    "fontcolor.HTMLcolor",
    "fontface.Text",
    "fontsize.Text",
    "fontsize.Items",
    "framesize.AsInteger",
    "framesize.Text",
    "homeimage.Text",
    "htmlfiledate.Checked",
    "htmlfilename.Checked",
    "htmlfilesize.Checked",
    "htmlmainratio.Checked",
    "htmlprefix.Text",
    "htmlthumbnail.Checked",
    "htmltitle.Text",
    "hyperlinkto.Text",
    "linemax.AsInteger",
    "linemax.Text",
    "link.ColorValue",
    "link.HTMLcolor",
    "Memo2.Lines",
    "Memo3.Lines",
    "metarefresh.AsInteger",
    "metarefresh.Text",
    "nextimage.Text",
    "numnum.AsInt64",
    "numnum.Text",
    "perpage.AsInt64",
    "perpage.Text",
    "Previewafter.Checked",
    "screensize.Items",
    "screensize.Text",
    "textaxisx.AsInt64",
    "textaxisx.Text",
    "textaxisy.AsInt64",
    "textaxisy.Text",
    "thumbheight.AsInt64",
    "thumbheight.Text",
    "thumbnailborder.Checked",
    "thumbwidth.AsInt64",
    "thumbwidth.Text",
    "top_html.Lines",
    "usethumbnailgallery.Checked",
    "watermarkaxisx.AsInt64",
    "watermarkaxisx.Text",
    "watermarkaxisy.AsInt64",
    "watermarkaxisy.Text",
    "blue.AsInteger",
    "alink.HTMLcolor",
    "alink.ColorValue",
    "bottom_html.Lines",
    "caption_text2.Color",
    "caption_text2.Font.Charset",
    "caption_text2.Font.Color",
    "caption_text2.Font.Name",
    "caption_text2.Font.Pitch",
    "caption_text2.Font.Style",
    "caption_text2.Text",
    "ColorDialog2.Color",
    "colorspace.Text",
    "cropby.Text",
    "cropx1.AsInteger",
    "cropx2.AsInteger",
    "cropy1.AsInteger",
    "cropy2.AsInteger",
    "effectxoffset.AsInteger",
    "effectyoffset.AsInteger",
    "enableslicing.Checked",
    "filter.Text",
    "FontDialog2.Font.Charset",
    "FontDialog2.Font.Color",
    "FontDialog2.Font.Height",
    "FontDialog2.Font.Name",
    "FontDialog2.Font.Pitch",
    "FontDialog2.Font.Size",
    "FontDialog2.Font.Style",
    "frame.Text",
    "framecolor.ColorValue",
    "framecolor.HTMLcolor",
    "framethickness.AsInteger",
    "green.AsInteger",
    "red.AsInteger",
    "retainspilt.Checked",
    "slicecolumns.AsInteger",
    "slicerows.AsInteger",
    "text_border2.Checked",
    "textaxisx2.AsInt64",
    "textaxisy2.AsInt64",
    "vlink.ColorValue",
    "vlink.HTMLcolor",
    "watermark_alignment2.Text",
    "watermark_transparency2.AsInteger",
    "watermark2.Text",
    "watermarkaxisx2.AsInt64",
    "watermarkaxisy2.AsInt64",
    "append_date.Checked",
    "dimension_aspect_ratio_t1.Checked",
    "dimension_aspect_ratio_t2.Checked",
    "dot1.Checked",
    "dot2.Checked",
    "interlaced_gif.Checked",
    "jpeg_huffman.Checked",
    "reversewidthheight_t1.Checked",
    "reversewidthheight_t2.Checked",
    "date_format.Text",
    "date_type.Text",
    "resampletype_t1.Text",
    "resampletype_t2.Text",
    "resizing_method_t1.Text",
    "resizing_method_t2.Text",
    "save_in_directory_t1.Text",
    "save_in_directory_t2.Text",
    "text_alignment2.Text",
    "file_prefix_t1.Text",
    "file_prefix_t2.Text",
    "file_suffix_t1.Text",
    "file_suffix_t2.Text",
    "percentage_t1.AsInteger",
    "percentage_t2.AsInteger",
    "image_height_t1.AsInt64",
    "image_height_t2.AsInt64",
    "image_width_t1.AsInt64",
    "image_width_t2.AsInt64",
    "filename_changer.Checked",
    "slicing.Checked",
    "thumbnailgallery.Checked",
    "filenameorder.Text",
    "twainnumber.AsInteger",
    "include_heading.Checked",
    "include_pagebottom.Checked",
    "include_pagetop.Checked",
    "watermark_alphachannel.Checked",
    "watermark_alphachannel2.Checked",
    "includehtmlfilename.Checked",
    "colordepth.Text",
    "cdstart.Text",
    "retainheaderinfo.Checked",
    "retainheaderinfo1.Checked",
    "retainheaderinfo2.Checked",
    "retainheaderinfo_thumb.Checked",
    "shadowtext2.Checked",
    "shadowtext.Checked",
    "shadowpic.Checked",
    "shadowpic2.Checked",
    "quality_t1.AsInteger",
    "quality_t2.AsInteger",
    "havebackground.Checked",
    "havebackground2.Checked",
    "html_extension.Text",
    "circularbacknext.Checked",
    "includepagenumbering.Checked",
    "iptc_header.Checked",
};

struct KeyTable {
  std::vector<ProfileKey> keys;
  std::unordered_map<std::string, size_t> by_lower_name;

  void add(std::string_view key, const OptionDecl* owner) {
    if (!by_lower_name.emplace(normalized_choice(key), keys.size()).second)
      throw std::logic_error("profile key owned twice: " + std::string(key));
    keys.push_back({key, owner, key.substr(key.rfind('.') + 1)});
  }
  const ProfileKey* find(std::string_view key) const {
    auto found = by_lower_name.find(normalized_choice(key));
    return found == by_lower_name.end() ? nullptr : &keys[found->second];
  }
};

// Binds every [Settings] key to the option declaring it. A key without an owner, or an owned
// key missing from the order, is a slip in the option table; it fails loudly at first use.
KeyTable build_key_table() {
  KeyTable table;
  for (std::string_view key : kKeyOrder) {
    const OptionDecl* owner = nullptr;
    for (const OptionDecl& option : options())
      for (size_t i = 0; i < option.key_count(); ++i)
        if (option.keys[i] == key && !option.extension) owner = &option;
    if (!owner) throw std::logic_error("profile key without option: " + std::string(key));
    table.add(key, owner);
  }
  for (const OptionDecl& option : options())
    for (size_t i = 0; i < option.key_count() && !option.extension; ++i)
      if (!table.find(option.keys[i]))
        throw std::logic_error("option key missing from the profile order: " +
                               std::string(option.keys[i]));
  return table;
}

// The extension section lists its keys in table order; they are never [Settings] keys.
KeyTable build_extension_table() {
  KeyTable table;
  for (const OptionDecl& option : options())
    for (size_t i = 0; i < option.key_count() && option.extension; ++i) {
      if (find_profile_key(option.keys[i]))
        throw std::logic_error("extension key taken by [Settings]: " + std::string(option.keys[i]));
      table.add(option.keys[i], &option);
    }
  return table;
}

const KeyTable& key_table() {
  static const KeyTable table = build_key_table();
  return table;
}

const KeyTable& extension_table() {
  static const KeyTable table = build_extension_table();
  return table;
}

}  // namespace

std::span<const ProfileKey> profile_keys() {
  return key_table().keys;
}

const ProfileKey* find_profile_key(std::string_view key) {
  return key_table().find(key);
}

std::span<const ProfileKey> extension_keys() {
  return extension_table().keys;
}

const ProfileKey* find_extension_key(std::string_view key) {
  return extension_table().find(key);
}

}  // namespace lumatrix
