// Documents, views, form views, document templates and the document manager.
#include <algorithm>
#include <cstdlib>

#include "platform/framework/afxdlg.h"
#include "platform/framework/afxdoc.h"
#include "platform/framework/afxstate.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)
IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CFormView, CView)
IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

// ---- CDocument -------------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
ON_COMMAND(ID_FILE_CLOSE, OnFileClose)
ON_COMMAND(ID_FILE_SAVE, OnFileSave)
ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
END_MESSAGE_MAP()

CDocument::~CDocument() {
  // Views still pointing here would read freed memory.
  POSITION pos = m_viewList.GetHeadPosition();
  while (pos) static_cast<CView*>(m_viewList.GetNext(pos))->m_pDocument = nullptr;
  m_viewList.RemoveAll();
  if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCTSTR lpszTitle) {
  m_strTitle = lpszTitle;
  UpdateFrameCounts();
}

void CDocument::SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU) {
  m_strPathName = lpszPathName;
  CString title = m_strPathName;
  int slash = title.ReverseFind(u'/');
  if (slash >= 0) title = title.Mid(slash + 1);
  SetTitle(title);
  if (bAddToMRU) {
    if (CWinApp* app = AfxGetApp()) app->AddToRecentFileList(m_strPathName);
  }
}

POSITION CDocument::GetFirstViewPosition() const { return m_viewList.GetHeadPosition(); }
CView* CDocument::GetNextView(POSITION& rPosition) const {
  return static_cast<CView*>(const_cast<CPtrList&>(m_viewList).GetNext(rPosition));
}

void CDocument::AddView(CView* pView) {
  m_viewList.AddTail(pView);
  pView->m_pDocument = this;
  OnChangedViewList();
}

void CDocument::RemoveView(CView* pView) {
  POSITION pos = m_viewList.Find(pView);
  if (!pos) return;
  m_viewList.RemoveAt(pos);
  pView->m_pDocument = nullptr;
  OnChangedViewList();
}

void CDocument::OnChangedViewList() {
  if (m_viewList.IsEmpty() && m_bAutoDelete) {
    OnCloseDocument();
    return;
  }
  UpdateFrameCounts();
}

void CDocument::UpdateFrameCounts() {
  // Frames showing this document get numbers ("Doc:1", "Doc:2") when
  // there is more than one.
  std::vector<CFrameWnd*> frames;
  POSITION pos = GetFirstViewPosition();
  while (pos) {
    CView* v = GetNextView(pos);
    if (!v || !v->m_hWnd) continue;
    CFrameWnd* f = v->GetParentFrame();
    if (f && std::find(frames.begin(), frames.end(), f) == frames.end()) frames.push_back(f);
  }
  int n = 1;
  for (CFrameWnd* f : frames) {
    f->m_nWindow = frames.size() > 1 ? n++ : 0;
    f->OnUpdateFrameTitle(TRUE);
  }
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
  POSITION pos = GetFirstViewPosition();
  while (pos) {
    CView* v = GetNextView(pos);
    if (v != pSender) v->OnUpdate(pSender, lHint, pHint);
  }
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCTSTR) {
  DeleteContents();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCTSTR) {
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  // Closing frames removes views, which would close the document again.
  BOOL autoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  while (!m_viewList.IsEmpty()) {
    auto* view = static_cast<CView*>(m_viewList.GetHead());
    CFrameWnd* frame = view->m_hWnd ? view->GetParentFrame() : nullptr;
    if (frame) {
      PreCloseFrame(frame);
      frame->DestroyWindow();
    }
    // A view that outlived its frame (or had none) lets go here.
    if (!m_viewList.IsEmpty() && m_viewList.GetHead() == view) RemoveView(view);
  }
  m_bAutoDelete = autoDelete;
  DeleteContents();
  if (m_bAutoDelete) delete this;
}

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  CString name = m_strPathName.IsEmpty() ? m_strTitle : m_strPathName;
  CString prompt;
  prompt.Format(u"Save changes to %s?", static_cast<LPCTSTR>(name));
  switch (AfxMessageBox(prompt, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDCANCEL:
      return FALSE;
    case IDYES:
      return DoFileSave();
    default:
      return TRUE;
  }
}

