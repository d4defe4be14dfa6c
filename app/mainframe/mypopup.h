// The reminder pop-ups: CMyPopup is one pop-up window showing one
// reminder, CMyPopupWnd the main frame's owner of them. The owner holds the
// pop-up settings (style, transparency, animation, show time), the text and
// task of the next pop-up, and the pop-ups still open; it builds each
// pop-up's items for its style and stacks new pop-ups above the open ones.
#pragma once

#include "platform/base/collections.h"
#include "platform/framework/afx.h"
#include "toolkit/controls/popupcontrol.h"

// One reminder pop-up: the task it belongs to travels with it, so that a
// click on its text can open that task.
class CMyPopup : public CTKPopupControl {
 public:
  explicit CMyPopup(int taid = 0) : CTKPopupControl(FALSE), m_taid(taid) {}
  ~CMyPopup() override = default;

  int m_taid;
};

class CMyPopupWnd : public CWnd {
 public:
  // Style numbers.
  enum {
    kStyleOffice2000 = 0,
    kStyleOfficeXP = 1,
    kStyleOffice2003 = 2,
    kStyleMSN = 3,
    kStyleBlue = 6,
    kStyleBlack = 7,
    kStyleGreen = 8,
    kStyleRed = 9,
    kStyleSimple = 10,
    kStyleSilvery = 14,
  };
  // Item ids: a click on -1 closes the pop-up, on -2 (the reminder text)
  // opens the reminder's task.
  static constexpr int kCloseItem = -1;
  static constexpr int kReminderTextItem = -2;
  // The caption of the reminder pop-ups: "My reminders" in Chinese.
  static const char16_t* const kCaption;

  CMyPopupWnd();
  ~CMyPopupWnd() override;

  // ---- settings from their stored names (a name that matches none leaves
  // the member as it was; each answers whether it matched) ----
  bool SetStyleName(const CString& name);          // "office 2000" ... "Silvery"
  bool SetAnimationName(const CString& name);      // "No", "Fade-out", "Slide-out", "Unfold"
  bool SetSpeedName(const CString& name);          // "Fast", "Mediun", "Slow"
  void SetShowMinutes(const CString& minutes);     // show time = minutes x 60000 ms; not a number: 0
  void SetTransparencyText(const CString& value);  // not a number: 0

  // Width and height of the next pop-up for the style number.
  void UpdateStyleMetrics();
  // Makes, styles, places and shows one pop-up with m_strText for the task;
  // answers its position in the open list (null when it could not be shown).
  POSITION ShowReminderPopup(CWnd* pParent, int taid);
  // Replaces the pop-up's items and painter with those of the style; some
  // styles change the owner's width and height to fit the text.
  void ApplyPopupStyle(CTKPopupControl* pPopup);
  // Sets the pop-up's anchor so that it covers no open pop-up.
  void PlacePopup(CTKPopupControl* pPopup, int nWidth, int nHeight);
  // Removes a closed pop-up from the open list and deletes it; FALSE when it
  // is not in the list.
  BOOL DeleteClosedPopup(CTKPopupControl* pPopup);
  // Closes and deletes every open pop-up.
  void DeleteAllPopups();

  int m_nStyle = kStyleSilvery;
  int m_nTransparency = 255;  // 1 ... 255; outside that range it is clamped where applied
  int m_nAnimation = tkPopupAnimationNone;
  int m_nAnimationDelay = 100;   // ms
  int m_nShowTime = 60 * 60000;  // ms
  BOOL m_bMoveFlag = TRUE;       // the user may drag a pop-up by its background
  int m_nWidth = 329;
  int m_nHeight = 74;
  CString m_strText;
  // Bottom-right corner chosen by dragging a pop-up; (-1, -1): none.
  int m_nPosX = -1;
  int m_nPosY = -1;
  CList<CTKPopupControl*> m_popups;

 protected:
  DECLARE_MESSAGE_MAP()
};
