// The work tree: its three fills on an empty and a populated database, the
// search for a scheduled task's item, item levels, and a fill that meets a
// database error.
#include "app/views/captiontree.h"

#include "views_fixture.h"

namespace {

using viewstest::Joined;
using viewstest::Outline;

class WorkTreeTest : public viewstest::ViewsTest {};

TEST_F(WorkTreeTest, EmptyDatabaseGivesTheRootAndTheThreeKinds) {
  Start();
  // "Work" is expanded too, but an item without children shows no expansion.
  const std::vector<std::string> want = {"Pravenor B E", "  Work=1 B", "  Affairs of Life=2 B", "  Other Things=3 B"};
  EXPECT_EQ(Joined(Outline(Frame().m_wndWorkTree)), Joined(want));
  for (auto fill : {&CCaptionTree::FillCategoryTreeCompleted, &CCaptionTree::FillCategoryTreeScheduled}) {
    RefillWorkTree(fill);
    EXPECT_EQ(Joined(Outline(Frame().m_wndWorkTree)), Joined(want));
  }
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(WorkTreeTest, FillsListWorksByKindWithTheirTasksInEachVariant) {
  Start();
  const int garden = AddWork(u"Kitchen garden", 2);
  const int plan = AddWork(u"v1.2 plan", 1, COleDateTime(2012, 3, 5, 14, 7, 9));
  const int bob = AddWork(u"Bob's \u5317\u4eac trip", 3, COleDateTime(2011, 12, 31, 23, 59, 59));
  const int empty = AddWork(u"Nothing yet", 1);
  const int placeholder = AddPlainWork(u"Enter work name", 1);
  const int placeholderOtherCase = AddPlainWork(u"Enter Work Name", 2);
  AddWork(u"Unknown kind", 4);
  const int sow = AddTask(garden, u"Sow", 1);
  const int water = AddTask(garden, u"Water", 2);
  const int odd = AddTask(garden, u"Odd type", 3);
  AddTask(garden, u"Enter task title", 1);
  const int draft = AddTask(plan, u"Draft", 2);
  const int pack = AddTask(bob, u"Pack", 1);
  AddTask(placeholder, u"Hidden", 1);
  AddTask(placeholderOtherCase, u"Hidden too", 2);
  ASSERT_TRUE(boxes_.Shown().empty());

  auto n = [](int v) { return std::to_string(v); };
  struct Case {
    const char* name;
    int (CCaptionTree::*fill)();
    std::vector<std::string> want;
  };
  const std::vector<Case> cases = {
      {"All",
       &CCaptionTree::FillCategoryTree,
       {"Pravenor B E", "  Work=1 B E", "    v1.2 plan=" + n(plan), "      Draft=-" + n(draft) + " #FC0289",
        "    Nothing yet=" + n(empty), "  Affairs of Life=2 B", "    Kitchen garden=" + n(garden),
        "      Sow=" + n(sow) + " #0383FB", "      Water=-" + n(water) + " #FC0289", "      Odd type",
        "  Other Things=3 B", "    Bob's \u5317\u4eac trip=" + n(bob), "      Pack=" + n(pack) + " #0383FB"}},
      {"Completed",
       &CCaptionTree::FillCategoryTreeCompleted,
       {"Pravenor B E", "  Work=1 B E", "    v1.2 plan=" + n(plan), "    Nothing yet=" + n(empty),
        "  Affairs of Life=2 B", "    Kitchen garden=" + n(garden), "      Sow=" + n(sow) + " #0383FB",
        "  Other Things=3 B", "    Bob's \u5317\u4eac trip=" + n(bob), "      Pack=" + n(pack) + " #0383FB"}},
      {"Scheduled",
       &CCaptionTree::FillCategoryTreeScheduled,
       {"Pravenor B E", "  Work=1 B E", "    v1.2 plan=" + n(plan), "      Draft=-" + n(draft) + " #FC0289",
        "    Nothing yet=" + n(empty), "  Affairs of Life=2 B", "    Kitchen garden=" + n(garden),
        "      Water=-" + n(water) + " #FC0289", "  Other Things=3 B", "    Bob's \u5317\u4eac trip=" + n(bob)}},
  };
  for (const Case& c : cases) {
    RefillWorkTree(c.fill);
    EXPECT_EQ(Joined(Outline(Frame().m_wndWorkTree)), Joined(c.want)) << c.name;
    EXPECT_EQ(Frame().m_wndWorkTree.m_pWorkRecordset->GetState(), adStateClosed) << c.name;
    EXPECT_EQ(Frame().m_wndWorkTree.m_pTaskRecordset->GetState(), adStateClosed) << c.name;
  }
  EXPECT_TRUE(boxes_.Shown().empty());
  // A fill never sets the filter mode: the frame does.
  EXPECT_EQ(Frame().m_wndWorkTree.m_filterMode, 0);
}

TEST_F(WorkTreeTest, FindItemByTaskIdFindsOnlyScheduledTasksAndLevelsCountFromTheRoot) {
  Start();
  const int work = AddWork(u"Garden", 1);
  const int done = AddTask(work, u"Dig", 1);
  const int planned = AddTask(work, u"Plant", 2);
  RefillWorkTree();
  CCaptionTree& tree = Frame().m_wndWorkTree;
  const HTREEITEM root = tree.GetRootItem();
  const HTREEITEM workItem = tree.GetChildItem(tree.GetChildItem(root));
  const HTREEITEM digItem = tree.GetChildItem(workItem);
  const HTREEITEM plantItem = tree.GetNextSiblingItem(digItem);

  HTREEITEM found = nullptr;
  tree.FindItemByTaskId(root, planned, found);
  EXPECT_EQ(found, plantItem);
  // A completed task's item carries +taid: not found, the out-parameter kept.
  found = root;
  tree.FindItemByTaskId(root, done, found);
  EXPECT_EQ(found, root);
  // Two matching items: the later one in pre-order.
  const HTREEITEM copy = tree.InsertItem(u"Copy", tree.GetNextSiblingItem(tree.GetChildItem(root)));
  tree.SetItemData(copy, static_cast<DWORD_PTR>(-static_cast<LPARAM>(planned)));
  tree.FindItemByTaskId(root, planned, found);
  EXPECT_EQ(found, copy);

  EXPECT_EQ(GetTreeItemLevel(tree, root), 1);
  EXPECT_EQ(GetTreeItemLevel(tree, tree.GetChildItem(root)), 2);
  EXPECT_EQ(GetTreeItemLevel(tree, workItem), 3);
  EXPECT_EQ(GetTreeItemLevel(tree, plantItem), 4);
}

TEST_F(WorkTreeTest, DatabaseErrorsEndTheFillWithOneMessageAndTheNextFillStartsAfresh) {
  Start();
  const int work = AddWork(u"Garden", 1);
  const int dig = AddTask(work, u"Dig", 1);
  const int bad = AddTask(work, u"Broken", 1);
  // A type that cannot be read as a number fails the walk half-way.
  RawExec("update task set tasktype='x' where taid=" + std::to_string(bad));
  boxes_.Clear();
  RefillWorkTree();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Last().caption, u"Prompt");
  EXPECT_EQ(boxes_.Last().Icon(), MB_ICONEXCLAMATION);
  EXPECT_EQ(boxes_.Last().owner, Frame().m_wndWorkTree.m_hWnd);
  // What was made stays, nothing expanded; both recordsets closed.
  EXPECT_EQ(Joined(Outline(Frame().m_wndWorkTree)),
            Joined({"Pravenor B", "  Work=1 B", "    Garden=" + std::to_string(work),
                    "      Dig=" + std::to_string(dig) + " #0383FB", "  Affairs of Life=2 B", "  Other Things=3 B"}));
  EXPECT_EQ(Frame().m_wndWorkTree.m_pTaskRecordset->GetState(), adStateClosed);
  EXPECT_EQ(Frame().m_wndWorkTree.m_pWorkRecordset->GetState(), adStateClosed);

  // Mended, the next fill reads everything.
  RawExec("update task set tasktype=1 where taid=" + std::to_string(bad));
  boxes_.Clear();
  RefillWorkTree();
  EXPECT_TRUE(boxes_.Shown().empty());
  EXPECT_EQ(Frame().m_wndWorkTree.GetCount(), 7u);

  // A query that cannot be opened is shown once, by the data store.
  ASSERT_EQ(Store().ExecuteSql(u"drop table task"), 1);
  boxes_.Clear();
  RefillWorkTree();
  EXPECT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(Frame().m_wndWorkTree.GetCount(), 5u);  // root, kinds and the work
}

}  // namespace

namespace {

// Each stored name is deciphered once per process; the start time is part
// of the key, so one stored text under two start times gives each its own
// name, and a text that is not whole cipher blocks stays as it is.
TEST(WorkNames, DecipheredOnceAndKeyedByStoredTextAndStartTime) {
  const COleDateTime first(2009, 4, 7, 9, 30, 0), second(2011, 2, 3, 8, 0, 0);
  CDES des;
  const CString stored = des.TransformText(u"Garden", GetWorkNameKey(first), 0);
  ForgetDecipheredWorkNames();
  EXPECT_EQ(CString(u"Garden"), WorkNameFromStored(stored, first));
  EXPECT_EQ(CString(u"Garden"), WorkNameFromStored(stored, first));
  EXPECT_EQ(des.TransformText(stored, GetWorkNameKey(second), 1), WorkNameFromStored(stored, second));
  EXPECT_NE(CString(u"Garden"), WorkNameFromStored(stored, second));
  EXPECT_EQ(CString(u"abc"), WorkNameFromStored(u"abc", first));
}

}  // namespace
