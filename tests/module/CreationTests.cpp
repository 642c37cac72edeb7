// Creating color scales and the object behind them: its host bindings, its plain values and its
// editor-close subscription.
#include <cmath>

#include "support/ZORTestSupport.h"

namespace {

using Creation = ZORModuleTest;

TEST_F(Creation, TwoCallsMakeTwoFeatures) {
  ZORIStColorScaleFactory_var factory = Factory();
  ZORIStNewColorScale_var first = factory->CreateColorScale();
  ZORIStNewColorScale_var second = factory->CreateColorScale();
  ASSERT_TRUE(first && second);
  EXPECT_NE(FeatureOf(first).get(), FeatureOf(second).get());
  EXPECT_EQ(Session().CurrentDocument()->Features().size(), 2u);
  EXPECT_STREQ(FeatureOf(first)->GetTypeName(), "StNewColorScaleFeature");
  // The second request for the interface finds the adapter of the first.
  ZORIStNewColorScale_var again(FeatureOf(first));
  EXPECT_EQ(again.get(), first.get());
  // A new scale is valid and unconfigured.
  int blocks = -1;
  EXPECT_EQ(first->GetNumberOfBlocks(blocks), S_OK);
  EXPECT_EQ(blocks, 0);
}

TEST_F(Creation, MissingContainerOrTargetGivesEmptyHandle) {
  ZORIStColorScaleFactory_var factory = Factory();
  // The start-up handler would throw if it were used.
  ZORHostTesting::ThrowAt(ZORHostCall::Instanciate);
  ZORHostTesting::Withhold(ZORHostCall::GetPartContainer, Session().CurrentDocument());
  EXPECT_FALSE(factory->CreateColorScale());
  ZORHostTesting::Withhold(ZORHostCall::GetPartContainer, Session().CurrentDocument(), false);
  ZORHostTesting::Withhold(ZORHostCall::GetInstantiationTarget, Session().CurrentDocument());
  EXPECT_FALSE(factory->CreateColorScale());
  Session().SetCurrentDocument(nullptr);
  EXPECT_FALSE(factory->CreateColorScale());
  ZORHostTesting::ClearFaults();
  Session().NewDocument();
  EXPECT_TRUE(factory->CreateColorScale());
}

TEST_F(Creation, HandlesAreGivenBackWhenAHostCallThrows) {
  ZORIStColorScaleFactory_var factory = Factory();
  for (ZORHostCall call : {ZORHostCall::GetPartContainer, ZORHostCall::GetInstantiationTarget,
                           ZORHostCall::Instanciate, ZORHostCall::GetDocumentFromSpec,
                           ZORHostCall::GetStDynAnalysisFactory,
                           ZORHostCall::GetGeometricalFactory}) {
    ZORHostTesting::ThrowAt(call);
    EXPECT_THROW(factory->CreateColorScale(), ZORHostFault) << ZORHostCallName(call);
    ZORHostTesting::ClearFaults();
  }
  // Nothing half-built stays subscribed to the layout.
  EXPECT_EQ(CountCallbacks(Session().CurrentLayout(), ZORFrmEditor::EDITOR_CLOSE_ENDED()), 0);
}

TEST_F(Creation, FreshObjectWithoutHostServices) {
  ZORDocument* document = Session().CurrentDocument();
  ZORHostTesting::Withhold(ZORHostCall::GetStDynAnalysisFactory, document);
  ZORHostTesting::Withhold(ZORHostCall::GetGeometricalFactory, document);
  Session().SetCurrentLayout(nullptr);
  ZORIStNewColorScale_var scale = NewScale();
  double values[4] = {0, 0, 0, 0};
  scale->GetCurvatureLimits(&values[0], &values[1], &values[2], &values[3]);
  EXPECT_EQ(values[0], -ZORMathInfinite);
  EXPECT_EQ(values[1], ZORMathInfinite);
  EXPECT_EQ(values[2], ZORMathInfinite);
  EXPECT_EQ(values[3], -ZORMathInfinite);
  scale->GetValueRange(&values[0], &values[1]);
  EXPECT_EQ(values[0], -ZORMathInfinite);
  EXPECT_EQ(values[1], ZORMathInfinite);
  int pairInt = 9;
  double pairDouble = 9.0;
  scale->GetIntDoublePair(&pairInt, &pairDouble);
  EXPECT_EQ(pairInt, 0);
  EXPECT_EQ(pairDouble, 0.0);
  int five[5] = {9, 9, 9, 9, 9};
  scale->GetFiveInts(&five[0], &five[1], &five[2], &five[3], &five[4]);
  EXPECT_EQ(std::vector<int>(five, five + 5), std::vector<int>(5, 0));
  EXPECT_EQ(scale->IsStateFlagClear(), ZORTrue);
  EXPECT_EQ(ZORHostTesting::SetDocumentCalls(document), 0);
  // Without an analysis factory no list member can be made.
  EXPECT_EQ(scale->SetNumberOfBlocks(3), S_OK);
  EXPECT_EQ(ViewAttribute(scale, "ImposedValuesList").entries.size(), 0u);
}

TEST_F(Creation, WithoutGeometricalFactoryTheToleranceIsZero) {
  ZORHostTesting::Withhold(ZORHostCall::GetGeometricalFactory, Session().CurrentDocument());
  ZORIStNewColorScale_var scale = NewScale();
  ConfigureScale(scale.get(), 3, {{1, 10, 0, 0, 255}, {2, 20, 0, 0, 255}, {3, 30, 0, 0, 255}},
                 {{1, 0.0}, {2, 1.0}});
  // Only a value exactly on the upper boundary takes the color below it.
  int red = 0, green = 0, blue = 0, alpha = 0;
  EXPECT_EQ(scale->GetColorForValue(1.0, &red, &green, &blue, &alpha), 2);
  EXPECT_EQ(scale->GetColorForValue(std::nextafter(1.0, 2.0), &red, &green, &blue, &alpha), 3);
}

TEST_F(Creation, ModelToleranceAndItsReport) {
  Session().CurrentDocument()->SetTolerance(1, 0.25);
  testing::internal::CaptureStderr();
  ZORIStNewColorScale_var scale = NewScale();
  std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("0.25"), std::string::npos) << report;
  EXPECT_NE(report.find("error indicator 1"), std::string::npos) << report;
  ConfigureScale(scale.get(), 4,
                 {{1, 10, 0, 0, 255}, {2, 20, 0, 0, 255}, {3, 30, 0, 0, 255}, {4, 40, 0, 0, 255}},
                 {{1, 0.0}, {2, 1.0}, {3, 2.0}});
  int red = 0, green = 0, blue = 0, alpha = 0;
  // Within the tolerance of boundary 2: the color above it.
  EXPECT_EQ(scale->GetColorForValue(0.9, &red, &green, &blue, &alpha), 3);
  EXPECT_EQ(red, 30);
  EXPECT_EQ(scale->SetTolerance(0.0), S_OK);
  EXPECT_EQ(scale->GetColorForValue(0.9, &red, &green, &blue, &alpha), 2);
  EXPECT_EQ(red, 20);
}

