// The looks of the pop-up window: the plain paint manager draws the
// background and every item that is neither markup nor owner drawn; the
// themes differ only in their colours and their background.
#pragma once

#include "platform/framework/afx.h"
#include "toolkit/common/colormanager.h"

class CTKPopupControl;
class CTKPopupItem;

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
};

class CTKPopupThemeOffice2000 : public CTKPopupPaintManager {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;
};

class CTKPopupThemeOfficeXP : public CTKPopupThemeOffice2000 {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;
};

class CTKPopupThemeOffice2003 : public CTKPopupThemeOfficeXP {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;

  // The strip along the top edge.
  CTKPaintManagerColorGradient m_clrCaption;

  // The left x of the first gripper dot on a strip of that width.
  static int GripperStart(int nStripWidth);
};

class CTKPopupThemeMSN : public CTKPopupThemeOffice2000 {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;
};

// Colours from the "PopupControl" section of the theme images' INI text.
class CTKPopupThemeResource : public CTKPopupThemeOffice2003 {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;
};
