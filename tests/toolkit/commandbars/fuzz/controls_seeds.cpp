// Writes seed stores for the stored-controls fuzz target: a loaded menu with
// sub-menus, and a control with every setting changed and original controls.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/archive.h"
#include "tests/support/archive_seed.h"
#include "platform/base/file.h"
#include "platform/framework/afxgdi.h"
#include "tests/toolkit/commandbars/fuzz/controlsbar.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/common/propexchange_backends.h"

namespace {

void Write(const std::string& path, CTKControls* pControls) {
  pvtest::WriteArchiveSeed(path, [&](CArchive& ar) {
    CTKPropExchangeArchive px(ar);
    pControls->DoPropExchange(&px);
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string folder = argv[1];
  {
    cbfuzz::Owner owner;
    CMenu sub, menu;
    sub.CreatePopupMenu();
    sub.AppendMenu(MF_STRING, 100, u"&New\tCtrl+N");
    sub.AppendMenu(MF_SEPARATOR, 0, nullptr);
    sub.AppendMenu(MF_STRING | MF_CHECKED, 101, u"&Save");
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), u"&File");
    menu.AppendMenu(MF_STRING, 120, u"&Window");
    owner.bar.GetControls()->LoadMenu(&menu);
    menu.DestroyMenu();
    Write(folder + "/menu", owner.bar.GetControls());
  }
  {
    cbfuzz::Owner owner;
    CTKControls* pControls = owner.bar.GetControls();
    CTKControl* pControl = pControls->AddByType(TKControlType::CheckBox, 300);
    pControl->SetCaption(u"&Bold\tCtrl+B");
    pControl->SetTooltip(u"Bold");
    pControl->SetDescription(u"Makes the text bold");
    pControl->SetCategory(u"Format");
    pControl->SetIconId(301);
    pControl->SetBeginGroup(TRUE);
    pControl->SetStyle(TKButtonStyle::IconAndCaption);
    pControl->SetWidth(80);
    pControl->SetIconSize(CSize(24, 24));
    pControl->GetDocTemplatesAssigned().SetAt(128, 0);
    pControls->CreateOriginalControls();
    Write(folder + "/settings", pControls);
  }
  return 0;
}
