// A windowless rich-text renderer over the rich-edit text services, which
// it loads by name ("RICHED20.DLL"). Text that begins with '{' is read as
// RTF, anything else as plain text. Without the services it draws nothing
// and measures (0, 0).
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"

class CDC;
struct ITextServices;

class CTKRichRender {
 public:
  CTKRichRender();
  virtual ~CTKRichRender();
  CTKRichRender(const CTKRichRender&) = delete;
  CTKRichRender& operator=(const CTKRichRender&) = delete;

  void SetText(LPCTSTR lpszText);
  // The size the text needs when laid out at the width.
  CSize GetTextExtent(CDC* pDC, int nWidth);
  void Draw(CDC* pDC, LPCRECT lpRect);

  BOOL IsAvailable() const { return m_pServices != nullptr; }

 protected:
  class CHost;
  CHost* m_pHost = nullptr;
  ITextServices* m_pServices = nullptr;
  HMODULE m_hModule = nullptr;
};
