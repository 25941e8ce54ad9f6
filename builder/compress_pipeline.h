// Compresses the files of a listing and hands the blobs out one per file, in
// listing order. Files are added as they are listed, and the threads start
// on a group as soon as it is complete, while the listing goes on; Close
// ends the listing. Consecutive small files travel together as one work item
// of up to groupBytes, so that a hand-off between threads is paid per group
// rather than per file; a file of groupBytes or more is an item of its own.
// Memory stays bounded: an item is only started while few enough items, and
// few enough of their bytes, wait ahead of the one being written, and a file
// larger than the one-shot limit is not compressed here at all: Next tells
// the caller to stream it (BlobCompressor::StreamFile) into the package.
// With one thread nothing is handed off: Next compresses each item itself
// when it reaches it.
//
// Add and Close are called on one thread, the one that calls Next, and
// Next only after Close.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "builder/blob_compressor.h"

namespace builder {

struct CompressJob {
  std::filesystem::path path;
  std::uint64_t size = 0;  // expected size, for grouping and the memory bound
};

struct CompressSettings {
  int threads = 1;  // at least 1
  int level = kDefaultLevel;
  std::uint64_t maxFileSize = PKG_MAX_RAW_LENGTH;
  // Bytes of source files that may be in flight at once (a single larger
  // item still goes through, alone).
  std::uint64_t memoryBudget = 64u << 20;
  // Larger files are streamed by the caller.
  std::uint64_t oneShotLimit = kOneShotLimit;
  std::uint64_t groupBytes = 256 * 1024;
};

class CompressPipeline {
 public:
  static constexpr std::size_t kGroupFiles = 256;  // also bounds a group of empty files

  explicit CompressPipeline(const CompressSettings& settings);
  // Stops the workers and waits for them.
  ~CompressPipeline();
  CompressPipeline(const CompressPipeline&) = delete;
  CompressPipeline& operator=(const CompressPipeline&) = delete;

  // The next file of the listing.
  void Add(CompressJob job);
  // The listing is complete: the last group may start.
  void Close();

  // The blob of the next job in listing order (empty for an empty file), or
  // *streamed set for a file the caller is to stream itself; false with
  // *error when that file failed.
  bool Next(std::vector<std::uint8_t>& blob, bool& streamed, std::string& error);

  // Seconds the workers spent waiting for room in the window, all together:
  // time in which a core could have compressed but the writer was behind.
  double WaitSeconds();

 private:
  struct Slot {
    bool ok = false;
    std::vector<std::uint8_t> blob;
    std::string error;
  };
  // Consecutive jobs of the listing, compressed by one thread in one go.
  // Once sealed (it takes no more jobs) only the thread compressing it
  // writes to it, until it is done.
  struct Item {
    std::vector<CompressJob> jobs;
    std::vector<Slot> slots;  // one per job, read by Next once the item is done
    std::uint64_t bytes = 0;
    bool done = false;
    bool streamed = false;  // one file, left to the caller
  };
  void Work();
  // Fills the slots of the item's jobs; stops at the first file that fails.
  void Compress(Item& item, BlobCompressor& compressor);
  bool MayStart(std::size_t item) const;

  CompressSettings settings_;
  std::size_t window_;                             // items started ahead of the one being handed out
  std::unique_ptr<BlobCompressor> ownCompressor_;  // one thread: Next compresses with it
  std::mutex mutex_;
  std::condition_variable startable_;  // workers wait here for room or for a sealed item
  std::condition_variable finished_;   // Next waits here for its item
  std::deque<Item> items_;             // references stay valid while items are added
  std::size_t sealed_ = 0;             // items [0, sealed_) take no more jobs
  bool closed_ = false;
  std::size_t nextToStart_ = 0;  // item
  std::size_t handItem_ = 0;     // item being handed out
  std::size_t handJob_ = 0;      // its next job
  std::uint64_t bytesInFlight_ = 0;
  std::atomic<bool> stop_{false};
  double waitSeconds_ = 0;
  std::vector<std::thread> workers_;
};

}  // namespace builder
