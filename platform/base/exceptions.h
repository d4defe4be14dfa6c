// Framework exceptions.
//
// Exceptions are thrown as pointers to heap objects (`throw new
// CFileException(...)`, usually through the AfxThrow* helpers). A handler
// catches `CException* e`, and deletes it with `e->Delete()` unless it
// re-throws it. The TRY/CATCH macros are plain try/catch; like the
// framework's, they delete the caught exception at END_CATCH unless the
// handler re-throws it with THROW_LAST().
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/object.h"

using SCODE = LONG;

class CException : public CObject {
  DECLARE_DYNAMIC(CException)
 public:
  explicit CException(BOOL autoDelete = TRUE) noexcept : m_bAutoDelete(autoDelete) {}
  ~CException() override = default;

  // Frees a heap exception; a static one (auto-delete FALSE) stays.
  void Delete();
  // Copies the message (truncated, always terminated) into `text`, which
  // holds `maxChars` units. FALSE and an empty text when there is none.
  virtual BOOL GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext = nullptr) const;
  // Shows the message in a message box (see PvSetErrorReporter); with no
  // message, a generic text. `type` is the message box style.
  virtual int ReportError(UINT type = 0, UINT messageId = 0) const;

  BOOL m_bAutoDelete;
};

// The message box ReportError uses; the window layer installs its own.
// The default writes the text to standard error and answers 1 (IDOK).
using PvErrorReporter = int (*)(LPCTSTR text, UINT type);
void PvSetErrorReporter(PvErrorReporter reporter);

class CSimpleException : public CException {
  DECLARE_DYNAMIC(CSimpleException)
 public:
  explicit CSimpleException(BOOL autoDelete = TRUE) noexcept : CException(autoDelete) {}
  BOOL GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext = nullptr) const override;

 protected:
  virtual LPCTSTR Message() const = 0;
};

class CMemoryException : public CSimpleException {
  DECLARE_DYNAMIC(CMemoryException)
 public:
  explicit CMemoryException(BOOL autoDelete = TRUE) noexcept : CSimpleException(autoDelete) {}

 protected:
  LPCTSTR Message() const override;
};

class CNotSupportedException : public CSimpleException {
  DECLARE_DYNAMIC(CNotSupportedException)
 public:
  explicit CNotSupportedException(BOOL autoDelete = TRUE) noexcept : CSimpleException(autoDelete) {}

 protected:
  LPCTSTR Message() const override;
};

class CInvalidArgException : public CSimpleException {
  DECLARE_DYNAMIC(CInvalidArgException)
 public:
  explicit CInvalidArgException(BOOL autoDelete = TRUE) noexcept : CSimpleException(autoDelete) {}

 protected:
  LPCTSTR Message() const override;
};

class CResourceException : public CSimpleException {
  DECLARE_DYNAMIC(CResourceException)
 public:
  explicit CResourceException(BOOL autoDelete = TRUE) noexcept : CSimpleException(autoDelete) {}

 protected:
  LPCTSTR Message() const override;
};

// The user has already been told (or cancelled): no message of its own.
class CUserException : public CSimpleException {
  DECLARE_DYNAMIC(CUserException)
 public:
  explicit CUserException(BOOL autoDelete = TRUE) noexcept : CSimpleException(autoDelete) {}
  BOOL GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext = nullptr) const override;

 protected:
  LPCTSTR Message() const override;
};

class CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)
 public:
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  explicit CFileException(int cause = none, LONG osError = -1, LPCTSTR fileName = nullptr);

  BOOL GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext = nullptr) const override;

  // Causes for system error codes (ERROR_*) and for errno values.
  static int OsErrorToException(LONG osError);
  static int ErrnoToException(int errnoValue);
  // The system error code (ERROR_*) for an errno value.
  static LONG ErrnoToOsError(int errnoValue);
  static void ThrowOsError(LONG osError, LPCTSTR fileName = nullptr);
  static void ThrowErrno(int errnoValue, LPCTSTR fileName = nullptr);

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

class CArchiveException : public CException {
  DECLARE_DYNAMIC(CArchiveException)
 public:
  enum { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema, bufferFull };

  explicit CArchiveException(int cause = none, LPCTSTR archiveName = nullptr);

  BOOL GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext = nullptr) const override;

  int m_cause;
  CString m_strFileName;
};

class COleException : public CException {
  DECLARE_DYNAMIC(COleException)
 public:
  explicit COleException(SCODE sc = E_FAIL) noexcept : m_sc(sc) {}

  BOOL GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext = nullptr) const override;
  // The status code an exception stands for (E_OUTOFMEMORY for memory,
  // E_NOTIMPL for not-supported, E_INVALIDARG, E_UNEXPECTED otherwise).
  static SCODE Process(const CException* e);

  SCODE m_sc;
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowInvalidArgException();
[[noreturn]] void AfxThrowResourceException();
[[noreturn]] void AfxThrowUserException();
[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, LPCTSTR fileName = nullptr);
[[noreturn]] void AfxThrowArchiveException(int cause, LPCTSTR archiveName = nullptr);
[[noreturn]] void AfxThrowOleException(SCODE sc);

// ---- TRY / CATCH -------------------------------------------------------------------------
// Deletes the exception caught by a CATCH block when the block is left,
// unless THROW_LAST() handed it on.
struct PvExceptionLink {
  CException* m_pException = nullptr;
  PvExceptionLink() = default;
  PvExceptionLink(const PvExceptionLink&) = delete;
  PvExceptionLink& operator=(const PvExceptionLink&) = delete;
  ~PvExceptionLink() {
    if (m_pException) m_pException->Delete();
  }
};

#define TRY                           \
  {                                   \
    PvExceptionLink _pvExceptionLink; \
    try {
#define CATCH(class_name, e) \
  }                          \
  catch (class_name * e) {   \
    (void)e;                 \
    _pvExceptionLink.m_pException = e;
#define AND_CATCH(class_name, e) CATCH(class_name, e)
#define END_CATCH \
  }               \
  }
#define CATCH_ALL(e) CATCH(CException, e)
#define AND_CATCH_ALL(e) CATCH(CException, e)
#define END_CATCH_ALL END_CATCH
#define END_TRY                        \
  }                                    \
  catch (CException * e) {             \
    _pvExceptionLink.m_pException = e; \
  }                                    \
  }
#define THROW(e) throw(e)
#define THROW_LAST()                         \
  do {                                       \
    _pvExceptionLink.m_pException = nullptr; \
    throw;                                   \
  } while (0)
#define DELETE_EXCEPTION(e) \
  do {                      \
    if (e) (e)->Delete();   \
  } while (0)
