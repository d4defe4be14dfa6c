// GDI: device contexts, drawing objects, bitmaps, regions, text, icons and
// the USER drawing helpers (DrawText, DrawEdge, DrawFrameControl ...).
//
// Everything draws into 32-bit DIBs (BGRA, 0xAARRGGBB in native order,
// premultiplied alpha) or into a PDF page for printer DCs. Ordinary GDI
// drawing produces opaque pixels; SRCCOPY copies carry the source alpha,
// AlphaBlend and GDI+ respect it. Details and pixel rules: docs/drawing.md.
#pragma once

#include "platform/base/wintypes.h"

// ---- object kinds ---------------------------------------------------------------
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

#define GDI_ERROR 0xFFFFFFFFu
#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1)))

// ---- colours and modes -----------------------------------------------------------
#define TRANSPARENT 1
#define OPAQUE 2

#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

#define ALTERNATE 1
#define WINDING 2

#define LAYOUT_RTL 0x00000001u
#define LAYOUT_BTT 0x00000002u
#define LAYOUT_VBH 0x00000004u
#define LAYOUT_BITMAPORIENTATIONPRESERVED 0x00000008u
#define NOMIRRORBITMAP 0x80000000u

#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8

#define GM_COMPATIBLE 1
#define GM_ADVANCED 2

// Text alignment.
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define TA_RTLREADING 256

// ---- raster operations ------------------------------------------------------------
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define NOTSRCERASE 0x001100A6u
#define MERGECOPY 0x00C000CAu
#define MERGEPAINT 0x00BB0226u
#define PATCOPY 0x00F00021u
#define PATPAINT 0x00FB0A09u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u
#define CAPTUREBLT 0x40000000u
#define NOMIRRORBITMAP_ROP 0x80000000u
#define MAKEROP4(fore, back) static_cast<DWORD>((((back) << 8) & 0xFF000000u) | (fore))

// ---- pens ---------------------------------------------------------------------------
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_USERSTYLE 7
#define PS_ALTERNATE 8
#define PS_STYLE_MASK 0x0000000Fu
#define PS_ENDCAP_ROUND 0x00000000u
#define PS_ENDCAP_SQUARE 0x00000100u
#define PS_ENDCAP_FLAT 0x00000200u
#define PS_ENDCAP_MASK 0x00000F00u
#define PS_JOIN_ROUND 0x00000000u
#define PS_JOIN_BEVEL 0x00001000u
#define PS_JOIN_MITER 0x00002000u
#define PS_JOIN_MASK 0x0000F000u
#define PS_COSMETIC 0x00000000u
#define PS_GEOMETRIC 0x00010000u
#define PS_TYPE_MASK 0x000F0000u

struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
};
using LPLOGPEN = LOGPEN*;

// ---- brushes ------------------------------------------------------------------------
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3
#define BS_INDEXED 4
#define BS_DIBPATTERN 5
#define BS_DIBPATTERNPT 6
#define BS_PATTERN8X8 7
#define BS_DIBPATTERN8X8 8

#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
};
using LPLOGBRUSH = LOGBRUSH*;

struct EXTLOGPEN {
  DWORD elpPenStyle;
  DWORD elpWidth;
  UINT elpBrushStyle;
  COLORREF elpColor;
  ULONG_PTR elpHatch;
  DWORD elpNumEntries;
  DWORD elpStyleEntry[1];
};

// ---- bitmaps ------------------------------------------------------------------------
struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};
using LPBITMAP = BITMAP*;
using PBITMAP = BITMAP*;

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct RGBTRIPLE {
  BYTE rgbtBlue;
  BYTE rgbtGreen;
  BYTE rgbtRed;
};

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3
#define BI_JPEG 4
#define BI_PNG 5

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
using LPBITMAPINFOHEADER = BITMAPINFOHEADER*;
using PBITMAPINFOHEADER = BITMAPINFOHEADER*;

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
using LPBITMAPINFO = BITMAPINFO*;
using PBITMAPINFO = BITMAPINFO*;

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};

#define CBM_INIT 0x04

// ---- msimg32 --------------------------------------------------------------------------
#define AC_SRC_OVER 0x00
#define AC_SRC_ALPHA 0x01
struct BLENDFUNCTION {
  BYTE BlendOp;
  BYTE BlendFlags;
  BYTE SourceConstantAlpha;
  BYTE AlphaFormat;
};

