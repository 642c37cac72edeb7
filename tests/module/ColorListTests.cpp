// The color lists and the color table, through the loaded module.
#include "support/ZORTestSupport.h"

namespace {

struct ColorLists {
  int count = 0;
  std::vector<int> index, red, green, blue, alpha, types;
};

class Colors : public ZORScaleTest {
 protected:
  ColorLists Stored(int count = 0) {
    ZORRawCollint index, red, green, blue, alpha, types;
    ColorLists lists;
    lists.count = count;
    EXPECT_EQ(scale_->GetColors(&lists.count, &index, &red, &green, &blue, &alpha, &types), S_OK);
    lists.index = ToVector(index);
    lists.red = ToVector(red);
    lists.green = ToVector(green);
    lists.blue = ToVector(blue);
    lists.alpha = ToVector(alpha);
    lists.types = ToVector(types);
    return lists;
  }
  ColorLists Table() {
    ZORRawCollint index, red, green, blue, alpha;
    // Outputs are emptied first.
    red.Append(99);
    scale_->GetColorTable(&red, &green, &blue, &alpha, &index);
    ColorLists table;
    table.count = red.Size();
    table.index = ToVector(index);
    table.red = ToVector(red);
    table.green = ToVector(green);
    table.blue = ToVector(blue);
    table.alpha = ToVector(alpha);
    return table;
  }
  HRESULT Impose(std::vector<int> index, std::vector<int> red, std::vector<int> green,
                 std::vector<int> blue, std::vector<int> alpha, std::vector<int> types) {
    ZORRawCollint lists[6];
    std::vector<int>* sources[6] = {&index, &red, &green, &blue, &alpha, &types};
    for (int l = 0; l < 6; ++l) {
      for (int v : *sources[l]) lists[l].Append(v);
    }
    return scale_->SetColors(static_cast<int>(index.size()), &lists[0], &lists[1], &lists[2],
                             &lists[3], &lists[4], &lists[5]);
  }

};

using V = std::vector<int>;

TEST_F(Colors, ResetAndRoundTripOfTheResetLists) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(5), S_OK);
  ColorLists stored = Stored();
  EXPECT_EQ(stored.count, 5);
  EXPECT_EQ(stored.index, V(5, 0));
  EXPECT_EQ(stored.red, V(5, 0));
  EXPECT_EQ(stored.alpha, V(5, 0));
  EXPECT_EQ(stored.types, V(5, -1));
  ColorLists table = Table();
  EXPECT_EQ(table.count, 5);
  EXPECT_EQ(table.index, V(5, 0));
  EXPECT_EQ(table.red, V(5, 0));

  // Index 0 is outside 1..n: handing the reset lists back imposes nothing.
  ASSERT_EQ(Impose(stored.index, stored.red, stored.green, stored.blue, stored.alpha, stored.types),
            S_OK);
  EXPECT_EQ(Stored().index, V(5, -1));
  EXPECT_EQ(Table().index, V(5, -1));
}

TEST_F(Colors, ImposedSetWithPlaceholdersAndInterpolation) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(5), S_OK);
  ASSERT_EQ(Impose({1, -1, 5}, {0, 50, 255}, {0, 50, 0}, {255, 50, 0}, {255, 50, 255},
                   {7, 8, 9}),
            S_OK);
  ColorLists stored = Stored();
  EXPECT_EQ(stored.index, (V{1, -1, -1, -1, 5}));
  EXPECT_EQ(stored.red, (V{0, -1, -1, -1, 255}));
  EXPECT_EQ(stored.alpha, (V{255, 0, 0, 0, 255}));
  EXPECT_EQ(stored.types, (V{7, -1, -1, -1, 9}));
  ColorLists table = Table();
  EXPECT_EQ(table.index, (V{1, -1, -1, -1, 5}));
  EXPECT_EQ(table.red, (V{0, 63, 126, 189, 255}));
  EXPECT_EQ(table.green, V(5, 0));
  EXPECT_EQ(table.blue, (V{255, 192, 129, 66, 0}));
  EXPECT_EQ(table.alpha, V(5, 255));

  // A later entry for the same position wins; positions outside 1..n are skipped.
  ASSERT_EQ(Impose({2, 2, 6, 0}, {1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4},
                   {1, 2, 3, 4}),
            S_OK);
  stored = Stored();
  EXPECT_EQ(stored.index, (V{-1, 2, -1, -1, -1}));
  EXPECT_EQ(stored.red, (V{-1, 2, -1, -1, -1}));
  // A single imposed color: the others take it.
  EXPECT_EQ(Table().red, V(5, 2));
  // Count 0 releases every color.
  ASSERT_EQ(Impose({}, {}, {}, {}, {}, {}), S_OK);
  EXPECT_EQ(Stored().index, V(5, -1));
  EXPECT_EQ(Table().red, V(5, 0));
}

