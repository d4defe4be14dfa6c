// A small MDI application built only for these tests: a main frame, note
// documents shown in form views, commands routed through view, document,
// template, frames and application, accelerators, idle updates, titles
// and the recent-file list in the registry file.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fw_fixture.h"

namespace {

using fwtest::FrameworkTest;

constexpr UINT IDR_NOTETYPE = 129;
constexpr UINT IDD_NOTEFORM = 200;
constexpr UINT IDC_NAME = 1001;
constexpr UINT IDC_DONE = 1002;
constexpr UINT ID_ROUTE = 32801;
constexpr UINT ID_TOGGLE = 32802;

std::vector<std::string>& Route() {
  static std::vector<std::string> r;
  return r;
}
// Which targets accept ID_ROUTE (the others pass it on).
std::vector<std::string>& Accepting() {
  static std::vector<std::string> a;
  return a;
}
bool Takes(const char* who) {
  Route().push_back(who);
  return std::find(Accepting().begin(), Accepting().end(), who) != Accepting().end();
}

class CNoteDoc : public CDocument {
  DECLARE_DYNCREATE(CNoteDoc)
 public:
  CString m_name = u"first";
  int m_done = 1;
  BOOL m_toggleEnabled = TRUE;
  int m_toggleCheck = 0;

 protected:
  BOOL OnRoute(UINT) { return Takes("doc"); }
  void OnUpdateToggle(CCmdUI* ui) {
    ui->Enable(m_toggleEnabled);
    ui->SetCheck(m_toggleCheck);
  }
  void OnToggle() { m_toggleCheck = !m_toggleCheck; }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CNoteDoc, CDocument)
BEGIN_MESSAGE_MAP(CNoteDoc, CDocument)
ON_COMMAND_EX(ID_ROUTE, OnRoute)
ON_UPDATE_COMMAND_UI(ID_TOGGLE, OnUpdateToggle)
ON_COMMAND(ID_TOGGLE, OnToggle)
END_MESSAGE_MAP()

class CNoteView : public CFormView {
  DECLARE_DYNCREATE(CNoteView)
 public:
  CNoteView() : CFormView(IDD_NOTEFORM) {}
  CNoteDoc* GetDoc() const { return static_cast<CNoteDoc*>(GetDocument()); }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_NAME, GetDoc()->m_name);
    DDV_MaxChars(pDX, GetDoc()->m_name, 8);
    DDX_Check(pDX, IDC_DONE, GetDoc()->m_done);
  }

 protected:
  BOOL OnRoute(UINT) { return Takes("view"); }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CNoteView, CFormView)
BEGIN_MESSAGE_MAP(CNoteView, CFormView)
ON_COMMAND_EX(ID_ROUTE, OnRoute)
END_MESSAGE_MAP()

class CChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CChildFrame)

 protected:
  BOOL OnRoute(UINT) { return Takes("child"); }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CChildFrame, CMDIChildWnd)
BEGIN_MESSAGE_MAP(CChildFrame, CMDIChildWnd)
ON_COMMAND_EX(ID_ROUTE, OnRoute)
END_MESSAGE_MAP()

// A bar that shows ID_TOGGLE's state at idle time, as a tool bar would.
class CStateBar : public CControlBar {
 public:
  CTestCmdUI state;
  int updates = 0;
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override {
    ++updates;
    state = CTestCmdUI();
    state.m_nID = ID_TOGGLE;
    state.DoUpdate(target, disableIfNoHandler);
  }
  CSize CalcFixedLayout(BOOL, BOOL) override { return CSize(32767, 20); }
};

class CMainFrame : public CMDIFrameWnd {
 public:
  CStateBar bar;
  CStateBar status;