TEST_F(Creation, PlainValuesAreKeptAsGiven) {
  ZORIStNewColorScale_var scale = NewScale();
  scale->SetValueRange(5, 1);
  double minimum = 0, maximum = 0;
  scale->GetValueRange(&minimum, &maximum);
  EXPECT_EQ(minimum, 5);
  EXPECT_EQ(maximum, 1);
  scale->SetCurvatureLimits(4, 3, 2, 1);
  double limits[4];
  scale->GetCurvatureLimits(&limits[0], &limits[1], &limits[2], &limits[3]);
  EXPECT_EQ(std::vector<double>(limits, limits + 4), (std::vector<double>{4, 3, 2, 1}));
  int pairInt = -7;
  double pairDouble = -0.0;
  scale->SetIntDoublePair(&pairInt, &pairDouble);
  pairInt = 1;
  pairDouble = 1;
  scale->GetIntDoublePair(&pairInt, &pairDouble);
  EXPECT_EQ(pairInt, -7);
  EXPECT_TRUE(std::signbit(pairDouble));
  int five[5] = {1, -2, 3, -4, 2147483647};
  scale->SetFiveInts(&five[0], &five[1], &five[2], &five[3], &five[4]);
  five[0] = 0;
  int read[5];
  scale->GetFiveInts(&read[0], &read[1], &read[2], &read[3], &read[4]);
  EXPECT_EQ(std::vector<int>(read, read + 5), (std::vector<int>{1, -2, 3, -4, 2147483647}));
  scale->Reserved();
}

