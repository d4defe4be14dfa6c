// CCmdTarget: the base of objects that receive commands and of
// reference-counted objects.
//
// A new object holds one reference, owned by its creator. The count is
// changed with interlocked operations, so references may be taken and
// released on any thread; the release that brings it to zero calls
// OnFinalRelease, which deletes the object.
#pragma once

#include "platform/base/object.h"

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)
 public:
  CCmdTarget() noexcept = default;
  ~CCmdTarget() override = default;

  // Both answer the new count. Releasing an object whose count is already
  // zero does nothing and answers 0.
  DWORD InternalAddRef();
  DWORD InternalRelease();
  // The references COM clients hold; the same count as the internal ones.
  DWORD ExternalAddRef() { return InternalAddRef(); }
  DWORD ExternalRelease() { return InternalRelease(); }

  // Called once when the last reference goes; deletes the object.
  virtual void OnFinalRelease();

  LONG m_dwRef = 1;
};
