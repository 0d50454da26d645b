#include "import_progress.h"

#include <algorithm>
#include <cinttypes>

#include "terminal.h"

namespace zav::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr double kRedrawSeconds = 0.1;
constexpr double kMegabyte = 1e6;

}  // namespace

std::string clockText(double seconds) {
  const auto total = static_cast<uint64_t>(std::max(seconds, 0.0) + 0.5);
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%" PRIu64 ":%02u:%02u", total / 3600,
                  static_cast<unsigned>(total / 60 % 60), static_cast<unsigned>(total % 60));
  } else {
    std::snprintf(text, sizeof text, "%u:%02u", static_cast<unsigned>(total / 60),
                  static_cast<unsigned>(total % 60));
  }
  return text;
}

ImportDisplay::ImportDisplay(std::FILE* out)
    : out_(out), terminal_(enableAnsi(out)), start_(std::chrono::steady_clock::now()) {}

double ImportDisplay::seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ImportDisplay::show(const ImportStatus& status) {
  last_ = status;
  if (!terminal_) return;
  const double elapsed = seconds();
  if (drawn_ && elapsed - lastDraw_ < kRedrawSeconds && status.blocksDone < status.blockCount) return;
  lastDraw_ = elapsed;
  const double fraction =
      status.blockCount > 0
          ? std::min(1.0, static_cast<double>(status.blocksDone) / static_cast<double>(status.blockCount))
          : 1.0;
  const int filled = static_cast<int>(fraction * kBarWidth);
  const double rate = elapsed > 0.0 ? static_cast<double>(status.bytesDone) / elapsed : 0.0;
  const double left = rate > 0.0 ? static_cast<double>(status.bytesTotal - status.bytesDone) / rate : 0.0;
  std::fprintf(out_, "\r[%s%s] %3d%%  %" PRIu64 " of %" PRIu64 " blocks  %.1f MB/s  %s left\x1b[K",
               std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kBarWidth - filled), '.').c_str(),
               static_cast<int>(fraction * 100.0), status.blocksDone,
               std::max(status.blocksDone, status.blockCount), rate / kMegabyte, clockText(left).c_str());
  std::fflush(out_);
  drawn_ = true;
}

void ImportDisplay::finish(bool converted, const std::string& record, const std::string& output,
                           std::FILE* summaryOut) {
  if (drawn_) {
    std::fprintf(out_, "\n");
    std::fflush(out_);
  }
  const double elapsed = seconds();
  const double megabytes = static_cast<double>(last_.bytesDone) / kMegabyte;
  std::fprintf(summaryOut, "%s %s: %" PRIu64 " blocks, %.1f MB in %.1f s (%.1f MB/s) into %s\n",
               converted ? "converted" : "incomplete", record.c_str(), last_.blocksDone, megabytes, elapsed,
               elapsed > 0.0 ? megabytes / elapsed : 0.0, output.c_str());
  std::fflush(summaryOut);
}

}  // namespace zav::cli
