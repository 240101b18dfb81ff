#pragma once
// A grid of files that takes files and folders dropped from a file manager and hands them on
// as paths. Only copy and link drops are taken: a move drop would have the file manager delete
// the files it dragged here.
#include <QStringList>
#include <QTableWidget>
#include <set>

namespace lumatrix::app {

class FileDropGrid : public QTableWidget {
  Q_OBJECT
 public:
  FileDropGrid(int columns, QWidget* parent = nullptr);

  // The selected rows, 0-based.
  std::set<size_t> selected_rows() const;

 signals:
  void paths_dropped(const QStringList& paths);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace lumatrix::app
