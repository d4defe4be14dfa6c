// The owner and bar the stored-controls fuzz target and its seed writer load
// into: actions on, so loaded controls find their actions again.
#pragma once

#include "platform/framework/afxwnd.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/controls.h"

namespace cbfuzz {

class Bar : public CTKCommandBar {
 public:
  Bar() { CreateEx(WS_EX_TOOLWINDOW, AfxRegisterWndClass(0), u"", WS_POPUP, 100, 100, 300, 100, nullptr, nullptr); }
  ~Bar() override {
    if (GetSafeHwnd()) DestroyWindow();
  }
};

struct Owner {
  CWnd site;
  CTKCommandBars commandBars;
  Bar bar;
  Owner() {
    site.CreateEx(0, AfxRegisterWndClass(0), u"site", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr);
    commandBars.SetSite(&site);
    commandBars.EnableActions();
    bar.SetCommandBars(&commandBars);
  }
  ~Owner() {
    bar.GetControls()->RemoveAll();
    if (site.GetSafeHwnd()) site.DestroyWindow();
  }
};

}  // namespace cbfuzz
