// The report control's watermark: a bitmap blended into the body band,
// aligned, optionally stretched, at a constant alpha.
#include <algorithm>

#include "platform/framework/afx.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/report/reportcontrol.h"

BOOL CTKReportControl::SetWatermarkBitmap(HBITMAP hBitmap, BYTE nTransparency) {
  m_WatermarkTransparency = nTransparency;
  if (m_hbmpWatermark) {
    ::DeleteObject(m_hbmpWatermark);
    m_hbmpWatermark = nullptr;
  }
  RedrawControl();
  if (!hBitmap) return TRUE;
  BITMAP bm{};
  if (!::GetObject(hBitmap, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight == 0) return FALSE;
  {
    // A 32-bit copy of the same size (the blend uses a constant alpha, so a
    // plain copy serves every depth).
    CWindowDC screen(nullptr);
    const int height = std::abs(bm.bmHeight);
    HBITMAP copy = CTKImageManager::CreateDIB32(screen.GetSafeHdc(), bm.bmWidth, height, nullptr);
    if (copy) {
      CDC src, dst;
      src.CreateCompatibleDC(&screen);
      dst.CreateCompatibleDC(&screen);
      HGDIOBJ oldSrc = src.SelectObject(hBitmap);
      HGDIOBJ oldDst = dst.SelectObject(copy);
      dst.BitBlt(0, 0, bm.bmWidth, height, &src, 0, 0, SRCCOPY);
      src.SelectObject(oldSrc);
      dst.SelectObject(oldDst);
    }
    m_hbmpWatermark = copy;
  }
  BITMAP check{};
  if (m_hbmpWatermark && !::GetObject(m_hbmpWatermark, sizeof(check), &check)) {
    ::DeleteObject(m_hbmpWatermark);
    m_hbmpWatermark = nullptr;
  }
  return m_hbmpWatermark != nullptr;
}

BOOL CTKReportControl::SetWatermarkBitmap(LPCTSTR szPath, BYTE nTransparency) {
  if (!szPath || !*szPath) return SetWatermarkBitmap(static_cast<HBITMAP>(nullptr), nTransparency);
  BOOL alpha = FALSE;
  HBITMAP loaded = CTKImageManager::LoadBitmapFromFile(szPath, &alpha);
  if (!loaded) {
    SetWatermarkBitmap(static_cast<HBITMAP>(nullptr), nTransparency);
    return FALSE;
  }
  const BOOL result = SetWatermarkBitmap(loaded, nTransparency);
  ::DeleteObject(loaded);
  return result;
}

void CTKReportControl::DrawWatermark(CDC* pDC, CRect rcBand) {
  if (!m_hbmpWatermark || !pDC || rcBand.IsRectEmpty()) return;
  BITMAP bm{};
  if (!::GetObject(m_hbmpWatermark, sizeof(bm), &bm)) return;
  const int width = bm.bmWidth, height = std::abs(bm.bmHeight);
  const int align = m_nWatermarkAlignment;
  const BOOL stretch = (align & 0x100) != 0;
  CRect src(0, 0, width, height);
  CRect dest(rcBand);
  if (!stretch) {
    dest.right = dest.left + std::min(width, rcBand.Width());
    dest.bottom = dest.top + std::min(height, rcBand.Height());
    src.right = dest.Width();
    src.bottom = dest.Height();
  } else {
    if (align & 0x200) {  // shrink only: the source is limited to the band
      src.right = std::min(width, rcBand.Width());
      src.bottom = std::min(height, rcBand.Height());
    }
    if (align & 0x400) {  // do not enlarge
      dest.right = dest.left + std::min(dest.Width(), width);
      dest.bottom = dest.top + std::min(dest.Height(), height);
    }
    if ((align & 0x800) && width > 0 && height > 0) {  // keep the aspect ratio
      if (static_cast<long long>(dest.Width()) * height > static_cast<long long>(dest.Height()) * width)
        dest.right = dest.left + static_cast<int>(static_cast<long long>(dest.Height()) * width / height);
      else dest.bottom = dest.top + static_cast<int>(static_cast<long long>(dest.Width()) * height / width);
    }
  }
  const int h = align & 0x0F, v = align & 0xF0;
  if (h == 2) dest.OffsetRect((rcBand.Width() - dest.Width()) / 2, 0);
  if (h == 4) dest.OffsetRect(rcBand.right - dest.right, 0);
  if (v == 0x20) dest.OffsetRect(0, (rcBand.Height() - dest.Height()) / 2);
  if (v == 0x40) dest.OffsetRect(0, rcBand.bottom - dest.bottom);

  CDC mem;
  mem.CreateCompatibleDC(pDC);
  HGDIOBJ old = mem.SelectObject(m_hbmpWatermark);
  if (!stretch) {
    CTKImageManager::AlphaBlendDC(pDC, dest, &mem, src, m_WatermarkTransparency);
  } else {
    // Stretched onto a white bitmap first, then blended.
    CWindowDC screen(nullptr);
    HBITMAP canvas = CTKImageManager::CreateDIB32(screen.GetSafeHdc(), dest.right, dest.bottom, nullptr);
    if (canvas) {
      CDC stretched;
      stretched.CreateCompatibleDC(pDC);
      HGDIOBJ oldCanvas = stretched.SelectObject(canvas);
      stretched.FillSolidRect(0, 0, dest.right, dest.bottom, RGB(255, 255, 255));
      stretched.SetStretchBltMode(HALFTONE);
      stretched.StretchBlt(dest.left, dest.top, dest.Width(), dest.Height(), &mem, src.left, src.top, src.Width(),
                           src.Height(), SRCCOPY);
      CTKImageManager::AlphaBlendDC(pDC, dest, &stretched, dest, m_WatermarkTransparency);
      stretched.SelectObject(oldCanvas);
      ::DeleteObject(canvas);
    }
  }
  mem.SelectObject(old);
}
