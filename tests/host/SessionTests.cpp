// The host world a host program sets up, without any module: documents and what each one serves,
// the editors and their layouts, and how each service fails when the host lets it fail.
#include <gtest/gtest.h>

#include "zor/ZORHostSession.h"
#include "zor/testing/ZORHostTesting.h"

namespace {

class HostWorld : public ::testing::Test {
 protected:
  void TearDown() override { ZORHostTesting::ClearFaults(); }
  // The model tolerance a document's geometric factory gives, or -1 when it gives none.
  static double ToleranceOf(ZORDocument* document) {
    ZORGeoFactory* factory = GetGeometricalFactory(document);
    if (factory == nullptr) return -1.0;
    const double tolerance = factory->GetToleranceObject()->ModelTolerance();
    factory->Release();
    return tolerance;
  }
};

TEST_F(HostWorld, WithoutASessionEveryServiceAnswersNothing) {
  EXPECT_EQ(ZORHostSession::Current(), nullptr);
  EXPECT_FALSE(GetPartContainer(nullptr));
  EXPECT_EQ(GetGeometricalFactory(nullptr), nullptr);
  EXPECT_EQ(GetStDynAnalysisFactory(nullptr), nullptr);
  EXPECT_EQ(ZORFrmEditor::GetCurrentEditor(), nullptr);
  ZORISpecObject_var feature;
  ZOROsmSUHandler handler(ZORStNewColorScaleFeatureType, "", "ZORStDynAnalysisStartUps.feat");
  EXPECT_EQ(handler.Instanciate(feature, nullptr, "scale"), E_FAIL);
  EXPECT_FALSE(feature);
}

TEST_F(HostWorld, DocumentsServeTheirOwnContainerFactoriesAndTolerance) {
  ZORHostSession session;
  EXPECT_EQ(ZORHostSession::Current(), &session);
  ZORDocument* first = session.CurrentDocument();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(ToleranceOf(nullptr), ZORHostSession::kDefaultModelTolerance) << "the current document's";
  ZORDocument* second = session.NewDocument();
  EXPECT_EQ(session.CurrentDocument(), second);
  second->SetTolerance(0, 0.01);
  EXPECT_EQ(ToleranceOf(second), 0.01);
  EXPECT_EQ(ToleranceOf(first), ZORHostSession::kDefaultModelTolerance);

  // Each document its own container and factory; a service withheld from one is still the other's.
  const ZORIPrtContainer_var firstContainer = GetPartContainer(first), secondContainer = GetPartContainer(second);
  ASSERT_TRUE(firstContainer && secondContainer);
  EXPECT_NE(firstContainer.get(), secondContainer.get());
  ZORHostTesting::Withhold(ZORHostCall::GetPartContainer, second);
  EXPECT_FALSE(GetPartContainer(second));
  EXPECT_TRUE(GetPartContainer(first));
  ZORHostTesting::Withhold(ZORHostCall::GetGeometricalFactory, first);
  EXPECT_EQ(ToleranceOf(first), -1.0);
  EXPECT_EQ(ToleranceOf(second), 0.01);
  ZORHostTesting::ClearFaults();
  ZORIStDynAnalysisFactory* factory = GetStDynAnalysisFactory(first);
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->SetDocument(first), S_OK);
  factory->Release();
  ZORHostTesting::FailAt(ZORHostCall::GetStDynAnalysisFactory);
  EXPECT_EQ(GetStDynAnalysisFactory(first), nullptr);
  EXPECT_NE((factory = GetStDynAnalysisFactory(first)), nullptr) << "a fault once is once";
  factory->Release();

  // A closed document is no one's current document and serves nothing through it.
  session.CloseDocument(second);
  EXPECT_EQ(session.CurrentDocument(), nullptr);
  EXPECT_FALSE(GetPartContainer(nullptr));
  session.SetCurrentDocument(first);
  EXPECT_TRUE(GetPartContainer(nullptr));
}

TEST_F(HostWorld, AToleranceThatCannotBeReliedOnIsToldWithItsIndicator) {
  ZORHostSession session;
  session.CurrentDocument()->SetTolerance(3, 0.25);
  ZORGeoFactory* factory = GetGeometricalFactory(nullptr);
  ASSERT_NE(factory, nullptr);
  const ZORTolerance* tolerance = factory->GetToleranceObject();
  EXPECT_EQ(tolerance->ErrorIndicator(), 3);
  testing::internal::CaptureStderr();
  ZORToleranceError(tolerance);
  ZORToleranceError(nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "zor host: the model tolerance 0.25 is not reliable (error indicator 3)\n");
  factory->Release();
}

TEST_F(HostWorld, FeaturesComeOnlyFromKnownCataloguesIntoADocumentsBody) {
  ZORHostSession session;
  const ZORIPrtContainer_var container = GetPartContainer(nullptr);
  ASSERT_TRUE(container);
  const ZORBaseUnknown_var body = container->GetInstantiationTarget();
  ASSERT_TRUE(body);
  ZORISpecObject_var feature;
  EXPECT_EQ(ZOROsmSUHandler(ZORStNewColorScaleFeatureType, "", "NoSuchCatalogue").Instanciate(feature, body.get(), "a"),
            E_FAIL);
  EXPECT_EQ(ZOROsmSUHandler("NoSuchType", "", "ZORStDynAnalysisStartUps.feat").Instanciate(feature, body.get(), "a"),
            E_FAIL);
  EXPECT_EQ(ZOROsmSUHandler(ZORStNewColorScaleFeatureType, "", "ZORStDynAnalysisStartUps.feat")
                .Instanciate(feature, container.get(), "a"),
            E_FAIL)
      << "the container is not where features are made";
  EXPECT_FALSE(feature);
  EXPECT_EQ(GetDocumentFromSpec(feature), nullptr);

  // The start-up catalogue's type is made in the body, and belongs to its document.
  ZOROsmSUHandler scales(ZORStNewColorScaleFeatureType, "", "ZORStDynAnalysisStartUps.feat");
  ZORHostTesting::FailAt(ZORHostCall::Instanciate);
  EXPECT_EQ(scales.Instanciate(feature, body.get(), "a"), E_FAIL);
  ASSERT_EQ(scales.Instanciate(feature, body.get(), "a"), S_OK);
  EXPECT_EQ(GetDocumentFromSpec(feature), session.CurrentDocument());
  ZORHostTesting::FailAt(ZORHostCall::GetDocumentFromSpec);
  EXPECT_EQ(GetDocumentFromSpec(feature), nullptr);
}

TEST_F(HostWorld, AClosedEditorIsNoLongerCurrentAndSaysSo) {
  ZORHostSession session;
  ZORFrmEditor* first = session.CurrentEditor();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(ZORFrmEditor::GetCurrentEditor(), first);
  EXPECT_EQ(first->Layout(), session.CurrentLayout());
  ZORFrmLayout* other = session.NewLayout();
  EXPECT_EQ(ZORFrmLayout::GetCurrentLayout(), other);
  ZORFrmEditor* second = session.OpenEditor();
  EXPECT_EQ(second->Layout(), other);
  EXPECT_EQ(session.CurrentEditor(), second);
  session.CloseEditor(second);
  EXPECT_TRUE(second->IsClosed());
  EXPECT_FALSE(first->IsClosed());
  EXPECT_EQ(session.CurrentEditor(), nullptr);
  EXPECT_EQ(ZORFrmEditor::GetCurrentEditor(), nullptr);
}

}  // namespace