using COLOR16 = USHORT;
struct TRIVERTEX {
  LONG x;
  LONG y;
  COLOR16 Red;
  COLOR16 Green;
  COLOR16 Blue;
  COLOR16 Alpha;
};
using PTRIVERTEX = TRIVERTEX*;
struct GRADIENT_TRIANGLE {
  ULONG Vertex1;
  ULONG Vertex2;
  ULONG Vertex3;
};
struct GRADIENT_RECT {
  ULONG UpperLeft;
  ULONG LowerRight;
};
#define GRADIENT_FILL_RECT_H 0x00000000u
#define GRADIENT_FILL_RECT_V 0x00000001u
#define GRADIENT_FILL_TRIANGLE 0x00000002u

// ---- regions ----------------------------------------------------------------------------
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_ERROR ERROR
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5
#define RDH_RECTANGLES 1

struct RGNDATAHEADER {
  DWORD dwSize;
  DWORD iType;
  DWORD nCount;
  DWORD nRgnSize;
  RECT rcBound;
};
struct RGNDATA {
  RGNDATAHEADER rdh;
  char Buffer[1];
};
using LPRGNDATA = RGNDATA*;

struct XFORM {
  FLOAT eM11;
  FLOAT eM12;
  FLOAT eM21;
  FLOAT eM22;
  FLOAT eDx;
  FLOAT eDy;
};

// ---- fonts --------------------------------------------------------------------------------
#define LF_FACESIZE 32
#define LF_FULLFACESIZE 64

#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_DEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define SHIFTJIS_CHARSET 128
#define HANGUL_CHARSET 129
#define GB2312_CHARSET 134
#define CHINESEBIG5_CHARSET 136
#define OEM_CHARSET 255
#define JOHAB_CHARSET 130
#define HEBREW_CHARSET 177
#define ARABIC_CHARSET 178
#define GREEK_CHARSET 161
#define TURKISH_CHARSET 162
#define VIETNAMESE_CHARSET 163
#define THAI_CHARSET 222
#define EASTEUROPE_CHARSET 238
#define RUSSIAN_CHARSET 204
#define MAC_CHARSET 77
#define BALTIC_CHARSET 186

#define OUT_DEFAULT_PRECIS 0
#define OUT_STRING_PRECIS 1
#define OUT_CHARACTER_PRECIS 2
#define OUT_STROKE_PRECIS 3
#define OUT_TT_PRECIS 4
#define OUT_DEVICE_PRECIS 5
#define OUT_RASTER_PRECIS 6
#define OUT_TT_ONLY_PRECIS 7
#define OUT_OUTLINE_PRECIS 8
#define CLIP_DEFAULT_PRECIS 0
#define CLIP_CHARACTER_PRECIS 1
#define CLIP_STROKE_PRECIS 2
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define CLEARTYPE_NATURAL_QUALITY 6
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE (0 << 4)
#define FF_ROMAN (1 << 4)
#define FF_SWISS (2 << 4)
#define FF_MODERN (3 << 4)
#define FF_SCRIPT (4 << 4)
#define FF_DECORATIVE (5 << 4)

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};
using LOGFONT = LOGFONTW;
using LPLOGFONTW = LOGFONTW*;
using LPLOGFONT = LOGFONTW*;
using PLOGFONT = LOGFONTW*;

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
using TEXTMETRIC = TEXTMETRICW;
using LPTEXTMETRIC = TEXTMETRICW*;

// tmPitchAndFamily bits.
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04
#define TMPF_DEVICE 0x08

