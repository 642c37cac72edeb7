// Replays a fuzz target's corpus as an ordinary test: every file of the folders named on the
// command line goes through the target once.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/FuzzSupport.h"

int main(int argc, char** argv) {
  LLVMFuzzerInitialize(&argc, &argv);
  long replayed = 0;
  for (int a = 1; a < argc; ++a) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(argv[a])) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  std::printf("replayed %ld inputs\n", replayed);
  return replayed > 0 ? 0 : 1;
}
