#include "app/mainframe/reminderlistowner.h"

#include "platform/framework/afxapp.h"

CReminderListOwner* ReminderListOwner() { return dynamic_cast<CReminderListOwner*>(AfxGetApp()); }
