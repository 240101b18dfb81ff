#pragma once
// The one declaration of every job option. Each row gives, in this order:
//   member     the C++ member of lumatrix::Settings (the control name; dots become '_')
//   [name]     only in XN rows: the option's name when it is not the member's
//   kind       Flag, Integer, Choice, Index (choice read by index), Text, Lines, Colour,
//              HtmlColour, Font
//   default    the value before any profile is applied
//   group      the group box (or hidden value) it belongs to
//   caption    the label the window shows
//   accepts    range(lo, hi), nonneg(), unbounded(), items(list), vocabulary<V>(), none(),
//              closed_items(list, recognises), closed_vocabulary<V>(); items(list) offers
//              texts used as typed; vocabulary<V>() offers V::items and reads a text by
//              V::parse (see choice.h); the closed forms refuse texts their consumer does not
//              read as an item (see option_accepts.h)
//   keys...    the profile keys the option owns (none: the profile does not store it)
// XE rows are extensions: options of this program that older profiles do not have. Their
// columns are those of X; their keys live in a section of their own after [Settings]
// ([Lumatrix]), which older readers skip, so the [Settings] section keeps exactly its keys.
// The struct, the defaults, validation, the profile and the command line all come from here.
//
// Kinds map to C++ types: Flag bool, Integer/Index int32_t, Choice/Text std::string (a Choice
// with a vocabulary: Choice<V>, its text beside its meaning), Lines Lines, Colour ColourValue,
// HtmlColour HtmlColour, Font FontRecord.

