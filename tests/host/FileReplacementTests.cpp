// Files replaced whole: what a failure at each step leaves behind, the modes the files get, and
// which leftovers of earlier replacements are cleared.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/ZORTestSupport.h"
#include "zor/ZORFileReplacement.h"
#include "zor/testing/ZORHostTesting.h"

namespace {

namespace fs = std::filesystem;

class FileReplacement : public ::testing::Test {
 protected:
  void TearDown() override { ZORHostTesting::ClearFaults(); }
  fs::path Folder() { return fs::path(settings_.Path()).parent_path(); }
  fs::path File(const std::string& name, const std::string& text) {
    std::ofstream(Folder() / name) << text;
    return Folder() / name;
  }
  static mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
  }
  // A process id that no process has: a child's, once it has been waited for.
  static pid_t GonePid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
  }
  ZORTemporarySettingsFolder settings_;
};

TEST_F(FileReplacement, EachStepThatFailsLeavesTheOldFileAndNoTemporary) {
  const fs::path target = File("kept.txt", "old");
  std::string error;
  {
    ZORFileReplacement missingFolder((Folder() / "no-such-folder/new.txt").string());
    EXPECT_FALSE(missingFolder.Open(error));
    EXPECT_EQ(error, "creating the temporary file: No such file or directory");
    EXPECT_TRUE(missingFolder.TemporaryPath().empty());
  }
  {
    // Abandoned after writing: the destructor takes the temporary away.
    ZORFileReplacement abandoned(target.string());
    ASSERT_TRUE(abandoned.Open(error)) << error;
    ASSERT_TRUE(abandoned.Write("new", error));
    EXPECT_TRUE(fs::exists(abandoned.TemporaryPath()));
    EXPECT_EQ(ModeOf(abandoned.TemporaryPath()), 0600u) << "private until complete";
  }
  {
    ZORFileReplacement refused(target.string());
    ASSERT_TRUE(refused.Open(error) && refused.Write("new", error) && refused.Close(false, 0644, error)) << error;
    ZORHostTesting::FailAt(ZORHostCall::RenameFile);
    EXPECT_FALSE(refused.Rename(error));
    EXPECT_EQ(error, "renaming: refused by the host");
  }
  EXPECT_EQ(ReadWholeFile(target.string()), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1) << "the file, nothing else";
}

TEST_F(FileReplacement, ARenameReplacesTheFileWithTheModeAskedAndALinkItselfNotItsTarget) {
  const fs::path elsewhere = File("elsewhere.txt", "not to be touched");
  fs::create_symlink(elsewhere, Folder() / "link.txt");
  std::string error;
  ZORFileReplacement replacement((Folder() / "link.txt").string());
  ASSERT_TRUE(replacement.Open(error) && replacement.Write(std::string(100000, 'x'), error) &&
              replacement.Close(true, 0640, error) && replacement.Rename(error))
      << error;
  replacement.SyncFolder();
  EXPECT_FALSE(fs::is_symlink(Folder() / "link.txt"));
  EXPECT_EQ(ReadWholeFile((Folder() / "link.txt").string()).size(), 100000u);
  EXPECT_EQ(ModeOf(Folder() / "link.txt"), 0640u);
  EXPECT_EQ(ReadWholeFile(elsewhere.string()), "not to be touched");
  EXPECT_FALSE(fs::exists(replacement.TemporaryPath())) << "renamed, not removed";
}

TEST_F(FileReplacement, OnlyTheTemporariesOfTheFileWhoseProcessIsGoneAreCleared) {
  const std::string gone = std::to_string(GonePid()), alive = std::to_string(getpid());
  const std::string cleared = ".scale.tmp-" + gone + "-abc123";
  const char* const kept[] = {".scale.tmp-{alive}-abc123", ".other.tmp-{gone}-abc123", ".scale.tmp-{gone}-",
                              ".scale.tmp-x-abc123",       ".scale.tmp-{gone}-a.b",    ".scale.tmp-{gone}abc",
                              "scale"};
  File(cleared, "");
  std::vector<std::string> keptNames;
  for (std::string name : kept) {
    for (const auto& [field, value] : {std::pair{"{alive}", alive}, std::pair{"{gone}", gone}}) {
      if (const std::size_t at = name.find(field); at != std::string::npos) name.replace(at, std::strlen(field), value);
    }
    File(name, "");
    keptNames.push_back(name);
  }
  ZORRemoveStaleTemporariesOf((Folder() / "scale").string());
  EXPECT_FALSE(fs::exists(Folder() / cleared));
  for (const std::string& name : keptNames) EXPECT_TRUE(fs::exists(Folder() / name)) << name;
  ZORRemoveStaleTemporaries((Folder() / "no-such-folder").string(), "scale");  // nothing to do, no failure
}

TEST_F(FileReplacement, NewFilesTakeTheirModeFromTheUmask) {
  const mode_t before = umask(027);
  EXPECT_EQ(ZORDefaultFileMode(), 0640u);
  umask(0);
  EXPECT_EQ(ZORDefaultFileMode(), 0666u);
  umask(before);
}

}  // namespace
