// Message maps, reflection, command routing inside a window, CCmdUI on
// menus, and the handle maps.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "fw_fixture.h"
#include "platform/window/toolinfo.h"

namespace {

using fwtest::FrameworkTest;

constexpr UINT kCmdFirst = 40001;
constexpr UINT kNotifyCode = static_cast<UINT>(-2);  // a negative notification code (16-bit in the map)
UINT g_registered = 0;

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

class CProbeWnd : public CWnd {
 public:
  CPoint lastClick{-1, -1};
  UINT lastFlags = 0;
  CSize lastSize{-1, -1};
  UINT lastRange = 0;
  BOOL disableCmd = FALSE;

 protected:
  int OnCreate(LPCREATESTRUCT cs) {
    Calls().push_back("create");
    return CWnd::OnCreate(cs);
  }
  void OnSize(UINT, int cx, int cy) { lastSize = CSize(cx, cy); }
  void OnLButtonDown(UINT flags, CPoint pt) {
    lastFlags = flags;
    lastClick = pt;
  }
  LRESULT OnUserOne(WPARAM w, LPARAM l) { return static_cast<LRESULT>(w * 100 + l); }
  LRESULT OnRegistered(WPARAM w, LPARAM) { return static_cast<LRESULT>(w + 7); }
  void OnUserThree() { Calls().push_back("three"); }
  void OnRange(UINT id) {
    lastRange = id;
    Calls().push_back("range");
  }
  void OnUpdateRange(CCmdUI* ui) { ui->Enable(!disableCmd); }
  void OnChildNotify(NMHDR* nm, LRESULT* result) {
    Calls().push_back("parent-notify");
    *result = static_cast<LRESULT>(nm->idFrom);
  }
  void OnChildChange() { Calls().push_back("parent-change"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_LBUTTONDOWN()
ON_MESSAGE(WM_USER + 1, OnUserOne)
ON_MESSAGE_VOID(WM_USER + 3, OnUserThree)
ON_REGISTERED_MESSAGE(g_registered, OnRegistered)
ON_COMMAND_RANGE(kCmdFirst, kCmdFirst + 9, OnRange)
ON_UPDATE_COMMAND_UI_RANGE(kCmdFirst, kCmdFirst + 9, OnUpdateRange)
ON_NOTIFY(kNotifyCode, 7, OnChildNotify)
ON_EN_CHANGE(7, OnChildChange)
END_MESSAGE_MAP()

// A derived class replaces one handler and keeps the base's others.
class CProbeDerived : public CProbeWnd {
 public:
  int derivedSizes = 0;

 protected:
  void OnSize(UINT type, int cx, int cy) {
    ++derivedSizes;
    CProbeWnd::OnSize(type, cx, cy);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeDerived, CProbeWnd)
ON_WM_SIZE()
END_MESSAGE_MAP()

// A control that handles its own notifications (reflection).
class CReflectingChild : public CWnd {
 public:
  BOOL passChangeOn = FALSE;
  HBRUSH brush = nullptr;

 protected:
  void OnReflectedNotify(NMHDR*, LRESULT* result) {
    Calls().push_back("child-notify");
    *result = 99;
  }
  BOOL OnReflectedChange() {
    Calls().push_back("child-change");
    return !passChangeOn;
  }
  HBRUSH CtlColor(CDC*, UINT) { return brush; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingChild, CWnd)
ON_NOTIFY_REFLECT(kNotifyCode, OnReflectedNotify)
ON_CONTROL_REFLECT_EX(EN_CHANGE, OnReflectedChange)
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class MessageMapTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    Calls().clear();
    if (!g_registered) g_registered = ::RegisterWindowMessage(u"PvFrameworkTestMessage");
  }
};

TEST_F(MessageMapTest, WindowMessagesReachTypedHandlersThroughTheClassChain) {
  CProbeDerived wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"probe", WS_POPUP | WS_VISIBLE, 10, 20, 200, 100, nullptr, nullptr));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"create"}));
  EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);

  // The derived class's OnSize runs, then the base's.
  wnd.MoveWindow(10, 20, 150, 90);
  CRect client;
  wnd.GetClientRect(&client);
  EXPECT_GE(wnd.derivedSizes, 1);
  EXPECT_EQ(wnd.lastSize, CSize(client.Width(), client.Height()));

  // Input arrives cracked: flags and a client point.
  pv::test::ClickClient(wnd.m_hWnd, 12, 34);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(wnd.lastClick, CPoint(12, 34));

  // ON_MESSAGE and ON_REGISTERED_MESSAGE answer; unknown messages go on to the default.
  EXPECT_EQ(wnd.SendMessage(WM_USER + 1, 3, 4), 304);
  EXPECT_EQ(wnd.SendMessage(g_registered, 5, 0), 12);
  EXPECT_EQ(wnd.SendMessage(WM_USER + 2, 3, 4), 0);
  wnd.SendMessage(WM_USER + 3);
  EXPECT_EQ(Calls().back(), "three");
  wnd.DestroyWindow();
  EXPECT_EQ(wnd.m_hWnd, nullptr);
}

