#include "cli/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/TickCount.h"

namespace {
constexpr int BarWidth = 30;
constexpr uint64_t RedrawMs = 100;
constexpr size_t MaxLabel = 40;
}  // namespace

TProgressBar::TProgressBar(std::string label, bool enabled)
    : FLabel(std::move(label)), FEnabled(enabled && isatty(STDERR_FILENO) == 1) {
  if (FLabel.size() > MaxLabel) FLabel = "..." + FLabel.substr(FLabel.size() - MaxLabel + 3);
}

TProgressBar::~TProgressBar() {
  if (FDrawn) std::fprintf(stderr, "\r\033[K");
}

void TProgressBar::Update(double fraction) {
  if (!FEnabled) return;
  const uint64_t now = GetTickCount64();
  if (FDrawn && now - FLastDrawMs < RedrawMs) return;
  FLastDrawMs = now;
  Draw(std::clamp(fraction, 0.0, 1.0));
}

void TProgressBar::Draw(double fraction) {
  const int filled = static_cast<int>(fraction * BarWidth);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(BarWidth - filled), '.');
  std::fprintf(stderr, "\r[%s] %3d%% %s", bar.c_str(), static_cast<int>(fraction * 100), FLabel.c_str());
  std::fflush(stderr);
  FDrawn = true;
}
