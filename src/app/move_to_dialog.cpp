#include "app/move_to_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace lumatrix::app {

MoveToDialog::MoveToDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      position_(new QSpinBox),
      okay_(new QPushButton("Okay")) {
  setWindowTitle("Move to ....");
  setWindowModality(Qt::ApplicationModal);
  position_->setRange(1, 5500);
  position_->setValue(1);
  okay_->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Move this Image to Position"));
  layout->addWidget(position_);
  layout->addWidget(okay_, 0, Qt::AlignHCenter);
  connect(okay_, &QPushButton::clicked, this, [this] {
    const int target = position_->value();
    accept();
    emit chosen(target);
  });
}

void MoveToDialog::ask(int count) {
  position_->setMaximum(std::max(1, count));
  show();
  raise();
  activateWindow();
}

}  // namespace lumatrix::app
