#include "app/views/formsapp.h"

#include "platform/framework/afxapp.h"

CFormsApp* FormsApp() { return dynamic_cast<CFormsApp*>(AfxGetApp()); }