BOOL CDocument::CanCloseFrame(CFrameWnd* pFrame) {
  // Only the last frame of the document asks to save.
  POSITION pos = GetFirstViewPosition();
  while (pos) {
    CView* v = GetNextView(pos);
    CFrameWnd* f = v->GetParentFrame();
    if (f && f != pFrame) return TRUE;
  }
  return SaveModified();
}

BOOL CDocument::DoFileSave() {
  if (m_strPathName.IsEmpty()) return DoSave(nullptr);
  return DoSave(m_strPathName);
}

BOOL CDocument::DoSave(LPCTSTR lpszPathName, BOOL bReplace) {
  CString name = lpszPathName;
  if (name.IsEmpty()) {
    name = m_strTitle;
    CWinApp* app = AfxGetApp();
    if (!app || !app->DoPromptFileName(name, 0, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, FALSE, m_pDocTemplate))
      return FALSE;
  }
  if (!OnSaveDocument(name)) return FALSE;
  if (bReplace) SetPathName(name);
  return TRUE;
}

void CDocument::ReportSaveLoadException(LPCTSTR, CException* e, BOOL, UINT) {
  if (e) e->ReportError();
}

void CDocument::OnFileClose() {
  if (!SaveModified()) return;
  OnCloseDocument();
}

void CDocument::OnFileSave() { DoFileSave(); }
void CDocument::OnFileSaveAs() { DoSave(nullptr); }

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  // Then the template that made the document.
  return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---- CView ------------------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
ON_WM_MOUSEACTIVATE()
ON_MESSAGE(WM_INITIALUPDATE, OnInitialUpdateMsg)
END_MESSAGE_MAP()

CView::~CView() {
  if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) cs.lpszClass = AfxFrameOrViewClass();
  if (cs.style & WS_BORDER) {
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    cs.style &= ~WS_BORDER;
  }
  return TRUE;
}

int CView::OnCreate(LPCREATESTRUCT lpcs) {
  if (Default() == -1) return -1;
  auto* ctx = static_cast<CCreateContext*>(lpcs->lpCreateParams);
  if (ctx && ctx->m_pCurrentDoc) ctx->m_pCurrentDoc->AddView(this);
  return 0;
}

void CView::OnDestroy() {
  if (CFrameWnd* frame = GetParentFrame(); frame && frame->GetActiveView() == this)
    frame->SetActiveView(nullptr, FALSE);
  Default();
}

void CView::PostNcDestroy() { delete this; }

void CView::OnPaint() {
  CPaintDC dc(this);
  OnPrepareDC(&dc);
  OnDraw(&dc);
}

int CView::OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message) {
  int result = CWnd::OnMouseActivate(pDesktopWnd, nHitTest, message);
  if (result == MA_NOACTIVATE || result == MA_NOACTIVATEANDEAT) return result;
  // A click makes this the frame's active view.
  if (CFrameWnd* frame = GetParentFrame()) {
    if (frame->GetActiveView() != this) frame->SetActiveView(this);
  }
  return result;
}