 protected:
  int OnCreate(LPCREATESTRUCT cs) {
    if (CMDIFrameWnd::OnCreate(cs) == -1) return -1;
    bar.m_dwStyle = CBRS_TOP;
    bar.Create(nullptr, u"bar", WS_VISIBLE, CRect(0, 0, 10, 20), this, AFX_IDW_TOOLBAR);
    status.m_dwStyle = CBRS_BOTTOM;
    status.Create(nullptr, u"", WS_VISIBLE, CRect(0, 0, 10, 20), this, AFX_IDW_STATUS_BAR);
    RecalcLayout();
    return 0;
  }
  BOOL OnRoute(UINT) { return Takes("main"); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_COMMAND_EX(ID_ROUTE, OnRoute)
END_MESSAGE_MAP()

class CSampleApp : public CWinApp {
 public:
  CSampleApp() : CWinApp(u"Sample") {}
  CMultiDocTemplate* notes = nullptr;
  BOOL InitInstance() override {
    SetRegistryKey(u"Pravenor Tests");
    LoadStdProfileSettings(4);
    notes = new CMultiDocTemplate(IDR_NOTETYPE, RUNTIME_CLASS(CNoteDoc), RUNTIME_CLASS(CChildFrame),
                                  RUNTIME_CLASS(CNoteView));
    AddDocTemplate(notes);
    auto* main = new CMainFrame;
    if (!main->LoadFrame(IDR_MAINFRAME)) return FALSE;
    m_pMainWnd = main;
    main->ShowWindow(SW_SHOW);
    return TRUE;
  }

 protected:
  BOOL OnRoute(UINT) { return Takes("app"); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CSampleApp, CWinApp)
ON_COMMAND(ID_FILE_NEW, OnFileNew)
ON_COMMAND_EX(ID_ROUTE, OnRoute)
END_MESSAGE_MAP()

// The sample's resources.
void AddSampleResources(fwtest::Resources& res) {
  res.String(IDR_MAINFRAME, u"Sample");
  res.String(IDR_NOTETYPE, u"\nNote\nNote\nNote Files (*.note)\n.note\nSample.Note\nNote");
  res.String(ID_ROUTE, u"Routes a command\nRoute");
  pv::MenuTemplate mainMenu;
  mainMenu.items.push_back({pv::kMenuPopup,
                            0,
                            u"&File",
                            {{0, ID_FILE_NEW, u"&New\tCtrl+N", {}},
                             {0, ID_FILE_MRU_FILE1, u"Recent File", {}},
                             {0, ID_APP_EXIT, u"E&xit", {}}}});
  mainMenu.items.push_back({pv::kMenuPopup, 0, u"&Window", {{0, ID_WINDOW_CASCADE, u"&Cascade", {}}}});
  res.Add(4, IDR_MAINFRAME, pv::EncodeMenuResource(mainMenu));
  pv::MenuTemplate noteMenu = mainMenu;
  noteMenu.items.insert(
      noteMenu.items.begin() + 1,
      pv::MenuItemTemplate{
          pv::kMenuPopup, 0, u"&Note", {{0, ID_TOGGLE, u"&Toggle", {}}, {0, ID_ROUTE, u"&Route", {}}}});
  res.Add(4, IDR_NOTETYPE, pv::EncodeMenuResource(noteMenu));
  res.Add(9, IDR_MAINFRAME,
          fwtest::Accelerators({{FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW}, {FVIRTKEY | FCONTROL, 'R', ID_ROUTE}}));
  res.Add(9, IDR_NOTETYPE,
          fwtest::Accelerators({{FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW},
                                {FVIRTKEY | FCONTROL, 'R', ID_ROUTE},
                                {FVIRTKEY | FCONTROL, 'T', ID_TOGGLE}}));
  pv::DialogTemplate form;
  form.style = WS_CHILD | DS_SETFONT;
  form.cx = 160;
  form.cy = 60;
  form.pointSize = 8;
  form.faceName = u"MS Shell Dlg";
  form.items.push_back({WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 10, 10, 100, 14, IDC_NAME, u"Edit", u"", {}});
  form.items.push_back({WS_VISIBLE | WS_TABSTOP | 0x03, 0, 10, 30, 100, 12, IDC_DONE, u"Button", u"&Done", {}});
  res.Add(5, IDD_NOTEFORM, pv::EncodeDialogResource(form));
}

class MdiSampleTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    AddSampleResources(res_);
    res_.Register();
    Route().clear();
    Accepting().clear();
    app_ = std::make_unique<CSampleApp>();
    AfxWinInit(nullptr, nullptr, nullptr, SW_SHOW);
    ASSERT_TRUE(app_->InitApplication());
    ASSERT_TRUE(app_->InitInstance());
    main_ = static_cast<CMainFrame*>(app_->m_pMainWnd);
  }
  void TearDown() override {
    if (app_->m_pMainWnd && app_->m_pMainWnd->m_hWnd) app_->m_pMainWnd->SendMessage(WM_CLOSE);
    app_->ExitInstance();
    app_.reset();
    FrameworkTest::TearDown();
  }
  CNoteDoc* NewNote() {
    main_->SendMessage(WM_COMMAND, ID_FILE_NEW, 0);
    CMDIChildWnd* child = main_->MDIGetActive();
    return child ? static_cast<CNoteDoc*>(child->GetActiveDocument()) : nullptr;
  }
  fwtest::Resources res_;
  std::unique_ptr<CSampleApp> app_;
  CMainFrame* main_ = nullptr;
};

TEST_F(MdiSampleTest, TwoDocumentsGetChildFramesTitlesAndTheWindowList) {
  CNoteDoc* a = NewNote();
  CNoteDoc* b = NewNote();
  ASSERT_TRUE(a && b && a != b);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 2);
  EXPECT_EQ(a->GetTitle(), CString(u"Note1"));
  EXPECT_EQ(b->GetTitle(), CString(u"Note2"));
  // FWS_ADDTOTITLE: the application's title and the active document's.
  EXPECT_EQ(fwtest::TextOf(main_->m_hWnd), CString(u"Sample - Note2"));
  CMDIChildWnd* second = main_->MDIGetActive();
  EXPECT_EQ(fwtest::TextOf(second->m_hWnd), CString(u"Note2"));

  POSITION pos = a->GetFirstViewPosition();
  CView* viewA = a->GetNextView(pos);
  auto* childA = static_cast<CMDIChildWnd*>(viewA->GetParentFrame());
  main_->MDIActivate(childA);
  EXPECT_EQ(main_->MDIGetActive(), childA);
  EXPECT_EQ(fwtest::TextOf(main_->m_hWnd), CString(u"Sample - Note1"));

  // The child's menu is up, and its window menu lists both, the active one checked.
  CMenu* bar = main_->GetMenu();
  ASSERT_NE(bar, nullptr);
  CMenu* window = CMenu::FromHandle(main_->GetWindowMenuPopup(bar->m_hMenu));
  ASSERT_NE(window, nullptr);
  CString first, secondText;
  window->GetMenuString(AFX_IDM_FIRST_MDICHILD, first, MF_BYCOMMAND);
  window->GetMenuString(AFX_IDM_FIRST_MDICHILD + 1, secondText, MF_BYCOMMAND);
  EXPECT_EQ(first, CString(u"&1 Note1"));
  EXPECT_EQ(secondText, CString(u"&2 Note2"));
  EXPECT_TRUE(window->GetMenuState(AFX_IDM_FIRST_MDICHILD, MF_BYCOMMAND) & MF_CHECKED);

  // Choosing the second entry activates that child.
  main_->SendMessage(WM_COMMAND, AFX_IDM_FIRST_MDICHILD + 1, 0);
  EXPECT_EQ(main_->MDIGetActive(), second);

  // Closing a child closes its document; the other stays.
  second->SendMessage(WM_CLOSE);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 1);
  EXPECT_EQ(main_->MDIGetActive(), childA);
}

