// The paint manager's settings: construction, colours, fonts, metrics and
// the measuring of headers, footers and previews. Drawing is in
// reportpaintmanager_draw.cpp and reportcelltext.cpp.
#include "toolkit/report/reportpaintmanager.h"

#include <algorithm>

#include "platform/framework/afxgdi.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/common/winthemewrapper.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportprintoptions.h"
#include "platform/framework/afxapp.h"
#include "platform/framework/afxprint.h"

// ---- CTKFormulaMulDivC ----

int CTKFormulaMulDivC::Compute(int x) const {
  const int divisor = m_nDivisor == 0 ? 1 : m_nDivisor;
  return x * m_nMultiplier / divisor + m_nAddend;
}

void CTKFormulaMulDivC::SetParameters(int multiplier, int divisor, int addend) {
  m_nMultiplier = multiplier;
  m_nDivisor = divisor;
  m_nAddend = addend;
}

void CTKFormulaMulDivC::GetParameters(int* multiplier, int* divisor, int* addend) const {
  if (multiplier) *multiplier = m_nMultiplier;
  if (divisor) *divisor = m_nDivisor;
  if (addend) *addend = m_nAddend;
}

// ---- patterns ----

const WORD CTKReportPaintManager::kGridPatterns[2][4][8] = {
    // horizontal lines
    {{0, 0, 0, 0, 0, 0, 0, 0},
     {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},
     {0xCC, 0x33, 0xCC, 0x33, 0xCC, 0x33, 0xCC, 0x33},
     {0xE0, 0xE0, 0xE0, 0xE0, 0xE0, 0xE0, 0xE0, 0xE0}},
    // vertical lines
    {{0, 0, 0, 0, 0, 0, 0, 0},
     {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},
     {0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33},
     {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F}},
};
const WORD CTKReportPaintManager::kGroupUnderlinePattern[8] = {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC};
const WORD CTKReportPaintManager::kTreeLinePattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};

// ---- construction ----

namespace {

// Restores the glyph manager's previous mask colour, also when the
// constructor leaves early.
class CMaskColorRestore {
 public:
  CMaskColorRestore(CTKImageManager* manager, COLORREF previous) : m_pManager(manager), m_clrPrevious(previous) {}
  ~CMaskColorRestore() {
    if (m_pManager) m_pManager->SetMaskColor(m_clrPrevious);
  }
  CMaskColorRestore(const CMaskColorRestore&) = delete;
  CMaskColorRestore& operator=(const CMaskColorRestore&) = delete;

 private:
  CTKImageManager* m_pManager;
  COLORREF m_clrPrevious;
};

void LoadText(CString& text, UINT id) {
  if (!GetResourceManager()->LoadString(&text, id)) text.Empty();
}

}  // namespace

CTKReportPaintManager::CTKReportPaintManager()
    : m_pColumnStyle(TKCreateReportColumnStyle(TKReportColumnStyle::Shaded)) {
  m_pHyperlinkStyle = new CTKReportHyperlinkStyle(RGB(0, 0, 255), 0);
  m_pHyperlinkHoverStyle = new CTKReportHyperlinkStyle(RGB(0, 0, 255), 1);
  m_themeHeader = new CTKWinThemeWrapper(TRUE);
  m_themeButton = new CTKWinThemeWrapper(TRUE);
  m_themeCombo = new CTKWinThemeWrapper(TRUE);
  m_themeSpin = new CTKWinThemeWrapper(TRUE);
  m_pHeaderHeightFormula = new CTKFormulaMulDivC();
  m_pHeaderHeightFormula->SetParameters(11, 10, 8);

  m_clrPreviewText.SetStandardValue(RGB(0, 0, 255));

  LoadText(m_strNoItems, TK_IDS_REPORT_NOITEMS);
  LoadText(m_strNoGroupBy, TK_IDS_REPORT_DRAGTOGROUP);
  LoadText(m_strNoFieldsAvailable, TK_IDS_REPORT_NOFIELDSAVAILABLE);
  LoadText(m_strSortBy, TK_IDS_REPORT_SORTBY);
  m_strSortBy += u" ";
  LoadText(m_strIncreasing, TK_IDS_REPORT_INCREASING);
  LoadText(m_strDecreasing, TK_IDS_REPORT_DECREASING);
  LoadText(m_strExpand, TK_IDS_REPORT_EXPAND);
  LoadText(m_strCollapse, TK_IDS_REPORT_COLLAPSE);
  m_rcPreviewIndent.SetRect(10, 0, 10, 2);

  LOGFONTW lf{};
  CTKDrawHelpers::GetIconLogFont(&lf);
  m_fontPreview.CreateFontIndirect(&lf);
  SetCaptionFont(lf);
  SetTextFont(lf);

  CBitmap bmpGlyphs;
  const BOOL loaded = GetResourceManager()->LoadBitmap(&bmpGlyphs, TK_IDB_REPORT_GLYPHS);
  m_pGlyphs = new CTKImageManager();
  CMaskColorRestore restoreMask(m_pGlyphs, m_pGlyphs->SetMaskColor(RGB(255, 0, 255)));
  if (loaded) {
    UINT ids[11];
    for (UINT i = 0; i < 11; i++) ids[i] = i;
    m_pGlyphs->SetIconsFromBitmap(&bmpGlyphs, ids, 11, CSize(12, 12), tkImageNormal, FALSE);
  }
  RefreshMetrics();
}