LRESULT CView::OnInitialUpdateMsg(WPARAM, LPARAM) {
  OnInitialUpdate();
  return 0;
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CView::OnUpdate(CView*, LPARAM, CObject*) { Invalidate(TRUE); }

void CView::OnActivateView(BOOL bActivate, CView* pActivateView, CView*) {
  if (bActivate && pActivateView == this) {
    CFrameWnd* frame = GetParentFrame();
    // Take the focus when our frame is the active one.
    HWND active = ::GetActiveWindow();
    if (frame && active && (active == frame->m_hWnd || ::IsChild(active, frame->m_hWnd))) {
      HWND focus = ::GetFocus();
      if (focus != m_hWnd && !::IsChild(m_hWnd, focus)) SetFocus();
    }
  }
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return m_pDocument && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---- CFormView -----------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CFormView, CView)
ON_WM_SETFOCUS()
ON_WM_SIZE()
ON_WM_HSCROLL()
ON_WM_VSCROLL()
ON_WM_MOUSEWHEEL()
END_MESSAGE_MAP()

CFormView::CFormView(UINT nIDTemplate) : m_lpszTemplateName(MAKEINTRESOURCE(nIDTemplate)) {}
CFormView::CFormView(LPCTSTR lpszTemplateName) : m_lpszTemplateName(lpszTemplateName) {}

BOOL CFormView::Create(LPCTSTR, LPCTSTR, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                       CCreateContext* pContext) {
  pv::DialogTemplate t;
  if (!pv::DialogTemplateFromResource(nullptr, m_lpszTemplateName, &t)) return FALSE;
  // The form is a child dialog: its template's frame and caption go.
  t.style = (t.style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | WS_VISIBLE | WS_BORDER)) |
            WS_CHILD | (dwStyle & ~WS_BORDER);
  t.x = t.y = 0;
  t.caption.clear();
  CCreateContext* ctx = pContext;
  HWND h = pv::CreateDialogFromTemplate(t, HwndOf(pParentWnd), this, 0);
  if (!h) return FALSE;
  // The texts stored with the template; corrupt data leaves the boxes
  // empty rather than losing the view.
  ExecuteDlgInit(m_lpszTemplateName);
  CRect full;
  GetWindowRect(&full);
  m_totalSize = CSize(full.Width(), full.Height());
  ::SetWindowLong(h, GWL_ID, static_cast<LONG>(nID));
  if (dwStyle & WS_BORDER) ModifyStyleEx(0, WS_EX_CLIENTEDGE, SWP_FRAMECHANGED);
  ::SetWindowPos(h, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
  // A dialog is not created through CView::OnCreate: join the document here.
  if (ctx && ctx->m_pCurrentDoc && !m_pDocument) ctx->m_pCurrentDoc->AddView(this);
  if (dwStyle & WS_VISIBLE) ShowWindow(SW_SHOW);
  return TRUE;
}

void CFormView::OnInitialUpdate() {
  // The controls show the document's data.
  UpdateData(FALSE);
  CView::OnInitialUpdate();
}

BOOL CFormView::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
  // Accelerators of the frame come before the form's own navigation.
  if (CFrameWnd* frame = GetTopLevelFrame(); frame && frame->PreTranslateMessage(pMsg)) return TRUE;
  return pv::DialogKeyMessage(m_hWnd, pMsg) ? TRUE : FALSE;
}

namespace {
constexpr int kFormLine = 16;  // pixels a scroll-bar arrow or a wheel notch's line moves the form
}

void CFormView::UpdateScrollBars() {
  if (!m_hWnd || m_bUpdatingBars) return;
  m_bUpdatingBars = TRUE;
  // The room the view has without bars, then the bars that room needs (a
  // bar takes room from the other direction).
  CRect client;
  GetClientRect(&client);
  const DWORD style = GetStyle();
  int cx = client.Width() + ((style & WS_VSCROLL) ? ::GetSystemMetrics(SM_CXVSCROLL) : 0);
  int cy = client.Height() + ((style & WS_HSCROLL) ? ::GetSystemMetrics(SM_CYHSCROLL) : 0);
  bool needH = m_totalSize.cx > cx, needV = m_totalSize.cy > cy;
  if (needV && !needH) needH = m_totalSize.cx > cx - ::GetSystemMetrics(SM_CXVSCROLL);
  if (needH && !needV) needV = m_totalSize.cy > cy - ::GetSystemMetrics(SM_CYHSCROLL);
  if (needV) cx -= ::GetSystemMetrics(SM_CXVSCROLL);
  if (needH) cy -= ::GetSystemMetrics(SM_CYHSCROLL);
  cx = std::max(cx, 0);
  cy = std::max(cy, 0);
  CPoint pos(needH ? std::clamp<int>(m_scrollPos.x, 0, std::max(0, m_totalSize.cx - cx)) : 0,
             needV ? std::clamp<int>(m_scrollPos.y, 0, std::max(0, m_totalSize.cy - cy)) : 0);
  ScrollFormTo(pos);
  for (int bar : {SB_HORZ, SB_VERT}) {
    const bool need = bar == SB_HORZ ? needH : needV;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = need ? (bar == SB_HORZ ? m_totalSize.cx : m_totalSize.cy) - 1 : 0;
    si.nPage = need ? static_cast<UINT>(bar == SB_HORZ ? cx : cy) : 0;
    si.nPos = bar == SB_HORZ ? m_scrollPos.x : m_scrollPos.y;
    ::SetScrollInfo(m_hWnd, bar, &si, TRUE);
  }
  m_bUpdatingBars = FALSE;
}

