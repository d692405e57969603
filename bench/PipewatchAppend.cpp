// How fast the monitor window appends debug lines, and what memory it holds at the end:
// 200,000 three-item messages delivered to the window offscreen, past the pane's bound
// of 100,000 lines, the event loop turning every 1,000 lines as it does between deliveries.
// Prints lines per second before and at the bound, and the process's peak resident memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "monitor/F_Pipewatch.h"
#include "monitor/PipewatchApplication.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  vek::monitor::PipewatchApplication application(argc, argv);
  vek::monitor::TFormPipewatch window;
  window.show();
  QApplication::processEvents();

  constexpr int kLines = 200000;
  const vek::TDateTime now = vek::EncodeDateTime({2026, 12, 9, 14, 5, 7, 0});
  const auto start = std::chrono::steady_clock::now();
  auto boundReached = start;
  for (int i = 0; i < kLines; ++i) {
    if (i == window.MaxLines()) boundReached = std::chrono::steady_clock::now();
    const vek::Variant info = vek::Variant::Array(
        0, {vek::Variant::FromDateTime(now), vek::Variant("SCOTT"),
            vek::Variant("step " + std::to_string(i) + " of the nightly batch job")});
    window.OraclePipeEventEvent(nullptr, "VEK_DEBUG#SCOTT", info);
    if (i % 1000 == 0) QApplication::processEvents();
    if ((i + 1) % 50000 == 0) {
      const double elapsed =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::printf("after %6d lines: %.2f s\n", i + 1, elapsed);
    }
  }
  QApplication::processEvents();
  const auto end = std::chrono::steady_clock::now();
  const double seconds = std::chrono::duration<double>(end - start).count();
  const double beforeBound = std::chrono::duration<double>(boundReached - start).count();
  const double atBound = std::chrono::duration<double>(end - boundReached).count();

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("lines appended:     %d\n", kLines);
  std::printf("lines kept:         %d (bound %d)\n", window.Memo->document()->blockCount(),
              window.MaxLines());
  std::printf("lines per second:   %.0f overall, %.0f below the bound, %.0f at the bound\n",
              kLines / seconds, window.MaxLines() / beforeBound,
              (kLines - window.MaxLines()) / atBound);
  std::printf("peak memory:        %.1f MiB\n", usage.ru_maxrss / 1024.0);
  return 0;
}
