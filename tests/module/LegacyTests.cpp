// Converting a color scale of the host's older kind into a new one.
#include "support/ZORTestSupport.h"

namespace {

class Legacy : public ZORModuleTest {
 protected:
  ZORLegacyScaleData Sample() {
    ZORLegacyScaleData data;
    data.blockCount = 10;
    data.red = std::vector<int>(10, 0);
    data.green = std::vector<int>(10, 0);
    data.blue = std::vector<int>(10, 0);
    data.alpha = std::vector<int>(10, 255);
    data.imposedColorIndices = std::vector<int>(10, -1);
    (*data.imposedColorIndices)[0] = 0;
    (*data.red)[9] = 255;
    (*data.imposedColorIndices)[9] = 9;
    data.values = std::vector<double>{10.0, 20.0, 30.0};
    data.imposedValueIndices = std::vector<int>{0, -1, 8};
    return data;
  }
  HRESULT Convert(const ZORLegacyScaleData& data, ZORIStNewColorScale_var& result) {
    ZORIStLegacyColorScale_var legacy = ZORMakeLegacyColorScale(data);
    return Factory()->CreateFromLegacyColorScale(legacy, result);
  }
  std::size_t FeatureCount() { return Session().CurrentDocument()->Features().size(); }
};

TEST_F(Legacy, ValuesNotImposedAreDroppedAndIndicesShifted) {
  ZORLegacyScaleData data = Sample();
  (*data.imposedColorIndices)[1] = -1;
  (*data.imposedColorIndices)[2] = 4;
  (*data.red)[2] = 100;
  ZORIStNewColorScale_var result;
  ASSERT_EQ(Convert(data, result), S_OK);
  ASSERT_TRUE(result);
  int blocks = 0;
  result->GetNumberOfBlocks(blocks);
  EXPECT_EQ(blocks, 10);
  // The legacy scale handed back 3 values, not the 9 asked for; 20 was not imposed.
  ZORRawCollint index, types;
  ZORRawColldouble values;
  int count = 0;
  ASSERT_EQ(result->GetImposedValues(&count, &index, &values, &types), S_OK);
  EXPECT_EQ(ToVector(index), (std::vector<int>{1, -1, -1, -1, -1, -1, -1, -1, 9}));
  EXPECT_EQ(values[1], 10.0);
  EXPECT_EQ(values[9], 30.0);
  EXPECT_EQ(ToVector(types), (std::vector<int>{0, -1, -1, -1, -1, -1, -1, -1, 0}));
  ZORRawColldouble table;
  ZORRawCollint tableIndex;
  double minimum = 0, maximum = 0;
  result->GetValueTable(&table, &tableIndex, &minimum, &maximum);
  EXPECT_EQ(minimum, 10.0);
  EXPECT_EQ(maximum, 30.0);
  EXPECT_EQ(table[5], 20.0);
  // Color indices 0, -1, 4 become 1, -1, 5, and the color of the third block goes to position 5,
  // where its index points.
  ZORRawCollint colorIndex, red, green, blue, alpha, colorTypes;
  count = 0;
  ASSERT_EQ(result->GetColors(&count, &colorIndex, &red, &green, &blue, &alpha, &colorTypes), S_OK);
  EXPECT_EQ(ToVector(colorIndex), (std::vector<int>{1, -1, -1, -1, 5, -1, -1, -1, -1, 10}));
  EXPECT_EQ(red[5], 100);
  EXPECT_EQ(ToVector(colorTypes), (std::vector<int>{0, -1, -1, -1, 0, -1, -1, -1, -1, 0}));
}

TEST_F(Legacy, NoBlocksAndNoImposedValue) {
  ZORLegacyScaleData data;
  data.blockCount = 0;
  data.red = data.green = data.blue = data.alpha = data.imposedColorIndices = std::vector<int>{};
  data.values = std::vector<double>{5.0};
  data.imposedValueIndices = std::vector<int>{-1};
  ZORIStNewColorScale_var result;
  ASSERT_EQ(Convert(data, result), S_OK);
  int blocks = -1;
  result->GetNumberOfBlocks(blocks);
  EXPECT_EQ(blocks, 0);
  int red = 0, green = 0, blue = 0, alpha = 0;
  EXPECT_EQ(result->GetColorForValue(1.0, &red, &green, &blue, &alpha), -1);
}

TEST_F(Legacy, RefusalsLeaveTheResultAsItWas) {
  ZORIStColorScaleFactory_var factory = Factory();
  ZORIStNewColorScale_var held = factory->CreateColorScale();
  ASSERT_EQ(held->SetNumberOfBlocks(2), S_OK);
  ZORIStNewColorScale_var result = held;
  const std::size_t features = FeatureCount();

  EXPECT_EQ(factory->CreateFromLegacyColorScale(ZORIStLegacyColorScale_var(), result), E_INVALIDARG);
  ZORLegacyScaleData noParameters = Sample();
  noParameters.hasParameters = false;
  EXPECT_EQ(Convert(noParameters, result), E_FAIL);
  for (int missing = 0; missing < 7; ++missing) {
    ZORLegacyScaleData data = Sample();
    switch (missing) {
      case 0: data.red.reset(); break;
      case 1: data.green.reset(); break;
      case 2: data.blue.reset(); break;
      case 3: data.alpha.reset(); break;
      case 4: data.imposedColorIndices.reset(); break;
      case 5: data.values.reset(); break;
      default: data.imposedValueIndices.reset(); break;
    }
    EXPECT_EQ(Convert(data, result), E_FAIL) << "array " << missing;
  }
  // Without a factory, with and without a scale in the result.
  ZORHostTesting::Withhold(ZORHostCall::CreateColorScaleFactory);
  EXPECT_EQ(Convert(Sample(), result), E_FAIL);
  ZORIStNewColorScale_var empty;
  EXPECT_EQ(Convert(Sample(), empty), E_FAIL);
  EXPECT_FALSE(empty);
  ZORHostTesting::Withhold(ZORHostCall::CreateColorScaleFactory, false);

  EXPECT_EQ(result.get(), held.get());
  int blocks = 0;
  held->GetNumberOfBlocks(blocks);
  EXPECT_EQ(blocks, 2);
  EXPECT_EQ(FeatureCount(), features);

  // A factory that makes no scale empties the result.
  ZORHostTesting::Withhold(ZORHostCall::GetPartContainer, Session().CurrentDocument());
  EXPECT_EQ(Convert(Sample(), result), E_FAIL);
  EXPECT_FALSE(result);
}

TEST_F(Legacy, ArraysAreGivenBackWhenAHostCallThrows) {
  ZORIStNewColorScale_var result;
  ZORHostTesting::ThrowAt(ZORHostCall::GetPartContainer);
  EXPECT_THROW(Convert(Sample(), result), ZORHostFault);
  ZORHostTesting::ThrowAt(ZORHostCall::CreateParameter, 3);
  EXPECT_THROW(Convert(Sample(), result), ZORHostFault);
  // The sanitizers' leak check proves the legacy arrays were freed.
}

}  // namespace
