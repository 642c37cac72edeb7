// A file replaced whole: the new contents go to a temporary file beside it, which is flushed,
// synced and renamed over the old file, so that a crash at any step leaves the old file or the
// new one, never a mixture.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "zor/ZORTypes.h"

class ZORHOST_API ZORFileReplacement {
 public:
  // The replacement of the file at `path` (its folder must exist).
  explicit ZORFileReplacement(std::string path);
  // A temporary that was never renamed is removed.
  ~ZORFileReplacement();
  ZORFileReplacement(const ZORFileReplacement&) = delete;
  ZORFileReplacement& operator=(const ZORFileReplacement&) = delete;

  // The steps, in order; each returns false with `error` saying why. The temporary is named
  // ".NAME.tmp-PID-TOKEN" with an unpredictable token, created new (never through a link that
  // someone planted) with mode 0600, whatever the umask.
  bool Open(std::string& error);
  bool Write(std::string_view bytes, std::string& error);
  // Syncs the temporary when `sync`, gives it `mode`, and closes it.
  bool Close(bool sync, mode_t mode, std::string& error);
  // Renames the temporary over the file.
  bool Rename(std::string& error);
  // Syncs the folder, so that the rename itself survives a crash.
  void SyncFolder();

  const std::string& Path() const { return path_; }
  const std::string& TemporaryPath() const { return temporary_; }

 private:
  std::string path_;
  std::string temporary_;
  int fd_ = -1;
  bool renamed_ = false;
};

// Removes, from `folder`, the temporaries of the file `name` whose process no longer runs; the
// temporaries of other files (whatever their names) and of live processes are left alone.
ZORHOST_API void ZORRemoveStaleTemporaries(const std::string& folder, const std::string& name);
// The same for the file at `path`.
ZORHOST_API void ZORRemoveStaleTemporariesOf(const std::string& path);

// The mode a new file gets from 0666 and the process's umask.
ZORHOST_API mode_t ZORDefaultFileMode();