// clang-format off
#define LUMATRIX_SETTINGS_TABLE(X, XN, XE) \
  /* Resizing */ \
  X(resizing_method, Choice, "As Is", Resizing, "Resizing Method", closed_vocabulary<ResizeMethodChoice>(), "resizing_method.Text") \
  X(image_width, Integer, 640, Resizing, "Width (pixels)", nonneg(), "image_width.AsInteger") \
  X(image_height, Integer, 480, Resizing, "Height (pixels)", nonneg(), "image_height.AsInteger") \
  X(percentage, Integer, 0, Resizing, "Percentage (%)", range(0, 1000), "percentage.AsInteger") \
  X(dimension_aspect_ratio, Flag, true, Resizing, "Keep Dimension Aspect Ratio", none(), "dimension_aspect_ratio.Checked") \
  X(reverse_widthheight, Flag, true, Resizing, "Treat Width as Height if Portrait", none(), "reverse_widthheight.Checked") \
  X(resampletype, Choice, "None", Resizing, "Resample Filter", closed_vocabulary<ResampleTypeChoice>(), "resampletype.Text") \
  /* Image manipulation */ \
  X(brightness, Integer, 0, Manipulation, "Brightness", range(-100, 100), "brightness.AsInteger") \
  X(brightness_track, Integer, 0, Manipulation, "Brightness slider", range(-100, 100), "brightness_track.Position") \
  X(contrast, Integer, 0, Manipulation, "Contrast", range(-100, 100), "contrast.AsInteger") \
  X(contrast_track, Integer, 0, Manipulation, "Contrast slider", range(-100, 100), "contrast_track.Position") \
  X(red, Integer, 0, Manipulation, "Color Settings: Red", range(0, 255), "red.AsInteger") \
  X(green, Integer, 0, Manipulation, "Color Settings: Green", range(0, 255), "green.AsInteger") \
  X(blue, Integer, 0, Manipulation, "Color Settings: Blue", range(0, 255), "blue.AsInteger") \
  X(Grayscale, Flag, false, Manipulation, "Save as Grayscale", none(), "Grayscale.Checked") \
  X(negative, Flag, false, Manipulation, "Convert to Negative", none(), "negative.Checked") \
  X(filter, Choice, "None", Manipulation, "Filter", closed_vocabulary<FilterChoice>(), "filter.Text") \
  X(colorspace, Choice, "As Is", Manipulation, "TIFF/JPEG Color Space", closed_vocabulary<ColourSpaceChoice>(), "colorspace.Text") \
  X(colordepth, Choice, "24 Bits (16.7 mil)", Manipulation, "Color Depth", closed_vocabulary<ColourDepthChoice>(), "colordepth.Text") \
  X(interlaced_gif, Flag, false, Manipulation, "Interlaced GIF", none(), "interlaced_gif.Checked") \
  X(jpeg_huffman, Flag, false, Manipulation, "JPEG Huffman Compression", none(), "jpeg_huffman.Checked") \
  X(retainheaderinfo, Flag, true, Manipulation, "Retain Image Header Info", none(), "retainheaderinfo.Checked") \
  X(iptc_header, Flag, true, Manipulation, "Retain IPTC Header", none(), "iptc_header.Checked") \
  XE(auto_orient, Flag, true, Manipulation, "Auto-orient from EXIF", none(), "auto_orient") \
  XE(metadata_keep, Choice, "All", Manipulation, "Metadata Kept", closed_vocabulary<MetadataKeepChoice>(), "metadata_keep") \
  XE(colour_profiles, Choice, "Keep", Manipulation, "Colour profiles", closed_vocabulary<ColourProfilesChoice>(), "colour_profiles") \
  /* Frame */ \
  X(frame, Choice, "None", Frame, "Frame", closed_vocabulary<FrameChoice>(), "frame.Text") \
  X(framecolor, HtmlColour, html_colour("#000000"), Frame, "Frame Color", none(), "framecolor.ColorValue", "framecolor.HTMLcolor") \
  X(framethickness, Integer, 0, Frame, "Frame Thickness (pixels)", nonneg(), "framethickness.AsInteger") \
  X(effectxoffset, Integer, 0, Frame, "3D X Offset", unbounded(), "effectxoffset.AsInteger") \
  X(effectyoffset, Integer, 0, Frame, "3D Y Offset", unbounded(), "effectyoffset.AsInteger") \
  /* Saving options */ \
  X(save_in_directory, Choice, "", Saving, "Save In", vocabulary<SaveInChoice>(), "save_in_directory.Text") \
  X(Image_Format, Choice, "As Is", Saving, "Image Format", closed_items(image_formats(), names_image_format), "Image_Format.Text") \
  XN(Image_Format_Items, "Image_Format.Items", Lines, lines_of(image_formats()), Saving, "Image Format list", none()) \
  X(JPEG_Quality, Integer, 75, Saving, "JPEG/PNG Quality (%)", range(0, 100), "JPEG_Quality.AsInteger") \
  X(JPEG_Smoothing, Integer, 0, Saving, "JPEG Smoothing (%)", range(0, 100), "JPEG_Smoothing.AsInteger") \
  X(progressive_JPEG, Flag, true, Saving, "Progressive JPEG", none(), "progressive_JPEG.Checked") \
  X(DPI_Setting, Integer, 72, Saving, "DPI", range(0, 20000), "DPI_Setting.AsInteger") \
  X(use_filename_changer, Flag, false, Saving, "Use Filename Changer", none(), "use_filename_changer.Checked") \
  X(usethumbnailgallery, Flag, false, Saving, "Use Thumbnail Gallery Wizard", none(), "usethumbnailgallery.Checked") \
  X(enableslicing, Flag, false, Saving, "Use Image Slicing", none(), "enableslicing.Checked") \
  XE(overwrite_policy, Choice, "Replace", Saving, "Existing Outputs", closed_vocabulary<OverwritePolicyChoice>(), "overwrite_policy") \
  XE(mirror_folders, Flag, false, Saving, "Mirror Loaded Folders", none(), "mirror_folders") \
  XE(png_compression, Choice, "6", Saving, "PNG Compression", closed_vocabulary<PngCompressionChoice>(), "png_compression") \
  XE(flatten_colour, Colour, 0xFFFFFF, Saving, "Flatten Transparency Onto", none(), "flatten_colour") \
  /* Caption 1 */ \
  X(caption_text, Choice, "", Caption1, "Caption Text", vocabulary<CaptionTextChoice>(), "caption_text.Text") \
  XN(caption_text_Color, "caption_text.Color", Colour, 0, Caption1, "Caption fill colour", none(), "caption_text.Color") \
  XN(caption_text_Font, "caption_text.Font", Font, default_caption_font(), Caption1, "Caption font", none(), \
     "caption_text.Font.Charset", "caption_text.Font.Name", "caption_text.Font.Pitch", "caption_text.Font.Style", "caption_text.Font.Color") \
  X(Text_Alignment, Choice, "None", Caption1, "Alignment", closed_vocabulary<CaptionPlacementChoice>(), "Text_Alignment.Text") \
  X(textaxisx, Integer, 0, Caption1, "X Axis", nonneg(), "textaxisx.AsInt64", "textaxisx.Text") \
  X(textaxisy, Integer, 0, Caption1, "Y Axis", nonneg(), "textaxisy.AsInt64", "textaxisy.Text") \
  X(text_border, Flag, false, Caption1, "Caption in Border", none(), "text_border.Checked") \
  X(shadowtext, Flag, false, Caption1, "Shadowed", none(), "shadowtext.Checked") \
  X(havebackground, Flag, true, Caption1, "Clear Background", none(), "havebackground.Checked") \
  X(FontDialog1, Font, default_caption_font(), Caption1, "Font", none(), \
    "FontDialog1.Font.Charset", "FontDialog1.Font.Color", "FontDialog1.Font.Height", "FontDialog1.Font.Name", \
    "FontDialog1.Font.Pitch", "FontDialog1.Font.Size", "FontDialog1.Font.Style") \
  X(ColorDialog1, Colour, 0, Caption1, "Background", none(), "ColorDialog1.Color") \
  /* Caption 2 */ \
  X(caption_text2, Choice, "", Caption2, "Caption Text", vocabulary<CaptionTextChoice>(), "caption_text2.Text") \
  XN(caption_text2_Color, "caption_text2.Color", Colour, 0, Caption2, "Caption fill colour", none(), "caption_text2.Color") \
  XN(caption_text2_Font, "caption_text2.Font", Font, default_caption_font(), Caption2, "Caption font", none(), \
     "caption_text2.Font.Charset", "caption_text2.Font.Color", "caption_text2.Font.Name", "caption_text2.Font.Pitch", "caption_text2.Font.Style") \
  X(text_alignment2, Choice, "None", Caption2, "Alignment", closed_vocabulary<CaptionPlacementChoice>(), "text_alignment2.Text") \
  X(textaxisx2, Integer, 0, Caption2, "X Axis", nonneg(), "textaxisx2.AsInt64") \
  X(textaxisy2, Integer, 0, Caption2, "Y Axis", nonneg(), "textaxisy2.AsInt64") \
  X(text_border2, Flag, false, Caption2, "Caption in Border", none(), "text_border2.Checked") \
  X(shadowtext2, Flag, false, Caption2, "Shadowed", none(), "shadowtext2.Checked") \
  X(havebackground2, Flag, true, Caption2, "Clear Background", none(), "havebackground2.Checked") \
  X(FontDialog2, Font, default_caption_font(), Caption2, "Font", none(), \
    "FontDialog2.Font.Charset", "FontDialog2.Font.Color", "FontDialog2.Font.Height", "FontDialog2.Font.Name", \
    "FontDialog2.Font.Pitch", "FontDialog2.Font.Size", "FontDialog2.Font.Style") \
  X(ColorDialog2, Colour, 0, Caption2, "Background", none(), "ColorDialog2.Color") \
  /* Watermark 1 */ \
  X(watermark, Text, "", Watermark1, "Watermark image", none(), "watermark.Text") \
  X(watermark_alignment, Choice, "None", Watermark1, "Alignment", closed_vocabulary<WatermarkPlacementChoice>(), "watermark_alignment.Text") \
  X(watermark_transparency, Integer, 50, Watermark1, "Transparency %", range(0, 100), "watermark_transparency.AsInteger") \
  X(watermarkaxisx, Integer, 0, Watermark1, "X Axis", nonneg(), "watermarkaxisx.AsInt64", "watermarkaxisx.Text") \
  X(watermarkaxisy, Integer, 0, Watermark1, "Y Axis", nonneg(), "watermarkaxisy.AsInt64", "watermarkaxisy.Text") \
  X(watermark_alphachannel, Flag, false, Watermark1, "Transparent  Watermark", none(), "watermark_alphachannel.Checked") \
  X(shadowpic, Flag, false, Watermark1, "Shadowed", none(), "shadowpic.Checked") \
  /* Watermark 2 */ \
  X(watermark2, Text, "", Watermark2, "Watermark image", none(), "watermark2.Text") \
  X(watermark_alignment2, Choice, "None", Watermark2, "Alignment", closed_vocabulary<WatermarkPlacementChoice>(), "watermark_alignment2.Text") \
  X(watermark_transparency2, Integer, 0, Watermark2, "Transparency %", unbounded(), "watermark_transparency2.AsInteger") \
  X(watermarkaxisx2, Integer, 0, Watermark2, "X Axis", nonneg(), "watermarkaxisx2.AsInt64") \
  X(watermarkaxisy2, Integer, 0, Watermark2, "Y Axis", nonneg(), "watermarkaxisy2.AsInt64") \
  X(watermark_alphachannel2, Flag, false, Watermark2, "Transparent  Watermark", none(), "watermark_alphachannel2.Checked") \
  X(shadowpic2, Flag, false, Watermark2, "Shadowed", none(), "shadowpic2.Checked") \
  /* Cropping */ \
  X(cropby, Choice, "None", Cropping, "Crop By", closed_vocabulary<CropByChoice>(), "cropby.Text") \
  X(cropx1, Integer, 0, Cropping, "X1 Point", nonneg(), "cropx1.AsInteger") \
  X(cropy1, Integer, 0, Cropping, "Y1 Point", nonneg(), "cropy1.AsInteger") \
  X(cropx2, Integer, 0, Cropping, "X2 Point", nonneg(), "cropx2.AsInteger") \
  X(cropy2, Integer, 0, Cropping, "Y2 Point", nonneg(), "cropy2.AsInteger") \
  /* Slicing */ \
  X(slicecolumns, Integer, 1, Slicing, "No of Columns", range(1, 999), "slicecolumns.AsInteger") \
  X(slicerows, Integer, 1, Slicing, "No of Rows", range(1, 999), "slicerows.AsInteger") \
  X(retainspilt, Flag, false, Slicing, "Retain Full Image", none(), "retainspilt.Checked") \
  X(slicing, Flag, false, Slicing, "Enable Image Slicing", none(), "slicing.Checked") \
  /* EXIF report: not stored in profiles */ \
  X(exifreport, Flag, false, Exif, "Generate EXIF Information Table", none()) \
  /* Thumbnail 1 */ \
  X(dot1, Flag, false, Thumbnail1, "Enable Thumbnail 1 Creation", none(), "dot1.Checked") \
  X(resizing_method_t1, Choice, "As Is", Thumbnail1, "Resizing Method", closed_vocabulary<ThumbnailResizeMethodChoice>(), "resizing_method_t1.Text") \
  X(image_width_t1, Integer, 640, Thumbnail1, "Width (pixels)", nonneg(), "image_width_t1.AsInt64") \
  X(image_height_t1, Integer, 480, Thumbnail1, "Height (pixels)", nonneg(), "image_height_t1.AsInt64") \
  X(percentage_t1, Integer, 0, Thumbnail1, "Percentage (%)", range(0, 1000), "percentage_t1.AsInteger") \
  X(dimension_aspect_ratio_t1, Flag, true, Thumbnail1, "Keep Dimension Aspect Ratio", none(), "dimension_aspect_ratio_t1.Checked") \
  X(reversewidthheight_t1, Flag, true, Thumbnail1, "Treat Width as Height if Portrait", none(), "reversewidthheight_t1.Checked") \
  X(resampletype_t1, Choice, "None", Thumbnail1, "Resample Filter", closed_vocabulary<ResampleTypeChoice>(), "resampletype_t1.Text") \
  X(save_in_directory_t1, Choice, "", Thumbnail1, "Save In", vocabulary<SaveInChoice>(), "save_in_directory_t1.Text") \
  X(file_prefix_t1, Text, "", Thumbnail1, "File Prefix", none(), "file_prefix_t1.Text") \
  X(file_suffix_t1, Text, "", Thumbnail1, "File Suffix", none(), "file_suffix_t1.Text") \
  X(quality_t1, Integer, 70, Thumbnail1, "JPG/PNG Quality (%)", range(1, 100), "quality_t1.AsInteger") \
  X(retainheaderinfo1, Flag, false, Thumbnail1, "Retain Image Header Info", none(), "retainheaderinfo1.Checked") \
  /* Thumbnail 2 */ \
  X(dot2, Flag, false, Thumbnail2, "Enable Thumbnail 2 Creation", none(), "dot2.Checked") \
  X(resizing_method_t2, Choice, "As Is", Thumbnail2, "Resizing Method", closed_vocabulary<ThumbnailResizeMethodChoice>(), "resizing_method_t2.Text") \
  X(image_width_t2, Integer, 640, Thumbnail2, "Width (pixels)", nonneg(), "image_width_t2.AsInt64") \
  X(image_height_t2, Integer, 480, Thumbnail2, "Height (pixels)", nonneg(), "image_height_t2.AsInt64") \
  X(percentage_t2, Integer, 0, Thumbnail2, "Percentage (%)", range(0, 1000), "percentage_t2.AsInteger") \
  X(dimension_aspect_ratio_t2, Flag, true, Thumbnail2, "Keep Dimension Aspect Ratio", none(), "dimension_aspect_ratio_t2.Checked") \
  X(reversewidthheight_t2, Flag, true, Thumbnail2, "Treat Width as Height if Portrait", none(), "reversewidthheight_t2.Checked") \
  X(resampletype_t2, Choice, "None", Thumbnail2, "Resample Filter", closed_vocabulary<ResampleTypeChoice>(), "resampletype_t2.Text") \
  X(save_in_directory_t2, Choice, "", Thumbnail2, "Save In", vocabulary<SaveInChoice>(), "save_in_directory_t2.Text") \
  X(file_prefix_t2, Text, "", Thumbnail2, "File Prefix", none(), "file_prefix_t2.Text") \
  X(file_suffix_t2, Text, "", Thumbnail2, "File Suffix", none(), "file_suffix_t2.Text") \
  X(quality_t2, Integer, 70, Thumbnail2, "JPG/PNG Quality (%)", range(1, 100), "quality_t2.AsInteger") \
  X(retainheaderinfo2, Flag, false, Thumbnail2, "Retain Image Header Info", none(), "retainheaderinfo2.Checked") \
  /* Filename Changer */ \
  X(filename_changer, Flag, false, FilenameChanger, "Use Filename Changer", none(), "filename_changer.Checked") \
  X(file_prefix, Text, "", FilenameChanger, "File Prefix", none(), "file_prefix.Text") \
  X(file_suffix, Text, "", FilenameChanger, "File Suffix", none(), "file_suffix.Text") \
  X(start_number, Integer, 1, FilenameChanger, "Start Number", unbounded(), "start_number.AsInteger") \
  X(no_of_digits, Integer, 4, FilenameChanger, "No of Digits", unbounded(), "no_of_digits.AsInteger") \
  X(appendprefixsuffix, Flag, false, FilenameChanger, "Append Prefix and Suffix Only", none(), "appendprefixsuffix.Checked") \
  X(Filename_Case, Index, 0, FilenameChanger, "Filename Case", items(kFilenameCases), "Filename_Case.ItemIndex") \
  X(filename_save_in, Choice, "", FilenameChanger, "Save In", items(kFilenameSaveIn), "filename_save_in.Text") \
  X(overwritefilename, Flag, false, FilenameChanger, "Overwrite Filenames", none(), "overwritefilename.Checked") \
  X(resetstartnumber, Flag, true, FilenameChanger, "Reset Start Number", none(), "resetstartnumber.Checked") \
  X(append_date, Flag, false, FilenameChanger, "Append Date", none(), "append_date.Checked") \
  X(date_type, Choice, "Creation", FilenameChanger, "Date Type", closed_vocabulary<DateTypeChoice>(), "date_type.Text") \
  X(date_format, Choice, "MMDDYYYY", FilenameChanger, "Date Format", items(kDateFormats), "date_format.Text") \
  X(filenameorder, Choice, "PreNumDatSuf", FilenameChanger, "Filename Order", vocabulary<FilenameOrderChoice>(), "filenameorder.Text") \
  /* HTML Wizard: HTML Options */ \
  X(thumbnailgallery, Flag, false, HtmlOptions, "Use Thumbnail Gallery Wizard", none(), "thumbnailgallery.Checked") \
  X(designtype, Choice, "Table Listing", HtmlOptions, "Design Type", closed_vocabulary<DesignTypeChoice>(), "designtype.Text") \
  XN(designtype_Items, "designtype.Items", Lines, lines_of(kDesignTypes), HtmlOptions, "Design Type list", none(), "designtype.Items") \
  X(htmltitle, Text, "", HtmlOptions, "HTML Title", none(), "htmltitle.Text") \
  X(htmlprefix, Text, "index", HtmlOptions, "HTML Prefix", none(), "htmlprefix.Text") \
  X(html_extension, Choice, ".html", HtmlOptions, "HTML Extension", items(kHtmlExtensions), "html_extension.Text") \
  X(hyperlinkto, Choice, "HTML Still", HtmlOptions, "Hyperlink To", closed_vocabulary<HyperlinkChoice>(), "hyperlinkto.Text") \
  X(fontface, Choice, "Default", HtmlOptions, "Font Face", vocabulary<FontFaceChoice>(), "fontface.Text") \
  XN(fontface_Items, "fontface.Items", Lines, lines_of(kFontFaces), HtmlOptions, "Font Face list", none()) \
  X(fontsize, Choice, "Default", HtmlOptions, "Font Size", vocabulary<FontSizeChoice>(), "fontsize.Text") \
  XN(fontsize_Items, "fontsize.Items", Lines, lines_of(kFontSizes), HtmlOptions, "Font Size list", none(), "fontsize.Items") \
  X(bgcolor, HtmlColour, html_colour("#000000"), HtmlOptions, "Background Color", none(), "bgcolor.ColorValue", "bgcolor.HTMLcolor") \
  X(fontcolor, HtmlColour, html_colour("#FFFFFF"), HtmlOptions, "Text Color", none(), "fontcolor.ColorValue", "fontcolor.HTMLcolor") \
  X(link, HtmlColour, html_colour("#FF0000"), HtmlOptions, "Link Color", none(), "link.ColorValue", "link.HTMLcolor") \
  X(vlink, HtmlColour, html_colour("#FF0000"), HtmlOptions, "Visited Link Color", none(), "vlink.ColorValue", "vlink.HTMLcolor") \
  X(alink, HtmlColour, html_colour("#800000"), HtmlOptions, "Active Link Color", none(), "alink.ColorValue", "alink.HTMLcolor") \
  X(backimage, Text, "", HtmlOptions, "Back Image", none(), "backimage.Text") \
  X(homeimage, Text, "", HtmlOptions, "Home Image", none(), "homeimage.Text") \
  X(nextimage, Text, "", HtmlOptions, "Next Image", none(), "nextimage.Text") \
  /* HTML Wizard: Processing Options */ \
  X(htmlfilename, Flag, true, HtmlProcessing, "Include Display Name", none(), "htmlfilename.Checked") \
  X(includehtmlfilename, Flag, false, HtmlProcessing, "Include File Name", none(), "includehtmlfilename.Checked") \
  X(htmlfilesize, Flag, false, HtmlProcessing, "Include File Size", none(), "htmlfilesize.Checked") \
  X(htmlfiledate, Flag, false, HtmlProcessing, "Include File Date", none(), "htmlfiledate.Checked") \
  X(circularbacknext, Flag, false, HtmlProcessing, "Circular Back/Next", none(), "circularbacknext.Checked") \
  X(includepagenumbering, Flag, false, HtmlProcessing, "Include Page Numbering", none(), "includepagenumbering.Checked") \
  X(perpage, Integer, 12, HtmlProcessing, "Items Per Page", range(1, 65335), "perpage.AsInt64", "perpage.Text") \
  X(numnum, Integer, 3, HtmlProcessing, "Leading Zeros", unbounded(), "numnum.AsInt64", "numnum.Text") \
  X(screensize, Choice, "All", HtmlProcessing, "Screen Size", closed_vocabulary<ScreenSizeChoice>(), "screensize.Text") \
  XN(screensize_Items, "screensize.Items", Lines, lines_of(kScreenSizes), HtmlProcessing, "Screen Size list", none(), "screensize.Items") \
  X(metarefresh, Integer, 3, HtmlProcessing, "SlideShow Interval (secs)", unbounded(), "metarefresh.AsInteger", "metarefresh.Text") \
  X(framesize, Integer, 0, HtmlProcessing, "Frame Size", unbounded(), "framesize.AsInteger", "framesize.Text") \
  X(Previewafter, Flag, true, HtmlProcessing, "Preview after HTML Generation", none(), "Previewafter.Checked") \
  X(createautorun, Flag, false, HtmlProcessing, "Create Autorun.INF", none(), "createautorun.Checked") \
  X(cdstart, Choice, "First Slide", HtmlProcessing, "CD Start", closed_vocabulary<CdStartChoice>(), "cdstart.Text") \
  /* HTML Wizard: Thumbnail Options */ \
  X(htmlthumbnail, Flag, true, HtmlThumbnails, "Include Thumbnail", none(), "htmlthumbnail.Checked") \
  X(thumbnailborder, Flag, false, HtmlThumbnails, "Border Around Thumbnails", none(), "thumbnailborder.Checked") \
  X(htmlmainratio, Flag, true, HtmlThumbnails, "Maintain Dimension Ratio", none(), "htmlmainratio.Checked") \
  X(thumbwidth, Integer, 120, HtmlThumbnails, "Thumbnail Width", range(0, 65335), "thumbwidth.AsInt64", "thumbwidth.Text") \
  X(thumbheight, Integer, 100, HtmlThumbnails, "Thumbnail Height", range(0, 65335), "thumbheight.AsInt64", "thumbheight.Text") \
  X(linemax, Integer, 6, HtmlThumbnails, "Thumbnails Per Line", range(1, 65335), "linemax.AsInteger", "linemax.Text") \
  X(retainheaderinfo_thumb, Flag, false, HtmlThumbnails, "Retain Image Header Info", none(), "retainheaderinfo_thumb.Checked") \
  /* HTML Wizard: Additional Header Tag */ \
  X(add_header, Lines, Lines{}, HtmlHeader, "Additional Header Tag", none(), "add_header.Lines") \
  X(include_heading, Flag, false, HtmlHeader, "Include Additional Header in Image HTML", none(), "include_heading.Checked") \
  /* HTML Wizard: Page Top HTML */ \
  X(top_html, Lines, Lines{}, HtmlTop, "Page Top HTML", none(), "top_html.Lines") \
  X(include_pagetop, Flag, false, HtmlTop, "Include Page Top HTML in Image HTML", none(), "include_pagetop.Checked") \
  /* HTML Wizard: Page Bottom HTML */ \
  X(bottom_html, Lines, Lines{}, HtmlBottom, "Page Bottom HTML", none(), "bottom_html.Lines") \
  X(include_pagebottom, Flag, false, HtmlBottom, "Include Page Bottom HTML in Image HTML", none(), "include_pagebottom.Checked") \
  /* Hidden values that travel with the settings */ \
  X(twainnumber, Integer, 0, Hidden, "Scanner source", nonneg(), "twainnumber.AsInteger") \
  XN(filename_savedlg_Path, "filename_savedlg.Path", Text, "", Hidden, "Last folder: Filename Changer save in", none(), "filename_savedlg.Path") \
  XN(loadfolder_Path, "loadfolder.Path", Text, "", Hidden, "Last folder: add folder", none(), "loadfolder.Path") \
  XN(loadfolder_changefile_Path, "loadfolder_changefile.Path", Text, "", Hidden, "Last folder: Filename Changer add folder", none(), "loadfolder_changefile.Path") \
  XN(saveindlg_Path, "saveindlg.Path", Text, "", Hidden, "Last folder: save in", none(), "saveindlg.Path") \
  XN(saveprofiledlg_FileName, "saveprofiledlg.FileName", Text, "", Hidden, "Last saved profile", none(), "saveprofiledlg.FileName") \
  XN(filechange_dlg_FileName, "filechange_dlg.FileName", Text, "", Hidden, "Last Filename Changer file", none(), "filechange_dlg.FileName") \
  XN(loadprofiledlg_FileName, "loadprofiledlg.FileName", Text, "", Hidden, "Last loaded profile", none(), "loadprofiledlg.FileName") \
  XN(filegrid_loadlist_FileName, "filegrid_loadlist.FileName", Text, "", Hidden, "Last loaded list", none(), "filegrid_loadlist.FileName") \
  XN(filegrid_loadlist_InitialDir, "filegrid_loadlist.InitialDir", Text, "", Hidden, "Last loaded list folder", none(), "filegrid_loadlist.InitialDir") \
  XN(filegrid_savelist_FileName, "filegrid_savelist.FileName", Text, "", Hidden, "Last saved list", none(), "filegrid_savelist.FileName") \
  XN(filegrid_savelist_InitialDir, "filegrid_savelist.InitialDir", Text, "", Hidden, "Last saved list folder", none(), "filegrid_savelist.InitialDir") \
  X(Memo2, Lines, Lines{}, Hidden, "Hidden memo 2", none(), "Memo2.Lines") \
  X(Memo3, Lines, Lines{}, Hidden, "Hidden memo 3", none(), "Memo3.Lines") \
  /* Extensions */ \
  XE(workers, Integer, 0, Performance, "Workers", range(0, 1024), "workers") \
  XE(memory_budget, Integer, 0, Performance, "Memory Budget (MB)", nonneg(), "memory_budget") \
  /* What reading one image may take (imaging/resource_policy.h has the defaults' reasons) */ \
  XE(pixel_limit, Integer, 268435456, Performance, "Pixel Limit (pixels per image)", range(1, 2147483647), "pixel_limit") \
  XE(memory_per_image, Integer, 2048, Performance, "Memory per Image (MB)", range(16, 1048576), "memory_per_image") \
  XE(time_per_image, Integer, 120, Performance, "Time per Image (seconds)", range(1, 86400), "time_per_image") \
  XE(fast_resize, Flag, false, Performance, "Fast JPEG resize", none(), "fast_resize")
// clang-format on