// In a form inside a frame, Alt with a letter no field uses opens the
// frame's menu instead of typing the letter.
TEST_F(MdiSampleTest, AltAndALetterInAFormOpenTheFramesMenu) {
  CNoteDoc* doc = NewNote();
  ASSERT_NE(doc, nullptr);
  HWND name = ::GetDlgItem(main_->MDIGetActive()->GetActiveView()->m_hWnd, IDC_NAME);
  ::SetFocus(name);
  fwtest::Pump();
  ASSERT_EQ(doc->m_toggleCheck, 0);
  pv::test::Chord(FALT, 'N');  // the Note menu
  pv::test::KeyPress('T');     // its Toggle
  fwtest::Pump();
  EXPECT_EQ(doc->m_toggleCheck, 1);
  EXPECT_EQ(fwtest::TextOf(name), CString(u"first"));
  EXPECT_EQ(::GetFocus(), name);
  // A letter a field of the form uses still goes to that field.
  pv::test::Chord(FALT, 'D');
  fwtest::Pump();
  EXPECT_EQ(::GetFocus(), ::GetDlgItem(main_->MDIGetActive()->GetActiveView()->m_hWnd, IDC_DONE));
  EXPECT_EQ(doc->m_toggleCheck, 1);
}

// A view smaller than its form shows scroll bars; the bars (and the wheel)
// bring the rest of the form into view, and a larger view takes them away.
TEST_F(MdiSampleTest, AFormLargerThanItsViewScrollsToItsHiddenParts) {
  ASSERT_NE(NewNote(), nullptr);
  CMDIChildWnd* child = main_->MDIGetActive();
  auto* view = static_cast<CFormView*>(child->GetActiveView());
  HWND done = ::GetDlgItem(view->m_hWnd, IDC_DONE);
  // The frame a little smaller than the form: the check box is out of view.
  const CSize form = view->GetTotalSize();
  CRect frame, client;
  child->GetWindowRect(&frame);
  view->GetClientRect(&client);
  child->SetWindowPos(nullptr, 0, 0, frame.Width() - client.Width() + form.cx / 2,
                      frame.Height() - client.Height() + form.cy / 2, SWP_NOMOVE | SWP_NOZORDER);
  fwtest::Pump();
  ASSERT_TRUE(view->GetStyle() & WS_VSCROLL);
  ASSERT_TRUE(view->GetStyle() & WS_HSCROLL);
  auto shown = [&] {
    CRect inView, box;
    view->GetClientRect(&inView);
    view->ClientToScreen(&inView);
    ::GetWindowRect(done, &box);
    return inView.top <= box.top && box.bottom <= inView.bottom;
  };
  EXPECT_FALSE(shown());

  // Clicks on the lower arrow of the vertical bar, on the screen.
  CRect inside;
  view->GetClientRect(&inside);
  view->ClientToScreen(&inside);
  const POINT arrow{inside.right + ::GetSystemMetrics(SM_CXVSCROLL) / 2,
                    inside.bottom - ::GetSystemMetrics(SM_CYVSCROLL) / 2};
  for (int i = 0; i < 10 && !shown(); ++i) {
    pv::Clock::AdvanceBy(::GetDoubleClickTime() + 1);
    pv::test::Click(arrow.x, arrow.y);
    fwtest::Pump();
  }
  EXPECT_TRUE(shown());
  EXPECT_GT(view->GetScrollPosition().y, 0);
  EXPECT_EQ(::GetScrollPos(view->m_hWnd, SB_VERT), view->GetScrollPosition().y);
  // The wheel away from the user goes back to the top.
  POINT centre{(inside.left + inside.right) / 2, (inside.top + inside.bottom) / 2};
  pv::test::Wheel(5 * WHEEL_DELTA, centre.x, centre.y);
  fwtest::Pump();
  EXPECT_EQ(view->GetScrollPosition().y, 0);
  EXPECT_FALSE(shown());
  // The name field scrolled back in is drawn again: its frame's top line.
  HWND name = ::GetDlgItem(view->m_hWnd, IDC_NAME);
  int frameInk = 0;
  for (int x = 2; x < 30; ++x)
    if (pv::test::WindowPixelNc(name, x, 0) != ::GetSysColor(COLOR_BTNFACE)) ++frameInk;
  EXPECT_GT(frameInk, 20);

  // Room for the whole form: no bars, the form at its place.
  child->SetWindowPos(nullptr, 0, 0, frame.Width() + form.cx, frame.Height() + form.cy, SWP_NOMOVE | SWP_NOZORDER);
  fwtest::Pump();
  EXPECT_FALSE(view->GetStyle() & (WS_VSCROLL | WS_HSCROLL));
  EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 0));
  EXPECT_TRUE(shown());
}

// A title with "&" is listed as it reads: the menu shows the character, and
// its letter after it is no mnemonic.
TEST_F(MdiSampleTest, TheWindowListShowsAmpersandsInTitlesAsTyped) {
  CNoteDoc* doc = NewNote();
  ASSERT_NE(doc, nullptr);
  doc->SetTitle(u"Plant tomatoes & beans");
  CMDIChildWnd* child = main_->MDIGetActive();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(fwtest::TextOf(child->m_hWnd), CString(u"Plant tomatoes & beans"));
  CMenu* window = CMenu::FromHandle(main_->GetWindowMenuPopup(main_->GetMenu()->m_hMenu));
  ASSERT_NE(window, nullptr);
  CString item;
  window->GetMenuString(AFX_IDM_FIRST_MDICHILD, item, MF_BYCOMMAND);
  EXPECT_EQ(item, CString(u"&1 Plant tomatoes && beans"));
}

// What the frame's menu bar holds besides the menus: the system menu of a
// maximised child first, its caption buttons last.
struct BarDecoration {
  HMENU systemMenu = nullptr;
  std::vector<UINT> buttons;
  bool rightJustified = false;
};
BarDecoration DecorationOf(HMENU bar) {
  BarDecoration d;
  int n = ::GetMenuItemCount(bar);
  for (int i = 0; i < n; ++i) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_BITMAP | MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
    ::GetMenuItemInfoW(bar, static_cast<UINT>(i), TRUE, &mii);
    if (!mii.hbmpItem) continue;
    if (mii.hbmpItem == HBMMENU_SYSTEM) {
      d.systemMenu = mii.hSubMenu;
      continue;
    }
    if (d.buttons.empty()) d.rightJustified = (mii.fType & MFT_RIGHTJUSTIFY) != 0;
    d.buttons.push_back(mii.wID);
  }
  return d;
}

