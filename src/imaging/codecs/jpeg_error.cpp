#include "imaging/codecs/jpeg_error.h"

#include <cstdio>

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
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  if (err->pub.num_warnings++ == 0) (*cinfo->err->format_message)(cinfo, err->first_warning);
}

void on_progress(j_common_ptr cinfo) {
  auto* deadline = reinterpret_cast<JpegDeadline*>(cinfo->progress);
  if (!deadline->budget->out_of_time()) return;
  JpegErrorManager* err = deadline->err;
  std::snprintf(err->message, sizeof err->message, "%s", deadline->reason.c_str());
  std::longjmp(err->jump, 1);
}

void on_output_message(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* install_jpeg_errors(JpegErrorManager& err) {
  jpeg_error_mgr* pub = jpeg_std_error(&err.pub);
  pub->error_exit = on_error_exit;
  pub->emit_message = on_emit_message;
  pub->output_message = on_output_message;
  err.message[0] = '\0';
  err.first_warning[0] = '\0';
  return pub;
}

std::string jpeg_warning_summary(const JpegErrorManager& err) {
  const long count = err.pub.num_warnings;
  if (count <= 0) return "";
  std::string summary = err.first_warning;
  if (count > 1)
    summary +=
        ", and " + std::to_string(count - 1) + (count == 2 ? " more warning" : " more warnings");
  return summary;
}

void watch_jpeg_time(JpegDeadline& deadline, const ReadBudget& budget, JpegErrorManager& err) {
  deadline.pub = {};
  deadline.pub.progress_monitor = on_progress;
  deadline.budget = &budget;
  deadline.err = &err;
  deadline.reason = budget.out_of_time_reason();
}

}  // namespace lumatrix
