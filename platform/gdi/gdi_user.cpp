// The classic look: DrawEdge, DrawFrameControl, DrawFocusRect, DrawState,
// Draw3dRect and FillSolidRect, in system colours.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/gdi_internal.h"

namespace pv::gdi {

static void Solid(HDC hdc, int l, int t, int r, int b, COLORREF c) {
  if (r <= l || b <= t) return;
  RECT rc{l, t, r, b};
  HBRUSH br = CreateSolidBrush(c);
  FillRect(hdc, &rc, br);
  DeleteObject(br);
}

// Draws one glyph of our symbol face centred in a rectangle.
static void Glyph(HDC hdc, const RECT& rc, char16_t ch, COLORREF color, int size = 0) {
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (size <= 0) size = std::min(w, h);
  if (size <= 0) return;
  HFONT f = CreateFont(-size, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, u"Marlett");
  HGDIOBJ old = SelectObject(hdc, f);
  int mode = SetBkMode(hdc, TRANSPARENT);
  COLORREF oc = SetTextColor(hdc, color);
  RECT r = rc;
  char16_t s[2] = {ch, 0};
  DrawText(hdc, s, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
  SetTextColor(hdc, oc);
  SetBkMode(hdc, mode);
  SelectObject(hdc, old);
  DeleteObject(f);
}

}  // namespace pv::gdi

using namespace pv::gdi;

void GdiFillSolidRect(HDC hdc, const RECT* rc, COLORREF color) {
  if (!rc) return;
  COLORREF old = SetBkColor(hdc, color);
  ExtTextOut(hdc, 0, 0, ETO_OPAQUE, rc, nullptr, 0, nullptr);
  SetBkColor(hdc, old);
}

void GdiDraw3dRect(HDC hdc, int x, int y, int cx, int cy, COLORREF tl, COLORREF br) {
  // Top and left in the first colour, right and bottom (with their corners) in the second.
  Solid(hdc, x, y, x + cx - 1, y + 1, tl);
  Solid(hdc, x, y, x + 1, y + cy - 1, tl);
  Solid(hdc, x + cx - 1, y, x + cx, y + cy, br);
  Solid(hdc, x, y + cy - 1, x + cx, y + cy, br);
}

BOOL DrawEdge(HDC hdc, LPRECT rc, UINT edge, UINT flags) {
  if (!rc || !GetDC_(hdc)) return FALSE;
  RECT r = *rc;
  // Colours of the outer and inner border, top-left and bottom-right.
  COLORREF otl, obr, itl, ibr;
  bool outer = (edge & BDR_OUTER) != 0, inner = (edge & BDR_INNER) != 0;
  if (flags & BF_MONO) {
    otl = obr = GetSysColor(COLOR_WINDOWFRAME);
    itl = ibr = GetSysColor(COLOR_WINDOW);
  } else if (flags & BF_FLAT) {
    otl = obr = GetSysColor(COLOR_BTNSHADOW);
    itl = ibr = GetSysColor(COLOR_BTNFACE);
  } else {
    bool soft = (flags & BF_SOFT) != 0;
    if (edge & BDR_RAISEDOUTER) {
      otl = GetSysColor(soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT);
      obr = GetSysColor(COLOR_3DDKSHADOW);
    } else {
      otl = GetSysColor(COLOR_BTNSHADOW);
      obr = GetSysColor(COLOR_BTNHIGHLIGHT);
    }
    if (edge & BDR_RAISEDINNER) {
      itl = GetSysColor(soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT);
      ibr = GetSysColor(COLOR_BTNSHADOW);
    } else {
      itl = GetSysColor(soft ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
      ibr = GetSysColor(COLOR_3DLIGHT);
    }
  }
  if (flags & BF_DIAGONAL) {
    // One diagonal line per border, from one corner to the other.
    HPEN pens[2] = {CreatePen(PS_SOLID, 1, obr), CreatePen(PS_SOLID, 1, ibr)};
    HGDIOBJ old = SelectObject(hdc, pens[0]);
    bool toTopRight = (flags & (BF_TOP | BF_RIGHT)) == (BF_TOP | BF_RIGHT) && !(flags & BF_LEFT);
    for (int i = 0; i < 2; ++i) {
      if ((i == 0 && !outer) || (i == 1 && !inner)) continue;
      SelectObject(hdc, pens[i]);
      if (toTopRight || (flags & (BF_BOTTOM | BF_LEFT)) == (BF_BOTTOM | BF_LEFT)) {
        MoveToEx(hdc, r.left + i, r.bottom - 1, nullptr);
        LineTo(hdc, r.right, r.top - 1 + i);
      } else {
        MoveToEx(hdc, r.left + i, r.top + i, nullptr);
        LineTo(hdc, r.right, r.bottom);
      }
    }
    SelectObject(hdc, old);
    DeleteObject(pens[0]);
    DeleteObject(pens[1]);
    return TRUE;
  }
  auto border = [&](COLORREF tl, COLORREF brc) {
    if (flags & BF_TOP) Solid(hdc, r.left, r.top, r.right - ((flags & BF_RIGHT) ? 1 : 0), r.top + 1, tl);
    if (flags & BF_LEFT) Solid(hdc, r.left, r.top, r.left + 1, r.bottom - ((flags & BF_BOTTOM) ? 1 : 0), tl);
    if (flags & BF_BOTTOM) Solid(hdc, r.left, r.bottom - 1, r.right, r.bottom, brc);
    if (flags & BF_RIGHT) Solid(hdc, r.right - 1, r.top, r.right, r.bottom, brc);
    if (flags & BF_TOP) r.top++;
    if (flags & BF_LEFT) r.left++;
    if (flags & BF_BOTTOM) r.bottom--;
    if (flags & BF_RIGHT) r.right--;
  };
  if (outer) border(otl, obr);
  if (inner) border(itl, ibr);
  if (flags & BF_MIDDLE)
    Solid(hdc, r.left, r.top, r.right, r.bottom, GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  if (flags & BF_ADJUST) *rc = r;
  return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rc) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc || !rc || rc->right <= rc->left || rc->bottom <= rc->top) return FALSE;
  // Every other border pixel inverted: drawing it twice restores the pixels.
  RECT t = dc->ToTargetRect(rc->left, rc->top, rc->right, rc->bottom);
  std::vector<std::vector<std::pair<int, int>>> rows(t.bottom - t.top);
  for (int y = t.top; y < t.bottom; ++y) {
    auto& row = rows[y - t.top];
    bool edgeRow = y == t.top || y == t.bottom - 1;
    for (int x = t.left; x < t.right; ++x) {
      bool edge = edgeRow || x == t.left || x == t.right - 1;
      if (edge && ((x - t.left + y - t.top) & 1) == 0) row.push_back({x, x + 1});
    }
  }
  RectSet rl = RectSet::FromSpans(t.top, rows);
  RectSet clipped = RectSet::Combine(rl, dc->Clip(), RGN_AND);
  Bitmap* b = dc->Target();
  if (!b) return TRUE;
  b->Flush();
  for (const RECT& r : clipped.rects)
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) b->Row(y)[x] = 0xFF000000u | (~b->Row(y)[x] & 0xFFFFFF);
  b->Dirty();
  b->PixelsToRaw();
  return TRUE;
}