void CFormView::ScrollFormTo(CPoint pos) {
  const int dx = m_scrollPos.x - pos.x, dy = m_scrollPos.y - pos.y;
  if (!dx && !dy) return;
  m_scrollPos = pos;
  ::ScrollWindowEx(m_hWnd, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN);
  // The whole form again, fields included: the moved pixels of a form that
  // does not clip its fields hold its own background where they now lie.
  ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  if (dx) ::SetScrollPos(m_hWnd, SB_HORZ, pos.x, TRUE);
  if (dy) ::SetScrollPos(m_hWnd, SB_VERT, pos.y, TRUE);
}

void CFormView::ScrollBy(int nBar, UINT nSBCode, int nTrack) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  if (!(GetStyle() & (nBar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) || !::GetScrollInfo(m_hWnd, nBar, &si)) return;
  // A bar shown with no room still pages by a pixel.
  si.nPage = std::max<UINT>(si.nPage, 1);
  si.nTrackPos = nTrack;
  const std::optional<int> pos = pv::afx::ScrollRequestPosition(si, nSBCode, kFormLine);
  if (!pos) return;
  CPoint to = m_scrollPos;
  (nBar == SB_HORZ ? to.x : to.y) = *pos;
  ScrollFormTo(to);
}

void CFormView::OnSize(UINT nType, int cx, int cy) {
  CView::OnSize(nType, cx, cy);
  if (nType != SIZE_MINIMIZED) UpdateScrollBars();
}

void CFormView::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  if (pScrollBar) {
    CView::OnHScroll(nSBCode, nPos, pScrollBar);
    return;
  }
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_TRACKPOS;
  ::GetScrollInfo(m_hWnd, SB_HORZ, &si);
  ScrollBy(SB_HORZ, nSBCode, si.nTrackPos);
}

void CFormView::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  if (pScrollBar) {
    CView::OnVScroll(nSBCode, nPos, pScrollBar);
    return;
  }
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_TRACKPOS;
  ::GetScrollInfo(m_hWnd, SB_VERT, &si);
  ScrollBy(SB_VERT, nSBCode, si.nTrackPos);
}

BOOL CFormView::OnMouseWheel(UINT nFlags, short zDelta, CPoint pt) {
  const int bar = (GetStyle() & WS_VSCROLL) ? SB_VERT : (GetStyle() & WS_HSCROLL) ? SB_HORZ : -1;
  if (bar < 0) return CView::OnMouseWheel(nFlags, zDelta, pt);
  UINT lines = 3;
  ::SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  const int notches = zDelta / WHEEL_DELTA;
  for (int i = 0; i < std::abs(notches) * static_cast<int>(std::max<UINT>(lines, 1)); ++i)
    ScrollBy(bar, notches > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
  return TRUE;
}

// Leaving the form (another view or frame becomes active) remembers the
// field in use, so that coming back puts the user where they were.
void CFormView::SaveFocusControl() {
  HWND focus = ::GetFocus();
  if (focus && ::IsChild(m_hWnd, focus)) m_hWndFocus = focus;
}

void CFormView::OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView) {
  if (!bActivate) SaveFocusControl();
  CView::OnActivateView(bActivate, pActivateView, pDeactiveView);
}

