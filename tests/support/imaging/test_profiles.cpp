#include "test_profiles.h"

#include <lcms2.h>
// libjpeg's header needs the standard types declared first.
#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>

#include <memory>
#include <stdexcept>
#include <string>

namespace lumatrix::test {

namespace {

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;
struct CurveFreer {
  void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using CurvePtr = std::unique_ptr<cmsToneCurve, CurveFreer>;

std::vector<uint8_t> saved(cmsHPROFILE handle) {
  const ProfilePtr profile(handle);
  if (!profile) throw std::runtime_error("LittleCMS cannot make the test profile");
  cmsUInt32Number size = 0;
  if (!cmsSaveProfileToMem(profile.get(), nullptr, &size))
    throw std::runtime_error("LittleCMS cannot save the test profile");
  std::vector<uint8_t> bytes(size);
  cmsSaveProfileToMem(profile.get(), bytes.data(), &size);
  return bytes;
}

const cmsCIExyY kD65{0.3127, 0.3290, 1.0};

cmsHPROFILE rgb_profile(const cmsCIExyYTRIPLE& primaries, cmsToneCurve* curve,
                        const char* description) {
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE profile = cmsCreateRGBProfile(&kD65, &primaries, curves);
  if (profile != nullptr) {
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", description);
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
  }
  return profile;
}

const cmsCIExyYTRIPLE kAdobePrimaries{{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
const cmsCIExyYTRIPLE kP3Primaries{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};

CurvePtr gamma22() {
  return CurvePtr(cmsBuildGamma(nullptr, 563.0 / 256.0));
}

CurvePtr srgb_curve() {
  // IEC 61966-2-1: Y = ((X + 0.055) / 1.055)^2.4 above 0.04045, X / 12.92 below.
  const double parameters[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  return CurvePtr(cmsBuildParametricToneCurve(nullptr, 4, parameters));
}

// Ink amounts (0..65535) to 16-bit encoded L*a*b*.
int cmyk_to_lab(const cmsUInt16Number in[], cmsUInt16Number out[], void*) {
  const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0, k = in[3] / 65535.0;
  const double lightness = 100.0 * (1 - 0.85 * k) * (1 - 0.3 * c - 0.45 * m - 0.1 * y);
  cmsCIELab lab{lightness, 60 * m - 40 * c, 70 * y - 35 * c - 10 * m};
  cmsFloat2LabEncoded(out, &lab);
  return TRUE;
}

}  // namespace

std::vector<uint8_t> adobe_rgb_profile() {
  const CurvePtr curve = gamma22();
  return saved(rgb_profile(kAdobePrimaries, curve.get(), "Adobe RGB (1998) test"));
}

std::vector<uint8_t> display_p3_profile() {
  const CurvePtr curve = srgb_curve();
  return saved(rgb_profile(kP3Primaries, curve.get(), "Display P3 test"));
}

std::vector<uint8_t> grey_gamma22_profile() {
  const CurvePtr curve = gamma22();
  cmsCIExyY white = kD65;
  return saved(cmsCreateGrayProfile(&white, curve.get()));
}

std::vector<uint8_t> large_rgb_profile(size_t text_bytes) {
  const CurvePtr curve = gamma22();
  const std::string text(text_bytes, 'x');
  return saved(rgb_profile(kAdobePrimaries, curve.get(), text.c_str()));
}

std::vector<uint8_t> test_cmyk_profile() {
  cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
  if (profile == nullptr) throw std::runtime_error("LittleCMS cannot make the test profile");
  cmsSetProfileVersion(profile, 4.3);
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  cmsSetColorSpace(profile, cmsSigCmykData);
  cmsSetPCS(profile, cmsSigLabData);
  cmsPipeline* table = cmsPipelineAlloc(nullptr, 4, 3);
  cmsStage* grid = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
  cmsStageSampleCLut16bit(grid, cmyk_to_lab, nullptr, 0);
  // Version 4 tables hold curves on both sides of the grid; identities here.
  cmsPipelineInsertStage(table, cmsAT_BEGIN, cmsStageAllocToneCurves(nullptr, 4, nullptr));
  cmsPipelineInsertStage(table, cmsAT_END, grid);
  cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
  cmsWriteTag(profile, cmsSigAToB0Tag, table);
  cmsPipelineFree(table);
  cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
  return saved(profile);
}

std::vector<uint8_t> lcms_to_srgb(std::span<const uint8_t> icc, std::span<const uint8_t> samples,
                                  size_t pixels) {
  const ProfilePtr from(
      cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size())));
  const ProfilePtr srgb(cmsCreate_sRGBProfile());
  if (!from || !srgb) throw std::runtime_error("LittleCMS cannot open the test profile");
  const cmsColorSpaceSignature space = cmsGetColorSpace(from.get());
  const cmsUInt32Number format = space == cmsSigGrayData   ? TYPE_GRAY_8
                                 : space == cmsSigCmykData ? TYPE_CMYK_8
                                                           : TYPE_RGB_8;
  cmsHTRANSFORM transform =
      cmsCreateTransform(from.get(), format, srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  if (transform == nullptr) throw std::runtime_error("LittleCMS cannot convert the test profile");
  std::vector<uint8_t> out(pixels * 3);
  cmsDoTransform(transform, samples.data(), out.data(), static_cast<cmsUInt32Number>(pixels));
  cmsDeleteTransform(transform);
  return out;
}

namespace {
struct JpegFailure {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};
}  // namespace

std::vector<uint8_t> jpeg_cmyk_samples(std::span<const uint8_t> jpeg) {
  jpeg_decompress_struct cinfo{};
  JpegFailure failure{};
  cinfo.err = jpeg_std_error(&failure.manager);
  failure.manager.error_exit = [](j_common_ptr c) {
    std::longjmp(reinterpret_cast<JpegFailure*>(c->err)->jump, 1);
  };
  std::vector<uint8_t> samples;
  if (setjmp(failure.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    throw std::runtime_error("libjpeg cannot decode the test file");
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_CMYK;
  jpeg_start_decompress(&cinfo);
  const size_t row = size_t{cinfo.output_width} * 4;
  samples.resize(row * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW target = samples.data() + row * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &target, 1);
  }
  const bool inverted = cinfo.saw_Adobe_marker != 0;
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  if (inverted)
    for (uint8_t& v : samples) v = static_cast<uint8_t>(255 - v);
  return samples;
}

}  // namespace lumatrix::test
