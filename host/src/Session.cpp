// The host world: the session, its start-up catalogue, documents with their services, layouts
// and editors.
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Features.h"
#include "RuntimeInternal.h"
#include "Seam.h"
#include "zor/ZORHostSession.h"
#include "zor/ZORRuntime.h"
#include "zor/ZORSettingRepository.h"

const char* const ZORStNewColorScaleFeatureType = "StNewColorScaleFeature";

namespace {

ZORHostSession* currentSession = nullptr;

// The document's tolerance, shared with its geometric factory so that a factory outliving its
// document never reads a dead one.
struct DocumentTolerance {
  ZORTolerance tolerance{0, ZORHostSession::kDefaultModelTolerance};
};

// Receives the features instantiated in a document.
class ZORPartBody final : public ZORBaseUnknown {
 public:
  explicit ZORPartBody(ZORDocument* document) : document_(document) {}
  ~ZORPartBody() override { DetachAll(); }

  ZORMetaClass* GetClassMetaObject() const override {
    static ZORMetaClass* meta = ZORRuntime::HostComponentMeta("ZORPartBody");
    return meta;
  }

  ZORDocument* Document() const { return document_; }
  void DetachFromDocument() {
    DetachAll();
    document_ = nullptr;
  }
  void Add(ZORFeature* feature) { features_.push_back(ZORISpecObject_var::Retain(feature)); }
  const std::vector<ZORISpecObject_var>& Features() const { return features_; }
  void DetachAll() {
    for (const ZORISpecObject_var& feature : features_) {
      static_cast<ZORFeature*>(feature.get())->DetachFromDocument();
    }
    features_.clear();
  }

 private:
  ZORDocument* document_;
  std::vector<ZORISpecObject_var> features_;
};

class ZORPartContainer final : public ZORIPrtContainer {
 public:
  ZORMetaClass* GetClassMetaObject() const override {
    static ZORMetaClass* meta = ZORRuntime::HostComponentMeta("ZORPartContainer");
    return meta;
  }
  explicit ZORPartContainer(ZORPartBody* body) : body_(ZORVar<ZORPartBody>::Retain(body)) {}

  ZORBaseUnknown_var GetInstantiationTarget() override {
    if (ZORHostCallFails(ZORHostCall::GetInstantiationTarget, nullptr, body_->Document())) {
      return {};
    }
    return ZORBaseUnknown_var::Retain(body_.get());
  }

 private:
  ZORVar<ZORPartBody> body_;
};

class ZORAnalysisFactory final : public ZORIStDynAnalysisFactory {
 public:
  ZORMetaClass* GetClassMetaObject() const override {
    static ZORMetaClass* meta = ZORRuntime::HostComponentMeta("ZORAnalysisFactory");
    return meta;
  }
  // The factory does not keep its document: the document owns it.
  explicit ZORAnalysisFactory(const ZORDocument* owner) : owner_(owner) {}

  HRESULT SetDocument(ZORDocument* document) override {
    if (ZORHostSeam* seam = ZORSeam::Installed()) seam->AnalysisFactoryDocumentSet(owner_, document);
    return S_OK;
  }

  ZORISpecObject_var CreateParameter() override {
    if (ZORHostCallFails(ZORHostCall::CreateParameter)) return {};
    ZORParameter* parameter = new ZORParameter;
    if (parameter == nullptr) return {};
    return ZORISpecObject_var::Adopt(parameter);
  }

 private:
  const ZORDocument* owner_;
};

class ZORGeoFactoryImpl final : public ZORGeoFactory {
 public:
  ZORMetaClass* GetClassMetaObject() const override {
    static ZORMetaClass* meta = ZORRuntime::HostComponentMeta("ZORGeoFactoryImpl");
    return meta;
  }
  explicit ZORGeoFactoryImpl(std::shared_ptr<DocumentTolerance> tolerance)
      : tolerance_(std::move(tolerance)) {}
  const ZORTolerance* GetToleranceObject() override { return &tolerance_->tolerance; }