CTKReportPaintManager::~CTKReportPaintManager() {
  if (m_pHeaderHeightFormula) m_pHeaderHeightFormula->InternalRelease();
  if (m_pGlyphs) m_pGlyphs->InternalRelease();
  if (m_pHyperlinkStyle) m_pHyperlinkStyle->InternalRelease();
  if (m_pHyperlinkHoverStyle) m_pHyperlinkHoverStyle->InternalRelease();
  MarkupReleaseElement(m_pGroupByHintElement);
  delete m_themeHeader;
  delete m_themeButton;
  delete m_themeCombo;
  delete m_themeSpin;
}

// ---- fonts ----

CSize CTKReportPaintManager::MeasureSpace(CFont* pFont) {
  CWindowDC dc(nullptr);
  CFont* pOld = dc.SelectObject(pFont);
  const CSize size = dc.GetTextExtent(u" ", 1);
  dc.SelectObject(pOld);
  return size;
}

void CTKReportPaintManager::SetTextFont(const LOGFONTW& lf) {
  m_fontText.DeleteObject();
  m_fontBoldText.DeleteObject();
  m_fontText.CreateFontIndirect(&lf);
  LOGFONTW bold = lf;
  bold.lfWeight = FW_BOLD;
  m_fontBoldText.CreateFontIndirect(&bold);
  const CSize size = MeasureSpace(&m_fontText);
  m_nRowHeight = std::max(m_nMinRowHeight, static_cast<int>(size.cy) + 4);
}

void CTKReportPaintManager::SetCaptionFont(const LOGFONTW& lf) {
  m_fontCaption.DeleteObject();
  m_fontCaption.CreateFontIndirect(&lf);
  const CSize size = MeasureSpace(&m_fontCaption);
  m_nHeaderHeight = m_nFooterHeight = m_pHeaderHeightFormula->Compute(size.cy);
}

// ---- colours ----

void CTKReportPaintManager::RefreshMetrics() {
  RefreshColorManager();
  CTKColorManager* cm = GetColorManager();

  m_clrBtnFace.SetStandardValue(cm->GetColor(COLOR_BTNFACE));
  m_clrBtnText.SetStandardValue(cm->GetColor(COLOR_BTNTEXT));
  m_clrControlDark.SetStandardValue(cm->GetColor(COLOR_BTNSHADOW));
  m_clrHighlight.SetStandardValue(cm->GetColor(COLOR_HIGHLIGHT));
  m_clrHighlightText.SetStandardValue(cm->GetColor(COLOR_HIGHLIGHTTEXT));
  m_clrWindowText.SetStandardValue(cm->GetColor(COLOR_WINDOWTEXT));
  m_clrControlLightLight.SetStandardValue(cm->GetColor(COLOR_BTNHIGHLIGHT));
  m_clrControlBack.SetStandardValue(cm->GetColor(COLOR_WINDOW));

  m_clrIndentControl.SetStandardValue(m_clrBtnFace);
  m_clrHeaderControl.SetStandardValue(m_clrBtnFace);
  m_clrGroupShadeBack.SetStandardValue(m_clrBtnFace);
  m_clrSelectedRow.SetStandardValue(m_clrBtnFace);
  m_clrCaptionText.SetStandardValue(m_clrBtnText);
  m_clrGroupShadeText.SetStandardValue(m_clrBtnText);
  m_clrSelectedRowText.SetStandardValue(m_clrBtnText);
  m_clrGridLine.SetStandardValue(m_clrControlDark);
  m_clrGroupShadeBorder.SetStandardValue(m_clrControlDark);
  m_clrGroupRowText.SetStandardValue(m_clrControlDark);
  m_clrGroupBoxBack.SetStandardValue(m_clrControlDark);
  m_clrGroupBoxText.SetStandardValue(m_clrControlDark);
  m_clrGradientColumnSeparator.SetStandardValue(m_clrControlDark);
  m_clrItemShade.SetStandardValue(RGB(245, 245, 245));
  m_clrHotDivider.SetStandardValue(RGB(255, 0, 0));

  m_themeHeader->OpenThemeData(nullptr, u"HEADER");
  m_themeButton->OpenThemeData(nullptr, u"BUTTON");
  m_themeCombo->OpenThemeData(nullptr, u"COMBOBOX");
  m_themeSpin->OpenThemeData(nullptr, u"SPIN");
  m_nGroupGridLineStyle = 4;

  const int theme = cm->GetCurrentTheme();
  if (!cm->IsLunaColorsDisabled() && theme >= 1 && theme <= 5) {
    if (theme == CTKColorManager::tkThemeLunaOlive) {
      m_clrGroupShadeBorder.SetStandardValue(RGB(181, 196, 143));
      m_clrGroupShadeBack.SetStandardValue(RGB(175, 186, 145));
      m_clrGroupRowText.SetStandardValue(RGB(115, 137, 84));
      m_clrGridLine.SetStandardValue(RGB(234, 233, 225));
    } else if (theme == CTKColorManager::tkThemeLunaSilver) {
      m_clrGroupShadeBorder.SetStandardValue(RGB(165, 164, 189));
      m_clrGroupShadeBack.SetStandardValue(RGB(229, 229, 235));
      m_clrGroupRowText.SetStandardValue(RGB(112, 111, 145));
      m_clrGridLine.SetStandardValue(RGB(229, 229, 235));
    } else {
      m_clrGroupShadeBorder.SetStandardValue(RGB(123, 164, 224));
      m_clrGroupShadeBack.SetStandardValue(RGB(190, 218, 251));
      m_clrGroupRowText.SetStandardValue(RGB(55, 104, 185));
      m_clrGridLine.SetStandardValue(RGB(234, 233, 225));
    }
    m_clrIndentControl.SetStandardValue(RGB(253, 238, 201));
  }

  m_pColumnStyle->RefreshColors(this);

  m_brushVeriticalGrid.DeleteObject();
  m_brushHorizontalGrid.DeleteObject();
  m_brushTreeStructure.DeleteObject();
  m_brushGroupGridLine.DeleteObject();
  m_clrFreezeColsDivider.SetStandardValue(RGB(0, 0, 222));

  LOGFONTW lf{};
  if (m_fontCaption.GetSafeHandle() && m_fontCaption.GetLogFont(&lf)) SetCaptionFont(lf);
}

