#include "settings/setting_groups.h"

#include <stdexcept>
#include <string>
#include <type_traits>

namespace lumatrix {

namespace {

bool first_of_two(int which) {
  if (which != 1 && which != 2)
    throw std::out_of_range("group " + std::to_string(which) + " does not exist (1 or 2)");
  return which == 1;
}

}  // namespace

#define LUMATRIX_SAME_TYPE(field, one, two)                                       \
  static_assert(std::is_same_v<decltype(Settings::one), decltype(Settings::two)>, \
                #one " and " #two " must hold the same kind of value");
#define LUMATRIX_PICK(field, one, two) first ? s.one : s.two,
#define LUMATRIX_PICK_NAME(field, one, two) first ? std::string_view(#one) : std::string_view(#two),

#define LUMATRIX_DEFINE_GROUP(Group, group, FIELDS)  \
  FIELDS(LUMATRIX_SAME_TYPE)                         \
  Group group(const Settings& s, int which) {        \
    const bool first = first_of_two(which);          \
    return Group{FIELDS(LUMATRIX_PICK)};             \
  }                                                  \
  Group##Names group##_names(int which) {            \
    const bool first = first_of_two(which);          \
    return Group##Names{FIELDS(LUMATRIX_PICK_NAME)}; \
  }

LUMATRIX_DEFINE_GROUP(CaptionGroup, caption_group, LUMATRIX_CAPTION_GROUP)
LUMATRIX_DEFINE_GROUP(WatermarkGroup, watermark_group, LUMATRIX_WATERMARK_GROUP)
LUMATRIX_DEFINE_GROUP(ThumbnailGroup, thumbnail_group, LUMATRIX_THUMBNAIL_GROUP)

}  // namespace lumatrix
