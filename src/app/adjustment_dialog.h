#pragma once
// The editing dialog of the "Color &Adjustment" and "&Effects" commands: one tab per
// adjustment it is given, each tab's widgets made from the adjustment's parameter rows, a live
// preview of the chosen tab on a small copy of the picture, and a reset button. OK leaves the
// choice to the caller (chosen() and values()), who applies it at full size.
#include <QDialog>
#include <QImage>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/adjustments.h"

class QLabel;
class QTabWidget;
class QTimer;

namespace lumatrix::app {

class LatestWork;

// The longest side of the preview's copy of the picture.
inline constexpr int kAdjustmentPreviewSide = 400;

class AdjustmentDialog : public QDialog {
  Q_OBJECT
 public:
  AdjustmentDialog(const ImageDocument& picture, std::vector<const Adjustment*> pages,
                   QWidget* parent = nullptr);
  ~AdjustmentDialog() override;

  QTabWidget& tabs() { return *tabs_; }
  // The adjustment of the tab in front and its values as the widgets hold them.
  const Adjustment& chosen() const;
  AdjustmentValues values() const;
  void set_values(const AdjustmentValues& values);
  // The tab in front back to its initial values.
  void reset();
  // The small copy the preview works on, and the preview picture last shown.
  const ImageDocument& small_copy() const { return small_; }
  const QImage& preview_image() const { return preview_image_; }

  // The colour chooser the colour buttons open; a test puts its own here. Colours are 0xRRGGBB;
  // no answer is a cancel.
  std::function<std::optional<int>(int current)> choose_colour;

 signals:
  // A new preview picture is shown (or the reason none could be made).
  void preview_shown();

 private:
  // How one parameter's widget is read and set.
  struct Field {
    std::function<int()> get;
    std::function<void(int)> set;
  };
  QWidget* make_page(const Adjustment& adjustment, std::vector<Field>& fields);
  QWidget* make_field(const AdjustmentParam& param, std::vector<Field>& fields);
  void schedule_preview();
  void start_preview();
  void show_preview(unsigned generation, const QImage& image, const QString& trouble);

  std::vector<const Adjustment*> pages_;
  std::vector<std::vector<Field>> fields_;  // per tab
  ImageDocument small_;
  double small_scale_ = 1;  // the copy's size over the picture's
  QTabWidget* tabs_ = nullptr;
  QLabel* preview_ = nullptr;
  QTimer* debounce_ = nullptr;
  QImage preview_image_;
  unsigned generation_ = 0;
  bool filling_ = false;              // set_values at work: one preview for all the changes
  std::unique_ptr<LatestWork> work_;  // last: stopped before the rest goes
};

}  // namespace lumatrix::app