COLORREF CTKReportPaintManager::BlendColor(COLORREF clrFrom, COLORREF clrTo, double dAlpha) {
  auto channel = [dAlpha](int from, int to) { return static_cast<int>(from - dAlpha * (from - to)); };
  return RGB(channel(GetRValue(clrFrom), GetRValue(clrTo)), channel(GetGValue(clrFrom), GetGValue(clrTo)),
             channel(GetBValue(clrFrom), GetBValue(clrTo)));
}

// ---- switches ----

void CTKReportPaintManager::SetGridStyle(BOOL bVertical, int nStyle) {
  if (bVertical) {
    m_nVerticalGridStyle = nStyle;
    m_brushVeriticalGrid.DeleteObject();
  } else {
    m_nHorizontalGridStyle = nStyle;
    m_brushHorizontalGrid.DeleteObject();
  }
}

BOOL CTKReportPaintManager::IsGridVisible(int nDirection) const {
  if (nDirection == 0) return m_nHorizontalGridStyle != tkGridNoLines;
  if (nDirection == 1) return m_nVerticalGridStyle != tkGridNoLines;
  return FALSE;
}

BOOL CTKReportPaintManager::IsColumnHotTrackingEnabled() {
  return m_bHotTracking && m_pColumnStyle->IsHotTrackingEnabled(this);
}

void CTKReportPaintManager::SetColumnStyle(int style) {
  m_columnStyle = style;
  m_pColumnStyle = TKCreateReportColumnStyle(TKReportColumnStyleFromNumber(style).value_or(TKReportColumnStyle::Flat));
  RefreshMetrics();
}

// ---- measuring ----

