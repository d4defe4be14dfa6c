// The report control's painting: positions kept while locked applied at
// paint, the back buffer, the drawing order of OnDraw, the rows of a
// section with their merged cells and the empty area below them, the
// no-items text and the drop marker.
#include <algorithm>

#include "platform/framework/afx.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecorditem.h"

void CTKReportControl::OnPaint() {
  CPaintDC paintDC(this);
  // Positions asked for while locked or before the window existed.
  if (m_nEnsureVisibleRowIdx >= 0) {
    const int index = m_nEnsureVisibleRowIdx;
    m_nEnsureVisibleRowIdx = -1;
    CTKReportRows* rows = m_pSectionBody->GetRows();
    if (index < rows->GetCount()) {
      CClientDC dc(this);
      m_pSections->EnsureVisible(&dc, rows->GetAt(index));
    }
  }
  if (m_nEnsureVisibleColumnIdx >= 0) {
    const int index = m_nEnsureVisibleColumnIdx;
    m_nEnsureVisibleColumnIdx = -1;
    if (index < m_pColumns->GetCount()) EnsureColumnVisible(m_pColumns->GetAt(index));
  }
  if (m_nEnsureVisibleTopRowIdx >= 0) {
    SetScrollPos(SB_VERT, m_nEnsureVisibleTopRowIdx);
    m_nEnsureVisibleTopRowIdx = -1;
    AdjustScrollBars();
  }

  CRect client;
  GetClientRect(&client);
  if (m_bDoubleBuffering && m_nLockUpdateCount == 0 && (m_bChanged || !m_pBackBuffer)) {
    delete m_pBackBuffer;
    m_pBackBuffer = new CBitmap();
    if (m_pBackBuffer->CreateCompatibleBitmap(&paintDC, client.Width(), client.Height())) {
      CTKCompatibleDC memDC(&paintDC, m_pBackBuffer);
      PaintTo(&memDC);
    } else {
      delete m_pBackBuffer;
      m_pBackBuffer = nullptr;
    }
  }
  if (m_pBackBuffer) {
    CTKCompatibleDC memDC(&paintDC, m_pBackBuffer);
    paintDC.BitBlt(0, 0, client.Width(), client.Height(), &memDC, 0, 0, SRCCOPY);
  } else {
    PaintTo(&paintDC);
  }
}

void CTKReportControl::PaintTo(CDC* pDC) {
  OnDraw(pDC);
  m_bChanged = FALSE;
  if (!IsWindowEnabled() && m_pPaintManager->m_bDimWhenDisabled) {
    CRect client;
    GetClientRect(&client);
    CTKImageManager::DisableArea(pDC, client, 0xFAFAFA, 0x808080);
  }
}

LRESULT CTKReportControl::OnPrintClient(WPARAM wParam, LPARAM) {
  CDC* pDC = CDC::FromHandle(reinterpret_cast<HDC>(wParam));
  if (!pDC) return 0;
  if (m_pBackBuffer) {
    CRect client;
    GetClientRect(&client);
    CTKCompatibleDC memDC(pDC, m_pBackBuffer);
    pDC->BitBlt(0, 0, client.Width(), client.Height(), &memDC, 0, 0, SRCCOPY);
  } else {
    OnDraw(pDC);
  }
  return 1;
}

BOOL CTKReportControl::OnEraseBkgnd(CDC*) { return TRUE; }

// New system colours reach the paint manager's colours and brushes first.
void CTKReportControl::OnSysColorChange() {
  CWnd::OnSysColorChange();
  if (m_pPaintManager) m_pPaintManager->RefreshMetrics();
  RedrawControl();
}

void CTKReportControl::OnStyleChanged(int, LPSTYLESTRUCT) {
  Default();
  RedrawControl();
}

