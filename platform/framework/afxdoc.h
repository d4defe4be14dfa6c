// Documents and views: CDocument, CView, CFormView (a view made from a
// dialog template), and the document templates that create documents,
// frames and views by run-time class.
#pragma once

#include "platform/framework/afxframe.h"

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)
 public:
  CDocument() = default;
  ~CDocument() override;

  const CString& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(LPCTSTR lpszTitle);
  const CString& GetPathName() const { return m_strPathName; }
  virtual void SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU = TRUE);
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  virtual BOOL IsModified() { return m_bModified; }
  virtual void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
  BOOL m_bAutoDelete = TRUE;
  BOOL m_bEmbedded = FALSE;

  // Views.
  virtual POSITION GetFirstViewPosition() const;
  virtual CView* GetNextView(POSITION& rPosition) const;
  void AddView(CView* pView);
  void RemoveView(CView* pView);
  // Calls OnUpdate of every view but pSender.
  void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);
  virtual void OnChangedViewList();
  void UpdateFrameCounts();

  virtual BOOL OnNewDocument();
  virtual BOOL OnOpenDocument(LPCTSTR lpszPathName);
  virtual BOOL OnSaveDocument(LPCTSTR lpszPathName);
  virtual void OnCloseDocument();
  virtual void DeleteContents() {}
  virtual BOOL SaveModified();
  virtual BOOL CanCloseFrame(CFrameWnd* pFrame);
  virtual void PreCloseFrame(CFrameWnd*) {}
  virtual BOOL DoSave(LPCTSTR lpszPathName, BOOL bReplace = TRUE);
  virtual BOOL DoFileSave();
  virtual void ReportSaveLoadException(LPCTSTR lpszPathName, CException* e, BOOL bSaving, UINT nIDPDefault);
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  void OnFileClose();
  void OnFileSave();
  void OnFileSaveAs();

  CString m_strTitle;
  CString m_strPathName;
  CDocTemplate* m_pDocTemplate = nullptr;
  CPtrList m_viewList;
  BOOL m_bModified = FALSE;

 protected:
  DECLARE_MESSAGE_MAP()
};

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)
 public:
  CView() = default;
  ~CView() override;

  CDocument* GetDocument() const { return m_pDocument; }
  CFrameWnd* GetParentFrame() const { return CWnd::GetParentFrame(); }

  virtual void OnInitialUpdate();
  virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
  virtual void OnDraw(CDC* pDC) = 0;
  virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);
  virtual void OnActivateFrame(UINT, CFrameWnd*) {}
  virtual BOOL IsSelected(const CObject*) const { return FALSE; }
  virtual void OnPrepareDC(CDC*, struct CPrintInfo* = nullptr) {}

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void PostNcDestroy() override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  // A view with its own bar (WS_HSCROLL/WS_VSCROLL) uses it. A pane view
  // (id AFX_IDW_PANE_FIRST + 16 * row + column) otherwise scrolls with the
  // shared scroll-bar control its parent keeps for that column
  // (AFX_IDW_HSCROLL_FIRST + column) or row (AFX_IDW_VSCROLL_FIRST + row),
  // when there is one.
  CScrollBar* GetScrollBarCtrl(int nBar) const override {
    if (nBar != SB_HORZ && nBar != SB_VERT) return nullptr;
    if (GetStyle() & (nBar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) return nullptr;
    UINT id = static_cast<UINT>(GetDlgCtrlID());
    if (id < AFX_IDW_PANE_FIRST || id > AFX_IDW_PANE_LAST) return nullptr;
    UINT pane = id - AFX_IDW_PANE_FIRST;
    UINT idScroll = nBar == SB_HORZ ? AFX_IDW_HSCROLL_FIRST + pane % 16 : AFX_IDW_VSCROLL_FIRST + pane / 16;
    return ScrollBarFromHandle(::GetDlgItem(::GetParent(m_hWnd), static_cast<int>(idScroll)));
  }

  int OnCreate(LPCREATESTRUCT lpcs);
  void OnDestroy();
  void OnPaint();
  int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
  LRESULT OnInitialUpdateMsg(WPARAM, LPARAM);

  CDocument* m_pDocument = nullptr;

 protected:
  DECLARE_MESSAGE_MAP()
};