int CTKReportPaintManager::GetPreviewLinesCount(CDC* pDC, const CRect& rc, const CString& strText) {
  if (rc.Width() < 1 || !pDC) return 0;
  const CSize extent = pDC->GetTextExtent(strText);
  if (extent.cx / rc.Width() > m_nMaxPreviewLines) return m_nMaxPreviewLines;
  CRect rcCalc(0, 0, rc.Width(), 0);
  pDC->DrawText(strText, &rcCalc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  const int lineHeight = std::max(1, static_cast<int>(pDC->GetTextExtent(u" ", 1).cy));
  return std::min(m_nMaxPreviewLines, rcCalc.Height() / lineHeight);
}

int CTKReportPaintManager::CalcColumnCaptionHeight(CDC* pDC, CTKReportColumn* pColumn, int nTotalWidth) {
  if (!pDC || !pColumn) return 8;
  const BOOL printing = pDC->IsPrinting();
  int width = (printing && !m_bColumnWidthWYSIWYG) ? pColumn->GetPrintWidth(nTotalWidth) : pColumn->GetWidth();
  CRect rcColumn(0, 0, width, 0);
  CTKReportDataHost* host = TKGetReportDataHost(m_pControl);
  if (pColumn->GetMarkupUIElement() == nullptr) rcColumn.left += pColumn->GetIndent();
  if (pColumn->GetIconID() != -1) rcColumn.left += host->GetHeaderIconWidth(pColumn, pColumn->GetIconID()) + 2;
  CRect rcText(rcColumn.left + 3, 0, rcColumn.right - 3, 0);
  const CString caption = pColumn->GetCaption();
  if (caption.IsEmpty() || rcText.Width() <= 0) return 8;

  CFont* pOld = pDC->SelectObject(&m_fontCaption);
  const int textWidth = pDC->GetTextExtent(caption).cx;
  if (m_nSortArrowPlacement != 2 && pColumn->IsSortable() && pColumn->IsSorted() && rcText.Width() > textWidth + 11)
    rcText.right = rcText.left + textWidth + 11;
  const BOOL wordBreak = (pColumn->GetHeaderAlignment() & DT_WORDBREAK) != 0;
  const UINT flags = wordBreak ? DT_WORDBREAK | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS
                               : DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  pDC->DrawText(caption, &rcText, DT_CALCRECT | flags);
  pDC->SelectObject(pOld);
  return m_pHeaderHeightFormula->Compute(rcText.Height());
}

int CTKReportPaintManager::GetHeaderHeight(CTKReportControl* pControl, CDC* pDC, int nTotalWidth) {
  if (m_bFixedRowHeight || !pControl || !pDC) return m_nHeaderHeight;
  CTKReportDataHost* host = TKGetReportDataHost(pControl);
  CTKReportColumns* columns = host->GetColumns();
  int height = m_nHeaderHeight;
  if (!columns) return height;
  for (int i = 0; i < columns->GetCount(); i++) {
    CTKReportColumn* column = columns->GetAt(i);
    if (!column || !column->IsVisible()) continue;
    if (column->GetHeaderAlignment() & DT_WORDBREAK)
      height = std::max(height, CalcColumnCaptionHeight(pDC, column, nTotalWidth));
    if (column->GetIconID() != -1) height = std::max(height, ColumnIconHeight(column) + 2);
  }
  return height;
}

int CTKReportPaintManager::GetFooterHeight(CTKReportControl* pControl, CDC* pDC, int nTotalWidth) {
  if (!pControl || !pDC) return m_nFooterHeight;
  CTKReportColumns* columns = TKGetReportDataHost(pControl)->GetColumns();
  int height = 22;
  if (!columns) return height;
  for (int i = 0; i < columns->GetCount(); i++) {
    CTKReportColumn* column = columns->GetAt(i);
    if (!column || !column->IsVisible()) continue;
    const BOOL wordBreak = !m_bFixedRowHeight && (column->GetFooterAlignment() & DT_WORDBREAK);
    CRect rc(3, 0, column->GetWidth() - 3, 22);
    CFont* pFont = column->GetFont() ? column->GetFont() : &m_fontCaption;
    CFont* pOld = pDC->SelectObject(pFont);
    pDC->DrawText(column->GetFooterText(), &rc,
                  DT_CALCRECT | (wordBreak ? DT_WORDBREAK : DT_SINGLELINE) | DT_VCENTER | DT_NOPREFIX);
    pDC->SelectObject(pOld);
    height = std::max(height, rc.Height() + 8);
  }
  return height;
}

// ---- printing ----

int CTKReportPaintManager::GetPrintPageWidth() {
  if (m_nPrintPageWidth != 0) return m_nPrintPageWidth;
  CWinApp* app = AfxGetApp();
  PRINTDLGW pd;
  pd.Flags = PD_RETURNDC | PD_RETURNDEFAULT;
  if (!app || !app->GetPrinterDeviceDefaults(&pd) || !pd.hDC) return 0;
  CDC printer;
  printer.Attach(pd.hDC);
  printer.m_bPrinting = TRUE;
  m_nPrintPageWidth = MeasurePrintPageWidth(&printer);
  printer.DeleteDC();
  return m_nPrintPageWidth;
}

int CTKReportPaintManager::MeasurePrintPageWidth(CDC* pPrinterDC) {
  if (!pPrinterDC) return 0;
  CTKReportViewPrintOptions options;
  CWindowDC screen(nullptr);
  const CRect margins = options.GetMarginsDeviceUnits(&screen);
  return TKCalcPrintPageWidth(pPrinterDC->GetDeviceCaps(HORZRES), pPrinterDC->GetDeviceCaps(LOGPIXELSX),
                              margins.left + margins.right);
}
