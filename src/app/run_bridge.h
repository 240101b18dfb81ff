#pragma once
// A run on a worker thread, talking to the window. The engine sees the three parts of its seam:
// log lines and progress arrive on the window's thread as signals; questions and notices become
// message boxes there while the worker waits for the answer; Escape and the Stop button set
// the cancel token. The window thread never waits for the worker, so it stays live.
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "base/run_host.h"

class QWidget;

namespace lumatrix::app {

class RunBridge : public QObject, public EventSink, public Questions {
  Q_OBJECT
 public:
  // Message boxes are shown over `window`.
  explicit RunBridge(QWidget* window);
  // Stops a run still working (its questions answered "stop", "no") and waits for it.
  ~RunBridge() override;

  // Runs `work` on a worker thread, then `done` on the window's thread with the text of an
  // error `work` threw (empty when it ended normally). False, and nothing runs, while
  // another run works.
  bool start(std::function<void(const RunSeam&)> work,
             std::function<void(const QString& error)> done);
  bool running() const { return running_.load(); }
  // Escape or Stop: the run stops before its next entry, after asking.
  void request_stop() { cancel_.request(); }
  // Ends a running run as soon as it can: the stop is requested and its questions get the
  // answers that end it, without boxes. Returns once the worker is done.
  void finish_now();

  // EventSink and Questions, called by the run on its worker thread.
  void log_line(const std::string& line, std::optional<int> entry) override;
  void set_progress(int position, int maximum) override;
  bool ask_yes_no(const std::string& question) override;
  bool ask_ok_cancel(const std::string& question) override;
  void inform(const std::string& message) override;

 signals:
  void line_logged(const QString& line);
  void progress_changed(int position, int maximum);
  // Before and after each question, for the rate beside the bar (waiting is not work).
  void waiting(bool waiting);

 private:
  // Runs `task` on the window's thread and waits for it; on that thread itself, runs it.
  void on_window_thread(const std::function<void()>& task);
  void give_back_keyboard();

  QWidget* window_;
  CancelToken cancel_;
  std::atomic<bool> running_{false};
  std::atomic<bool> ending_{false};
  std::jthread worker_;
};

}  // namespace lumatrix::app