TEST_F(MessageMapTest, CommandsAndNotificationsRouteWithReflectionFirst) {
  CProbeWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, u"parent", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr));
  CReflectingChild child;
  ASSERT_TRUE(child.Create(nullptr, u"child", WS_VISIBLE, CRect(0, 0, 50, 20), &parent, 7));

  struct Case {
    const char* name;
    BOOL passOn;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"child handles its change alone", FALSE, {"child-change"}},
      {"child lets the parent see it too", TRUE, {"child-change", "parent-change"}},
  };
  for (const Case& c : cases) {
    Calls().clear();
    child.passChangeOn = c.passOn;
    ::SendMessage(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(7, EN_CHANGE), reinterpret_cast<LPARAM>(child.m_hWnd));
    EXPECT_EQ(Calls(), c.calls) << c.name;
  }

  // A reflected notification is the child's: the parent's handler never runs.
  Calls().clear();
  NMHDR nm{child.m_hWnd, 7, kNotifyCode};
  EXPECT_EQ(::SendMessage(parent.m_hWnd, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&nm)), 99);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"child-notify"}));
  // From a window without an object the parent's map answers.
  HWND raw = ::CreateWindowEx(0, u"Static", u"", WS_CHILD, 0, 0, 5, 5, parent.m_hWnd,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(7)), nullptr, nullptr);
  Calls().clear();
  NMHDR nm2{raw, 7, kNotifyCode};
  EXPECT_EQ(::SendMessage(parent.m_hWnd, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&nm2)), 7);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"parent-notify"}));

  // WM_CTLCOLOR*: the child's brush wins; without one the parent's default answers.
  HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
  child.brush = red;
  HDC dc = ::GetDC(child.m_hWnd);
  EXPECT_EQ(::SendMessage(parent.m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(child.m_hWnd)),
            reinterpret_cast<LRESULT>(red));
  child.brush = nullptr;
  EXPECT_NE(::SendMessage(parent.m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(child.m_hWnd)),
            reinterpret_cast<LRESULT>(red));
  ::ReleaseDC(child.m_hWnd, dc);
  ::DeleteObject(red);

  // Menu commands: ranges carry the id; a command its update handler
  // disables is not carried out.
  Calls().clear();
  ::SendMessage(parent.m_hWnd, WM_COMMAND, kCmdFirst + 4, 0);
  EXPECT_EQ(parent.lastRange, kCmdFirst + 4);
  parent.disableCmd = TRUE;
  parent.lastRange = 0;
  ::SendMessage(parent.m_hWnd, WM_COMMAND, kCmdFirst + 5, 0);
  EXPECT_EQ(parent.lastRange, 0u);
  parent.DestroyWindow();
}

