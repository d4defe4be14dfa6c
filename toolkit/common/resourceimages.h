// The theme-image store: a theme package is a TEXTFILE resource in INI
// form (colours, rectangles, integers and the [Images] map of names to
// resources) plus PNG or bitmap resources. The store answers INI lookups,
// loads each image once and caches it by name, and draws images with four
// sizing margins (corners kept, edges and middle stretched) through one
// shared 512 x 512 buffer under one lock.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/base/threads.h"
#include "toolkit/common/imagehandle.h"

class CDC;
class CTKNotifyConnection;
class CTKPaintManagerColorGradient;
class CTKResourceImages;

// One theme image: raw 32-bit pixels, rows bottom-up as GetDIBits gives them.
class CTKResourceImage : public CCmdTarget {
 public:
  explicit CTKResourceImage(CTKResourceImages* images);
  ~CTKResourceImage() override;

  BOOL LoadFromModule(HMODULE module, LPCTSTR name);
  BOOL LoadFromHandle(HBITMAP bitmap, BOOL alpha);

  CSize GetExtent() const { return CSize(m_nWidth, m_nHeight); }
  BOOL IsAlpha() const { return m_bAlpha; }
  // State n of `count` equal states stacked vertically; empty without an image.
  CRect GetStateRect(int state, int count) const;

  // Nine-part drawing of `source` (image coordinates, y downward) into
  // `dest` with sizing margins (left, top, right, bottom).
  void DrawImage(CDC* pDC, const CRect& dest, const CRect& source, const CRect& margins = CRect(0, 0, 0, 0));
  void DrawImageStretch(CDC* pDC, const CRect& dest, const CRect& source) { DrawImage(pDC, dest, source); }
  // The colour key stays transparent (-1: none).
  void DrawImageTransparent(CDC* pDC, const CRect& dest, const CRect& source, const CRect& margins, COLORREF key);
  // Flag bit 0: the colour key becomes real transparency through a 32-bit buffer.
  void DrawImageWithAlpha(CDC* pDC, const CRect& dest, const CRect& source, const CRect& margins, COLORREF key,
                          UINT flags);
  void PremultiplyAlpha();

  // The raw pixels (bottom-up), for tests and the theme code.
  const std::vector<BYTE>& GetBits() const { return m_arrBits; }

 protected:
  BOOL ReadBits(HBITMAP bitmap);
  void DrawPart(HDC hdc, HDC source, const CRect& dest, const CRect& src);

  std::vector<BYTE> m_arrBits;
  BOOL m_bAlpha = FALSE;
  BOOL m_bPremultiplied = FALSE;
  int m_nWidth = 0;
  int m_nHeight = 0;
  CTKResourceImages* m_pImages;
};

class CTKResourceImages : public CCmdTarget {
 public:
  CTKResourceImages();
  ~CTKResourceImages() override;

  // Frees the previous module when owned, stores the INI name ('.' becomes
  // '_'), the module and the flag, and loads the INI text.
  BOOL SetModule(HMODULE module, LPCTSTR iniName = nullptr, BOOL ownsModule = FALSE);
  // TRUE when an INI text was found and locked; drops every cached image
  // and broadcasts kEventImagesChanged.
  BOOL LoadIni();
  BOOL IsLoaded() const { return m_pIniStart != nullptr; }
  HMODULE GetModule() const { return m_hModule; }
  const CString& GetIniName() const { return m_strIniName; }

  // Section and key names ignore case; values come back upper-cased.
  CString GetIniString(LPCTSTR section, LPCTSTR key);
  COLORREF GetIniColor(LPCTSTR section, LPCTSTR key, COLORREF defaultColor);
  CRect GetIniRect(LPCTSTR section, LPCTSTR key, const CRect& defaultRect);
  int GetIniInt(LPCTSTR section, LPCTSTR key, int defaultValue);
  // The two colours of a section (keys of the light and the dark end) as
  // the gradient's standard colours, with the factor; an end whose key is
  // missing keeps its colour. TRUE when both keys were found.
  BOOL GetIniGradient(CTKPaintManagerColorGradient& gradient, LPCTSTR section, LPCTSTR keyLight, LPCTSTR keyDark,
                      float factor = 0.5f);

  // The cached image of the name, loaded on first request; null (also
  // cached) when the package has none. Valid until the next RemoveAll.
  CTKResourceImage* GetImage(LPCTSTR name);
  // The resource name of an image name: its [Images] value when there is
  // one, with every '.' and '\' made '_'.
  CString MapImageName(LPCTSTR name);
  void RemoveAll();
  CTKNotifyConnection* GetConnection();

  static constexpr UINT kEventImagesChanged = 10575;
  static constexpr int kBufferSize = 512;

  using CBitmapDC = CTKImageManagerResource::CBitmapDC;

 protected:
  CString ReadIniValue(LPCTSTR section, LPCTSTR key);
  // The next line (without its CR and one LF after it), or FALSE when no CR
  // follows within the text.
  BOOL ReadIniLine(const char*& pos, CString& line) const;
  CTKResourceImage* LoadImage(LPCTSTR name);

  CString m_strIniName;
  HMODULE m_hModule = nullptr;
  BOOL m_bOwnsModule = FALSE;
  const char* m_pIniStart = nullptr;
  const char* m_pIniEnd = nullptr;
  BOOL m_bPremultiplyImages = FALSE;
  std::map<std::u16string, CTKResourceImage*> m_mapImages;
  HBITMAP m_hbmBuffer = nullptr;  // 512 x 512, bottom-up
  LPBYTE m_pBufferBits = nullptr;
  CBitmapDC m_dc;
  CCriticalSection m_cs;
  CTKNotifyConnection* m_pConnection = nullptr;

  friend class CTKResourceImage;
};

// The process-wide store, made on first use with the application's own
// module and the default package.
CTKResourceImages* GetResourceImages();
