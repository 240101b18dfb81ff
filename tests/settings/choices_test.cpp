#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "settings/profile_file.h"
#include "settings/settings.h"
#include "settings/settings_text.h"

namespace lumatrix {
namespace {

// Every listed item reads as the enumerator at its position.
template <class Vocabulary>
void expect_items_in_order() {
  using E = typename Choice<Vocabulary>::Value;
  for (size_t i = 0; i < Vocabulary::items.size(); ++i)
    EXPECT_EQ(Vocabulary::parse(Vocabulary::items[i]), static_cast<E>(i)) << Vocabulary::items[i];
}

TEST(Choice, KeepsTheTextAsTypedAndParsesEveryAssignment) {
  Choice<FrameChoice> frame = "None";
  EXPECT_EQ(frame.value(), FrameKind::None);
  frame = " BORDER ";
  EXPECT_EQ(frame.text(), " BORDER ");
  EXPECT_EQ(frame.value(), FrameKind::Border);
  frame = std::string("3D Effect");
  EXPECT_EQ(frame.value(), FrameKind::Effect3D);
  Choice<FrameChoice> copy = frame;
  EXPECT_EQ(copy.value(), FrameKind::Effect3D);
  // Equality is by text: the same meaning typed differently is another value of the record.
  EXPECT_EQ(copy, frame);
  EXPECT_FALSE(Choice<FrameChoice>("Border") == Choice<FrameChoice>("border"));
  EXPECT_EQ(frame, "3D Effect");
  EXPECT_FALSE(frame == "3d effect");
  EXPECT_EQ(Choice<FrameChoice>().value(), FrameKind::Unrecognised);  // the empty text
}

TEST(ChoiceMatch, EachRuleTrimsAndFoldsWhatItSays) {
  const std::string_view items[] = {"Alpha", "Beta Two"};
  EXPECT_EQ(choice_index("Beta Two", items, ChoiceMatch::Exact), 1u);
  EXPECT_EQ(choice_index(" Beta Two", items, ChoiceMatch::Exact), std::nullopt);
  EXPECT_EQ(choice_index("\t Beta Two \r\n", items, ChoiceMatch::Trimmed), 1u);
  EXPECT_EQ(choice_index("beta two", items, ChoiceMatch::Trimmed), std::nullopt);
  EXPECT_EQ(choice_index("ALPHA", items, ChoiceMatch::IgnoringCase), 0u);
  EXPECT_EQ(choice_index("ALPHA ", items, ChoiceMatch::IgnoringCase), std::nullopt);
  EXPECT_EQ(choice_index(" bETA two ", items, ChoiceMatch::TrimmedIgnoringCase), 1u);
  EXPECT_EQ(choice_index("Beta  Two", items, ChoiceMatch::TrimmedIgnoringCase), std::nullopt);
  // Only ASCII letters fold: "É" is not "é".
  const std::string_view accented[] = {"\xC3\xA9t\xC3\xA9"};
  EXPECT_EQ(choice_index("\xC3\x89T\xC3\x89", accented, ChoiceMatch::IgnoringCase), std::nullopt);
}

TEST(ImageChoices, ResizeMethodsTrimmedAndLowerCased) {
  expect_items_in_order<ResizeMethodChoice>();
  EXPECT_EQ(ResizeMethodChoice::parse(" 1/3X "), ResizeMethod::Third);
  EXPECT_EQ(ResizeMethodChoice::parse(" resize BY pixels "), ResizeMethod::ResizeByPixels);
  EXPECT_EQ(ResizeMethodChoice::parse("upsize by %"), ResizeMethod::UpsizeByPercent);
  EXPECT_EQ(ResizeMethodChoice::parse("5x"), ResizeMethod::Unrecognised);
  EXPECT_EQ(ResizeMethodChoice::parse(""), ResizeMethod::Unrecognised);
  // The thumbnails list fewer methods but read a typed one alike; the plan refuses it.
  EXPECT_EQ(ThumbnailResizeMethodChoice::parse("2x"), ResizeMethod::Double);
  for (std::string_view item : ThumbnailResizeMethodChoice::items)
    EXPECT_NE(ThumbnailResizeMethodChoice::parse(item), ResizeMethod::Unrecognised) << item;
}

TEST(ImageChoices, ResampleTypesOtherwiseLanczos3) {
  EXPECT_EQ(ResampleTypeChoice::parse("None"), ResampleFilter::None);
  EXPECT_EQ(ResampleTypeChoice::parse("  TRIANGLE "), ResampleFilter::Triangle);
  EXPECT_EQ(ResampleTypeChoice::parse("Hermite"), ResampleFilter::Hermite);
  EXPECT_EQ(ResampleTypeChoice::parse("bell"), ResampleFilter::Bell);
  EXPECT_EQ(ResampleTypeChoice::parse("BSpline"), ResampleFilter::BSpline);
  EXPECT_EQ(ResampleTypeChoice::parse("Lanczos3"), ResampleFilter::Lanczos3);
  EXPECT_EQ(ResampleTypeChoice::parse("bicubic"), ResampleFilter::Lanczos3);
  EXPECT_EQ(ResampleTypeChoice::parse("Mitchell"), ResampleFilter::Lanczos3);
  EXPECT_EQ(ResampleTypeChoice::parse(""), ResampleFilter::Lanczos3);
}

TEST(ImageChoices, FiltersColourSpacesFramesAndCrop) {
  expect_items_in_order<FilterChoice>();
  EXPECT_EQ(FilterChoice::parse("EMBOSS"), EffectFilter::Emboss);
  EXPECT_EQ(FilterChoice::parse(" Blur"), EffectFilter::Blur);
  EXPECT_EQ(FilterChoice::parse("blur more"), EffectFilter::BlurMore);
  EXPECT_EQ(FilterChoice::parse("Soften"), EffectFilter::Unrecognised);

  expect_items_in_order<ColourSpaceChoice>();
  EXPECT_EQ(ColourSpaceChoice::parse(" ycbcr "), ColourSpace::YCbCr);
  EXPECT_EQ(ColourSpaceChoice::parse("YCbCrK"), ColourSpace::YCbCrK);  // typed, not listed
  EXPECT_EQ(ColourSpaceChoice::parse(" ycbcrk"), ColourSpace::YCbCrK);
  EXPECT_EQ(ColourSpaceChoice::parse("Lab"), ColourSpace::Unrecognised);

  expect_items_in_order<FrameChoice>();
  EXPECT_EQ(FrameChoice::parse(" BORDER "), FrameKind::Border);
  EXPECT_EQ(FrameChoice::parse("3d effect"), FrameKind::Effect3D);
  EXPECT_EQ(FrameChoice::parse("Shadow"), FrameKind::Unrecognised);

  expect_items_in_order<CropByChoice>();
  EXPECT_EQ(CropByChoice::parse(" NONE "), CropBy::None);
  EXPECT_EQ(CropByChoice::parse("dimension"), CropBy::Dimension);
  EXPECT_EQ(CropByChoice::parse("Corners"), CropBy::Unrecognised);
}

TEST(ImageChoices, ColourDepthMarkersInOrderOnTheTextAsTyped) {
  using D = ColourDepth;
  EXPECT_EQ(ColourDepthChoice::parse("24 Bits (16.7 mil)"), D::Bits24);
  EXPECT_EQ(ColourDepthChoice::parse("16 Bits (65535)"), D::Bits16);
  EXPECT_EQ(ColourDepthChoice::parse("14 Bits (16384)"), D::Bits14);
  EXPECT_EQ(ColourDepthChoice::parse("11 Bits (2048)"), D::Bits11);  // not "1 Bits"
  EXPECT_EQ(ColourDepthChoice::parse("8 Bits   (256)"), D::Bits8);
  EXPECT_EQ(ColourDepthChoice::parse("1 Bits"), D::Bits1);  // typed, not listed
  EXPECT_EQ(ColourDepthChoice::parse("x 12 Bits y"), D::Bits12);
  EXPECT_EQ(ColourDepthChoice::parse("8 bits"), D::Unrecognised);  // case matters
  EXPECT_EQ(ColourDepthChoice::parse("256 colours"), D::Unrecognised);
  EXPECT_EQ(ColourDepthChoice::parse(""), D::Unrecognised);
  // Each listed depth is the number it starts with.
  for (std::string_view item : ColourDepthChoice::items)
    EXPECT_EQ(static_cast<int>(ColourDepthChoice::parse(item)), std::stoi(std::string(item)))
        << item;
}

TEST(ImageChoices, OrientationsTrimmedWithLetterCase) {
  expect_items_in_order<OrientationChoice>();
  EXPECT_EQ(OrientationChoice::parse("  Rotate Right 90\u00B0 "), Orientation::RotateRight90);
  EXPECT_EQ(OrientationChoice::parse("Flip Down"), Orientation::FlipDown);
  for (std::string_view text :
       {"rotate left 90\u00B0", "Rotate Left 90", "FLIP LEFT", "", "Rotate 90\u00B0"})
    EXPECT_EQ(OrientationChoice::parse(text), Orientation::Unrecognised) << text;
  // The menus write all but "Flip Down".
  EXPECT_EQ(kListOrientations.size(), 6u);
  EXPECT_EQ(kListOrientations.back(), "Flip Right");
}

TEST(OverlayChoices, CaptionTextTokensWholeOnly) {
  EXPECT_EQ(CaptionTextChoice::parse("  [filename] "), CaptionText::FileName);
  EXPECT_EQ(CaptionTextChoice::parse("[date]"), CaptionText::Date);
  EXPECT_EQ(CaptionTextChoice::parse("Shot [DATE]"), CaptionText::Typed);
  EXPECT_EQ(CaptionTextChoice::parse(""), CaptionText::Typed);
}

TEST(OverlayChoices, CaptionPlacementsMixTheirRules) {
  using A = CaptionAnchor;
  const auto anchor = [](std::string_view text) {
    return CaptionPlacementChoice::parse(text).anchor;
  };
  for (size_t i = 0; i < CaptionPlacementChoice::items.size(); ++i)
    EXPECT_EQ(anchor(CaptionPlacementChoice::items[i]), static_cast<A>(i));
  // "None" as the drawing step tests it; the Middle names trimmed; the others exactly.
  EXPECT_EQ(anchor(" none "), A::None);
  EXPECT_EQ(anchor("NONE"), A::None);
  EXPECT_EQ(anchor("Middle Left "), A::MiddleLeft);
  EXPECT_EQ(anchor("\tMiddle Right"), A::MiddleRight);
  EXPECT_EQ(anchor("middle left"), A::Unrecognised);
  EXPECT_EQ(anchor("Top Left "), A::Unrecognised);
  EXPECT_EQ(anchor("bottom left"), A::Unrecognised);
  EXPECT_EQ(anchor("Vertical Left BottomUp "), A::Unrecognised);

  // The words of the text decide across and the band, whatever the anchor.
  const CaptionPlacement near = CaptionPlacementChoice::parse(" Top Center");
  EXPECT_EQ(near, (CaptionPlacement{A::Unrecognised, CaptionAcross::Centred, true}));
  EXPECT_EQ(CaptionPlacementChoice::parse("Bottom Right "),
            (CaptionPlacement{A::Unrecognised, CaptionAcross::RightEdge, false}));
  EXPECT_EQ(CaptionPlacementChoice::parse("Right Center").across, CaptionAcross::Centred);
  EXPECT_EQ(CaptionPlacementChoice::parse("Vertical Right TopDown"),
            (CaptionPlacement{A::VerticalRight, CaptionAcross::RightEdge, true}));
  EXPECT_EQ(CaptionPlacementChoice::parse("Vertical Left BottomUp"),
            (CaptionPlacement{A::VerticalLeft, CaptionAcross::AsAnchored, true}));
  EXPECT_EQ(CaptionPlacementChoice::parse("By Axis"),
            (CaptionPlacement{A::ByAxis, CaptionAcross::AsAnchored, false}));
  EXPECT_FALSE(CaptionPlacementChoice::parse("top center").band_on_top);
}

TEST(OverlayChoices, WatermarkPlacementsExactButNone) {
  using W = WatermarkPlacement;
  expect_items_in_order<WatermarkPlacementChoice>();
  EXPECT_EQ(WatermarkPlacementChoice::parse(" nONe "), W::None);
  EXPECT_EQ(WatermarkPlacementChoice::parse("bottom right"), W::Unrecognised);
  EXPECT_EQ(WatermarkPlacementChoice::parse("Bottom Right "), W::Unrecognised);
  EXPECT_EQ(WatermarkPlacementChoice::parse("Middle Left"), W::Unrecognised);  // captions only
}

TEST(NamingChoices, DateTypesAndSaveInFolders) {
  expect_items_in_order<DateTypeChoice>();
  EXPECT_EQ(DateTypeChoice::parse(" creation "), DateType::Creation);
  EXPECT_EQ(DateTypeChoice::parse("Modified"), DateType::Unrecognised);

  for (std::string_view own : {"", "  ", " [Source Directory]\\ ", "[SOURCE DIRECTORY]/"})
    EXPECT_EQ(SaveInChoice::parse(own), SaveInFolder::Source) << own;
  for (std::string_view other : {"[Source Directory]\\Thumbnails\\", "out/", "[Source Directory]"})
    EXPECT_EQ(SaveInChoice::parse(other), SaveInFolder::Elsewhere) << other;
}

TEST(NamingChoices, FilenameOrdersListedOrReadInGroupsOfThree) {
  using C = NameComponent;
  EXPECT_EQ(FilenameOrderChoice::parse("PreNumDatSuf"),
            (NameOrder{C::Prefix, C::Number, C::Date, C::Suffix}));
  EXPECT_EQ(FilenameOrderChoice::parse("NumDatPreSuf"),
            (NameOrder{C::Number, C::Date, C::Prefix, C::Suffix}));
  // Listed, so not read in groups (that would give "pre", "dat", "suf", "fnu").
  EXPECT_EQ(FilenameOrderChoice::parse(" predatsuffnum "),
            (NameOrder{C::Prefix, C::Date, C::Suffix, C::Number}));
  EXPECT_EQ(FilenameOrderChoice::parse("sufnumxyzpre"),
            (NameOrder{C::Suffix, C::Number, C::Prefix}));
  EXPECT_EQ(FilenameOrderChoice::parse("PreSuf"), (NameOrder{C::Prefix, C::Suffix}));
  const NameOrder first = FilenameOrderChoice::parse(FilenameOrderChoice::items[0]);
  EXPECT_EQ(FilenameOrderChoice::parse(""), first);
  EXPECT_EQ(FilenameOrderChoice::parse("xyzzy"), first);
  EXPECT_EQ(FilenameOrderChoice::parse("pr"), first);
}

TEST(GalleryChoices, ExactWithTheirOwnQuirks) {
  expect_items_in_order<DesignTypeChoice>();
  EXPECT_EQ(DesignTypeChoice::parse("file directory"), DesignType::Unrecognised);

  expect_items_in_order<HyperlinkChoice>();
  EXPECT_EQ(HyperlinkChoice::parse("image"), Hyperlink::Unrecognised);
  EXPECT_EQ(HyperlinkChoice::parse("My SlideShow"), Hyperlink::HtmlSlideShow);
  EXPECT_EQ(HyperlinkChoice::parse("Do Not Hyperlink SlideShow"), Hyperlink::HtmlSlideShow);
  EXPECT_EQ(HyperlinkChoice::parse("HTML slideshow"), Hyperlink::Unrecognised);

  EXPECT_EQ(FontFaceChoice::parse("Default"), HtmlFont::Default);
  EXPECT_EQ(FontFaceChoice::parse("DEFAULT"), HtmlFont::Default);
  EXPECT_EQ(FontFaceChoice::parse(" Default"), HtmlFont::Given);  // blanks count
  EXPECT_EQ(FontSizeChoice::parse("default"), HtmlFont::Default);
  EXPECT_EQ(FontSizeChoice::parse("+2"), HtmlFont::Given);

  expect_items_in_order<ScreenSizeChoice>();
  EXPECT_EQ(ScreenSizeChoice::parse(" 640 x 480 "), ScreenSize::Screen640x480);
  EXPECT_EQ(ScreenSizeChoice::parse(" All "), ScreenSize::All);
  EXPECT_EQ(ScreenSizeChoice::parse("all"), ScreenSize::Unrecognised);
  EXPECT_EQ(ScreenSizeChoice::parse("640x480"), ScreenSize::Unrecognised);

  expect_items_in_order<CdStartChoice>();
  EXPECT_EQ(CdStartChoice::parse(" FIRST INDEX "), CdStart::FirstIndex);
  EXPECT_EQ(CdStartChoice::parse("Last Slide"), CdStart::Unrecognised);
}

TEST(ChoiceBoundary, DefaultsProfileAndSetParseTheirText) {
  const Settings defaults;
  EXPECT_EQ(defaults.resizing_method.value(), ResizeMethod::AsIs);
  EXPECT_EQ(defaults.resampletype.value(), ResampleFilter::None);
  EXPECT_EQ(defaults.colordepth.value(), ColourDepth::Bits24);
  EXPECT_EQ(defaults.date_type.value(), DateType::Creation);
  EXPECT_EQ(defaults.filenameorder.value().size(), 4u);
  EXPECT_EQ(defaults.hyperlinkto.value(), Hyperlink::HtmlStill);
  EXPECT_EQ(defaults.designtype.value(), DesignType::TableListing);
  EXPECT_EQ(defaults.Text_Alignment.value().anchor, CaptionAnchor::None);
  EXPECT_EQ(defaults.save_in_directory.value(), SaveInFolder::Source);

  Settings s;
  set_setting(s, "frame", " 3d EFFECT ");
  EXPECT_EQ(s.frame.text(), " 3d EFFECT ");
  EXPECT_EQ(s.frame.value(), FrameKind::Effect3D);

  const std::vector<std::string> warnings = apply_profile_text(
      "[Settings]\r\nresampletype.Text=\" bell \"\r\ntext_alignment2.Text=\"Middle Center \"\r\n"
      "cdstart.Text=\"first index\"\r\n",
      s);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(s.resampletype.value(), ResampleFilter::Bell);
  EXPECT_EQ(s.text_alignment2.value().anchor, CaptionAnchor::MiddleCenter);
  EXPECT_EQ(s.cdstart.value(), CdStart::FirstIndex);

  // Through the option table: the text as typed out, a parsed value in.
  const OptionDecl& option = *find_option("watermark_alignment");
  option.set_text(s, "By Axis");
  EXPECT_EQ(s.watermark_alignment.value(), WatermarkPlacement::ByAxis);
  EXPECT_EQ(option.text_in(s), "By Axis");
  const OptionDecl& plain = *find_option("Image_Format");
  plain.set_text(s, " png ");
  EXPECT_EQ(s.Image_Format, " png ");
}

TEST(ChoiceBoundary, OddSpellingsRoundTripByteForByte) {
  Settings s;
  s.resizing_method = " resize BY pixels ";
  s.resampletype = "Mitchell";
  s.filter = " emboss";
  s.colorspace = "ycbcrk";
  s.colordepth = "x 11 Bits y";
  s.frame = " BORDER ";
  s.save_in_directory = "[SOURCE DIRECTORY]/";
  s.caption_text = " [date] ";
  s.Text_Alignment = "Middle Left ";
  s.text_alignment2 = " Top Center";
  s.watermark_alignment = "NONE";
  s.cropby = " dimension";
  s.resizing_method_t1 = "2x";
  s.date_type = " CREATION ";
  s.filenameorder = "sufnumxyzpre";
  s.designtype = "file directory";
  s.hyperlinkto = "My SlideShow";
  s.fontface = " Default";
  s.screensize = " 640 x 480 ";
  s.cdstart = "\tFirst Index";
  const std::string text = profile_text(s);
  EXPECT_NE(text.find("\r\nText_Alignment.Text=\"Middle Left \"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\ncdstart.Text=text:\"$09First Index\"\r\n"), std::string::npos);

  Settings loaded;
  // Read as written all the same; the texts only a fall-back reads are named.
  const auto warnings = apply_profile_text(text, loaded);
  ASSERT_EQ(warnings.size(), 3u);
  EXPECT_TRUE(warnings[0].starts_with("resampletype.Text: \"Mitchell\" is none of the items"));
  EXPECT_TRUE(warnings[1].starts_with("designtype.Text: \"file directory\" is none"));
  EXPECT_TRUE(warnings[2].starts_with("text_alignment2.Text: \" Top Center\" is none"));
  EXPECT_EQ(loaded, s);
  EXPECT_EQ(profile_text(loaded), text);
  // The meanings came back with the texts.
  EXPECT_EQ(loaded.resizing_method.value(), ResizeMethod::ResizeByPixels);
  EXPECT_EQ(loaded.colordepth.value(), ColourDepth::Bits11);
  EXPECT_EQ(loaded.text_alignment2.value().across, CaptionAcross::Centred);
  EXPECT_EQ(loaded.watermark_alignment.value(), WatermarkPlacement::None);
  EXPECT_EQ(loaded.cdstart.value(), CdStart::FirstIndex);
  EXPECT_EQ(loaded.fontface.value(), HtmlFont::Given);

  // The listing shows the texts as typed.
  const std::vector<SettingLine> lines = setting_lines(loaded);
  const auto listed = std::find_if(lines.begin(), lines.end(), [](const SettingLine& line) {
    return line.name == "resizing_method";
  });
  ASSERT_NE(listed, lines.end());
  EXPECT_EQ(listed->value, " resize BY pixels ");
}

}  // namespace
}  // namespace lumatrix
