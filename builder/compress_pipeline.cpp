#include "builder/compress_pipeline.h"

#include <algorithm>
#include <new>

#include "builder/file_blob.h"
#include "builder/path_text.h"

namespace builder {

CompressPipeline::CompressPipeline(std::vector<CompressJob> jobs, int threads, std::uint64_t maxFileSize,
                                   std::uint64_t memoryBudget)
    : jobs_(std::move(jobs)),
      slots_(jobs_.size()),
      maxFileSize_(maxFileSize),
      memoryBudget_(memoryBudget),
      window_(std::max<std::size_t>(64, static_cast<std::size_t>(threads < 1 ? 1 : threads) * 16)) {
  int count = threads < 1 ? 1 : threads;
  if (static_cast<std::size_t>(count) > jobs_.size()) count = static_cast<int>(jobs_.size());
  for (int i = 0; i < count; ++i) workers_.emplace_back(&CompressPipeline::Work, this);
}

CompressPipeline::~CompressPipeline() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  startable_.notify_all();
  for (std::thread& t : workers_) t.join();
}

bool CompressPipeline::MayStart(std::size_t index) const {
  if (index == nextToHand_) return true;  // nothing ahead of it: always room
  return index - nextToHand_ < window_ && bytesInFlight_ + jobs_[index].size <= memoryBudget_;
}

void CompressPipeline::Work() {
  for (;;) {
    std::size_t index;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const auto waitStart = std::chrono::steady_clock::now();
      startable_.wait(lock, [&] { return stop_ || nextToStart_ == jobs_.size() || MayStart(nextToStart_); });
      if (stop_ || nextToStart_ == jobs_.size()) return;
      waitSeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - waitStart).count();
      index = nextToStart_++;
      bytesInFlight_ += jobs_[index].size;
    }
    Slot result;
    try {
      result.ok = MakeFileBlob(jobs_[index].path, maxFileSize_, result.blob, result.error);
    } catch (const std::bad_alloc&) {
      result.ok = false;
      result.blob.clear();
      result.error = PathToUtf8(jobs_[index].path) + ": not enough memory to compress it";
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      result.done = true;
      slots_[index] = std::move(result);
    }
    finished_.notify_all();
  }
}

double CompressPipeline::WaitSeconds() {
  std::lock_guard<std::mutex> lock(mutex_);
  return waitSeconds_;
}

bool CompressPipeline::Next(std::vector<std::uint8_t>& blob, std::string& error) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (nextToHand_ >= jobs_.size()) {
    error = "no more files to compress";
    return false;
  }
  const std::size_t index = nextToHand_;
  finished_.wait(lock, [&] { return slots_[index].done; });
  Slot& slot = slots_[index];
  const bool ok = slot.ok;
  blob = std::move(slot.blob);
  error = std::move(slot.error);
  slot.blob = {};
  bytesInFlight_ -= jobs_[index].size;
  ++nextToHand_;
  lock.unlock();
  startable_.notify_all();
  return ok;
}

}  // namespace builder
