#include "imaging/codecs/jpeg_error.h"

namespace lumatrix {

namespace {

[[noreturn]] void jump_back(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void on_error_exit(j_common_ptr cinfo) {
  jump_back(cinfo);
}

void on_emit_message(j_common_ptr cinfo, int msg_level) {
  if (msg_level >= 0) return;  // trace output
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) jump_back(cinfo);
  ++cinfo->err->num_warnings;
}

void on_output_message(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* install_jpeg_errors(JpegErrorManager& err) {
  jpeg_error_mgr* pub = jpeg_std_error(&err.pub);
  pub->error_exit = on_error_exit;
  pub->emit_message = on_emit_message;
  pub->output_message = on_output_message;
  err.message[0] = '\0';
  return pub;
}

}  // namespace lumatrix
