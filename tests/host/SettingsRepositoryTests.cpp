// Settings repositories on files: the format, the names, damaged files and saves that survive.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <limits>
#include <random>

#include "support/ZORTestSupport.h"
#include "zor/ZORSettingRepository.h"

namespace {

namespace fs = std::filesystem;

ZORSettingRepository* Open(const char* name) {
  return ZORSettingRepository::GetRepository(name, 0, ZORSettingRepository::ReadWrite, nullptr);
}

TEST(SettingsFormat, DoublesReadBackBitForBit) {
  const double values[] = {0.0,
                           -0.0,
                           0.1,
                           1.0 / 3.0,
                           -2.5e-300,
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::min(),
                           std::numeric_limits<double>::max(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::infinity(),
                           static_cast<double>(std::numeric_limits<float>::max()),
                           123456789.123456789};
  std::vector<ZORSettingEntry> written = {
      {"Doubles", true, {}, std::vector<double>(std::begin(values), std::end(values))},
      {"Ints", false, {-2147483647 - 1, -1, 0, 2147483647}, {}},
      {"Empty", false, {}, {}},
      {"NaN", true, {}, {std::numeric_limits<double>::quiet_NaN()}}};
  const std::string text = ZORFormatSettings(written);
  std::vector<ZORSettingEntry> read;
  int line = 0;
  std::string problem;
  ASSERT_TRUE(ZORParseSettings(text, read, line, problem)) << line << ": " << problem;
  ASSERT_EQ(read.size(), 4u);
  for (std::size_t i = 0; i < std::size(values); ++i) {
    EXPECT_EQ(std::memcmp(&read[0].doubles[i], &values[i], sizeof(double)), 0) << values[i];
  }
  EXPECT_EQ(read[1], written[1]);
  EXPECT_EQ(read[2], written[2]);
  EXPECT_TRUE(std::isnan(read[3].doubles[0]));
  EXPECT_EQ(ZORFormatSettings(read), text);
  EXPECT_NE(text.find("Ints int -2147483648 -1 0 2147483647\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Doubles double 0 -0 0.1 0.3333333333333333 "), std::string::npos) << text;
  // Written by hand: blank lines, comments, tabs and CRLF endings are fine.
  ASSERT_TRUE(ZORParseSettings("\n# note\r\nA\tint  1\t2\r\n\nB double inf -inf nan 1e-3\n", read,
                               line, problem))
      << problem;
  EXPECT_EQ(read[0].integers, (std::vector<int>{1, 2}));
  EXPECT_EQ(read[1].doubles[3], 1e-3);
}

TEST(SettingsFormat, DamageIsReportedWithItsLine) {
  const std::pair<std::string, const char*> damaged[] = {
      {"A int 1\nB int 2 x\n", "2"},           {"A int 1\nA int 2\n", "appears twice"},
      {"A\n", "needs a type"},                 {"A float 1\n", "needs a type"},
      {"A int 2147483648\n", "out of range"},  {"A int 1.5\n", "not an integer"},
      {"A double 1e400\n", "out of range"},    {"A double one\n", "not a number"},
      {std::string("A int 1\0 2\n", 10), "NUL"}};
  for (auto [text, expected] : damaged) {
    std::vector<ZORSettingEntry> entries;
    int line = 0;
    std::string problem;
    EXPECT_FALSE(ZORParseSettings(text, entries, line, problem)) << text;
    EXPECT_NE((std::to_string(line) + " " + problem).find(expected), std::string::npos)
        << text << " -> " << line << ": " << problem;
  }
}

class Repositories : public ::testing::Test {
 protected:
  ZORTemporarySettingsFolder folder_;
};

TEST_F(Repositories, WriteReadSaveAndReopen) {
  ZORSettingRepository* repository = Open("colors");
  ASSERT_NE(repository, nullptr);
  int ints[] = {1, 2, 3};
  double doubles[] = {0.5, -0.25};
  EXPECT_EQ(repository->WriteSetting("Counts", ints, 3, 0), S_OK);
  EXPECT_EQ(repository->WriteSetting("Limits", doubles, 2, 0), S_OK);
  EXPECT_EQ(repository->WriteSetting("Counts", ints, 1, 0), S_OK);  // keeps its place
  EXPECT_EQ(repository->WriteSetting("bad key", ints, 1, 0), E_INVALIDARG);
  EXPECT_EQ(repository->WriteSetting("#comment", ints, 1, 0), E_INVALIDARG);
  EXPECT_EQ(repository->WriteSetting("Counts", ints, -1, 0), E_INVALIDARG);
  // Not saved yet: the file does not exist, and opening again keeps the writes.
  EXPECT_FALSE(fs::exists(folder_.File("colors")));
  EXPECT_EQ(Open("colors"), repository);
  EXPECT_EQ(repository->SaveRepository(nullptr), S_OK);
  EXPECT_EQ(ReadWholeFile(folder_.File("colors")),
            "# zorhost settings repository\nCounts int 1\nLimits double 0.5 -0.25\n");

  int buffer[4] = {9, 9, 9, 9};
  EXPECT_EQ(repository->ReadSetting("Counts", buffer, 4), 1);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_EQ(buffer[1], 9);
  EXPECT_EQ(repository->ReadSetting("Missing", buffer, 4), 0);
  EXPECT_EQ(repository->ReadSetting("Limits", buffer, 4), 0);  // the other type
  EXPECT_EQ(buffer[0], 1);
  double one = 0.0;
  EXPECT_EQ(repository->ReadSetting("Limits", &one, 1), 1);
  EXPECT_EQ(one, 0.5);

  // Edited by hand, read again at the next opening.
  WriteWholeFile(folder_.File("colors"), "Counts int 7\n");
  ZORSettingRepository* again = Open("colors");
  ASSERT_EQ(again, repository);
  EXPECT_EQ(again->ReadSetting("Counts", buffer, 4), 1);
  EXPECT_EQ(buffer[0], 7);
  EXPECT_EQ(again->ReadSetting("Limits", &one, 1), 0);
}

TEST_F(Repositories, BadNamesAreRefused) {
  const std::string tooLong(129, 'a');
  const std::string longest(128, 'a');
  const std::string names[] = {"", ".", "..", "../x", "/etc/x", "a/b", ".hidden", "a b",
                               "tab\tname", "new\nline", "back\\slash", "caf\xc3\xa9", tooLong,
                               std::string(300, 'b')};
  for (const std::string& name : names) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Open(name.c_str()), nullptr) << name;
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("refused"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  }
  EXPECT_EQ(Open(nullptr), nullptr);
  ZORSettingRepository* fine = Open(longest.c_str());
  ASSERT_NE(fine, nullptr);
  EXPECT_EQ(fine->SaveRepository(nullptr), S_OK);
  ASSERT_NE(Open("Scale-1.v2_final"), nullptr);
  // Nothing was written outside the settings folder.
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(fs::path(folder_.Path()).parent_path())) {
    files.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(files, std::vector<std::string>{"settings"});
}

TEST_F(Repositories, DamagedFilesAreLeftAlone) {
  const std::string damaged = "# mine\nGood int 1\nBad int x\n";
  WriteWholeFile(folder_.File("damaged"), damaged);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Open("damaged"), nullptr);
  std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find(folder_.File("damaged") + ":3:"), std::string::npos) << message;
  // Asked again, it is still refused: no save can replace it silently.
  testing::internal::CaptureStderr();
  EXPECT_EQ(Open("damaged"), nullptr);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadWholeFile(folder_.File("damaged")), damaged);

  // A link is not followed; a folder is not a file.
  fs::create_symlink("/etc/hostname", folder_.File("link"));
  fs::create_directory(folder_.File("folder"));
  for (const char* name : {"link", "folder"}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Open(name), nullptr) << name;
    EXPECT_NE(testing::internal::GetCapturedStderr().find(name), std::string::npos);
  }
}