struct NEWTEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
  DWORD ntmFlags;
  UINT ntmSizeEM;
  UINT ntmCellHeight;
  UINT ntmAvgWidth;
};
using NEWTEXTMETRIC = NEWTEXTMETRICW;
struct FONTSIGNATURE {
  DWORD fsUsb[4];
  DWORD fsCsb[2];
};
struct NEWTEXTMETRICEXW {
  NEWTEXTMETRICW ntmTm;
  FONTSIGNATURE ntmFontSig;
};
using NEWTEXTMETRICEX = NEWTEXTMETRICEXW;
struct ENUMLOGFONTW {
  LOGFONTW elfLogFont;
  WCHAR elfFullName[LF_FULLFACESIZE];
  WCHAR elfStyle[LF_FACESIZE];
};
using ENUMLOGFONT = ENUMLOGFONTW;
struct ENUMLOGFONTEXW {
  LOGFONTW elfLogFont;
  WCHAR elfFullName[LF_FULLFACESIZE];
  WCHAR elfStyle[LF_FACESIZE];
  WCHAR elfScript[LF_FACESIZE];
};
using ENUMLOGFONTEX = ENUMLOGFONTEXW;
#define RASTER_FONTTYPE 0x0001
#define DEVICE_FONTTYPE 0x0002
#define TRUETYPE_FONTTYPE 0x0004
using FONTENUMPROCW = int (*)(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM);
using FONTENUMPROC = FONTENUMPROCW;

struct ABC {
  int abcA;
  UINT abcB;
  int abcC;
};
using LPABC = ABC*;

struct PANOSE {
  BYTE bFamilyType, bSerifStyle, bWeight, bProportion, bContrast, bStrokeVariation, bArmStyle, bLetterform, bMidline,
      bXHeight;
};
struct OUTLINETEXTMETRICW {
  UINT otmSize;
  TEXTMETRICW otmTextMetrics;
  BYTE otmFiller;
  PANOSE otmPanoseNumber;
  UINT otmfsSelection;
  UINT otmfsType;
  int otmsCharSlopeRise;
  int otmsCharSlopeRun;
  int otmItalicAngle;
  UINT otmEMSquare;
  int otmAscent;
  int otmDescent;
  UINT otmLineGap;
  UINT otmsCapEmHeight;
  UINT otmsXHeight;
  RECT otmrcFontBox;
  int otmMacAscent;
  int otmMacDescent;
  UINT otmMacLineGap;
  UINT otmusMinimumPPEM;
  POINT otmptSubscriptSize;
  POINT otmptSubscriptOffset;
  POINT otmptSuperscriptSize;
  POINT otmptSuperscriptOffset;
  UINT otmsStrikeoutSize;
  int otmsStrikeoutPosition;
  int otmsUnderscoreSize;
  int otmsUnderscorePosition;
  PSTR otmpFamilyName;
  PSTR otmpFaceName;
  PSTR otmpStyleName;
  PSTR otmpFullName;
};
using OUTLINETEXTMETRIC = OUTLINETEXTMETRICW;

// ExtTextOut options.
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define ETO_GLYPH_INDEX 0x0010
#define ETO_RTLREADING 0x0080
#define ETO_IGNORELANGUAGE 0x1000

// ---- device capabilities ------------------------------------------------------------------
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMBRUSHES 16
#define NUMPENS 18
#define NUMFONTS 22
#define NUMCOLORS 24
#define ASPECTX 40
#define ASPECTY 42
#define ASPECTXY 44
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define COLORRES 108
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113
#define VREFRESH 116
#define DESKTOPVERTRES 117
#define DESKTOPHORZRES 118
#define RASTERCAPS 38
#define SHADEBLENDCAPS 120
#define DT_PLOTTER 0
#define DT_RASDISPLAY 1
#define DT_RASPRINTER 2
#define RC_BITBLT 1
#define RC_BANDING 2
#define RC_SCALING 4
#define RC_BITMAP64 8
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800
#define RC_STRETCHDIB 0x2000
#define SB_CONST_ALPHA 0x00000001
#define SB_PIXEL_ALPHA 0x00000002

// ---- printing -------------------------------------------------------------------------------
struct DOCINFOW {
  int cbSize;
  LPCWSTR lpszDocName;
  LPCWSTR lpszOutput;
  LPCWSTR lpszDatatype;
  DWORD fwType;
};
using DOCINFO = DOCINFOW;
#define SP_ERROR (-1)

// ---- icons ----------------------------------------------------------------------------------
struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
};
using PICONINFO = ICONINFO*;

