// The component root of the host's object model and the standard COM-style interfaces.
#pragma once

#include <cstddef>
#include <string>

#include "zor/ZORTypes.h"

extern ZORHOST_API const GUID IID_IUnknown;
extern ZORHOST_API const GUID IID_IClassFactory;
extern ZORHOST_API const GUID IID_ZORBaseUnknown;

struct IUnknown {
  virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

  static const GUID& InterfaceId() { return IID_IUnknown; }

 protected:
  ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object) = 0;
  virtual HRESULT LockServer(int lock) = 0;
  virtual ~IClassFactory() = default;

  static const GUID& InterfaceId() { return IID_IClassFactory; }
};

// Type-of-class codes kept in a meta-class.
enum ZORTypeOfClass : int {
  ZORClassRoot = 0,             // a host component class
  ZORClassImplementation = 1,   // a plain implementation of interfaces
  ZORClassExtension = 2,        // an extension of a component type (a feature type)
  ZORClassInterface = 3,        // an interface
  ZORClassComponentType = 4,    // a component type that extensions can extend
  ZORClassAdapter = 6,          // an adapter binding an interface to an implementation
  ZORClassExtensionAdapter = 7  // an adapter binding an interface to an extension
};

// What the runtime knows about a class. Created by the runtime only, kept for the process's life.
class ZORHOST_API ZORMetaClass {
 public:
  const char* Name() const { return name_.c_str(); }
  int TypeOfClass() const { return typeOfClass_; }
  const GUID& ClassId() const { return classId_; }
  ZORMetaClass* Base() const { return base_; }
  const char* ExtendedName() const { return extendedName_.c_str(); }
  const char* FrameworkName() const { return frameworkName_.c_str(); }
  std::size_t InstanceSize() const { return instanceSize_; }

  // Interfaces and adapters: the interface the class stands for.
  const GUID& InterfaceId() const { return interfaceId_; }
  const char* InterfaceName() const { return interfaceName_.c_str(); }
  ZORMetaClass* InterfaceMeta() const { return interfaceMeta_; }
  ZORMetaClass* ImplementationMeta() const { return implementationMeta_; }

  // 1 when `name` is this class, one of its bases, or the interface an adapter stands for.
  int IsAKindOf(const char* name) const;

  ZORMetaClass(const ZORMetaClass&) = delete;
  ZORMetaClass& operator=(const ZORMetaClass&) = delete;

 private:
  friend class ZORMetaClassRegistry;
  ZORMetaClass() = default;

  std::string name_;
  int typeOfClass_ = ZORClassRoot;
  GUID classId_{};
  ZORMetaClass* base_ = nullptr;
  std::string extendedName_;
  std::string frameworkName_;
  std::size_t instanceSize_ = 0;
  GUID interfaceId_{};
  std::string interfaceName_;
  ZORMetaClass* interfaceMeta_ = nullptr;
  ZORMetaClass* implementationMeta_ = nullptr;
};

// Root of every component: reference count, interface queries through the runtime's dictionary,
// the host's allocation operators and one meta-class per class. The virtual operations are
// declared in the order of the host's operation table.
class ZORHOST_API ZORBaseUnknown : public IUnknown {
 public:
  ZORBaseUnknown();

  // 0 to 2
  HRESULT QueryInterface(const GUID& iid, void** object) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  // 3 to 6: automation is not served by this host.
  virtual HRESULT GetTypeInfoCount(unsigned* count);
  virtual HRESULT GetTypeInfo(unsigned index, unsigned locale, void** typeInfo);
  virtual HRESULT GetIDsOfNames(const GUID& iid, char** names, unsigned count, unsigned locale,
                                long* ids);
  virtual HRESULT Invoke(long id, const GUID& iid, unsigned locale, unsigned short flags,
                         void* parameters, void* result, void* exception, unsigned* argumentError);
  // 7: this component when it is a kind of the named class, else null; no reference is added.
  virtual ZORBaseUnknown* QueryInterface(const char* name) const;
  // 8
  virtual ~ZORBaseUnknown();
  // 9 to 15
  virtual ZORMetaClass* GetClassMetaObject() const;
  virtual const char* IsA() const;
  virtual int IsAKindOf(const char* name) const;
  virtual ZORBaseUnknown* GetImpl(int kind = 0) const;
  virtual int IsNull() const;
  virtual int IsEqual(const ZORBaseUnknown* other) const;
  virtual HRESULT ChangeComponentState(int fromState, int toState, int mode);

  static ZORMetaClass* MetaObject();
  static const GUID& InterfaceId() { return IID_ZORBaseUnknown; }

  // The host's allocation operators: null on exhaustion, never an exception.
  static void* operator new(std::size_t size) noexcept;
  static void operator delete(void* memory) noexcept;

  ZORBaseUnknown(const ZORBaseUnknown&) = delete;
  ZORBaseUnknown& operator=(const ZORBaseUnknown&) = delete;

 protected:
  // A facet is a part of another component that shares that component's identity and count;
  // it is not a component of its own.
  struct FacetTag {};
  explicit ZORBaseUnknown(FacetTag);
  // An extension holds one reference on the component it extends, for its whole life; an
  // interface it does not serve itself is asked of that component.
  struct ExtensionOf {
    ZORBaseUnknown* component;
  };
  explicit ZORBaseUnknown(ExtensionOf extended);

  // Adapters keep their implementation and count here (see the Tie_* functions).
  ZORBaseUnknown* TieImplementation() const { return tieImplementation_; }
  std::int32_t* ReferenceCountAddress() { return &referenceCount_; }

 private:
  friend class ZORRuntime;

  std::int32_t referenceCount_ = 1;
  bool isComponent_ = true;
  ZORBaseUnknown* tieImplementation_ = nullptr;  // adapters: one reference on the implementation
  ZORBaseUnknown* extended_ = nullptr;           // extensions: one reference on the component
  ZORMetaClass* extensionMeta_ = nullptr;        // extensions: registered under this class
};
