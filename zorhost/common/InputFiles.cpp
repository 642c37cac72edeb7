#include "zorhost/common/InputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "zor/ZORText.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/common/OutputFiles.h"

namespace {

// An open file, closed on every path.
class OpenFile {
 public:
  explicit OpenFile(int descriptor) : descriptor_(descriptor) {}
  ~OpenFile() {
    if (descriptor_ >= 0) close(descriptor_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int Descriptor() const { return descriptor_; }

 private:
  int descriptor_;
};

std::string CannotBeRead(const std::string& path, int error) {
  return ZORPrintable(path) + ": cannot be read: " + std::strerror(error);
}

// Opens without waiting for a writer (a FIFO's open would block), then refuses what `kind` does
// not take; a stream is read waiting for its data, as a pipe is.
ZOROutcome Open(const std::string& path, ZORInputKind kind, int& descriptor) {
  descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return ZORBadInput(CannotBeRead(path, errno));
  struct stat status {};
  if (fstat(descriptor, &status) != 0) return ZORBadInput(CannotBeRead(path, errno));
  const bool stream = S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode) || S_ISSOCK(status.st_mode);
  if (!S_ISREG(status.st_mode) && !(stream && kind == ZORInputKind::FileOrStream)) {
    return ZORBadInput(ZORPrintable(path) + ": is " + ZORFileKindOf(status.st_mode) + ", not a regular file");
  }
  fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  return std::nullopt;
}

}  // namespace

ZOROutcome ZORReadChunks(const std::string& path, ZORInputKind kind,
                         const std::function<bool(std::string_view chunk)>& take) {
  int descriptor = -1;
  const ZOROutcome opened = Open(path, kind, descriptor);
  const OpenFile file(descriptor);
  if (opened) return opened;
  std::vector<char> buffer(std::size_t{1} << 16);
  for (;;) {
    const ssize_t got = read(file.Descriptor(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ZORBadInput(CannotBeRead(path, errno));
    if (got == 0 || !take(std::string_view(buffer.data(), static_cast<std::size_t>(got)))) return std::nullopt;
  }
}

ZOROutcome ZORReadWholeFile(const std::string& path, std::size_t limit, const char* what, std::string& text) {
  std::string read;
  // Room for what the file holds now, so that a large file is not copied as the text grows.
  std::error_code unknown;
  if (const std::uintmax_t size = std::filesystem::file_size(path, unknown); !unknown) {
    read.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, limit)));
  }
  bool tooLarge = false;
  if (ZOROutcome problem = ZORReadChunks(path, ZORInputKind::RegularFile, [&](std::string_view chunk) {
        tooLarge = read.size() + chunk.size() > limit;
        if (!tooLarge) read.append(chunk);
        return !tooLarge;
      })) {
    return problem;
  }
  if (tooLarge) {
    return ZORProblem{ZORProblem::Kind::TooLarge,
                      ZORPrintable(path) + ": larger than " + ZORShownBytes(limit) + ", too large for " + what};
  }
  text = std::move(read);
  return std::nullopt;
}
