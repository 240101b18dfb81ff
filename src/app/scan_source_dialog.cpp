#include "app/scan_source_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumatrix::app {

ScanSourceDialog::ScanSourceDialog(const std::vector<ScanSource>& sources, int current,
                                   QWidget* parent)
    : QDialog(parent) {
  setObjectName("scan_sources");
  setWindowTitle("Select Source");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Sources:"));
  list_ = new QListWidget;
  list_->setObjectName("sources");
  for (const ScanSource& source : sources) {
    const std::string description = source.description();
    list_->addItem(QString::fromStdString(
        description.empty() ? source.name : description + "  (" + source.name + ")"));
  }
  const int count = static_cast<int>(sources.size());
  if (count > 0) list_->setCurrentRow(current >= 0 && current < count ? current : 0);
  layout->addWidget(list_, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText("Select");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // A double-click on a line chooses it, as in other pickers.
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  layout->addWidget(buttons);
  resize(420, 260);
}

int ScanSourceDialog::chosen() const {
  return list_->currentItem() ? list_->currentRow() : -1;
}

}  // namespace lumatrix::app
