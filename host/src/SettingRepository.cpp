// Settings repositories kept as files: reading, the registry of open repositories, and saves that
// never lose the previous file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <type_traits>

#include "Seam.h"
#include "zor/ZORFileReplacement.h"
#include "SettingsInternal.h"
#include "zor/ZORSettingRepository.h"

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, std::unique_ptr<ZORSettingRepository>> repositories;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

void Complain(const std::string& message) {
  std::fprintf(stderr, "zor settings: %s\n", message.c_str());
}

std::string SystemError(int error) { return std::strerror(error); }

enum class ReadOutcome { Read, Missing, Failed };

// Reads the whole file without following a symbolic link.
ReadOutcome ReadFile(const std::string& path, std::string& text, std::string& problem) {
  // Without blocking: a FIFO planted at the path would stop the reader until someone writes.
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return ReadOutcome::Missing;
    problem = errno == ELOOP ? "it is a symbolic link, which is not followed" : SystemError(errno);
    return ReadOutcome::Failed;
  }
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    problem = "it is not a regular file";
    return ReadOutcome::Failed;
  }
  if (status.st_size > ZORSettings::kMaximumFileSize) {
    close(fd);
    problem = "it is larger than 16 MiB";
    return ReadOutcome::Failed;
  }
  text.clear();
  char buffer[65536];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      problem = SystemError(errno);
      close(fd);
      return ReadOutcome::Failed;
    }
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
    if (static_cast<long>(text.size()) > ZORSettings::kMaximumFileSize) {
      problem = "it is larger than 16 MiB";
      close(fd);
      return ReadOutcome::Failed;
    }
  }
  close(fd);
  return ReadOutcome::Read;
}

// Creates the folder and its missing parents; folders it creates are 0700.
bool MakeFolder(const std::string& folder, std::string& problem) {
  for (std::size_t slash = 1; slash <= folder.size(); ++slash) {
    if (slash != folder.size() && folder[slash] != '/') continue;
    std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) == 0) {
      chmod(part.c_str(), 0700);
    } else if (errno != EEXIST) {
      problem = "cannot create the folder '" + part + "': " + SystemError(errno);
      return false;
    }
  }
  struct stat status {};
  if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    problem = "'" + folder + "' is not a folder";
    return false;
  }
  return true;
}

void SaveStep(const char* step) {
  if (ZORHostSeam* seam = ZORSeam::Installed()) seam->SaveStep(step);
}

bool SaveSyncs() {
  ZORHostSeam* seam = ZORSeam::Installed();
  return seam == nullptr || seam->SaveSyncs();
}

// Reads and parses the repository file at `path`: Missing when there is none; Failed with
// `problem` naming the file (and the line) when it cannot be read or does not parse.
ReadOutcome ReadRecord(const std::string& path, std::vector<ZORSettingEntry>& entries,
                       std::string& problem, std::vector<int>* lines = nullptr) {
  std::string text;
  const ReadOutcome outcome = ReadFile(path, text, problem);
  if (outcome == ReadOutcome::Failed) problem = "cannot read '" + path + "': " + problem;
  if (outcome != ReadOutcome::Read) return outcome;
  int line = 0;
  if (!ZORParseSettings(text, entries, line, problem, lines)) {
    problem = path + ":" + std::to_string(line) + ": " + problem;
    return ReadOutcome::Failed;
  }
  return ReadOutcome::Read;
}

}  // namespace

std::string ZORSettingsFolder() {
  if (const char* folder = std::getenv("ZOR_SETTINGS_DIR"); folder != nullptr && *folder != '\0') {
    return folder;
  }
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0') {
    return std::string(config) + "/zorhost/settings";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::string(home) + "/.config/zorhost/settings";
  }
  return {};
}

std::string ZORRepositoryPath(const std::string& name) { return ZORSettingsFolder() + "/" + name; }

int ZORReadRepositoryFile(const std::string& name, std::vector<ZORSettingEntry>& entries,
                          std::string& problem, std::vector<int>* lines) {
  entries.clear();
  if (std::string why = ZORCheckRepositoryName(name); !why.empty()) {
    problem = "repository name '" + ZORPrintable(name.substr(0, 64)) +
              "' refused: " + why;
    return -1;
  }
  const std::string folder = ZORSettingsFolder();
  if (folder.empty()) {
    problem = "no settings folder: set ZOR_SETTINGS_DIR, XDG_CONFIG_HOME or HOME";
    return -1;
  }
  switch (ReadRecord(folder + "/" + name, entries, problem, lines)) {
    case ReadOutcome::Missing:
      return 0;
    case ReadOutcome::Failed:
      return -1;
    case ReadOutcome::Read:
      break;
  }
  return 1;
}

ZORSettingRepository::ZORSettingRepository(std::string name, std::string path)
    : name_(std::move(name)), path_(std::move(path)) {}
ZORSettingRepository::~ZORSettingRepository() = default;

ZORSettingRepository* ZORSettingRepository::GetRepository(const char* name, int, AccessType,
                                                          ZORISysSettingController*) {
  if (ZORHostCallFails(ZORHostCall::GetRepository)) return nullptr;
  if (name == nullptr) {
    Complain("no repository name was given");
    return nullptr;
  }
  if (std::string why = ZORCheckRepositoryName(name); !why.empty()) {
    Complain("repository name '" + ZORPrintable(std::string(name).substr(0, 64)) +
             (std::strlen(name) > 64 ? "..." : "") + "' refused: " + why);
    return nullptr;
  }
  const std::string folder = ZORSettingsFolder();
  if (folder.empty()) {
    Complain("no settings folder: set ZOR_SETTINGS_DIR, XDG_CONFIG_HOME or HOME");
    return nullptr;
  }
  const std::string path = folder + "/" + name;

  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  std::unique_ptr<ZORSettingRepository>& repository = registry.repositories[path];
  // Writes not yet saved are never dropped by reading the file again.
  if (repository && repository->unsaved_) return repository.get();
  std::string problem;
  std::vector<ZORSettingEntry> entries;
  if (ReadRecord(path, entries, problem) == ReadOutcome::Failed) {
    Complain(problem + " (the file is left as it is)");
    return nullptr;
  }
  if (!repository) repository.reset(new ZORSettingRepository(name, path));
  repository->entries_ = std::move(entries);
  repository->formattedSize_ = ZORFormatSettings(repository->entries_).size();
  return repository.get();
}

