// Value texts of the report grid: printf-style formats applied to one
// value, and item texts read as numbers.
//
// Format strings travel with stored records, so they are untrusted: each
// conversion is formatted on its own with an argument of the type it asks
// for. A floating conversion gets the value, an integer conversion the
// value truncated toward zero, a string conversion the value's text;
// anything else (%n, %p, '*' widths, unknown letters, widths or precisions
// above 512) is copied as written.
#pragma once

#include "platform/base/cstring.h"

// `format` applied to a number. Its text for a string conversion is "%f".
CString TKFormatNumber(LPCTSTR format, double value);
// `format` applied to a text; numeric conversions are copied as written.
CString TKFormatText(LPCTSTR format, LPCTSTR text);
// An item text read as a number: when the C library's numeric locale is "C"
// (or unreadable) every "," counts as "."; the text is narrowed to the
// resource language's code page and read as atof reads it (leading blanks
// skipped, up to the first character that does not fit, 0 when none).
double TKReportTextToNumber(LPCTSTR text);
