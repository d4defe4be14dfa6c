// The trees' container: a notification from a tree in it reaches the
// tree's own reflected handlers and then the frame's handlers, each once,
// and working in a tree makes its pane the active one.
#include "app/views/treepanes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls/commctrl.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"

namespace {

constexpr UINT kTreeId = 4101, kOtherTreeId = 4102;
constexpr UINT kProbeCode = static_cast<UINT>(-760);

std::vector<std::string>& Heard() {
  static std::vector<std::string> heard;
  return heard;
}

class CProbeTree : public CWnd {
 public:
  BOOL handles = FALSE;  // what the reflected handler answers

 protected:
  BOOL OnReflected(NMHDR*, LRESULT* result) {
    Heard().push_back("tree");
    if (handles) *result = 7;
    return handles;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CProbeTree, CWnd)
ON_NOTIFY_REFLECT_EX(kProbeCode, OnReflected)
END_MESSAGE_MAP()

class CProbeFrame : public CFrameWnd {
 public:
  BOOL passesOn = FALSE;  // the handler lets the notification go on

 protected:
  BOOL OnProbe(UINT, NMHDR*, LRESULT* result) {
    Heard().push_back("frame");
    *result = 11;
    return !passesOn;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CProbeFrame, CFrameWnd)
ON_NOTIFY_EX(kProbeCode, kTreeId, OnProbe)
END_MESSAGE_MAP()

class TreePanesTest : public ::testing::Test {
 protected:
  void SetUp() override { pvtest::ResetDesktop(); }
  void TearDown() override {
    pvtest::ResetDesktop();
    AfxDeleteTempMaps();
  }
};

TEST_F(TreePanesTest, ATreesNotificationReachesEachHandlerOnce) {
  struct Case {
    const char* name;
    BOOL treeHandles, framePassesOn;
    std::vector<std::string> heard;
    LRESULT result;
  };
  const Case cases[] = {
      {"the tree handles it", TRUE, FALSE, {"tree"}, 7},
      {"the frame takes it", FALSE, FALSE, {"tree", "frame"}, 11},
      // Nobody else handles it: the frame's handler still hears it once.
      {"the frame lets it go on", FALSE, TRUE, {"tree", "frame"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* frame = new CProbeFrame;  // deletes itself when destroyed
    ASSERT_TRUE(frame->Create(nullptr, u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 600, 400)));
    frame->passesOn = c.framePassesOn;
    CTreePaneBar bar;
    ASSERT_TRUE(bar.Create(frame, AFX_IDW_CONTROLBAR_FIRST + 40));
    CProbeTree tree, other;
    ASSERT_TRUE(tree.Create(nullptr, u"tree", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), frame, kTreeId));
    ASSERT_TRUE(other.Create(nullptr, u"other", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), frame, kOtherTreeId));
    tree.handles = c.treeHandles;
    bar.AttachPane(1, u"Work View", &other);
    bar.AttachPane(2, u"Date View", &tree);
    bar.SelectPane(1);

    Heard().clear();
    NMHDR nm{tree.m_hWnd, kTreeId, kProbeCode};
    const LRESULT result = ::SendMessage(bar.m_hWnd, WM_NOTIFY, kTreeId, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(Heard(), c.heard);
    EXPECT_EQ(result, c.result);
    // Only clicks and focus make a tree's pane the active one.
    EXPECT_EQ(bar.GetActivePaneId(), 1u);
    NMHDR click{tree.m_hWnd, kTreeId, static_cast<UINT>(NM_CLICK)};
    ::SendMessage(bar.m_hWnd, WM_NOTIFY, kTreeId, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(bar.GetActivePaneId(), 2u);

    tree.DestroyWindow();
    other.DestroyWindow();
    bar.DestroyWindow();
    frame->DestroyWindow();
  }
}

}  // namespace
