#include "toolkit/common/iconhandle.h"

#include "platform/gdi/wingdi.h"

CTKIconHandle::~CTKIconHandle() {
  if (m_hIcon) DestroyIcon(m_hIcon);
}

CTKIconHandle& CTKIconHandle::operator=(HICON icon) {
  if (m_hIcon && m_hIcon != icon) DestroyIcon(m_hIcon);
  m_hIcon = icon;
  return *this;
}