ZORSettingEntry* ZORSettingRepository::Find(const char* key) {
  if (key == nullptr) return nullptr;
  auto found = std::find_if(entries_.begin(), entries_.end(),
                            [key](const ZORSettingEntry& e) { return e.key == key; });
  return found != entries_.end() ? &*found : nullptr;
}

ZORSettingEntry* ZORSettingRepository::Slot(const char* key) {
  if (ZORSettingEntry* existing = Find(key)) return existing;
  entries_.push_back({key, false, {}, {}});
  return &entries_.back();
}

namespace {

std::vector<int>& ValuesOf(ZORSettingEntry& entry, int*) { return entry.integers; }
std::vector<double>& ValuesOf(ZORSettingEntry& entry, double*) { return entry.doubles; }
const std::vector<int>& ValuesOf(const ZORSettingEntry& entry, int*) { return entry.integers; }
const std::vector<double>& ValuesOf(const ZORSettingEntry& entry, double*) { return entry.doubles; }

}  // namespace

template <class T>
HRESULT ZORSettingRepository::Write(const char* key, T* values, long count) {
  if (ZORHostCallFails(ZORHostCall::WriteSetting)) return E_FAIL;
  if (key == nullptr || !ZORSettings::CheckKey(key).empty() || count < 0 ||
      (count > 0 && values == nullptr)) {
    return E_INVALIDARG;
  }
  ZORSettingEntry replacement{key, std::is_same_v<T, double>, {}, {}};
  ValuesOf(replacement, values).assign(values, values + count);
  // The reader refuses a file above the limit: a write that would make one is refused first.
  const ZORSettingEntry* old = Find(key);
  const std::size_t size = formattedSize_ - (old != nullptr ? ZORSettings::FormatLine(*old).size() : 0) +
                           ZORSettings::FormatLine(replacement).size();
  if (size > static_cast<std::size_t>(ZORSettings::kMaximumFileSize)) {
    Complain("cannot store the key '" + std::string(key) + "' in '" + path_ +
             "': the repository would be larger than 16 MiB (nothing was stored)");
    return E_FAIL;
  }
  *Slot(key) = std::move(replacement);
  formattedSize_ = size;
  unsaved_ = true;
  return S_OK;
}

template <class T>
long ZORSettingRepository::Read(const char* key, T* values, long count) {
  if (ZORHostCallFails(ZORHostCall::ReadSetting)) return 0;
  const ZORSettingEntry* entry = Find(key);
  if (entry == nullptr || entry->isDouble != std::is_same_v<T, double> || values == nullptr ||
      count <= 0) {
    return 0;
  }
  const std::vector<T>& stored = ValuesOf(*entry, values);
  const long given = std::min<long>(count, static_cast<long>(stored.size()));
  std::copy_n(stored.begin(), given, values);
  return given;
}

HRESULT ZORSettingRepository::WriteSetting(const char* key, int* values, long count, int) {
  return Write(key, values, count);
}
HRESULT ZORSettingRepository::WriteSetting(const char* key, double* values, long count, int) {
  return Write(key, values, count);
}
long ZORSettingRepository::ReadSetting(const char* key, int* values, long count) {
  return Read(key, values, count);
}
long ZORSettingRepository::ReadSetting(const char* key, double* values, long count) {
  return Read(key, values, count);
}

HRESULT ZORSettingRepository::SaveRepository(const char*) {
  const std::string folder = path_.substr(0, path_.rfind('/'));
  std::string problem;
  if (!MakeFolder(folder, problem)) {
    Complain("cannot save '" + path_ + "': " + problem);
    return E_FAIL;
  }
  // A file that no longer reads as a repository (a person edited it, say) is the person's, not
  // the host's to replace.
  std::vector<ZORSettingEntry> onDisk;
  if (ReadRecord(path_, onDisk, problem) == ReadOutcome::Failed) {
    Complain("cannot save over " + problem + " (the file is left as it is)");
    return E_FAIL;
  }
  ZORRemoveStaleTemporaries(folder, name_);
  ZORFileReplacement file(path_);
  auto fail = [this, &problem] {
    Complain("cannot save '" + path_ + "': " + problem + " (the previous file is unchanged)");
    return E_FAIL;
  };
  if (!file.Open(problem)) return fail();
  SaveStep("open");
  if (!file.Write(ZORSettings::kHeader, problem) || !file.Write("\n", problem)) return fail();
  SaveStep("write");
  for (const ZORSettingEntry& entry : entries_) {
    if (!file.Write(ZORSettings::FormatLine(entry), problem)) return fail();
    SaveStep("write");
  }
  SaveStep("flush");
  if (!file.Close(SaveSyncs(), 0600, problem)) return fail();
  SaveStep("fsync");
  if (!file.Rename(problem)) return fail();
  SaveStep("rename");
  if (SaveSyncs()) file.SyncFolder();
  SaveStep("sync folder");
  unsaved_ = false;
  return S_OK;
}