#define DI_MASK 0x0001
#define DI_IMAGE 0x0002
#define DI_NORMAL 0x0003
#define DI_COMPAT 0x0004
#define DI_DEFAULTSIZE 0x0008
#define DI_NOMIRROR 0x0010

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2
#define LR_DEFAULTCOLOR 0x00000000u
#define LR_MONOCHROME 0x00000001u
#define LR_COLOR 0x00000002u
#define LR_COPYRETURNORG 0x00000004u
#define LR_COPYDELETEORG 0x00000008u
#define LR_LOADFROMFILE 0x00000010u
#define LR_LOADTRANSPARENT 0x00000020u
#define LR_DEFAULTSIZE 0x00000040u
#define LR_VGACOLOR 0x00000080u
#define LR_LOADMAP3DCOLORS 0x00001000u
#define LR_CREATEDIBSECTION 0x00002000u
#define LR_COPYFROMRESOURCE 0x00004000u
#define LR_SHARED 0x00008000u

// ---- DrawText ---------------------------------------------------------------------------------
#define DT_TOP 0x00000000u
#define DT_LEFT 0x00000000u
#define DT_CENTER 0x00000001u
#define DT_RIGHT 0x00000002u
#define DT_VCENTER 0x00000004u
#define DT_BOTTOM 0x00000008u
#define DT_WORDBREAK 0x00000010u
#define DT_SINGLELINE 0x00000020u
#define DT_EXPANDTABS 0x00000040u
#define DT_TABSTOP 0x00000080u
#define DT_NOCLIP 0x00000100u
#define DT_EXTERNALLEADING 0x00000200u
#define DT_CALCRECT 0x00000400u
#define DT_NOPREFIX 0x00000800u
#define DT_INTERNAL 0x00001000u
#define DT_EDITCONTROL 0x00002000u
#define DT_PATH_ELLIPSIS 0x00004000u
#define DT_END_ELLIPSIS 0x00008000u
#define DT_MODIFYSTRING 0x00010000u
#define DT_RTLREADING 0x00020000u
#define DT_WORD_ELLIPSIS 0x00040000u
#define DT_NOFULLWIDTHCHARBREAK 0x00080000u
#define DT_HIDEPREFIX 0x00100000u
#define DT_PREFIXONLY 0x00200000u

struct DRAWTEXTPARAMS {
  UINT cbSize;
  int iTabLength;
  int iLeftMargin;
  int iRightMargin;
  UINT uiLengthDrawn;
};
using LPDRAWTEXTPARAMS = DRAWTEXTPARAMS*;

// ---- DrawEdge / DrawFrameControl / DrawState --------------------------------------------------
#define BDR_RAISEDOUTER 0x0001
#define BDR_SUNKENOUTER 0x0002
#define BDR_RAISEDINNER 0x0004
#define BDR_SUNKENINNER 0x0008
#define BDR_OUTER (BDR_RAISEDOUTER | BDR_SUNKENOUTER)
#define BDR_INNER (BDR_RAISEDINNER | BDR_SUNKENINNER)
#define BDR_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define BDR_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define EDGE_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_ETCHED (BDR_SUNKENOUTER | BDR_RAISEDINNER)
#define EDGE_BUMP (BDR_RAISEDOUTER | BDR_SUNKENINNER)

#define BF_LEFT 0x0001
#define BF_TOP 0x0002
#define BF_RIGHT 0x0004
#define BF_BOTTOM 0x0008
#define BF_TOPLEFT (BF_TOP | BF_LEFT)
#define BF_TOPRIGHT (BF_TOP | BF_RIGHT)
#define BF_BOTTOMLEFT (BF_BOTTOM | BF_LEFT)
#define BF_BOTTOMRIGHT (BF_BOTTOM | BF_RIGHT)
#define BF_RECT (BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM)
#define BF_DIAGONAL 0x0010
#define BF_DIAGONAL_ENDTOPRIGHT (BF_DIAGONAL | BF_TOP | BF_RIGHT)
#define BF_DIAGONAL_ENDTOPLEFT (BF_DIAGONAL | BF_TOP | BF_LEFT)
#define BF_DIAGONAL_ENDBOTTOMLEFT (BF_DIAGONAL | BF_BOTTOM | BF_LEFT)
#define BF_DIAGONAL_ENDBOTTOMRIGHT (BF_DIAGONAL | BF_BOTTOM | BF_RIGHT)
#define BF_MIDDLE 0x0800
#define BF_SOFT 0x1000
#define BF_ADJUST 0x2000
#define BF_FLAT 0x4000
#define BF_MONO 0x8000

