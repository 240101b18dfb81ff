#pragma once
// Decodes thumbnails on a worker thread, so that a folder of thousands of photos shows its
// cells at once and fills them in as they are ready. JPEGs are decoded at a fraction of their
// size (libjpeg's DCT scaling), which is what makes a large folder quick. Results come back on
// the loader's thread as the `loaded` signal; a request may jump the queue (the cells on
// screen), and cancel() drops everything not yet started and silences what is running.
#include <QImage>
#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace lumatrix::app {

// The picture in `path` fitted into box x box pixels (never enlarged); a null image when the
// file cannot be read as a picture.
QImage load_thumbnail(const std::filesystem::path& path, int box);

class ThumbnailLoader : public QObject {
  Q_OBJECT
 public:
  explicit ThumbnailLoader(int box, QObject* parent = nullptr);
  ~ThumbnailLoader() override;

  // Queues `path` for the cell `id` (at the back, or at the front when `urgent`).
  void request(uint64_t id, const std::filesystem::path& path, bool urgent = false);
  // Moves the queued requests for these cells to the front, keeping their order.
  void prioritise(const std::vector<uint64_t>& ids);
  // Forgets every queued request; a decode already under way reports nothing.
  void cancel();
  // Requests queued or being decoded.
  size_t pending() const;

 signals:
  // A thumbnail is ready (a null image: the file could not be loaded).
  void loaded(uint64_t id, const QImage& image);

 private:
  struct Request {
    uint64_t id;
    std::filesystem::path path;
  };
  void work(std::stop_token stop);
  void deliver(uint64_t generation, uint64_t id, const QImage& image);

  const int box_;
  mutable std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<Request> queue_;
  uint64_t generation_ = 0;  // bumped by cancel(): results of older generations are dropped
  bool busy_ = false;        // the worker is decoding
  std::jthread worker_;      // last: stopped and joined before the rest goes
};

}  // namespace lumatrix::app
