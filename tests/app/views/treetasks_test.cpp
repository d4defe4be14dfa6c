// The forms' operations on the two trees: a new task added in place (in
// day order in the date tree, only where the tree's filter shows it), and a
// task's items found again and made the frame's current items.
#include "app/views/treetasks.h"

#include "views_fixture.h"

namespace {

using viewstest::Joined;
using viewstest::Narrow;
using viewstest::Outline;

class TreeTasksTest : public viewstest::ViewsTest {
 protected:
  TreeTasksTest() : clock_(2012, 5, 20, 9, 0, 0) {}
  pv::FakeClockScope clock_;
};

TEST_F(TreeTasksTest, NewTasksJoinTheWorkTreeUnderTheirWorkWhenTheFilterShowsThem) {
  Start();
  const int garden = AddWork(u"Garden", 1);
  const int other = AddWork(u"Other", 2);
  RefillWorkTree();
  CCaptionTree& tree = Frame().m_wndWorkTree;
  struct Case {
    int filter;
    int tasktype;
    bool added;
  };
  const Case cases[] = {{0, 1, true}, {0, 2, true}, {1, 1, true}, {1, 2, false}, {2, 2, true}, {2, 1, false}};
  int taid = 100;
  for (const Case& c : cases) {
    tree.m_filterMode = c.filter;
    const HTREEITEM item = AddTaskToWorkTree(tree, garden, ++taid, c.tasktype, u"T");
    EXPECT_EQ(item != nullptr, c.added) << c.filter << "/" << c.tasktype;
    if (!item) continue;
    EXPECT_EQ(Narrow(tree.GetItemText(tree.GetParentItem(item))), "Garden");
    EXPECT_EQ(static_cast<LPARAM>(tree.GetItemData(item)), c.tasktype == 2 ? -taid : taid);
    EXPECT_EQ(tree.GetItemColor(item), c.tasktype == 2 ? kScheduledTaskColor : kCompletedTaskColor);
    EXPECT_EQ(tree.GetNextSiblingItem(item), nullptr);  // appended last
  }
  tree.m_filterMode = 0;
  EXPECT_EQ(AddTaskToWorkTree(tree, other + 100, 1, 1, u"No such work"), nullptr);
}

TEST_F(TreeTasksTest, NewTasksJoinTheDateTreeInDayOrder) {
  Start();
  const int work = AddWork(u"Garden", 1);
  AddTask(work, u"Seventeenth", 1, COleDateTime(2012, 5, 17, 0, 0, 0));
  AddTask(work, u"Tenth", 1, COleDateTime(2012, 5, 10, 0, 0, 0));
  RefillDateTree();
  CDateTree& tree = Frame().m_wndDateTree;
  EXPECT_NE(AddTaskToDateTree(tree, COleDateTime(2012, 5, 3, 0, 0, 0), u"Garden", u"Third", 11, 1), nullptr);
  EXPECT_NE(AddTaskToDateTree(tree, COleDateTime(2012, 5, 12, 0, 0, 0), u"Garden", u"Twelfth", 12, 2), nullptr);
  EXPECT_NE(AddTaskToDateTree(tree, COleDateTime(2012, 5, 17, 0, 0, 0), u"Garden", u"Also 17th", 13, 1), nullptr);
  EXPECT_NE(AddTaskToDateTree(tree, COleDateTime(2012, 5, 31, 0, 0, 0), u"Garden", u"Last", 14, 1), nullptr);
  // A month or a year without an item gets one at its place.
  EXPECT_NE(AddTaskToDateTree(tree, COleDateTime(2012, 6, 1, 0, 0, 0), u"Garden", u"June", 15, 1), nullptr);
  EXPECT_NE(AddTaskToDateTree(tree, COleDateTime(2013, 5, 1, 0, 0, 0), u"Garden", u"Next year", 16, 1), nullptr);
  EXPECT_NE(AddTaskToDateTree(tree, COleDateTime(2011, 12, 31, 0, 0, 0), u"Garden", u"Year before", 20, 1), nullptr);
  std::vector<std::string> days;
  for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextItem(item))
    if (GetTreeItemLevel(tree, item) >= 4) days.push_back(Narrow(tree.GetItemText(item)));
  EXPECT_EQ(Joined(days),
            Joined({"2011.12.31 Saturday", "Garden.Year before", "2012.5.3 Thursday", "Garden.Third",
                    "2012.5.10 Thursday", "Garden.Tenth", "2012.5.12 Saturday", "Garden.Twelfth", "2012.5.17 Thursday",
                    "Garden.Seventeenth", "Garden.Also 17th", "2012.5.31 Thursday", "Garden.Last", "2012.6.1 Friday",
                    "Garden.June", "2013.5.1 Wednesday", "Garden.Next year"}));
  std::vector<std::string> years;
  for (HTREEITEM y = tree.GetChildItem(tree.GetRootItem()); y; y = tree.GetNextSiblingItem(y))
    years.push_back(Narrow(tree.GetItemText(y)));
  EXPECT_EQ(Joined(years), Joined({"2011", "2012", "2013"}));

