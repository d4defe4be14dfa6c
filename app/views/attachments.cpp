#include "app/views/attachments.h"

#include <algorithm>

#include "app/data/datastore.h"
#include "app/views/captiontree.h"
#include "app/views/filereportcontrol.h"
#include "platform/shell/shellapi.h"
#include "platform/system/files.h"
#include "platform/system/msgbox.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"

namespace {

constexpr int kMaxBaseLength = 40;      // FILES.filename
constexpr int kMaxExtensionLength = 5;  // FILES.extendionname

bool Exists(const CString& path) { return GetFileAttributesW(path.GetString()) != INVALID_FILE_ATTRIBUTES; }

// A bound attachment cell's text; empty when it holds none.
bool HoldsText(CTKReportRecordItem* item) {
  auto* v = dynamic_cast<CTKReportRecordItemVariant*>(item);
  return v && v->GetValue().vt == VT_BSTR;
}
CString CellText(CTKReportRecordItem* item) {
  return HoldsText(item) ? FieldText(static_cast<CTKReportRecordItemVariant*>(item)->GetValue()) : CString();
}
void SetCellText(CTKReportRecordItem* item, const CString& text) {
  if (auto* v = dynamic_cast<CTKReportRecordItemVariant*>(item)) v->SetValue(COleVariant(text));
}

}  // namespace

CString AttachmentFolder() {
  CString folder = CString(pv::ProgramFolder()) + u"/Attachment";
  if (!Exists(folder)) CreateDirectoryW(folder.GetString(), nullptr);
  return folder + u"/";
}

AttachmentName SplitAttachmentPath(const CString& path) {
  const int slash = std::max(path.ReverseFind(u'/'), path.ReverseFind(u'\\'));
  const CString name = path.Mid(slash + 1);
  const int dot = name.ReverseFind(u'.');
  if (dot < 0) return {name, CString()};
  return {name.Left(dot), name.Mid(dot + 1)};
}

CString AttachmentFileName(const CString& base, const CString& extension) {
  return extension.IsEmpty() ? base : base + u"." + extension;
}

CString AttachmentPath(const CString& base, const CString& extension) {
  return AttachmentFolder() + AttachmentFileName(base, extension);
}

CString CheckAttachmentName(const CString& base, const CString& extension) {
  if (base.IsEmpty()) return u"file name cannot be null";
  if (base.GetLength() > kMaxBaseLength)
    return u"The file name is longer than 40 characters; rename the file and add it again.";
  if (extension.GetLength() > kMaxExtensionLength)
    return u"The file extension is longer than 5 characters; rename the file and add it again.";
  const CString whole = AttachmentFileName(base, extension);
  for (int i = 0; i < whole.GetLength(); ++i) {
    const char16_t c = whole[i];
    if (c == u'\0' || c == u'/' || c == u'\\') return u"The file name may not contain '/', '\\' or a zero character.";
  }
  if (whole.Find(u"..") >= 0) return u"The file name may not contain \"..\".";
  return CString();
}

void ShowAttachmentPrompt(HWND owner, const CString& text) {
  ::MessageBoxW(owner, text.GetString(), u"Prompt", MB_OK | MB_ICONEXCLAMATION);
}

BOOL AttachFile(CTKReportControl* grid, const CString& sourcePath, int taskId, HWND owner) {
  const AttachmentName name = SplitAttachmentPath(sourcePath);
  const CString refusal = CheckAttachmentName(name.base, name.extension);
  if (!refusal.IsEmpty()) {
    ShowAttachmentPrompt(owner, refusal);
    return FALSE;
  }
  const CString target = AttachmentPath(name.base, name.extension);
  // The folder is shared by every task: another attachment's copy is never
  // replaced. A copy no FILES row names any more (its attachment was
  // deleted, the copy left behind) may be.
  const bool existed = Exists(target);
  if (existed) {
    bool read = false;
    const int naming =
        AppDataStore().QueryScalarInt(u"select count(*) from files where filename=? and coalesce(extendionname,'')=?",
                                      {CDataStore::TextValue(name.base), CDataStore::TextValue(name.extension)}, &read);
    if (!read || naming != 0) {
      ShowAttachmentPrompt(owner, u"An attachment named " + AttachmentFileName(name.base, name.extension) +
                                      u" already exists; rename the file and add it again.");
      return FALSE;
    }
  }
  if (!CopyFileW(sourcePath.GetString(), target.GetString(), existed ? FALSE : TRUE)) {
    ShowAttachmentPrompt(owner, u"The file could not be copied into the attachment folder: " + sourcePath);
    return FALSE;
  }
  if (!AddAttachmentRow(grid, name.base, name.extension, taskId)) {
    DeleteFileW(target.GetString());
    ShowAttachmentPrompt(owner, u"The attachment " + AttachmentFileName(name.base, name.extension) +
                                    u" could not be stored in the database.");
    return FALSE;
  }
  return TRUE;
}

void OpenAttachment(CTKReportRecord* record, HWND owner) {
  if (!record) return;
  const CString name = CellText(record->GetItem(0));
  if (name.IsEmpty()) return;
  const CString path = AttachmentPath(name, CellText(record->GetItem(1)));
  ShellExecuteW(owner, u"open", path.GetString(), nullptr, nullptr, SW_SHOW);
}

void FinishAttachmentRename(CTKReportControl* grid, NMHDR* pNMHDR, const CString& oldName, const CString& extension,
                            HWND owner, const CString& nameExists) {
  auto* notify = reinterpret_cast<ReportItemNotify*>(pNMHDR);
  CTKReportRecord* record = notify && notify->pItem ? notify->pItem->GetRecord() : nullptr;
  if (record && HoldsText(record->GetItem(0))) {
    CTKReportRecordItem* nameItem = record->GetItem(0);
    const CString newName = CellText(nameItem);
    const CString oldPath = AttachmentPath(oldName, extension);
    const CString newPath = AttachmentPath(newName, extension);
    const CString refusal = CheckAttachmentName(newName, extension);
    auto restore = [&](const CString& text) {
      ShowAttachmentPrompt(owner, text);
      SetCellText(nameItem, oldName);
      grid->RebuildRows();
    };
    if (newName == oldName) {
      // Unchanged: nothing to move or store.
    } else if (!refusal.IsEmpty()) {
      restore(refusal);
    } else if (Exists(newPath)) {
      restore(nameExists);
    } else if (!MoveFileW(oldPath.GetString(), newPath.GetString())) {
      restore(u"The attachment's copy could not be renamed: " + oldPath);
    } else if (FAILED(grid->GetOrCreateDataManager()->UpdateField(nameItem))) {
      // The database kept the old name: so does the copy.
      MoveFileW(newPath.GetString(), oldPath.GetString());
      restore(u"The new name could not be stored; the attachment keeps its name.");
    }
  }
  grid->SetAllowEdit(FALSE);
}
