#pragma once
// The gallery's preview window: a plain HTML viewer with a status bar and "&File" -> "E&xit".
// It is made hidden at start-up; closing it only hides it.
#include <QMainWindow>
#include <filesystem>

class QTextBrowser;

namespace lumatrix::app {

class GalleryWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit GalleryWindow(QWidget* parent = nullptr);
  // Shows the page maximized, captioned with the page's title; does not wait for the user.
  void show_page(const std::filesystem::path& page);
  QTextBrowser& browser() { return *browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace lumatrix::app
