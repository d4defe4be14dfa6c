// Members of the report control whose behaviour lands with the layout and
// drawing, mouse and keyboard, clipboard, drag and drop, state, binding and
// editing work. Each body here is a minimal stand-in; the work that owns a
// member moves its body into its own file.
#include <algorithm>

#include "platform/framework/afx.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportnavigator.h"
#include "toolkit/report/reportselectedrows.h"

// ---- layout and scrolling ----




// ---- drawing ----

// ---- window messages ----
int CTKReportControl::OnCreate(LPCREATESTRUCT lpCreateStruct) { return CWnd::OnCreate(lpCreateStruct); }  // layout
void CTKReportControl::OnSysColorChange() { RedrawControl(); }  // drawing
void CTKReportControl::OnStyleChanged(int, LPSTYLESTRUCT) { Default(); RedrawControl(); }  // drawing
