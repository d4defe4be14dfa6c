// Resource ids of the date picker.
#pragma once

#define TK_IDS_DATEPICKER_TODAY 9000
#define TK_IDS_DATEPICKER_NONE 9001
#define TK_IDC_DATEPICKER_WEEK 9002
