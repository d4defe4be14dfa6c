// The report control's record transfer: Copy puts the selected records in
// the records format and as text, Cut removes them and moves the focus,
// Paste adds records from either format with the owner's say, and a drag
// only notifies the owner.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/base/globalmem.h"
#include "report_engine_support.h"
#include "toolkit/report/reportclipboard.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reporttextform.h"

using namespace rptest;

namespace {

using Strings = std::vector<std::string>;

class ClipboardTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    Add("a", "x", 1);
    Add("b", "y", 2);
    Add("c", "z", 3);
    control->RebuildRows();
  }
  void Select(std::initializer_list<const char*> names) {
    control->GetSelectedRows()->Clear();
    for (const char* n : names) control->GetSelectedRows()->Add(RowNamed(n));
  }
  UINT RecordsFormat() { return ::RegisterClipboardFormatW(kTKReportRecordsFormat); }
  // The clipboard's Unicode text, or "<none>".
  std::string ClipboardText() {
    std::string out = "<none>";
    if (!::OpenClipboard(nullptr)) return out;
    if (HGLOBAL block = ::GetClipboardData(CF_UNICODETEXT)) {
      auto* units = static_cast<const char16_t*>(GlobalLock(block));
      out = Narrow(CString(units));
      GlobalUnlock(block);
    }
    ::CloseClipboard();
    return out;
  }
  // The names of the records in the clipboard's records block, or "<none>".
  std::string ClipboardRecords() {
    std::string out = "<none>";
    if (!::OpenClipboard(nullptr)) return out;
    if (HGLOBAL block = ::GetClipboardData(RecordsFormat())) {
      auto* records = new CTKReportRecords;
      out = TKReadRecordsBlock(block, records) ? "" : "<bad>";
      for (int i = 0; i < records->GetCount(); ++i) out += NameOf(records->GetAt(i)) + ";";
      records->InternalRelease();
    }
    ::CloseClipboard();
    return out;
  }
  void PutOnClipboard(UINT format, HGLOBAL block) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::SetClipboardData(format, block);
    ::CloseClipboard();
  }
  void EmptyTheClipboard() {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::CloseClipboard();
  }
  Strings Names() {
    Strings out;
    for (int i = 0; i < control->GetRecords()->GetCount(); ++i) out.push_back(NameOf(control->GetRecords()->GetAt(i)));
    return out;
  }
};

TEST_F(ClipboardTest, CopyPlacesTheSelectedRecordsAndTheirText) {
  Select({"c", "a"});
  control->Copy();
  // Selection order is display order.
  EXPECT_EQ(ClipboardRecords(), "a;c;");
  EXPECT_EQ(ClipboardText(), "a\tx\t1\r\nc\tz\t3\r\n");
  // Hidden columns are left out of the text, not out of the records.
  text->SetVisible(FALSE);
  control->Copy();
  EXPECT_EQ(ClipboardText(), "a\t1\r\nc\t3\r\n");
  EXPECT_EQ(ClipboardRecords(), "a;c;");
}

TEST_F(ClipboardTest, CopyWithoutSelectionLeavesOnlyAnEmptyText) {
  Select({"a"});
  control->Copy();
  control->GetSelectedRows()->Clear();
  control->Copy();
  EXPECT_EQ(ClipboardText(), "");
  EXPECT_FALSE(::IsClipboardFormatAvailable(RecordsFormat()));
}

TEST_F(ClipboardTest, OwnerMayLeaveRowsOutOfTheText) {
  host->onNotify = [](int code, NMHDR* header) -> LRESULT {
    if (code != TK_NM_REPORT_BEFORE_COPY_TOTEXT) return 0;
    auto* nm = reinterpret_cast<TK_NM_REPORT_BEFORE_COPYPASTE*>(header);
    return NameOf(*nm->ppRecord) == "b";
  };
  Select({"a", "b", "c"});
  control->Copy();
  EXPECT_EQ(ClipboardText(), "a\tx\t1\r\nc\tz\t3\r\n");
  EXPECT_EQ(ClipboardRecords(), "a;b;c;");
}

