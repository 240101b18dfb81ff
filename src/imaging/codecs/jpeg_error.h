#pragma once
// libjpeg reports fatal errors through error_exit, which must not return. Throwing a C++
// exception from it would unwind through libjpeg's C frames, which is undefined behaviour, so
// error_exit longjmps instead: every libjpeg call runs inside jpeg_guarded(), which sets the jump
// target, and the ImageError is thrown only after the longjmp has landed back in C++.
//
// The longjmp skips every frame between the callback and jpeg_guarded, so those frames must own
// nothing with a destructor: the steps passed in call libjpeg and do plain pointer arithmetic,
// and every buffer they touch is allocated by the caller beforehand. The libjpeg objects
// themselves live in RAII owners outside the guarded region, whose destructors call
// jpeg_destroy_*, which is safe after an error.
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

#include <string>

#include "base/image_error.h"
#include "imaging/resource_policy.h"

namespace lumatrix {

struct JpegErrorManager {
  jpeg_error_mgr pub;  // first member: libjpeg hands back a pointer to it
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  // The first warning libjpeg gave (corrupt but decodable data); pub.num_warnings counts them.
  char first_warning[JMSG_LENGTH_MAX];
};

// Sets up `err` and returns what goes into cinfo.err. A premature end of the data, which
// libjpeg only warns about and then pads with grey, is raised as an error: a cut-off file must
// not pass for a picture. Other warnings (corrupt but decodable data) are kept for
// jpeg_warning_summary.
jpeg_error_mgr* install_jpeg_errors(JpegErrorManager& err);

// The warnings of a decode in one sentence ("Corrupt JPEG data: bad Huffman code, and 11 more
// warnings"), or "" when there were none.
std::string jpeg_warning_summary(const JpegErrorManager& err);

// Stops a decode that runs past its time: libjpeg calls the monitor between passes and rows,
// and the monitor leaves through the error manager's jump with `reason` as the message. Attach
// with cinfo.progress = &progress.pub.
struct JpegDeadline {
  jpeg_progress_mgr pub;  // first member: libjpeg hands back a pointer to it
  const ReadBudget* budget = nullptr;
  JpegErrorManager* err = nullptr;
  std::string reason;  // made before decoding, since the monitor must not allocate
};
void watch_jpeg_time(JpegDeadline& deadline, const ReadBudget& budget, JpegErrorManager& err);

namespace detail {
template <typename Steps>
bool run_jpeg_steps(JpegErrorManager& err, Steps& steps) {
  if (setjmp(err.jump) != 0) return false;
  steps();
  return true;
}
}  // namespace detail

// Runs `steps`; a libjpeg error inside them comes out as ImageError(libjpeg's message).
template <typename Steps>
void jpeg_guarded(JpegErrorManager& err, Steps&& steps) {
  if (!detail::run_jpeg_steps(err, steps)) throw ImageError(err.message);
}

}  // namespace lumatrix
