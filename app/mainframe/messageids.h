// Resource and command ids of the text-message settings dialog. Read by the
// C++ sources and by the resource compiler (resources/app/phoneset.pvrc).
#pragma once

// The main frame's command that opens the dialog.
#define ID_MESSAGE_SETUP 307

#define IDD_PHONESET 197
#define IDC_PHONESET_USERNAME 1038
#define IDC_PHONESET_PASSWORD 1039
#define IDC_PHONESET_SUFFIX 1040
#define IDC_PHONESET_PHONE 1041
#define IDC_PHONESET_USEMESSAGE 1069
#define IDC_PHONESET_BALANCE 1070
#define IDC_PHONESET_BALANCETEXT 1071
#define IDC_PHONESET_PASSWORDLABEL 1072
#define IDC_PHONESET_RUNSEND 1073
#define IDC_PHONESET_PHONELABEL 1074
#define IDC_PHONESET_TESTTEXT 1075
#define IDC_PHONESET_SENDTEST 1076
#define IDC_PHONESET_QUITSEND 1077
#define IDC_PHONESET_DAYSLABEL 1079
#define IDC_PHONESET_DAYS 1089
#define IDC_PHONESET_REQUESTACCOUNT 1090