 private:
  std::shared_ptr<DocumentTolerance> tolerance_;
};

// The start-up catalogues and their feature types.
using ZORCatalogues =
    std::map<std::string, std::map<std::string, std::shared_ptr<const ZORFeatureType>>>;

ZORCatalogues MakeStartUpCatalogues() {
  using Kind = ZORAttributeKind;
  // A new color scale is valid and plainly unconfigured: no blocks, every option 0, a white
  // transparent color for undefined values, every list empty.
  std::vector<ZORAttributeDefinition> colorScale = {
      {"AutoMinMaxOption", Kind::Integer, {0}},
      {"AutoMinMaxStatus", Kind::Boolean, {0}},
      {"AbsoluteExtrema", Kind::Integer, {0}},
      {"GreenIsFlat", Kind::Integer, {0}},
      {"NumberOfColorsStatus", Kind::Boolean, {0}},
      {"NonlinearScale", Kind::Integer, {0}},
      {"NumberOfBlocks", Kind::Integer, {0}},
      {"ColorUndefine", Kind::IntegerList, {255, 255, 255, 0}},
      {"RedColorList", Kind::IntegerList, {}},
      {"GreenColorList", Kind::IntegerList, {}},
      {"BlueColorList", Kind::IntegerList, {}},
      {"AlphaColorList", Kind::IntegerList, {}},
      {"ImposedColorsIndexList", Kind::IntegerList, {}},
      {"ColorInterpolTypeList", Kind::MemberList, {}},
      {"ImposedValuesList", Kind::MemberList, {}},
      {"ImposedValuesIndexList", Kind::IntegerList, {}},
      {"ValueInterpolTypeList", Kind::MemberList, {}},
  };
  ZORCatalogues catalogues;
  catalogues["ZORStDynAnalysisStartUps.feat"][ZORStNewColorScaleFeatureType] =
      std::make_shared<const ZORFeatureType>(ZORStNewColorScaleFeatureType,
                                             std::move(colorScale));
  return catalogues;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Documents

struct ZORDocument::Services {
  std::shared_ptr<DocumentTolerance> tolerance = std::make_shared<DocumentTolerance>();
  ZORVar<ZORPartBody> body;
  ZORIPrtContainer_var container;
  ZORVar<ZORAnalysisFactory> analysisFactory;
  ZORVar<ZORGeoFactoryImpl> geometricalFactory;
};

ZORDocument::ZORDocument() : services_(std::make_unique<Services>()) {
  services_->body = ZORVar<ZORPartBody>::Adopt(new ZORPartBody(this));
  services_->container =
      ZORIPrtContainer_var::Adopt(new ZORPartContainer(services_->body.get()));
  services_->analysisFactory = ZORVar<ZORAnalysisFactory>::Adopt(new ZORAnalysisFactory(this));
  services_->geometricalFactory =
      ZORVar<ZORGeoFactoryImpl>::Adopt(new ZORGeoFactoryImpl(services_->tolerance));
}

ZORMetaClass* ZORDocument::GetClassMetaObject() const {
  static ZORMetaClass* meta = ZORRuntime::HostComponentMeta("ZORDocument");
  return meta;
}

ZORDocument::~ZORDocument() { services_->body->DetachFromDocument(); }

void ZORDocument::SetTolerance(int errorIndicator, double modelTolerance) {
  services_->tolerance->tolerance = ZORTolerance(errorIndicator, modelTolerance);
}

std::vector<ZORISpecObject*> ZORDocument::Features() const {
  std::vector<ZORISpecObject*> features;
  for (const ZORISpecObject_var& feature : services_->body->Features()) {
    features.push_back(feature.get());
  }
  return features;
}

void ZORDocument::DetachFeatures() { services_->body->DetachAll(); }


// ---------------------------------------------------------------------------------------------
// The session

struct ZORHostSession::State {
  ZORCatalogues catalogues = MakeStartUpCatalogues();
  std::vector<ZORVar<ZORDocument>> documents;
  ZORDocument* currentDocument = nullptr;
  std::vector<ZORVar<ZORFrmLayout>> layouts;
  ZORFrmLayout* currentLayout = nullptr;
  std::vector<ZORVar<ZORFrmEditor>> editors;
  ZORFrmEditor* currentEditor = nullptr;
};

ZORHostSession::ZORHostSession() : state_(std::make_unique<State>()) {
  if (currentSession != nullptr) {
    std::fprintf(stderr, "zor host: a second session was opened while one is open\n");
    std::abort();
  }
  currentSession = this;
  NewDocument();
  NewLayout();
  OpenEditor();
}

ZORHostSession::~ZORHostSession() {
  state_->currentEditor = nullptr;
  state_->currentLayout = nullptr;
  state_->currentDocument = nullptr;
  state_->editors.clear();
  state_->layouts.clear();
  state_->documents.clear();
  currentSession = nullptr;
}

ZORHostSession* ZORHostSession::Current() { return currentSession; }

ZORDocument* ZORHostSession::CurrentDocument() const { return state_->currentDocument; }
void ZORHostSession::SetCurrentDocument(ZORDocument* document) {
  state_->currentDocument = document;
}
ZORDocument* ZORHostSession::NewDocument() {
  state_->documents.push_back(ZORVar<ZORDocument>::Adopt(new ZORDocument));
  state_->currentDocument = state_->documents.back().get();
  return state_->currentDocument;
}

void ZORHostSession::CloseDocument(ZORDocument* document) {
  if (state_->currentDocument == document) state_->currentDocument = nullptr;
  std::erase_if(state_->documents,
                [document](const ZORVar<ZORDocument>& held) { return held.get() == document; });
}

ZORFrmLayout* ZORHostSession::CurrentLayout() const { return state_->currentLayout; }
void ZORHostSession::SetCurrentLayout(ZORFrmLayout* layout) { state_->currentLayout = layout; }
ZORFrmLayout* ZORHostSession::NewLayout() {
  state_->layouts.push_back(ZORVar<ZORFrmLayout>::Adopt(new ZORFrmLayout));
  state_->currentLayout = state_->layouts.back().get();
  return state_->currentLayout;
}

ZORFrmEditor* ZORHostSession::CurrentEditor() const { return state_->currentEditor; }
ZORFrmEditor* ZORHostSession::OpenEditor() {
  state_->editors.push_back(ZORVar<ZORFrmEditor>::Adopt(new ZORFrmEditor(state_->currentLayout)));
  state_->currentEditor = state_->editors.back().get();
  return state_->currentEditor;
}

void ZORHostSession::CloseEditor(ZORFrmEditor* editor) {
  if (editor == nullptr || editor->closed_) return;
  editor->closed_ = true;
  if (state_->currentEditor == editor) state_->currentEditor = nullptr;
  if (editor->layout_ != nullptr) {
    ZORNotification notification(ZORFrmEditor::EDITOR_CLOSE_ENDED());
    PublishNotification(editor->layout_, ZORFrmEditor::EDITOR_CLOSE_ENDED(), editor,
                        &notification);
  }
}

ZORFrmEditor::~ZORFrmEditor() = default;
ZORMetaClass* ZORFrmEditor::GetClassMetaObject() const {
  static ZORMetaClass* meta = ZORRuntime::HostComponentMeta("ZORFrmEditor");
  return meta;
}
ZORFrmEditor* ZORFrmEditor::GetCurrentEditor() {
  return currentSession != nullptr ? currentSession->CurrentEditor() : nullptr;
}
const char* ZORFrmEditor::EDITOR_CLOSE_ENDED() { return "EditorCloseEnded"; }

ZORFrmLayout::~ZORFrmLayout() = default;
ZORMetaClass* ZORFrmLayout::GetClassMetaObject() const {
  static ZORMetaClass* meta = ZORRuntime::HostComponentMeta("ZORFrmLayout");
  return meta;
}
ZORFrmLayout* ZORFrmLayout::GetCurrentLayout() {
  return currentSession != nullptr ? currentSession->CurrentLayout() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Services

ZORIPrtContainer_var GetPartContainer(ZORDocument* document) {
  if (document == nullptr && currentSession != nullptr) {
    document = currentSession->CurrentDocument();
  }
  if (ZORHostCallFails(ZORHostCall::GetPartContainer, nullptr, document)) return {};
  if (document == nullptr) return {};
  return document->Internals().container;
}

ZOROsmSUHandler::ZOROsmSUHandler(const ZORUnicodeString& featureType,
                                 const ZORUnicodeString& variant,
                                 const ZORUnicodeString& catalogue)
    : featureType_(featureType), variant_(variant), catalogue_(catalogue) {}
ZOROsmSUHandler::~ZOROsmSUHandler() = default;

HRESULT ZOROsmSUHandler::Instanciate(ZORISpecObject_var& feature, ZORBaseUnknown* target,
                                     const ZORUnicodeString&) {
  if (ZORHostCallFails(ZORHostCall::Instanciate)) return E_FAIL;
  auto* body = dynamic_cast<ZORPartBody*>(target);
  if (currentSession == nullptr || body == nullptr) return E_FAIL;
  const ZORCatalogues& catalogues = currentSession->state_->catalogues;
  auto catalogue = catalogues.find(catalogue_.Text());
  if (catalogue == catalogues.end()) return E_FAIL;
  auto type = catalogue->second.find(featureType_.Text());
  if (type == catalogue->second.end()) return E_FAIL;
  auto* created = new ZORFeature(type->second, body->Document());
  if (created == nullptr) return E_OUTOFMEMORY;
  ZORISpecObject_var made = ZORISpecObject_var::Adopt(created);
  body->Add(created);
  feature = std::move(made);
  return S_OK;
}

ZORDocument* GetDocumentFromSpec(const ZORISpecObject_var& feature) {
  if (ZORHostCallFails(ZORHostCall::GetDocumentFromSpec)) return nullptr;
  auto* concrete = dynamic_cast<ZORFeature*>(feature.get());
  return concrete != nullptr ? concrete->Document() : nullptr;
}

ZORIStDynAnalysisFactory* GetStDynAnalysisFactory(ZORDocument* document) {
  if (ZORHostCallFails(ZORHostCall::GetStDynAnalysisFactory, nullptr, document)) return nullptr;
  if (document == nullptr) return nullptr;
  ZORIStDynAnalysisFactory* factory = document->Internals().analysisFactory.get();
  factory->AddRef();
  return factory;
}

ZORGeoFactory* GetGeometricalFactory(ZORDocument* document) {
  if (document == nullptr && currentSession != nullptr) {
    document = currentSession->CurrentDocument();
  }
  if (ZORHostCallFails(ZORHostCall::GetGeometricalFactory, nullptr, document)) return nullptr;
  if (document == nullptr) return nullptr;
  ZORGeoFactory* factory = document->Internals().geometricalFactory.get();
  factory->AddRef();
  return factory;
}

void ZORToleranceError(const ZORTolerance* tolerance) {
  if (tolerance == nullptr) return;
  const std::string line = "zor host: the model tolerance " + ZORFormatDouble(tolerance->ModelTolerance()) +
                           " is not reliable (error indicator " + std::to_string(tolerance->ErrorIndicator()) +
                           ")\n";
  std::fputs(line.c_str(), stderr);
}

// ---------------------------------------------------------------------------------------------
// Inspection

ZORAttributeView ZORViewAttribute(ZORISpecObject* feature, const char* key) {
  ZORAttributeView view;
  auto* concrete = dynamic_cast<ZORFeature*>(feature);
  ZORFeature::AttributeValue* attribute = concrete != nullptr ? concrete->Find(key) : nullptr;
  if (attribute == nullptr) return view;
  view.defined = true;
  view.hasValue = attribute->hasValue;
  ZORAttributeKind kind = concrete->Type().Attribute(concrete->Type().SlotOf(key)).kind;
  view.isList = kind == ZORAttributeKind::IntegerList || kind == ZORAttributeKind::MemberList;
  if (!attribute->hasValue) return view;
  using Kind = ZORAttributeEntry::Kind;
  switch (kind) {
    case ZORAttributeKind::Integer:
    case ZORAttributeKind::Boolean:
      view.entries.push_back({Kind::Integer, attribute->scalar, 0.0});
      break;
    case ZORAttributeKind::IntegerList:
      for (int value : attribute->integers) view.entries.push_back({Kind::Integer, value, 0.0});
      break;
    case ZORAttributeKind::MemberList:
      for (ZORISpecObject* member : attribute->members) {
        auto* parameter = dynamic_cast<ZORParameter*>(member);
        if (parameter == nullptr || !parameter->HasValue()) {
          view.entries.push_back({Kind::NoValue, 0, 0.0});
        } else if (parameter->IsInteger()) {
          view.entries.push_back({Kind::Integer, parameter->IntegerValue(), 0.0});
        } else {
          view.entries.push_back({Kind::Real, 0, parameter->RealValue()});
        }
      }
      break;
  }
  return view;
}

bool ZORUnsetAttribute(ZORISpecObject* feature, const char* key) {
  auto* concrete = dynamic_cast<ZORFeature*>(feature);
  ZORFeature::AttributeValue* attribute = concrete != nullptr ? concrete->Find(key) : nullptr;
  if (attribute == nullptr) return false;
  ZORFeature::Clear(*attribute);
  return true;
}

bool ZORUndefineAttribute(ZORISpecObject* feature, const char* key) {
  auto* concrete = dynamic_cast<ZORFeature*>(feature);
  ZORFeature::AttributeValue* attribute = concrete != nullptr ? concrete->Find(key) : nullptr;
  if (attribute == nullptr) return false;
  ZORFeature::Clear(*attribute);
  attribute->defined = false;
  return true;
}

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool SameEntry(const ZORAttributeEntry& a, const ZORAttributeEntry& b) {
  return a.kind == b.kind && a.integer == b.integer && SameBits(a.real, b.real);
}

bool SameAttribute(const ZORSavedAttribute& a, const ZORSavedAttribute& b) {
  return a.defined == b.defined && a.hasValue == b.hasValue && a.scalar == b.scalar &&
         a.integers == b.integers &&
         std::equal(a.members.begin(), a.members.end(), b.members.begin(), b.members.end(), SameEntry);
}

ZORAttributeEntry SavedMember(ZORISpecObject* member) {
  auto* parameter = dynamic_cast<ZORParameter*>(member);
  if (parameter == nullptr || !parameter->HasValue()) return {};
  if (parameter->IsInteger()) return {ZORAttributeEntry::Kind::Integer, parameter->IntegerValue(), 0.0};
  return {ZORAttributeEntry::Kind::Real, 0, parameter->RealValue()};
}

}  // namespace

bool ZORFeatureState::Same(const ZORFeatureState& other) const {
  return std::equal(attributes.begin(), attributes.end(), other.attributes.begin(),
                    other.attributes.end(), SameAttribute);
}

ZORFeatureState ZORSaveFeatureState(ZORISpecObject* feature) {
  ZORFeatureState state;
  auto* concrete = dynamic_cast<ZORFeature*>(feature);
  if (concrete == nullptr) return state;
  for (const ZORFeature::AttributeValue& attribute : concrete->Attributes()) {
    ZORSavedAttribute saved{attribute.defined, attribute.hasValue, attribute.scalar,
                            attribute.integers, {}};
    for (ZORISpecObject* member : attribute.members) saved.members.push_back(SavedMember(member));
    state.attributes.push_back(std::move(saved));
  }
  return state;
}

bool ZORRestoreFeatureState(ZORISpecObject* feature, const ZORFeatureState& state) {
  auto* concrete = dynamic_cast<ZORFeature*>(feature);
  if (concrete == nullptr || state.attributes.size() != concrete->Attributes().size()) return false;
  for (std::size_t slot = 0; slot < state.attributes.size(); ++slot) {
    const ZORSavedAttribute& saved = state.attributes[slot];
    ZORFeature::AttributeValue& attribute = concrete->Attributes()[slot];
    ZORFeature::Clear(attribute);
    attribute.defined = saved.defined;
    attribute.hasValue = saved.hasValue;
    attribute.scalar = saved.scalar;
    attribute.integers = saved.integers;
    for (const ZORAttributeEntry& entry : saved.members) {
      auto* parameter = new ZORParameter;  // the list's one reference
      if (entry.kind == ZORAttributeEntry::Kind::Integer) parameter->AssignInteger(entry.integer);
      if (entry.kind == ZORAttributeEntry::Kind::Real) parameter->AssignReal(entry.real);
      attribute.members.push_back(parameter);
    }
  }
  return true;
}
