// The scalar options, each kept in one attribute of the feature.
#include "support/ZORTestSupport.h"

namespace {

class Options : public ZORScaleTest {
 protected:
  void SetUp() override {
    ZORScaleTest::SetUp();
    feature_ = FeatureOf(scale_);
  }
  void TearDown() override {
    feature_.Reset();
    ZORScaleTest::TearDown();
  }
  // Store writes made by `action`.
  template <class Action>
  std::vector<std::string> WritesOf(Action action) {
    ZORHostTesting::RecordStoreCalls(true);
    action();
    std::vector<std::string> log = ZORHostTesting::TakeStoreLog();
    ZORHostTesting::RecordStoreCalls(false);
    return log;
  }

  ZORISpecObject_var feature_;
};

TEST_F(Options, SettersSkipEqualValuesAndWriteMissingOnes) {
  EXPECT_TRUE(WritesOf([&] { EXPECT_EQ(scale_->SetNonlinearScale(0), S_OK); }).empty());
  EXPECT_EQ(WritesOf([&] { EXPECT_EQ(scale_->SetNonlinearScale(3), S_OK); }),
            (std::vector<std::string>{"SetInteger NonlinearScale 0 3"}));
  int value = 0;
  EXPECT_EQ(scale_->GetNonlinearScale(value), S_OK);
  EXPECT_EQ(value, 3);
  // An attribute without a value is written, 0 included.
  ZORUnsetAttribute(feature_.get(), "GreenIsFlat");
  EXPECT_EQ(WritesOf([&] { EXPECT_EQ(scale_->SetGreenIsFlat(0), S_OK); }),
            (std::vector<std::string>{"SetInteger GreenIsFlat 0 0"}));
  ZORUnsetAttribute(feature_.get(), "AutoMinMaxStatus");
  EXPECT_EQ(WritesOf([&] { EXPECT_EQ(scale_->SetAutoMinMaxStatus(0), S_OK); }),
            (std::vector<std::string>{"SetBoolean AutoMinMaxStatus 0 0"}));
  // Nothing checks ranges.
  EXPECT_EQ(scale_->SetAbsoluteExtrema(-12345), S_OK);
  EXPECT_EQ(scale_->GetAbsoluteExtrema(value), S_OK);
  EXPECT_EQ(value, -12345);
}

TEST_F(Options, BooleansAreEightBitValues) {
  EXPECT_EQ(scale_->SetAutoMinMaxStatus(200), S_OK);
  EXPECT_EQ(scale_->SetNumberOfColorsStatus(2), S_OK);
  ZORBoolean status = 0;
  EXPECT_EQ(scale_->GetAutoMinMaxStatus(status), S_OK);
  EXPECT_EQ(status, 200);
  // 2 is not "equal" to 1: both are true, but the values differ and are written.
  EXPECT_EQ(WritesOf([&] { scale_->SetNumberOfColorsStatus(1); }).size(), 1u);
  EXPECT_EQ(scale_->GetNumberOfColorsStatus(status), S_OK);
  EXPECT_EQ(status, 1);
}

TEST_F(Options, GettersWithAndWithoutPreset) {
  for (const char* key : {"NonlinearScale", "AutoMinMaxOption", "AbsoluteExtrema", "GreenIsFlat",
                          "NumberOfBlocks", "AutoMinMaxStatus", "NumberOfColorsStatus"}) {
    ZORUnsetAttribute(feature_.get(), key);
  }
  int value = 7;
  EXPECT_EQ(scale_->GetNonlinearScale(value), E_FAIL);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(scale_->GetAutoMinMaxOption(value), E_FAIL);
  EXPECT_EQ(value, 7);
  ZORBoolean flag = 9;
  EXPECT_EQ(scale_->GetAutoMinMaxStatus(flag), E_FAIL);
  EXPECT_EQ(scale_->GetNumberOfColorsStatus(flag), E_FAIL);
  EXPECT_EQ(flag, 9);
  // These three leave 0 whenever they fail.
  EXPECT_EQ(scale_->GetAbsoluteExtrema(value), E_FAIL);
  EXPECT_EQ(value, 0);
  value = 7;
  EXPECT_EQ(scale_->GetGreenIsFlat(value), E_FAIL);
  EXPECT_EQ(value, 0);
  value = 7;
  EXPECT_EQ(scale_->GetNumberOfBlocks(value), E_FAIL);
  EXPECT_EQ(value, 0);
}

TEST_F(Options, GetOptionsTakesTheLowEightBits) {
  EXPECT_EQ(scale_->SetAbsoluteExtrema(256), S_OK);
  EXPECT_EQ(scale_->SetGreenIsFlat(2), S_OK);
  EXPECT_EQ(scale_->SetNonlinearScale(-1), S_OK);
  EXPECT_EQ(scale_->SetNumberOfColorsStatus(3), S_OK);
  ZORBoolean nonlinear = 9, absolute = 9, green = 9, colors = 9;
  scale_->GetOptions(nonlinear, absolute, green, colors);
  EXPECT_EQ(nonlinear, 255);
  EXPECT_EQ(absolute, 0);
  EXPECT_EQ(green, 2);
  EXPECT_EQ(colors, 3);
  // A missing or empty attribute leaves its output and does not stop the others.
  ZORUndefineAttribute(feature_.get(), "NonlinearScale");
  ZORUnsetAttribute(feature_.get(), "GreenIsFlat");
  nonlinear = absolute = green = colors = 9;
  scale_->GetOptions(nonlinear, absolute, green, colors);
  EXPECT_EQ(nonlinear, 9);
  EXPECT_EQ(absolute, 0);
  EXPECT_EQ(green, 9);
  EXPECT_EQ(colors, 3);
}

TEST_F(Options, UndefineColorIsStoredUnchanged) {
  int c[4] = {0, 0, 0, 0};
  EXPECT_EQ(scale_->GetColorUndefine(c[0], c[1], c[2], c[3]), S_OK);
  EXPECT_EQ(std::vector<int>(c, c + 4), (std::vector<int>{255, 255, 255, 0}));
  EXPECT_EQ(scale_->SetColorUndefine(300, -1, 7, 1000), S_OK);
  EXPECT_EQ(scale_->GetColorUndefine(c[0], c[1], c[2], c[3]), S_OK);
  EXPECT_EQ(std::vector<int>(c, c + 4), (std::vector<int>{300, -1, 7, 1000}));
  // Always written, even when equal.
  EXPECT_EQ(WritesOf([&] { scale_->SetColorUndefine(300, -1, 7, 1000); }).size(), 4u);
  ZORUnsetAttribute(feature_.get(), "ColorUndefine");
  c[0] = 42;
  EXPECT_EQ(scale_->GetColorUndefine(c[0], c[1], c[2], c[3]), E_FAIL);
  EXPECT_EQ(c[0], 42);
  EXPECT_EQ(scale_->SetColorUndefine(1, 2, 3, 4), S_OK);
  EXPECT_EQ(scale_->GetColorUndefine(c[0], c[1], c[2], c[3]), S_OK);
  EXPECT_EQ(std::vector<int>(c, c + 4), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(Options, MissingStoreOrAttributeFails) {
  ZORUndefineAttribute(feature_.get(), "AutoMinMaxOption");
  ZORUndefineAttribute(feature_.get(), "ColorUndefine");
  int value = 3;
  EXPECT_EQ(scale_->GetAutoMinMaxOption(value), E_FAIL);
  EXPECT_TRUE(WritesOf([&] { EXPECT_EQ(scale_->SetAutoMinMaxOption(5), E_FAIL); }).empty());
  EXPECT_EQ(scale_->SetColorUndefine(1, 2, 3, 4), E_FAIL);
  EXPECT_EQ(scale_->GetColorUndefine(value, value, value, value), E_FAIL);

  // A scale whose feature never answered for its attribute store.
  ZORHostTesting::Withhold(ZORHostCall::QueryAttributeStore);
  ZORIStNewColorScale_var blind = NewScale();
  ZORHostTesting::Withhold(ZORHostCall::QueryAttributeStore, false);
  value = 3;
  EXPECT_EQ(blind->GetAbsoluteExtrema(value), E_FAIL);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(blind->SetAbsoluteExtrema(1), E_FAIL);
  EXPECT_EQ(blind->SetAutoMinMaxStatus(1), E_FAIL);
  EXPECT_EQ(blind->SetColorUndefine(1, 2, 3, 4), E_FAIL);
  EXPECT_EQ(blind->SetNumberOfBlocks(4), E_FAIL);
  ZORBoolean flags[4] = {7, 7, 7, 7};
  blind->GetOptions(flags[0], flags[1], flags[2], flags[3]);
  EXPECT_EQ(flags[0], 7);
}

}  // namespace
