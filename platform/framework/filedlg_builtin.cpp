// The file dialog made of the standard controls. The framework does not link
// the controls: it creates them by class name from an in-memory template and
// talks to them with messages.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cwctype>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/base/utf.h"
#include "platform/framework/afxdlg.h"
#include "platform/framework/owndialog.h"
#include "platform/system/files.h"

namespace {

using pv::afx::kStaticId;

char16_t Fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c - u'A' + u'a');
  if (c < 0x80) return c;
  return static_cast<char16_t>(std::towlower(c));
}

// '*' and '?' with case ignored; "*.*" matches every name, as users expect.
bool Glob(std::u16string_view pat, std::u16string_view name) { return pat == u"*.*" || pv::MatchWildcard(pat, name); }

std::vector<std::u16string> SplitPatterns(std::u16string_view list) {
  std::vector<std::u16string> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(u';', start);
    if (end == std::u16string_view::npos) end = list.size();
    std::u16string_view one = list.substr(start, end - start);
    while (!one.empty() && one.front() == u' ') one.remove_prefix(1);
    while (!one.empty() && one.back() == u' ') one.remove_suffix(1);
    if (!one.empty()) out.emplace_back(one);
    start = end + 1;
  }
  return out;
}

// Paths use '/'; a backslash from a caller or the user separates folders too,
// as everywhere in the file layer.
std::u16string Slashes(std::u16string s) {
  std::replace(s.begin(), s.end(), u'\\', u'/');
  return s;
}

bool HasWildcard(std::u16string_view s) { return s.find_first_of(u"*?") != std::u16string_view::npos; }

