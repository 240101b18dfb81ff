#pragma once
// A "Before" or "After" pane: the image fitted into the pane on black, drawn at the screen's
// own pixel density, with a rectangle selected by dragging the mouse. The selection is kept in
// the image's pixels, which is what the marking commands write.
#include <QImage>
#include <QRect>
#include <QWidget>

#include "imaging/raster.h"

namespace lumatrix::app {

QImage qimage_of(const Raster& raster);

class ImagePreview : public QWidget {
  Q_OBJECT
 public:
  explicit ImagePreview(QWidget* parent = nullptr);

  void set_image(const QImage& image);
  void clear();
  const QImage& image() const { return image_; }
  // The selection in image pixels; empty when there is none.
  QRect selection() const { return selection_; }
  void set_selection(const QRect& selection);
  // Where the image is drawn, in widget coordinates.
  QRectF image_area() const;
  // A widget point in image pixels (clamped to the image).
  QPoint image_point(const QPointF& widget_point) const;

 signals:
  void selection_changed(const QRect& selection);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage image_;
  QRect selection_;
  QPoint anchor_;
  bool dragging_ = false;
};

}  // namespace lumatrix::app
