#include "builder/progress_bar.h"

#include <cstdio>
#include <string>

namespace builder {

namespace {
constexpr int kWidth = 40;
}

ProgressBar::ProgressBar(bool enabled) : enabled_(enabled), start_(Clock::now()) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(std::uint64_t done, std::uint64_t total) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < std::chrono::seconds(1)) return;
  if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100) && done < total) return;
  lastDraw_ = now;
  drawn_ = true;
  const double fraction = total ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
  const int filled = static_cast<int>(fraction * kWidth);
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds / 1e6 : 0.0;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kWidth - filled), '.');
  std::fprintf(stderr, "\r[%s] %3d%%  %.1f MB/s ", bar.c_str(), static_cast<int>(fraction * 100), rate);
  std::fflush(stderr);
}

void ProgressBar::Finish() {
  if (!drawn_) return;
  drawn_ = false;
  std::fprintf(stderr, "\r%*s\r", kWidth + 24, "");
  std::fflush(stderr);
}

}  // namespace builder
