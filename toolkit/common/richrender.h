// A windowless rich-text renderer over the rich-edit text services, which
// it loads by name ("RICHED20.DLL"). Text that begins with '{' is read as
// RTF when it is RTF, anything else as plain text. Without the services it
// draws nothing and measures (0, 0).
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "platform/shell/richedit.h"

class CDC;
struct ITextServices;

class CTKRichRender {
 public:
  CTKRichRender();
  virtual ~CTKRichRender();
  CTKRichRender(const CTKRichRender&) = delete;
  CTKRichRender& operator=(const CTKRichRender&) = delete;

  // The format text starts from (the message font and the button-text colour
  // until set).
  void SetDefaultCharFormat(const CHARFORMATW* pFormat);
  const CHARFORMATW& GetDefaultCharFormat() const;
  // Replaces the text; answers the number of characters read (0 without services).
  int SetText(LPCTSTR lpszText);
  // The narrowest size the text keeps its height in, laid out at most
  // twice the width wide.
  CSize GetTextExtent(CDC* pDC, int nWidth);
  void Draw(CDC* pDC, LPCRECT lpRect);

  BOOL IsAvailable() const { return m_pServices != nullptr; }
  // The last size the services asked for while laying the text out.
  CSize GetRequestedSize() const;

 protected:
  class CHost;
  CHost* m_pHost = nullptr;
  ITextServices* m_pServices = nullptr;
  HMODULE m_hModule = nullptr;
};
