// What zorhost writes never destroys what is there: an output that is not a regular file, that is
// another output or that is an input is refused before anything is read or written.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

#include "ZorhostRun.h"
#include "zor/testing/ZORHostTesting.h"
#include "zorhost/common/OutputFiles.h"
#include "support/ZORTestSupport.h"

namespace {

namespace fs = std::filesystem;

class OutputFiles : public ::testing::Test {
 protected:
  fs::path Folder() const { return fs::path(settings_.Path()).parent_path(); }
  ZORTemporarySettingsFolder settings_;
};

bool IsFifo(const fs::path& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
}

// A Unix socket bound at `path`, kept open for the test.
int BindSocket(const fs::path& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  return fd;
}

TEST_F(OutputFiles, WhatIsNotARegularFileIsNeverReplaced) {
  ASSERT_EQ(mkfifo((Folder() / "v.csv").c_str(), 0600), 0);
  fs::create_directory(Folder() / "d.svg");
  const int socket = BindSocket(Folder() / "s.ply");
  fs::create_directories(settings_.Path());
  ASSERT_EQ(mkfifo(settings_.File("fifo").c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"render --size 40x30 --out a --values-out v.csv", "--values-out 'v.csv' is a FIFO"},
      {"render --size 40x30 --out d", "--out 'd.svg' is a folder"},
      {"render --size 40x30 --out a --mesh-out s.ply", "--mesh-out 's.ply' is a socket"},
      {"render --size 40x30 --out a --save-settings fifo", "--save-settings"},
      {"render --size 40x30 --out a --values-out missing/v.csv", "there is no folder 'missing' to write it in"},
  };
  for (const auto& [arguments, said] : cases) {
    const ProgramRun run = Zorhost(Folder(), arguments);
    EXPECT_EQ(run.status, 2) << arguments << "\n" << run.errors;
    EXPECT_NE(run.errors.find(said), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("nothing was written"), std::string::npos) << run.errors;
    EXPECT_FALSE(fs::exists(Folder() / "a.png")) << arguments;
  }
  EXPECT_TRUE(IsFifo(Folder() / "v.csv"));
  EXPECT_TRUE(IsFifo(settings_.File("fifo")));
  EXPECT_TRUE(fs::is_directory(Folder() / "d.svg"));
  EXPECT_TRUE(fs::is_socket(Folder() / "s.ply"));
  close(socket);
}

TEST_F(OutputFiles, NoOutputOverwritesAnInputOrAnotherOutput) {
  const std::string part = ReadWholeFile(ZOR_EXAMPLE_PARTS "/torus.step");
  WriteWholeFile((Folder() / "torus.step").string(), part);
  fs::create_symlink("torus.step", Folder() / "link.csv");
  fs::create_hard_link(Folder() / "torus.step", Folder() / "hard.csv");
  fs::create_directory(Folder() / "sub");
  WriteWholeFile((Folder() / "grid.csv").string(), "1,2\n3,4\n");
  const std::pair<std::string, std::string> cases[] = {
      {"render torus.step --size 40x30 --values-out torus.step", "is the part 'torus.step'"},
      {"render torus.step --size 40x30 --values-out link.csv", "is the part 'torus.step'"},
      {"render torus.step --size 40x30 --mesh-out hard.csv", "is the part 'torus.step'"},
      {"render torus.step --size 40x30 --out sub/../torus --values-out ./torus.png",
       "is the same file as --out 'sub/../torus.png'"},
      {"render --values grid.csv --values-out grid.csv", "is --values 'grid.csv'"},
      {"render --size 40x30 --out c --values-out c.svg", "is the same file as --out 'c.svg'"},
      {"render --size 40x30 --mesh-out same.ply --values-out same.ply",
       "is the same file as --mesh-out 'same.ply'"},
  };
  for (const auto& [arguments, said] : cases) {
    const ProgramRun run = Zorhost(Folder(), arguments);
    EXPECT_EQ(run.status, 2) << arguments << "\n" << run.errors;
    EXPECT_NE(run.errors.find(said), std::string::npos) << arguments << "\n" << run.errors;
  }
  EXPECT_EQ(ReadWholeFile((Folder() / "torus.step").string()), part);
  EXPECT_EQ(ReadWholeFile((Folder() / "grid.csv").string()), "1,2\n3,4\n");
  EXPECT_TRUE(fs::is_symlink(Folder() / "link.csv"));
  for (const char* name : {"c.png", "c.svg", "same.ply", "torus.png", "analysis.png"}) {
    EXPECT_FALSE(fs::exists(Folder() / name)) << name;
  }
}

TEST_F(OutputFiles, ScaleFilesNeverReplaceTheirRepository) {
  ASSERT_EQ(Zorhost(Folder(), "render --size 40x30 --save-settings kept").status, 0);
  const std::string record = ReadWholeFile(settings_.File("kept"));
  ASSERT_EQ(mkfifo((Folder() / "out.csv").c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"scale export kept '" + settings_.File("kept") + "' --format csv",
       "is the settings repository's file"},
      {"scale import '" + settings_.File("kept") + "' kept --format csv", "is the file"},
      {"scale export kept out.csv", "the file 'out.csv' is a FIFO"},
      // A scale file read is a regular file: a FIFO is refused at once rather than waited on.
      {"scale import out.csv other", "out.csv: is a FIFO, not a regular file"},

  };
  for (const auto& [arguments, said] : cases) {
    const ProgramRun run = Zorhost(Folder(), arguments);
    EXPECT_EQ(run.status, 2) << arguments << "\n" << run.errors;
    EXPECT_NE(run.errors.find(said), std::string::npos) << arguments << "\n" << run.errors;
  }
  EXPECT_EQ(ReadWholeFile(settings_.File("kept")), record);
  EXPECT_TRUE(IsFifo(Folder() / "out.csv"));
}

// A rename that fails puts back the files renamed before it: every file is whole and as it was.
TEST_F(OutputFiles, AFailedRenamePutsBackTheFilesBeforeIt) {
  const fs::path a = Folder() / "a.txt", b = Folder() / "b.txt", c = Folder() / "c.txt";
  WriteWholeFile(a.string(), "OLD A\n");
  WriteWholeFile(b.string(), "OLD B\n");
  const std::vector<std::pair<std::string, std::string>> files = {
      {a.string(), "NEW A\n"}, {b.string(), "NEW B\n"}, {c.string(), "NEW C\n"}};
  for (int passes : {0, 1, 2}) {
    ZORHostTesting::FailAt(ZORHostCall::RenameFile, passes);
    const ZOROutcome failed = ZORWriteFilesWhole(files);
    ASSERT_TRUE(failed) << passes;
    EXPECT_NE(failed->message.find(files[static_cast<std::size_t>(passes)].first), std::string::npos) << *failed;
    EXPECT_EQ(ReadWholeFile(a.string()), "OLD A\n") << passes;
    EXPECT_EQ(ReadWholeFile(b.string()), "OLD B\n") << passes;
    EXPECT_FALSE(fs::exists(c)) << passes;
    for (const std::string& name : Files(Folder())) {
      EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name << " left after " << passes;
    }
  }
  ZORHostTesting::ClearFaults();
  ASSERT_EQ(ZORWriteFilesWhole(files), std::nullopt);
  EXPECT_EQ(ReadWholeFile(c.string()), "NEW C\n");
}

}  // namespace
