// The two work trees, for now as plain lists filled from the database: the
// work tree (kinds, their works, each work's tasks) and the date tree (tasks
// by date). Temporary: the tree controls of the works-and-tasks views
// replace these classes.
#pragma once

#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/oledatetime.h"

class CDataStore;

// The kinds of work (THINGS.worktype 1..3).
extern const char16_t* const kWorkKindNames[3];

class CCaptionTree {
 public:
  struct Task {
    int taid = 0;
    int tasktype = 0;
    CString title;
  };
  struct Work {
    int tid = 0;
    int worktype = 0;
    CString name;  // deciphered
    COleDateTime start;
    std::vector<Task> tasks;
  };

  // Empties the tree and fills it with the works of each kind (names
  // deciphered) and their tasks. A database error while reading is shown
  // under "Prompt".
  void FillCategoryTree();

  std::vector<Work> m_works;  // by kind, then as the database lists them
};

class CDateTree {
 public:
  struct Entry {
    COleDateTime taskTime;
    CString workName;  // deciphered
    CString title;
    int taid = 0;
    int tasktype = 0;
  };

  // Fills the tree with all tasks by date (the "Task Day" filter).
  void FillDateTree();

  std::vector<Entry> m_entries;  // by task time, then work
};

// The application's data store (through the running application object).
CDataStore& AppDataStore();