void CFormView::OnActivateFrame(UINT nState, CFrameWnd* pFrameWnd) {
  if (nState == WA_INACTIVE) SaveFocusControl();
  CView::OnActivateFrame(nState, pFrameWnd);
}

void CFormView::OnSetFocus(CWnd*) {
  if (m_hWndFocus && ::IsWindow(m_hWndFocus) && ::IsChild(m_hWnd, m_hWndFocus)) {
    ::SetFocus(m_hWndFocus);
    return;
  }
  HWND first = ::GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
  if (first) ::SetFocus(first);
}

void CFormView::ResizeParentToFit(BOOL bShrinkOnly) {
  CFrameWnd* frame = GetParentFrame();
  if (!frame) return;
  // The frame changes by what the form lacks or has to spare, so the bars
  // around the view (tool bar, status bar) keep their room.
  // The view's room counts its scroll bars: once the form fits they go.
  CRect view;
  GetClientRect(&view);
  const DWORD style = GetStyle();
  const int roomX = view.Width() + ((style & WS_VSCROLL) ? ::GetSystemMetrics(SM_CXVSCROLL) : 0);
  const int roomY = view.Height() + ((style & WS_HSCROLL) ? ::GetSystemMetrics(SM_CYHSCROLL) : 0);
  CRect frameRect;
  frame->GetWindowRect(&frameRect);
  int dx = m_totalSize.cx - roomX;
  int dy = m_totalSize.cy - roomY;
  if (bShrinkOnly) {
    dx = std::min(dx, 0);
    dy = std::min(dy, 0);
  }
  frame->SetWindowPos(nullptr, 0, 0, frameRect.Width() + dx, frameRect.Height() + dy,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  frame->RecalcLayout();
}

// ---- CDocTemplate ---------------------------------------------------------------------------------------------
CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass) {
  m_strDocStrings.LoadString(nIDResource);
}

CDocTemplate::~CDocTemplate() = default;

void CDocTemplate::LoadTemplate() {
  if (m_strDocStrings.IsEmpty()) m_strDocStrings.LoadString(m_nIDResource);
}

BOOL CDocTemplate::GetDocString(CString& rString, DocStringIndex index) const {
  rString.Empty();
  int start = 0;
  for (int i = 0; i < static_cast<int>(index); ++i) {
    int nl = m_strDocStrings.Find(u'\n', start);
    if (nl < 0) return FALSE;
    start = nl + 1;
  }
  int end = m_strDocStrings.Find(u'\n', start);
  rString = end < 0 ? m_strDocStrings.Mid(start) : m_strDocStrings.Mid(start, end - start);
  return TRUE;
}

void CDocTemplate::AddDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = this; }
void CDocTemplate::RemoveDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = nullptr; }

CDocument* CDocTemplate::CreateNewDocument() {
  CObject* obj = m_pDocClass ? m_pDocClass->CreateObject() : nullptr;
  auto* doc = dynamic_cast<CDocument*>(obj);
  if (!doc) {
    delete obj;
    return nullptr;
  }
  AddDocument(doc);
  return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther) {
  CCreateContext ctx;
  ctx.m_pCurrentFrame = pOther;
  ctx.m_pCurrentDoc = pDoc;
  ctx.m_pNewViewClass = m_pViewClass;
  ctx.m_pNewDocTemplate = this;
  CObject* obj = m_pFrameClass ? m_pFrameClass->CreateObject() : nullptr;
  auto* frame = dynamic_cast<CFrameWnd*>(obj);
  if (!frame) {
    delete obj;
    return nullptr;
  }
  if (auto* child = dynamic_cast<CMDIChildWnd*>(frame)) child->SetHandles(m_hMenuShared, m_hAccelTable);
  // A failed frame deletes itself (PostNcDestroy) once its window existed.
  if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &ctx)) return nullptr;
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
  pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