TEST_F(Repositories, WhatTheReaderRefusesIsNeitherWrittenNorReplaced) {
  // A FIFO at the path: refused at once, not waited on.
  fs::create_directories(folder_.Path());
  ASSERT_EQ(mkfifo(folder_.File("fifo").c_str(), 0600), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Open("fifo"), nullptr);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("not a regular file"), std::string::npos);
  std::vector<ZORSettingEntry> entries;
  std::string problem;
  EXPECT_EQ(ZORReadRepositoryFile("fifo", entries, problem), -1);

  // A write that would take the file past what a reader takes stores nothing; the save that
  // follows keeps the file readable.
  ZORSettingRepository* repository = Open("large");
  int small[] = {1, 2};
  ASSERT_EQ(repository->WriteSetting("Kept", small, 2, 0), S_OK);
  std::vector<int> huge(5000000, -1234567);
  testing::internal::CaptureStderr();
  EXPECT_EQ(repository->WriteSetting("Huge", huge.data(), static_cast<long>(huge.size()), 0),
            E_FAIL);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("larger than 16 MiB"), std::string::npos);
  EXPECT_EQ(repository->SaveRepository(nullptr), S_OK);
  EXPECT_EQ(ReadWholeFile(folder_.File("large")), "# zorhost settings repository\nKept int 1 2\n");

  // A save that failed leaves its writes in memory; when the file is meanwhile edited into
  // something that does not parse, the next save leaves the edited file alone.
  repository->WriteSetting("Kept", small, 1, 0);
  WriteWholeFile(folder_.File("large"), "Kept int one\n");
  EXPECT_EQ(Open("large"), repository);  // unsaved writes are kept, not read again
  testing::internal::CaptureStderr();
  EXPECT_EQ(repository->SaveRepository(nullptr), E_FAIL);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(":1:"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(folder_.File("large")), "Kept int one\n");
}