TEST_F(MdiSampleTest, AMaximisedChildShowsItsSystemMenuAndCaptionButtonsInTheFrameMenuBar) {
  CNoteDoc* a = NewNote();
  CNoteDoc* b = NewNote();
  ASSERT_TRUE(a && b);
  auto* childB = main_->MDIGetActive();
  POSITION pos = a->GetFirstViewPosition();
  auto* childA = static_cast<CMDIChildWnd*>(a->GetNextView(pos)->GetParentFrame());
  HMENU bar = main_->GetMenu()->m_hMenu;
  const int plain = ::GetMenuItemCount(bar);
  const std::vector<UINT> buttons = {SC_MINIMIZE, SC_RESTORE, SC_CLOSE};
  EXPECT_EQ(DecorationOf(bar).systemMenu, nullptr);

  main_->MDIMaximize(childB);
  BOOL maximized = FALSE;
  EXPECT_EQ(main_->MDIGetActive(&maximized), childB);
  EXPECT_TRUE(maximized);
  EXPECT_EQ(::GetMenuItemCount(bar), plain + 4);
  BarDecoration d = DecorationOf(bar);
  EXPECT_EQ(d.systemMenu, ::GetSystemMenu(childB->m_hWnd, FALSE));
  EXPECT_EQ(d.buttons, buttons);
  EXPECT_TRUE(d.rightJustified);
  // The window list still finds the window menu.
  EXPECT_NE(main_->GetWindowMenuPopup(bar), nullptr);

  // Drawn: the close button sits at the right end of the bar with its cross.
  pv::test::PumpUntilIdle();
  RECT close{}, frame{}, client{};
  ASSERT_TRUE(::GetMenuItemRect(main_->m_hWnd, bar, static_cast<UINT>(plain + 3), &close));
  ::GetWindowRect(main_->m_hWnd, &frame);
  main_->GetClientRect(&client);
  main_->ClientToScreen(&client);
  EXPECT_NEAR(close.right, client.right, 2);
  EXPECT_EQ(pv::test::WindowPixelNc(main_->m_hWnd, (close.left + close.right) / 2 - frame.left,
                                    (close.top + close.bottom) / 2 - frame.top),
            ::GetSysColor(COLOR_BTNTEXT));

  // Activating the other child hands the maximised state and the buttons on.
  main_->MDIActivate(childA);
  EXPECT_TRUE(childA->IsZoomed());
  EXPECT_FALSE(childB->IsZoomed());
  EXPECT_EQ(::GetMenuItemCount(bar), plain + 4);
  EXPECT_EQ(DecorationOf(bar).systemMenu, ::GetSystemMenu(childA->m_hWnd, FALSE));

  // The restore button gives the bar back its own items.
  main_->SendMessage(WM_COMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(childA->IsZoomed());
  EXPECT_EQ(::GetMenuItemCount(bar), plain);
  EXPECT_EQ(DecorationOf(bar).systemMenu, nullptr);

  // Restore chosen from the system menu on the bar, by mouse and keyboard.
  main_->MDIMaximize(childA);
  pv::test::PumpUntilIdle();
  RECT icon{};
  ASSERT_TRUE(::GetMenuItemRect(main_->m_hWnd, bar, 0, &icon));
  pv::test::Click((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
  pv::test::KeyPress(VK_RETURN);  // the first item, "Restore"
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(childA->IsZoomed());
  EXPECT_EQ(::GetMenuItemCount(bar), plain);

  // Closing the maximised child leaves the next one maximised with the buttons.
  main_->MDIMaximize(childA);
  main_->SendMessage(WM_COMMAND, SC_CLOSE, 0);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(app_->GetOpenDocumentCount(), 1);
  EXPECT_EQ(main_->MDIGetActive(&maximized), childB);
  EXPECT_TRUE(maximized);
  EXPECT_EQ(DecorationOf(bar).systemMenu, ::GetSystemMenu(childB->m_hWnd, FALSE));
  EXPECT_EQ(::GetMenuItemCount(bar), plain + 4);
}

TEST_F(MdiSampleTest, TheClientScrollsOnlyWhileAChildLiesOutOfView) {
  ASSERT_TRUE(NewNote());
  CMDIChildWnd* child = main_->MDIGetActive();
  HWND client = main_->m_hWndMDIClient;
  auto bars = [&] { return static_cast<DWORD>(::GetWindowLong(client, GWL_STYLE)) & (WS_HSCROLL | WS_VSCROLL); };
  EXPECT_EQ(bars(), 0u);

  // Pushed half out to the right: a horizontal bar whose range reaches the child.
  RECT view{};
  ::GetClientRect(client, &view);
  child->SetWindowPos(nullptr, view.right - 50, 0, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(bars(), static_cast<DWORD>(WS_HSCROLL));
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  ASSERT_TRUE(::GetScrollInfo(client, SB_HORZ, &si));
  EXPECT_EQ(si.nPos, 0);
  EXPECT_EQ(si.nMax, view.right - 50 + 200 - 1);

  // Scrolling to the end brings the child into view and the bar goes.
  ::SendMessage(client, WM_HSCROLL, SB_BOTTOM, 0);
  RECT r{};
  child->GetWindowRect(&r);
  ::MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
  ::GetClientRect(client, &view);
  EXPECT_EQ(r.right, view.right);
  EXPECT_EQ(bars(), 0u);

  // Out to the bottom, then maximised: no bars while the child fills the view.
  child->SetWindowPos(nullptr, 0, view.bottom - 20, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(bars(), static_cast<DWORD>(WS_VSCROLL));
  main_->MDIMaximize(child);
  EXPECT_EQ(bars(), 0u);
}

TEST_F(MdiSampleTest, AFormGivesTheFocusBackToTheFieldLastUsed) {
  CNoteDoc* a = NewNote();
  ASSERT_TRUE(a);
  CMDIChildWnd* childA = main_->MDIGetActive();
  CView* viewA = childA->GetActiveView();
  HWND done = ::GetDlgItem(viewA->m_hWnd, IDC_DONE);
  ::SetFocus(done);
  ASSERT_TRUE(NewNote());
  EXPECT_NE(::GetFocus(), done);
  main_->MDIActivate(childA);
  EXPECT_EQ(::GetFocus(), done);

  // The same when the whole frame was left for another window.
  HWND other = ::CreateWindowEx(0, u"Static", u"other", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
  ::SetActiveWindow(other);
  ::SetActiveWindow(main_->m_hWnd);
  EXPECT_EQ(::GetFocus(), done);
  ::DestroyWindow(other);

  // A click elsewhere in the active document window leaves the field focused
  // throughout (it never loses the focus on the way).
  static int losses = 0;
  static HWND watched = nullptr;
  losses = 0;
  watched = done;
  HHOOK hook = ::SetWindowsHookEx(
      WH_CALLWNDPROC,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        auto* cwp = reinterpret_cast<CWPSTRUCT*>(l);
        if (cwp->hwnd == watched && cwp->message == WM_KILLFOCUS) ++losses;
        return ::CallNextHookEx(nullptr, code, w, l);
      },
      nullptr, ::GetCurrentThreadId());
  pv::test::ClickClient(viewA->m_hWnd, 150, 5);
  pv::test::PumpUntilIdle();
  ::UnhookWindowsHookEx(hook);
  EXPECT_EQ(::GetFocus(), done);
  EXPECT_EQ(losses, 0);
}

TEST_F(MdiSampleTest, CommandsRouteThroughViewDocumentFramesAndApplicationInOrder) {
  ASSERT_NE(NewNote(), nullptr);
  struct Case {
    std::vector<std::string> accepting;
    std::vector<std::string> route;
  };
  const Case cases[] = {
      {{"view"}, {"view"}},
      {{"doc"}, {"view", "doc"}},
      {{"child"}, {"view", "doc", "child"}},
      // The active child's chain ends with the application, before the main frame.
      {{"app"}, {"view", "doc", "child", "app"}},
      {{"main"}, {"view", "doc", "child", "app", "main"}},
      {{}, {"view", "doc", "child", "app", "main", "app"}},
  };
  for (const Case& c : cases) {
    Route().clear();
    Accepting() = c.accepting;
    main_->SendMessage(WM_COMMAND, ID_ROUTE, 0);
    EXPECT_EQ(Route(), c.route);
  }
}

TEST_F(MdiSampleTest, UpdateHandlersDriveMenusIdleBarsAndAccelerators) {
  CNoteDoc* doc = NewNote();
  ASSERT_NE(doc, nullptr);
  // Temporary menu objects die at idle time: keep the handle.
  HMENU popup = ::GetSubMenu(::GetMenu(main_->m_hWnd), 1);
  ASSERT_NE(popup, nullptr);

  struct Case {
    BOOL enabled;
    int check;
  };
  for (Case c : {Case{TRUE, 1}, Case{FALSE, 0}, Case{TRUE, 0}}) {
    doc->m_toggleEnabled = c.enabled;
    doc->m_toggleCheck = c.check;
    main_->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 1);
    CMenu* notePopup = CMenu::FromHandle(popup);
    EXPECT_EQ((notePopup->GetMenuState(ID_TOGGLE, MF_BYCOMMAND) & MF_GRAYED) == 0, c.enabled != FALSE);
    EXPECT_EQ((notePopup->GetMenuState(ID_TOGGLE, MF_BYCOMMAND) & MF_CHECKED) != 0, c.check != 0);
    // Idle time updates the bar from the same handler.
    AfxIdleOnce();
    EXPECT_EQ(main_->bar.state.m_bEnabled, c.enabled);
    EXPECT_EQ(main_->bar.state.m_nCheck, c.check);
  }

  // Ctrl+T runs the toggle through the child's accelerators; disabled, it does nothing.
  doc->m_toggleEnabled = TRUE;
  doc->m_toggleCheck = 0;
  main_->MDIGetActive()->GetActiveView()->SetFocus();
  pv::test::Chord(FCONTROL, 'T');
  fwtest::Pump();
  EXPECT_EQ(doc->m_toggleCheck, 1);
  doc->m_toggleEnabled = FALSE;
  pv::test::Chord(FCONTROL, 'T');
  fwtest::Pump();
  EXPECT_EQ(doc->m_toggleCheck, 1);

  // Ctrl+N makes another document through the application's handler.
  pv::test::Chord(FCONTROL, 'N');
  fwtest::Pump();
  EXPECT_EQ(app_->GetOpenDocumentCount(), 2);
}

TEST_F(MdiSampleTest, FormViewExchangesDataWithItsDocument) {
  CNoteDoc* doc = NewNote();
  ASSERT_NE(doc, nullptr);
  POSITION pos = doc->GetFirstViewPosition();
  auto* view = static_cast<CNoteView*>(doc->GetNextView(pos));
  HWND name = ::GetDlgItem(view->m_hWnd, IDC_NAME);
  HWND done = ::GetDlgItem(view->m_hWnd, IDC_DONE);
  ASSERT_TRUE(name && done);
  EXPECT_EQ(fwtest::TextOf(name), CString(u"first"));
  EXPECT_EQ(::SendMessage(done, fwtest::kBmGetCheck, 0, 0), 1);

  ::SetWindowText(name, u"second");
  ::SendMessage(done, fwtest::kBmSetCheck, 0, 0);
  ASSERT_TRUE(view->UpdateData(TRUE));
  EXPECT_EQ(doc->m_name, CString(u"second"));
  EXPECT_EQ(doc->m_done, 0);

  // Too long: a box and the focus back on the field (the exchange has
  // already stored the text, as validation follows it).
  pv::MessageBoxRecorder boxes;
  ::SetWindowText(name, u"much too long");
  EXPECT_FALSE(view->UpdateData(TRUE));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Last().text, u"Please enter no more than 8 characters.");
  EXPECT_EQ(::GetFocus(), name);
  EXPECT_TRUE(fwtest::Selected()[name]);
}

TEST_F(MdiSampleTest, RecentFilesPersistInTheRegistryFile) {
  const char16_t* names[] = {u"/notes/a.note", u"/notes/b.note", u"/notes/c.note",
                             u"/notes/A.NOTE", u"/notes/d.note", u"/notes/e.note"};
  for (auto* n : names) app_->AddToRecentFileList(n);
  // The same file (case ignored) moves up; the oldest drops off the four.
  CRecentFileList& list = *app_->m_pRecentFileList;
  EXPECT_EQ(list[0], CString(u"/notes/e.note"));
  EXPECT_EQ(list[1], CString(u"/notes/d.note"));
  EXPECT_EQ(list[2], CString(u"/notes/A.NOTE"));
  EXPECT_EQ(list[3], CString(u"/notes/c.note"));
  app_->SaveStdProfileSettings();
  pv::FlushRegistry();

  // The registry file holds them under the company and application.
  std::ifstream in(pv::RegistryFilePath());
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Recent File List"), std::string::npos);
  EXPECT_NE(text.str().find("Pravenor Tests"), std::string::npos);

  pvtest::ResetSettings();
  CRecentFileList again(0, u"Recent File List", u"File%d", 4);
  again.ReadList();
  EXPECT_EQ(again[0], CString(u"/notes/e.note"));
  EXPECT_EQ(again[3], CString(u"/notes/c.note"));
  // Profile values of other kinds.
  EXPECT_TRUE(app_->WriteProfileInt(u"Settings", u"Count", -5));
  EXPECT_EQ(static_cast<int>(app_->GetProfileInt(u"Settings", u"Count", 0)), -5);
  EXPECT_EQ(app_->GetProfileInt(u"Settings", u"Missing", 42), 42u);
  BYTE blob[] = {0, 1, 0xFE};
  EXPECT_TRUE(app_->WriteProfileBinary(u"Settings", u"Blob", blob, 3));
  LPBYTE got = nullptr;
  UINT size = 0;
  ASSERT_TRUE(app_->GetProfileBinary(u"Settings", u"Blob", &got, &size));
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(got[2], 0xFE);
  delete[] got;

  // The File menu shows them, numbered.
  CMenu* file = main_->GetMenu()->GetSubMenu(0);
  main_->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file->m_hMenu), 0);
  CString item;
  file->GetMenuString(ID_FILE_MRU_FILE1, item, MF_BYCOMMAND);
  EXPECT_EQ(item, CString(u"&1 /notes/e.note"));
}

TEST_F(MdiSampleTest, BarsTakeTheirSidesAndTheStatusBarShowsCommandPrompts) {
  main_->MoveWindow(0, 0, 500, 400);
  CRect client;
  main_->GetClientRect(&client);
  auto rectOf = [&](HWND h) {
    CRect r;
    ::GetWindowRect(h, &r);
    main_->ScreenToClient(&r);
    return r;
  };
  EXPECT_EQ(rectOf(main_->bar.m_hWnd), CRect(0, 0, client.right, 20));
  EXPECT_EQ(rectOf(main_->status.m_hWnd), CRect(0, client.bottom - 20, client.right, client.bottom));
  EXPECT_EQ(rectOf(main_->m_hWndMDIClient), CRect(0, 20, client.right, client.bottom - 20));

  // Hiding a bar gives its room to the client.
  main_->ShowControlBar(&main_->bar, FALSE, FALSE);
  EXPECT_EQ(rectOf(main_->m_hWndMDIClient).top, 0);

  // Menu selection shows the command's prompt (its string up to the newline).
  main_->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_ROUTE, 0), reinterpret_cast<LPARAM>(::GetMenu(main_->m_hWnd)));
  EXPECT_EQ(fwtest::TextOf(main_->status.m_hWnd), CString(u"Routes a command"));
  main_->SetMessageText(u"Working");
  EXPECT_EQ(fwtest::TextOf(main_->status.m_hWnd), CString(u"Working"));
  // Popping back to the idle prompt: the framework's own when the program has none.
  main_->SendMessage(WM_POPMESSAGESTRING, AFX_IDS_IDLEMESSAGE, 0);
  EXPECT_EQ(fwtest::TextOf(main_->status.m_hWnd), CString(u"Ready"));
  // A document frame has no bar of its own: its prompts go to the main frame's.
  ASSERT_TRUE(NewNote());
  main_->MDIGetActive()->SetMessageText(u"From the document");
  EXPECT_EQ(fwtest::TextOf(main_->status.m_hWnd), CString(u"From the document"));
}

