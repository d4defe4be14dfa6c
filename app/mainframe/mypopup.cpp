#include "app/mainframe/mypopup.h"

#include <algorithm>

#include "app/mainframe/popupthemes.h"
#include "toolkit/controls/popupitem.h"

// "我的提醒事务" ("my reminders"). Stored files of the past held it as GBK
// bytes read one unit per byte; shown here as the characters they encode.
const char16_t* const CMyPopupWnd::kCaption = u"\u6211\u7684\u63D0\u9192\u4E8B\u52A1";

BEGIN_MESSAGE_MAP(CMyPopupWnd, CWnd)
END_MESSAGE_MAP()

namespace {

// DrawText formats of the layouts.
constexpr UINT kLeftTop = 0;                                 // DT_LEFT | DT_TOP
constexpr UINT kRight = DT_RIGHT;                            // 2
constexpr UINT kCentredWrapped = DT_CENTER | DT_WORDBREAK;   // 17
constexpr UINT kMiddleOneLine = DT_VCENTER | DT_SINGLELINE;  // 36
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
// A theme number no pop-up look has: the plain paint manager, whose
// background the note item covers.
constexpr int kPlainPopupTheme = 5;

// Pictures of the pop-up layouts (the program's resources; 115, 124 and
// 251 name none, so their items stay empty).
constexpr UINT kIconCaption = 114;
constexpr UINT kBitmapOffice = 115;
constexpr UINT kBitmapClose2000 = 118;
constexpr UINT kBitmapMsnLogo = 119;
constexpr UINT kBitmapClose = 120;
constexpr UINT kBitmapMsnOptions = 121;
constexpr UINT kIconClose2003 = 123;
constexpr UINT kIconOptions2003 = 124;
constexpr UINT kIconReminder = 251;
constexpr UINT kBitmapCloseSimple = 252;
constexpr UINT kBitmapCloseSilvery = 255;

// Button pictures: normal, hot and pressed side by side; black is clear.
constexpr UINT kButtonStates = 1 | 2 | 4;

struct NamedValue {
  const char16_t* name;
  int value;
};

constexpr NamedValue kStyleNames[] = {
    {u"office 2000", CMyPopupWnd::kStyleOffice2000},
    {u"office xp", CMyPopupWnd::kStyleOfficeXP},
    {u"office 2003", CMyPopupWnd::kStyleOffice2003},
    {u"office 2007", CMyPopupWnd::kStyleOffice2003},
    {u"MSN Style", CMyPopupWnd::kStyleMSN},
    {u"Blue", CMyPopupWnd::kStyleBlue},
    {u"Black", CMyPopupWnd::kStyleBlack},
    {u"Green", CMyPopupWnd::kStyleGreen},
    {u"Red", CMyPopupWnd::kStyleRed},
    {u"Simple", CMyPopupWnd::kStyleSimple},
    {u"Silvery", CMyPopupWnd::kStyleSilvery},
};
constexpr NamedValue kAnimationNames[] = {
    {u"No", tkPopupAnimationNone},
    {u"Fade-out", tkPopupAnimationFade},
    {u"Slide-out", tkPopupAnimationSlide},
    {u"Unfold", tkPopupAnimationUnfold},
};
// "Mediun" is the stored spelling.
constexpr NamedValue kSpeedNames[] = {{u"Fast", 100}, {u"Mediun", 500}, {u"Slow", 800}};

template <std::size_t N>
bool Lookup(const NamedValue (&table)[N], const CString& name, int& value) {
  for (const NamedValue& entry : table) {
    if (name == entry.name) {
      value = entry.value;
      return true;
    }
  }
  return false;
}

// The number a settings text starts with, 0 when it holds none (as the C
// library's _wtoi reads it).
int LeadingNumber(const CString& text) {
  const char16_t* p = text.GetString();
  while (*p == u' ' || *p == u'\t') ++p;
  bool negative = *p == u'-';
  if (*p == u'-' || *p == u'+') ++p;
  long long value = 0;
  for (; *p >= u'0' && *p <= u'9' && value < 1'000'000'000; ++p) value = value * 10 + (*p - u'0');
  return static_cast<int>(negative ? -value : value);
}

// Items of the layouts. Every item is a hyperlink unless made NoLink.
CTKPopupItem* AddText(CTKPopupControl* pPopup, CRect rc, const CString& text, UINT format, int id = 0) {
  auto* pItem = new CTKPopupItem(rc, text);
  pPopup->AddItem(pItem);
  pItem->SetTextFormat(format);
  pItem->SetID(id);
  return pItem;
}

CTKPopupItem* NoLink(CTKPopupItem* pItem) {
  pItem->SetHyperLink(FALSE);
  return pItem;
}

// Captions fit their text: height first, then width.
CTKPopupItem* Fitted(CTKPopupItem* pItem) {
  pItem->CalculateHeight();
  pItem->CalculateWidth();
  return pItem;
}

CTKPopupItem* AddIcon(CTKPopupControl* pPopup, CRect rc, UINT icon, int id = 0) {
  auto* pItem = new CTKPopupItem(rc);
  pPopup->AddItem(pItem);
  pItem->SetIcon(icon);
  pItem->SetID(id);
  return pItem;
}

CTKPopupItem* AddBitmap(CTKPopupControl* pPopup, CRect rc, UINT bitmap, UINT states, int id = 0) {
  auto* pItem = new CTKPopupItem(rc);
  pPopup->AddItem(pItem);
  pItem->LoadIcons(bitmap, kBlack, states);
  pItem->SetID(id);
  return pItem;
}

CTKPopupItem* AddButton(CTKPopupControl* pPopup, CRect rc, UINT bitmap, int id) {
  CTKPopupItem* pItem = AddBitmap(pPopup, rc, bitmap, kButtonStates, id);
  pItem->SetButton(TRUE);
  return pItem;
}

}  // namespace

CMyPopupWnd::CMyPopupWnd() = default;

CMyPopupWnd::~CMyPopupWnd() { DeleteAllPopups(); }

bool CMyPopupWnd::SetStyleName(const CString& name) { return Lookup(kStyleNames, name, m_nStyle); }

bool CMyPopupWnd::SetAnimationName(const CString& name) { return Lookup(kAnimationNames, name, m_nAnimation); }

bool CMyPopupWnd::SetSpeedName(const CString& name) { return Lookup(kSpeedNames, name, m_nAnimationDelay); }

void CMyPopupWnd::SetShowMinutes(const CString& minutes) {
  long long ms = static_cast<long long>(LeadingNumber(minutes)) * 60000;
  m_nShowTime = static_cast<int>(std::clamp<long long>(ms, 0, 0x7FFFFFFF));
}

void CMyPopupWnd::SetTransparencyText(const CString& value) { m_nTransparency = LeadingNumber(value); }

void CMyPopupWnd::UpdateStyleMetrics() {
  switch (m_nStyle) {
    case kStyleOffice2000:
    case kStyleOfficeXP:
    case kStyleMSN:
    case kStyleBlue:
    case kStyleBlack:
    case kStyleGreen:
    case kStyleRed:
      m_nWidth = 170, m_nHeight = 130;
      break;
    case kStyleOffice2003:
      m_nWidth = 329, m_nHeight = 74;
      break;
    case kStyleSimple:
      m_nWidth = 220, m_nHeight = 90;
      break;
    case kStyleSilvery:
      m_nWidth = 250, m_nHeight = 200;
      break;
    default:
      break;
  }
}

POSITION CMyPopupWnd::ShowReminderPopup(CWnd* pParent, int taid) {
  auto* pPopup = new CMyPopup(taid);
  // A stored transparency outside 1-255 would make the pop-up invisible (0)
  // or wrap round; the nearest allowed value is used instead.
  pPopup->SetTransparency(std::clamp(m_nTransparency, 1, 255));
  pPopup->SetMoveFlag(m_bMoveFlag);
  pPopup->SetAnimationDelay(static_cast<UINT>(std::max(m_nAnimationDelay, 0)));
  pPopup->SetPopupAnimation(m_nAnimation);
  pPopup->SetShowDelay(static_cast<UINT>(std::max(m_nShowTime, 0)));
  ApplyPopupStyle(pPopup);
  pPopup->SetPopupSize(CSize(m_nWidth, m_nHeight));
  PlacePopup(pPopup, m_nWidth, m_nHeight);
  if (!pPopup->Show(pParent)) {
    delete pPopup;
    return nullptr;
  }
  return m_popups.AddTail(pPopup);
}

void CMyPopupWnd::ApplyPopupStyle(CTKPopupControl* pPopup) {
  pPopup->RemoveAllItems();
  const int W = m_nWidth;
  switch (m_nStyle) {
    case kStyleOffice2000:
    case kStyleOfficeXP: {  // layouts A and B
      pPopup->SetTheme(m_nStyle);
      NoLink(Fitted(AddText(pPopup, CRect(25, 5, W, 19), kCaption, kLeftTop)))->SetTextColor(kWhite);
      AddIcon(pPopup, CRect(4, 4, 20, 19), kIconCaption);
      AddBitmap(pPopup, CRect(14, 40, 20, 49), kBitmapOffice, 1);
      AddButton(pPopup, CRect(151, 6, 164, 19), kBitmapClose2000, kCloseItem);
      if (m_nStyle == kStyleOfficeXP)
        Fitted(AddText(pPopup, CRect(5, 50, W - 5, 50), m_strText, kCentredWrapped, kReminderTextItem));
      break;
    }
    case kStyleOffice2003: {  // layout C: its text is no link and opens nothing
      pPopup->SetTheme(TKPopupTheme::Office2003);
      AddText(pPopup, CRect(46, 16, 270, 41), kCaption, kLeftTop)->SetBold(TRUE);
      NoLink(AddText(pPopup, CRect(46, 29, 270, 54), m_strText, kLeftTop));
      AddIcon(pPopup, CRect(308, 14, 324, 30), kIconClose2003, kCloseItem)->SetButton(TRUE);
      AddIcon(pPopup, CRect(4, 49, 20, 65), kIconOptions2003)->SetButton(TRUE);
      break;
    }
    case kStyleMSN: {  // layout D
      pPopup->SetTheme(TKPopupTheme::MSN);
      AddBitmap(pPopup, CRect(7, 6, 20, 19), kBitmapMsnLogo, 1);
      NoLink(Fitted(AddText(pPopup, CRect(25, 6, W - 25, 19), kCaption, kLeftTop)));
      AddButton(pPopup, CRect(W - 19, 6, W - 6, 19), kBitmapClose, kCloseItem);
      int h1 = Fitted(AddText(pPopup, CRect(W - 66, 27, W - 10, 27), CString(), kRight))->GetRect().Height();
      int h2 = Fitted(AddText(pPopup, CRect(5, h1 + 32, W - 5, h1 + 32), m_strText, kCentredWrapped, kReminderTextItem))
                   ->GetRect()
                   .Height();
      int y = h1 + 32 + h2 + 5;
      AddBitmap(pPopup, CRect(W - 55, y, W - 10, y + 18), kBitmapMsnOptions, 1);
      m_nHeight = y + 28;
      break;
    }
    case kStyleBlue:
    case kStyleBlack:
    case kStyleGreen:
    case kStyleRed: {  // layout E
      CPopupThemeColorBlue* pPainter = nullptr;
      if (m_nStyle == kStyleBlue) pPainter = new CPopupThemeColorBlue;
      else if (m_nStyle == kStyleBlack) pPainter = new CPopupThemeColorBlack;
      else if (m_nStyle == kStyleGreen) pPainter = new CPopupThemeColorGreen;
      else pPainter = new CPopupThemeColorRed;
      pPopup->SetPaintManager(pPainter);
      CTKPopupItem* pCaption = NoLink(AddText(pPopup, CRect(5, 0, W - 5, 25), kCaption, kMiddleOneLine));
      pCaption->SetBold(TRUE);
      pCaption->SetTextColor(kWhite);
      AddButton(pPopup, CRect(W - 19, 6, W - 6, 19), kBitmapClose, kCloseItem);
      AddIcon(pPopup, CRect(12, 32, 44, 64), kIconReminder);
      int h = Fitted(AddText(pPopup, CRect(10, 69, W - 10, 69), m_strText, kCentredWrapped, kReminderTextItem))
                  ->GetRect()
                  .Height();
      int h2 = Fitted(AddText(pPopup, CRect(W - 71, h + 74, W - 15, h + 74), CString(), kRight))->GetRect().Height();
      m_nHeight = h + 74 + h2 + 10;
      break;
    }
    case kStyleSimple: {  // layout F
      pPopup->SetTheme(kPlainPopupTheme);
      // A plain item carries the note's colours: a pale yellow fill, a black frame.
      pPopup->AddItem(new CTKPopupItem(CRect(0, 0, 220, 90), nullptr, RGB(255, 255, 225), kBlack));
      AddText(pPopup, CRect(20, 30, 200, 100), m_strText, kCentredWrapped, kReminderTextItem);
      NoLink(AddText(pPopup, CRect(5, 0, W, 25), u"Information", kMiddleOneLine))->SetBold(TRUE);
      AddButton(pPopup, CRect(200, 2, 218, 20), kBitmapCloseSimple, kCloseItem);
      break;
    }
    case kStyleSilvery: {  // layout G
      pPopup->SetPaintManager(new CPopupThemeSilvery);
      CTKPopupItem* pCaption = NoLink(AddText(pPopup, CRect(5, 0, W, 25), kCaption, kMiddleOneLine));
      pCaption->SetBold(TRUE);
      pCaption->SetTextColor(kWhite);
      CTKPopupItem* pInfo = Fitted(AddText(pPopup, CRect(15, 30, W - 15, 30), CString(), kRight, kReminderTextItem));
      pInfo->SetTextColor(RGB(177, 177, 177));
      int h1 = pInfo->GetRect().Height();
      int h2 =
          Fitted(AddText(pPopup, CRect(15, h1 + 55, W - 15, h1 + 55), m_strText, kCentredWrapped, kReminderTextItem))
              ->GetRect()
              .Height();
      int y = h1 + 55 + h2 + 25;
      AddText(pPopup, CRect(10, y, W - 10, y + 26), CString(), kLeftTop);
      AddButton(pPopup, CRect(W - 82, y + 2, W - 10, y + 22), kBitmapCloseSilvery, kCloseItem);
      m_nHeight = y + 36;
      break;
    }
    default:
      break;
  }
}

void CMyPopupWnd::PlacePopup(CTKPopupControl* pPopup, int nWidth, int nHeight) {
  if (m_nPosX != -1 || m_nPosY != -1) pPopup->SetPopupPos(CPoint(m_nPosX, m_nPosY));
  CPoint anchor = pPopup->GetPopupPos();
  auto rectAt = [&](CPoint a) { return CRect(a.x - nWidth, a.y - nHeight, a.x, a.y); };
  // Each pass moves the anchor above every open pop-up the rectangle meets;
  // the anchor only moves up, so the passes end.
  for (bool moved = true; moved;) {
    moved = false;
    for (POSITION pos = m_popups.GetHeadPosition(); pos;) {
      CTKPopupControl* pOpen = m_popups.GetNext(pos);
      CPoint openAnchor = pOpen->GetPopupPos();
      CSize openSize = pOpen->GetPopupSize();
      CRect rcOpen(openAnchor.x - openSize.cx, openAnchor.y - openSize.cy, openAnchor.x, openAnchor.y);
      CRect rcMeet;
      if (rcMeet.IntersectRect(rectAt(anchor), rcOpen)) {
        anchor.y = rcOpen.top;
        moved = true;
      }
    }
  }
  pPopup->SetPopupPos(anchor);
}

BOOL CMyPopupWnd::DeleteClosedPopup(CTKPopupControl* pPopup) {
  POSITION pos = m_popups.Find(pPopup);
  if (!pos) return FALSE;
  m_popups.RemoveAt(pos);
  delete pPopup;
  return TRUE;
}

void CMyPopupWnd::DeleteAllPopups() {
  while (!m_popups.IsEmpty()) {
    // Out of the list first: closing reports the closed state to the parent.
    delete m_popups.RemoveHead();
  }
}
