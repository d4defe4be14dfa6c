// Walking the tree and searching its texts.
#include "tests/support/fixture_reset.h"
#include "tree_test_support.h"

namespace tktree {
namespace {

class TreeSearchTest : public TreeTest {
 protected:
  // Pravenor
  //   Work (collapsed)
  //     beta gamma
  //     delta_x
  //   Life
  //     Gamma ray
  //     gammas and gamma
  //   Other
  void SetUp() override {
    TreeTest::SetUp();
    MakeTree();
    root = tree.InsertItem(u"Pravenor");
    work = tree.InsertItem(u"Work", root);
    beta = tree.InsertItem(u"beta gamma", work);
    delta = tree.InsertItem(u"delta_x", work);
    life = tree.InsertItem(u"Life", root);
    ray = tree.InsertItem(u"Gamma ray", life);
    gammas = tree.InsertItem(u"gammas and gamma", life);
    other = tree.InsertItem(u"Other", root);
    tree.Expand(root, TVE_EXPAND);
  }
  HTREEITEM root = nullptr, work = nullptr, beta = nullptr, delta = nullptr, life = nullptr, ray = nullptr,
            gammas = nullptr, other = nullptr;
};

TEST_F(TreeSearchTest, WalkingIgnoresExpansion) {
  std::vector<HTREEITEM> order;
  for (HTREEITEM h = root; h; h = tree.GetNextItem(h)) order.push_back(h);
  EXPECT_EQ(order, (std::vector<HTREEITEM>{root, work, beta, delta, life, ray, gammas, other}));
  std::vector<HTREEITEM> back;
  for (HTREEITEM h = tree.GetLastItem(nullptr); h; h = tree.GetPrevItem(h)) back.push_back(h);
  EXPECT_EQ(back, (std::vector<HTREEITEM>{other, gammas, ray, life, delta, beta, work, root}));
  EXPECT_EQ(tree.GetLastItem(work), delta);
  EXPECT_EQ(tree.GetNextItem(root, TVGN_CHILD), work);
}

TEST_F(TreeSearchTest, FindItemTable) {
  struct Case {
    const char* name;
    const char16_t* text;
    BOOL caseSensitive, down, wholeWord;
    HTREEITEM* start;
    HTREEITEM* expected;
  } cases[] = {
      {"the start item itself", u"gamma", FALSE, TRUE, FALSE, &beta, &beta},
      {"the start item before a longer text", u"life", FALSE, TRUE, FALSE, &life, &life},
      {"upwards, the start item itself", u"gamma", FALSE, FALSE, FALSE, &ray, &ray},
      {"next after the start", u"gamma", FALSE, TRUE, FALSE, &delta, &ray},
      {"wraps past the last item", u"gamma", FALSE, TRUE, FALSE, &other, &beta},
      {"wraps from the last item", u"beta", FALSE, TRUE, FALSE, &other, &beta},
      {"upwards wraps to the last item", u"gamma", FALSE, FALSE, FALSE, &work, &gammas},
      {"case sensitive", u"Gamma", TRUE, TRUE, FALSE, &beta, &ray},
      {"case sensitive misses", u"GAMMA", TRUE, TRUE, FALSE, &root, nullptr},
      {"whole word at the end", u"gamma", FALSE, TRUE, TRUE, &root, &beta},
      {"whole word at the start", u"gamma", FALSE, TRUE, TRUE, &delta, &ray},
      {"a later whole word in the same text", u"gamma", FALSE, TRUE, TRUE, &gammas, &gammas},
      {"followed by an underscore", u"delta", FALSE, TRUE, TRUE, &root, nullptr},
      {"preceded by an underscore", u"x", FALSE, TRUE, TRUE, &root, nullptr},
      {"inside a word", u"amm", FALSE, TRUE, TRUE, &root, nullptr},
      {"only match is the start", u"delta", FALSE, TRUE, FALSE, &delta, &delta},
      {"empty text", u"", FALSE, TRUE, FALSE, &root, nullptr},
  };
  for (const Case& c : cases) {
    HTREEITEM found = tree.FindItem(c.text, c.caseSensitive, c.down, c.wholeWord, *c.start);
    EXPECT_EQ(found, c.expected ? *c.expected : nullptr) << c.name;
  }
  // Without a start the search runs from the caret, the caret first.
  tree.SelectItem(ray);
  ExpectSane(tree);
  EXPECT_EQ(tree.FindItem(u"gamma"), ray);
  tree.SelectItem(delta);
  ExpectSane(tree);
  EXPECT_EQ(tree.FindItem(u"gamma"), ray);
  ExpectSane(tree);
}

// A text found at the start item is found there, not at a longer text
// after it; searching on from the next item moves on.
TEST_F(TreeTest, FindItemTestsItsStartItemFirst) {
  MakeTree();
  HTREEITEM alpha = tree.InsertItem(u"alpha");
  HTREEITEM alphabet = tree.InsertItem(u"alphabet");
  EXPECT_EQ(tree.FindItem(u"alpha", FALSE, TRUE, FALSE, alpha), alpha);
  EXPECT_EQ(tree.FindItem(u"alpha", FALSE, TRUE, FALSE, tree.GetNextItem(alpha)), alphabet);
  EXPECT_EQ(tree.FindItem(u"alpha", FALSE, FALSE, FALSE, alphabet), alphabet);
  ExpectSane(tree);
}

// A subclass may refuse matches.
class CNoLifeTree : public CTKTreeCtrl {
 public:
  HTREEITEM refused = nullptr;
  BOOL IsFindValid(HTREEITEM hItem) override { return hItem != refused; }
};

TEST_F(TreeSearchTest, FindInChildrenSearchesEachSubtreeBeforeItsParent) {
  EXPECT_EQ(tree.FindInChildren(u"a", FALSE, FALSE, root), beta);
  EXPECT_EQ(tree.FindInChildren(u"life", FALSE, FALSE, root), life);
  EXPECT_EQ(tree.FindInChildren(u"gamma", FALSE, TRUE, life), ray);
  EXPECT_EQ(tree.FindInChildren(u"gamma", FALSE, FALSE, other), nullptr);  // no children
  EXPECT_EQ(tree.FindInChildren(u"nothing", FALSE, FALSE, root), nullptr);
}

TEST(TreeSearchVeto, IsFindValidRefusesMatches) {
  pvtest::ResetDesktop();
  CNotifyParent parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, u"p", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr));
  CNoLifeTree tree;
  ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 200), &parent, 1));
  HTREEITEM first = tree.InsertItem(u"gamma one");
  HTREEITEM second = tree.InsertItem(u"gamma two");
  tree.refused = second;
  EXPECT_EQ(tree.FindItem(u"gamma", FALSE, TRUE, FALSE, first), first);
  EXPECT_EQ(tree.FindItem(u"gamma", FALSE, TRUE, FALSE, second), first);
  EXPECT_EQ(tree.FindInChildren(u"two", FALSE, FALSE, nullptr), nullptr);
  tree.DestroyWindow();
  parent.DestroyWindow();
  pvtest::ResetDesktop();
}

}  // namespace
}  // namespace tktree
