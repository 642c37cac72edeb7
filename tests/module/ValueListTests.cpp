// The value lists and the value table, through the loaded module.
#include "support/ZORTestSupport.h"

namespace {

struct ValueLists {
  int count = 0;
  std::vector<int> index;
  std::vector<double> values;
  std::vector<int> types;
};

struct ValueTable {
  std::vector<double> values;
  std::vector<int> index;
  double minimum = 0.0;
  double maximum = 0.0;
};

class Values : public ZORScaleTest {
 protected:
  ValueLists Stored() {
    ZORRawCollint index, types;
    ZORRawColldouble values;
    ValueLists lists;
    lists.count = -1;
    EXPECT_EQ(scale_->GetImposedValues(&lists.count, &index, &values, &types), S_OK);
    lists.index = ToVector(index);
    lists.values = ToVector(values);
    lists.types = ToVector(types);
    return lists;
  }
  ValueTable Table() {
    ZORRawColldouble values{42.0};
    ZORRawCollint index{42};
    ValueTable table;
    scale_->GetValueTable(&values, &index, &table.minimum, &table.maximum);
    table.values = ToVector(values);
    table.index = ToVector(index);
    return table;
  }
  HRESULT Impose(int count, ZORRawCollint positions, ZORRawColldouble values,
                 ZORRawCollint types) {
    return scale_->SetImposedValues(count, &positions, &values, &types);
  }
  std::pair<double, double> Extremes(double first = 9.0, double last = 9.0) {
    scale_->GetExtremeImposedValues(&first, &last);
    return {first, last};
  }

};

using D = std::vector<double>;
using I = std::vector<int>;

TEST_F(Values, ResetThenExtremesThenOneBoundary) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(5), S_OK);
  ValueLists stored = Stored();
  EXPECT_EQ(stored.count, 4);
  EXPECT_EQ(stored.index, I(4, -1));
  EXPECT_EQ(stored.values, D(4, 0.0));
  EXPECT_EQ(stored.types, I(4, -1));
  ValueTable table = Table();
  EXPECT_EQ(table.values, D(4, 0.0));
  EXPECT_EQ(table.index, I(4, -1));
  EXPECT_EQ(table.minimum, 0.0);
  EXPECT_EQ(table.maximum, 0.0);

  scale_->SetExtremeImposedValues(-1.0, 2.0);
  table = Table();
  EXPECT_EQ(table.values, (D{-1.0, 0.0, 1.0, 2.0}));
  EXPECT_EQ(table.index, (I{1, -1, -1, 4}));
  EXPECT_EQ(table.minimum, -1.0);
  EXPECT_EQ(table.maximum, 2.0);
  EXPECT_EQ(Stored().types, (I{0, -1, -1, 0}));
  EXPECT_EQ(Extremes(), std::make_pair(-1.0, 2.0));

  scale_->SetImposedValue(2, 1.5);
  EXPECT_EQ(Table().values, (D{-1.0, 1.5, 1.75, 2.0}));

  const int second[] = {2};
  scale_->UnsetImposedValues(second, 1);
  EXPECT_EQ(Table().values, (D{-1.0, 0.0, 1.0, 2.0}));
  stored = Stored();
  EXPECT_EQ(stored.values, (D{-1.0, 1.5, 0.0, 2.0}));
  EXPECT_EQ(stored.index, (I{1, -1, -1, 4}));
  EXPECT_EQ(stored.types, (I{0, 0, -1, 0}));
}

