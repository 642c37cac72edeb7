// The host world as a host program sets it up: documents, the start-up catalogue, layouts and
// editors. Components never include this header; they reach the host through its services.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "zor/ZORAttributeStore.h"
#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORHostServices.h"

// A document: a part container whose instantiation target receives new features, an analysis
// factory, a geometric factory and a model tolerance.
class ZORHOST_API ZORDocument : public ZORBaseUnknown {
 public:
  ~ZORDocument() override;
  ZORMetaClass* GetClassMetaObject() const override;

  void SetTolerance(int errorIndicator, double modelTolerance);

  // The features instantiated into the document so far.
  std::vector<ZORISpecObject*> Features() const;
  // The document lets go of its features, as when it closes: they belong to no document then.
  void DetachFeatures();

  // What the host's services keep for the document.
  struct Services;
  Services& Internals() const { return *services_; }

 private:
  friend class ZORHostSession;
  ZORDocument();
  std::unique_ptr<Services> services_;
};

class ZORHOST_API ZORHostSession {
 public:
  // The default model tolerance of new documents.
  static constexpr double kDefaultModelTolerance = 1e-6;

  // Opens the start-up catalogues, one document, one layout and one editor in it; the new
  // session and those become current. One session exists at a time.
  ZORHostSession();
  ~ZORHostSession();
  ZORHostSession(const ZORHostSession&) = delete;
  ZORHostSession& operator=(const ZORHostSession&) = delete;

  static ZORHostSession* Current();

  ZORDocument* CurrentDocument() const;
  void SetCurrentDocument(ZORDocument* document);  // null: no current document
  ZORDocument* NewDocument();                      // becomes current
  // The session lets go of the document (it closes once nothing else holds it); it stops being
  // current.
  void CloseDocument(ZORDocument* document);

  ZORFrmLayout* CurrentLayout() const;
  void SetCurrentLayout(ZORFrmLayout* layout);  // null: no current layout
  ZORFrmLayout* NewLayout();                    // becomes current

  ZORFrmEditor* CurrentEditor() const;
  ZORFrmEditor* OpenEditor();  // in the current layout; becomes current
  // Closes the editor: it stops being current, and its layout publishes EDITOR_CLOSE_ENDED
  // about it.
  void CloseEditor(ZORFrmEditor* editor);

  struct State;

 private:
  friend class ZOROsmSUHandler;
  std::unique_ptr<State> state_;
};

// A color scale of the host's older kind, as a host program makes one. An array left empty
// (std::nullopt) is one that the legacy scale does not hand out; without parameters the scale
// has no parameter object. The counts it hands back are its own: the block count, and the
// length of `values`.
struct ZORLegacyScaleData {
  bool hasParameters = true;
  int blockCount = 0;
  std::optional<std::vector<int>> red, green, blue, alpha, imposedColorIndices;
  std::optional<std::vector<double>> values;
  std::optional<std::vector<int>> imposedValueIndices;
};
ZORHOST_API ZORIStLegacyColorScale_var ZORMakeLegacyColorScale(ZORLegacyScaleData data);

// Inspection and editing of feature attributes by host programs.
struct ZORAttributeEntry {
  enum class Kind { Integer, Real, NoValue };
  Kind kind = Kind::NoValue;
  int integer = 0;
  double real = 0.0;
};

struct ZORAttributeView {
  bool defined = false;   // the feature has the attribute
  bool hasValue = false;  // it has a value
  bool isList = false;
  std::vector<ZORAttributeEntry> entries;  // the value, or the list's members in order
};

ZORHOST_API ZORAttributeView ZORViewAttribute(ZORISpecObject* feature, const char* key);
// The attribute stays defined but has no value; false when the feature lacks it.
ZORHOST_API bool ZORUnsetAttribute(ZORISpecObject* feature, const char* key);
// The feature no longer has the attribute; false when it already lacked it.
ZORHOST_API bool ZORUndefineAttribute(ZORISpecObject* feature, const char* key);

// Every attribute of a feature as it stands, list members copied by value: what an editor keeps
// to undo a change, and to tell whether a feature has changed since.
struct ZORSavedAttribute {
  bool defined = false;
  bool hasValue = false;
  int scalar = 0;
  std::vector<int> integers;
  std::vector<ZORAttributeEntry> members;  // parameters, by their value
};
struct ZORFeatureState {
  std::vector<ZORSavedAttribute> attributes;  // in the feature type's order
  // Equal bit for bit (a real that is not a number equals itself).
  ZORHOST_API bool Same(const ZORFeatureState& other) const;
};
// Empty when `feature` is not a feature of the host's.
ZORHOST_API ZORFeatureState ZORSaveFeatureState(ZORISpecObject* feature);
// Puts every attribute back as `state` holds it, with new parameters for list members; false,
// changing nothing, when the state was not saved from a feature of this one's type.
ZORHOST_API bool ZORRestoreFeatureState(ZORISpecObject* feature, const ZORFeatureState& state);