BOOL CDocTemplate::SaveAllModified() {
  POSITION pos = GetFirstDocPosition();
  while (pos) {
    CDocument* doc = GetNextDoc(pos);
    if (!doc->SaveModified()) return FALSE;
  }
  return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  POSITION pos = GetFirstDocPosition();
  while (pos) {
    CDocument* doc = GetNextDoc(pos);
    doc->OnCloseDocument();
    pos = GetFirstDocPosition();  // the list changed
  }
}

CDocTemplate::Confidence CDocTemplate::MatchDocType(LPCTSTR lpszPathName, CDocument*& rpDocMatch) {
  rpDocMatch = nullptr;
  POSITION pos = GetFirstDocPosition();
  while (pos) {
    CDocument* doc = GetNextDoc(pos);
    if (doc->GetPathName().CompareNoCase(lpszPathName) == 0) {
      rpDocMatch = doc;
      return yesAlreadyOpen;
    }
  }
  CString ext;
  if (GetDocString(ext, filterExt) && !ext.IsEmpty()) {
    CString path(lpszPathName);
    int semi = ext.Find(u';');
    if (semi > 0) ext = ext.Left(semi);
    if (path.GetLength() >= ext.GetLength() && path.Right(ext.GetLength()).CompareNoCase(ext) == 0)
      return yesAttemptNative;
  }
  return yesAttemptForeign;
}

// ---- CMultiDocTemplate -------------------------------------------------------------------------------------------
CMultiDocTemplate::CMultiDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                     CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {
  LoadTemplate();
}

CMultiDocTemplate::~CMultiDocTemplate() {
  // Documents still open lose their template pointer.
  POSITION pos = m_docList.GetHeadPosition();
  while (pos) static_cast<CDocument*>(m_docList.GetNext(pos))->m_pDocTemplate = nullptr;
  if (m_hMenuShared) ::DestroyMenu(m_hMenuShared);
  if (m_hAccelTable) ::DestroyAcceleratorTable(m_hAccelTable);
}

void CMultiDocTemplate::LoadTemplate() {
  CDocTemplate::LoadTemplate();
  LPCTSTR name = MAKEINTRESOURCE(m_nIDResource);
  if (!m_hMenuShared) {
    if (HINSTANCE inst = AfxFindResourceHandle(name, RT_MENU)) m_hMenuShared = ::LoadMenu(inst, name);
  }
  if (!m_hAccelTable) {
    if (HINSTANCE inst = AfxFindResourceHandle(name, RT_ACCELERATOR)) m_hAccelTable = ::LoadAccelerators(inst, name);
  }
}

POSITION CMultiDocTemplate::GetFirstDocPosition() const { return m_docList.GetHeadPosition(); }
CDocument* CMultiDocTemplate::GetNextDoc(POSITION& rPos) const {
  return static_cast<CDocument*>(const_cast<CPtrList&>(m_docList).GetNext(rPos));
}

void CMultiDocTemplate::AddDocument(CDocument* pDoc) {
  CDocTemplate::AddDocument(pDoc);
  m_docList.AddTail(pDoc);
}

void CMultiDocTemplate::RemoveDocument(CDocument* pDoc) {
  CDocTemplate::RemoveDocument(pDoc);
  if (POSITION pos = m_docList.Find(pDoc)) m_docList.RemoveAt(pos);
}

void CMultiDocTemplate::SetDefaultTitle(CDocument* pDocument) {
  CString name;
  if (!GetDocString(name, docName) || name.IsEmpty()) name = u"Untitled";
  CString title;
  title.Format(u"%s%u", static_cast<LPCTSTR>(name), ++m_nUntitledCount);
  pDocument->SetTitle(title);
}

