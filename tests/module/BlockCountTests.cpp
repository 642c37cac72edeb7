// Changing the number of blocks: the count is stored and both kinds of lists are resized and
// reset, colors first.
#include <algorithm>

#include "support/ZORTestSupport.h"

namespace {

class BlockCount : public ZORScaleTest {
 protected:
  // The removals and deletions that changing the count to `count` makes, in order.
  std::vector<std::string> RemovalsOf(int count) {
    ZORHostTesting::RecordStoreCalls(true);
    EXPECT_EQ(scale_->SetNumberOfBlocks(count), S_OK);
    std::vector<std::string> log = ZORHostTesting::TakeStoreLog();
    ZORHostTesting::RecordStoreCalls(false);
    std::erase_if(log, [](const std::string& line) {
      return line.rfind("RemoveListMember", 0) != 0 && line != "Remove parameter";
    });
    return log;
  }
  std::size_t Members(const char* key) { return ViewAttribute(scale_, key).entries.size(); }

};

TEST_F(BlockCount, TrimsFromTheEndAndDeletesParameters) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(7), S_OK);
  const int removedBefore = ZORHostTesting::ParametersRemoved();
  std::vector<std::string> expected;
  for (int p = 7; p >= 5; --p) {
    const std::string at = " " + std::to_string(p);
    expected.push_back("RemoveListMember ImposedColorsIndexList" + at);
    expected.push_back("RemoveListMember ColorInterpolTypeList" + at);
    expected.push_back("Remove parameter");
    for (const char* list : {"RedColorList", "GreenColorList", "BlueColorList", "AlphaColorList"}) {
      expected.push_back(std::string("RemoveListMember ") + list + at);
    }
  }
  // Six boundaries down to three: members 6, 5 and 4 of each value list.
  for (int p = 6; p >= 4; --p) {
    const std::string at = " " + std::to_string(p);
    expected.push_back("RemoveListMember ValueInterpolTypeList" + at);
    expected.push_back("Remove parameter");
    expected.push_back("RemoveListMember ImposedValuesList" + at);
    expected.push_back("Remove parameter");
    expected.push_back("RemoveListMember ImposedValuesIndexList" + at);
  }
  EXPECT_EQ(RemovalsOf(4), expected);
  EXPECT_EQ(ZORHostTesting::ParametersRemoved(), removedBefore + 9);
  EXPECT_EQ(Members("ColorInterpolTypeList"), 4u);
  EXPECT_EQ(Members("ImposedValuesList"), 3u);
}

TEST_F(BlockCount, GrowingCreatesMembersAndResetsAll) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(3), S_OK);
  scale_->SetExtremeImposedValues(1.0, 2.0);
  const int createdBefore = ZORHostTesting::ParametersCreated();
  EXPECT_TRUE(RemovalsOf(6).empty());
  // Boundaries 3, 4 and 5 are new, each with a value and a type; colors 4, 5 and 6 a type.
  EXPECT_EQ(ZORHostTesting::ParametersCreated(), createdBefore + 9);
  ZORAttributeView values = ViewAttribute(scale_, "ImposedValuesList");
  ASSERT_EQ(values.entries.size(), 5u);
  for (const ZORAttributeEntry& entry : values.entries) EXPECT_EQ(entry.real, 0.0);
  EXPECT_EQ(ViewAttribute(scale_, "ImposedValuesIndexList").entries.size(), 5u);
  EXPECT_EQ(Members("RedColorList"), 6u);

  // The same count again still rewrites and resets everything.
  scale_->SetExtremeImposedValues(1.0, 2.0);
  ASSERT_EQ(scale_->SetNumberOfBlocks(6), S_OK);
  for (const ZORAttributeEntry& entry : ViewAttribute(scale_, "ImposedValuesIndexList").entries) {
    EXPECT_EQ(entry.integer, -1);
  }
}

TEST_F(BlockCount, WithoutAnalysisFactoryParameterListsKeepTheirMembers) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(7), S_OK);
  scale_.Reset();
  ZORHostTesting::Withhold(ZORHostCall::GetStDynAnalysisFactory, Session().CurrentDocument());
  ZORIStColorScaleFactory_var factory = Factory();
  ZORIStNewColorScale_var blind = factory->CreateColorScale();
  ASSERT_EQ(blind->SetNumberOfBlocks(7), S_OK);
  EXPECT_EQ(ViewAttribute(blind, "ColorInterpolTypeList").entries.size(), 0u);
  ZORISpecObject_var feature = FeatureOf(blind);
  blind.Reset();
  // A scale with members, reopened without a factory.
  ZORHostTesting::Withhold(ZORHostCall::GetStDynAnalysisFactory, Session().CurrentDocument(), false);
  scale_ = NewScale();
  ASSERT_EQ(scale_->SetNumberOfBlocks(7), S_OK);
  ZORISpecObject_var withMembers = FeatureOf(scale_);
  scale_.Reset();  // the extension goes; the feature stays in the document
  ZORHostTesting::Withhold(ZORHostCall::GetStDynAnalysisFactory, Session().CurrentDocument());
  scale_ = ZORIStNewColorScale_var(withMembers);
  ASSERT_EQ(scale_->SetNumberOfBlocks(4), S_OK);
  EXPECT_EQ(Members("ImposedColorsIndexList"), 4u);
  EXPECT_EQ(Members("RedColorList"), 4u);
  EXPECT_EQ(Members("ColorInterpolTypeList"), 7u);
  EXPECT_EQ(Members("ImposedValuesIndexList"), 3u);
  EXPECT_EQ(Members("ImposedValuesList"), 6u);
}

TEST_F(BlockCount, CountsBelowOneAndAboveTheLimit) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(4), S_OK);
  int blocks = 0;
  for (int count : {0, -3}) {
    ASSERT_EQ(scale_->SetNumberOfBlocks(count), S_OK);
    EXPECT_EQ(scale_->GetNumberOfBlocks(blocks), S_OK);
    EXPECT_EQ(blocks, count);
    EXPECT_EQ(Members("RedColorList"), 0u);
    EXPECT_EQ(Members("ImposedValuesList"), 0u);
  }
  // The most negative count takes no longer than any other.
  ASSERT_EQ(scale_->SetNumberOfBlocks(std::numeric_limits<int>::min()), S_OK);
  // One integer may not make the store grow without bound.
  ASSERT_EQ(scale_->SetNumberOfBlocks(3), S_OK);
  ZORHostTesting::RecordStoreCalls(true);
  EXPECT_EQ(scale_->SetNumberOfBlocks(65537), E_INVALIDARG);
  EXPECT_EQ(scale_->SetNumberOfBlocks(std::numeric_limits<int>::max()), E_INVALIDARG);
  EXPECT_TRUE(ZORHostTesting::TakeStoreLog().empty());
  EXPECT_EQ(scale_->GetNumberOfBlocks(blocks), S_OK);
  EXPECT_EQ(blocks, 3);
  // No count attribute: nothing is written or resized.
  ZORUndefineAttribute(FeatureOf(scale_).get(), "NumberOfBlocks");
  EXPECT_EQ(scale_->SetNumberOfBlocks(5), E_FAIL);
  EXPECT_EQ(Members("RedColorList"), 3u);
}

}  // namespace
