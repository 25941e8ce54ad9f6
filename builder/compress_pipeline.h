// Compresses the files of a listing on several threads and hands the blobs
// out in listing order. Memory stays bounded: a file is only started while
// few enough files, and few enough of their bytes, wait ahead of the one
// being written.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace builder {

struct CompressJob {
  std::filesystem::path path;
  std::uint64_t size = 0;  // expected size, for the memory bound
};

class CompressPipeline {
 public:
  // threads >= 1; memoryBudget: bytes of source files that may be in flight
  // at once (a single larger file still goes through, alone).
  CompressPipeline(std::vector<CompressJob> jobs, int threads, std::uint64_t maxFileSize, std::uint64_t memoryBudget);
  // Stops the workers and waits for them.
  ~CompressPipeline();
  CompressPipeline(const CompressPipeline&) = delete;
  CompressPipeline& operator=(const CompressPipeline&) = delete;

  // The blob of the next job in listing order (empty for an empty file);
  // false with *error when that file failed.
  bool Next(std::vector<std::uint8_t>& blob, std::string& error);

  // Seconds the workers spent waiting for room in the window, all together:
  // time in which a core could have compressed but the writer was behind.
  double WaitSeconds();

 private:
  struct Slot {
    bool done = false;
    bool ok = false;
    std::vector<std::uint8_t> blob;
    std::string error;
  };
  void Work();
  bool MayStart(std::size_t index) const;

  std::vector<CompressJob> jobs_;
  std::vector<Slot> slots_;
  std::uint64_t maxFileSize_;
  std::uint64_t memoryBudget_;
  std::size_t window_;
  std::mutex mutex_;
  std::condition_variable startable_;  // workers wait here for room
  std::condition_variable finished_;   // Next waits here for its slot
  std::size_t nextToStart_ = 0;
  std::size_t nextToHand_ = 0;
  std::uint64_t bytesInFlight_ = 0;
  bool stop_ = false;
  double waitSeconds_ = 0;
  std::vector<std::thread> workers_;
};

}  // namespace builder
