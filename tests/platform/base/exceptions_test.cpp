#include "platform/base/exceptions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>

#include "platform/base/lasterror.h"

namespace {

std::u16string Message(const CException* e, UINT size = 256) {
  std::u16string buf(size, u'#');
  e->GetErrorMessage(buf.data(), size);
  return std::u16string(buf.c_str());
}

struct CountedException : CException {
  static inline int deleted = 0;
  ~CountedException() override { ++deleted; }
};

std::u16string g_reported;
int RecordReport(LPCTSTR text, UINT) {
  g_reported = text;
  return 7;
}

}  // namespace

TEST(Exceptions, ThrowHelpersRaiseTheirClassWithAMessage) {
  struct Case {
    const char* what;
    std::function<void()> raise;
    CRuntimeClass* cls;
    std::u16string inMessage;  // empty: no message
  };
  const Case cases[] = {
      {"memory", [] { AfxThrowMemoryException(); }, RUNTIME_CLASS(CMemoryException), u"memory"},
      {"not supported", [] { AfxThrowNotSupportedException(); }, RUNTIME_CLASS(CNotSupportedException),
       u"not supported"},
      {"invalid argument", [] { AfxThrowInvalidArgException(); }, RUNTIME_CLASS(CInvalidArgException), u"argument"},
      {"resource", [] { AfxThrowResourceException(); }, RUNTIME_CLASS(CResourceException), u"resource"},
      {"user", [] { AfxThrowUserException(); }, RUNTIME_CLASS(CUserException), u""},
      {"file", [] { AfxThrowFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, u"/tmp/a.txt"); },
       RUNTIME_CLASS(CFileException), u"/tmp/a.txt was not found."},
      {"unnamed file", [] { AfxThrowFileException(CFileException::diskFull); }, RUNTIME_CLASS(CFileException),
       u"an unnamed file"},
      {"archive", [] { AfxThrowArchiveException(CArchiveException::badClass, u"data.bin"); },
       RUNTIME_CLASS(CArchiveException), u"data.bin"},
      {"ole", [] { AfxThrowOleException(E_NOINTERFACE); }, RUNTIME_CLASS(COleException), u"0x80004002"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.raise();
      ADD_FAILURE() << "nothing raised";
    } catch (CException* e) {
      EXPECT_EQ(e->GetRuntimeClass(), c.cls);
      EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CException)));
      std::u16string msg = Message(e);
      if (c.inMessage.empty()) EXPECT_EQ(msg, u"");
      else EXPECT_NE(msg.find(c.inMessage), std::u16string::npos);
      e->Delete();
    }
  }

  // Causes and codes are kept; messages are cut to the buffer, always terminated.
  try {
    AfxThrowArchiveException(CArchiveException::endOfFile);
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::endOfFile);
    TCHAR small[6];
    EXPECT_TRUE(e->GetErrorMessage(small, 6));
    EXPECT_EQ(std::u16string(small), u"An un");
    e->Delete();
  }
  EXPECT_EQ(COleException::Process(nullptr), E_UNEXPECTED);
  CMemoryException mem(FALSE);
  EXPECT_EQ(COleException::Process(&mem), E_OUTOFMEMORY);
  COleException ole(E_ACCESSDENIED);
  EXPECT_EQ(COleException::Process(&ole), E_ACCESSDENIED);
}

TEST(Exceptions, FileErrorCodesMapToCauses) {
  struct Case {
    int err;
    int cause;
    LONG osError;
  };
  const Case cases[] = {
      {ENOENT, CFileException::fileNotFound, static_cast<LONG>(ERROR_FILE_NOT_FOUND)},
      {ENOTDIR, CFileException::badPath, static_cast<LONG>(ERROR_PATH_NOT_FOUND)},
      {EACCES, CFileException::accessDenied, static_cast<LONG>(ERROR_ACCESS_DENIED)},
      {EMFILE, CFileException::tooManyOpenFiles, static_cast<LONG>(ERROR_TOO_MANY_OPEN_FILES)},
      {ENOSPC, CFileException::diskFull, static_cast<LONG>(ERROR_DISK_FULL)},
      {EBADF, CFileException::invalidFile, static_cast<LONG>(ERROR_INVALID_HANDLE)},
      {EIO, CFileException::hardIO, static_cast<LONG>(ERROR_CANTREAD)},
      {EXDEV, CFileException::genericException, static_cast<LONG>(ERROR_INVALID_FUNCTION)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CFileException::ErrnoToException(c.err), c.cause) << c.err;
    EXPECT_EQ(CFileException::ErrnoToOsError(c.err), c.osError) << c.err;
    try {
      CFileException::ThrowErrno(c.err, u"f");
      ADD_FAILURE();
    } catch (CFileException* e) {
      EXPECT_EQ(e->m_cause, c.cause);
      EXPECT_EQ(e->m_lOsError, c.osError);
      EXPECT_EQ(e->m_strFileName, u"f");
      e->Delete();
    }
  }
  CFileException::ThrowErrno(0);  // no error: nothing raised
  EXPECT_EQ(CFileException::OsErrorToException(ERROR_SHARING_VIOLATION), CFileException::sharingViolation);
}

TEST(Exceptions, TryCatchMacrosDeleteUnlessRethrown) {
  CountedException::deleted = 0;
  int handled = 0;
  TRY { THROW(new CountedException); }
  CATCH(CFileException, e) { ADD_FAILURE() << "wrong handler"; }
  AND_CATCH(CException, e) {
    ++handled;
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CException)));
  }
  END_CATCH
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(CountedException::deleted, 1);  // deleted when the handler ended

  // THROW_LAST hands the same exception on; the outer handler owns it.
  CException* inner = nullptr;
  try {
    TRY { THROW(new CountedException); }
    CATCH_ALL(e) {
      inner = e;
      THROW_LAST();
    }
    END_CATCH_ALL
  } catch (CException* e) {
    EXPECT_EQ(e, inner);
    EXPECT_EQ(CountedException::deleted, 1);
    e->Delete();
  }
  EXPECT_EQ(CountedException::deleted, 2);

  // A static exception survives Delete.
  CMemoryException fixed(FALSE);
  fixed.Delete();
  EXPECT_TRUE(fixed.IsKindOf(RUNTIME_CLASS(CMemoryException)));
}

TEST(Exceptions, ReportErrorGoesToTheInstalledReporter) {
  PvSetErrorReporter(&RecordReport);
  CFileException file(CFileException::accessDenied, ERROR_ACCESS_DENIED, u"x.dat");
  EXPECT_EQ(file.ReportError(), 7);
  EXPECT_EQ(g_reported, u"Access to x.dat was denied.");
  CUserException user(FALSE);
  user.ReportError();
  EXPECT_EQ(g_reported, u"No error message is available.");
  PvSetErrorReporter(nullptr);
}