#define DFC_CAPTION 1
#define DFC_MENU 2
#define DFC_SCROLL 3
#define DFC_BUTTON 4
#define DFC_POPUPMENU 5
#define DFCS_CAPTIONCLOSE 0x0000
#define DFCS_CAPTIONMIN 0x0001
#define DFCS_CAPTIONMAX 0x0002
#define DFCS_CAPTIONRESTORE 0x0003
#define DFCS_CAPTIONHELP 0x0004
#define DFCS_MENUARROW 0x0000
#define DFCS_MENUCHECK 0x0001
#define DFCS_MENUBULLET 0x0002
#define DFCS_MENUARROWRIGHT 0x0004
#define DFCS_SCROLLUP 0x0000
#define DFCS_SCROLLDOWN 0x0001
#define DFCS_SCROLLLEFT 0x0002
#define DFCS_SCROLLRIGHT 0x0003
#define DFCS_SCROLLCOMBOBOX 0x0005
#define DFCS_SCROLLSIZEGRIP 0x0008
#define DFCS_SCROLLSIZEGRIPRIGHT 0x0010
#define DFCS_BUTTONCHECK 0x0000
#define DFCS_BUTTONRADIOIMAGE 0x0001
#define DFCS_BUTTONRADIOMASK 0x0002
#define DFCS_BUTTONRADIO 0x0004
#define DFCS_BUTTON3STATE 0x0008
#define DFCS_BUTTONPUSH 0x0010
#define DFCS_INACTIVE 0x0100
#define DFCS_PUSHED 0x0200
#define DFCS_CHECKED 0x0400
#define DFCS_TRANSPARENT 0x0800
#define DFCS_HOT 0x1000
#define DFCS_ADJUSTRECT 0x2000
#define DFCS_FLAT 0x4000
#define DFCS_MONO 0x8000

#define DST_COMPLEX 0x0000
#define DST_TEXT 0x0001
#define DST_PREFIXTEXT 0x0002
#define DST_ICON 0x0003
#define DST_BITMAP 0x0004
#define DSS_NORMAL 0x0000
#define DSS_UNION 0x0010
#define DSS_DISABLED 0x0020
#define DSS_MONO 0x0080
#define DSS_HIDEPREFIX 0x0200
#define DSS_PREFIXONLY 0x0400
#define DSS_RIGHT 0x8000
using DRAWSTATEPROC = BOOL (*)(HDC, LPARAM, WPARAM, int, int);

// ======================================================================================
// Functions
// ======================================================================================

// ---- device contexts ---------------------------------------------------------------------
HDC CreateCompatibleDC(HDC hdc);
// "DISPLAY" (or null driver) gives a screen DC; any other driver or device
// name gives a printer DC over a PDF page (see StartDoc).
HDC CreateDC(LPCWSTR driver, LPCWSTR device, LPCWSTR output, const void* devmode);
HDC CreateIC(LPCWSTR driver, LPCWSTR device, LPCWSTR output, const void* devmode);
BOOL DeleteDC(HDC hdc);
int SaveDC(HDC hdc);
BOOL RestoreDC(HDC hdc, int saved);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ obj);
int GetObject(HGDIOBJ obj, int size, LPVOID out);
int GetObjectW(HGDIOBJ obj, int size, LPVOID out);
DWORD GetObjectType(HGDIOBJ obj);
int GetDeviceCaps(HDC hdc, int index);
// Screen DC (the desktop): sized by GdiSetScreenSize, 1024x768 by default.
HDC GetScreenDC();

COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
int SetROP2(HDC hdc, int rop2);
int GetROP2(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
int SetPolyFillMode(HDC hdc, int mode);
int GetPolyFillMode(HDC hdc);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT old);
BOOL GetBrushOrgEx(HDC hdc, LPPOINT pt);
DWORD SetLayout(HDC hdc, DWORD layout);
DWORD GetLayout(HDC hdc);
COLORREF SetDCBrushColor(HDC hdc, COLORREF color);
COLORREF GetDCBrushColor(HDC hdc);
COLORREF SetDCPenColor(HDC hdc, COLORREF color);
COLORREF GetDCPenColor(HDC hdc);
int SetTextCharacterExtra(HDC hdc, int extra);
int GetTextCharacterExtra(HDC hdc);
int SetGraphicsMode(HDC hdc, int mode);
int GetGraphicsMode(HDC hdc);

