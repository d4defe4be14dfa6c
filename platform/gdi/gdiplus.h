// The GDI+ flat API (as the markup drawing context calls it), anti-aliased
// through cairo on the DC's surface. Also exported by the built-in module
// "GdiPlus" for callers that look the entry points up by name.
#pragma once

#include "platform/gdi/wingdi.h"

using REAL = float;
using ARGB = DWORD;
using GpUnit = int;
using GpFillMode = int;
using GpWrapMode = int;
using GpMatrixOrder = int;
using GpLineCap = int;
using GpLineJoin = int;
using GpDashStyle = int;
using GpCombineMode = int;
using GpSmoothingMode = int;
using GpPixelOffsetMode = int;
using GpTextRenderingHint = int;
using GpPixelFormat = int;

enum GpStatus {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  Win32Error = 7,
  WrongState = 8,
  Aborted = 9,
  FileNotFound = 10,
  ValueOverflow = 11,
  AccessDenied = 12,
  UnknownImageFormat = 13,
  FontFamilyNotFound = 14,
  FontStyleNotFound = 15,
  NotTrueTypeFont = 16,
  UnsupportedGdiplusVersion = 17,
  GdiplusNotInitialized = 18,
};
using Status = GpStatus;

enum {
  UnitWorld = 0,
  UnitDisplay = 1,
  UnitPixel = 2,
  UnitPoint = 3,
  UnitInch = 4,
  UnitDocument = 5,
  UnitMillimeter = 6
};
enum { FillModeAlternate = 0, FillModeWinding = 1 };
enum { WrapModeTile = 0, WrapModeTileFlipX = 1, WrapModeTileFlipY = 2, WrapModeTileFlipXY = 3, WrapModeClamp = 4 };
enum { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };
enum { LineCapFlat = 0, LineCapSquare = 1, LineCapRound = 2, LineCapTriangle = 3 };
enum { LineJoinMiter = 0, LineJoinBevel = 1, LineJoinRound = 2, LineJoinMiterClipped = 3 };
enum {
  DashStyleSolid = 0,
  DashStyleDash = 1,
  DashStyleDot = 2,
  DashStyleDashDot = 3,
  DashStyleDashDotDot = 4,
  DashStyleCustom = 5
};
enum {
  CombineModeReplace = 0,
  CombineModeIntersect = 1,
  CombineModeUnion = 2,
  CombineModeXor = 3,
  CombineModeExclude = 4,
  CombineModeComplement = 5
};
enum {
  SmoothingModeInvalid = -1,
  SmoothingModeDefault = 0,
  SmoothingModeHighSpeed = 1,
  SmoothingModeHighQuality = 2,
  SmoothingModeNone = 3,
  SmoothingModeAntiAlias = 4,
  SmoothingModeAntiAlias8x8 = 5,
};
enum {
  PixelOffsetModeDefault = 0,
  PixelOffsetModeHighSpeed = 1,
  PixelOffsetModeHighQuality = 2,
  PixelOffsetModeNone = 3,
  PixelOffsetModeHalf = 4
};
enum { TextRenderingHintSystemDefault = 0, TextRenderingHintAntiAlias = 4, TextRenderingHintClearTypeGridFit = 5 };
enum {
  LinearGradientModeHorizontal = 0,
  LinearGradientModeVertical = 1,
  LinearGradientModeForwardDiagonal = 2,
  LinearGradientModeBackwardDiagonal = 3
};
#define PixelFormat32bppARGB 0x0026200A
#define PixelFormat32bppPARGB 0x000E200B
#define PixelFormat32bppRGB 0x00022009
#define PixelFormat24bppRGB 0x00021808

struct GpPointF {
  REAL X, Y;
};
struct GpPoint {
  INT X, Y;
};
struct GpRectF {
  REAL X, Y, Width, Height;
};
struct GpRect {
  INT X, Y, Width, Height;
};