TEST_F(Values, WholeTableReplaced) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(5), S_OK);
  ASSERT_EQ(Impose(3, {1, 9, 4}, {0.5, 7.0, 3.5}, {2, 2, 3}), S_OK);
  ValueLists stored = Stored();
  EXPECT_EQ(stored.index, (I{1, -1, -1, 4}));
  EXPECT_EQ(stored.values, (D{0.5, 0.0, 0.0, 3.5}));
  EXPECT_EQ(stored.types, (I{2, -1, -1, 3}));
  EXPECT_EQ(Table().values, (D{0.5, 1.5, 2.5, 3.5}));
  // Count 0 resets every boundary, as a resize does.
  ASSERT_EQ(Impose(0, {}, {}, {}), S_OK);
  stored = Stored();
  EXPECT_EQ(stored.index, I(4, -1));
  EXPECT_EQ(stored.values, D(4, 0.0));
  EXPECT_EQ(stored.types, I(4, -1));

  // A list shorter than the count refuses the call and writes nothing.
  ZORHostTesting::RecordStoreCalls(true);
  EXPECT_EQ(Impose(2, {1, 4}, {0.5}, {0, 0}), E_FAIL);
  EXPECT_EQ(Impose(2, {1}, {0.5, 1.0}, {0, 0}), E_FAIL);
  EXPECT_EQ(Impose(2, {1, 4}, {0.5, 1.0}, {0}), E_FAIL);
  EXPECT_TRUE(ZORHostTesting::TakeStoreLog().empty());
  // Longer lists are fine: only the first count entries are read.
  ASSERT_EQ(Impose(1, {4, 1}, {8.0, 1.0}, {0, 0}), S_OK);
  EXPECT_EQ(Stored().index, (I{-1, -1, -1, 4}));
}

TEST_F(Values, LengthTestsOfTheSingleBoundarySetters) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(4), S_OK);
  EXPECT_EQ(scale_->SetFirstImposedValue(-2.0), 1);
  EXPECT_EQ(scale_->SetLastImposedValue(4.0), 1);
  EXPECT_EQ(Table().values, (D{-2.0, 1.0, 4.0}));
  scale_->SetImposedValue(0, 5.0);
  scale_->SetImposedValue(4, 5.0);
  EXPECT_EQ(Table().values, (D{-2.0, 1.0, 4.0}));

  // One member more than n - 1: first and last refuse, the extremes still write.
  ZORISpecObject_var feature = FeatureOf(scale_);
  int blocks = 3;
  {
    ZORVar<ZORISpecAttrAccess> access(feature);
    ZORSpecAttrKey_var key = ZORSpecAttrKey_var::Adopt(access->FindKey("NumberOfBlocks"));
    access->SetInteger(key.get(), blocks, 0);
  }
  EXPECT_EQ(scale_->SetFirstImposedValue(0.0), 0);
  EXPECT_EQ(scale_->SetLastImposedValue(0.0), 0);
  scale_->SetExtremeImposedValues(-3.0, 3.0);
  EXPECT_EQ(Stored().values, (D{-3.0, 3.0, 4.0}));
  // The table and the extremes need exactly n - 1 members.
  EXPECT_EQ(Table().values, D(2, 0.0));
  EXPECT_EQ(Extremes(), std::make_pair(9.0, 9.0));

  // Without the index list the first value is written and 0 is returned.
  ZORUndefineAttribute(feature.get(), "ImposedValuesIndexList");
  ASSERT_EQ(scale_->SetNumberOfBlocks(3), S_OK);
  EXPECT_EQ(scale_->SetFirstImposedValue(7.0), 0);
  ValueLists stored = Stored();
  EXPECT_EQ(stored.values, (D{7.0, 0.0}));
  EXPECT_EQ(stored.types, (I{0, -1}));
  EXPECT_TRUE(stored.index.empty());
}

TEST_F(Values, TwoBlocksAndOneBlock) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(2), S_OK);
  scale_->SetExtremeImposedValues(1.0, 2.0);
  EXPECT_EQ(Table().values, (D{2.0}));
  EXPECT_EQ(Extremes(), std::make_pair(2.0, 2.0));

  ASSERT_EQ(scale_->SetNumberOfBlocks(1), S_OK);
  ValueTable table = Table();
  EXPECT_TRUE(table.values.empty());
  EXPECT_EQ(table.minimum, ZORMathInfinite);
  EXPECT_EQ(table.maximum, -ZORMathInfinite);
  ZORHostTesting::RecordStoreCalls(true);
  scale_->SetExtremeImposedValues(1.0, 2.0);
  EXPECT_EQ(scale_->SetFirstImposedValue(1.0), 0);
  scale_->SetImposedValue(1, 1.0);
  EXPECT_TRUE(ZORHostTesting::TakeStoreLog().empty());
  EXPECT_EQ(Stored().count, 0);
}

