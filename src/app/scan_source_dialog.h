#pragma once
// The scanner chooser of "Select &Twain": the sources present, one line each, the stored one
// selected; OK takes the selected line's index.
#include <QDialog>
#include <vector>

#include "extras/scanner.h"

class QListWidget;

namespace lumatrix::app {

class ScanSourceDialog : public QDialog {
  Q_OBJECT
 public:
  // `current` is selected when it is one of the sources' indexes, else the first source.
  ScanSourceDialog(const std::vector<ScanSource>& sources, int current, QWidget* parent = nullptr);

  QListWidget& sources() { return *list_; }
  // The index of the selected source; -1 when none is.
  int chosen() const;

 private:
  QListWidget* list_ = nullptr;
};

}  // namespace lumatrix::app
