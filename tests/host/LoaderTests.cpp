// Loading modules through the production loader, broken ones included.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "zor/ZORModuleLibrary.h"
#include "zor/testing/ZORHostTesting.h"

namespace {

std::string FixturePath(const char* name) {
  return std::string(ZOR_FIXTURE_DIR) + "/libZORFixture" + name + ".so";
}

TEST(ModuleLoader, MissingFileIsAClearError) {
  std::string error;
  auto module = ZORModuleLibrary::Load("/nonexistent/libNothing.so", error);
  EXPECT_FALSE(module);
  EXPECT_NE(error.find("/nonexistent/libNothing.so"), std::string::npos) << error;
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST(ModuleLoader, LibraryWithoutRecordIsRefused) {
  std::string path = FixturePath("NoRecordModule");
  std::string error;
  auto module = ZORModuleLibrary::Load(path, error);
  EXPECT_FALSE(module);
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find("no module record"), std::string::npos) << error;
  // Refused and closed again.
  EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST(ModuleLoader, ModuleWithEmptyListAndNoEntry) {
  std::string error;
  auto module = ZORModuleLibrary::Load(FixturePath("NoEntryModule"), error);
  ASSERT_TRUE(module) << error;
  EXPECT_EQ(module->RegistrationCount(), 0);
  EXPECT_TRUE(module->RegisteredClasses().empty());
  EXPECT_EQ(module->Symbol(kZORDllGetClassObjectName), nullptr);
}

TEST(ModuleLoader, NotAFile) {
  std::string error;
  EXPECT_FALSE(ZORModuleLibrary::Load("", error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(ZORModuleLibrary::Load("/etc/hostname", error));
  EXPECT_NE(error.find("/etc/hostname"), std::string::npos) << error;
}

// The places a module is looked for, in order: the path given (only it); each entry of
// ZOR_MODULE_PATH, a folder or the file itself; the installed modules folder beside the host
// platform library (in the build tree, where the program is named zorhost, there is none); the
// program's folder. A module not found is reported with every place, in that order.
TEST(ModuleLoader, SearchOrder) {
  namespace fs = std::filesystem;
  const std::string probe = "libZORSearchOrderProbe.so";
  const fs::path work = fs::path(testing::TempDir()) / ("zor-search-" + std::to_string(getpid()));
  fs::create_directories(work / "first");
  fs::create_directories(work / "second");
  auto touch = [](const fs::path& path) { std::ofstream(path) << "not a module"; };
  const fs::path installed = ZORModuleLibrary::InstalledModuleFolder();
  const fs::path beside = fs::path(ZORModuleLibrary::HostLibraryPath()).parent_path();
  touch(work / "second" / probe);
  touch(work / "named.so");
  touch(beside / probe);
  std::string error;
  auto find = [&](const char* modulePath, const std::string& given = {}) {
    if (modulePath != nullptr) {
      setenv("ZOR_MODULE_PATH", modulePath, 1);
    } else {
      unsetenv("ZOR_MODULE_PATH");
    }
    return ZORModuleLibrary::Find(probe, given, error);
  };
  const std::string list = (work / "first").string() + "::" + (work / "second").string();
  EXPECT_EQ(find(list.c_str()), (work / "second" / probe).string());
  EXPECT_EQ(find((work / "named.so").string().c_str()), (work / "named.so").string());
  EXPECT_EQ(find((work / "first").string().c_str()), (beside / probe).string());
  EXPECT_EQ(find(nullptr), (beside / probe).string());
  // A path given is the only place looked at.
  EXPECT_EQ(find(list.c_str(), (work / "absent.so").string()), "");
  EXPECT_EQ(error, "cannot find the module " + probe + "; searched:\n  " + (work / "absent.so").string());
  fs::remove(beside / probe);
  EXPECT_EQ(find((work / "first").string().c_str()), "");
  EXPECT_EQ(error, "cannot find the module " + probe + "; searched:\n  " + (work / "first" / probe).string() +
                       "\n  " + (installed / probe).string() + "\n  " + (beside / probe).string());
  unsetenv("ZOR_MODULE_PATH");
  fs::remove_all(work);
}

}  // namespace