TEST_F(MdiSampleTest, TheExitCommandEndsTheProgram) {
  ASSERT_NE(NewNote(), nullptr);
  main_->PostMessage(WM_COMMAND, ID_APP_EXIT);
  EXPECT_EQ(app_->Run(), 0);
  EXPECT_EQ(app_->m_pMainWnd, nullptr);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 0);
}

TEST_F(MdiSampleTest, RunEndsWhenTheMainWindowClosesAndSavesRecentFiles) {
  ASSERT_NE(NewNote(), nullptr);
  app_->AddToRecentFileList(u"/notes/last.note");
  main_->PostMessage(WM_CLOSE);
  EXPECT_EQ(app_->Run(), 0);
  EXPECT_EQ(app_->m_pMainWnd, nullptr);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 0);
  EXPECT_EQ(AfxPermanentWindowCount(), 0);
  pvtest::ResetSettings();
  CRecentFileList again(0, u"Recent File List", u"File%d", 4);
  again.ReadList();
  EXPECT_EQ(again[0], CString(u"/notes/last.note"));
}

TEST_F(MdiSampleTest, IniProfileWhenNoRegistryKeyIsSet) {
  CWinApp* app = app_.get();
  // Back to the INI file: the profile name is a file.
  free(const_cast<LPTSTR>(app->m_pszRegistryKey));
  app->m_pszRegistryKey = nullptr;
  free(const_cast<LPTSTR>(app->m_pszProfileName));
  app->m_pszProfileName = static_cast<LPCTSTR>(nullptr);
  CString ini = CString(home_.c_str()) + u"/sample.ini";
  size_t n = static_cast<size_t>(ini.GetLength());
  auto* copy = static_cast<LPTSTR>(malloc((n + 1) * sizeof(WCHAR)));
  for (size_t i = 0; i <= n; ++i) copy[i] = ini[static_cast<int>(i)];
  app->m_pszProfileName = copy;
  EXPECT_TRUE(app->WriteProfileString(u"Window", u"Title", u"x=y"));
  EXPECT_EQ(app->GetProfileString(u"Window", u"Title"), CString(u"x=y"));
  EXPECT_TRUE(app->WriteProfileInt(u"Window", u"Left", 17));
  EXPECT_EQ(app->GetProfileInt(u"Window", u"Left", 0), 17u);
  EXPECT_EQ(pv::FlushRegistry(), ERROR_SUCCESS);  // idle time writes the waiting INI changes too
  std::ifstream in(std::string(home_ + "/sample.ini"));
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("[Window]"), std::string::npos);
}

