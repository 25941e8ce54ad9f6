#include "builder/compress_pipeline.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "builder/path_text.h"

namespace builder {

CompressPipeline::CompressPipeline(std::vector<CompressJob> jobs, const CompressSettings& settings)
    : jobs_(std::move(jobs)), slots_(jobs_.size()), settings_(settings) {
  const int count = std::max(1, settings_.threads);
  const std::uint64_t groupBytes = settings_.groupBytes;
  window_ = std::max<std::size_t>(16, static_cast<std::size_t>(count) * 4);
  bool open = false;  // the last item is a group that may take more files
  for (std::size_t j = 0; j < jobs_.size(); ++j) {
    const std::uint64_t size = jobs_[j].size;
    if (size > settings_.oneShotLimit) {
      // Nothing to compress here and nothing held: done from the start.
      items_.push_back({j, j + 1, 0, true, true});
      open = false;
      continue;
    }
    if (size >= groupBytes) {
      items_.push_back({j, j + 1, size, false, false});
      open = false;
      continue;
    }
    if (open && (items_.back().bytes + size > groupBytes || items_.back().end - items_.back().first >= kGroupFiles)) {
      open = false;
    }
    if (!open) {
      items_.push_back({j, j, 0, false, false});
      open = true;
    }
    items_.back().end = j + 1;
    items_.back().bytes += size;
  }
  if (count == 1) {
    ownCompressor_ = std::make_unique<BlobCompressor>(settings_.level);
    return;
  }
  const std::size_t workers = std::min(static_cast<std::size_t>(count), items_.size());
  for (std::size_t i = 0; i < workers; ++i) workers_.emplace_back(&CompressPipeline::Work, this);
}

CompressPipeline::~CompressPipeline() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  startable_.notify_all();
  for (std::thread& t : workers_) t.join();
}

bool CompressPipeline::MayStart(std::size_t item) const {
  // Nothing ahead of it: always room. A streamed item, done from the start,
  // may already have been handed out before any worker reached it.
  if (item <= handItem_) return true;
  return item - handItem_ < window_ && bytesInFlight_ + items_[item].bytes <= settings_.memoryBudget;
}

void CompressPipeline::Compress(const Item& item, BlobCompressor& compressor) {
  if (item.streamed) return;
  const std::uint64_t limit = std::min(settings_.oneShotLimit, settings_.maxFileSize);
  for (std::size_t j = item.first; j < item.end && !stop_; ++j) {
    Slot& slot = slots_[j];
    try {
      slot.ok = compressor.CompressFile(jobs_[j].path, jobs_[j].size, limit, slot.blob, slot.error);
    } catch (const std::bad_alloc&) {
      slot.ok = false;
      slot.blob = {};
      slot.error = PathToUtf8(jobs_[j].path) + ": not enough memory to compress it";
    }
    if (!slot.ok) return;  // the build stops here; the rest of the item is never asked for
  }
}

void CompressPipeline::Work() {
  BlobCompressor compressor(settings_.level);
  for (;;) {
    std::size_t index;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const auto waitStart = std::chrono::steady_clock::now();
      startable_.wait(lock, [&] { return stop_ || nextToStart_ == items_.size() || MayStart(nextToStart_); });
      if (stop_ || nextToStart_ == items_.size()) return;
      waitSeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - waitStart).count();
      index = nextToStart_++;
      bytesInFlight_ += items_[index].bytes;
    }
    Compress(items_[index], compressor);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      items_[index].done = true;
    }
    finished_.notify_all();
  }
}

double CompressPipeline::WaitSeconds() {
  std::lock_guard<std::mutex> lock(mutex_);
  return waitSeconds_;
}

bool CompressPipeline::Next(std::vector<std::uint8_t>& blob, bool& streamed, std::string& error) {
  streamed = false;
  if (nextToHand_ >= jobs_.size()) {
    error = "no more files to compress";
    return false;
  }
  Item& item = items_[handItem_];
  if (ownCompressor_) {
    if (!item.done) {
      Compress(item, *ownCompressor_);
      item.done = true;
    }
  } else {
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [&] { return item.done; });
  }
  Slot& slot = slots_[nextToHand_];
  streamed = item.streamed;
  const bool ok = slot.ok || streamed;
  blob = std::move(slot.blob);
  error = std::move(slot.error);
  if (!ok && error.empty()) error = PathToUtf8(jobs_[nextToHand_].path) + ": not compressed";
  slot = Slot();
  ++nextToHand_;
  if (nextToHand_ == item.end) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      bytesInFlight_ -= item.bytes;
      ++handItem_;
    }
    startable_.notify_all();
  }
  return ok;
}

}  // namespace builder
