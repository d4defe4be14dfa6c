// Value converters: the per-property converter callbacks, the number and
// integer readers, named colours, thickness values and the system colours,
// brushes and resource keys of the "SystemColors." static members.
#pragma once

#include "toolkit/markup/markupobject.h"

class CTKMarkupSolidColorBrush;

// Leading white space, optional sign, decimal digits; stops at the first other
// character; no digits give 0. Saturates instead of overflowing.
int MarkupReadInt(LPCWSTR lpsz);

// Reads one decimal number at lpsz and advances it (see the number rules in
// markupconverters.cpp). wSeparator 0 means none.
BOOL ReadNumber(LPCWSTR& lpsz, double& dResult, WCHAR wSeparator, BOOL bWholeText);

// A number value for n with one reference. Numbers cannot be changed once
// made, so the common ones (0 to 1023 and "Auto") are made once per process
// and shared by every property that holds them.
CTKMarkupInt* MarkupSharedInt(int n);
// The same for enumeration values (font weights run to 950).
CTKMarkupEnum* MarkupSharedEnum(int n);

// Named colours (case ignored): the colour in 0xAABBGGRR, non-zero result.
BOOL ColorFromName(LPCWSTR lpsz, int nLength, DWORD& dwColor);

// Converter callbacks (builder, value) → new object or null.
CTKMarkupObject* ConvertTextDecorations(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertFontWeight(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertFontStyle(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertFontQuality(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertLength(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertBaselineAlignment(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertTextWrapping(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertTextTrimming(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertTextAlignment(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertHorizontalAlignment(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertVerticalAlignment(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertVisibility(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertCursor(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertOrientation(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertDock(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertLineCap(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertLineJoin(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertScrollBarVisibility(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertStretch(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertIsChecked(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertContent(CTKMarkupBuilder*, CTKMarkupObject*);
CTKMarkupObject* ConvertTabNavigation(CTKMarkupBuilder*, CTKMarkupObject*);

class CTKMarkupThickness : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupThickness)
 public:
  CTKMarkupThickness() : left(0), top(0), right(0), bottom(0) {}
  explicit CTKMarkupThickness(int n) : left(n), top(n), right(n), bottom(n) {}
  CTKMarkupThickness(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  BOOL IsEqual(const CTKMarkupObject* pOther) const override;
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  // ConvertFrom without an instance to call it on: the converter of the
  // thickness properties, so that a build makes no throw-away thickness.
  static CTKMarkupObject* ConvertText(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue);
  static CTKMarkupThickness* GetSharedZeroThickness();
  int left, top, right, bottom;
};

RECT DeflateRectByThickness(int left, int top, int right, int bottom, const CTKMarkupThickness* pThickness);

class CTKMarkupColorKey : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupColorKey)
 public:
  explicit CTKMarkupColorKey(int nIndex = 0) : m_nIndex(nIndex) {}
  int m_nIndex;
};

class CTKMarkupBrushKey : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupBrushKey)
 public:
  explicit CTKMarkupBrushKey(int nIndex = 0) : m_nIndex(nIndex) {}
  int m_nIndex;
};

// Whether the name (nLength characters) is a system colour name; its index.
BOOL SystemColorIndexFromName(LPCWSTR lpszName, int nLength, int& nIndex);

// Per-builder cache of system colours, brushes and keys (31 of each).
class SystemColorCache {
 public:
  SystemColorCache();
  ~SystemColorCache();
  SystemColorCache(const SystemColorCache&) = delete;
  SystemColorCache& operator=(const SystemColorCache&) = delete;
  CTKMarkupColor* GetSystemColor(int nIndex);
  CTKMarkupSolidColorBrush* GetSystemBrush(int nIndex);
  CTKMarkupColorKey* GetColorKey(int nIndex);
  CTKMarkupBrushKey* GetBrushKey(int nIndex);
  // The static members of "x:Static": null when the text is not one.
  CTKMarkupObject* SystemColorFromName(LPCWSTR lpsz);
  CTKMarkupObject* SystemBrushFromName(LPCWSTR lpsz);
  CTKMarkupObject* SystemColorKeyFromName(LPCWSTR lpsz);
  CTKMarkupObject* SystemBrushKeyFromName(LPCWSTR lpsz);

 private:
  CTKMarkupSolidColorBrush* m_arrBrushes[31];
  CTKMarkupColor* m_arrColors[31];
  CTKMarkupBrushKey* m_arrBrushKeys[31];
  CTKMarkupColorKey* m_arrColorKeys[31];
};