CDocument* CMultiDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible) {
  CDocument* doc = CreateNewDocument();
  if (!doc) return nullptr;
  BOOL autoDelete = doc->m_bAutoDelete;
  doc->m_bAutoDelete = FALSE;  // a failed frame must not take the document along
  CFrameWnd* frame = CreateNewFrame(doc, nullptr);
  doc->m_bAutoDelete = autoDelete;
  if (!frame) {
    delete doc;
    return nullptr;
  }
  if (!lpszPathName) {
    SetDefaultTitle(doc);
    if (!doc->OnNewDocument()) {
      frame->DestroyWindow();
      return nullptr;
    }
  } else {
    if (!doc->OnOpenDocument(lpszPathName)) {
      frame->DestroyWindow();
      return nullptr;
    }
    doc->SetPathName(lpszPathName);
  }
  InitialUpdateFrame(frame, doc, bMakeVisible);
  return doc;
}

// ---- CSingleDocTemplate -------------------------------------------------------------------------------------------
CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                       CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

CSingleDocTemplate::~CSingleDocTemplate() {
  if (m_pOnlyDoc) m_pOnlyDoc->m_pDocTemplate = nullptr;
}

POSITION CSingleDocTemplate::GetFirstDocPosition() const { return m_pOnlyDoc ? BEFORE_START_POSITION : nullptr; }
CDocument* CSingleDocTemplate::GetNextDoc(POSITION& rPos) const {
  CDocument* d = rPos == BEFORE_START_POSITION ? m_pOnlyDoc : nullptr;
  rPos = nullptr;
  return d;
}
void CSingleDocTemplate::AddDocument(CDocument* pDoc) {
  CDocTemplate::AddDocument(pDoc);
  m_pOnlyDoc = pDoc;
}
void CSingleDocTemplate::RemoveDocument(CDocument* pDoc) {
  CDocTemplate::RemoveDocument(pDoc);
  if (m_pOnlyDoc == pDoc) m_pOnlyDoc = nullptr;
}

void CSingleDocTemplate::SetDefaultTitle(CDocument* pDocument) {
  CString name;
  if (!GetDocString(name, docName) || name.IsEmpty()) name = u"Untitled";
  pDocument->SetTitle(name);
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible) {
  CDocument* doc = m_pOnlyDoc;
  CFrameWnd* frame = nullptr;
  bool created = false;
  if (doc) {
    if (!doc->SaveModified()) return nullptr;
    POSITION pos = doc->GetFirstViewPosition();
    if (pos) frame = doc->GetNextView(pos)->GetParentFrame();
  } else {
    doc = CreateNewDocument();
    if (!doc) return nullptr;
    created = true;
    BOOL autoDelete = doc->m_bAutoDelete;
    doc->m_bAutoDelete = FALSE;
    frame = CreateNewFrame(doc, nullptr);
    doc->m_bAutoDelete = autoDelete;
    if (!frame) {
      delete doc;
      return nullptr;
    }
  }
  if (!lpszPathName) {
    SetDefaultTitle(doc);
    if (!doc->OnNewDocument()) {
      if (created && frame) frame->DestroyWindow();
      return nullptr;
    }
  } else {
    if (!doc->OnOpenDocument(lpszPathName)) {
      if (created && frame) frame->DestroyWindow();
      return nullptr;
    }
    doc->SetPathName(lpszPathName);
  }
  CWinApp* app = AfxGetApp();
  if (created && app && !app->m_pMainWnd) app->m_pMainWnd = frame;
  if (frame) InitialUpdateFrame(frame, doc, bMakeVisible);
  return doc;
}

// ---- CDocManager --------------------------------------------------------------------------------------------------
CDocManager::~CDocManager() {
  POSITION pos = m_templateList.GetHeadPosition();
  while (pos) {
    auto* t = static_cast<CDocTemplate*>(m_templateList.GetNext(pos));
    if (t->m_bAutoDelete) delete t;
  }
  m_templateList.RemoveAll();
}

void CDocManager::AddDocTemplate(CDocTemplate* pTemplate) {
  if (!pTemplate || m_templateList.Find(pTemplate)) return;
  pTemplate->LoadTemplate();
  m_templateList.AddTail(pTemplate);
}

