// One occurrence of a reminder due today, as the application object keeps
// them (sorted by time).
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/oledatetime.h"

struct RemindSTR {
  CString content;
  COleDateTime occurrence;
  int taid = 0;
  int rid = 0;
  int numberOfTimes = 0;
  int separation = 0;
  int executeNumber = -1;
  bool message = false;
  bool submitted = false;
  int sendNumber = 0;
};