void CTKReportControl::OnDraw(CDC* pDC) {
  if (!pDC) return;
  if (m_hWnd && (GetExStyle() & WS_EX_RTLREADING)) pDC->SetTextAlign(pDC->GetTextAlign() | TA_RTLREADING);
  CRect client;
  if (m_hWnd) GetClientRect(&client);
  else client = CRect(0, 0, m_rcHeaderArea.right, m_rcFooterArea.bottom);
  pDC->FillSolidRect(&client, m_pPaintManager->GetControlBackColor(this));
  if (m_hbmpWatermark) {
    CRect band = m_pSectionBody->GetRect();
    if (m_pSectionHeader->IsVisible()) band.top = m_rcHeaderArea.top;
    if (m_pSectionFooter->IsVisible()) band.bottom = m_rcFooterArea.bottom;
    DrawWatermark(pDC, band);
  }

  if (m_bHeaderVisible || m_rcHeaderArea.Height() > 0) {
    CRect rcHeader(m_rcHeaderArea);
    rcHeader.right = rcHeader.left + std::max(m_pReportHeader->GetTotalWidth(), rcHeader.Width());
    if (rcHeader.Height() > 0) m_pReportHeader->Draw(pDC, rcHeader);
  }
  m_pReportHeader->DrawGroupByControl(pDC, m_rcGroupByArea);
  if (m_bIconView) DrawIconView(pDC, client);
  else m_pSections->Draw(pDC);
  if (m_rcFooterArea.Height() > 0) m_pReportHeader->DrawFooter(pDC, m_rcFooterArea);
  if (m_nDropPos >= 0 && m_pPaintManager->m_bDropMarker) DrawDropMarker(pDC);
  m_bChanged = FALSE;
}

int CTKReportControl::DrawRows(CDC* pDC, CRect& rcClient, int y, CTKReportRows* pRows, int nTopRow, int nColumnFrom,
                               int nColumnTo, int* pnHeight) {
  if (pnHeight) *pnHeight = 0;
  if (!pDC || !pRows) return -1;
  CTKReportScreenRows* screen = pRows->GetScreenRows();
  if (screen) {
    screen->Clear();
    screen->SetSize(0, 100);
  }
  const BOOL printing = pDC->IsPrinting();
  int last = -1;
  const int top = y;
  if (m_pColumns->GetVisibleColumnsCount() > 0) {
    int total = 0, frozenRight = 0, visibleIndex = 0;
    for (int i = 0; i < m_pColumns->GetCount(); i++) {
      CTKReportColumn* c = m_pColumns->GetAt(i);
      if (!c || !c->IsVisible()) continue;
      total += c->GetWidth();
      if (visibleIndex++ < m_nFreezeColumnsCount) frozenRight = total;
    }
    const int width = printing ? rcClient.Width() : total;
    CTKReportRecordMergeItems merged;
    for (int i = std::max(0, nTopRow); i < pRows->GetCount(); i++) {
      CTKReportRow* row = pRows->GetAt(i);
      if (!row) continue;
      const int height = row->GetHeight(pDC, width);
      if ((printing ? y + height : y) > rcClient.bottom) break;
      TK_REPORTDRAWROWARGS args;
      args.pDC = pDC;
      args.rcRow = CRect(rcClient.left, y, rcClient.left + width, y + height);
      args.rcClip = rcClient;
      args.nHScrollOffset = printing ? 0 : m_nLeftOffset;
      args.nColumnFrom = nColumnFrom;
      args.nColumnTo = nColumnTo;
      args.pMergeItems = &merged;
      args.bPrinting = printing;
      row->Draw(&args);
      if (screen) {
        CTKReportRow* kept = row;
        if (IsVirtualMode()) {
          kept = CreateRow();
          kept->InitRowFrom(row);
        } else {
          row->InternalAddRef();
        }
        screen->Add(kept);
      }
      y += height;
      last = i;
    }
    // Merged cells: each drawn once over its whole rectangle, right of the
    // frozen columns.
    if (!merged.empty()) {
      const int saved = pDC->SaveDC();
      if (!printing) pDC->IntersectClipRect(rcClient.left + frozenRight, rcClient.top, rcClient.right, rcClient.bottom);
      for (auto& [item, cells] : merged) {
        TK_REPORTMERGEDRANGE range;
        CRect rect;
        while (cells.FindMergedRect(range, rect)) {
          if (!range.IsValid() || range.nColumnFrom >= m_pColumns->GetCount()) continue;
          CTKReportColumn* column = m_pColumns->GetAt(range.nColumnFrom);
          CTKReportRow* row = range.nRowFrom < pRows->GetCount() ? pRows->GetAt(range.nRowFrom) : nullptr;
          rect.right -= 1;
          rect.bottom -= 1;
          TK_REPORTRECORDITEM_DRAWARGS drawArgs;
          drawArgs.pControl = this;
          drawArgs.pRow = row;
          drawArgs.pColumn = column;
          drawArgs.pItem = item;
          drawArgs.pDC = pDC;
          drawArgs.rcItem = rect;
          drawArgs.nTextAlign = column ? column->GetAlignment() : 0;
          pDC->FillSolidRect(&rect, m_pPaintManager->GetControlBackColor(this));
          item->Draw(&drawArgs);
          if (row) row->DrawItemGrid(pDC, column, rect);
        }
      }
      pDC->RestoreDC(saved);
    }
    if (m_pPaintManager->m_bDrawGridForEmptySpace && y < rcClient.bottom) DrawEmptyArea(pDC, rcClient, y);
  }
  if (pRows->GetCount() == 0) DrawNoItemsText(pDC, rcClient);
  if (pnHeight) *pnHeight = y - top;
  return last;
}