// The child frames of a document (for the tests below).
CMDIChildWnd* FrameOf(CDocument* doc) {
  POSITION pos = doc->GetFirstViewPosition();
  return static_cast<CMDIChildWnd*>(doc->GetNextView(pos)->GetParentFrame());
}

// The caption colour at the left end of a child frame's caption.
COLORREF CaptionAt(CWnd* child) {
  int f = ::GetSystemMetrics(SM_CXFRAME);
  return pv::test::WindowPixelNc(child->m_hWnd, f + 1, f + 3);
}

// A click on a document window lying behind another activates it and brings
// it forward; the active one's caption is drawn active, the other's inactive.
TEST_F(MdiSampleTest, AClickBringsADocumentWindowForwardAndItsCaptionShowsActive) {
  CNoteDoc* a = NewNote();
  CNoteDoc* b = NewNote();
  ASSERT_TRUE(a && b);
  CMDIChildWnd* childA = FrameOf(a);
  CMDIChildWnd* childB = FrameOf(b);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(main_->MDIGetActive(), childB);
  EXPECT_EQ(CaptionAt(childB), ::GetSysColor(COLOR_ACTIVECAPTION));
  EXPECT_EQ(CaptionAt(childA), ::GetSysColor(COLOR_INACTIVECAPTION));
  // A's caption shows on the left above B (B is cascaded a caption lower).
  RECT ra{};
  childA->GetWindowRect(&ra);
  pv::test::Click(ra.left + 30, ra.top + ::GetSystemMetrics(SM_CYCAPTION) / 2 + 2);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(main_->MDIGetActive(), childA);
  EXPECT_EQ(::GetWindow(main_->m_hWndMDIClient, GW_CHILD), childA->m_hWnd);  // in front
  EXPECT_EQ(CaptionAt(childA), ::GetSysColor(COLOR_ACTIVECAPTION));
  // A click inside B's form (on its visible part) brings B back; A's caption goes inactive.
  RECT rb{};
  childB->GetWindowRect(&rb);
  pv::test::Click(rb.right - 10, rb.bottom - 10);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(main_->MDIGetActive(), childB);
  EXPECT_EQ(::GetWindow(main_->m_hWndMDIClient, GW_CHILD), childB->m_hWnd);
  EXPECT_EQ(CaptionAt(childA), ::GetSysColor(COLOR_INACTIVECAPTION));
  EXPECT_EQ(CaptionAt(childB), ::GetSysColor(COLOR_ACTIVECAPTION));
  // The frame going inactive takes the active child's caption with it.
  pv::test::AppDeactivate();
  pv::test::PumpUntilIdle();
  EXPECT_EQ(CaptionAt(childB), ::GetSysColor(COLOR_INACTIVECAPTION));
}

