// Rich-text formats and messages shared by the text services and their
// hosts: character and paragraph formats, streaming, resize requests.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/window/winuser.h"

#define EM_SETCHARFORMAT (WM_USER + 68)
#define EM_SETEVENTMASK (WM_USER + 69)
#define EM_GETEVENTMASK (WM_USER + 59)
#define EM_SETPARAFORMAT (WM_USER + 71)
#define EM_STREAMIN (WM_USER + 73)
#define EM_REQUESTRESIZE (WM_USER + 65)
#define EM_GETCHARFORMAT (WM_USER + 58)

#define EN_REQUESTRESIZE 0x0701
#define ENM_REQUESTRESIZE 0x00040000

#define SCF_DEFAULT 0x0000
#define SCF_SELECTION 0x0001
#define SCF_ALL 0x0004

#define SF_TEXT 0x0001
#define SF_RTF 0x0002
#define SF_UNICODE 0x0010
#define SFF_SELECTION 0x8000

#define CFM_BOLD 0x00000001
#define CFM_ITALIC 0x00000002
#define CFM_UNDERLINE 0x00000004
#define CFM_STRIKEOUT 0x00000008
#define CFM_PROTECTED 0x00000010
#define CFM_SIZE 0x80000000
#define CFM_COLOR 0x40000000
#define CFM_FACE 0x20000000
#define CFM_OFFSET 0x10000000
#define CFM_CHARSET 0x08000000

#define CFE_BOLD 0x0001
#define CFE_ITALIC 0x0002
#define CFE_UNDERLINE 0x0004
#define CFE_STRIKEOUT 0x0008
#define CFE_PROTECTED 0x0010
#define CFE_AUTOCOLOR 0x40000000

#define PFM_STARTINDENT 0x00000001
#define PFM_RIGHTINDENT 0x00000002
#define PFM_OFFSET 0x00000004
#define PFM_ALIGNMENT 0x00000008
#define PFM_TABSTOPS 0x00000010
#define PFM_NUMBERING 0x00000020
#define PFM_OFFSETINDENT 0x80000000
#define PFM_RTLPARA 0x00010000

#define PFA_LEFT 1
#define PFA_RIGHT 2
#define PFA_CENTER 3

#define MAX_TAB_STOPS 32
#define LF_FACESIZE_RICH 32

struct CHARFORMATW {
  UINT cbSize;
  DWORD dwMask;
  DWORD dwEffects;
  LONG yHeight;  // twips
  LONG yOffset;
  COLORREF crTextColor;
  BYTE bCharSet;
  BYTE bPitchAndFamily;
  WCHAR szFaceName[LF_FACESIZE_RICH];
};
using CHARFORMAT = CHARFORMATW;

struct PARAFORMAT {
  UINT cbSize;
  DWORD dwMask;
  WORD wNumbering;
  WORD wEffects;
  LONG dxStartIndent;
  LONG dxRightIndent;
  LONG dxOffset;
  WORD wAlignment;
  SHORT cTabCount;
  LONG rgxTabs[MAX_TAB_STOPS];
};

struct PARAFORMAT2 : PARAFORMAT {
  LONG dySpaceBefore;
  LONG dySpaceAfter;
  LONG dyLineSpacing;
  SHORT sStyle;
  BYTE bLineSpacingRule;
  BYTE bOutlineLevel;
  WORD wShadingWeight;
  WORD wShadingStyle;
  WORD wNumberingStart;
  WORD wNumberingStyle;
  WORD wNumberingTab;
  WORD wBorderSpace;
  WORD wBorderWidth;
  WORD wBorders;
};

using EDITSTREAMCALLBACK = DWORD (*)(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done);
struct EDITSTREAM {
  DWORD_PTR dwCookie;
  DWORD dwError;
  EDITSTREAMCALLBACK pfnCallback;
};

struct REQRESIZE {
  NMHDR nmhdr;
  RECT rc;
};
