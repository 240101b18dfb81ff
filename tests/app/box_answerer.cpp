#include "box_answerer.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>

namespace lumatrix::test {

BoxAnswerer::BoxAnswerer() {
  connect(&timer_, &QTimer::timeout, this, &BoxAnswerer::poll);
  timer_.start(5);
}

void BoxAnswerer::poll() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (!box || !box->isVisible()) continue;
    texts << box->text();
    if (box->buttons().size() == 1) {
      box->buttons().front()->click();
      continue;
    }
    questions << box->text();
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << box->text().toStdString();
      box->reject();
      continue;
    }
    QAbstractButton* button = box->button(answers.front());
    answers.pop_front();
    if (!button) {
      ADD_FAILURE() << "no such button for: " << box->text().toStdString();
      box->reject();
      continue;
    }
    button->click();
  }
}

}  // namespace lumatrix::test
