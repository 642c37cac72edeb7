// zorscale's scale shared by Python threads: one paints while another edits, as two Python threads
// do when a paint lets go of the interpreter's lock. The paint keeps the snapshot it paints with;
// it paints with the old scale or the new one, never with one taken away.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "python/PythonScale.h"

namespace {

TEST(PythonScaleThreads, APaintKeepsItsSnapshotWhileAnotherThreadEdits) {
  setenv("ZOR_MODULE_PATH", ZOR_MODULE_PATH, 1);
  std::vector<double> values(100000);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = std::sin(0.001 * static_cast<double>(i)) * 5.0;
  ZORPythonScale scale(9);
  scale.Fit(values);
  std::mutex interpreter;  // stands for Python's global lock, which a paint lets go of
  std::atomic<bool> painting{true};
  std::thread painter([&] {
    std::vector<std::uint8_t> colors(4 * values.size());
    std::vector<std::int32_t> blocks(values.size());
    for (int round = 0; round < 12; ++round) {
      std::shared_ptr<const ZORScaleSnapshot> snapshot;
      {
        const std::lock_guard held(interpreter);
        snapshot = scale.Snapshot();
      }
      ZORPaintArray(snapshot->Definition(), snapshot->Painter(), values.data(), values.size(), colors.data(),
                    blocks.data(), 2);
      const int lastBlock = snapshot->Blocks();
      for (std::int32_t block : blocks) ASSERT_TRUE(block >= 1 && block <= lastBlock) << block;
    }
    painting = false;
  });
  const char* presets[] = {"viridis", "turbo", "RdBu", "default"};
  for (int edit = 0; painting; ++edit) {
    {
      const std::lock_guard held(interpreter);
      scale.ImposePreset(presets[edit % 4]);
      scale.Fit(values);
      scale.Classify(values, edit % 2 == 0 ? "quantile" : "equal");
      scale.ImposeRange(-4.0 - edit % 3, 4.0);
    }
    // As Python hands its lock on between threads: a lock taken again at once would starve the
    // painter (under ThreadSanitizer, for minutes).
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  painter.join();
}

}  // namespace
