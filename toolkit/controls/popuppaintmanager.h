// The looks of the pop-up window: the plain paint manager draws the
// background and every item that is neither markup nor owner drawn; the
// themes (one file pair each, popuptheme*.h) differ only in their colours
// and their background. TKCreatePopupPaintManager makes the look of an id.
#pragma once

#include <memory>
#include <optional>

#include "platform/framework/afx.h"
#include "toolkit/common/colormanager.h"

class CTKPopupControl;
class CTKPopupItem;

// The pop-up looks by their stored theme number. Any other number is the
// plain paint manager.
enum class TKPopupTheme : int {
  Office2000 = 0,
  OfficeXP = 1,
  Office2003 = 2,
  MSN = 3,
  Resource = 4,
};

// The look of a stored number; none for a number no look has.
std::optional<TKPopupTheme> TKPopupThemeFromNumber(int nTheme);
inline int TKPopupThemeNumber(TKPopupTheme theme) { return static_cast<int>(theme); }

class CTKPopupPaintManager {
 public:
  CTKPopupPaintManager() = default;
  virtual ~CTKPopupPaintManager() = default;
  CTKPopupPaintManager(const CTKPopupPaintManager&) = delete;
  CTKPopupPaintManager& operator=(const CTKPopupPaintManager&) = delete;

  // The background of the whole client rectangle.
  virtual void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc);
  // Font and colours from the system, the colour manager or theme images.
  virtual void RefreshMetrics();

  void DrawItem(CDC* pDC, CTKPopupItem* pItem);
  // The fill and frame of a hot or pressed button item.
  void DrawButton(CDC* pDC, CTKPopupItem* pItem);

  CFont* GetFont() { return &m_fntText; }

  CTKPaintManagerColorGradient m_clrBackground;
  CTKPaintManagerColorGradient m_clrFrame;
  CFont m_fntText;
  COLORREF m_clrText = static_cast<COLORREF>(-1);
  COLORREF m_clrButtonSelected = static_cast<COLORREF>(-1);
  COLORREF m_clrButtonPressed = static_cast<COLORREF>(-1);
  CTKPaintManagerColorGradient m_clrButtonSelectedBorder;
  CTKPaintManagerColorGradient m_clrButtonPressedBorder;

 protected:
  // With a background image: draws it and answers TRUE.
  BOOL DrawBackgroundImage(CDC* pDC, CTKPopupControl* pControl);

  // A colour of -1: none. Gradients and frames with a colour of none are
  // skipped, so a theme whose colours were not found draws nothing rather
  // than white.
  static constexpr COLORREF kColorNone = static_cast<COLORREF>(-1);
  static void FillGradient(CDC* pDC, const CRect& rc, const CTKPaintManagerColorGradient& gradient, BOOL bHorizontal);
  static void Frame3d(CDC* pDC, const CRect& rc, COLORREF clrTopLeft, COLORREF clrBottomRight);
  // The colour manager's colour of an index: the system colours below 30,
  // the toolkit's derived colours from 30 on.
  static COLORREF ManagerColor(int nIndex);
};

// A new, not yet refreshed paint manager of the look.
std::unique_ptr<CTKPopupPaintManager> TKCreatePopupPaintManager(TKPopupTheme theme);
