// The statements of the enquiry form: one per enquiry range, with the
// keyword bound as a value (never spliced into the text).
#pragma once

#include "platform/ado/ado.h"
#include "platform/base/cstring.h"
#include "platform/base/oledatetime.h"

// A statement and the one value of its `?` marker.
struct EnquiryStatement {
  CString sql;  // empty for a range the form does not know
  _variant_t value;
};

// The keyword for a LIKE pattern: '%', '_' and '[' match themselves.
CString EscapeLikeKeyword(const CString& keyword);

// The date ranges' keyword: "YYYYMMDD" or "YYYY-MM-DD" (blanks around it
// allowed), a day that exists; the day at midnight. False otherwise.
bool ParseEnquiryDate(const CString& keyword, COleDateTime& day);

// The statement of `range` for `keyword`. For a date range whose keyword
// is no date the statement is empty and *dateRefused (when given) true.
EnquiryStatement MakeEnquiryStatement(const CString& range, const CString& keyword, bool* dateRefused = nullptr);