TEST_F(Repositories, ASaveRemovesOnlyItsOwnStaleTemporaries) {
  // Temporaries of dead savers: of "a", and of a repository whose name starts like a's.
  const std::string mine = folder_.File(".a.tmp-999999-deadbeef");
  const std::string other = folder_.File(".a.tmp-999999.tmp-999998-cafe");
  const std::string live = folder_.File(".a.tmp-" + std::to_string(getpid()) + "-live");
  for (const std::string& file : {mine, other, live}) WriteWholeFile(file, "partial");
  ZORSettingRepository* repository = Open("a");
  int one = 1;
  repository->WriteSetting("A", &one, 1, 0);
  ASSERT_EQ(repository->SaveRepository(nullptr), S_OK);
  EXPECT_FALSE(fs::exists(mine));
  EXPECT_TRUE(fs::exists(other));
  EXPECT_TRUE(fs::exists(live));
}

TEST_F(Repositories, NewFilesArePrivate) {
  const mode_t previous = umask(0);
  ZORSettingRepository* repository = Open("private");
  int one = 1;
  repository->WriteSetting("A", &one, 1, 0);
  EXPECT_EQ(repository->SaveRepository(nullptr), S_OK);
  umask(previous);
  struct stat status {};
  ASSERT_EQ(stat(folder_.File("private").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  ASSERT_EQ(stat(folder_.Path().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
}

// A child process saves and is killed after a given step of the save.
int killAfterStep = 0;
void KillAtStep(const char*) {
  if (--killAfterStep == 0) raise(SIGKILL);
}

TEST_F(Repositories, AnInterruptedSaveLeavesOldOrNew) {
  ZORSettingRepository* repository = Open("steps");
  int old = 1;
  repository->WriteSetting("Old", &old, 1, 0);
  ASSERT_EQ(repository->SaveRepository(nullptr), S_OK);
  const std::string before = ReadWholeFile(folder_.File("steps"));
  int values[] = {1, 2, 3, 4, 5};
  for (int key = 0; key < 5; ++key) {
    repository->WriteSetting(("New" + std::to_string(key)).c_str(), values, 5, 0);
  }
  const std::string after = ZORFormatSettings(repository->Entries());
  // Open, a write for the header and one for each of the six keys, flush, fsync, rename, sync
  // folder: twelve steps, the new file in place from the rename on.
  const int rename = 11;
  for (int step = 1; step <= 12; ++step) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      killAfterStep = step;
      ZORHostTesting::SetSaveStepHook(&KillAtStep);
      repository->SaveRepository(nullptr);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "step " << step;
    const std::string now = ReadWholeFile(folder_.File("steps"));
    EXPECT_TRUE(now == before || now == after) << "step " << step << ":\n" << now;
    EXPECT_EQ(now == after, step >= rename) << "step " << step;
    std::vector<ZORSettingEntry> entries;
    int line = 0;
    std::string problem;
    EXPECT_TRUE(ZORParseSettings(now, entries, line, problem)) << "step " << step;
  }
  // The temporaries of the killed savers are ignored and cleaned by the next save.
  ASSERT_EQ(repository->SaveRepository(nullptr), S_OK);
  for (const auto& entry : fs::directory_iterator(folder_.Path())) {
    EXPECT_EQ(entry.path().filename().string().find(".steps.tmp"), std::string::npos)
        << entry.path();
  }
}

TEST_F(Repositories, ProcessesKilledAtRandomNeverLeaveADamagedFile) {
  ZORSettingRepository* repository = Open("killed");
  std::vector<int> values(64, 1);
  repository->WriteSetting("Values", values.data(), 64, 0);
  ASSERT_EQ(repository->SaveRepository(nullptr), S_OK);
  std::mt19937 generator(20261206);
  std::uniform_int_distribution<int> delay(0, 1500);
  for (int kill = 0; kill < 1000; ++kill) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int round = 0;; ++round) {
        std::vector<int> next(static_cast<std::size_t>(1 + round % 97), round);
        repository->WriteSetting(("Key" + std::to_string(round % 5)).c_str(), next.data(),
                                 static_cast<long>(next.size()), 0);
        repository->SaveRepository(nullptr);
      }
    }
    usleep(static_cast<useconds_t>(delay(generator)));
    ::kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::vector<ZORSettingEntry> entries;
    int line = 0;
    std::string problem;
    ASSERT_TRUE(ZORParseSettings(ReadWholeFile(folder_.File("killed")), entries, line, problem))
        << "kill " << kill << ": line " << line << ": " << problem;
    ASSERT_FALSE(entries.empty());
  }
  // What the killed savers left is cleaned by the next save.
  ASSERT_EQ(repository->SaveRepository(nullptr), S_OK);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.Path()), fs::directory_iterator()), 1);
}

