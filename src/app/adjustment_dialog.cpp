#include "app/adjustment_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <map>

#include "app/image_preview.h"
#include "app/latest_work.h"
#include "imaging/resample.h"

namespace lumatrix::app {

namespace {

// Long enough to let a dragged slider settle, short enough to feel live.
constexpr int kPreviewDelayMs = 120;

QString qtext(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The picture fitted into the preview's square; a smaller picture is kept as it is.
ImageDocument small_copy_of(const ImageDocument& picture) {
  ImageDocument small;
  small.params = picture.params;
  small.background = picture.background;
  if (picture.empty()) return small;
  const int side = std::max(picture.width(), picture.height());
  if (side <= kAdjustmentPreviewSide) {
    small.raster = picture.raster;
    return small;
  }
  const double scale = kAdjustmentPreviewSide / static_cast<double>(side);
  const int w = std::max(1, static_cast<int>(std::lround(picture.width() * scale)));
  const int h = std::max(1, static_cast<int>(std::lround(picture.height() * scale)));
  small.raster = resample_raster(picture.raster, w, h, ResampleFilter::Triangle);
  return small;
}

QIcon swatch(int rgb) {
  QPixmap pixmap(16, 16);
  pixmap.fill(QColor::fromRgb(static_cast<QRgb>(rgb & 0xFFFFFF)));
  return QIcon(pixmap);
}

}  // namespace

AdjustmentDialog::AdjustmentDialog(const ImageDocument& picture,
                                   std::vector<const Adjustment*> pages, QWidget* parent)
    : QDialog(parent),
      pages_(std::move(pages)),
      small_(small_copy_of(picture)),
      small_scale_(picture.empty() ? 1.0 : small_.width() / static_cast<double>(picture.width())),
      work_(std::make_unique<LatestWork>()) {
  setObjectName("adjustment_dialog");
  choose_colour = [this](int current) -> std::optional<int> {
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(static_cast<QRgb>(current)), this);
    if (!chosen.isValid()) return std::nullopt;
    return static_cast<int>(chosen.rgb() & 0xFFFFFF);
  };

  tabs_ = new QTabWidget;
  tabs_->setObjectName("pages");
  fields_.resize(pages_.size());
  for (size_t i = 0; i < pages_.size(); ++i)
    tabs_->addTab(make_page(*pages_[i], fields_[i]), qtext(pages_[i]->page));
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { schedule_preview(); });

  preview_ = new QLabel;
  preview_->setObjectName("preview");
  preview_->setAlignment(Qt::AlignCenter);
  preview_->setMinimumSize(kAdjustmentPreviewSide, kAdjustmentPreviewSide);
  preview_->setStyleSheet("background: black; color: white;");
  auto* reset_button = new QPushButton("&Reset");
  reset_button->setObjectName("reset");
  connect(reset_button, &QPushButton::clicked, this, &AdjustmentDialog::reset);
  auto* preview_side = new QVBoxLayout;
  preview_side->addWidget(preview_, 1);
  preview_side->addWidget(reset_button, 0, Qt::AlignLeft);

  auto* top = new QHBoxLayout;
  top->addWidget(tabs_, 1);
  top->addLayout(preview_side);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(buttons);

  debounce_ = new QTimer(this);
  debounce_->setSingleShot(true);
  debounce_->setInterval(kPreviewDelayMs);
  connect(debounce_, &QTimer::timeout, this, &AdjustmentDialog::start_preview);
  start_preview();
}

AdjustmentDialog::~AdjustmentDialog() = default;

QWidget* AdjustmentDialog::make_page(const Adjustment& adjustment, std::vector<Field>& fields) {
  auto* page = new QWidget;
  page->setObjectName(qtext(adjustment.page));
  auto* form = new QFormLayout(page);
  // A group's parameters share one row, placed where the group's first parameter stands.
  std::map<std::string_view, QHBoxLayout*> group_rows;
  for (const AdjustmentParam& param : adjustment.params) {
    QWidget* field = make_field(param, fields);
    if (param.group.empty()) {
      if (param.kind == AdjustmentParamKind::Boolean) {
        form->addRow(field);
      } else {
        form->addRow(qtext(param.label), field);
      }
      continue;
    }
    auto [row, fresh] = group_rows.try_emplace(param.group, nullptr);
    if (fresh) {
      row->second = new QHBoxLayout;
      form->addRow(qtext(param.group), row->second);
    }
    if (!param.label.empty() && param.kind != AdjustmentParamKind::Boolean)
      row->second->addWidget(new QLabel(qtext(param.label)));
    row->second->addWidget(field);
  }
  return page;
}