TEST_F(Colors, RefusedSetsWriteNothing) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(3), S_OK);
  ZORHostTesting::RecordStoreCalls(true);
  EXPECT_EQ(Impose({1, 2}, {1, 2}, {1}, {1, 2}, {1, 2}, {1, 2}), E_FAIL);
  ZORRawCollint one{1}, two{1, 2};
  EXPECT_EQ(scale_->SetColors(1, &one, &one, &one, &one, &one, &two), E_FAIL);
  EXPECT_EQ(scale_->SetColors(1, &one, &one, nullptr, &one, &one, &one), E_INVALIDARG);
  EXPECT_TRUE(ZORHostTesting::TakeStoreLog().empty());
}

TEST_F(Colors, SingleColorAndReleasingColors) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(4), S_OK);
  ASSERT_EQ(Impose({1, 4}, {0, 90}, {0, 0}, {0, 0}, {255, 255}, {3, 3}), S_OK);
  scale_->SetColor(2, 400, -5, 1, 2);
  scale_->SetColor(5, 1, 1, 1, 1);
  scale_->SetColor(0, 1, 1, 1, 1);
  ColorLists stored = Stored();
  EXPECT_EQ(stored.index, (V{1, 2, -1, 4}));
  EXPECT_EQ(stored.red, (V{0, 400, -1, 90}));
  EXPECT_EQ(stored.types, (V{3, 0, -1, 3}));
  EXPECT_EQ(Table().red, (V{0, 400, 245, 90}));
  ZORRawCollint indices;
  scale_->GetImposedColorsIndexList(&indices);
  EXPECT_EQ(ToVector(indices), (V{1, 2, -1, 4}));

  // A count of 0, or above the list's length, changes nothing.
  const int positions[] = {2, 4, 1, 3, 2};
  scale_->UnsetImposedColors(positions, 0);
  scale_->UnsetImposedColors(positions, 5);
  EXPECT_EQ(Stored().index, (V{1, 2, -1, 4}));
  // A position past the blocks is skipped rather than appended.
  const int pastTheEnd[] = {5, 2};
  scale_->UnsetImposedColors(pastTheEnd, 2);
  stored = Stored();
  EXPECT_EQ(stored.index, (V{1, -1, -1, 4}));
  EXPECT_EQ(stored.red, (V{0, 400, -1, 90}));
  EXPECT_EQ(Table().red, (V{0, 30, 60, 90}));
  EXPECT_EQ(Table().index, (V{1, -1, -1, 4}));
}

TEST_F(Colors, ShortOrMissingListsFallBackToDefaults) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(3), S_OK);
  ASSERT_EQ(Impose({1, 2, 3}, {10, 20, 30}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {0, 0, 0}), S_OK);
  ZORISpecObject_var feature = FeatureOf(scale_);
  {
    ZORVar<ZORISpecAttrAccess> access(feature);
    ZORSpecAttrKey_var index = ZORSpecAttrKey_var::Adopt(access->FindKey("ImposedColorsIndexList"));
    ASSERT_EQ(access->RemoveListMember(index.get(), 3), S_OK);
  }
  ColorLists table = Table();
  EXPECT_EQ(table.red, V(3, 0));
  EXPECT_EQ(table.index, V(3, -1));
  int red = 7, green = 7, blue = 7, alpha = 7;
  // The evaluation works on those defaults: every placed value is (0, 0, 0, 0).
  EXPECT_EQ(scale_->GetColorForValue(5.0, &red, &green, &blue, &alpha), 3);
  EXPECT_EQ(red + green + blue + alpha, 0);

  // Without the index list the whole count comes from the caller.
  ZORUnsetAttribute(feature.get(), "ImposedColorsIndexList");
  ZORUndefineAttribute(feature.get(), "GreenColorList");
  ColorLists stored = Stored(2);
  EXPECT_EQ(stored.count, 2);
  EXPECT_TRUE(stored.index.empty());
  EXPECT_TRUE(stored.green.empty());
  EXPECT_EQ(stored.red, (V{10, 20}));
}

}  // namespace