static void ButtonFace(HDC hdc, RECT* r, UINT state) {
  UINT edge = (state & (DFCS_PUSHED | DFCS_CHECKED)) ? EDGE_SUNKEN : EDGE_RAISED;
  UINT flags = BF_RECT | BF_MIDDLE | BF_SOFT;
  if (state & DFCS_FLAT) flags |= BF_FLAT;
  if (state & DFCS_MONO) flags |= BF_MONO;
  if ((state & (DFCS_PUSHED | DFCS_CHECKED)) && !(state & DFCS_FLAT)) flags &= ~BF_SOFT;
  RECT tmp = *r;
  DrawEdge(hdc, &tmp, edge, flags | BF_ADJUST);
  if (state & DFCS_ADJUSTRECT) *r = tmp;
}

static RECT Square(const RECT& rc) {
  int s = std::min(rc.right - rc.left, rc.bottom - rc.top);
  int x = rc.left + (rc.right - rc.left - s) / 2, y = rc.top + (rc.bottom - rc.top - s) / 2;
  return RECT{x, y, x + s, y + s};
}

BOOL DrawFrameControl(HDC hdc, LPRECT rc, UINT type, UINT state) {
  if (!rc || !GetDC_(hdc)) return FALSE;
  bool inactive = (state & DFCS_INACTIVE) != 0;
  COLORREF glyph = GetSysColor(inactive ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  switch (type) {
    case DFC_BUTTON: {
      UINT kind = state & 0xFF;
      if (kind & DFCS_BUTTONPUSH) {
        ButtonFace(hdc, rc, state);
        return TRUE;
      }
      RECT box = Square(*rc);
      if (kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) {
        // A round sunken well: shadow arc at the top-left, highlight at the bottom-right.
        HDC d = hdc;
        int s = box.right - box.left;
        HRGN well = CreateEllipticRgn(box.left, box.top, box.right, box.bottom);
        HRGN inner = CreateEllipticRgn(box.left + 2, box.top + 2, box.right - 2, box.bottom - 2);
        HRGN tl = CreateRectRgn(0, 0, 0, 0);
        if (kind & DFCS_BUTTONRADIOMASK) {
          HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
          FillRgn(d, well, black);
        } else {
          // The upper-left half of the ring in shadow colours, the rest in light colours.
          POINT tri[3] = {{box.left, box.top}, {box.right, box.top}, {box.left, box.bottom}};
          HRGN half = CreatePolygonRgn(tri, 3, ALTERNATE);
          HBRUSH sh = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)),
                 hi = CreateSolidBrush(GetSysColor(COLOR_BTNHIGHLIGHT));
          HRGN ring = CreateRectRgn(0, 0, 0, 0);
          CombineRgn(ring, well, inner, RGN_DIFF);
          FillRgn(d, ring, hi);
          CombineRgn(tl, ring, half, RGN_AND);
          FillRgn(d, tl, sh);
          HBRUSH face = CreateSolidBrush(GetSysColor((state & DFCS_PUSHED) || inactive ? COLOR_BTNFACE : COLOR_WINDOW));
          FillRgn(d, inner, face);
          if (state & DFCS_CHECKED) {
            int dot = std::max(2, s / 3);
            HRGN dr = CreateEllipticRgn(box.left + (s - dot) / 2, box.top + (s - dot) / 2,
                                        box.left + (s - dot) / 2 + dot, box.top + (s - dot) / 2 + dot);
            HBRUSH gb = CreateSolidBrush(glyph);
            FillRgn(d, dr, gb);
            DeleteObject(gb);
            DeleteObject(dr);
          }
          for (HGDIOBJ o : {static_cast<HGDIOBJ>(half), static_cast<HGDIOBJ>(sh), static_cast<HGDIOBJ>(hi),
                            static_cast<HGDIOBJ>(ring), static_cast<HGDIOBJ>(face)})
            DeleteObject(o);
        }
        DeleteObject(well);
        DeleteObject(inner);
        DeleteObject(tl);
        return TRUE;
      }
      // Check box: sunken square, window-coloured well, check mark.
      RECT r = box;
      DrawEdge(hdc, &r, EDGE_SUNKEN,
               BF_RECT | BF_ADJUST | ((state & DFCS_FLAT) ? BF_FLAT : 0) | ((state & DFCS_MONO) ? BF_MONO : 0));
      bool grey = (state & DFCS_PUSHED) || inactive || (kind & DFCS_BUTTON3STATE);
      Solid(hdc, r.left, r.top, r.right, r.bottom, GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW));
      if (state & DFCS_CHECKED) Glyph(hdc, r, u'a', (kind & DFCS_BUTTON3STATE) ? GetSysColor(COLOR_BTNSHADOW) : glyph);
      return TRUE;
    }
    case DFC_SCROLL: {
      UINT kind = state & 0xFF;
      if (kind == DFCS_SCROLLSIZEGRIP || kind == DFCS_SCROLLSIZEGRIPRIGHT) {
        Solid(hdc, rc->left, rc->top, rc->right, rc->bottom, GetSysColor(COLOR_BTNFACE));
        // Three pairs of diagonal lines in the bottom-right corner.
        int s = std::min(rc->right - rc->left, rc->bottom - rc->top);
        HPEN hi = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)),
             sh = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        HGDIOBJ old = SelectObject(hdc, sh);
        for (int k = s - 1; k > 1; k -= 4) {
          SelectObject(hdc, hi);
          MoveToEx(hdc, rc->right - k - 1, rc->bottom, nullptr);
          LineTo(hdc, rc->right, rc->bottom - k - 1);
          SelectObject(hdc, sh);
          MoveToEx(hdc, rc->right - k, rc->bottom, nullptr);
          LineTo(hdc, rc->right, rc->bottom - k);
          MoveToEx(hdc, rc->right - k + 1, rc->bottom, nullptr);
          LineTo(hdc, rc->right, rc->bottom - k + 1);
        }
        SelectObject(hdc, old);
        DeleteObject(hi);
        DeleteObject(sh);
        return TRUE;
      }
      RECT r = *rc;
      ButtonFace(hdc, &r, (state & ~DFCS_ADJUSTRECT) | DFCS_ADJUSTRECT);
      char16_t ch = kind == DFCS_SCROLLUP                                    ? u'5'
                    : kind == DFCS_SCROLLDOWN || kind == DFCS_SCROLLCOMBOBOX ? u'6'
                    : kind == DFCS_SCROLLLEFT                                ? u'3'
                                                                             : u'4';
      if (state & DFCS_PUSHED) OffsetViewportOrgEx(hdc, 1, 1, nullptr);
      // The arrow is sized by the whole button, as Windows draws it (7x4 at 16 pixels).
      int size = std::min(rc->right - rc->left, rc->bottom - rc->top);
      if (inactive) {
        RECT sh = r;
        sh.left++;
        sh.top++;
        sh.right++;
        sh.bottom++;
        Glyph(hdc, sh, ch, GetSysColor(COLOR_BTNHIGHLIGHT), size);
      }
      Glyph(hdc, r, ch, inactive ? GetSysColor(COLOR_BTNSHADOW) : glyph, size);
      if (state & DFCS_PUSHED) OffsetViewportOrgEx(hdc, -1, -1, nullptr);
      return TRUE;
    }
    case DFC_MENU:
    case DFC_POPUPMENU: {
      // Black glyph on white: callers use it as a mask.
      Solid(hdc, rc->left, rc->top, rc->right, rc->bottom, RGB(255, 255, 255));
      UINT kind = state & 0xFF;
      char16_t ch = kind == DFCS_MENUCHECK        ? u'a'
                    : kind == DFCS_MENUBULLET     ? u'h'
                    : kind == DFCS_MENUARROWRIGHT ? u'7'
                                                  : u'8';
      Glyph(hdc, *rc, ch, RGB(0, 0, 0));
      return TRUE;
    }
    case DFC_CAPTION: {
      RECT r = *rc;
      ButtonFace(hdc, &r, (state & ~DFCS_ADJUSTRECT) | DFCS_ADJUSTRECT);
      UINT kind = state & 0xFF;
      char16_t ch = kind == DFCS_CAPTIONMIN       ? u'0'
                    : kind == DFCS_CAPTIONMAX     ? u'1'
                    : kind == DFCS_CAPTIONRESTORE ? u'2'
                    : kind == DFCS_CAPTIONHELP    ? u's'
                                                  : u'r';
      if (state & DFCS_PUSHED) {
        r.left++;
        r.top++;
        r.right++;
        r.bottom++;
      }
      Glyph(hdc, r, ch, glyph);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

// ---- DrawState --------------------------------------------------------------------------------------------
namespace {

// Renders the image of a DrawState call into a 32-bit bitmap (white
// background) and returns a mask of what was drawn.
HBITMAP RenderState(HDC ref, UINT kind, DRAWSTATEPROC proc, LPARAM data, WPARAM wdata, int cx, int cy, UINT flags,
                    HFONT font, std::vector<uint8_t>* mask) {
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC mem = CreateCompatibleDC(ref);
  HGDIOBJ old = SelectObject(mem, bmp);
  HGDIOBJ oldFont = SelectObject(mem, font);
  // Transparent marker background so that any drawn colour shows up in the mask.
  auto* px = static_cast<uint32_t*>(bits);
  std::fill(px, px + static_cast<size_t>(cx) * cy, 0u);
  GdiMarkDirty(bmp);
  SetBkMode(mem, TRANSPARENT);
  SetTextColor(mem, RGB(0, 0, 0));
  switch (kind) {
    case DST_TEXT:
    case DST_PREFIXTEXT: {
      RECT r{0, 0, cx, cy};
      UINT f = DT_SINGLELINE | DT_NOCLIP | (kind == DST_TEXT ? DT_NOPREFIX : 0);
      if (flags & DSS_HIDEPREFIX) f |= DT_HIDEPREFIX;
      if (flags & DSS_PREFIXONLY) f |= DT_PREFIXONLY;
      DrawText(mem, reinterpret_cast<LPCWSTR>(data), wdata ? static_cast<int>(wdata) : -1, &r, f);
      break;
    }
    case DST_ICON:
      DrawIconEx(mem, 0, 0, reinterpret_cast<HICON>(data), cx, cy, 0, nullptr, DI_NORMAL);
      break;
    case DST_BITMAP: {
      HDC src = CreateCompatibleDC(ref);
      HGDIOBJ o = SelectObject(src, reinterpret_cast<HBITMAP>(data));
      BitBlt(mem, 0, 0, cx, cy, src, 0, 0, SRCCOPY);
      SelectObject(src, o);
      DeleteDC(src);
      break;
    }
    default:
      if (proc) proc(mem, data, wdata, cx, cy);
      break;
  }
  GdiFlush();
  mask->assign(static_cast<size_t>(cx) * cy, 0);
  for (size_t i = 0; i < mask->size(); ++i) {
    uint32_t p = px[i];
    // Drawn pixels are opaque; text edges count when at least half covered.
    (*mask)[i] = (p >> 24) >= 128 ? 1 : 0;
  }
  SelectObject(mem, oldFont);
  SelectObject(mem, old);
  DeleteDC(mem);
  return bmp;
}

void PaintMaskAt(HDC hdc, int x, int y, int cx, int cy, const std::vector<uint8_t>& mask, COLORREF c, bool dither) {
  std::vector<std::vector<std::pair<int, int>>> rows(cy);
  for (int yy = 0; yy < cy; ++yy) {
    int start = -1;
    for (int xx = 0; xx <= cx; ++xx) {
      bool in = xx < cx && mask[yy * cx + xx] && (!dither || ((xx + yy) & 1) == 0);
      if (in && start < 0) start = xx;
      if (!in && start >= 0) {
        rows[yy].push_back({x + start, x + xx});
        start = -1;
      }
    }
  }
  HRGN rgn = NewRegion(RectSet::FromSpans(y, rows));
  HBRUSH b = CreateSolidBrush(c);
  FillRgn(hdc, rgn, b);
  DeleteObject(b);
  DeleteObject(rgn);
}

}  // namespace

BOOL DrawState(HDC hdc, HBRUSH brush, DRAWSTATEPROC proc, LPARAM data, WPARAM wdata, int x, int y, int cx, int cy,
               UINT flags) {
  if (!GetDC_(hdc)) return FALSE;
  UINT kind = flags & 0x000F;
  HFONT font = static_cast<HFONT>(GetCurrentObject(hdc, OBJ_FONT));
  if (cx == 0 || cy == 0) {
    // Sizes from the image.
    if (kind == DST_TEXT || kind == DST_PREFIXTEXT) {
      RECT r{0, 0, 0, 0};
      DrawText(hdc, reinterpret_cast<LPCWSTR>(data), wdata ? static_cast<int>(wdata) : -1, &r,
               DT_SINGLELINE | DT_CALCRECT | (kind == DST_TEXT ? DT_NOPREFIX : 0));
      if (!cx) cx = r.right;
      if (!cy) cy = r.bottom;
    } else if (kind == DST_ICON) {
      ICONINFO ii;
      if (GetIconInfo(reinterpret_cast<HICON>(data), &ii)) {
        BITMAP bm;
        GetObject(ii.hbmMask, sizeof bm, &bm);
        if (!cx) cx = bm.bmWidth;
        if (!cy) cy = ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
        DeleteObject(ii.hbmMask);
        if (ii.hbmColor) DeleteObject(ii.hbmColor);
      }
    } else if (kind == DST_BITMAP) {
      BITMAP bm;
      if (GetObject(reinterpret_cast<HBITMAP>(data), sizeof bm, &bm)) {
        if (!cx) cx = bm.bmWidth;
        if (!cy) cy = bm.bmHeight;
      }
    }
  }
  if (cx <= 0 || cy <= 0) return FALSE;
  UINT look = flags & (DSS_DISABLED | DSS_MONO | DSS_UNION);
  if (look == 0) {
    // Plain drawing straight onto the DC.
    switch (kind) {
      case DST_TEXT:
      case DST_PREFIXTEXT: {
        RECT r{x, y, x + cx, y + cy};
        UINT f = DT_SINGLELINE | DT_NOCLIP | (kind == DST_TEXT ? DT_NOPREFIX : 0);
        if (flags & DSS_HIDEPREFIX) f |= DT_HIDEPREFIX;
        if (flags & DSS_PREFIXONLY) f |= DT_PREFIXONLY;
        if (flags & DSS_RIGHT) f |= DT_RIGHT;
        int mode = SetBkMode(hdc, TRANSPARENT);
        DrawText(hdc, reinterpret_cast<LPCWSTR>(data), wdata ? static_cast<int>(wdata) : -1, &r, f);
        SetBkMode(hdc, mode);
        return TRUE;
      }
      case DST_ICON:
        return DrawIconEx(hdc, x, y, reinterpret_cast<HICON>(data), cx, cy, 0, nullptr, DI_NORMAL);
      case DST_BITMAP: {
        HDC src = CreateCompatibleDC(hdc);
        HGDIOBJ o = SelectObject(src, reinterpret_cast<HBITMAP>(data));
        BitBlt(hdc, x, y, cx, cy, src, 0, 0, SRCCOPY);
        SelectObject(src, o);
        DeleteDC(src);
        return TRUE;
      }
      default: {
        if (!proc) return FALSE;
        POINT org;
        OffsetViewportOrgEx(hdc, x, y, &org);
        BOOL r = proc(hdc, data, wdata, cx, cy);
        SetViewportOrgEx(hdc, org.x, org.y, nullptr);
        return r;
      }
    }
  }
  std::vector<uint8_t> mask;
  HBITMAP img = RenderState(hdc, kind, proc, data, wdata, cx, cy, flags, font, &mask);
  if (look & DSS_DISABLED) {
    // Embossed: highlight one pixel down-right, shadow on top.
    PaintMaskAt(hdc, x + 1, y + 1, cx, cy, mask, GetSysColor(COLOR_BTNHIGHLIGHT), false);
    PaintMaskAt(hdc, x, y, cx, cy, mask, GetSysColor(COLOR_BTNSHADOW), false);
  } else if (look & DSS_MONO) {
    PaintMaskAt(hdc, x, y, cx, cy, mask, brush ? BrushColor(GetDC_(hdc), brush) : GetTextColor(hdc), false);
  } else {
    // DSS_UNION: the image with every other pixel in the highlight colour.
    HDC src = CreateCompatibleDC(hdc);
    HGDIOBJ o = SelectObject(src, img);
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(hdc, x, y, cx, cy, src, 0, 0, cx, cy, bf);
    SelectObject(src, o);
    DeleteDC(src);
    PaintMaskAt(hdc, x, y, cx, cy, mask, brush ? BrushColor(GetDC_(hdc), brush) : GetSysColor(COLOR_HIGHLIGHT), true);
  }
  DeleteObject(img);
  return TRUE;
}

BOOL DrawStateW(HDC hdc, HBRUSH b, DRAWSTATEPROC p, LPARAM d, WPARAM w, int x, int y, int cx, int cy, UINT f) {
  return DrawState(hdc, b, p, d, w, x, y, cx, cy, f);
}
