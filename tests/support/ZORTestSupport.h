// What the component tests share: the module loaded as the host loads it, a host session, and a
// ledger check at the end of every test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORHostSession.h"
#include "zor/ZORModuleLibrary.h"
#include "zor/testing/ZORHostTesting.h"

using ZORIClassFactory_var = ZORVar<IClassFactory>;

// Loads the color scale module with the production loader; fails the test when it cannot.
std::unique_ptr<ZORModuleLibrary> LoadColorScaleModule();

class ZORModuleTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The class factory, the color scale factory and a new color scale, the way the host gets them.
  ZORIClassFactory_var ClassFactory();
  ZORIStColorScaleFactory_var Factory();
  ZORIStNewColorScale_var NewScale();
  ZORHostSession& Session() { return *session_; }
  static ZORISpecObject_var FeatureOf(const ZORIStNewColorScale_var& scale);

  std::unique_ptr<ZORModuleLibrary> module_;
  std::unique_ptr<ZORHostSession> session_;
};

// A fresh settings folder for the life of the object, named by ZOR_SETTINGS_DIR; removed after.
class ZORTemporarySettingsFolder {
 public:
  ZORTemporarySettingsFolder();
  ~ZORTemporarySettingsFolder();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& text);

// A component test with one new color scale, released before the ledger is checked.
class ZORScaleTest : public ZORModuleTest {
 protected:
  void SetUp() override {
    ZORModuleTest::SetUp();
    scale_ = NewScale();
  }
  void TearDown() override {
    scale_.Reset();
    ZORModuleTest::TearDown();
  }
  ZORIStNewColorScale_var scale_;
};

// A scale of `blocks` blocks with the given colors imposed (position, r, g, b, a) and the given
// boundaries imposed (position, value).
struct ZORImposedColor {
  int position;
  int red, green, blue, alpha;
};
struct ZORImposedValue {
  int position;
  double value;
};
void ConfigureScale(ZORIStNewColorScale* scale, int blocks, const std::vector<ZORImposedColor>& colors,
                    const std::vector<ZORImposedValue>& values);

std::vector<int> ToVector(const ZORRawCollint& list);
std::vector<double> ToVector(const ZORRawColldouble& list);

// The attribute of the scale's feature, as the host sees it.
ZORAttributeView ViewAttribute(const ZORIStNewColorScale_var& scale, const char* key);
