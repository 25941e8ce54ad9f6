// A one-line progress bar on stderr for builds that take more than a second;
// silent when stderr is not a terminal.
#pragma once

#include <chrono>
#include <cstdint>

namespace builder {

class ProgressBar {
 public:
  explicit ProgressBar(bool enabled);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(std::uint64_t done, std::uint64_t total);
  // Clears the line if anything was drawn.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  bool enabled_;
  bool drawn_ = false;
  Clock::time_point start_;
  Clock::time_point lastDraw_;
};

}  // namespace builder
