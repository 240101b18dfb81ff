#pragma once
// The "Move to ...." window: the position a thumbnail is to move to. It has no title-bar
// buttons; "Okay" hands the position on (Escape leaves it without moving anything).
#include <QDialog>

class QPushButton;
class QSpinBox;

namespace lumatrix::app {

class MoveToDialog : public QDialog {
  Q_OBJECT
 public:
  explicit MoveToDialog(QWidget* parent = nullptr);

  // Shows the window with the field bounded by the number of thumbnails; does not wait.
  void ask(int count);
  QSpinBox& position() { return *position_; }
  QPushButton& okay() { return *okay_; }

 signals:
  // "Okay" with the 1-based target position.
  void chosen(int position);

 private:
  QSpinBox* position_;
  QPushButton* okay_;
};

}  // namespace lumatrix::app
