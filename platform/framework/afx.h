// Everything a toolkit or application source needs from the platform: the
// base types, strings, collections and objects, the window manager and
// drawing, resources and settings, and the framework's classes.
//
// Per-topic headers, for sources that want less:
//   afxwnd.h   CWnd, CCmdUI, the framework's private messages
//   afxgdi.h   CDC and the drawing objects, CMenu
//   afxmsg.h   message-map macros
//   afxapp.h   CWinThread, CWinApp, CRecentFileList
//   afxdlg.h   dialogs, DDX/DDV, CFileDialog
//   afxframe.h frames, MDI, control bars
//   afxdoc.h   documents, views, templates
//   afxole.h   drag and drop
//   afxcom.h   interface maps (COM interfaces of a command target)
//   afxprint.h the print job's page state (CPrintInfo)
#pragma once

#include "platform/base/archive.h"
#include "platform/base/collections.h"
#include "platform/base/comutil.h"
#include "platform/base/cstring.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/base/oledatetime.h"
#include "platform/base/variant.h"
#include "platform/framework/afxcom.h"
#include "platform/framework/afxdoc.h"
#include "platform/framework/afxole.h"
#include "platform/framework/afxprint.h"
#include "platform/gdi/gdiplus.h"
#include "platform/system/files.h"
#include "platform/system/locale.h"
#include "platform/system/profile.h"
#include "platform/system/registry.h"
#include "platform/system/sysutil.h"
