// Settings repositories: named sets of keyed int and double arrays, each kept as one plain text
// file in the settings folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "zor/ZORTypes.h"

class ZORISysSettingController;

// One key of a repository with its values.
struct ZORSettingEntry {
  std::string key;
  bool isDouble = false;
  std::vector<int> integers;
  std::vector<double> doubles;

  friend bool operator==(const ZORSettingEntry&, const ZORSettingEntry&) = default;
};

class ZORHOST_API ZORSettingRepository {
 public:
  enum AccessType { ReadOnly = 0, ReadWrite = 1 };

  // The repository of that name, owned by the host (never released by the caller), or null with
  // one line on standard error saying why: a name that is not a plain file name (letters,
  // digits, '.', '-' and '_', not starting with '.', 1 to 128 characters), no settings folder,
  // or a file that cannot be read or does not parse (it is then left as it is). The file is read
  // again at each call unless the repository holds writes that were not saved.
  static ZORSettingRepository* GetRepository(const char* name, int reserved, AccessType access,
                                             ZORISysSettingController* controller);

  // Stores `count` values under `key`, replacing its values and keeping its place; a new key
  // goes last. A key is 1 to 256 printable characters without spaces, not starting with '#'. A
  // write that would make the file larger than a reader takes (16 MiB) is refused with E_FAIL
  // and one line on standard error, and stores nothing.
  HRESULT WriteSetting(const char* key, int* values, long count, int reserved);
  HRESULT WriteSetting(const char* key, double* values, long count, int reserved);
  // Gives at most `count` values of `key` and returns how many it gave. A key that is not there,
  // or holds the other type, leaves `values` alone and gives 0.
  long ReadSetting(const char* key, int* values, long count);
  long ReadSetting(const char* key, double* values, long count);
  // Writes the file: a temporary file in the same folder, flushed and synced, then renamed over
  // the old one, so that the old file stays whole until the new one replaces it. A file on disk
  // that no longer reads as a repository is not replaced: E_FAIL and one line on standard error.
  HRESULT SaveRepository(const char* reserved);

  const std::string& Name() const { return name_; }
  const std::string& Path() const { return path_; }
  const std::vector<ZORSettingEntry>& Entries() const { return entries_; }

  ~ZORSettingRepository();
  ZORSettingRepository(const ZORSettingRepository&) = delete;
  ZORSettingRepository& operator=(const ZORSettingRepository&) = delete;

 private:
  ZORSettingRepository(std::string name, std::string path);
  ZORSettingEntry* Find(const char* key);
  ZORSettingEntry* Slot(const char* key);
  template <class T>
  HRESULT Write(const char* key, T* values, long count);
  template <class T>
  long Read(const char* key, T* values, long count);

  std::string name_;
  std::string path_;
  std::vector<ZORSettingEntry> entries_;
  std::size_t formattedSize_ = 0;  // of the file the entries make
  bool unsaved_ = false;
};

// The settings folder: $ZOR_SETTINGS_DIR, else $XDG_CONFIG_HOME/zorhost/settings, else
// $HOME/.config/zorhost/settings; empty when none of them is set.
ZORHOST_API std::string ZORSettingsFolder();

// Reads the file of the named repository as stored, apart from any repository opened in this
// process: 1 when it was read, 0 when there is no such file, -1 when the name is refused or the
// file cannot be read or parsed (`problem` says why). `lines`, when given, receives the line of
// each entry.
ZORHOST_API int ZORReadRepositoryFile(const std::string& name, std::vector<ZORSettingEntry>& entries,
                                      std::string& problem, std::vector<int>* lines = nullptr);
// The file of the named repository.
ZORHOST_API std::string ZORRepositoryPath(const std::string& name);

// The text form of a repository, as it is kept in its file.
ZORHOST_API std::string ZORFormatSettings(const std::vector<ZORSettingEntry>& entries);
// Reads the text form. On failure returns false and sets `line` (1-based) and `problem`.
// `lines`, when given, receives the line of each entry.
ZORHOST_API bool ZORParseSettings(const std::string& text, std::vector<ZORSettingEntry>& entries,
                                  int& line, std::string& problem,
                                  std::vector<int>* lines = nullptr);
// The rule a repository's name follows, and its longest length.
inline constexpr std::size_t kZORLongestRepositoryName = 128;
ZORHOST_API std::string ZORRepositoryNameRule();
// Why `name` cannot name a repository, or empty when it can.
ZORHOST_API std::string ZORCheckRepositoryName(const std::string& name);
// A double as the shortest text that reads back to the same double ("inf", "-inf", "nan").
ZORHOST_API std::string ZORFormatDouble(double value);
