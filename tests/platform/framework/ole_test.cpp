// In-process drag and drop, clipboard data objects and dropped files.
#include <cstring>
#include <string>
#include <vector>

#include "fw_fixture.h"

namespace {

using fwtest::FrameworkTest;

class CRecordingTarget : public COleDropTarget {
 public:
  std::vector<std::string> calls;
  DROPEFFECT answer = DROPEFFECT_COPY;
  CPoint dropPoint{-1, -1};
  std::string dropped;
  DROPEFFECT OnDragEnter(CWnd*, COleDataObject* data, DWORD, CPoint) override {
    calls.push_back("enter");
    return data->IsDataAvailable(CF_TEXT) ? answer : DROPEFFECT_NONE;
  }
  DROPEFFECT OnDragOver(CWnd*, COleDataObject* data, DWORD, CPoint) override {
    calls.push_back("over");
    return data->IsDataAvailable(CF_TEXT) ? answer : DROPEFFECT_NONE;
  }
  void OnDragLeave(CWnd*) override { calls.push_back("leave"); }
  BOOL OnDrop(CWnd*, COleDataObject* data, DROPEFFECT, CPoint point) override {
    calls.push_back("drop");
    dropPoint = point;
    HGLOBAL h = data->GetGlobalData(CF_TEXT);
    if (!h) return FALSE;
    dropped = static_cast<const char*>(::GlobalLock(h));
    ::GlobalUnlock(h);
    ::GlobalFree(h);
    return TRUE;
  }
};

HGLOBAL TextBlock(const char* text) {
  size_t n = std::strlen(text) + 1;
  HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, n);
  std::memcpy(::GlobalLock(h), text, n);
  ::GlobalUnlock(h);
  return h;
}

class OleTest : public FrameworkTest {};

TEST_F(OleTest, DragTracksTargetsUnderTheMouseAndDrops) {
  CWnd source, targetWnd;
  ASSERT_TRUE(source.CreateEx(0, nullptr, u"source", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
  ASSERT_TRUE(targetWnd.CreateEx(0, nullptr, u"target", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100, nullptr, nullptr));
  CRecordingTarget target;
  ASSERT_TRUE(target.Register(&targetWnd));
  EXPECT_FALSE(CRecordingTarget().Register(&targetWnd));  // one target per window

  struct Case {
    const char* name;
    bool escape;
    int dropX;
    DROPEFFECT answer;
    DROPEFFECT result;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"dropped on the target", false, 250, DROPEFFECT_COPY, DROPEFFECT_COPY, {"enter", "drop"}},
      {"target refuses", false, 250, DROPEFFECT_NONE, DROPEFFECT_NONE, {"enter", "leave"}},
      {"escape cancels", true, 250, DROPEFFECT_COPY, DROPEFFECT_NONE, {"enter", "leave"}},
      {"never over a target", false, 50, DROPEFFECT_COPY, DROPEFFECT_NONE, {}},
  };
  // Consecutive mouse moves merge in the queue, as they always have: each
  // script has one move, then the release.
  for (const Case& c : cases) {
    target.calls.clear();
    target.answer = c.answer;
    target.dropped.clear();
    pv::test::MouseDown(pv::test::Button::Left, 50, 50);
    pv::test::PumpUntilIdle();
    pv::test::MouseMove(c.dropX, 40);
    if (c.escape) {
      pv::test::KeyPress(VK_ESCAPE);
    } else {
      pv::test::MouseUp(pv::test::Button::Left, c.dropX, 40);
    }
    COleDataSource data;
    data.CacheGlobalData(CF_TEXT, TextBlock("moved text"));
    EXPECT_EQ(data.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE), c.result) << c.name;
    EXPECT_EQ(target.calls, c.calls) << c.name;
    if (c.result == DROPEFFECT_COPY) {
      EXPECT_EQ(target.dropped, "moved text");
      EXPECT_EQ(target.dropPoint, CPoint(c.dropX - 200, 40));
    }
    if (c.escape) {
      pv::test::MouseUp(pv::test::Button::Left, c.dropX, 40);
    }
    pv::test::PumpUntilIdle();
    EXPECT_EQ(::GetCapture(), nullptr) << c.name;
  }
  target.Revoke();
  EXPECT_EQ(COleDropTarget::FromWindow(targetWnd.m_hWnd), nullptr);
  source.DestroyWindow();
  targetWnd.DestroyWindow();
}

TEST_F(OleTest, ClipboardRoundTripAndDroppedFiles) {
  COleDataSource source;
  source.CacheGlobalData(CF_TEXT, TextBlock("clip"));
  source.SetClipboard();
  COleDataObject data;
  ASSERT_TRUE(data.AttachClipboard());
  EXPECT_TRUE(data.IsDataAvailable(CF_TEXT));
  EXPECT_FALSE(data.IsDataAvailable(CF_HDROP));
  HGLOBAL h = data.GetGlobalData(CF_TEXT);
  ASSERT_NE(h, nullptr);
  EXPECT_STREQ(static_cast<const char*>(::GlobalLock(h)), "clip");
  ::GlobalUnlock(h);
  ::GlobalFree(h);

  HDROP drop = pv::MakeDrop({u"/a/one.note", u"/b/two.note"}, POINT{3, 4});
  EXPECT_EQ(DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0), 2u);
  WCHAR buf[8] = {};
  EXPECT_EQ(DragQueryFile(drop, 1, buf, 8), 7u);  // cut to the buffer
  EXPECT_EQ(std::u16string(buf), u"/b/two.");
  EXPECT_EQ(DragQueryFile(drop, 0, nullptr, 0), 11u);
  EXPECT_EQ(DragQueryFile(drop, 5, buf, 8), 0u);
  POINT pt{};
  EXPECT_TRUE(DragQueryPoint(drop, &pt));
  EXPECT_EQ(pt.x, 3);
  DragFinish(drop);
}

TEST_F(OleTest, EditMenuObjectEntryIsTheDisabledObjectItemWithoutEmbeddedObjects) {
  CMenu edit;
  ASSERT_TRUE(edit.CreatePopupMenu());
  edit.AppendMenu(MF_STRING, ID_EDIT_COPY, u"&Copy");
  CMenu verbs;
  ASSERT_TRUE(verbs.CreatePopupMenu());
  verbs.AppendMenu(MF_STRING, ID_OLE_VERB_FIRST, u"&Edit");
  edit.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(verbs.Detach()), u"Object");
  COleDocument doc;
  EXPECT_EQ(doc.GetPrimarySelectedItem(nullptr), nullptr);
  AfxOleSetEditMenu(doc.GetPrimarySelectedItem(nullptr), &edit, 1, ID_OLE_VERB_FIRST, ID_OLE_VERB_LAST);
  EXPECT_EQ(edit.GetMenuItemCount(), 2);
  EXPECT_EQ(edit.GetSubMenu(1), nullptr);
  EXPECT_EQ(edit.GetMenuItemID(1), static_cast<UINT>(ID_OLE_VERB_FIRST));
  EXPECT_TRUE(edit.GetMenuState(1, MF_BYPOSITION) & MF_GRAYED);
  CString text;
  edit.GetMenuString(1, text, MF_BYPOSITION);
  EXPECT_EQ(text, CString(u"&Object"));
}

}  // namespace
