// Runs the zorhost program as a user does, in a folder, keeps what it printed, and reads what it
// left there.
#pragma once

#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ZORTestSupport.h"

struct ProgramRun {
  int status;
  std::string output;
  std::string errors;
};

// Runs zorhost with `arguments` (as a shell would split them) in `folder`.
inline ProgramRun Zorhost(const std::filesystem::path& folder, const std::string& arguments) {
  const std::filesystem::path errors = folder / "stderr.txt";
  const std::string command = "cd '" + folder.string() + "' && '" ZORHOST_PATH "' " + arguments +
                              " 2>'" + errors.string() + "'";
  ProgramRun run{};
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, got);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.errors = ReadWholeFile(errors.string());
  std::filesystem::remove(errors);
  return run;
}

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // empty when the file does not decode
};

inline Image Decode(const std::filesystem::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Image decoded;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return decoded;
  image.format = PNG_FORMAT_RGBA;
  decoded.rgba.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, decoded.rgba.data(), 0, nullptr)) {
    decoded.width = static_cast<int>(image.width);
    decoded.height = static_cast<int>(image.height);
  }
  return decoded;
}

// The names of the entries of `folder`, sorted.
inline std::vector<std::string> Files(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}
