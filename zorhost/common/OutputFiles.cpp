#include "zorhost/common/OutputFiles.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "zor/ZORFileReplacement.h"
#include "zor/ZORText.h"

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISREG(mode) || S_ISLNK(mode)) return "";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  return "not a regular file";
}

// Where a file is, as far as it can be told: its path with links and `.`/`..` resolved (the
// folder's, for a file that does not exist yet) and, when it exists, its device and inode, of
// the name itself and of what a link leads to.
struct Identity {
  std::string resolved;
  std::vector<std::pair<dev_t, ino_t>> inodes;
};

std::string Resolved(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  const fs::path whole = fs::weakly_canonical(absolute, error);
  return error ? absolute.lexically_normal().string() : whole.string();
}

Identity IdentityOf(const std::string& path) {
  Identity identity;
  identity.resolved = Resolved(path);
  struct stat status {};
  if (lstat(path.c_str(), &status) == 0) identity.inodes.emplace_back(status.st_dev, status.st_ino);
  if (stat(path.c_str(), &status) == 0) identity.inodes.emplace_back(status.st_dev, status.st_ino);
  return identity;
}

bool SameFile(const Identity& a, const Identity& b) {
  if (a.resolved == b.resolved) return true;
  for (const auto& inode : a.inodes) {
    for (const auto& other : b.inodes) {
      if (inode == other) return true;
    }
  }
  return false;
}

std::string Shown(const ZORNamedFile& file) { return file.role + " '" + ZORPrintable(file.path) + "'"; }

}  // namespace

std::string ZORFileKindOf(unsigned mode) { return KindOf(static_cast<mode_t>(mode)); }

std::string ZORIrregularFileKind(const std::string& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) return {};
  return KindOf(status.st_mode);
}

ZOROutcome ZORCheckFilePlan(const std::vector<ZORNamedFile>& outputs, const std::vector<ZORNamedFile>& inputs) {
  std::vector<Identity> written;
  for (const ZORNamedFile& output : outputs) {
    const std::size_t slash = output.path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : output.path.substr(0, slash);
    struct stat status {};
    if (!output.makesFolder && (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))) {
      return ZORBadInput(Shown(output) + ": there is no folder '" + ZORPrintable(folder) + "' to write it in");
    }
    if (const std::string kind = ZORIrregularFileKind(output.path); !kind.empty()) {
      return ZORBadInput(Shown(output) + " is " + kind + ", not a file that can be replaced");
    }
    const Identity identity = IdentityOf(output.path);
    for (std::size_t before = 0; before < written.size(); ++before) {
      if (SameFile(identity, written[before])) {
        return ZORBadInput(Shown(output) + " is the same file as " + Shown(outputs[before]) +
               ": one would overwrite the other");
      }
    }
    for (const ZORNamedFile& input : inputs) {
      if (SameFile(identity, IdentityOf(input.path))) {
        return ZORBadInput(Shown(output) + " is " + Shown(input) + ", which would be overwritten");
      }
    }
    written.push_back(identity);
  }
  return std::nullopt;
}

namespace {

// A file about to be replaced: its new contents under a temporary name, and a second name for
// its old contents until every file is in place.
struct Replacement {
  explicit Replacement(const std::string& path) : file(path), keep(path) {}
  ZORFileReplacement file;
  ZORFileReplacement keep;  // only its temporary name is used, as a hard link to the old file
  bool existed = false;
};

}  // namespace

ZOROutcome ZORWriteFilesWhole(const std::vector<std::pair<std::string, std::string>>& files) {
  // Nothing is touched until every destination is known to be replaceable.
  for (const auto& [path, contents] : files) {
    if (const std::string kind = ZORIrregularFileKind(path); !kind.empty()) {
      return ZORFailure("cannot write '" + ZORPrintable(path) + "': it is " + kind);
    }
  }
  std::vector<std::unique_ptr<Replacement>> replacements;
  std::string problem;
  for (const auto& [path, contents] : files) {
    ZORRemoveStaleTemporariesOf(path);
    auto& replacement = *replacements.emplace_back(std::make_unique<Replacement>(path));
    if (!replacement.file.Open(problem) || !replacement.file.Write(contents, problem) ||
        !replacement.file.Close(true, ZORDefaultFileMode(), problem)) {
      return ZORFailure("cannot write '" + path + "': " + problem);
    }
  }
  // The old files keep a second name, so that a rename that fails can undo those before it.
  for (auto& replacement : replacements) {
    const std::string& path = replacement->file.Path();
    struct stat status {};
    replacement->existed = lstat(path.c_str(), &status) == 0;
    if (!replacement->existed) continue;
    if (!replacement->keep.Open(problem) || !replacement->keep.Close(false, 0600, problem) ||
        unlink(replacement->keep.TemporaryPath().c_str()) != 0 ||
        link(path.c_str(), replacement->keep.TemporaryPath().c_str()) != 0) {
      return ZORFailure("cannot write '" + path + "': cannot keep the old file until the new one is in " +
              "place: " + (problem.empty() ? std::strerror(errno) : problem));
    }
  }
  for (std::size_t i = 0; i < replacements.size(); ++i) {
    if (replacements[i]->file.Rename(problem)) continue;
    const std::string failed = "cannot write '" + replacements[i]->file.Path() + "': " + problem;
    for (std::size_t j = 0; j < i; ++j) {
      const Replacement& done = *replacements[j];
      if (done.existed) {
        rename(done.keep.TemporaryPath().c_str(), done.file.Path().c_str());
      } else {
        unlink(done.file.Path().c_str());
      }
    }
    return ZORFailure(failed);
  }
  return std::nullopt;
}
