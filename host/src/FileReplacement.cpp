#include "zor/ZORFileReplacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "Seam.h"

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TemporaryPrefix(const std::string& name) { return "." + name + ".tmp-"; }

std::string Token() {
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device entropy;
  std::string token;
  for (int i = 0; i < 12; ++i) token += kDigits[entropy() % (sizeof kDigits - 1)];
  return token;
}

bool IsAlphanumeric(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The process id of a temporary of `name`: the whole file name is "." NAME ".tmp-" PID "-" TOKEN,
// the token letters and digits only. 0 for any other file.
long TemporaryOwner(const std::string& file, const std::string& name) {
  const std::string prefix = TemporaryPrefix(name);
  if (file.compare(0, prefix.size(), prefix) != 0) return 0;
  std::size_t at = prefix.size();
  long pid = 0;
  const std::size_t digits = at;
  while (at < file.size() && file[at] >= '0' && file[at] <= '9' && at - digits < 10) {
    pid = pid * 10 + (file[at++] - '0');
  }
  if (at == digits || at >= file.size() || file[at] != '-') return 0;
  if (++at == file.size()) return 0;
  for (; at < file.size(); ++at) {
    if (!IsAlphanumeric(file[at])) return 0;
  }
  return pid;
}

std::string SystemError() { return std::strerror(errno); }

}  // namespace

ZORFileReplacement::ZORFileReplacement(std::string path) : path_(std::move(path)) {}

ZORFileReplacement::~ZORFileReplacement() {
  if (fd_ >= 0) close(fd_);
  if (!temporary_.empty() && !renamed_) unlink(temporary_.c_str());
}

bool ZORFileReplacement::Open(std::string& error) {
  temporary_ = FolderOf(path_) + "/" + TemporaryPrefix(NameOf(path_)) +
               std::to_string(getpid()) + "-" + Token();
  fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    error = "creating the temporary file: " + SystemError();
    temporary_.clear();
    return false;
  }
  // 0600 whatever the umask, until the file is complete.
  if (fchmod(fd_, 0600) != 0) {
    error = "setting the temporary file's mode: " + SystemError();
    return false;
  }
  return true;
}

bool ZORFileReplacement::Write(std::string_view bytes, std::string& error) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t put = write(fd_, bytes.data() + written, bytes.size() - written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      error = "writing: " + (put < 0 ? SystemError() : std::string("nothing was written"));
      return false;
    }
    written += static_cast<std::size_t>(put);
  }
  return true;
}

bool ZORFileReplacement::Close(bool sync, mode_t mode, std::string& error) {
  if (sync && fsync(fd_) != 0) {
    error = "syncing the temporary file: " + SystemError();
    return false;
  }
  if (fchmod(fd_, mode) != 0) {
    error = "setting the file's mode: " + SystemError();
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) {
    error = "closing the temporary file: " + SystemError();
    return false;
  }
  return true;
}

bool ZORFileReplacement::Rename(std::string& error) {
  if (ZORHostCallFails(ZORHostCall::RenameFile, path_.c_str())) {
    error = "renaming: refused by the host";
    return false;
  }
  if (rename(temporary_.c_str(), path_.c_str()) != 0) {
    error = "renaming: " + SystemError();
    return false;
  }
  renamed_ = true;
  return true;
}

void ZORFileReplacement::SyncFolder() {
  if (const int folder = open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      folder >= 0) {
    fsync(folder);
    close(folder);
  }
}

void ZORRemoveStaleTemporariesOf(const std::string& path) {
  ZORRemoveStaleTemporaries(FolderOf(path), NameOf(path));
}

void ZORRemoveStaleTemporaries(const std::string& folder, const std::string& name) {
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) return;
  while (dirent* entry = readdir(directory)) {
    const long pid = TemporaryOwner(entry->d_name, name);
    if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      unlinkat(dirfd(directory), entry->d_name, 0);
    }
  }
  closedir(directory);
}

mode_t ZORDefaultFileMode() {
  // The umask as the kernel reports it: reading it with umask() would change it for a moment.
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      return static_cast<mode_t>(0666 & ~std::strtol(line.c_str() + 6, nullptr, 8));
    }
  }
  return 0644;
}
