#include "platform/base/exceptions.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/base/lasterror.h"
#include "platform/base/utf.h"

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CSimpleException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CSimpleException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CSimpleException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CSimpleException)
IMPLEMENT_DYNAMIC(CResourceException, CSimpleException)
IMPLEMENT_DYNAMIC(CUserException, CSimpleException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(COleException, CException)

namespace {

BOOL CopyMessage(std::u16string_view message, LPTSTR text, UINT maxChars) {
  if (!text || maxChars == 0) return FALSE;
  size_t n = std::min<size_t>(message.size(), maxChars - 1);
  message.copy(text, n);
  text[n] = 0;
  return message.empty() ? FALSE : TRUE;
}

// Puts the file name in place of %1; an unnamed file reads "an unnamed file"
// (capitalised when the message starts with it).
std::u16string WithFileName(std::u16string_view pattern, const CString& fileName) {
  std::u16string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u'1') {
      if (fileName.IsEmpty()) out += i == 0 ? u"An unnamed file" : u"an unnamed file";
      else out += fileName.View();
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

int DefaultReporter(LPCTSTR text, UINT) {
  std::fprintf(stderr, "%s\n", pv::Utf16ToUtf8(text ? std::u16string_view(text) : u"").c_str());
  return 1;
}

std::atomic<PvErrorReporter> g_reporter{&DefaultReporter};

}  // namespace

void PvSetErrorReporter(PvErrorReporter reporter) { g_reporter = reporter ? reporter : &DefaultReporter; }

// ---- CException ------------------------------------------------------------------------------
void CException::Delete() {
  if (m_bAutoDelete) delete this;
}

BOOL CException::GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext) const {
  if (helpContext) *helpContext = 0;
  CopyMessage(u"", text, maxChars);
  return FALSE;
}

int CException::ReportError(UINT type, UINT messageId) const {
  TCHAR buffer[1024];
  CString message;
  if (GetErrorMessage(buffer, _countof(buffer))) {
    message = buffer;
  } else if (messageId == 0 || !message.LoadString(messageId)) {
    message = u"No error message is available.";
  }
  return g_reporter.load()(message.GetString(), type);
}

BOOL CSimpleException::GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext) const {
  if (helpContext) *helpContext = 0;
  return CopyMessage(Message(), text, maxChars);
}

LPCTSTR CMemoryException::Message() const { return u"Out of memory."; }
LPCTSTR CNotSupportedException::Message() const { return u"The operation is not supported."; }
LPCTSTR CInvalidArgException::Message() const { return u"An invalid argument was given."; }
LPCTSTR CResourceException::Message() const { return u"A required resource is not available."; }
LPCTSTR CUserException::Message() const { return u""; }

BOOL CUserException::GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext) const {
  if (helpContext) *helpContext = 0;
  CopyMessage(u"", text, maxChars);
  return FALSE;
}

// ---- CFileException -----------------------------------------------------------------------------
CFileException::CFileException(int cause, LONG osError, LPCTSTR fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

BOOL CFileException::GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext) const {
  if (helpContext) *helpContext = 0;
  static const char16_t* const kMessages[] = {
      u"No error occurred.",
      u"An unexpected error occurred while accessing %1.",
      u"%1 was not found.",
      u"%1 contains an invalid path.",
      u"%1 could not be opened: too many files are open.",
      u"Access to %1 was denied.",
      u"An invalid file handle was used with %1.",
      u"%1 could not be removed: it is the current folder.",
      u"%1 could not be created: the folder is full.",
      u"Seeking in %1 failed.",
      u"A hardware input/output error occurred while accessing %1.",
      u"%1 is in use by another program (sharing violation).",
      u"A locked region of %1 could not be accessed.",
      u"The disk is full while writing %1.",
      u"An attempt was made to read past the end of %1.",
  };
  int cause = m_cause >= 0 && m_cause < static_cast<int>(_countof(kMessages)) ? m_cause : genericException;
  return CopyMessage(WithFileName(kMessages[cause], m_strFileName), text, maxChars);
}

