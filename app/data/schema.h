// The tables of "qty.tgd" and the conventions every statement follows.
//
// The eight tables are created in the order of kSchemaTables, each from its
// statement formatted with the table's upper-case name. An existing file is
// never altered: there is no schema version and no migration.
//
// Statements are Jet SQL text. Integers and flags go in with "%d" (flags as
// 0/1, tested "<>0" and "=0"); dates as "#...#" literals formatted with the
// patterns below. Text values never go in raw: use CDataStore::Quote (or
// the parameter forms of the data store) for every text a user typed or the
// field cipher made, so that an apostrophe round-trips and cannot change the
// statement.
#pragma once

#include "platform/base/cstring.h"

struct SchemaTable {
  const char16_t* name;
  const char16_t* statement;  // one "%s": the table name
};

inline constexpr int kSchemaTableCount = 8;
extern const SchemaTable kSchemaTables[kSchemaTableCount];

// The table's CREATE TABLE statement with its name in place of "%s".
CString SchemaCreateStatement(const SchemaTable& table);

// Date patterns of COleDateTime::Format for "#...#" literals.
inline constexpr const char16_t* kSchemaStartTimeFormat = u"%Y-%m-%d %H:%M:%S";  // THINGS.starttime
inline constexpr const char16_t* kSchemaDateFormat = u"%Y-%m-%d";                // TASK.tasktime, REMIND.RemindDate
inline constexpr const char16_t* kSchemaTimeFormat = u"%H:%M:%S";                // REMIND.RemindTime

// A new work's name until the user names it (stored in plain text).
inline constexpr const char16_t* kWorkPlaceholder = u"Enter work name";
// A new task's title until the user types one.
inline constexpr const char16_t* kTaskPlaceholder = u"Enter task title";

// TASK.tasktype.
inline constexpr int kTaskCompleted = 1;
inline constexpr int kTaskScheduled = 2;