// Cascade, tile and icon arrangement as Windows does them.
TEST_F(MdiSampleTest, CascadeTileAndIconArrangementPlaceTheDocumentWindows) {
  CNoteDoc* a = NewNote();
  CNoteDoc* b = NewNote();
  CNoteDoc* c = NewNote();
  ASSERT_TRUE(a && b && c);
  CMDIChildWnd* frames[] = {FrameOf(a), FrameOf(b), FrameOf(c)};
  HWND client = main_->m_hWndMDIClient;
  auto place = [&](CWnd* w) {
    RECT r{};
    w->GetWindowRect(&r);
    ::MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
    return CRect(r);
  };
  for (CMDIChildWnd* f : frames) f->SetWindowPos(nullptr, 40, 30, 120, 90, SWP_NOZORDER | SWP_NOACTIVATE);
  main_->MDIActivate(frames[0]);  // z-order now: a, c, b
  main_->MDICascade();
  RECT view{};
  ::GetClientRect(client, &view);
  int step = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYFRAME) - 1;
  // Bottom first at the corner, the active one last and in front.
  EXPECT_EQ(place(frames[1]).TopLeft(), CPoint(0, 0));
  EXPECT_EQ(place(frames[2]).TopLeft(), CPoint(step, step));
  EXPECT_EQ(place(frames[0]).TopLeft(), CPoint(2 * step, 2 * step));
  EXPECT_EQ(::GetWindow(client, GW_CHILD), frames[0]->m_hWnd);
  EXPECT_EQ(main_->MDIGetActive(), frames[0]);
  CRect first = place(frames[1]);
  EXPECT_GT(first.Width(), view.right / 2);
  EXPECT_EQ(place(frames[0]).Size(), first.Size());

  // Tiled side by side (vertical) and stacked (horizontal): the three fill the view.
  for (int how : {MDITILE_VERTICAL, MDITILE_HORIZONTAL}) {
    main_->MDITile(how);
    int area = 0;
    for (CMDIChildWnd* f : frames) {
      CRect r = place(f);
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= view.right && r.bottom <= view.bottom) << how;
      area += r.Width() * r.Height();
      if (how == MDITILE_VERTICAL) EXPECT_EQ(r.Height(), view.bottom) << "a column";
      if (how == MDITILE_HORIZONTAL) EXPECT_EQ(r.Width(), view.right) << "a row";
    }
    EXPECT_EQ(area, view.right * view.bottom) << how;
  }
  EXPECT_EQ(main_->MDIGetActive(), frames[0]);

  // A minimised one: lined up at the bottom, the others tile above its row.
  frames[2]->ShowWindow(SW_MINIMIZE);
  main_->MDITile(MDITILE_VERTICAL);
  CRect icon = place(frames[2]);
  EXPECT_EQ(icon.bottom, view.bottom);
  for (CMDIChildWnd* f : {frames[0], frames[1]}) EXPECT_LE(place(f).bottom, icon.top);
  frames[2]->SetWindowPos(nullptr, 100, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  main_->MDIIconArrange();
  EXPECT_EQ(place(frames[2]).TopLeft(), icon.TopLeft());
}

