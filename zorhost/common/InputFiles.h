// The files a job reads: opened only when they are regular files (a FIFO would block the reader
// forever, a device could be endless), then read a chunk at a time, or whole up to a limit.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "zorhost/common/Outcome.h"

// Hands each chunk of the file at `path` to `take`, in order, until the end or until `take`
// returns false. A problem naming the file when it cannot be opened or read, or is not a
// regular file.
ZOROutcome ZORReadChunks(const std::string& path, const std::function<bool(std::string_view chunk)>& take);

// The whole text of the file at `path`, refused (too large) past `limit` bytes; `what` says what
// the file should be, for that message ("a color scale").
ZOROutcome ZORReadWholeFile(const std::string& path, std::size_t limit, const char* what, std::string& text);