struct GdiplusStartupInput {
  UINT32 GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
struct GdiplusStartupOutput {
  void* NotificationHook;
  void* NotificationUnhook;
};

// Handles of GDI+ objects: opaque, generation-tagged values that callers only
// pass back (the handle of a deleted object is refused, InvalidParameter).
// The concrete kinds convert to their base as callers expect.
struct GpGraphics;
struct GpPen;
struct GpPath;
struct GpMatrix;
struct GpBrush {};
struct GpSolidFill : GpBrush {};
struct GpLineGradient : GpBrush {};
struct GpImage {};
struct GpBitmap : GpImage {};

extern "C" {
GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
void GdiplusShutdown(ULONG_PTR token);

GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics);
GpStatus GdipCreateFromHDC2(HDC hdc, HANDLE device, GpGraphics** graphics);
GpStatus GdipDeleteGraphics(GpGraphics* g);
GpStatus GdipSetSmoothingMode(GpGraphics* g, GpSmoothingMode mode);
GpStatus GdipGetSmoothingMode(GpGraphics* g, GpSmoothingMode* mode);
GpStatus GdipSetPixelOffsetMode(GpGraphics* g, GpPixelOffsetMode mode);
GpStatus GdipSetTextRenderingHint(GpGraphics* g, GpTextRenderingHint hint);
GpStatus GdipSetPageUnit(GpGraphics* g, GpUnit unit);
GpStatus GdipSetPageScale(GpGraphics* g, REAL scale);
GpStatus GdipGraphicsClear(GpGraphics* g, ARGB color);
GpStatus GdipSetClipRect(GpGraphics* g, REAL x, REAL y, REAL w, REAL h, GpCombineMode mode);
GpStatus GdipSetClipRectI(GpGraphics* g, INT x, INT y, INT w, INT h, GpCombineMode mode);
GpStatus GdipResetClip(GpGraphics* g);
GpStatus GdipTranslateWorldTransform(GpGraphics* g, REAL dx, REAL dy, GpMatrixOrder order);
GpStatus GdipScaleWorldTransform(GpGraphics* g, REAL sx, REAL sy, GpMatrixOrder order);
GpStatus GdipRotateWorldTransform(GpGraphics* g, REAL angle, GpMatrixOrder order);
GpStatus GdipResetWorldTransform(GpGraphics* g);

GpStatus GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen);
GpStatus GdipCreatePen2(GpBrush* brush, REAL width, GpUnit unit, GpPen** pen);
GpStatus GdipDeletePen(GpPen* pen);
GpStatus GdipSetPenWidth(GpPen* pen, REAL width);
GpStatus GdipSetPenColor(GpPen* pen, ARGB color);
GpStatus GdipSetPenDashStyle(GpPen* pen, GpDashStyle style);
GpStatus GdipSetPenDashArray(GpPen* pen, const REAL* dashes, INT count);
GpStatus GdipSetPenStartCap(GpPen* pen, GpLineCap cap);
GpStatus GdipSetPenEndCap(GpPen* pen, GpLineCap cap);
GpStatus GdipSetPenLineJoin(GpPen* pen, GpLineJoin join);

GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush);
GpStatus GdipSetSolidFillColor(GpSolidFill* brush, ARGB color);
GpStatus GdipCreateLineBrush(const GpPointF* p1, const GpPointF* p2, ARGB c1, ARGB c2, GpWrapMode wrap,
                             GpLineGradient** brush);
GpStatus GdipCreateLineBrushI(const GpPoint* p1, const GpPoint* p2, ARGB c1, ARGB c2, GpWrapMode wrap,
                              GpLineGradient** brush);
GpStatus GdipCreateLineBrushFromRect(const GpRectF* rect, ARGB c1, ARGB c2, int mode, GpWrapMode wrap,
                                     GpLineGradient** brush);
GpStatus GdipCreateLineBrushFromRectI(const GpRect* rect, ARGB c1, ARGB c2, int mode, GpWrapMode wrap,
                                      GpLineGradient** brush);
GpStatus GdipSetLinePresetBlend(GpLineGradient* brush, const ARGB* colors, const REAL* positions, INT count);
GpStatus GdipDeleteBrush(GpBrush* brush);

