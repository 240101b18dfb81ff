#include "app/run_bridge.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <exception>

namespace lumatrix::app {

RunBridge::RunBridge(QWidget* window) : QObject(nullptr), window_(window) {}

RunBridge::~RunBridge() {
  finish_now();
}

bool RunBridge::start(std::function<void(const RunSeam&)> work,
                      std::function<void(const QString& error)> done) {
  if (running_.exchange(true)) return false;
  if (worker_.joinable()) worker_.join();
  cancel_.reset();
  ending_ = false;
  worker_ = std::jthread([this, work = std::move(work), done = std::move(done)] {
    QString error;
    try {
      work(RunSeam{*this, *this, cancel_});
    } catch (const std::exception& e) {
      error = QString::fromStdString(e.what());
    } catch (...) {
      error = "unknown error";
    }
    QMetaObject::invokeMethod(
        this,
        [this, done, error] {
          if (worker_.joinable()) worker_.join();
          running_ = false;
          if (done) done(error);
        },
        Qt::QueuedConnection);
  });
  return true;
}

void RunBridge::finish_now() {
  if (!running_.load()) return;
  ending_ = true;
  cancel_.request();
  // The worker may be waiting for this thread to show a line: keep serving it until it ends.
  while (running_.load()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The box had the keyboard; the window takes it back, so that Escape reaches it again.
void RunBridge::give_back_keyboard() {
  if (!window_) return;
  window_->activateWindow();
  window_->raise();
}

void RunBridge::on_window_thread(const std::function<void()>& task) {
  if (QThread::currentThread() == thread())
    task();
  else
    QMetaObject::invokeMethod(this, task, Qt::BlockingQueuedConnection);
}

// The worker waits until its line is shown: the log never falls behind the run, and a stop
// asked for on seeing a line is in force before the run's next entry.
void RunBridge::log_line(const std::string& line, std::optional<int>) {
  const QString text = QString::fromStdString(line);
  on_window_thread([this, text] { emit line_logged(text); });
}

void RunBridge::set_progress(int position, int maximum) {
  QMetaObject::invokeMethod(
      this, [this, position, maximum] { emit progress_changed(position, maximum); },
      Qt::QueuedConnection);
}

bool RunBridge::ask_yes_no(const std::string& question) {
  if (ending_) return false;
  bool yes = false;
  on_window_thread([&] {
    emit waiting(true);
    yes = QMessageBox::question(window_, QCoreApplication::applicationName(),
                                QString::fromStdString(question),
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    emit waiting(false);
    give_back_keyboard();
  });
  return yes;
}

bool RunBridge::ask_ok_cancel(const std::string& question) {
  if (ending_) return true;
  bool ok = false;
  on_window_thread([&] {
    emit waiting(true);
    ok = QMessageBox::question(window_, QCoreApplication::applicationName(),
                               QString::fromStdString(question),
                               QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    emit waiting(false);
    give_back_keyboard();
  });
  return ok;
}

void RunBridge::inform(const std::string& message) {
  if (ending_) return;
  on_window_thread([&] {
    emit waiting(true);
    QMessageBox::information(window_, QCoreApplication::applicationName(),
                             QString::fromStdString(message));
    emit waiting(false);
    give_back_keyboard();
  });
}

}  // namespace lumatrix::app
