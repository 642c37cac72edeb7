// Loading modules through the production loader, broken ones included.
#include <dlfcn.h>
#include <gtest/gtest.h>

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

}  // namespace