int SetMapMode(HDC hdc, int mode);
int GetMapMode(HDC hdc);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT old);
BOOL GetWindowOrgEx(HDC hdc, LPPOINT pt);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old);
BOOL GetViewportOrgEx(HDC hdc, LPPOINT pt);
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT old);
BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, LPPOINT old);
BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE old);
BOOL GetWindowExtEx(HDC hdc, LPSIZE sz);
BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE old);
BOOL GetViewportExtEx(HDC hdc, LPSIZE sz);
BOOL ScaleViewportExtEx(HDC hdc, int xn, int xd, int yn, int yd, LPSIZE old);
BOOL ScaleWindowExtEx(HDC hdc, int xn, int xd, int yn, int yd, LPSIZE old);
BOOL LPtoDP(HDC hdc, LPPOINT pts, int count);
BOOL DPtoLP(HDC hdc, LPPOINT pts, int count);
BOOL GetCurrentPositionEx(HDC hdc, LPPOINT pt);

// ---- objects -------------------------------------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* lp);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* lb, DWORD styleCount, const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bmp);
HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);
HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage);
// The 50% checkerboard brush (black and white pixels) used for drag
// rectangles and disabled looks; owned by the system, never deleted.
HBRUSH GdiGetHalftoneBrush();
HFONT CreateFontIndirect(const LOGFONTW* lf);
HFONT CreateFontIndirectW(const LOGFONTW* lf);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, LPCWSTR face);
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCWSTR face);

// ---- bitmaps ---------------------------------------------------------------------------------
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateBitmapIndirect(const BITMAP* bm);
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section, DWORD offset);
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* bmi,
                       UINT usage);
int GetDIBits(HDC hdc, HBITMAP bmp, UINT start, UINT lines, void* bits, BITMAPINFO* bmi, UINT usage);
int SetDIBits(HDC hdc, HBITMAP bmp, UINT start, UINT lines, const void* bits, const BITMAPINFO* bmi, UINT usage);
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT startScan, UINT lines,
                      const void* bits, const BITMAPINFO* bmi, UINT usage);
int StretchDIBits(HDC hdc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                  const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop);
LONG GetBitmapBits(HBITMAP bmp, LONG size, LPVOID bits);
LONG SetBitmapBits(HBITMAP bmp, DWORD size, const void* bits);
BOOL GetBitmapDimensionEx(HBITMAP bmp, LPSIZE size);
BOOL GdiFlush();

