#include "app/image_preview.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace lumatrix::app {

namespace {

// The rectangle spanned by two corners, its right and bottom edges exclusive.
QRect spanned(const QPoint& a, const QPoint& b) {
  const QPoint top_left(std::min(a.x(), b.x()), std::min(a.y(), b.y()));
  return {top_left, QSize(std::abs(a.x() - b.x()), std::abs(a.y() - b.y()))};
}

}  // namespace

QImage qimage_of(const Raster& raster) {
  if (raster.empty()) return {};
  const Raster rgb = raster.format() == PixelFormat::Rgb24 ? raster : raster.to_rgb24();
  QImage image(rgb.width(), rgb.height(), QImage::Format_RGB888);
  for (int y = 0; y < rgb.height(); ++y)
    std::copy_n(rgb.row(y), static_cast<size_t>(rgb.width()) * 3, image.scanLine(y));
  return image;
}

ImagePreview::ImagePreview(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(160, 120);
}

void ImagePreview::set_image(const QImage& image) {
  image_ = image;
  selection_ = {};
  update();
}

void ImagePreview::clear() {
  set_image({});
}

void ImagePreview::set_selection(const QRect& selection) {
  selection_ = selection;
  update();
  emit selection_changed(selection_);
}

QRectF ImagePreview::image_area() const {
  if (image_.isNull()) return {};
  const double scale = std::min({1.0, width() / static_cast<double>(image_.width()),
                                 height() / static_cast<double>(image_.height())});
  const double w = image_.width() * scale, h = image_.height() * scale;
  return {(width() - w) / 2, (height() - h) / 2, w, h};
}

QPoint ImagePreview::image_point(const QPointF& widget_point) const {
  const QRectF area = image_area();
  if (area.isEmpty()) return {};
  const double scale = area.width() / image_.width();
  const int x = static_cast<int>((widget_point.x() - area.left()) / scale);
  const int y = static_cast<int>((widget_point.y() - area.top()) / scale);
  return {std::clamp(x, 0, image_.width()), std::clamp(y, 0, image_.height())};
}

void ImagePreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (image_.isNull()) return;
  const QRectF area = image_area();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  // Scaled once to the device's pixels, so that a HiDPI screen gets a sharp picture.
  const qreal ratio = devicePixelRatioF();
  QImage scaled = image_.scaled((area.size() * ratio).toSize(), Qt::IgnoreAspectRatio,
                                Qt::SmoothTransformation);
  scaled.setDevicePixelRatio(ratio);
  painter.drawImage(area.topLeft(), scaled);
  if (!selection_.isEmpty()) {
    const double scale = area.width() / image_.width();
    const QRectF shown(area.left() + selection_.left() * scale,
                       area.top() + selection_.top() * scale, selection_.width() * scale,
                       selection_.height() * scale);
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.drawRect(shown);
  }
}

void ImagePreview::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || image_.isNull()) return QWidget::mousePressEvent(event);
  dragging_ = true;
  anchor_ = image_point(event->position());
  set_selection({});
}

void ImagePreview::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  set_selection(spanned(anchor_, image_point(event->position())));
}

void ImagePreview::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_) return QWidget::mouseReleaseEvent(event);
  dragging_ = false;
  set_selection(spanned(anchor_, image_point(event->position())));
}

}  // namespace lumatrix::app