TEST_F(Repositories, ConcurrentSaversNeverLeaveADamagedFile) {
  ZORSettingRepository* first = Open("shared");
  first->SaveRepository(nullptr);
  // Both savers read the file before either saves, so each writes only its own key and the
  // last one to save leaves exactly one entry.
  int opened[2];
  int go[2];
  ASSERT_EQ(pipe(opened), 0);
  ASSERT_EQ(pipe(go), 0);
  std::vector<pid_t> children;
  for (int saver = 0; saver < 2; ++saver) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(opened[0]);
      close(go[1]);
      ZORSettingRepository* repository = Open("shared");
      char byte = 0;
      if (write(opened[1], &byte, 1) != 1 || read(go[0], &byte, 1) != 0) _exit(1);
      std::vector<int> values(200, saver);
      for (int round = 0; round < 200; ++round) {
        repository->WriteSetting(("Saver" + std::to_string(saver)).c_str(), values.data(), 200, 0);
        if (repository->SaveRepository(nullptr) != S_OK) _exit(1);
      }
      _exit(0);
    }
    children.push_back(child);
  }
  close(opened[1]);
  close(go[0]);
  char byte = 0;
  for (int saver = 0; saver < 2; ++saver) ASSERT_EQ(read(opened[0], &byte, 1), 1);
  close(opened[0]);
  close(go[1]);
  int reads = 0;
  for (bool running = true; running;) {
    std::vector<ZORSettingEntry> entries;
    int line = 0;
    std::string problem;
    const std::string text = ReadWholeFile(folder_.File("shared"));
    ASSERT_TRUE(ZORParseSettings(text, entries, line, problem)) << problem << "\n" << text;
    ++reads;
    running = false;
    for (pid_t child : children) running = running || waitpid(child, nullptr, WNOHANG) == 0;
  }
  for (pid_t child : children) waitpid(child, nullptr, 0);
  EXPECT_GT(reads, 0);
  std::vector<ZORSettingEntry> entries;
  int line = 0;
  std::string problem;
  ASSERT_TRUE(ZORParseSettings(ReadWholeFile(folder_.File("shared")), entries, line, problem));
  ASSERT_EQ(entries.size(), 1u);
}

TEST(SettingsFolder, EnvironmentOrder) {
  const char* saved[] = {std::getenv("ZOR_SETTINGS_DIR"), std::getenv("XDG_CONFIG_HOME"),
                         std::getenv("HOME")};
  std::string keep[3];
  for (int i = 0; i < 3; ++i) keep[i] = saved[i] != nullptr ? saved[i] : "";
  setenv("HOME", "/home/someone", 1);
  unsetenv("ZOR_SETTINGS_DIR");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(ZORSettingsFolder(), "/home/someone/.config/zorhost/settings");
  setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(ZORSettingsFolder(), "/xdg/zorhost/settings");
  setenv("ZOR_SETTINGS_DIR", "/mine", 1);
  EXPECT_EQ(ZORSettingsFolder(), "/mine");
  const char* names[] = {"ZOR_SETTINGS_DIR", "XDG_CONFIG_HOME", "HOME"};
  for (int i = 0; i < 3; ++i) {
    if (saved[i] != nullptr) {
      setenv(names[i], keep[i].c_str(), 1);
    } else {
      unsetenv(names[i]);
    }
  }
}

}  // namespace
