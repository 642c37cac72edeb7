// The feature attribute store: positions, kinds, values and members.
#include <gtest/gtest.h>

#include "support/ZORTestSupport.h"
#include "zor/ZORAttributeStore.h"
#include "zor/ZORHostSession.h"

namespace {

class AttributeStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = std::make_unique<ZORHostSession>();
    ZORIPrtContainer_var container = GetPartContainer(nullptr);
    ASSERT_TRUE(container);
    ZOROsmSUHandler handler(ZORStNewColorScaleFeatureType, "", "ZORStDynAnalysisStartUps.feat");
    ASSERT_EQ(handler.Instanciate(feature_, container->GetInstantiationTarget().get(), {}), S_OK);
    access_ = ZORVar<ZORISpecAttrAccess>(feature_);
    ASSERT_TRUE(access_);
  }
  void TearDown() override {
    access_.Reset();
    feature_.Reset();
    session_.reset();
    ZORHostTesting::ClearFaults();
    EXPECT_EQ(ZORHostTesting::LiveComponentCount(), 0) << ZORHostTesting::DescribeLiveComponents();
  }
  ZORSpecAttrKey_var Key(const char* name) { return ZORSpecAttrKey_var::Adopt(access_->FindKey(name)); }
  std::vector<int> Integers(const char* name) {
    ZORSpecAttrKey_var key = Key(name);
    std::vector<int> values;
    for (int k = 1; k <= access_->ListSize(key.get()); ++k) values.push_back(access_->GetInteger(key.get(), k));
    return values;
  }

  std::unique_ptr<ZORHostSession> session_;
  ZORISpecObject_var feature_;
  ZORVar<ZORISpecAttrAccess> access_;
};

TEST_F(AttributeStoreTest, IntegerListPositions) {
  ZORSpecAttrKey_var red = Key("RedColorList");
  ASSERT_TRUE(red);
  EXPECT_TRUE(access_->HasValue(red.get()));
  EXPECT_EQ(access_->ListSize(red.get()), 0);
  // length+1 appends; any other position outside the list leaves it as it was.
  EXPECT_EQ(access_->SetInteger(red.get(), 10, 1), S_OK);
  EXPECT_EQ(access_->SetInteger(red.get(), 20, 2), S_OK);
  EXPECT_EQ(access_->SetInteger(red.get(), 99, 4), E_INVALIDARG);
  EXPECT_EQ(access_->SetInteger(red.get(), 99, 0), E_INVALIDARG);
  EXPECT_EQ(access_->SetInteger(red.get(), 99, -1), E_INVALIDARG);
  EXPECT_EQ(Integers("RedColorList"), (std::vector<int>{10, 20}));
  EXPECT_EQ(access_->SetInteger(red.get(), 15, 1), S_OK);
  EXPECT_EQ(Integers("RedColorList"), (std::vector<int>{15, 20}));
  // Reads outside the list give 0.
  EXPECT_EQ(access_->GetInteger(red.get(), 3), 0);
  EXPECT_EQ(access_->GetInteger(red.get(), 0), 0);
  EXPECT_EQ(access_->RemoveListMember(red.get(), 3), E_INVALIDARG);
  EXPECT_EQ(access_->RemoveListMember(red.get(), 2), S_OK);
  EXPECT_EQ(Integers("RedColorList"), (std::vector<int>{15}));
}

TEST_F(AttributeStoreTest, ScalarsKeepTheirKind) {
  ZORSpecAttrKey_var blocks = Key("NumberOfBlocks");
  ZORSpecAttrKey_var status = Key("AutoMinMaxStatus");
  EXPECT_EQ(access_->SetInteger(blocks.get(), 7, 0), S_OK);
  EXPECT_EQ(access_->SetInteger(blocks.get(), 8, 1), E_INVALIDARG);
  EXPECT_EQ(access_->GetInteger(blocks.get(), 0), 7);
  EXPECT_EQ(access_->SetBoolean(blocks.get(), 1, 0), E_INVALIDARG);
  // An 8-bit boolean is kept as it is.
  EXPECT_EQ(access_->SetBoolean(status.get(), 200, 0), S_OK);
  EXPECT_EQ(access_->GetBoolean(status.get(), 0), 200);
  EXPECT_EQ(access_->SetInteger(status.get(), 1, 0), E_INVALIDARG);
  // The initial undefined color is white and transparent.
  EXPECT_EQ(Integers("ColorUndefine"), (std::vector<int>{255, 255, 255, 0}));
}