// Shrinking the frame brings up the client's scroll bars, drawn; maximised,
// a child fills the client exactly, also after the bars went.
TEST_F(MdiSampleTest, AfterShrinkingTheFrameTheScrollBarsAreDrawnAndAMaximisedChildFillsTheClient) {
  ASSERT_TRUE(NewNote());
  ASSERT_TRUE(NewNote());
  HWND client = main_->m_hWndMDIClient;
  main_->SetWindowPos(nullptr, 0, 0, 800, 600, SWP_NOZORDER);
  main_->SetWindowPos(nullptr, 0, 0, 300, 260, SWP_NOZORDER);
  pv::test::PumpUntilIdle();
  DWORD style = static_cast<DWORD>(::GetWindowLong(client, GWL_STYLE));
  ASSERT_EQ(style & (WS_HSCROLL | WS_VSCROLL), static_cast<DWORD>(WS_HSCROLL | WS_VSCROLL));
  RECT view{}, wr{};
  ::GetClientRect(client, &view);
  ::GetWindowRect(client, &wr);
  POINT org{0, 0};
  ::ClientToScreen(client, &org);
  int ox = org.x - wr.left, oy = org.y - wr.top;
  EXPECT_EQ(pv::test::WindowPixelNc(client, ox + view.right + 8, oy + view.bottom / 2 + 8),
            ::GetSysColor(COLOR_SCROLLBAR));
  EXPECT_EQ(pv::test::WindowPixelNc(client, ox + view.right / 2 + 8, oy + view.bottom + 8),
            ::GetSysColor(COLOR_SCROLLBAR));

  CMDIChildWnd* child = main_->MDIGetActive();
  main_->MDIMaximize(child);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLong(client, GWL_STYLE)) & (WS_HSCROLL | WS_VSCROLL), 0u);
  ::GetClientRect(client, &view);
  RECT cc{};
  child->GetClientRect(&cc);
  child->ClientToScreen(&cc);
  ::MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&cc), 2);
  EXPECT_EQ(CRect(cc), CRect(view));
  // Resized with the frame, it still fills the client.
  main_->SetWindowPos(nullptr, 0, 0, 500, 400, SWP_NOZORDER);
  ::GetClientRect(client, &view);
  child->GetClientRect(&cc);
  EXPECT_EQ(CRect(cc).Size(), CRect(view).Size());
}

// A document window's system menu: Ctrl+F4 closes, Ctrl+F6 moves on; opened
// from the menu bar while maximised it offers Restore, not Maximize.
TEST_F(MdiSampleTest, ADocumentWindowsSystemMenuFollowsItsState) {
  CNoteDoc* a = NewNote();
  CNoteDoc* b = NewNote();
  ASSERT_TRUE(a && b);
  CMDIChildWnd* child = FrameOf(b);
  HMENU sys = ::GetSystemMenu(child->m_hWnd, FALSE);
  CString close, next;
  CMenu::FromHandle(sys)->GetMenuString(SC_CLOSE, close, MF_BYCOMMAND);
  CMenu::FromHandle(sys)->GetMenuString(SC_NEXTWINDOW, next, MF_BYCOMMAND);
  EXPECT_EQ(close, CString(u"&Close\tCtrl+F4"));
  EXPECT_EQ(next, CString(u"Nex&t\tCtrl+F6"));
  CString mainClose;
  CMenu::FromHandle(::GetSystemMenu(main_->m_hWnd, FALSE))->GetMenuString(SC_CLOSE, mainClose, MF_BYCOMMAND);
  EXPECT_EQ(mainClose, CString(u"&Close\tAlt+F4"));

  main_->MDIMaximize(child);
  pv::test::PumpUntilIdle();
  HMENU bar = main_->GetMenu()->m_hMenu;
  RECT icon{};
  ASSERT_TRUE(::GetMenuItemRect(main_->m_hWnd, bar, 0, &icon));
  pv::test::Click((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
  pv::test::KeyPress(VK_ESCAPE);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(::GetMenuState(sys, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(::GetMenuState(sys, SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED);
  // Next passes to the other document window.
  child->SendMessage(WM_SYSCOMMAND, SC_NEXTWINDOW, 0);
  EXPECT_EQ(main_->MDIGetActive(), FrameOf(a));
}

}  // namespace