// Asking the same maps again and again, in any order, gives each id and
// code the same handler (or none) as the first time.
TEST_F(MessageMapTest, RepeatedLookupsKeepEachIdAndCodeToItsOwnHandler) {
  CProbeWnd base;
  CProbeDerived derived;
  const int notify = static_cast<int>(MAKELONG(LOWORD(kNotifyCode), WM_NOTIFY));
  const int change = static_cast<int>(MAKELONG(EN_CHANGE, WM_COMMAND));
  struct Case {
    CCmdTarget* target;
    UINT id;
    int code;
  } cases[] = {
      {&base, kCmdFirst + 4, CN_COMMAND},
      {&base, kCmdFirst + 4, CN_UPDATE_COMMAND_UI},
      {&base, kCmdFirst + 10, CN_COMMAND},
      {&base, 7, notify},
      {&base, 8, notify},
      {&base, 7, change},
      {&derived, kCmdFirst + 4, CN_COMMAND},
      {&derived, kCmdFirst + 9, CN_UPDATE_COMMAND_UI},
      {&derived, 7, notify},
      {&derived, 7, CN_COMMAND},
  };
  auto handler = [](const Case& c) {
    AFX_CMDHANDLERINFO info{};
    return c.target->OnCmdMsg(c.id, c.code, nullptr, &info) ? info.pmf : nullptr;
  };
  // Worked out once each, before any other lookup of the same map is kept.
  std::vector<decltype(handler(cases[0]))> first;
  for (const Case& c : cases) first.push_back(handler(c));
  EXPECT_NE(first[0], nullptr);
  EXPECT_NE(first[1], nullptr);
  EXPECT_NE(first[0], first[1]);  // the command and its update handler
  EXPECT_EQ(first[2], nullptr);   // past the range
  EXPECT_NE(first[3], nullptr);
  EXPECT_EQ(first[4], nullptr);  // another control's notification
  EXPECT_NE(first[5], nullptr);
  EXPECT_NE(first[5], first[3]);
  EXPECT_EQ(first[6], first[0]);  // the derived class keeps its base's handlers
  EXPECT_EQ(first[7], first[1]);
  EXPECT_EQ(first[8], first[3]);
  EXPECT_EQ(first[9], nullptr);
  for (int pass = 0; pass < 3; ++pass)
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      const std::size_t k = pass % 2 ? std::size(cases) - 1 - i : i;
      EXPECT_EQ(handler(cases[k]), first[k]) << "case " << k << ", pass " << pass;
    }
}

// Objects that delete themselves when their window goes.
class CSelfDeleting : public CWnd {
 public:
  static int alive;
  CSelfDeleting() { ++alive; }
  ~CSelfDeleting() override { --alive; }
  void PostNcDestroy() override { delete this; }
};
int CSelfDeleting::alive = 0;

