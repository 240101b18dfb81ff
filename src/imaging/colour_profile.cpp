#include "imaging/colour_profile.h"

#include <lcms2.h>

#include <algorithm>

#include "base/image_error.h"

namespace lumatrix {

namespace detail {

// A LittleCMS context whose error handler keeps the first message instead of printing it.
struct LcmsContext {
  cmsContext handle = nullptr;
  std::string error;

  LcmsContext() {
    handle = cmsCreateContext(nullptr, this);
    if (handle == nullptr) throw ImageError("cannot set up colour management");
    cmsSetLogErrorHandlerTHR(handle, [](cmsContext id, cmsUInt32Number, const char* text) {
      auto* self = static_cast<LcmsContext*>(cmsGetContextUserData(id));
      if (self == nullptr || !self->error.empty() || text == nullptr) return;
      try {
        self->error = text;
      } catch (...) {  // nothing may leave a LittleCMS callback
      }
    });
  }
  ~LcmsContext() { cmsDeleteContext(handle); }
  LcmsContext(const LcmsContext&) = delete;
  LcmsContext& operator=(const LcmsContext&) = delete;

  [[noreturn]] void fail(const std::string& what) const {
    throw ImageError(error.empty() ? what : what + ": " + error);
  }
};

struct LcmsProfile {
  cmsHPROFILE handle = nullptr;
  explicit LcmsProfile(cmsHPROFILE h) : handle(h) {}
  ~LcmsProfile() {
    if (handle != nullptr) cmsCloseProfile(handle);
  }
  LcmsProfile(const LcmsProfile&) = delete;
  LcmsProfile& operator=(const LcmsProfile&) = delete;
};

struct LcmsTransform {
  cmsHTRANSFORM handle = nullptr;
  explicit LcmsTransform(cmsHTRANSFORM h) : handle(h) {}
  ~LcmsTransform() {
    if (handle != nullptr) cmsDeleteTransform(handle);
  }
  LcmsTransform(const LcmsTransform&) = delete;
  LcmsTransform& operator=(const LcmsTransform&) = delete;
};

}  // namespace detail

namespace {

ProfileSpace space_of(cmsColorSpaceSignature signature) {
  switch (signature) {
    case cmsSigRgbData:
      return ProfileSpace::Rgb;
    case cmsSigGrayData:
      return ProfileSpace::Grey;
    case cmsSigYCbCrData:
      return ProfileSpace::YCbCr;
    case cmsSigCmykData:
      return ProfileSpace::Cmyk;
    default:
      return ProfileSpace::Other;
  }
}

}  // namespace

ColourProfile::ColourProfile(std::span<const uint8_t> icc)
    : context_(std::make_unique<detail::LcmsContext>()) {
  profile_ = std::make_unique<detail::LcmsProfile>(cmsOpenProfileFromMemTHR(
      context_->handle, icc.data(), static_cast<cmsUInt32Number>(icc.size())));
  if (profile_->handle == nullptr) context_->fail("the embedded colour profile cannot be read");
  space_ = space_of(cmsGetColorSpace(profile_->handle));
  intent_ = cmsGetHeaderRenderingIntent(profile_->handle);
}

ColourProfile::~ColourProfile() = default;
ColourProfile::ColourProfile(ColourProfile&&) noexcept = default;
ColourProfile& ColourProfile::operator=(ColourProfile&&) noexcept = default;

ProfileSpace icc_header_space(std::span<const uint8_t> icc) {
  // The header is 128 bytes; the data colour space signature sits at 16..19.
  if (icc.size() < 128) return ProfileSpace::Other;
  const uint32_t signature = uint32_t{icc[16]} << 24 | uint32_t{icc[17]} << 16 |
                             uint32_t{icc[18]} << 8 | uint32_t{icc[19]};
  return space_of(static_cast<cmsColorSpaceSignature>(signature));
}

bool profile_fits(std::span<const uint8_t> icc, bool grey) {
  return icc_header_space(icc) == (grey ? ProfileSpace::Grey : ProfileSpace::Rgb);
}

SrgbConversion::SrgbConversion(const ColourProfile& from, int bits)
    : SrgbConversion(from, bits, from.rendering_intent()) {}

SrgbConversion::SrgbConversion(const ColourProfile& from, int bits, uint32_t intent)
    : context_(std::make_unique<detail::LcmsContext>()) {
  const bool wide = bits > 8;
  cmsUInt32Number in_format = 0;
  switch (from.space()) {
    case ProfileSpace::Rgb:
      in_format = wide ? TYPE_RGB_16 : TYPE_RGB_8, channels_ = 3;
      break;
    case ProfileSpace::Grey:
      in_format = wide ? TYPE_GRAY_16 : TYPE_GRAY_8, channels_ = 1;
      break;
    case ProfileSpace::YCbCr:
      in_format = wide ? TYPE_YCbCr_16 : TYPE_YCbCr_8, channels_ = 3;
      break;
    case ProfileSpace::Cmyk:
      in_format = wide ? TYPE_CMYK_16 : TYPE_CMYK_8, channels_ = 4;
      break;
    case ProfileSpace::Other:
      throw ImageError("the embedded colour profile is for a colour space we cannot convert");
  }
  const detail::LcmsProfile srgb(cmsCreate_sRGBProfileTHR(context_->handle));
  if (srgb.handle == nullptr) context_->fail("cannot set up sRGB");
  transform_ = std::make_unique<detail::LcmsTransform>(
      cmsCreateTransformTHR(context_->handle, from.profile_->handle, in_format, srgb.handle,
                            wide ? TYPE_RGB_16 : TYPE_RGB_8, intent, 0));
  if (transform_->handle == nullptr)
    context_->fail("the embedded colour profile cannot be applied");
}

SrgbConversion SrgbConversion::from_lab() {
  SrgbConversion conversion;
  conversion.context_ = std::make_unique<detail::LcmsContext>();
  const cmsContext context = conversion.context_->handle;
  const detail::LcmsProfile lab(cmsCreateLab4ProfileTHR(context, nullptr));
  const detail::LcmsProfile srgb(cmsCreate_sRGBProfileTHR(context));
  if (lab.handle == nullptr || srgb.handle == nullptr)
    conversion.context_->fail("cannot set up the CIE L*a*b* conversion");
  conversion.transform_ = std::make_unique<detail::LcmsTransform>(cmsCreateTransformTHR(
      context, lab.handle, TYPE_Lab_DBL, srgb.handle, TYPE_RGB_16, INTENT_PERCEPTUAL, 0));
  if (conversion.transform_->handle == nullptr)
    conversion.context_->fail("cannot set up the CIE L*a*b* conversion");
  conversion.channels_ = 3;
  return conversion;
}

SrgbConversion::~SrgbConversion() = default;
SrgbConversion::SrgbConversion(SrgbConversion&&) noexcept = default;
SrgbConversion& SrgbConversion::operator=(SrgbConversion&&) noexcept = default;

void SrgbConversion::convert(const void* in, void* out, size_t pixels) const {
  // LittleCMS counts pixels in 32 bits.
  constexpr size_t kBatch = size_t{1} << 30;
  const size_t in_size = cmsGetTransformInputFormat(transform_->handle);
  const size_t out_size = cmsGetTransformOutputFormat(transform_->handle);
  const size_t in_bytes = T_BYTES(in_size) == 0 ? 8 : T_BYTES(in_size);
  const size_t in_pixel = in_bytes * (T_CHANNELS(in_size) + T_EXTRA(in_size));
  const size_t out_pixel = T_BYTES(out_size) * (T_CHANNELS(out_size) + T_EXTRA(out_size));
  auto* src = static_cast<const uint8_t*>(in);
  auto* dst = static_cast<uint8_t*>(out);
  for (size_t done = 0; done < pixels;) {
    const size_t n = std::min(kBatch, pixels - done);
    cmsDoTransform(transform_->handle, src + done * in_pixel, dst + done * out_pixel,
                   static_cast<cmsUInt32Number>(n));
    done += n;
  }
}

}  // namespace lumatrix