void CTKReportControl::DrawEmptyArea(CDC* pDC, const CRect& rcRows, int y) {
  CTKReportPaintManager* pm = m_pPaintManager;
  const int lineHeight = pm->GetRowHeightDefault();
  if (lineHeight <= 0) return;
  for (; y < rcRows.bottom; y += lineHeight) {
    int x = rcRows.left - m_nLeftOffset, frozenX = rcRows.left, visibleIndex = 0;
    for (int i = 0; i < m_pColumns->GetCount(); i++) {
      CTKReportColumn* c = m_pColumns->GetAt(i);
      if (!c || !c->IsVisible()) continue;
      const bool frozen = visibleIndex < m_nFreezeColumnsCount;
      const int left = frozen ? frozenX : x;
      const CRect cell(left, y, left + c->GetWidth(), y + lineHeight);
      if (frozen)
        pDC->FillSolidRect(CRect(cell.left, cell.top + 1, cell.right, cell.bottom), pm->GetControlBackColor(this));
      if (c == m_pColumns->GetTreeColumn() && pm->m_bTreeIndentColumn)
        pm->FillIndent(pDC, CRect(cell.left, cell.top, cell.left + pm->GetTreeIndent(), cell.bottom));
      pm->DrawGrid(pDC, FALSE, CRect(cell.left, cell.top, cell.right, cell.bottom - 1));
      pm->DrawGrid(pDC, TRUE, cell);
      if (frozen && visibleIndex == m_nFreezeColumnsCount - 1) pm->DrawFreezeColsDivider(pDC, cell, this, nullptr);
      x += c->GetWidth();
      if (frozen) frozenX += c->GetWidth();
      visibleIndex++;
    }
  }
}

void CTKReportControl::DrawNoItemsText(CDC* pDC, CRect rcClient) {
  CTKReportPaintManager* pm = m_pPaintManager;
  const COLORREF color = pm->m_clrWindowText;
  CTKFontDC font(pDC, pm->GetTextFont(), color);
  rcClient.DeflateRect(5, 5);
  const int oldMode = pDC->SetBkMode(TRANSPARENT);
  MarkupDrawText(m_pMarkupContext, pDC->GetSafeHdc(), pm->GetNoItemsText(), &rcClient,
                 DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS);
  pDC->SetBkMode(oldMode);
}

void CTKReportControl::DrawDropMarker(CDC* pDC) {
  const CRect body = m_pSectionBody->GetRect();
  if (m_nDropPos == 0 && m_pSectionBody->GetRows()->GetCount() == 0) m_nDropPos = body.top;
  DrawDropMarkerAt(pDC, m_nDropPos);
}

void CTKReportControl::DrawDropMarkerAt(CDC* pDC, int y) {
  const CRect body = m_pSectionBody->GetRect();
  if (!pDC || y < body.top - 1 || y > body.bottom) return;
  const COLORREF color = m_pPaintManager->m_clrHotDivider;
  pDC->FillSolidRect(body.left, y, body.Width(), 1, color);
  const int l = body.left, r = body.right;
  const POINT left[7] = {{l, y - 2},     {l + 2, y - 2}, {l + 2, y - 5}, {l + 7, y},
                         {l + 2, y + 5}, {l + 2, y + 2}, {l, y + 2}};
  const POINT right[7] = {{r - 1, y - 2}, {r - 3, y - 2}, {r - 3, y - 5}, {r - 8, y},
                          {r - 3, y + 5}, {r - 3, y + 2}, {r - 1, y + 2}};
  CTKPenDC pen(pDC, color);
  CTKBrushDC brush(pDC->GetSafeHdc(), color);
  pDC->Polygon(left, 7);
  pDC->Polygon(right, 7);
}
