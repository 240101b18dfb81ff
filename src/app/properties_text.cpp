#include "app/properties_text.h"

#include "imaging/quantize.h"

namespace lumatrix::app {

std::string properties_text(const std::filesystem::path& path, const ImageDocument& source) {
  const Raster& raster = source.raster;
  const Raster rgb = raster.format() == PixelFormat::Rgb24 ? Raster() : raster.to_rgb24();
  const Raster& counted = raster.format() == PixelFormat::Rgb24 ? raster : rgb;
  const int pixels = counted.width() * counted.height();
  const int colours = counted.empty() ? 0 : count_colours(counted, pixels);
  const uintmax_t bytes = std::filesystem::file_size(path);
  return "Image File Name : " + path.string() + "\r\n" +                    //
         "Image Dimension : " + std::to_string(source.width()) + " x " +    //
         std::to_string(source.height()) + "\r\n" +                         //
         "Image File Size : " + std::to_string(bytes / 1024) + " kb\r\n" +  //
         "No of Colors    : " + std::to_string(colours) + "\r\n" +          //
         "DPI             : " + std::to_string(source.params.dpi_x) + " dots per inch";
}

}  // namespace lumatrix::app
