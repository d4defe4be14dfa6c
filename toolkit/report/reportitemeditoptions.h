// What may be typed or chosen in a cell: the edit options of a column or
// an item, with their list of choices and the in-place buttons shown
// beside the cell while it is edited.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/cstring.h"

#include <climits>

// One choice: the text shown and typed, and the data behind it.
class CTKReportRecordItemConstraint : public CCmdTarget {
 public:
  CTKReportRecordItemConstraint() = default;
  int GetIndex() const { return m_nIndex; }

  CString m_strConstraint;
  DWORD_PTR m_dwData = 0;
  int m_nIndex = 0;  // position in its list
};

// The choices; holds one reference to each.
class CTKReportRecordItemConstraints : public CCmdTarget {
 public:
  CTKReportRecordItemConstraints() = default;
  ~CTKReportRecordItemConstraints() override { RemoveAll(); }

  int GetCount() const { return static_cast<int>(m_arrConstraints.GetSize()); }
  // Null outside the list.
  CTKReportRecordItemConstraint* GetAt(int nIndex) const;
  void RemoveAll();

  CArray<CTKReportRecordItemConstraint*, CTKReportRecordItemConstraint*> m_arrConstraints;
};

class CTKReportInplaceButton;

// The buttons of a cell; a plain list (the edit options own their buttons,
// the control's list only points at the ones shown).
class CTKReportInplaceButtons : public CArray<CTKReportInplaceButton*, CTKReportInplaceButton*> {};

class CTKReportRecordItemEditOptions : public CCmdTarget {
 public:
  CTKReportRecordItemEditOptions();
  ~CTKReportRecordItemEditOptions() override;

  // Appends a choice, gives it its position as index and answers it.
  CTKReportRecordItemConstraint* AddConstraint(LPCTSTR lpszConstraint, DWORD_PTR dwData = 0);
  // The first choice with the data, null when none.
  CTKReportRecordItemConstraint* FindConstraint(DWORD_PTR dwData) const;
  // The first choice whose caption equals the text exactly, null when none
  // (and for a null text).
  CTKReportRecordItemConstraint* FindConstraintByCaption(LPCTSTR lpszConstraint) const;
  CTKReportRecordItemConstraints* GetConstraints() const { return m_pConstraints; }
  // Appends a combo button (id 101) that opens the list of choices.
  CTKReportInplaceButton* AddComboButton(BOOL bInside = FALSE);
  // Appends an expand button (100) or a spin button (102) with its limits.
  CTKReportInplaceButton* AddExpandButton(BOOL bInside = FALSE);
  CTKReportInplaceButton* AddSpinButton(BOOL bInside = FALSE, int nMin = INT_MIN, int nMax = INT_MAX, int nStep = 1);
  // Null when the index is not below the count.
  CTKReportInplaceButton* GetButton(int nIndex) const;
  int GetButtonCount() const { return static_cast<int>(m_arrInplaceButtons.GetSize()); }

  BOOL m_bAllowEdit = TRUE;        // an edit box is shown while editing
  BOOL m_bConstraintEdit = FALSE;  // only the choices may be picked
  CTKReportRecordItemConstraints* m_pConstraints;
  CTKReportInplaceButtons m_arrInplaceButtons;  // owned
  BOOL m_bSelectTextOnEdit = FALSE;
  DWORD m_dwEditStyle = 0x80;  // ES_AUTOHSCROLL
  int m_nMaxLength = 0;        // 0: the system limit
};