TEST_F(AttributeStoreTest, UnsetAndUndefinedAttributes) {
  ZORSpecAttrKey_var blocks = Key("NumberOfBlocks");
  EXPECT_TRUE(ZORUnsetAttribute(feature_.get(), "NumberOfBlocks"));
  EXPECT_FALSE(access_->HasValue(blocks.get()));
  EXPECT_EQ(access_->GetInteger(blocks.get(), 0), 0);
  EXPECT_EQ(access_->SetInteger(blocks.get(), 0, 0), S_OK);
  EXPECT_TRUE(access_->HasValue(blocks.get()));

  EXPECT_TRUE(ZORUndefineAttribute(feature_.get(), "RedColorList"));
  EXPECT_FALSE(Key("RedColorList"));
  EXPECT_FALSE(Key("NoSuchAttribute"));
  EXPECT_FALSE(ZORUndefineAttribute(feature_.get(), "RedColorList"));
  ZORHostTesting::HideKey("GreenColorList");
  EXPECT_FALSE(Key("GreenColorList"));
}

TEST_F(AttributeStoreTest, ParameterMembers) {
  ZORSpecAttrKey_var values = Key("ImposedValuesList");
  ZORDocument* document = GetDocumentFromSpec(feature_);
  ASSERT_NE(document, nullptr);
  ZORVar<ZORIStDynAnalysisFactory> factory =
      ZORVar<ZORIStDynAnalysisFactory>::Adopt(GetStDynAnalysisFactory(document));
  ASSERT_TRUE(factory);
  ZORISpecObject_var parameter = factory->CreateParameter();
  ZORIMekParm_var parm(parameter);
  ASSERT_TRUE(parm);
  EXPECT_FALSE(parm->Value());  // no value yet
  parm->SetRealValue(2.5);
  EXPECT_EQ(parm->Value()->AsReal(), 2.5);
  EXPECT_EQ(parm->Value()->AsInteger(), 2);
  EXPECT_EQ(access_->SetListMember(values.get(), parameter.get(), 2, ZORFalse), E_INVALIDARG);
  EXPECT_EQ(access_->SetListMember(values.get(), parameter.get(), 1, ZORFalse), S_OK);
  EXPECT_EQ(access_->ListSize(values.get()), 1);
  ZORISpecObject_var member = ZORISpecObject_var::Adopt(access_->GetListMember(values.get(), 1));
  EXPECT_EQ(member.get(), parameter.get());
  EXPECT_EQ(access_->GetListMember(values.get(), 2), nullptr);
  // A real value out of the int range saturates instead of overflowing.
  parm->SetRealValue(1e300);
  EXPECT_EQ(parm->Value()->AsInteger(), 2147483647);
  parm->SetRealValue(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(parm->Value()->AsInteger(), 0);

  LifeCycleObject_var lifeCycle(member);
  ASSERT_TRUE(lifeCycle);
  const int removed = ZORHostTesting::ParametersRemoved();
  EXPECT_EQ(access_->RemoveListMember(values.get(), 1), S_OK);
  lifeCycle->Remove(0);
  EXPECT_EQ(ZORHostTesting::ParametersRemoved(), removed + 1);
  EXPECT_EQ(access_->ListSize(values.get()), 0);
}

TEST_F(AttributeStoreTest, FaultsOnParameters) {
  ZORVar<ZORIStDynAnalysisFactory> factory = ZORVar<ZORIStDynAnalysisFactory>::Adopt(
      GetStDynAnalysisFactory(GetDocumentFromSpec(feature_)));
  ZORHostTesting::FailParameterCreation(1);
  EXPECT_TRUE(factory->CreateParameter());
  EXPECT_FALSE(factory->CreateParameter());
  ZORHostTesting::ThrowAt(ZORHostCall::CreateParameter);
  EXPECT_THROW(factory->CreateParameter(), ZORHostFault);
}

}  // namespace