TEST_F(ClipboardTest, CutRemovesTheRowsAndFocusesTheNextOrLastRow) {
  Select({"b"});
  control->Cut();
  EXPECT_EQ(ClipboardRecords(), "b;");
  EXPECT_EQ(Names(), (Strings{"a", "c"}));
  EXPECT_EQ(FocusedName(), "c");
  EXPECT_EQ(SelectedNames(*control), Strings{"c"});
  // The last row: the focus goes to the new last row.
  control->Cut();
  EXPECT_EQ(Names(), Strings{"a"});
  EXPECT_EQ(FocusedName(), "a");
  // Everything: nothing focused or selected.
  control->Cut();
  EXPECT_TRUE(Names().empty());
  EXPECT_EQ(control->GetFocusedRow(), nullptr);
  EXPECT_EQ(control->GetSelectedRows()->GetCount(), 0);
}

TEST_F(ClipboardTest, CutOfAGroupRowRemovesTheRecordsUnderIt) {
  Add("d", "x", 4);
  control->GetColumns()->GetGroupsOrder()->Add(text);
  control->RebuildRows();
  control->GetSelectedRows()->Clear();
  control->GetSelectedRows()->Add(Rows()->GetAt(0));  // the group of "x": a and d
  ASSERT_TRUE(Rows()->GetAt(0)->IsGroupRow());
  control->Cut();
  EXPECT_EQ(Names(), (Strings{"b", "c"}));
  // The group row has no record: in neither form (no records block at all).
  EXPECT_EQ(ClipboardRecords(), "<none>");
  EXPECT_EQ(ClipboardText(), "");
}

// Cut takes all the selected rows out in one pass. The model removes them
// one by one, last first, as RemoveRowEx and RemoveRecordEx do for a single
// row; both grids must end with the same rows, records and children.
namespace {

void FillForCut(CTKReportControl* c, bool grouped) {
  for (int i = 0; i < 12; ++i) {
    CTKReportRecord* r = NamedRecord("r" + std::to_string(i), "g" + std::to_string(i % 3), i);
    if (i == 1 || i == 4) {
      for (int k = 0; k < (i == 1 ? 2 : 1); ++k)
        r->GetChilds()->Add(NamedRecord("c" + std::to_string(i) + std::string(1, static_cast<char>('a' + k)), "g", k));
    }
    c->AddRecord(r);
  }
  if (grouped) c->GetColumns()->GetGroupsOrder()->Add(c->GetColumns()->GetAt(1));
  c->RebuildRows();
  c->ExpandAll();
  c->GetSelectedRows()->Clear(FALSE);
}

void RemoveOneByOne(CTKReportControl* c, CTKReportRow* row) {
  if (!row->IsGroupRow()) {
    c->RemoveRecordEx(row->GetRecord(), FALSE, TRUE);
    return;
  }
  CTKReportRows* children = row->GetChildRows();
  for (int i = children ? children->GetCount() - 1 : -1; i >= 0; --i)
    if (CTKReportRow* child = children->GetAt(i)) RemoveOneByOne(c, child);
}

// Every record with its children, as text.
std::string RecordTree(CTKReportRecords* records) {
  std::string out;
  for (int i = 0; i < records->GetCount(); ++i) {
    CTKReportRecord* r = records->GetAt(i);
    out += NameOf(r) + "@" + std::to_string(r->GetIndex());
    if (r->HasChildren()) out += "(" + RecordTree(r->GetChilds()) + ")";
    out += " ";
  }
  return out;
}

}  // namespace

