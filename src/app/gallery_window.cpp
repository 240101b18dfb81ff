#include "app/gallery_window.h"

#include <QMenuBar>
#include <QStatusBar>
#include <QTextBrowser>
#include <QUrl>

namespace lumatrix::app {

GalleryWindow::GalleryWindow(QWidget* parent) : QMainWindow(parent), browser_(new QTextBrowser) {
  setObjectName("gallery_preview");
  setAttribute(Qt::WA_QuitOnClose, false);
  browser_->setOpenLinks(true);
  browser_->setOpenExternalLinks(false);
  setCentralWidget(browser_);
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("E&xit", this, &QWidget::hide);
  connect(browser_, &QTextBrowser::highlighted, this,
          [this](const QUrl& link) { statusBar()->showMessage(link.toString()); });
  connect(browser_, &QTextBrowser::sourceChanged, this,
          [this] { setWindowTitle(browser_->documentTitle()); });
  statusBar()->showMessage("");
  resize(800, 600);
}

void GalleryWindow::show_page(const std::filesystem::path& page) {
  browser_->setSource(QUrl::fromLocalFile(QString::fromStdString(page.string())));
  setWindowTitle(browser_->documentTitle());
  statusBar()->showMessage(QString::fromStdString(page.string()));
  showMaximized();
  raise();
}

}  // namespace lumatrix::app
