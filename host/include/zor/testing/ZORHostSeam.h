// The one seam through which a test library watches and steers the host platform. A host program
// installs nothing: each point below then costs the host one load and one test. The host
// platform's own test library (zor/testing/ZORHostTesting.h) is the seam's one implementation.
#pragma once

#include <string>

#include "zor/ZORBaseUnknown.h"

class ZORDocument;
class ZOROMModule;

// The host calls a test can make fail, as the host lets each of them fail (a null or empty
// answer, E_FAIL, nothing read), or throw.
enum class ZORHostCall {
  GetPartContainer,
  GetInstantiationTarget,
  Instanciate,
  GetDocumentFromSpec,
  GetStDynAnalysisFactory,
  GetGeometricalFactory,
  CreateParameter,
  FindKey,
  GetListMember,
  SetListMember,
  QueryAttributeStore,  // a feature asked for its ZORISpecAttrAccess
  GetRepository,
  WriteSetting,
  ReadSetting,
  GetLegacyScaleArrays,
  CreateColorScaleFactory,  // ZORCreateStColorScaleFactory
  RenameFile,               // a file replaced whole put in place (ZORFileReplacement::Rename)
};

class ZORHOST_API ZORHostSeam {
 public:
  virtual ~ZORHostSeam();

  // Whether `call` fails this time; it may throw instead. `key` is the attribute name of a
  // FindKey; `document` the document whose service is asked for (null when none is known).
  virtual bool CallFails(ZORHostCall call, const char* key, const ZORDocument* document) = 0;

  // Components as they are born and die; `Dying` comes before the destructor of a component
  // whose last reference goes, with its class name.
  virtual void ComponentBorn(const ZORBaseUnknown* component) = 0;
  virtual void ComponentDied(const ZORBaseUnknown* component) = 0;
  virtual void Dying(const void* component, const char* className) = 0;
  // Adapters that keep their own count (the IClassFactory kind).
  virtual void AdapterBorn(const IUnknown* adapter) = 0;
  virtual void AdapterDied(const IUnknown* adapter) = 0;
  // True when the seam keeps the memory of a destroyed component instead of freeing it.
  virtual bool KeepsFreedMemory(void* memory) = 0;
  // The class of a destroyed component whose memory the seam kept, or null.
  virtual const char* DestroyedClass(const void* component) = 0;

  // Writes and removals of the attribute store, as one line each, while the seam wants them.
  virtual bool RecordsStoreCalls() = 0;
  virtual void StoreCall(std::string line) = 0;
  // Knowledge parameters removed from their document.
  virtual void ParameterRemoved() = 0;
  // A document's analysis factory was given `given` (null: no document).
  virtual void AnalysisFactoryDocumentSet(const ZORDocument* owner, ZORDocument* given) = 0;

  // After each step of a repository save ("open", "write" once per chunk, "flush", "fsync",
  // "rename", "sync folder"); and whether saves sync their file and folder.
  virtual void SaveStep(const char* step) = 0;
  virtual bool SaveSyncs() = 0;

  // The seam of the process; null to remove it. A seam is installed before anything else uses
  // the host and stays for the life of the process.
  static void Install(ZORHostSeam* seam);
};
