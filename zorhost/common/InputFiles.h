// The files a job reads, then read a chunk at a time, or whole up to a limit. A file read whole
// must be a regular file; a stream (a pipe, a FIFO, a device) may be read a chunk at a time by a
// reader that bounds what it keeps. Opening never waits: a FIFO without a writer is not waited on.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "zorhost/common/Outcome.h"

// What a reader takes: regular files only, or streams too.
enum class ZORInputKind { RegularFile, FileOrStream };

// Hands each chunk of the file at `path` to `take`, in order, until the end or until `take`
// returns false. A problem naming the file when it cannot be opened or read, or is not of `kind`.
ZOROutcome ZORReadChunks(const std::string& path, ZORInputKind kind,
                         const std::function<bool(std::string_view chunk)>& take);

// The whole text of the file at `path`, refused (too large) past `limit` bytes; `what` says what
// the file should be, for that message ("a color scale").
ZOROutcome ZORReadWholeFile(const std::string& path, std::size_t limit, const char* what, std::string& text);