GpStatus GdipFillRectangle(GpGraphics* g, GpBrush* b, REAL x, REAL y, REAL w, REAL h);
GpStatus GdipFillRectangleI(GpGraphics* g, GpBrush* b, INT x, INT y, INT w, INT h);
GpStatus GdipDrawRectangle(GpGraphics* g, GpPen* p, REAL x, REAL y, REAL w, REAL h);
GpStatus GdipDrawRectangleI(GpGraphics* g, GpPen* p, INT x, INT y, INT w, INT h);
GpStatus GdipFillEllipse(GpGraphics* g, GpBrush* b, REAL x, REAL y, REAL w, REAL h);
GpStatus GdipFillEllipseI(GpGraphics* g, GpBrush* b, INT x, INT y, INT w, INT h);
GpStatus GdipDrawEllipse(GpGraphics* g, GpPen* p, REAL x, REAL y, REAL w, REAL h);
GpStatus GdipDrawEllipseI(GpGraphics* g, GpPen* p, INT x, INT y, INT w, INT h);
GpStatus GdipFillPolygon(GpGraphics* g, GpBrush* b, const GpPointF* pts, INT count, GpFillMode mode);
GpStatus GdipFillPolygonI(GpGraphics* g, GpBrush* b, const GpPoint* pts, INT count, GpFillMode mode);
GpStatus GdipDrawPolygon(GpGraphics* g, GpPen* p, const GpPointF* pts, INT count);
GpStatus GdipDrawPolygonI(GpGraphics* g, GpPen* p, const GpPoint* pts, INT count);
GpStatus GdipDrawLine(GpGraphics* g, GpPen* p, REAL x1, REAL y1, REAL x2, REAL y2);
GpStatus GdipDrawLineI(GpGraphics* g, GpPen* p, INT x1, INT y1, INT x2, INT y2);
GpStatus GdipDrawLines(GpGraphics* g, GpPen* p, const GpPointF* pts, INT count);
GpStatus GdipDrawLinesI(GpGraphics* g, GpPen* p, const GpPoint* pts, INT count);
GpStatus GdipDrawBezier(GpGraphics* g, GpPen* p, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4,
                        REAL y4);
GpStatus GdipDrawArc(GpGraphics* g, GpPen* p, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep);
GpStatus GdipFillPie(GpGraphics* g, GpBrush* b, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep);

GpStatus GdipCreatePath(GpFillMode mode, GpPath** path);
// Points tagged 0 (start), 1 (line), 3 (Bezier, three in a row), with 0x80 closing the figure.
GpStatus GdipCreatePath2(const GpPointF* points, const BYTE* types, INT count, GpFillMode mode, GpPath** path);
GpStatus GdipDeletePath(GpPath* path);
GpStatus GdipResetPath(GpPath* path);
GpStatus GdipStartPathFigure(GpPath* path);
GpStatus GdipClosePathFigure(GpPath* path);
GpStatus GdipAddPathLine(GpPath* path, REAL x1, REAL y1, REAL x2, REAL y2);
GpStatus GdipAddPathLineI(GpPath* path, INT x1, INT y1, INT x2, INT y2);
GpStatus GdipAddPathLine2(GpPath* path, const GpPointF* pts, INT count);
GpStatus GdipAddPathBezier(GpPath* path, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4, REAL y4);
GpStatus GdipAddPathBezierI(GpPath* path, INT x1, INT y1, INT x2, INT y2, INT x3, INT y3, INT x4, INT y4);
GpStatus GdipAddPathArc(GpPath* path, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep);
GpStatus GdipAddPathArcI(GpPath* path, INT x, INT y, INT w, INT h, REAL start, REAL sweep);
GpStatus GdipAddPathRectangle(GpPath* path, REAL x, REAL y, REAL w, REAL h);
GpStatus GdipAddPathRectangleI(GpPath* path, INT x, INT y, INT w, INT h);
GpStatus GdipAddPathEllipse(GpPath* path, REAL x, REAL y, REAL w, REAL h);
GpStatus GdipAddPathPolygon(GpPath* path, const GpPointF* pts, INT count);
GpStatus GdipFillPath(GpGraphics* g, GpBrush* b, GpPath* path);
GpStatus GdipDrawPath(GpGraphics* g, GpPen* p, GpPath* path);

GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP hbm, HPALETTE pal, GpBitmap** bitmap);
GpStatus GdipCreateBitmapFromScan0(INT w, INT h, INT stride, GpPixelFormat format, BYTE* scan0, GpBitmap** bitmap);
GpStatus GdipGetImageWidth(GpImage* image, UINT* w);
GpStatus GdipGetImageHeight(GpImage* image, UINT* h);
GpStatus GdipDrawImageRectI(GpGraphics* g, GpImage* image, INT x, INT y, INT w, INT h);
GpStatus GdipDrawImageI(GpGraphics* g, GpImage* image, INT x, INT y);
GpStatus GdipDisposeImage(GpImage* image);
}
