// For calls that could wait on themselves: runs work on another thread and gives up the whole
// test program if it does not come back, so that such a call fails the run instead of hanging it.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <utility>

namespace vek::testing {

template <typename Work>
auto WithoutHanging(Work work) {
  auto done = std::async(std::launch::async, std::move(work));
  if (done.wait_for(std::chrono::minutes(2)) != std::future_status::ready) {
    std::fprintf(stderr, "a call on its own session never returned\n");
    std::_Exit(3);
  }
  return done.get();
}

}  // namespace vek::testing
