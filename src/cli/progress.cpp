#include "cli/progress.h"

#include <algorithm>
#include <cstdio>

#include "convert/convert.h"

namespace veltrix::cli {

std::string FormatBytes(std::int64_t bytes) {
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  char text[32];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(bytes));
    return text;
  }
  double value = static_cast<double>(bytes) / 1024.0;
  std::size_t unit = 0;
  while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
    value /= 1024.0;
    ++unit;
  }
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string FormatProgressLine(const ProgressSnapshot& s, double elapsedSeconds) {
  constexpr int kBarWidth = 20;
  const auto rate = [&](std::int64_t done) {
    if (elapsedSeconds <= 0) return std::string();
    return "  " +
           FormatBytes(static_cast<std::int64_t>(static_cast<double>(done) / elapsedSeconds)) +
           "/s";
  };
  if (!s.totalKnown) {
    char text[96];
    std::snprintf(text, sizeof text, "%zu/%zu files  %s", s.filesDone, s.files,
                  FormatBytes(s.bytesDone).c_str());
    return text + rate(s.bytesDone);
  }
  // A file that grew while it was read can push the count past its planned size.
  const std::int64_t done = std::min(s.bytesDone, s.bytesTotal);
  int percent = ProgressPercent(done, s.bytesTotal);
  if (s.bytesTotal == 0 && s.files > 0 && s.filesDone == s.files) percent = 100;
  const int filled = percent * kBarWidth / 100;

  std::string line = "[";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  char text[160];
  std::snprintf(text, sizeof text, "] %zu/%zu files  %s / %s  %3d%%", s.filesDone, s.files,
                FormatBytes(done).c_str(), FormatBytes(s.bytesTotal).c_str(), percent);
  return line + text + rate(done);
}

ProgressDisplay::ProgressDisplay(const ProgressCounters& counters, std::ostream& out,
                                 std::chrono::milliseconds interval)
    : counters_(counters), out_(out), interval_(interval), start_(std::chrono::steady_clock::now()),
      thread_([this] { Loop(); }) {}

ProgressDisplay::~ProgressDisplay() {
  Stop();
}

void ProgressDisplay::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ProgressDisplay::Draw(const std::string& line) {
  // Pad over the rest of a longer earlier line instead of relying on terminal escapes.
  std::string text = "\r" + line;
  if (line.size() < drawn_width_) text.append(drawn_width_ - line.size(), ' ');
  drawn_width_ = std::max(drawn_width_, line.size());
  out_ << text << std::flush;
}

void ProgressDisplay::Loop() {
  std::unique_lock lock(mutex_);
  // The first draw waits one interval: a batch that ends sooner leaves no trace.
  while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    Draw(FormatProgressLine(counters_.Sample(), elapsed.count()));
  }
  // Leave the line empty, so messages after the batch start in the first column.
  if (drawn_width_ > 0) {
    out_ << '\r' << std::string(drawn_width_, ' ') << '\r' << std::flush;
  }
}

} // namespace veltrix::cli