TEST_F(MessageMapTest, HandleMapsHoldNothingAfterCreateDestroyCycles) {
  for (int round = 0; round < 40; ++round) {
    auto* owner = new CSelfDeleting;
    ASSERT_TRUE(owner->CreateEx(0, nullptr, u"top", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    auto* kid = new CSelfDeleting;
    ASSERT_TRUE(kid->Create(nullptr, u"kid", 0, CRect(0, 0, 10, 10), owner, 5));
    // Windows nobody bound get temporary objects, until idle time.
    HWND raw = ::CreateWindowEx(0, u"Static", u"raw", WS_CHILD, 0, 0, 5, 5, owner->m_hWnd, nullptr, nullptr, nullptr);
    CWnd* temp = CWnd::FromHandle(raw);
    EXPECT_EQ(CWnd::FromHandle(raw), temp);
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
    EXPECT_EQ(owner->GetDlgItem(5), kid);
    CDC* dc = owner->GetDC();
    CMenu::FromHandle(::CreatePopupMenu())->DestroyMenu();
    owner->ReleaseDC(dc);
    EXPECT_GE(AfxTemporaryWindowCount(), 1);
    ::DestroyWindow(owner->m_hWnd);  // takes the child and itself along
    AfxDeleteTempMaps();
    EXPECT_EQ(CSelfDeleting::alive, 0);
    EXPECT_EQ(AfxPermanentWindowCount(), 0);
    EXPECT_EQ(AfxTemporaryWindowCount(), 0);
    EXPECT_EQ(AfxTemporaryDCCount(), 0);
    EXPECT_EQ(AfxTemporaryMenuCount(), 0);
  }
}

// A frame that refuses to be created deletes itself once, and nothing
// touches it afterwards.
class CRefusingFrame : public CFrameWnd {
 public:
  static int alive;
  CRefusingFrame() { ++alive; }
  ~CRefusingFrame() override { --alive; }

 protected:
  int OnCreate(LPCREATESTRUCT) { return -1; }
  DECLARE_MESSAGE_MAP()
};
int CRefusingFrame::alive = 0;
BEGIN_MESSAGE_MAP(CRefusingFrame, CFrameWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

TEST_F(MessageMapTest, FailedCreationFreesSelfDeletingObjectsOnce) {
  auto* frame = new CRefusingFrame;
  EXPECT_FALSE(frame->Create(nullptr, u"refused"));
  EXPECT_EQ(CRefusingFrame::alive, 0);
  EXPECT_EQ(AfxPermanentWindowCount(), 0);
  // An unknown class fails before any window exists; the object stays the caller's.
  CWnd plain;
  EXPECT_FALSE(plain.CreateEx(0, u"NoSuchClass", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr));
  EXPECT_EQ(plain.m_hWnd, nullptr);
  EXPECT_TRUE(AfxUnhookWindowCreate());  // nothing left pending
  auto* unknown = new CRefusingFrame;
  EXPECT_FALSE(unknown->Create(u"NoSuchClass", u"never"));
  EXPECT_EQ(CRefusingFrame::alive, 0);
}

// Temporary objects a thread leaves behind die with it (the leak checker
// of the sanitizer build would report them otherwise).
TEST_F(MessageMapTest, TemporaryObjectsOfAFinishedThreadAreFreed) {
  HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
  HMENU menu = ::CreatePopupMenu();
  int seen = 0;
  std::thread worker([&] {
    CBrush::FromHandle(brush);
    CMenu::FromHandle(menu);
    seen = AfxTemporaryGdiObjectCount() + AfxTemporaryMenuCount();
  });
  worker.join();
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(AfxTemporaryGdiObjectCount(), 0);  // the maps are per thread
  ::DeleteObject(brush);
  ::DestroyMenu(menu);
}

TEST_F(MessageMapTest, SubclassingBindsAnExistingWindowAndGivesItBack) {
  HWND raw = ::CreateWindowEx(0, u"Static", u"raw", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  WNDPROC before = reinterpret_cast<WNDPROC>(::GetWindowLongPtr(raw, GWLP_WNDPROC));
  {
    CProbeWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(raw));
    EXPECT_FALSE(CProbeWnd().Attach(nullptr));
    EXPECT_EQ(::SendMessage(raw, WM_USER + 1, 1, 2), 102);
    // The original procedure still gets what the map leaves alone.
    ::SetWindowText(raw, u"changed");
    EXPECT_EQ(fwtest::TextOf(raw), CString(u"changed"));
    EXPECT_EQ(wnd.UnsubclassWindow(), raw);
  }
  EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtr(raw, GWLP_WNDPROC)), before);
  EXPECT_EQ(::SendMessage(raw, WM_USER + 1, 1, 2), 0);
  ::DestroyWindow(raw);
}

// A frame updating a popup menu through its update handlers.
class CMenuFrame : public CFrameWnd {
 public:
  BOOL enableA = TRUE;
  int checkB = 1;

 protected:
  void OnA() {}
  void OnB() {}
  void OnUpdateA(CCmdUI* ui) { ui->Enable(enableA); }
  void OnUpdateB(CCmdUI* ui) { ui->SetCheck(checkB); }
  void OnUpdateText(CCmdUI* ui) { ui->SetText(u"Renamed"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMenuFrame, CFrameWnd)
ON_COMMAND(kCmdFirst, OnA)
ON_COMMAND(kCmdFirst + 1, OnB)
ON_UPDATE_COMMAND_UI(kCmdFirst, OnUpdateA)
ON_UPDATE_COMMAND_UI(kCmdFirst + 1, OnUpdateB)
ON_UPDATE_COMMAND_UI(kCmdFirst + 3, OnUpdateText)
END_MESSAGE_MAP()

TEST_F(MessageMapTest, MenuItemsFollowUpdateHandlersAndUnhandledOnesAreDisabled) {
  auto* frame = new CMenuFrame;
  ASSERT_TRUE(frame->Create(nullptr, u"Menus", WS_OVERLAPPEDWINDOW));
  CMenu popup;
  popup.CreatePopupMenu();
  popup.AppendMenu(MF_STRING, kCmdFirst, u"A");
  popup.AppendMenu(MF_STRING, kCmdFirst + 1, u"B");
  popup.AppendMenu(MF_SEPARATOR);
  popup.AppendMenu(MF_STRING, kCmdFirst + 2, u"Nobody handles me");
  popup.AppendMenu(MF_STRING, kCmdFirst + 3, u"Text");

  struct Case {
    BOOL enableA;
    int checkB;
  };
  for (Case c : {Case{TRUE, 1}, Case{FALSE, 0}}) {
    frame->enableA = c.enableA;
    frame->checkB = c.checkB;
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup.m_hMenu), 0);
    EXPECT_EQ((popup.GetMenuState(kCmdFirst, MF_BYCOMMAND) & MF_GRAYED) == 0, c.enableA != FALSE);
    EXPECT_EQ((popup.GetMenuState(kCmdFirst + 1, MF_BYCOMMAND) & MF_CHECKED) != 0, c.checkB != 0);
    EXPECT_TRUE(popup.GetMenuState(kCmdFirst + 2, MF_BYCOMMAND) & MF_GRAYED);
    CString text;
    popup.GetMenuString(kCmdFirst + 3, text, MF_BYCOMMAND);
    EXPECT_EQ(text, CString(u"Renamed"));
  }
  frame->DestroyWindow();
}

TEST_F(MessageMapTest, DialogControlsFollowTheirUpdateHandlers) {
  CProbeWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, u"p", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
  auto make = [&](LPCTSTR cls, UINT id) {
    return ::CreateWindowEx(0, cls, u"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent.m_hWnd,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
  };
  HWND handled = make(u"Button", kCmdFirst + 1);
  HWND orphanButton = make(u"Button", kCmdFirst + 20);
  HWND orphanStatic = make(u"Static", kCmdFirst + 21);
  HWND ok = make(u"Button", IDOK);
  struct Case {
    BOOL disableCmd;
    BOOL disableIfNoHandler;
    bool handledOn, orphanButtonOn;
  };
  for (Case c : {Case{FALSE, TRUE, true, false}, Case{TRUE, FALSE, false, true}}) {
    ::EnableWindow(orphanButton, TRUE);
    parent.disableCmd = c.disableCmd;
    parent.UpdateDialogControls(&parent, c.disableIfNoHandler);
    EXPECT_EQ(::IsWindowEnabled(handled) != FALSE, c.handledOn);
    EXPECT_EQ(::IsWindowEnabled(orphanButton) != FALSE, c.orphanButtonOn);
    EXPECT_TRUE(::IsWindowEnabled(orphanStatic));  // only buttons lose their state for want of a handler
    EXPECT_TRUE(::IsWindowEnabled(ok));            // OK and Cancel always work
  }
  parent.DestroyWindow();
}

TEST_F(MessageMapTest, DescendantsGetMessagesAndNullObjectsAnswerNullHandles) {
  CProbeWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, u"p", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
  CProbeWnd a, b;
  ASSERT_TRUE(a.Create(nullptr, u"a", 0, CRect(0, 0, 10, 10), &parent, 1));
  ASSERT_TRUE(b.Create(nullptr, u"b", 0, CRect(0, 0, 5, 5), &a, 2));
  Calls().clear();
  parent.SendMessageToDescendants(WM_COMMAND, kCmdFirst + 1, 0, TRUE, TRUE);
  EXPECT_EQ(Calls().size(), 2u);
  Calls().clear();
  parent.SendMessageToDescendants(WM_COMMAND, kCmdFirst + 1, 0, FALSE, TRUE);
  EXPECT_EQ(Calls().size(), 1u);
  EXPECT_EQ(parent.GetDescendantWindow(2), &b);
  CWnd* none = nullptr;
  EXPECT_EQ(CWnd::HwndOf(none), nullptr);
  parent.DestroyWindow();
}

TEST_F(MessageMapTest, DefaultToolHitTestNamesTheVisibleChildUnderThePoint) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, u"p", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr));
  constexpr DWORD kGroupBox = 0x07;
  HWND group = ::CreateWindowEx(0, u"Button", u"g", WS_CHILD | WS_VISIBLE | kGroupBox, 0, 0, 150, 150, parent.m_hWnd,
                                reinterpret_cast<HMENU>(10), nullptr, nullptr);
  HWND inside = ::CreateWindowEx(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 20, 20, 50, 20, parent.m_hWnd,
                                 reinterpret_cast<HMENU>(11), nullptr, nullptr);
  HWND hidden = ::CreateWindowEx(0, u"Edit", u"", WS_CHILD, 160, 160, 30, 30, parent.m_hWnd,
                                 reinterpret_cast<HMENU>(12), nullptr, nullptr);
  ASSERT_TRUE(group && inside && hidden);
  struct Case {
    const char* name;
    CPoint point;
    INT_PTR id;
    HWND tool;
  } cases[] = {
      {"a child inside a group box", {30, 25}, 11, inside},
      {"only the group box", {100, 100}, -1, nullptr},
      {"a hidden child", {170, 170}, -1, nullptr},
      {"no child at all", {190, 5}, -1, nullptr},
  };
  for (const Case& c : cases) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    EXPECT_EQ(parent.OnToolHitTest(c.point, &ti), c.id) << c.name;
    EXPECT_EQ(reinterpret_cast<HWND>(ti.uId), c.tool) << c.name;
    if (c.tool) {
      EXPECT_EQ(ti.hwnd, parent.m_hWnd) << c.name;
      EXPECT_TRUE(ti.uFlags & TTF_IDISHWND) << c.name;
      EXPECT_EQ(ti.lpszText, LPSTR_TEXTCALLBACK) << c.name;
    }
  }
  // A record too small to hold the tool is left alone; the id still answers.
  TOOLINFOW tiny{};
  tiny.cbSize = 8;
  EXPECT_EQ(parent.OnToolHitTest(CPoint(30, 25), &tiny), 11);
  EXPECT_EQ(tiny.hwnd, nullptr);
  EXPECT_EQ(parent.OnToolHitTest(CPoint(30, 25), nullptr), 11);
  parent.DestroyWindow();
}

