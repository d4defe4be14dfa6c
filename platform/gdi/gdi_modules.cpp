// The built-in modules callers look GDI entry points up in by name.
#include "platform/gdi/gdi_modules.h"

#include <mutex>

#include "platform/gdi/gdi_internal.h"
#include "platform/gdi/gdiplus.h"

#include "platform/system/modules.h"

namespace pv::gdi {

template <class F>
static void Export(HMODULE m, const char* name, F* f) {
  pv::AddModuleExport(m, name, reinterpret_cast<FARPROC>(reinterpret_cast<void*>(f)));
}

void RegisterModules() {
  static std::once_flag once;
  std::call_once(once, [] {
    HMODULE gdi = pv::RegisterBuiltinModule(u"gdi32", true);
    Export(gdi, "GetLayout", &GetLayout);
    Export(gdi, "SetLayout", &SetLayout);
    Export(gdi, "GdiFlush", &GdiFlush);
    Export(gdi, "GradientFill", &GradientFill);
    Export(gdi, "AlphaBlend", &AlphaBlend);
    Export(gdi, "TransparentBlt", &TransparentBlt);
    Export(gdi, "EnumFontFamiliesExW", &EnumFontFamiliesEx);
    Export(gdi, "EnumFontFamiliesW", &EnumFontFamilies);
    HMODULE img = pv::RegisterBuiltinModule(u"msimg32", false);
    Export(img, "AlphaBlend", &AlphaBlend);
    Export(img, "TransparentBlt", &TransparentBlt);
    Export(img, "GradientFill", &GradientFill);
    HMODULE gp = pv::RegisterBuiltinModule(u"GdiPlus", false);
#define PV_GP(name) Export(gp, #name, &name)
    PV_GP(GdiplusStartup);
    PV_GP(GdiplusShutdown);
    PV_GP(GdipCreateFromHDC);
    PV_GP(GdipCreateFromHDC2);
    PV_GP(GdipDeleteGraphics);
    PV_GP(GdipSetSmoothingMode);
    PV_GP(GdipGetSmoothingMode);
    PV_GP(GdipSetPixelOffsetMode);
    PV_GP(GdipSetTextRenderingHint);
    PV_GP(GdipSetPageUnit);
    PV_GP(GdipSetPageScale);
    PV_GP(GdipGraphicsClear);
    PV_GP(GdipSetClipRect);
    PV_GP(GdipSetClipRectI);
    PV_GP(GdipResetClip);
    PV_GP(GdipTranslateWorldTransform);
    PV_GP(GdipScaleWorldTransform);
    PV_GP(GdipRotateWorldTransform);
    PV_GP(GdipResetWorldTransform);
    PV_GP(GdipCreatePen1);
    PV_GP(GdipCreatePen2);
    PV_GP(GdipDeletePen);
    PV_GP(GdipSetPenWidth);
    PV_GP(GdipSetPenColor);
    PV_GP(GdipSetPenDashStyle);
    PV_GP(GdipSetPenDashArray);
    PV_GP(GdipSetPenStartCap);
    PV_GP(GdipSetPenEndCap);
    PV_GP(GdipSetPenLineJoin);
    PV_GP(GdipCreateSolidFill);
    PV_GP(GdipSetSolidFillColor);
    PV_GP(GdipCreateLineBrush);
    PV_GP(GdipCreateLineBrushI);
    PV_GP(GdipCreateLineBrushFromRect);
    PV_GP(GdipCreateLineBrushFromRectI);
    PV_GP(GdipSetLinePresetBlend);
    PV_GP(GdipDeleteBrush);
    PV_GP(GdipFillRectangle);
    PV_GP(GdipFillRectangleI);
    PV_GP(GdipDrawRectangle);
    PV_GP(GdipDrawRectangleI);
    PV_GP(GdipFillEllipse);
    PV_GP(GdipFillEllipseI);
    PV_GP(GdipDrawEllipse);
    PV_GP(GdipDrawEllipseI);
    PV_GP(GdipFillPolygon);
    PV_GP(GdipFillPolygonI);
    PV_GP(GdipDrawPolygon);
    PV_GP(GdipDrawPolygonI);
    PV_GP(GdipDrawLine);
    PV_GP(GdipDrawLineI);
    PV_GP(GdipDrawLines);
    PV_GP(GdipDrawLinesI);
    PV_GP(GdipDrawBezier);
    PV_GP(GdipDrawArc);
    PV_GP(GdipFillPie);
    PV_GP(GdipCreatePath);
    PV_GP(GdipCreatePath2);
    PV_GP(GdipDeletePath);
    PV_GP(GdipResetPath);
    PV_GP(GdipStartPathFigure);
    PV_GP(GdipClosePathFigure);
    PV_GP(GdipAddPathLine);
    PV_GP(GdipAddPathLineI);
    PV_GP(GdipAddPathLine2);
    PV_GP(GdipAddPathBezier);
    PV_GP(GdipAddPathBezierI);
    PV_GP(GdipAddPathArc);
    PV_GP(GdipAddPathArcI);
    PV_GP(GdipAddPathRectangle);
    PV_GP(GdipAddPathRectangleI);
    PV_GP(GdipAddPathEllipse);
    PV_GP(GdipAddPathPolygon);
    PV_GP(GdipFillPath);
    PV_GP(GdipDrawPath);
    PV_GP(GdipCreateBitmapFromHBITMAP);
    PV_GP(GdipCreateBitmapFromScan0);
    PV_GP(GdipGetImageWidth);
    PV_GP(GdipGetImageHeight);
    PV_GP(GdipDrawImageRectI);
    PV_GP(GdipDrawImageI);
    PV_GP(GdipDisposeImage);
#undef PV_GP
  });
}

}  // namespace pv::gdi