TEST_F(Values, OutputsAndAbsentMinimumOrMaximum) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(3), S_OK);
  scale_->SetExtremeImposedValues(1.0, 3.0);
  // GetImposedValues appends.
  ZORRawCollint index{100}, types{100};
  ZORRawColldouble values{100.0};
  int count = 0;
  ASSERT_EQ(scale_->GetImposedValues(&count, &index, &values, &types), S_OK);
  EXPECT_EQ(ToVector(index), (I{100, 1, 2}));
  EXPECT_EQ(ToVector(values), (D{100.0, 1.0, 3.0}));
  // With only one of minimum and maximum given, it keeps its infinity.
  ZORRawColldouble table;
  ZORRawCollint tableIndex;
  double minimum = 0.0, maximum = 0.0;
  scale_->GetValueTable(&table, &tableIndex, &minimum, nullptr);
  EXPECT_EQ(minimum, ZORMathInfinite);
  scale_->GetValueTable(&table, &tableIndex, nullptr, &maximum);
  EXPECT_EQ(maximum, -ZORMathInfinite);
  EXPECT_EQ(ToVector(table), (D{1.0, 3.0}));
}

TEST_F(Values, ReleasingBoundaries) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(4), S_OK);
  ASSERT_EQ(Impose(3, {1, 2, 3}, {1.0, 5.0, 3.0}, {0, 0, 0}), S_OK);
  // Nothing at all when the count is 0 or above the list's length.
  const int all[] = {1, 2, 3, 2};
  scale_->UnsetImposedValues(all, 0);
  scale_->UnsetImposedValues(all, 4);
  EXPECT_EQ(Stored().index, (I{1, 2, 3}));
  // Position n (one past the list) is skipped rather than appended.
  const int pastTheEnd[] = {4, 2};
  scale_->UnsetImposedValues(pastTheEnd, 2);
  ValueLists stored = Stored();
  EXPECT_EQ(stored.count, 3);
  EXPECT_EQ(stored.index, (I{1, -1, 3}));
  EXPECT_EQ(Table().values, (D{1.0, 2.0, 3.0}));
  // Ends without an imposed neighbour are extended, keeping the table increasing.
  const int first[] = {1};
  scale_->UnsetImposedValues(first, 1);
  scale_->SetImposedValue(2, 5.0);
  EXPECT_EQ(Table().values, (D{7.0, 5.0, 3.0}));
  ASSERT_EQ(Impose(2, {2, 3}, {1.0, 2.0}, {0, 0}), S_OK);
  EXPECT_EQ(Table().values, (D{0.0, 1.0, 2.0}));
}

TEST_F(Values, WithoutAttributeStore) {
  ZORHostTesting::Withhold(ZORHostCall::QueryAttributeStore);
  ZORIStNewColorScale_var blind = NewScale();
  ZORHostTesting::Withhold(ZORHostCall::QueryAttributeStore, false);
  ZORRawCollint index, types;
  ZORRawColldouble values;
  int count = 5;
  EXPECT_EQ(blind->GetImposedValues(&count, &index, &values, &types), E_FAIL);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(blind->SetImposedValues(0, &index, &values, &types), E_FAIL);
  EXPECT_EQ(blind->SetFirstImposedValue(1.0), 0);
  EXPECT_EQ(blind->SetLastImposedValue(1.0), 0);
  double minimum = 0.0, maximum = 0.0;
  blind->GetValueTable(&values, &index, &minimum, &maximum);
  EXPECT_EQ(values.Size(), 0);
  EXPECT_EQ(minimum, ZORMathInfinite);
  EXPECT_EQ(maximum, -ZORMathInfinite);
}

}  // namespace