// An absolute path without ".", ".." or doubled separators.
std::u16string Normalize(const std::u16string& path) {
  std::vector<std::u16string> parts;
  size_t i = 0;
  while (i < path.size()) {
    size_t j = path.find(u'/', i);
    if (j == std::u16string::npos) j = path.size();
    std::u16string part = path.substr(i, j - i);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::u16string out;
  for (const auto& p : parts) out += u'/' + p;
  return out.empty() ? u"/" : out;
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  if (!name.empty() && name[0] == u'/') return Normalize(name);
  return Normalize(folder + u'/' + name);
}

bool IsFolder(const std::u16string& path) {
  struct stat st {};
  return ::stat(pv::Utf16ToUtf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct Entry {
  std::u16string name;
  bool folder = false;
};

bool LessFolded(const std::u16string& a, const std::u16string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // names differing only in case keep a fixed order
}

// Reads a folder: sub-folders and files (dot-files only when asked). Names
// that are not valid UTF-8 cannot be given back as a path, so they are left
// out. Answers errno on failure.
int ReadFolder(const std::u16string& folder, bool showHidden, std::vector<Entry>* out) {
  std::string dir = pv::Utf16ToUtf8(folder);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return errno ? errno : EACCES;
  out->clear();
  errno = 0;
  while (dirent* e = ::readdir(d)) {
    std::string_view raw = e->d_name;
    if (raw == "." || raw == "..") continue;
    if (raw[0] == '.' && !showHidden) continue;
    Entry entry;
    if (!pv::AppendUtf8ToUtf16(entry.name, raw)) continue;
    struct stat st {};
    std::string full = dir == "/" ? "/" + std::string(raw) : dir + "/" + std::string(raw);
    entry.folder = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    out->push_back(std::move(entry));
  }
  ::closedir(d);
  std::sort(out->begin(), out->end(), [](const Entry& a, const Entry& b) {
    if (a.folder != b.folder) return a.folder;
    return LessFolded(a.name, b.name);
  });
  return 0;
}

std::u16string CurrentFolder() {
  std::string buf(4096, '\0');
  if (!::getcwd(buf.data(), buf.size())) return u"/";
  buf.resize(std::strlen(buf.c_str()));
  return pv::Utf8ToUtf16(buf);
}

std::u16string TextOf(HWND h) { return pv::WindowText(h); }

class CBuiltInFileDialog : public CDialog {
 public:
  explicit CBuiltInFileDialog(pv::FileDialogRequest& req) : req_(req) {}

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    HWND types = Item(pv::kFileDlgType);
    for (const auto& f : req_.filters) ::SendMessage(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.first.c_str()));
    if (!req_.filters.empty()) {
      // An index outside the types (0 included) starts with the first.
      size_t index = req_.filterIndex >= 1 && req_.filterIndex <= req_.filters.size() ? req_.filterIndex - 1 : 0;
      ::SendMessage(types, CB_SETCURSEL, index, 0);
      req_.filterIndex = static_cast<DWORD>(index + 1);  // the type shown is the one answered
      patterns_ = SplitPatterns(req_.filters[index].second);
    }
    if (HWND ro = Item(pv::kFileDlgReadOnly)) ::SendMessage(ro, BM_SETCHECK, (req_.flags & OFN_READONLY) ? 1 : 0, 0);

    // A proposed name with a folder starts there; then the initial folder;
    // then the working folder.
    std::u16string name = Slashes(req_.fileName);
    std::vector<std::u16string> starts;
    size_t slash = name.find_last_of(u'/');
    if (slash != std::u16string::npos) {
      starts.push_back(Join(CurrentFolder(), slash == 0 ? u"/" : name.substr(0, slash)));
      name = name.substr(slash + 1);
    }
    if (!req_.initialDir.empty()) starts.push_back(Join(CurrentFolder(), Slashes(req_.initialDir)));
    starts.push_back(CurrentFolder());
    starts.push_back(u"/");
    for (const auto& s : starts)
      if (Enter(s, false)) break;
    ::SetWindowText(Item(pv::kFileDlgName), name.c_str());
    GotoDlgCtrl(CWnd::FromHandle(Item(pv::kFileDlgName)));
    return FALSE;
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (id == pv::kFileDlgList && code == LBN_SELCHANGE) {
      int row = CurrentRow();
      if (row >= 0 && !rows_[static_cast<size_t>(row)].folder)
        ::SetWindowText(Item(pv::kFileDlgName), rows_[static_cast<size_t>(row)].name.c_str());
      return TRUE;
    }
    if (id == pv::kFileDlgList && code == LBN_DBLCLK) {
      int row = CurrentRow();
      if (row < 0) return TRUE;
      const Entry& e = rows_[static_cast<size_t>(row)];
      if (e.folder) Enter(Join(folder_, e.name), true);
      else Accept(Join(folder_, e.name));
      return TRUE;
    }
    if (id == pv::kFileDlgType && code == CBN_SELCHANGE) {
      int sel = static_cast<int>(::SendMessage(Item(pv::kFileDlgType), CB_GETCURSEL, 0, 0));
      if (sel >= 0 && static_cast<size_t>(sel) < req_.filters.size()) {
        req_.filterIndex = static_cast<DWORD>(sel + 1);
        patterns_ = SplitPatterns(req_.filters[static_cast<size_t>(sel)].second);
        Fill();
      }
      return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
  }

  // Enter (or the Open/Save button): a folder chosen in the list is entered;
  // a typed folder is entered, a typed pattern filters, a name is the answer.
  void OnOK() override {
    HWND list = Item(pv::kFileDlgList);
    if (::GetFocus() == list) {
      int row = CurrentRow();
      if (row >= 0 && rows_[static_cast<size_t>(row)].folder) {
        Enter(Join(folder_, rows_[static_cast<size_t>(row)].name), true);
        return;
      }
    }
    HWND edit = Item(pv::kFileDlgName);
    std::u16string text = Slashes(TextOf(edit));
    if (text.empty()) {
      ::MessageBeep(0);
      return;
    }
    if (HasWildcard(text)) {
      size_t slash = text.find_last_of(u'/');
      if (slash != std::u16string::npos) {
        if (!Enter(Join(folder_, slash == 0 ? u"/" : text.substr(0, slash)), true)) return;
        text = text.substr(slash + 1);
      }
      patterns_ = SplitPatterns(text);
      Fill();
      ::SetWindowText(edit, text.c_str());
      GotoDlgCtrl(CWnd::FromHandle(edit));
      return;
    }
    std::u16string path = Join(folder_, text);
    if (IsFolder(path)) {
      if (Enter(path, true)) {
        ::SetWindowText(edit, u"");
        GotoDlgCtrl(CWnd::FromHandle(edit));
      }
      return;
    }
    // A name ending in '/' asks for a folder that is not there.
    size_t leafAt = path.find_last_of(u'/');
    std::u16string parent = leafAt == 0 ? u"/" : path.substr(0, leafAt);
    if (text.back() == u'/' || !IsFolder(parent)) {
      CString msg;
      msg.Format(u"%s\nThe folder does not exist.\nCheck the path and try again.",
                 (text.back() == u'/' ? path : parent).c_str());
      AfxMessageBox(msg, MB_OK | MB_ICONEXCLAMATION);
      GotoDlgCtrl(CWnd::FromHandle(edit));
      return;
    }
    Accept(path);
  }

 private:
  HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }

  int CurrentRow() const {
    int row = static_cast<int>(::SendMessage(Item(pv::kFileDlgList), LB_GETCURSEL, 0, 0));
    return row >= 0 && static_cast<size_t>(row) < rows_.size() ? row : -1;
  }

  // Shows a folder; an unreadable one keeps the previous folder (with a
  // message when the user asked for it).
  bool Enter(const std::u16string& folder, bool tell) {
    std::vector<Entry> entries;
    int err = ReadFolder(folder, (req_.flags & OFN_FORCESHOWHIDDEN) != 0, &entries);
    if (err) {
      if (tell) {
        CString msg;
        msg.Format(u"%s\nThe folder cannot be opened (%hs).", folder.c_str(), std::strerror(err));
        AfxMessageBox(msg, MB_OK | MB_ICONEXCLAMATION);
      }
      return false;
    }
    folder_ = folder;
    entries_ = std::move(entries);
    ::SetWindowText(Item(pv::kFileDlgFolder), folder_.c_str());
    Fill();
    return true;
  }

  // The list: ".." (below the root), the folders, the files of the type.
  void Fill() {
    rows_.clear();
    if (folder_ != u"/") rows_.push_back({u"..", true});
    for (const Entry& e : entries_) {
      if (e.folder) {
        rows_.push_back(e);
        continue;
      }
      bool match = patterns_.empty();
      for (const auto& p : patterns_) match = match || Glob(p, e.name);
      if (match) rows_.push_back(e);
    }
    HWND list = Item(pv::kFileDlgList);
    ::SendMessage(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessage(list, LB_RESETCONTENT, 0, 0);
    for (const Entry& e : rows_) {
      std::u16string shown = e.folder && e.name != u".." ? e.name + u'/' : e.name;
      ::SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    ::SendMessage(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ::SendMessage(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
  }

  void Accept(const std::u16string& path) {
    req_.files = {path};
    if (HWND ro = Item(pv::kFileDlgReadOnly)) {
      if (::SendMessage(ro, BM_GETCHECK, 0, 0) == 1) req_.flags |= OFN_READONLY;
      else req_.flags &= ~static_cast<DWORD>(OFN_READONLY);
    }
    EndDialog(IDOK);
  }

  pv::FileDialogRequest& req_;
  std::u16string folder_;
  std::vector<Entry> entries_;  // the folder as read
  std::vector<Entry> rows_;     // what the list shows, row for row
  std::vector<std::u16string> patterns_;
};

pv::DialogTemplate MakeTemplate(const pv::FileDialogRequest& req) {
  std::u16string caption = !req.title.empty() ? req.title : req.open ? u"Open" : u"Save As";
  pv::DialogTemplate t =
      pv::afx::OwnDialogTemplate(caption, 280, static_cast<short>(req.flags & OFN_HIDEREADONLY ? 176 : 190));
  auto add = [&t](auto&&... args) { pv::afx::AddControl(t, args...); };
  add(u"Static", u"Look in:", 0, kStaticId, 7, 8, 40, 9);
  add(u"Static", u"", SS_NOPREFIX | SS_LEFTNOWORDWRAP, pv::kFileDlgFolder, 50, 8, 223, 9);
  add(u"ListBox", u"", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP, pv::kFileDlgList, 7, 20,
      266, 112);
  add(u"Static", u"File &name:", 0, kStaticId, 7, 140, 50, 9);
  add(u"Edit", u"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, pv::kFileDlgName, 60, 138, 150, 12);
  add(u"Static", u"Files of &type:", 0, kStaticId, 7, 158, 50, 9);
  // Our drop-down list is as tall as its face; the list scrolls itself.
  add(u"ComboBox", u"", CBS_DROPDOWNLIST | WS_TABSTOP, pv::kFileDlgType, 60, 156, 150, 12);
  if (!(req.flags & OFN_HIDEREADONLY))
    add(u"Button", u"Open as &read-only", BS_AUTOCHECKBOX | WS_TABSTOP, pv::kFileDlgReadOnly, 60, 174, 150, 10);
  add(u"Button", req.open ? u"&Open" : u"&Save", BS_DEFPUSHBUTTON | WS_TABSTOP, static_cast<UINT>(IDOK), 218, 138, 55,
      14);
  add(u"Button", u"Cancel", WS_TABSTOP, static_cast<UINT>(IDCANCEL), 218, 156, 55, 14);
  return t;
}

}  // namespace

int pv::RunBuiltInFileDialog(FileDialogRequest& request, HWND owner) {
  FileDialogRequest work = request;
  work.files.clear();
  CBuiltInFileDialog dlg(work);
  dlg.InitModalIndirect(MakeTemplate(request), owner ? CWnd::FromHandle(owner) : nullptr);
  if (dlg.DoModal() != IDOK || work.files.empty()) return IDCANCEL;
  request.files = work.files;
  request.flags = work.flags;
  request.filterIndex = work.filterIndex;
  return IDOK;
}
