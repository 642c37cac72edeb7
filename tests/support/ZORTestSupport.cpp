#include "support/ZORTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

std::unique_ptr<ZORModuleLibrary> LoadColorScaleModule() {
  std::string error;
  std::unique_ptr<ZORModuleLibrary> module = ZORModuleLibrary::Load(ZOR_MODULE_PATH, error);
  EXPECT_TRUE(module) << error;
  return module;
}

void ZORModuleTest::SetUp() {
  module_ = LoadColorScaleModule();
  ASSERT_TRUE(module_);
  session_ = std::make_unique<ZORHostSession>();
}

void ZORModuleTest::TearDown() {
  session_.reset();
  ZORHostTesting::ClearFaults();
  ZORHostTesting::RecordStoreCalls(false);
  // Every reference obtained during the test was given back.
  EXPECT_EQ(ZORHostTesting::LiveComponentCount(), 0) << ZORHostTesting::DescribeLiveComponents();
  EXPECT_EQ(ZORHostTesting::OutstandingReferences(), 0);
  module_.reset();
}

ZORIClassFactory_var ZORModuleTest::ClassFactory() {
  auto getClassObject = module_->Export<ZORDllGetClassObjectFunction>(kZORDllGetClassObjectName);
  EXPECT_NE(getClassObject, nullptr);
  void* classFactory = nullptr;
  EXPECT_EQ(getClassObject(CLSID_ZORStColorScaleFactory, IID_IClassFactory, &classFactory), S_OK);
  return ZORIClassFactory_var::Adopt(static_cast<IClassFactory*>(classFactory));
}

ZORIStColorScaleFactory_var ZORModuleTest::Factory() {
  ZORIClassFactory_var classFactory = ClassFactory();
  void* factory = nullptr;
  EXPECT_EQ(classFactory->CreateInstance(nullptr, IID_ZORIStColorScaleFactory, &factory), S_OK);
  return ZORIStColorScaleFactory_var::Adopt(static_cast<ZORIStColorScaleFactory*>(factory));
}

ZORIStNewColorScale_var ZORModuleTest::NewScale() {
  ZORIStNewColorScale_var scale = Factory()->CreateColorScale();
  EXPECT_TRUE(scale);
  return scale;
}

ZORISpecObject_var ZORModuleTest::FeatureOf(const ZORIStNewColorScale_var& scale) {
  return ZORISpecObject_var(scale);
}

void ConfigureScale(ZORIStNewColorScale* scale, int blocks,
                    const std::vector<ZORImposedColor>& colors,
                    const std::vector<ZORImposedValue>& values) {
  ASSERT_EQ(scale->SetNumberOfBlocks(blocks), S_OK);
  ZORRawCollint index, red, green, blue, alpha, types;
  for (const ZORImposedColor& color : colors) {
    index.Append(color.position);
    red.Append(color.red);
    green.Append(color.green);
    blue.Append(color.blue);
    alpha.Append(color.alpha);
    types.Append(0);
  }
  ASSERT_EQ(scale->SetColors(index.Size(), &index, &red, &green, &blue, &alpha, &types), S_OK);
  ZORRawCollint positions, valueTypes;
  ZORRawColldouble imposed;
  for (const ZORImposedValue& value : values) {
    positions.Append(value.position);
    imposed.Append(value.value);
    valueTypes.Append(0);
  }
  ASSERT_EQ(scale->SetImposedValues(positions.Size(), &positions, &imposed, &valueTypes), S_OK);
}

std::vector<int> ToVector(const ZORRawCollint& list) { return {list.begin(), list.end()}; }
std::vector<double> ToVector(const ZORRawColldouble& list) { return {list.begin(), list.end()}; }

ZORAttributeView ViewAttribute(const ZORIStNewColorScale_var& scale, const char* key) {
  ZORISpecObject_var feature(scale);
  return ZORViewAttribute(feature.get(), key);
}

ZORTemporarySettingsFolder::ZORTemporarySettingsFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zor-settings-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  EXPECT_NE(made, nullptr);
  path_ = pattern + "/settings";
  setenv("ZOR_SETTINGS_DIR", path_.c_str(), 1);
}

ZORTemporarySettingsFolder::~ZORTemporarySettingsFolder() {
  unsetenv("ZOR_SETTINGS_DIR");
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_).parent_path(), ignored);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteWholeFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream file(path, std::ios::binary);
  file << text;
}