// A view holding the controls of a dialog template.
class CFormView : public CView {
  DECLARE_DYNAMIC(CFormView)
 public:
  explicit CFormView(UINT nIDTemplate);
  explicit CFormView(LPCTSTR lpszTemplateName);

  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID, CCreateContext* pContext = nullptr) override;
  void OnInitialUpdate() override;
  void OnDraw(CDC*) override {}
  BOOL PreTranslateMessage(MSG* pMsg) override;
  // Sizes the frame so that the form fits (bShrinkOnly: never grows it).
  void ResizeParentToFit(BOOL bShrinkOnly = TRUE);
  CSize GetTotalSize() const { return m_totalSize; }
  // How far the form is scrolled (its top-left corner shown at the view's).
  CPoint GetScrollPosition() const { return m_scrollPos; }
  LPCTSTR m_lpszTemplateName;

 protected:
  CSize m_totalSize;
  CPoint m_scrollPos;
  BOOL m_bUpdatingBars = FALSE;
  HWND m_hWndFocus = nullptr;  // the field that had the focus when the form was left
  // A view smaller than the form shows scroll bars over the part out of view.
  void UpdateScrollBars();
  void ScrollFormTo(CPoint pos);
  void ScrollBy(int nBar, UINT nSBCode, int nTrack);
  void OnSize(UINT nType, int cx, int cy);
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
  void OnSetFocus(CWnd* pOldWnd);
  void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView) override;
  void OnActivateFrame(UINT nState, CFrameWnd* pFrameWnd) override;
  void SaveFocusControl();
  DECLARE_MESSAGE_MAP()
};

// ---- templates ----------------------------------------------------------------------------------------
class CDocTemplate : public CCmdTarget {
  DECLARE_DYNAMIC(CDocTemplate)
 public:
  enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };
  enum Confidence {
    noAttempt,
    maybeAttemptForeign,
    maybeAttemptNative,
    yesAttemptForeign,
    yesAttemptNative,
    yesAlreadyOpen
  };

  ~CDocTemplate() override;
  virtual void LoadTemplate();
  // One of the '\n'-separated fields of the template's string.
  virtual BOOL GetDocString(CString& rString, DocStringIndex index) const;
  virtual POSITION GetFirstDocPosition() const = 0;
  virtual CDocument* GetNextDoc(POSITION& rPos) const = 0;
  virtual void AddDocument(CDocument* pDoc);
  virtual void RemoveDocument(CDocument* pDoc);
  virtual CDocument* CreateNewDocument();
  virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
  virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
  virtual BOOL SaveAllModified();
  virtual void CloseAllDocuments(BOOL bEndSession);
  // A null name makes a new document; bMakeVisible shows its frame.
  virtual CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
  virtual void SetDefaultTitle(CDocument* pDocument) = 0;
  virtual Confidence MatchDocType(LPCTSTR lpszPathName, CDocument*& rpDocMatch);

  UINT m_nIDResource;
  CRuntimeClass* m_pDocClass;
  CRuntimeClass* m_pFrameClass;
  CRuntimeClass* m_pViewClass;
  CString m_strDocStrings;
  HMENU m_hMenuShared = nullptr;
  HACCEL m_hAccelTable = nullptr;
  BOOL m_bAutoDelete = TRUE;

 protected:
  CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass);
};

class CMultiDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CMultiDocTemplate)
 public:
  CMultiDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass);
  ~CMultiDocTemplate() override;
  void LoadTemplate() override;
  POSITION GetFirstDocPosition() const override;
  CDocument* GetNextDoc(POSITION& rPos) const override;
  void AddDocument(CDocument* pDoc) override;
  void RemoveDocument(CDocument* pDoc) override;
  CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) override;
  void SetDefaultTitle(CDocument* pDocument) override;

  CPtrList m_docList;
  UINT m_nUntitledCount = 0;
};

class CSingleDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CSingleDocTemplate)
 public:
  CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass);
  ~CSingleDocTemplate() override;
  POSITION GetFirstDocPosition() const override;
  CDocument* GetNextDoc(POSITION& rPos) const override;
  void AddDocument(CDocument* pDoc) override;
  void RemoveDocument(CDocument* pDoc) override;
  CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) override;
  void SetDefaultTitle(CDocument* pDocument) override;

  CDocument* m_pOnlyDoc = nullptr;
};
