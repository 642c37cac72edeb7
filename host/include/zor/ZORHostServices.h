// Host services that components call: documents and their part container, start-up catalogues,
// the analysis and geometric factories, the current editor and layout.
#pragma once

#include "zor/ZORAttributeStore.h"
#include "zor/ZORBaseUnknown.h"
#include "zor/ZORUnicodeString.h"
#include "zor/ZORVar.h"

class ZORDocument;  // a host document (see ZORHostSession.h)

extern ZORHOST_API const GUID IID_ZORIPrtContainer;
extern ZORHOST_API const GUID IID_ZORIStDynAnalysisFactory;

// The part container of a document: hands out the component that receives new features.
class ZORHOST_API ZORIPrtContainer : public ZORBaseUnknown {
 public:
  static const GUID& InterfaceId() { return IID_ZORIPrtContainer; }
  ~ZORIPrtContainer() override;
  // Empty when the container has no instantiation target.
  virtual ZORBaseUnknown_var GetInstantiationTarget() = 0;
};
using ZORIPrtContainer_var = ZORVar<ZORIPrtContainer>;

// The part container of `document`; a null document means the current document. Empty when
// there is none.
ZORHOST_API ZORIPrtContainer_var GetPartContainer(ZORDocument* document);

// The feature type of the color scale, as the start-up catalogue names it.
extern ZORHOST_API const char* const ZORStNewColorScaleFeatureType;

// Instantiates features of one type from a start-up catalogue.
class ZORHOST_API ZOROsmSUHandler {
 public:
  ZOROsmSUHandler(const ZORUnicodeString& featureType, const ZORUnicodeString& variant,
                  const ZORUnicodeString& catalogue);
  ~ZOROsmSUHandler();
  ZOROsmSUHandler(const ZOROsmSUHandler&) = delete;
  ZOROsmSUHandler& operator=(const ZOROsmSUHandler&) = delete;

  // Makes a new feature in `target` and puts it in `feature`. E_FAIL when the catalogue or the
  // type is unknown or `target` cannot receive features.
  HRESULT Instanciate(ZORISpecObject_var& feature, ZORBaseUnknown* target,
                      const ZORUnicodeString& name);

 private:
  ZORUnicodeString featureType_;
  ZORUnicodeString variant_;
  ZORUnicodeString catalogue_;
};

// The document a feature belongs to, or null.
ZORHOST_API ZORDocument* GetDocumentFromSpec(const ZORISpecObject_var& feature);

// The dynamic-analysis factory of a document.
class ZORHOST_API ZORIStDynAnalysisFactory : public ZORBaseUnknown {
 public:
  static const GUID& InterfaceId() { return IID_ZORIStDynAnalysisFactory; }
  ~ZORIStDynAnalysisFactory() override;
  virtual HRESULT SetDocument(ZORDocument* document) = 0;
  // A new knowledge parameter feature (no value yet), or an empty handle.
  virtual ZORISpecObject_var CreateParameter() = 0;
};

// The analysis factory of `document` with one reference for the caller, or null.
ZORHOST_API ZORIStDynAnalysisFactory* GetStDynAnalysisFactory(ZORDocument* document);

// The model tolerance of a document.
class ZORHOST_API ZORTolerance {
 public:
  ZORTolerance(int errorIndicator, double modelTolerance)
      : errorIndicator_(errorIndicator), modelTolerance_(modelTolerance) {}
  // Above 0 when the tolerance could not be established properly.
  int ErrorIndicator() const { return errorIndicator_; }
  double ModelTolerance() const { return modelTolerance_; }

 private:
  int errorIndicator_;
  double modelTolerance_;
};

class ZORHOST_API ZORGeoFactory : public ZORBaseUnknown {
 public:
  ~ZORGeoFactory() override;
  virtual const ZORTolerance* GetToleranceObject() = 0;
};

// The geometric factory of `document` (null: the current document) with one reference for the
// caller, or null.
ZORHOST_API ZORGeoFactory* GetGeometricalFactory(ZORDocument* document);

// Reports a tolerance whose error indicator is set, on standard error.
ZORHOST_API void ZORToleranceError(const ZORTolerance* tolerance);

class ZORHOST_API ZORNotification {
 public:
  explicit ZORNotification(const char* name) : name_(name) {}
  const char* Name() const { return name_; }

 private:
  const char* name_;
};

class ZORFrmLayout;

// An editor of the interactive host. Editors stay alive until the session ends, so the address
// of a closed editor is never reused by another.
class ZORHOST_API ZORFrmEditor : public ZORBaseUnknown {
 public:
  ~ZORFrmEditor() override;
  ZORMetaClass* GetClassMetaObject() const override;
  static ZORFrmEditor* GetCurrentEditor();
  // Published on the editor's layout, about the editor, once the editor has closed.
  static const char* EDITOR_CLOSE_ENDED();

  ZORFrmLayout* Layout() const { return layout_; }
  bool IsClosed() const { return closed_; }

 private:
  friend class ZORHostSession;
  explicit ZORFrmEditor(ZORFrmLayout* layout) : layout_(layout) {}
  ZORFrmLayout* layout_;
  bool closed_ = false;
};

class ZORHOST_API ZORFrmLayout : public ZORBaseUnknown {
 public:
  ~ZORFrmLayout() override;
  ZORMetaClass* GetClassMetaObject() const override;
  static ZORFrmLayout* GetCurrentLayout();

 private:
  friend class ZORHostSession;
  ZORFrmLayout() = default;
};
