#include "builder/compress_pipeline.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "builder/path_text.h"

namespace builder {

CompressPipeline::CompressPipeline(const CompressSettings& settings) : settings_(settings) {
  const int count = std::max(1, settings_.threads);
  // The bytes in flight are what bounds memory; the count only keeps a
  // run of empty files from being started all at once.
  window_ = std::max<std::size_t>(64, static_cast<std::size_t>(count) * 16);
  if (count == 1) {
    ownCompressor_ = std::make_unique<BlobCompressor>(settings_.level);
    return;
  }
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

void CompressPipeline::Add(CompressJob job) {
  const std::uint64_t size = job.size;
  bool sealed = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool open = sealed_ < items_.size();
    const bool alone = size > settings_.oneShotLimit || size >= settings_.groupBytes;
    if (open &&
        (alone || items_.back().bytes + size > settings_.groupBytes || items_.back().jobs.size() >= kGroupFiles)) {
      sealed_ = items_.size();
      sealed = true;
    }
    if (alone || !open || sealed) items_.emplace_back();
    Item& item = items_.back();
    item.jobs.push_back(std::move(job));
    item.slots.emplace_back();
    if (size > settings_.oneShotLimit) {
      // Nothing to compress here and nothing held: done from the start.
      item.done = item.streamed = true;
    } else {
      item.bytes += size;
    }
    if (alone) {
      sealed_ = items_.size();
      sealed = true;
    }
  }
  if (sealed) startable_.notify_all();
}

void CompressPipeline::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sealed_ = items_.size();
    closed_ = true;
  }
  startable_.notify_all();
}

bool CompressPipeline::MayStart(std::size_t item) const {
  if (item >= sealed_) return false;
  // Nothing ahead of it: always room. A streamed item, done from the start,
  // may already have been handed out before any worker reached it.
  if (item <= handItem_) return true;
  return item - handItem_ < window_ && bytesInFlight_ + items_[item].bytes <= settings_.memoryBudget;
}

void CompressPipeline::Compress(Item& item, BlobCompressor& compressor) {
  if (item.streamed) return;
  const std::uint64_t limit = std::min(settings_.oneShotLimit, settings_.maxFileSize);
  for (std::size_t j = 0; j < item.jobs.size() && !stop_; ++j) {
    Slot& slot = item.slots[j];
    const CompressJob& job = item.jobs[j];
    try {
      slot.ok = compressor.CompressFile(job.path, job.size, limit, slot.blob, slot.error);
    } catch (const std::bad_alloc&) {
      slot.ok = false;
      slot.blob = {};
      slot.error = PathToUtf8(job.path) + ": not enough memory to compress it";
    }
    if (!slot.ok) return;  // the build stops here; the rest of the item is never asked for
  }
}

void CompressPipeline::Work() {
  BlobCompressor compressor(settings_.level);
  for (;;) {
    Item* item;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const auto waitStart = std::chrono::steady_clock::now();
      // Waiting for the listing to complete an item is not waiting for the writer.
      const bool listed = nextToStart_ < sealed_;
      const auto listedAll = [&] { return closed_ && nextToStart_ == items_.size(); };
      startable_.wait(lock, [&] { return stop_ || listedAll() || MayStart(nextToStart_); });
      if (stop_ || listedAll()) return;
      if (listed) waitSeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - waitStart).count();
      item = &items_[nextToStart_++];
      bytesInFlight_ += item->bytes;
    }
    Compress(*item, compressor);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      item->done = true;
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
  Item* item;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!closed_ || handItem_ >= items_.size()) {
      error = closed_ ? "no more files to compress" : "the listing is not complete";
      return false;
    }
    item = &items_[handItem_];
    if (!ownCompressor_) finished_.wait(lock, [&] { return item->done; });
  }
  if (ownCompressor_ && !item->done) {
    Compress(*item, *ownCompressor_);
    item->done = true;
  }
  Slot& slot = item->slots[handJob_];
  streamed = item->streamed;
  const bool ok = slot.ok || streamed;
  blob = std::move(slot.blob);
  error = std::move(slot.error);
  if (!ok && error.empty()) error = PathToUtf8(item->jobs[handJob_].path) + ": not compressed";
  slot = Slot();
  if (++handJob_ == item->jobs.size()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      bytesInFlight_ -= item->bytes;
      ++handItem_;
      handJob_ = 0;
      item->jobs = {};
      item->slots = {};
    }
    startable_.notify_all();
  }
  return ok;
}

}  // namespace builder