TEST_F(Creation, UpdateBindsTheDocumentAgain) {
  ZORHostTesting::Withhold(ZORHostCall::QueryAttributeStore);
  ZORIStNewColorScale_var scale = NewScale();
  int blocks = 0;
  EXPECT_EQ(scale->GetNumberOfBlocks(blocks), E_FAIL);
  ZORHostTesting::Withhold(ZORHostCall::QueryAttributeStore, false);
  ZORDocument* document = Session().CurrentDocument();
  const int calls = ZORHostTesting::SetDocumentCalls(document);
  EXPECT_EQ(scale->Update(), S_OK);
  EXPECT_EQ(scale->GetNumberOfBlocks(blocks), S_OK);
  EXPECT_EQ(ZORHostTesting::SetDocumentCalls(document), calls + 1);
  EXPECT_EQ(ZORHostTesting::AnalysisFactoryDocument(document), document);
  // A feature that has left its document: the factory it holds is handed a null document.
  document->DetachFeatures();
  EXPECT_EQ(scale->Update(), S_OK);
  EXPECT_EQ(ZORHostTesting::SetDocumentCalls(document), calls + 2);
  EXPECT_EQ(ZORHostTesting::AnalysisFactoryDocument(document), nullptr);
}

TEST_F(Creation, EditorCloseEndsTheSubscriptionOnce) {
  ZORFrmLayout* layout = Session().CurrentLayout();
  const char* event = ZORFrmEditor::EDITOR_CLOSE_ENDED();
  ZORFrmEditor* own = Session().CurrentEditor();
  ZORIStNewColorScale_var scale = NewScale();
  EXPECT_EQ(CountCallbacks(layout, event), 1);
  // Another editor's close leaves the subscription.
  ZORFrmEditor* other = Session().OpenEditor();
  Session().CloseEditor(other);
  EXPECT_EQ(CountCallbacks(layout, event), 1);
  // Its own editor's close ends it; a second notification finds nothing to remove.
  Session().CloseEditor(own);
  EXPECT_EQ(CountCallbacks(layout, event), 0);
  PublishNotification(layout, event, own, nullptr);
  EXPECT_EQ(CountCallbacks(layout, event), 0);
}

TEST_F(Creation, NoNotificationAfterDestruction) {
  ZORFrmLayout* layout = Session().CurrentLayout();
  const char* event = ZORFrmEditor::EDITOR_CLOSE_ENDED();
  ZORFrmEditor* editor = Session().CurrentEditor();
  {
    ZORIStNewColorScale_var scale = NewScale();
    // The current layout changes before the scale goes away.
    Session().NewLayout();
    EXPECT_EQ(CountCallbacks(layout, event), 1);
  }
  EXPECT_EQ(CountCallbacks(layout, event), 0);
  // Under the sanitizers a call into the destroyed object would be reported here.
  Session().CloseEditor(editor);
}

TEST_F(Creation, WithoutLayoutNothingIsSubscribed) {
  ZORFrmLayout* layout = Session().CurrentLayout();
  Session().SetCurrentLayout(nullptr);
  ZORIStNewColorScale_var scale = NewScale();
  EXPECT_EQ(CountCallbacks(layout, ZORFrmEditor::EDITOR_CLOSE_ENDED()), 0);
  Session().CloseEditor(Session().CurrentEditor());
}

}  // namespace
