// The owner of one icon handle: assigning a new handle destroys the one
// held before, and the destructor destroys the last.
#pragma once

#include "platform/base/wintypes.h"

class CTKIconHandle {
 public:
  CTKIconHandle() = default;
  virtual ~CTKIconHandle();
  CTKIconHandle(const CTKIconHandle&) = delete;
  CTKIconHandle& operator=(const CTKIconHandle&) = delete;

  CTKIconHandle& operator=(HICON icon);
  operator HICON() const { return m_hIcon; }  // NOLINT
  HICON GetHandle() const { return m_hIcon; }

 protected:
  HICON m_hIcon = nullptr;
};
