#include "engine/batch_run.h"

#include <algorithm>

#include "base/system_resources.h"
#include "engine/batch_plan.h"
#include "engine/entry_job.h"
#include "engine/memory_budget.h"
#include "engine/worker_pool.h"

namespace lumatrix {

AfterPass::~AfterPass() = default;
void AfterPass::slice_images(Workspace&, const RunSeam&, const Settings&,
                             const std::vector<GalleryRecord>&) {}
void AfterPass::create_gallery(Workspace&, const RunSeam&, const Settings&,
                               const std::vector<GalleryRecord>&) {}

namespace {

constexpr uint64_t kMegabyte = uint64_t{1} << 20;

// Hands the entries to the workers in list order, each as soon as the plan, the memory budget
// and a free worker allow, and passes every finished report to the reduce. Entries start in
// list order, so those whose turn came are always the first ones of the list.
class Scheduler {
 public:
  Scheduler(const RunSeam& run, const Settings& settings, const SourceList& list,
            const Overlays& overlays, const BatchPlan& plan, int workers, uint64_t budget,
            OrderedReduce& reduce)
      : run_(run),
        settings_(settings),
        list_(list),
        overlays_(overlays),
        plan_(plan),
        reduce_(reduce),
        budget_(budget),
        reports_(list.size()),
        done_(list.size(), false),
        memory_(list.size()),
        pool_(workers) {}

  void run() {
    const size_t count = list_.size();
    bool stop_pending = false;
    while (true) {
      while (next_ < count && !stopped_ && !failed_) {
        if (stop_pending || run_.cancel.requested()) {
          // The running entries finish and show their lines before the question; after a
          // Cancel it comes again before the next entry, so from here on entries run one by one.
          stop_pending = true;
          if (pool_.busy() > 0) break;
          if (confirm_stop(run_, static_cast<int>(count))) {
            stopped_ = true;
            break;
          }
        } else if (!may_start(next_)) {
          break;
        }
        start(next_++);
      }
      // Nothing running means nothing may start: the list is through, stopped or failed.
      if (pool_.busy() == 0) break;
      collect();
    }
  }

  int started() const { return static_cast<int>(next_); }
  bool stopped() const { return stopped_; }

 private:
  bool may_start(size_t index) {
    if (!pool_.idle_worker() || alone_running_) return false;
    const PlannedEntry& planned = plan_.entries[index];
    if (planned.alone && pool_.busy() > 0) return false;
    for (int row : planned.after)
      if (!done_[static_cast<size_t>(row) - 1]) return false;
    if (!memory_[index] && pool_.size() > 1)
      memory_[index] = entry_memory(decoded_size(list_.entries[index].full_path()));
    return budget_.admits(memory_[index].value_or(0));
  }

  void start(size_t index) {
    alone_running_ = plan_.entries[index].alone;
    budget_.take(memory_[index].value_or(0));
    pool_.start(static_cast<int>(index), [this, index](Workspace& ws) {
      reports_[index] =
          run_entry(ws, settings_, list_.entries[index], plan_.entries[index], overlays_);
    });
  }

  void collect() {
    const auto index = static_cast<size_t>(pool_.wait_finished());
    done_[index] = true;
    budget_.give_back(memory_[index].value_or(0));
    if (plan_.entries[index].alone) alone_running_ = false;
    EntryReport report = std::move(*reports_[index]);
    reports_[index].reset();
    // An error that ends the run lets no further entry start, as it would in list order.
    if (report.failure) failed_ = true;
    reduce_.finished(index, std::move(report));
  }

  const RunSeam& run_;
  const Settings& settings_;
  const SourceList& list_;
  const Overlays& overlays_;
  const BatchPlan& plan_;
  OrderedReduce& reduce_;
  MemoryBudget budget_;
  std::vector<std::optional<EntryReport>> reports_;  // each written by its job's worker
  std::vector<bool> done_;
  std::vector<std::optional<uint64_t>> memory_;  // counted when the entry's turn comes
  size_t next_ = 0;
  bool alone_running_ = false;
  bool stopped_ = false;
  bool failed_ = false;
  WorkerPool pool_;  // last: it waits for its jobs before what they write to goes
};

uint64_t memory_budget_bytes(const RunResources& resources, const Settings& settings) {
  const uint64_t bytes =
      resources.memory_bytes.value_or(static_cast<uint64_t>(settings.memory_budget) * kMegabyte);
  return bytes > 0 ? bytes : automatic_memory_budget();
}

}  // namespace

std::string confirmation_question(const Choice<SaveInChoice>& save_in_directory) {
  const bool own_folder = save_in_directory.value() == SaveInFolder::Source;
  const std::string place = own_folder ? " Original Files Directory " : save_in_directory.text();
  return "You have Opted under Save In Directory to save the processed images\r\nin the " + place +
         ". If there are existing files there with the same filename\r\n they would be replaced. "
         "Do you want to proceed ?";
}

int worker_count(int workers, size_t entries) {
  const int wanted = workers > 0 ? workers : usable_cpu_count();
  const int most = static_cast<int>(std::min<size_t>(std::max<size_t>(entries, 1), 1024));
  return std::clamp(wanted, 1, most);
}

BatchRunResult process_all(Workspace& ws, const RunSeam& run, const Settings& settings,
                           const SourceList& list, const Overlays& overlays, AfterPass* after_pass,
                           const RunResources& resources) {
  BatchRunResult result;
  const int count = static_cast<int>(list.size());
  // The bar counts finished entries, so its end is the entry count.
  run.events.set_progress(0, count);
  if (!run.questions.ask_yes_no(confirmation_question(settings.save_in_directory))) return result;
  result.confirmed = true;

  const BatchPlan plan = plan_batch(settings, list, shared_inputs(settings, overlays));
  result.workers = worker_count(resources.workers.value_or(settings.workers), list.size());
  result.memory_budget = memory_budget_bytes(resources, settings);
  OrderedReduce reduce(run.events, list, settings.usethumbnailgallery || settings.enableslicing);
  {
    Scheduler scheduler(run, settings, list, overlays, plan, result.workers, result.memory_budget,
                        reduce);
    scheduler.run();
    result.entries_done = scheduler.started();
    result.stopped = scheduler.stopped();
  }
  // An error no entry could absorb ends the run where it occurred, after the lines before it.
  if (reduce.failure()) std::rethrow_exception(reduce.failure());
  result.skipped = reduce.skipped();
  result.outputs = reduce.outputs();
  result.gallery = std::move(reduce.gallery());

  run.events.log("Batch Image Processing Completed");
  AfterPass nothing;
  AfterPass& after = after_pass ? *after_pass : nothing;
  if (settings.enableslicing && !settings.usethumbnailgallery) {
    run.events.log("Begin Image Slicing Procedure");
    after.slice_images(ws, run, settings, result.gallery);
  } else if (settings.usethumbnailgallery) {
    run.events.log("Begin Thumbnail Gallery Creation Process");
    after.create_gallery(ws, run, settings, result.gallery);
  }
  run.questions.inform("All Batch Image Processing Completed");
  return result;
}

void carry_start_number(Settings& settings, const BatchRunResult& result) {
  if (settings.resetstartnumber) return;
  const int64_t next = static_cast<int64_t>(settings.start_number) + result.entries_done;
  settings.start_number = static_cast<int32_t>(std::min<int64_t>(next, INT32_MAX));
}

}  // namespace lumatrix