// ---- pixels, lines and shapes --------------------------------------------------------------
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC hdc, int x, int y);
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT old);
BOOL LineTo(HDC hdc, int x, int y);
BOOL Polyline(HDC hdc, const POINT* pts, int count);
BOOL PolylineTo(HDC hdc, const POINT* pts, DWORD count);
BOOL PolyPolyline(HDC hdc, const POINT* pts, const DWORD* counts, DWORD polys);
BOOL Polygon(HDC hdc, const POINT* pts, int count);
BOOL PolyPolygon(HDC hdc, const POINT* pts, const INT* counts, int polys);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
BOOL Arc(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL ArcTo(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL Chord(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL Pie(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL PolyBezier(HDC hdc, const POINT* pts, DWORD count);
BOOL PolyBezierTo(HDC hdc, const POINT* pts, DWORD count);
BOOL BeginPath(HDC hdc);
BOOL EndPath(HDC hdc);
BOOL AbortPath(HDC hdc);
BOOL CloseFigure(HDC hdc);
BOOL FillPath(HDC hdc);
BOOL StrokePath(HDC hdc);
BOOL StrokeAndFillPath(HDC hdc);
BOOL FlattenPath(HDC hdc);
BOOL SelectClipPath(HDC hdc, int mode);
HRGN PathToRegion(HDC hdc);
// Point types of GetPath.
#define PT_CLOSEFIGURE 0x01
#define PT_LINETO 0x02
#define PT_BEZIERTO 0x04
#define PT_MOVETO 0x06
int GetPath(HDC hdc, LPPOINT pts, LPBYTE types, int count);

int FillRect(HDC hdc, const RECT* rc, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rc, HBRUSH brush);
BOOL InvertRect(HDC hdc, const RECT* rc);
BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);

// ---- blits -----------------------------------------------------------------------------------
BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int xs, int ys, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int xs, int ys, int ws, int hs, DWORD rop);
BOOL MaskBlt(HDC dst, int x, int y, int w, int h, HDC src, int xs, int ys, HBITMAP mask, int xm, int ym, DWORD rop4);
BOOL AlphaBlend(HDC dst, int x, int y, int w, int h, HDC src, int xs, int ys, int ws, int hs, BLENDFUNCTION bf);
BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int xs, int ys, int ws, int hs, UINT transparent);
BOOL GradientFill(HDC hdc, const TRIVERTEX* vertices, ULONG nVertices, const void* mesh, ULONG nMesh, ULONG mode);

// ---- regions and clipping --------------------------------------------------------------------
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rc);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int w, int h);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const RECT* rc);
HRGN CreatePolygonRgn(const POINT* pts, int count, int fillMode);
HRGN CreatePolyPolygonRgn(const POINT* pts, const INT* counts, int polys, int fillMode);
HRGN ExtCreateRegion(const XFORM* xf, DWORD size, const RGNDATA* data);
DWORD GetRegionData(HRGN rgn, DWORD size, LPRGNDATA data);
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
int OffsetRgn(HRGN rgn, int dx, int dy);
BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* rc);
BOOL EqualRgn(HRGN a, HRGN b);
int GetRgnBox(HRGN rgn, LPRECT rc);
BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush);
BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int w, int h);
BOOL InvertRgn(HDC hdc, HRGN rgn);
BOOL PaintRgn(HDC hdc, HRGN rgn);
int SelectClipRgn(HDC hdc, HRGN rgn);
int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode);
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC hdc, int dx, int dy);
int GetClipBox(HDC hdc, LPRECT rc);
// 1 with a copy of the DC's clip region in device units, 0 when it has none.
int GetClipRgn(HDC hdc, HRGN rgn);
BOOL PtVisible(HDC hdc, int x, int y);
BOOL RectVisible(HDC hdc, const RECT* rc);
// A region covering every pixel of the bitmap whose colour is not `key`
// (shaped pop-ups); CLR_NONE makes it cover the pixels with alpha > 0.
HRGN GdiCreateRegionFromBitmap(HBITMAP bmp, COLORREF key);

// ---- fonts and text -----------------------------------------------------------------------------
BOOL GetTextMetrics(HDC hdc, TEXTMETRICW* tm);
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* tm);
UINT GetOutlineTextMetrics(HDC hdc, UINT size, OUTLINETEXTMETRICW* otm);
BOOL GetTextExtentPoint32(HDC hdc, LPCWSTR text, int count, LPSIZE size);
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size);
BOOL GetTextExtentPoint(HDC hdc, LPCWSTR text, int count, LPSIZE size);
BOOL GetTextExtentExPoint(HDC hdc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size);
BOOL GetCharWidth32(HDC hdc, UINT first, UINT last, LPINT widths);
BOOL GetCharWidth(HDC hdc, UINT first, UINT last, LPINT widths);
BOOL GetCharABCWidths(HDC hdc, UINT first, UINT last, LPABC abc);
int GetTextFace(HDC hdc, int count, LPWSTR face);
BOOL TextOut(HDC hdc, int x, int y, LPCWSTR text, int count);
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rc, LPCWSTR text, UINT count, const INT* dx);
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rc, LPCWSTR text, UINT count, const INT* dx);
LONG TabbedTextOut(HDC hdc, int x, int y, LPCWSTR text, int count, int nTabs, const INT* tabs, int tabOrigin);
DWORD GetTabbedTextExtent(HDC hdc, LPCWSTR text, int count, int nTabs, const INT* tabs);
int DrawText(HDC hdc, LPCWSTR text, int count, LPRECT rc, UINT format);
int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rc, UINT format);
int DrawTextEx(HDC hdc, LPWSTR text, int count, LPRECT rc, UINT format, LPDRAWTEXTPARAMS params);
int DrawTextExW(HDC hdc, LPWSTR text, int count, LPRECT rc, UINT format, LPDRAWTEXTPARAMS params);
int EnumFontFamilies(HDC hdc, LPCWSTR family, FONTENUMPROCW proc, LPARAM lparam);
int EnumFontFamiliesEx(HDC hdc, const LOGFONTW* lf, FONTENUMPROCW proc, LPARAM lparam, DWORD flags);
int AddFontResourceEx(LPCWSTR path, DWORD flags, void* reserved);

