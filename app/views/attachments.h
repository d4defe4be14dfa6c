// Task attachments on disk: the "Attachment" folder in the program's folder
// holds one copy of each attached file under its own name ("base.ext", or
// "base" without an extension); a FILES row names it by base name and
// extension. The folder is shared by every task, so the copy of an
// attachment is never replaced: a second file of the same name is refused.
#pragma once

#include "platform/base/cstring.h"
#include "platform/window/winuser.h"

class CTKReportControl;
class CTKReportRecord;

// "<program folder>/Attachment/", made when missing.
CString AttachmentFolder();

// A file name split at its last '.': the base name and the extension
// without the dot ("report.final.doc" gives "report.final" and "doc";
// "README" gives "README" and an empty extension).
struct AttachmentName {
  CString base;
  CString extension;
};
// The file name of a path (after its last '/' or '\'), split.
AttachmentName SplitAttachmentPath(const CString& path);
// "base.ext", or "base" when the extension is empty.
CString AttachmentFileName(const CString& base, const CString& extension);
// The copy's full path in the attachment folder.
CString AttachmentPath(const CString& base, const CString& extension);

// Empty when the name may be stored (FILES.filename holds 40 characters,
// extendionname 5) and names a file inside the folder: no separators, no
// "..", no zero character, no empty base name. Otherwise the reason.
CString CheckAttachmentName(const CString& base, const CString& extension);

// Shows a refusal under "Prompt".
void ShowAttachmentPrompt(HWND owner, const CString& text);

// Copies the file into the attachment folder and adds its FILES row to the
// grid's task through the grid's binding. Refuses (with a message, nothing
// copied or stored) a bad name and a name another FILES row holds (a copy
// no row names, left by a deleted attachment, is replaced); a copy
// that fails adds no row; a row the database refuses removes the fresh
// copy. TRUE when the row was added.
BOOL AttachFile(CTKReportControl* grid, const CString& sourcePath, int taskId, HWND owner);

// Opens the copy a grid record names with the program the shell picks;
// nothing for a record without a name.
void OpenAttachment(CTKReportRecord* record, HWND owner);

// Ends a rename of an attachment's name cell the grid reported: moves the
// copy from oldName to the new name and stores the new name. A bad or taken
// name, a copy that cannot be moved, or a name the database refuses puts
// oldName back in the cell (and on the copy) with a message. Editing is
// switched off afterwards.
// `nameExists` is the form's message for a name already in the folder.
void FinishAttachmentRename(CTKReportControl* grid, NMHDR* pNMHDR, const CString& oldName, const CString& extension,
                            HWND owner, const CString& nameExists = u"file name is exist ,change name");
