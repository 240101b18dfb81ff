#include "app/thumbnail_loader.h"

#include <QMetaObject>
#include <algorithm>
#include <unordered_set>

#include "app/image_preview.h"
#include "imaging/image_document.h"

namespace lumatrix::app {

QImage load_thumbnail(const std::filesystem::path& path, int box) {
  const ChooseTarget fit = [box](int width, int height) -> std::optional<ResampleTarget> {
    if (width <= box && height <= box) return std::nullopt;
    const double scale = std::min(box / static_cast<double>(width), box / double(height));
    return ResampleTarget{std::max(1, static_cast<int>(width * scale + 0.5)),
                          std::max(1, static_cast<int>(height * scale + 0.5)),
                          ResampleFilter::Triangle};
  };
  try {
    ImageDocument doc;
    if (!doc.load_resized(path, fit, ResizeSpeed::Fast) || doc.empty()) return {};
    return qimage_of(doc.raster);
  } catch (const std::exception&) {
    return {};  // unreadable or corrupt: the cell stays empty
  }
}

ThumbnailLoader::ThumbnailLoader(int box, QObject* parent)
    : QObject(parent), box_(box), worker_([this](std::stop_token stop) { work(stop); }) {}

ThumbnailLoader::~ThumbnailLoader() {
  worker_.request_stop();
  wake_.notify_all();
}

void ThumbnailLoader::request(uint64_t id, const std::filesystem::path& path, bool urgent) {
  {
    std::lock_guard lock(mutex_);
    if (urgent)
      queue_.push_front({id, path});
    else
      queue_.push_back({id, path});
  }
  wake_.notify_one();
}

void ThumbnailLoader::prioritise(const std::vector<uint64_t>& ids) {
  const std::unordered_set<uint64_t> wanted(ids.begin(), ids.end());
  std::lock_guard lock(mutex_);
  std::stable_partition(queue_.begin(), queue_.end(),
                        [&](const Request& r) { return wanted.contains(r.id); });
}

void ThumbnailLoader::cancel() {
  std::lock_guard lock(mutex_);
  queue_.clear();
  ++generation_;
}

size_t ThumbnailLoader::pending() const {
  std::lock_guard lock(mutex_);
  return queue_.size() + (busy_ ? 1 : 0);
}

void ThumbnailLoader::work(std::stop_token stop) {
  while (true) {
    Request next;
    uint64_t generation = 0;
    {
      std::unique_lock lock(mutex_);
      busy_ = false;
      if (!wake_.wait(lock, stop, [&] { return !queue_.empty(); })) return;
      next = std::move(queue_.front());
      queue_.pop_front();
      generation = generation_;
      busy_ = true;
    }
    const QImage image = load_thumbnail(next.path, box_);
    // Handed over on the loader's own thread, where a cancel() since then is seen.
    QMetaObject::invokeMethod(
        this, [this, generation, id = next.id, image] { deliver(generation, id, image); },
        Qt::QueuedConnection);
  }
}

void ThumbnailLoader::deliver(uint64_t generation, uint64_t id, const QImage& image) {
  {
    std::lock_guard lock(mutex_);
    if (generation != generation_) return;
  }
  emit loaded(id, image);
}

}  // namespace lumatrix::app
