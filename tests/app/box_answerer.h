#pragma once
// Answers the window's message boxes as a user would click them: question boxes from a
// script, in order; notices (a box with OK alone) are acknowledged. Every box's text is kept.
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <ostream>

namespace lumatrix::test {

class BoxAnswerer : public QObject {
 public:
  BoxAnswerer();
  std::deque<QMessageBox::StandardButton> answers;
  // The texts of the boxes seen, in order; and of the questions alone.
  QStringList texts, questions;

 private:
  void poll();
  QTimer timer_;
};

// Starts something that ends with the window's run_finished signal and waits for it, serving
// the window's events (and so its boxes) meanwhile. False when it did not end.
template <class Window>
bool run_and_wait(Window& window, const std::function<void()>& start);

}  // namespace lumatrix::test

#include <QSignalSpy>

template <class Window>
bool lumatrix::test::run_and_wait(Window& window, const std::function<void()>& start) {
  QSignalSpy finished(&window, &Window::run_finished);
  start();
  // A safety net against a hang, not a measure of speed.
  return finished.count() > 0 || finished.wait(120000);
}

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
