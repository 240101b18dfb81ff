#include "settings/gallery_choices.h"

#include <cstddef>

#include "settings/choice.h"

namespace lumatrix {

namespace {

using M = ChoiceMatch;

static_assert(std::size(kDesignTypes) == static_cast<size_t>(DesignType::Unrecognised));
static_assert(std::size(kHyperlinkTo) == static_cast<size_t>(Hyperlink::Unrecognised));
static_assert(std::size(kScreenSizes) == static_cast<size_t>(ScreenSize::Unrecognised));
static_assert(std::size(kCdStart) == static_cast<size_t>(CdStart::Unrecognised));

HtmlFont html_font(std::string_view text, std::span<const std::string_view> items) {
  // The list's first item is "Default".
  return choice_index(text, items.first(1), M::IgnoringCase) ? HtmlFont::Default : HtmlFont::Given;
}

}  // namespace

DesignType DesignTypeChoice::parse(std::string_view text) {
  return choice_value(text, items, M::Exact, DesignType::Unrecognised);
}

Hyperlink HyperlinkChoice::parse(std::string_view text) {
  const Hyperlink link = choice_value(text, items, M::Exact, Hyperlink::Unrecognised);
  if (link == Hyperlink::Unrecognised && text.find("SlideShow") != std::string_view::npos)
    return Hyperlink::HtmlSlideShow;
  return link;
}

HtmlFont FontFaceChoice::parse(std::string_view text) {
  return html_font(text, items);
}

HtmlFont FontSizeChoice::parse(std::string_view text) {
  return html_font(text, items);
}

ScreenSize ScreenSizeChoice::parse(std::string_view text) {
  return choice_value(text, items, M::Trimmed, ScreenSize::Unrecognised);
}

CdStart CdStartChoice::parse(std::string_view text) {
  return choice_value(text, items, M::TrimmedIgnoringCase, CdStart::Unrecognised);
}

}  // namespace lumatrix