struct CountedThreadData : CNoTrackObject {
  static inline std::atomic<int> alive{0};
  int uses = 0;
  CountedThreadData() { ++alive; }
  ~CountedThreadData() override { --alive; }
};
CThreadLocal<CountedThreadData> g_threadData;

TEST_F(MessageMapTest, ThreadLocalDataIsMadeOncePerThreadAndFreedWithIt) {
  CountedThreadData* mine = g_threadData.GetData();
  int usesBefore = mine->uses++;
  EXPECT_EQ(g_threadData.GetData(), mine);
  int before = CountedThreadData::alive;
  CountedThreadData* theirs = nullptr;
  int theirUses = -1;
  std::thread([&] {
    theirs = g_threadData.GetData();
    theirUses = theirs->uses;
  }).join();
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(theirUses, 0);
  EXPECT_EQ(CountedThreadData::alive, before);  // the other thread's went with it
  EXPECT_EQ(g_threadData->uses, usesBefore + 1);
}

// A map whose registered message is not registered when it is first asked.
UINT g_late = 0;
class CLateWnd : public CWnd {
 protected:
  LRESULT OnLate(WPARAM, LPARAM) { return 5; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CLateWnd, CWnd)
ON_REGISTERED_MESSAGE(g_late, OnLate)
END_MESSAGE_MAP()

TEST_F(MessageMapTest, LookupsGiveTheSameAnswersEveryTimeOnEveryThread) {
  CProbeWnd base;
  CProbeDerived derived;
  const AFX_MSGMAP* maps[] = {static_cast<CCmdTarget&>(base).GetMessageMap(),
                              static_cast<CCmdTarget&>(derived).GetMessageMap()};
  // Every question asked three times, interleaved so that answers kept for
  // one id, code or map are asked for another.
  auto answers = [&] {
    std::vector<const AFX_MSGMAP_ENTRY*> all;
    for (int pass = 0; pass < 3; ++pass)
      for (UINT id = kCmdFirst - 300; id < kCmdFirst + 300; ++id)
        for (const AFX_MSGMAP* map : maps)
          for (int code : {static_cast<int>(CN_COMMAND), static_cast<int>(CN_UPDATE_COMMAND_UI),
                           static_cast<int>(MAKELONG(static_cast<WORD>(kNotifyCode), WM_NOTIFY))})
            all.push_back(CCmdTarget::FindCommandEntry(map, id, code));
    return all;
  };
  const auto here = answers();
  const std::size_t perPass = here.size() / 3;
  for (std::size_t i = 0; i < perPass; ++i) {
    const std::size_t q = i % 3, idIndex = i / 6;
    const UINT id = kCmdFirst - 300 + static_cast<UINT>(idIndex);
    const bool inRange = id >= kCmdFirst && id <= kCmdFirst + 9;
    const AFX_MSGMAP_ENTRY* e = here[i];
    if (q == 2) {
      EXPECT_EQ(e != nullptr, id == 7) << id;  // the notification is only for child 7
    } else {
      ASSERT_EQ(e != nullptr, inRange) << id << " " << q;
      if (e) EXPECT_EQ(e->nCode == static_cast<UINT>(CN_UPDATE_COMMAND_UI), q == 1) << id;
    }
    EXPECT_EQ(here[i + perPass], e);
    EXPECT_EQ(here[i + 2 * perPass], e);
  }
  std::vector<const AFX_MSGMAP_ENTRY*> there;
  std::thread([&] { there = answers(); }).join();
  EXPECT_EQ(there, here);

  // A registered message's handler is found once the message is registered,
  // whatever was asked before.
  CLateWnd late;
  const AFX_MSGMAP* lateMap = static_cast<CCmdTarget&>(late).GetMessageMap();
  const UINT message = ::RegisterWindowMessage(u"PvFrameworkTestLateMessage");
  ASSERT_NE(message, 0u);
  EXPECT_EQ(CCmdTarget::FindMessageEntry(lateMap, message), nullptr);
  EXPECT_EQ(CCmdTarget::FindMessageEntry(lateMap, message), nullptr);
  g_late = message;
  const AFX_MSGMAP_ENTRY* found = CCmdTarget::FindMessageEntry(lateMap, message);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->pnRegMsg, &g_late);
  EXPECT_EQ(CCmdTarget::FindMessageEntry(lateMap, message), found);
  g_late = 0;
}

}  // namespace