QWidget* AdjustmentDialog::make_field(const AdjustmentParam& param, std::vector<Field>& fields) {
  const QString name = qtext(param.name);
  switch (param.kind) {
    case AdjustmentParamKind::Integer: {
      auto* spin = new QSpinBox;
      spin->setObjectName(name);
      spin->setRange(param.minimum, param.maximum);
      spin->setValue(param.initial);
      connect(spin, &QSpinBox::valueChanged, this, [this] { schedule_preview(); });
      fields.push_back({[spin] { return spin->value(); }, [spin](int v) { spin->setValue(v); }});
      // A kernel's cells side by side are numbers to type; a lone amount gets a slider too.
      if (!param.group.empty()) return spin;
      auto* slider = new QSlider(Qt::Horizontal);
      slider->setObjectName(name + "_slider");
      slider->setRange(param.minimum, param.maximum);
      slider->setValue(param.initial);
      slider->setMinimumWidth(160);
      connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
      connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
      auto* both = new QWidget;
      auto* row = new QHBoxLayout(both);
      row->setContentsMargins(0, 0, 0, 0);
      row->addWidget(slider, 1);
      row->addWidget(spin);
      return both;
    }
    case AdjustmentParamKind::Boolean: {
      auto* box = new QCheckBox(qtext(param.label));
      box->setObjectName(name);
      box->setChecked(param.initial != 0);
      connect(box, &QCheckBox::toggled, this, [this] { schedule_preview(); });
      fields.push_back(
          {[box] { return box->isChecked() ? 1 : 0; }, [box](int v) { box->setChecked(v != 0); }});
      return box;
    }
    case AdjustmentParamKind::Choice: {
      auto* combo = new QComboBox;
      combo->setObjectName(name);
      for (std::string_view choice : param.choices) combo->addItem(qtext(choice));
      combo->setCurrentIndex(param.initial);
      connect(combo, &QComboBox::currentIndexChanged, this, [this] { schedule_preview(); });
      fields.push_back({[combo] { return combo->currentIndex(); },
                        [combo](int v) { combo->setCurrentIndex(v); }});
      return combo;
    }
    case AdjustmentParamKind::Colour: {
      auto* button = new QPushButton;
      button->setObjectName(name);
      const auto set = [this, button](int rgb) {
        button->setProperty("colour", rgb & 0xFFFFFF);
        button->setIcon(swatch(rgb));
        button->setText(QString("#%1").arg(rgb & 0xFFFFFF, 6, 16, QChar('0')).toUpper());
        schedule_preview();
      };
      set(param.initial);
      connect(button, &QPushButton::clicked, this, [this, button, set] {
        if (const auto chosen = choose_colour(button->property("colour").toInt())) set(*chosen);
      });
      fields.push_back({[button] { return button->property("colour").toInt(); }, set});
      return button;
    }
  }
  return new QWidget;
}

const Adjustment& AdjustmentDialog::chosen() const {
  return *pages_.at(static_cast<size_t>(std::max(tabs_->currentIndex(), 0)));
}

AdjustmentValues AdjustmentDialog::values() const {
  AdjustmentValues values;
  for (const Field& field : fields_.at(static_cast<size_t>(std::max(tabs_->currentIndex(), 0))))
    values.push_back(field.get());
  return values;
}

void AdjustmentDialog::set_values(const AdjustmentValues& values) {
  std::vector<Field>& fields = fields_.at(static_cast<size_t>(std::max(tabs_->currentIndex(), 0)));
  filling_ = true;
  for (size_t i = 0; i < fields.size() && i < values.size(); ++i) fields[i].set(values[i]);
  filling_ = false;
  schedule_preview();
}

void AdjustmentDialog::reset() {
  if (pages_.empty()) return;
  set_values(initial_values(chosen()));
}

void AdjustmentDialog::schedule_preview() {
  if (filling_ || !debounce_) return;
  debounce_->start();
}

void AdjustmentDialog::start_preview() {
  if (pages_.empty() || small_.empty()) return;
  const unsigned generation = ++generation_;
  const Adjustment* adjustment = &chosen();
  // The worker gets its own copy: the dialog's copy stays the unchanged start of every preview.
  // The dialog outlives the task: it waits for the worker before it goes.
  // Lengths and frequencies follow the copy's size, so the preview looks like the full result.
  auto work = [this, generation, adjustment,
               values = preview_values(*adjustment, values(), small_scale_),
               picture = small_]() mutable {
    QImage image;
    QString trouble;
    try {
      adjustment->apply(picture, values);
      image = qimage_of(picture.raster);
    } catch (const std::exception& error) {
      trouble = QString::fromStdString(error.what());
    }
    QMetaObject::invokeMethod(
        this,
        [this, generation, image = std::move(image), trouble] {
          show_preview(generation, image, trouble);
        },
        Qt::QueuedConnection);
  };
  work_->submit(std::move(work));
}

void AdjustmentDialog::show_preview(unsigned generation, const QImage& image,
                                    const QString& trouble) {
  if (generation != generation_) return;  // a newer one is on its way
  preview_image_ = image;
  if (image.isNull()) {
    preview_->setPixmap({});
    preview_->setText(trouble);
  } else {
    preview_->setText({});
    preview_->setPixmap(QPixmap::fromImage(image));
  }
  emit preview_shown();
}

}  // namespace lumatrix::app
