// Drag and drop and the clipboard the framework's way: COleDataSource
// (data offered by format), COleDataObject (data received), COleDropSource
// and COleDropTarget. Dragging runs in this process: DoDragDrop tracks the
// mouse in its own loop and calls the registered targets under it.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/framework/afxdoc.h"
#include "platform/framework/afxwnd.h"

using CLIPFORMAT = WORD;
using DROPEFFECT = DWORD;
#define DROPEFFECT_NONE 0
#define DROPEFFECT_COPY 1
#define DROPEFFECT_MOVE 2
#define DROPEFFECT_LINK 4
#define DROPEFFECT_SCROLL 0x80000000u

class COleDataSource;

class COleDataObject {
 public:
  COleDataObject() = default;
  ~COleDataObject() = default;
  // Reads the clipboard (answers FALSE when it cannot be opened).
  BOOL AttachClipboard();
  void Attach(COleDataSource* source) {
    m_pSource = source;
    m_bClipboard = FALSE;
  }
  void Release() {
    m_pSource = nullptr;
    m_bClipboard = FALSE;
  }
  BOOL IsDataAvailable(CLIPFORMAT cfFormat) const;
  // A copy the caller frees with GlobalFree; null when the format is absent.
  HGLOBAL GetGlobalData(CLIPFORMAT cfFormat) const;
  void BeginEnumFormats() { m_nEnum = 0; }
  BOOL GetNextFormat(CLIPFORMAT* pFormat);

 private:
  COleDataSource* m_pSource = nullptr;
  BOOL m_bClipboard = FALSE;
  std::vector<CLIPFORMAT> m_clipFormats;
  size_t m_nEnum = 0;
};

class COleDropSource : public CCmdTarget {
 public:
  // Whether dragging may go on: Escape cancels, releasing the button drops.
  virtual SCODE QueryContinueDrag(BOOL bEscapePressed, DWORD dwKeyState);
  virtual SCODE GiveFeedback(DROPEFFECT dropEffect);
  virtual BOOL OnBeginDrag(CWnd*) { return TRUE; }
};
#define DRAGDROP_S_DROP ((SCODE)0x00040100L)
#define DRAGDROP_S_CANCEL ((SCODE)0x00040101L)
#define DRAGDROP_S_USEDEFAULTCURSORS ((SCODE)0x00040102L)

class COleDataSource : public CCmdTarget {
 public:
  COleDataSource() = default;
  ~COleDataSource() override;
  // Takes ownership of the memory.
  void CacheGlobalData(CLIPFORMAT cfFormat, HGLOBAL hGlobal);
  void Empty();
  // Puts every cached format on the clipboard (copies; the source keeps its own).
  void SetClipboard();
  // Drags the data: answers the effect the target carried out, or
  // DROPEFFECT_NONE when cancelled. With lpRectStartDrag (screen) the drag
  // starts only once the mouse leaves that rectangle.
  DROPEFFECT DoDragDrop(DWORD dwEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
                        LPCRECT lpRectStartDrag = nullptr, COleDropSource* pDropSource = nullptr);
  BOOL HasFormat(CLIPFORMAT cf) const { return m_data.count(cf) != 0; }
  HGLOBAL Peek(CLIPFORMAT cf) const;
  std::vector<CLIPFORMAT> Formats() const;

 private:
  std::map<CLIPFORMAT, HGLOBAL> m_data;
};

class COleDropTarget : public CCmdTarget {
 public:
  COleDropTarget() = default;
  ~COleDropTarget() override;
  BOOL Register(CWnd* pWnd);
  void Revoke();
  virtual DROPEFFECT OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
  virtual DROPEFFECT OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
  virtual void OnDragLeave(CWnd* pWnd);
  virtual BOOL OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point);
  // -1: not handled here, OnDrop runs.
  virtual DROPEFFECT OnDropEx(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropDefault, DROPEFFECT dropList,
                              CPoint point);
  virtual DROPEFFECT OnDragScroll(CWnd* pWnd, DWORD dwKeyState, CPoint point);
  // The registered target of a window (tests, the drag loop).
  static COleDropTarget* FromWindow(HWND hWnd);

 protected:
  HWND m_hWnd = nullptr;
};

// ---- documents with embedded items ----
// Embedding and in-place activation of other programs' objects do not exist
// here; the classes are present so that code asking "is an item of this
// document in-place active?" compiles and is answered "no".
class CDocument;
#define OT_UNKNOWN 0
#define OT_LINK 1
#define OT_EMBEDDED 2
#define OT_STATIC 3
class COleClientItem : public CCmdTarget {
  DECLARE_DYNAMIC(COleClientItem)
 public:
  virtual UINT GetType() const { return OT_UNKNOWN; }
};
class COleDocObjectItem : public COleClientItem {
  DECLARE_DYNAMIC(COleDocObjectItem)
};
class COleDocument : public CDocument {
  DECLARE_DYNAMIC(COleDocument)
 public:
  // The item of this document in-place active in the window: never any.
  virtual COleClientItem* GetInPlaceActiveItem(CWnd*) { return nullptr; }
  // The item selected in the view: never any.
  virtual COleClientItem* GetPrimarySelectedItem(CView*) { return nullptr; }
};

// Makes item `iMenuItem` of the Edit menu the selected object's verb entry
// (verb commands from nIDVerbMin). Without an object it is the disabled
// "&Object" entry, which is all this system can show.
void AfxOleSetEditMenu(COleClientItem* pClient, CMenu* pMenu, UINT iMenuItem, UINT nIDVerbMin, UINT nIDVerbMax = 0,
                       UINT nIDConvert = 0);
