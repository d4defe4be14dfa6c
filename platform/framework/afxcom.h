// Interface maps: the COM interfaces of a command target.
//
// A class implements each interface in a nested part and lists the parts in
// its interface map; QueryInterface on any part (or on the object) answers
// from the map of the most derived class, then its bases'. The parts have no
// count of their own: AddRef and Release reach the object's (m_dwRef), so the
// object lives while any of its interfaces is held and the last release
// deletes it (OnFinalRelease).
//
//   class CNoteHost : public CCmdTarget {
//     ...
//     BEGIN_INTERFACE_PART(TextHost, ITextHost)
//       STDMETHOD(TxGetDC)(HDC* dc) override;   // the interface's own methods
//       ...
//     END_INTERFACE_PART(TextHost)              // member m_xTextHost
//     DECLARE_INTERFACE_MAP()
//   };
//
//   BEGIN_INTERFACE_MAP(CNoteHost, CCmdTarget)
//     INTERFACE_PART(CNoteHost, IID_ITextHost, TextHost)
//   END_INTERFACE_MAP()
//
//   STDMETHODIMP CNoteHost::XTextHost::TxGetDC(HDC* dc) {
//     METHOD_PROLOGUE(CNoteHost, TextHost)    // pThis: the owning object
//     ...
//   }
//
// A part's QueryInterface, AddRef and Release are written by
// BEGIN_INTERFACE_PART. A part the class writes itself (a mix-in's, say) can
// be listed too when it says which interface it is (`using Interface = ...`).
#pragma once

#include <type_traits>

#include "platform/base/cmdtarget.h"
#include "platform/base/com.h"

namespace pv {

// The base of a nested part: the interface, with IUnknown handed to the
// owning object.
template <class I>
class InterfacePart : public I {
  static_assert(std::is_base_of_v<IUnknown, I>, "an interface part implements a COM interface");

 public:
  using Interface = I;

  explicit InterfacePart(CCmdTarget* outer) noexcept : m_pOuter(outer) {}
  // A part belongs to one object; copying it would tie it to another's count.
  InterfacePart(const InterfacePart&) = delete;
  InterfacePart& operator=(const InterfacePart&) = delete;
  ~InterfacePart() override = default;

  STDMETHOD(QueryInterface)(REFIID riid, void** object) override {
    return m_pOuter->ExternalQueryInterface(&riid, object);
  }
  STDMETHOD_(ULONG, AddRef)() override { return m_pOuter->ExternalAddRef(); }
  STDMETHOD_(ULONG, Release)() override { return m_pOuter->ExternalRelease(); }

  CCmdTarget* GetOuter() const { return m_pOuter; }

 private:
  CCmdTarget* m_pOuter;
};

// The interface pointer of a part, as QueryInterface hands it out.
template <class Part>
void* InterfaceOfPart(Part& part) {
  using I = typename Part::Interface;
  static_assert(std::is_base_of_v<I, Part>, "the part does not implement the interface it names");
  return static_cast<I*>(&part);
}

}  // namespace pv

#define DECLARE_INTERFACE_MAP()                             \
 protected:                                                 \
  static const AFX_INTERFACEMAP* GetThisInterfaceMap();     \
  const AFX_INTERFACEMAP* GetInterfaceMap() const override; \
                                                            \
 private:

#define BEGIN_INTERFACE_MAP(theClass, baseClass)                                              \
  const AFX_INTERFACEMAP* theClass::GetInterfaceMap() const { return GetThisInterfaceMap(); } \
  const AFX_INTERFACEMAP* theClass::GetThisInterfaceMap() {                                   \
    using TheBaseClass = baseClass;                                                           \
    static const AFX_INTERFACEMAP_ENTRY _interfaceEntries[] = {
// The part m_x<localClass> of theClass answers iid. The function is written
// inside a member of theClass, so protected parts (and a base's) are reachable.
#define INTERFACE_PART(theClass, iid, localClass)                                      \
  {&(iid), [](CCmdTarget* pv_object) -> void* {                                        \
     return ::pv::InterfaceOfPart(static_cast<theClass*>(pv_object)->m_x##localClass); \
   }},

#define END_INTERFACE_MAP()                                                                                 \
  { nullptr, nullptr }                                                                                      \
  }                                                                                                         \
  ;                                                                                                         \
  static const AFX_INTERFACEMAP interfaceMap = {&TheBaseClass::GetThisInterfaceMap, &_interfaceEntries[0]}; \
  return &interfaceMap;                                                                                     \
  }

// Opens the nested part X<localClass> implementing baseClass (an interface);
// the part's IUnknown methods are already written.
#define BEGIN_INTERFACE_PART(localClass, baseClass)             \
  class X##localClass : public ::pv::InterfacePart<baseClass> { \
   public:                                                      \
    using ::pv::InterfacePart<baseClass>::InterfacePart;

// Closes the part and declares the member m_x<localClass>, bound to this object.
#define END_INTERFACE_PART(localClass) \
  }                                    \
  m_x##localClass{this};               \
  friend class X##localClass;

// In a part's method: pThis, the object the part belongs to.
#define METHOD_PROLOGUE(theClass, localClass)                                                  \
  [[maybe_unused]] theClass* pThis = static_cast<theClass*>(GetOuter());                       \
  static_assert(std::is_same_v<std::remove_cvref_t<decltype(*this)>, theClass::X##localClass>, \
                "METHOD_PROLOGUE names another class's part");