POSITION CDocManager::GetFirstDocTemplatePosition() const { return m_templateList.GetHeadPosition(); }
CDocTemplate* CDocManager::GetNextDocTemplate(POSITION& pos) const {
  return static_cast<CDocTemplate*>(const_cast<CPtrList&>(m_templateList).GetNext(pos));
}

int CDocManager::GetDocumentCount() {
  int n = 0;
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) {
    CDocTemplate* t = GetNextDocTemplate(pos);
    POSITION d = t->GetFirstDocPosition();
    while (d) {
      t->GetNextDoc(d);
      ++n;
    }
  }
  return n;
}

CDocument* CDocManager::OpenDocumentFile(LPCTSTR lpszFileName) {
  if (!lpszFileName || !*lpszFileName) return nullptr;
  CDocTemplate* best = nullptr;
  CDocTemplate::Confidence bestMatch = CDocTemplate::noAttempt;
  CDocument* open = nullptr;
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) {
    CDocTemplate* t = GetNextDocTemplate(pos);
    CDocument* match = nullptr;
    CDocTemplate::Confidence c = t->MatchDocType(lpszFileName, match);
    if (c > bestMatch) {
      bestMatch = c;
      best = t;
      open = match;
    }
    if (c == CDocTemplate::yesAlreadyOpen) break;
  }
  if (open) {
    // Already open: bring its frame up.
    POSITION v = open->GetFirstViewPosition();
    if (v) {
      if (CFrameWnd* f = open->GetNextView(v)->GetParentFrame()) f->ActivateFrame();
    }
    return open;
  }
  return best ? best->OpenDocumentFile(lpszFileName) : nullptr;
}

BOOL CDocManager::SaveAllModified() {
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos)
    if (!GetNextDocTemplate(pos)->SaveAllModified()) return FALSE;
  return TRUE;
}

void CDocManager::CloseAllDocuments(BOOL bEndSession) {
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) GetNextDocTemplate(pos)->CloseAllDocuments(bEndSession);
}

void CDocManager::OnFileNew() {
  if (m_templateList.IsEmpty()) return;
  std::vector<CDocTemplate*> all;
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) all.push_back(GetNextDocTemplate(pos));
  CDocTemplate* t = all.front();
  if (all.size() > 1) {
    // Several kinds of document: the user picks one by its file-new name.
    t = pv::ChooseNewDocTemplate(all, AfxGetMainWnd());
    if (!t) return;  // cancelled
  }
  t->OpenDocumentFile(nullptr);
}

void CDocManager::OnFileOpen() {
  CString name;
  if (!DoPromptFileName(name, 0, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, TRUE, nullptr)) return;
  if (CWinApp* app = AfxGetApp()) app->OpenDocumentFile(name);
}

BOOL CDocManager::DoPromptFileName(CString& fileName, UINT, DWORD lFlags, BOOL bOpenFileDialog,
                                   CDocTemplate* pTemplate) {
  CString filter;
  CDocTemplate* source = pTemplate;
  if (!source && !m_templateList.IsEmpty()) source = static_cast<CDocTemplate*>(m_templateList.GetHead());
  CString defExt;
  if (source) {
    CString name, ext;
    if (source->GetDocString(name, CDocTemplate::filterName) && !name.IsEmpty() &&
        source->GetDocString(ext, CDocTemplate::filterExt) && !ext.IsEmpty()) {
      filter = name + u"|*" + ext + u"|";
      defExt = ext.Mid(1);
    }
  }
  filter += u"All Files (*.*)|*.*||";
  CFileDialog dlg(bOpenFileDialog, defExt.IsEmpty() ? nullptr : static_cast<LPCTSTR>(defExt),
                  fileName.IsEmpty() ? nullptr : static_cast<LPCTSTR>(fileName), lFlags | OFN_OVERWRITEPROMPT, filter);
  if (dlg.DoModal() != IDOK) return FALSE;
  fileName = dlg.GetPathName();
  return TRUE;
}