  // The workday filter keeps Saturdays and Sundays out.
  tree.m_filterMode = 1;
  EXPECT_EQ(AddTaskToDateTree(tree, COleDateTime(2012, 5, 19, 0, 0, 0), u"Garden", u"Saturday", 17, 1), nullptr);
  EXPECT_EQ(AddTaskToDateTree(tree, COleDateTime(2012, 5, 20, 0, 0, 0), u"Garden", u"Sunday", 18, 1), nullptr);
  EXPECT_NE(AddTaskToDateTree(tree, COleDateTime(2012, 5, 18, 0, 0, 0), u"Garden", u"Friday", 19, 2), nullptr);
}

TEST_F(TreeTasksTest, TasksAreFoundAgainInBothTreesAndBecomeTheFramesCurrentItems) {
  Start();
  const int garden = AddWork(u"Garden", 1);
  const int other = AddWork(u"Other", 1);
  const int done = AddTask(garden, u"Dig", 1, COleDateTime(2012, 5, 17, 0, 0, 0));
  const int planned = AddTask(garden, u"Plant", 2, COleDateTime(2012, 5, 18, 0, 0, 0));
  RefillWorkTree();
  RefillDateTree();
  CMainFrame& frame = Frame();

  // The forms look for their own item data.
  HTREEITEM formItem = reinterpret_cast<HTREEITEM>(1);
  EXPECT_TRUE(LocateTaskInWorkTree(frame, garden, -planned, formItem));
  EXPECT_EQ(Narrow(frame.m_wndWorkTree.GetItemText(formItem)), "Plant");
  EXPECT_EQ(frame.m_hWorkTreeItem, formItem);
  EXPECT_FALSE(LocateTaskInWorkTree(frame, other, -planned, formItem));  // not under that work
  EXPECT_EQ(formItem, nullptr);
  EXPECT_NE(frame.m_hWorkTreeItem, nullptr);  // the frame's item is kept
  EXPECT_TRUE(LocateTaskInDateTree(frame, done, formItem));
  EXPECT_EQ(Narrow(frame.m_wndDateTree.GetItemText(formItem)), "Garden.Dig");
  EXPECT_EQ(frame.m_hDateTreeItem, formItem);
  EXPECT_FALSE(LocateTaskInDateTree(frame, planned, formItem));  // its data is -planned
  EXPECT_EQ(formItem, nullptr);

  // The enquiry and count forms know only the task id: either sign, in both
  // trees (a scheduled task's date item too).
  frame.m_hWorkTreeItem = frame.m_hDateTreeItem = nullptr;
  EXPECT_TRUE(SelectTaskInWorkTree(frame, garden, planned));
  EXPECT_EQ(Narrow(frame.m_wndWorkTree.GetItemText(frame.m_hWorkTreeItem)), "Plant");
  EXPECT_TRUE(SelectTaskInDateTree(frame, planned));
  EXPECT_EQ(Narrow(frame.m_wndDateTree.GetItemText(frame.m_hDateTreeItem)), "Garden.Plant");
  const HTREEITEM kept = frame.m_hDateTreeItem;
  EXPECT_FALSE(SelectTaskInDateTree(frame, planned + done + 10));
  EXPECT_EQ(frame.m_hDateTreeItem, kept);
  EXPECT_FALSE(SelectTaskInWorkTree(frame, other, done));
}

}  // namespace