int CFileException::OsErrorToException(LONG osError) {
  switch (static_cast<DWORD>(osError)) {
    case NO_ERROR:
      return none;
    case ERROR_FILE_NOT_FOUND:
      return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
      return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return accessDenied;
    case ERROR_INVALID_HANDLE:
      return invalidFile;
    case ERROR_SHARING_VIOLATION:
      return sharingViolation;
    case ERROR_LOCK_VIOLATION:
      return lockViolation;
    case ERROR_DISK_FULL:
      return diskFull;
    case ERROR_HANDLE_EOF:
      return endOfFile;
    case ERROR_NEGATIVE_SEEK:
      return badSeek;
    case ERROR_CANTREAD:
    case ERROR_CANTWRITE:
      return hardIO;
    default:
      return genericException;
  }
}

LONG CFileException::ErrnoToOsError(int e) {
  switch (e) {
    case 0:
      return NO_ERROR;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP:
    case EINVAL:
      return ERROR_INVALID_NAME;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ERROR_DISK_FULL;
    case EIO:
      return ERROR_CANTREAD;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    default:
      return ERROR_INVALID_FUNCTION;
  }
}

int CFileException::ErrnoToException(int e) { return OsErrorToException(ErrnoToOsError(e)); }

void CFileException::ThrowOsError(LONG osError, LPCTSTR fileName) {
  if (osError != 0) AfxThrowFileException(OsErrorToException(osError), osError, fileName);
}

void CFileException::ThrowErrno(int e, LPCTSTR fileName) {
  if (e != 0) AfxThrowFileException(ErrnoToException(e), ErrnoToOsError(e), fileName);
}

// ---- CArchiveException ------------------------------------------------------------------------------
CArchiveException::CArchiveException(int cause, LPCTSTR archiveName) : m_cause(cause), m_strFileName(archiveName) {}

BOOL CArchiveException::GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext) const {
  if (helpContext) *helpContext = 0;
  static const char16_t* const kMessages[] = {
      u"No error occurred.",
      u"An unexpected error occurred while reading or writing %1.",
      u"%1 is being read and cannot be written.",
      u"%1 ended unexpectedly.",
      u"%1 is being written and cannot be read.",
      u"%1 has an invalid format.",
      u"%1 holds an object of an unexpected class.",
      u"%1 holds an object of an unsupported version.",
      u"The buffer of %1 is full.",
  };
  int cause = m_cause >= 0 && m_cause < static_cast<int>(_countof(kMessages)) ? m_cause : genericException;
  return CopyMessage(WithFileName(kMessages[cause], m_strFileName), text, maxChars);
}

// ---- COleException --------------------------------------------------------------------------------------
BOOL COleException::GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext) const {
  if (helpContext) *helpContext = 0;
  if (m_sc == E_OUTOFMEMORY) return CopyMessage(u"Out of memory.", text, maxChars);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "A COM operation failed (0x%08X).", static_cast<unsigned>(m_sc));
  return CopyMessage(pv::Utf8ToUtf16(buffer), text, maxChars);
}

SCODE COleException::Process(const CException* e) {
  if (!e) return E_UNEXPECTED;
  if (e->IsKindOf(RUNTIME_CLASS(COleException))) return static_cast<const COleException*>(e)->m_sc;
  if (e->IsKindOf(RUNTIME_CLASS(CMemoryException))) return E_OUTOFMEMORY;
  if (e->IsKindOf(RUNTIME_CLASS(CNotSupportedException))) return E_NOTIMPL;
  if (e->IsKindOf(RUNTIME_CLASS(CInvalidArgException))) return E_INVALIDARG;
  return E_UNEXPECTED;
}

// ---- throwing helpers ----------------------------------------------------------------------------------------
void AfxThrowMemoryException() {
  // No allocation when memory is what ran out: one shared, never deleted.
  static CMemoryException s_memoryException(FALSE);
  throw &s_memoryException;
}
void AfxThrowNotSupportedException() { throw new CNotSupportedException; }
void AfxThrowInvalidArgException() { throw new CInvalidArgException; }
void AfxThrowResourceException() { throw new CResourceException; }
void AfxThrowUserException() { throw new CUserException; }
void AfxThrowFileException(int cause, LONG osError, LPCTSTR fileName) {
  throw new CFileException(cause, osError, fileName);
}
void AfxThrowArchiveException(int cause, LPCTSTR archiveName) { throw new CArchiveException(cause, archiveName); }
void AfxThrowOleException(SCODE sc) { throw new COleException(sc); }
