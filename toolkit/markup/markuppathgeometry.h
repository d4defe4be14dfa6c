// Path geometry: a flat list of float points tagged with path point types
// (0 starts a figure, 1 ends a line, 3 is a cubic Bezier point; the flag 0x80
// closes the figure after the point), with its integer bounds. Made from
// path-data text ("M 0,0 L 10,0 Z") or by the path builder.
#pragma once

#include <vector>

#include "toolkit/markup/markupobject.h"

struct MARKUP_POINTF {
  float x;
  float y;
};

enum : BYTE {
  TKMARKUP_PATH_START = 0,
  TKMARKUP_PATH_LINE = 1,
  TKMARKUP_PATH_BEZIER = 3,
  TKMARKUP_PATH_CLOSE = 0x80,
};

class CTKMarkupPathGeometry : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupPathGeometry)
 public:
  CTKMarkupPathGeometry() = default;
  CTKMarkupPathGeometry(std::vector<MARKUP_POINTF> points, std::vector<BYTE> types);
  // Parses path-data text; a malformed text raises a build error.
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  // A copy whose points are mapped so the bounds fill (0, 0, cx, cy); an
  // axis of zero extent is copied unchanged. The caller releases it.
  CTKMarkupPathGeometry* ScaledCopy(int cx, int cy) const;

  int GetPointCount() const { return static_cast<int>(m_points.size()); }
  const MARKUP_POINTF* GetPoints() const { return m_points.data(); }
  const BYTE* GetTypes() const { return m_types.data(); }
  const RECT& GetBounds() const { return m_rcBounds; }
  int GetPixelOffsetMode() const { return m_nPixelOffsetMode; }
  void SetPixelOffsetMode(int nMode) { m_nPixelOffsetMode = nMode; }

 private:
  void ComputeBounds();

  std::vector<MARKUP_POINTF> m_points;
  std::vector<BYTE> m_types;
  RECT m_rcBounds{0, 0, 0, 0};
  int m_nPixelOffsetMode = 0;
};

// Collects points step by step and makes a geometry of them; also parses
// path-data text.
class MarkupPathBuilder {
 public:
  void AddStartPoint(MARKUP_POINTF pt) { Add(pt, TKMARKUP_PATH_START); }
  void AddLinePoint(MARKUP_POINTF pt) { Add(pt, TKMARKUP_PATH_LINE); }
  void AddBezierPoints(MARKUP_POINTF c1, MARKUP_POINTF c2, MARKUP_POINTF end);
  // A rounded corner: a Bezier whose two controls are (corner, end).
  void AddCorner(MARKUP_POINTF corner, MARKUP_POINTF end) { AddBezierPoints(corner, end, end); }
  void MarkFigureClosed();
  CTKMarkupPathGeometry* CreateGeometry() const;

  // Parses path data; on an error returns FALSE and sets the position of
  // the next unread character.
  BOOL ParsePathData(LPCWSTR lpszText, int nLength, int* pErrorPosition);

 private:
  void Add(MARKUP_POINTF pt, BYTE type);
  void SkipWhite();
  BOOL ReadNumber(float* pValue, BOOL bAllowComma);
  BOOL IsNumberAhead(BOOL bAllowComma);
  BOOL ReadPoint(MARKUP_POINTF* pPoint, BOOL bAllowComma, BOOL bRelative);
  void EnsureFigure();

  std::vector<MARKUP_POINTF> m_points;
  std::vector<BYTE> m_types;
  MARKUP_POINTF m_ptCurrent{0, 0};
  MARKUP_POINTF m_ptLastControl{0, 0};
  MARKUP_POINTF m_ptFigureStart{0, 0};
  BOOL m_bFigureOpen = FALSE;
  LPCWSTR m_lpszText = nullptr;
  int m_nLength = 0;
  int m_nPos = 0;
  WCHAR m_chLastCommand = u' ';
};
