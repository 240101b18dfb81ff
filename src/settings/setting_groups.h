#pragma once
// The option groups that come twice: captions 1 and 2, watermarks 1 and 2, thumbnails 1 and 2.
// Each group's fields are declared once, with the member each copy keeps them in (the controls'
// names, which profiles store and which do not follow one pattern). The members keep their own
// defaults, ranges and keys in the option table, where the two copies differ in places.
#include <string_view>

#include "settings/settings.h"

namespace lumatrix {

// clang-format off
// F(field, member of group 1, member of group 2). The caption's text colour and font travel in
// profiles as caption_text.Color and caption_text.Font too, but captions are drawn with the font
// dialog's font and colour, so those two are no fields of the group.
#define LUMATRIX_CAPTION_GROUP(F) \
  F(text, caption_text, caption_text2) \
  F(placement, Text_Alignment, text_alignment2) \
  F(axis_x, textaxisx, textaxisx2) \
  F(axis_y, textaxisy, textaxisy2) \
  F(border, text_border, text_border2) \
  F(shadow, shadowtext, shadowtext2) \
  F(clear_background, havebackground, havebackground2) \
  F(font, FontDialog1, FontDialog2) \
  F(background, ColorDialog1, ColorDialog2)

#define LUMATRIX_WATERMARK_GROUP(F) \
  F(file, watermark, watermark2) \
  F(placement, watermark_alignment, watermark_alignment2) \
  F(transparency, watermark_transparency, watermark_transparency2) \
  F(axis_x, watermarkaxisx, watermarkaxisx2) \
  F(axis_y, watermarkaxisy, watermarkaxisy2) \
  F(alpha_channel, watermark_alphachannel, watermark_alphachannel2) \
  F(shadow, shadowpic, shadowpic2)

#define LUMATRIX_THUMBNAIL_GROUP(F) \
  F(enabled, dot1, dot2) \
  F(method, resizing_method_t1, resizing_method_t2) \
  F(width, image_width_t1, image_width_t2) \
  F(height, image_height_t1, image_height_t2) \
  F(percentage, percentage_t1, percentage_t2) \
  F(keep_aspect, dimension_aspect_ratio_t1, dimension_aspect_ratio_t2) \
  F(swap_portrait, reversewidthheight_t1, reversewidthheight_t2) \
  F(resample_type, resampletype_t1, resampletype_t2) \
  F(save_in, save_in_directory_t1, save_in_directory_t2) \
  F(prefix, file_prefix_t1, file_prefix_t2) \
  F(suffix, file_suffix_t1, file_suffix_t2) \
  F(quality, quality_t1, quality_t2) \
  F(retain_header, retainheaderinfo1, retainheaderinfo2)
// clang-format on

#define LUMATRIX_GROUP_FIELD(field, one, two) const decltype(Settings::one)& field;
#define LUMATRIX_GROUP_NAME(field, one, two) std::string_view field;

// Group `which` (1 or 2) of the settings, as references into them; its fields' option names.
// Any other `which` throws std::out_of_range.
#define LUMATRIX_DECLARE_GROUP(Group, group, FIELDS) \
  struct Group {                                     \
    FIELDS(LUMATRIX_GROUP_FIELD)                     \
  };                                                 \
  struct Group##Names {                              \
    FIELDS(LUMATRIX_GROUP_NAME)                      \
  };                                                 \
  Group group(const Settings& settings, int which);  \
  Group##Names group##_names(int which);

LUMATRIX_DECLARE_GROUP(CaptionGroup, caption_group, LUMATRIX_CAPTION_GROUP)
LUMATRIX_DECLARE_GROUP(WatermarkGroup, watermark_group, LUMATRIX_WATERMARK_GROUP)
LUMATRIX_DECLARE_GROUP(ThumbnailGroup, thumbnail_group, LUMATRIX_THUMBNAIL_GROUP)

#undef LUMATRIX_DECLARE_GROUP
#undef LUMATRIX_GROUP_FIELD
#undef LUMATRIX_GROUP_NAME

}  // namespace lumatrix
