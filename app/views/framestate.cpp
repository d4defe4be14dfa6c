#include "app/views/framestate.h"

#include "platform/framework/afxapp.h"

CFrameState* MainFrameState() { return dynamic_cast<CFrameState*>(AfxGetMainWnd()); }