TEST_F(ClipboardTest, CutOfManyRowsEndsAsRemovingThemOneByOne) {
  struct Case {
    const char* what;
    bool grouped;
    std::vector<int> rows;  // display indexes; -1 for every row
  };
  const Case cases[] = {
      {"every other row", false, {0, 2, 4, 6, 8, 10, 12, 14}},
      {"a parent and its child", false, {1, 2}},
      {"a child alone", false, {3}},
      {"every row", false, {-1}},
      {"a group row and a row of another group", true, {0, 7}},
      {"rows emptying their group", true, {1, 2, 3, 4, 5, 6}},
      {"every row, groups too", true, {-1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    control->ResetContent(FALSE);
    control->GetColumns()->GetGroupsOrder()->Clear();
    FillForCut(control.get(), c.grouped);
    auto model = std::make_unique<CTKReportControl>();
    ASSERT_TRUE(model->Create(WS_CHILD, CRect(0, 0, 300, 200), host.get(), 9));
    for (int i = 0; i < 3; ++i)
      model->AddColumn(new CTKReportColumn(i, control->GetColumns()->GetAt(i)->GetCaption(), 100));
    FillForCut(model.get(), c.grouped);
    ASSERT_EQ(Display(Rows()), Display(model->GetBodyRows()));

    std::vector<int> indexes = c.rows;
    if (indexes == std::vector<int>{-1}) {
      indexes.clear();
      for (int i = 0; i < Rows()->GetCount(); ++i) indexes.push_back(i);
    }
    for (int i : indexes) control->GetSelectedRows()->Add(Rows()->GetAt(i));
    std::vector<CTKReportRow*> picked;
    for (int i : indexes) {
      picked.push_back(model->GetBodyRows()->GetAt(i));
      picked.back()->InternalAddRef();
    }
    control->Cut();
    for (auto it = picked.rbegin(); it != picked.rend(); ++it) RemoveOneByOne(model.get(), *it);
    for (CTKReportRow* row : picked) row->InternalRelease();

    EXPECT_EQ(Display(Rows()), Display(model->GetBodyRows()));
    EXPECT_EQ(RecordTree(control->GetRecords()), RecordTree(model->GetRecords()));
    CString why;
    EXPECT_TRUE(model->CheckInvariants(&why)) << Narrow(why);
    model->DestroyWindow();
  }
}

TEST_F(ClipboardTest, PasteAddsTheRecordsAndSelectsThem) {
  Select({"a", "c"});
  control->Copy();
  control->Paste();
  EXPECT_EQ(Names(), (Strings{"a", "b", "c", "a", "c"}));
  CTKReportSelectedRows* selection = control->GetSelectedRows();
  ASSERT_EQ(selection->GetCount(), 2);
  EXPECT_EQ(selection->GetAt(0)->GetRecord(), control->GetRecords()->GetAt(3));
  EXPECT_EQ(selection->GetAt(1)->GetRecord(), control->GetRecords()->GetAt(4));
}

TEST_F(ClipboardTest, PasteOfTextMakesARecordPerLine) {
  EmptyTheClipboard();
  PutOnClipboard(CF_UNICODETEXT, TKCopyTextToGlobal(CString(u"p\tq\r\n\r\nr\r\n")));
  EXPECT_TRUE(control->CanPaste());
  control->Paste();
  ASSERT_EQ(control->GetRecords()->GetCount(), 5);
  auto captions = [&](int i) {
    std::string out;
    CTKReportRecord* record = control->GetRecords()->GetAt(i);
    for (int j = 0; j < record->GetItemCount(); ++j) out += Narrow(record->GetItem(j)->GetCaption(nullptr)) + "|";
    return out;
  };
  EXPECT_EQ(captions(3), "p|q||");
  EXPECT_EQ(captions(4), "r|||");
}

TEST_F(ClipboardTest, OwnerMaySupplyOrRefuseRecordsFromText) {
  host->onNotify = [](int code, NMHDR* header) -> LRESULT {
    if (code != TK_NM_REPORT_BEFORE_PASTE_FROMTEXT) return 0;
    auto* nm = reinterpret_cast<TK_NM_REPORT_BEFORE_COPYPASTE*>(header);
    if ((*nm->parStrings)[0] == CString(u"skip")) return 1;
    if ((*nm->parStrings)[0] == CString(u"own")) *nm->ppRecord = TextRecord({"mine"});
    return 0;
  };
  EmptyTheClipboard();
  PutOnClipboard(CF_UNICODETEXT, TKCopyTextToGlobal(CString(u"skip\r\nown\r\nplain\r\n")));
  control->Paste();
  EXPECT_EQ(Names(), (Strings{"a", "b", "c", "mine", "plain"}));
}

TEST_F(ClipboardTest, OwnerMayRefuseOrReplacePastedRecords) {
  host->onNotify = [](int code, NMHDR* header) -> LRESULT {
    if (code != TK_NM_REPORT_BEFORE_PASTE) return 0;
    auto* nm = reinterpret_cast<TK_NM_REPORT_BEFORE_COPYPASTE*>(header);
    if (NameOf(*nm->ppRecord) == "a") return 1;
    if (NameOf(*nm->ppRecord) == "b") *nm->ppRecord = TextRecord({"B"});
    return 0;
  };
  Select({"a", "b", "c"});
  control->Copy();
  control->Paste();
  EXPECT_EQ(Names(), (Strings{"a", "b", "c", "B", "c"}));
}

TEST_F(ClipboardTest, RecordsFormatWinsOverTextAndABadBlockPastesNothing) {
  Select({"b"});
  control->Copy();  // records and text
  control->Paste();
  EXPECT_EQ(Names(), (Strings{"a", "b", "c", "b"}));
  // A block of another version beside good text: nothing at all.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64);
  std::memcpy(GlobalLock(block), "\x02\0\0\0\xff\xff\xff\xff\0\0", 10);
  GlobalUnlock(block);
  EmptyTheClipboard();
  PutOnClipboard(CF_UNICODETEXT, TKCopyTextToGlobal(CString(u"text\r\n")));
  PutOnClipboard(RecordsFormat(), block);
  control->Paste();
  EXPECT_EQ(Names(), (Strings{"a", "b", "c", "b"}));
}

TEST_F(ClipboardTest, CanPasteAnswersForTextAndRecords) {
  EmptyTheClipboard();
  EXPECT_FALSE(control->CanPaste());
  HGLOBAL ansi = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(ansi), "a\tb", 4);
  GlobalUnlock(ansi);
  PutOnClipboard(CF_TEXT, ansi);
  EXPECT_TRUE(control->CanPaste());
  // The same text reaches Paste as Unicode text.
  control->Paste();
  EXPECT_EQ(Names(), (Strings{"a", "b", "c", "a"}));
  EXPECT_EQ(Narrow(control->GetRecords()->GetAt(3)->GetItem(1)->GetCaption(nullptr)), "b");
}

TEST_F(ClipboardTest, VirtualModeCopiesButNeitherCutsNorPastes) {
  control->GetRecords()->RemoveAll();
  control->GetRecords()->SetVirtualMode(TextRecord({"v", "w", "u"}), 4);
  control->RebuildRows();
  ASSERT_EQ(Rows()->GetCount(), 4);
  control->GetSelectedRows()->Clear();
  control->GetSelectedRows()->Add(Rows()->GetAt(1));
  EXPECT_FALSE(control->CanCut());
  control->Cut();
  EXPECT_EQ(ClipboardText(), "v\tw\tu\r\n");
  EXPECT_EQ(Rows()->GetCount(), 4);
  control->Paste();
  EXPECT_EQ(control->GetRecords()->m_arrRecords.GetSize(), 0);
  EXPECT_EQ(Rows()->GetCount(), 4);
}

TEST_F(ClipboardTest, DragOnlyNotifiesTheOwner) {
  struct Case {
    UINT flags;
    LRESULT answer;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {MK_LBUTTON, 0, {-109}},
      {MK_RBUTTON, 0, {-109, -111}},
      {MK_RBUTTON, 1, {-109}},
  };
  for (const Case& c : cases) {
    host->codes.clear();
    host->onNotify = [&](int code, NMHDR*) -> LRESULT { return code == -109 ? c.answer : 0; };
    control->BeginDragRecords(CPoint(5, 6), c.flags);
    EXPECT_EQ(host->codes, c.codes);
  }
}

}  // namespace
