// Runs the zorhost program as a user does, in a folder, and keeps what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

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