// ---- USER drawing helpers -----------------------------------------------------------------------
BOOL DrawEdge(HDC hdc, LPRECT rc, UINT edge, UINT flags);
BOOL DrawFrameControl(HDC hdc, LPRECT rc, UINT type, UINT state);
BOOL DrawFocusRect(HDC hdc, const RECT* rc);
BOOL DrawState(HDC hdc, HBRUSH brush, DRAWSTATEPROC proc, LPARAM data, WPARAM wdata, int x, int y, int cx, int cy,
               UINT flags);
BOOL DrawStateW(HDC hdc, HBRUSH brush, DRAWSTATEPROC proc, LPARAM data, WPARAM wdata, int x, int y, int cx, int cy,
                UINT flags);
// The framework's two-colour rectangle frame (top/left colour, right/bottom colour).
void GdiDraw3dRect(HDC hdc, int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
// ExtTextOut(ETO_OPAQUE) with no text: the framework's FillSolidRect.
void GdiFillSolidRect(HDC hdc, const RECT* rc, COLORREF color);

// ---- icons and cursors ----------------------------------------------------------------------------
HICON CreateIconIndirect(const ICONINFO* info);
HICON CreateIcon(HINSTANCE inst, int w, int h, BYTE planes, BYTE bitsPixel, const BYTE* andBits, const BYTE* xorBits);
BOOL GetIconInfo(HICON icon, ICONINFO* info);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HICON cursor);
HICON CreateIconFromResource(const BYTE* bits, DWORD size, BOOL icon, DWORD version);
HICON CreateIconFromResourceEx(const BYTE* bits, DWORD size, BOOL icon, DWORD version, int cx, int cy, UINT flags);
int LookupIconIdFromDirectory(const BYTE* dir, BOOL icon);
int LookupIconIdFromDirectoryEx(const BYTE* dir, BOOL icon, int cx, int cy, UINT flags);
BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
BOOL DrawIconEx(HDC hdc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flicker, UINT flags);
HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags);
// Loads a .bmp (IMAGE_BITMAP) or .ico/.cur (IMAGE_ICON/IMAGE_CURSOR) from a
// file (LR_LOADFROMFILE) or from the module's resources.
HANDLE LoadImage(HINSTANCE inst, LPCWSTR name, UINT type, int cx, int cy, UINT flags);
HANDLE LoadImageW(HINSTANCE inst, LPCWSTR name, UINT type, int cx, int cy, UINT flags);
HBITMAP LoadBitmap(HINSTANCE inst, LPCWSTR name);
HBITMAP LoadBitmapW(HINSTANCE inst, LPCWSTR name);
HICON LoadIcon(HINSTANCE inst, LPCWSTR name);
HICON LoadIconW(HINSTANCE inst, LPCWSTR name);
// Image sources in memory: a .bmp file image (with or without the file header)
// and a .ico/.cur file image.
HBITMAP GdiLoadBitmapFromMemory(const void* data, size_t size, UINT flags);
HICON GdiLoadIconFromMemory(const void* data, size_t size, int cx, int cy, BOOL icon);
// PNG file image → 32-bit premultiplied DIB section; null on a corrupt image.
HBITMAP GdiLoadPngFromMemory(const void* data, size_t size);

// Standard icon ids for LoadIcon(null, ...).
#define IDI_APPLICATION MAKEINTRESOURCE(32512)
#define IDI_HAND MAKEINTRESOURCE(32513)
#define IDI_QUESTION MAKEINTRESOURCE(32514)
#define IDI_EXCLAMATION MAKEINTRESOURCE(32515)
#define IDI_ASTERISK MAKEINTRESOURCE(32516)
#define IDI_WARNING IDI_EXCLAMATION
#define IDI_ERROR IDI_HAND
#define IDI_INFORMATION IDI_ASTERISK

// ---- printing ------------------------------------------------------------------------------------
int StartDoc(HDC hdc, const DOCINFOW* di);
int StartDocW(HDC hdc, const DOCINFOW* di);
int EndDoc(HDC hdc);
int StartPage(HDC hdc);
int EndPage(HDC hdc);
int AbortDoc(HDC hdc);
