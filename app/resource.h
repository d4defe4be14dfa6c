// Resource and command ids of the organiser. Read by the C++ sources and by
// the resource compiler (resources/app/pravenor.pvrc).
#pragma once

// Document templates (each names a document string and a menu).
#define IDR_COMPLETEDTYPE 129
#define IDR_SCHEDULEDTYPE 125
#define IDR_ENQUIRYTYPE 32
#define IDR_COUNTTYPE 49
// The main frame: title string, menu, accelerators.
#define IDR_PRAVENORFRAME 127

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_THINGNAME 199
// Controls of the work chooser and the about box.
#define IDC_THINGNAME_EDIT 1002
#define IDC_ABOUT_TEXT 1003

// Strings.
#define IDP_OLE_INIT_FAILED 100

// Commands.
#define ID_NEW_COMPLETED 333
#define ID_NEW_SCHEDULED 302
#define ID_OPEN_COUNT 38
#define ID_OPEN_ENQUIRY 30
