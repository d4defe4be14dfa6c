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
#define IDD_PRAVENOR_FORM 101
// Controls of the completed-task form.
#define IDC_TASK_TITLE 1038
#define IDC_TASK_PERSONNEL 1039
#define IDC_TASK_PLACE 1040
#define IDC_TASK_DETAIL 1045
#define IDC_TASK_DATE 1048
#define IDC_TASK_ATTACHMENTS 1054
#define IDC_TASK_BRIEF 1057
#define IDC_TASK_WORKNAME 1058
#define IDC_TASK_INCOME 1083
// Controls of the work chooser and the about box.
#define IDC_THINGNAME_KIND 1080
#define IDC_THINGNAME_WORK 1081
#define IDC_ABOUT_TEXT 1003

// The tree panes (their ids are also the string ids of their titles), the
// trees, and the container that holds them.
#define IDP_WORKVIEW_PANE 4000
#define IDP_DATEVIEW_PANE 4004
#define IDC_WORKTREE 4002
#define IDC_DATETREE 4003
#define IDW_TREEPANES 0xE820

// The task forms' commands (string ids too: prompt, newline, tooltip).
#define ID_ATTACHMENT_ADD 8
#define ID_ATTACHMENT_RENAME 9
#define ID_ATTACHMENT_DELETE 10
#define ID_TASK_SAVE 11
#define ID_TASK_SAVEALL 12
#define ID_INCOME_ADD 34
#define ID_INCOME_DELETE 36
#define ID_ATTACHMENT_FOLDER 46
#define ID_FORM_IDLE_47 47
#define ID_FORM_IDLE_48 48
#define ID_FORM_IDLE_7608 7608
#define ID_TASK_DELETE 7618

// The scheduled-task form (dialog 189) and its reminder commands.
#define IDD_PLANTHINGS 189
#define IDC_PLAN_TITLE 1049
#define IDC_PLAN_PERSONNEL 1050
#define IDC_PLAN_PLACE 1051
#define IDC_PLAN_DATE 1052
#define IDC_PLAN_ATTACHMENTS 1055
#define IDC_PLAN_REMINDERS 1058
#define IDC_PLAN_WORKNAME 1059
#define IDC_PLAN_BRIEF 1060
#define ID_REMINDER_ADD 13
#define ID_REMINDER_MODIFY 14
#define ID_REMINDER_DELETE 15

// The enquiry form (form 191), its input dialog (192) and the
// count form (form 201).
#define IDD_SEARCH 191
#define IDC_SEARCH_HEADING 1063
#define IDC_SEARCH_RESULTS 1055
#define IDD_ENQUIRY_INPUT 192
#define IDC_ENQUIRY_RANGE 28
#define IDC_ENQUIRY_KEYWORD 29
#define IDD_COUNT 201
#define IDC_COUNT_START 1048
#define IDC_COUNT_END 1049
#define IDC_COUNT_KEYWORD 1038
#define IDC_COUNT_SEARCH 1082
#define IDC_COUNT_ADD 1087
#define IDC_COUNT_CLEAR 1084
#define IDC_COUNT_INCOME 1039
#define IDC_COUNT_EXPENDITURE 1040
#define IDC_COUNT_TOTAL 1041
#define IDC_COUNT_ITEMS 1085

// Strings.
#define IDP_OLE_INIT_FAILED 100

// Commands.
#define ID_NEW_COMPLETED 333
#define ID_NEW_SCHEDULED 302
#define ID_OPEN_COUNT 38
#define ID_OPEN_ENQUIRY 30
// The tree filters; their labels follow the active tree: 23 "Completed" or
// "Workday", 24 "Scheduled" or "Task Day", 25 "All" or "Everyday".
#define ID_TREE_FILTER_23 23
#define ID_TREE_FILTER_24 24
#define ID_TREE_FILTER_25 25
#define ID_TREE_FILTER_FIRST ID_TREE_FILTER_23
#define ID_TREE_FILTER_LAST ID_TREE_FILTER_25
