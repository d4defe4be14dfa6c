#include "platform/base/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/globalmem.h"
#include "platform/base/lasterror.h"
#include "platform/base/utf.h"

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CMemFile, CFile)
IMPLEMENT_DYNAMIC(CSharedFile, CMemFile)

namespace {

std::string ToPath(LPCTSTR name) { return pv::Utf16ToUtf8(name ? std::u16string_view(name) : u""); }

// ---- sharing ------------------------------------------------------------------------------
// Open files of this process and what they allow others, so that an open
// that conflicts with another (a writer against a file opened with
// shareDenyWrite, anything against shareExclusive) fails with a sharing
// violation. The operating system itself does not enforce these modes.
struct ShareEntry {
  UINT slot;
  dev_t dev;
  ino_t ino;
  bool reads, writes;          // access of the open
  bool allowRead, allowWrite;  // what it lets others do
};

std::mutex g_shareMutex;
std::vector<ShareEntry>& ShareTable() {
  static auto* table = new std::vector<ShareEntry>;
  return *table;
}
UINT g_nextSlot = 1;

// 0 when the open conflicts with an existing one.
UINT ClaimShare(const struct stat& st, UINT flags) {
  UINT access = flags & 3;
  bool reads = access == CFile::modeRead || access == CFile::modeReadWrite;
  bool writes = access == CFile::modeWrite || access == CFile::modeReadWrite;
  UINT share = flags & 0x70;
  bool allowRead = share == CFile::shareDenyWrite || share == CFile::shareDenyNone;
  bool allowWrite = share == CFile::shareDenyRead || share == CFile::shareDenyNone;
  std::lock_guard<std::mutex> lock(g_shareMutex);
  for (const ShareEntry& e : ShareTable()) {
    if (e.dev != st.st_dev || e.ino != st.st_ino) continue;
    if ((reads && !e.allowRead) || (writes && !e.allowWrite) || (e.reads && !allowRead) || (e.writes && !allowWrite))
      return 0;
  }
  UINT slot = g_nextSlot++;
  ShareTable().push_back(ShareEntry{slot, st.st_dev, st.st_ino, reads, writes, allowRead, allowWrite});
  return slot;
}

void ReleaseShare(UINT slot) {
  if (!slot) return;
  std::lock_guard<std::mutex> lock(g_shareMutex);
  auto& table = ShareTable();
  table.erase(std::remove_if(table.begin(), table.end(), [slot](const ShareEntry& e) { return e.slot == slot; }),
              table.end());
}

HANDLE FdToHandle(int fd) { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(fd)); }

void FillError(CFileException* error, int cause, LONG osError, const CString& name) {
  if (!error) return;
  error->m_cause = cause;
  error->m_lOsError = osError;
  error->m_strFileName = name;
}

CString FullPath(LPCTSTR fileName) {
  CString name(fileName);
  if (name.IsEmpty() || name[0] == u'/') return name;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return name;
  CString full(cwd);
  if (full.IsEmpty() || full[full.GetLength() - 1] != u'/') full += u'/';
  return full + name;
}

}  // namespace

// ---- CFile ------------------------------------------------------------------------------------
CFile::CFile(LPCTSTR fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error))
    AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName.GetString());
}

CFile::~CFile() {
  if (m_hFile != hFileNull && m_bCloseOnDelete) Abort();
}

BOOL CFile::Open(LPCTSTR fileName, UINT openFlags, CFileException* error) {
  if (m_hFile != hFileNull) Abort();
  m_strFileName = FullPath(fileName);
  if (!fileName || !*fileName) {
    FillError(error, CFileException::badPath, ERROR_PATH_NOT_FOUND, m_strFileName);
    return FALSE;
  }
  int flags = O_CLOEXEC;
  switch (openFlags & 3) {
    case modeRead:
      flags |= O_RDONLY;
      break;
    case modeWrite:
      flags |= O_WRONLY;
      break;
    case modeReadWrite:
      flags |= O_RDWR;
      break;
    default:
      FillError(error, CFileException::genericException, ERROR_INVALID_PARAMETER, m_strFileName);
      return FALSE;
  }
  if (openFlags & modeCreate) flags |= O_CREAT;
  std::string path = ToPath(m_strFileName.GetString());
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    int e = errno;
    FillError(error, CFileException::ErrnoToException(e), CFileException::ErrnoToOsError(e), m_strFileName);
    return FALSE;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    FillError(error, CFileException::accessDenied, ERROR_ACCESS_DENIED, m_strFileName);
    return FALSE;
  }
  UINT slot = ClaimShare(st, openFlags);
  if (!slot) {
    ::close(fd);
    FillError(error, CFileException::sharingViolation, ERROR_SHARING_VIOLATION, m_strFileName);
    return FALSE;
  }
  // Truncate only once the sharing check has passed.
  if ((openFlags & modeCreate) && !(openFlags & modeNoTruncate) && (openFlags & 3) != modeRead &&
      ftruncate(fd, 0) != 0) {
    int e = errno;
    ReleaseShare(slot);
    ::close(fd);
    FillError(error, CFileException::ErrnoToException(e), CFileException::ErrnoToOsError(e), m_strFileName);
    return FALSE;
  }
  m_hFile = FdToHandle(fd);
  m_nShareSlot = slot;
  m_bCloseOnDelete = TRUE;
  return TRUE;
}

int CFile::Descriptor() const {
  if (m_hFile == hFileNull)
    AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName.GetString());
  return static_cast<int>(reinterpret_cast<INT_PTR>(m_hFile));
}

void CFile::ThrowErrno(int e) const {
  if (e == 0) e = EIO;
  AfxThrowFileException(CFileException::ErrnoToException(e), CFileException::ErrnoToOsError(e),
                        m_strFileName.GetString());
}

void CFile::Close() {
  if (m_hFile == hFileNull) return;
  int fd = static_cast<int>(reinterpret_cast<INT_PTR>(m_hFile));
  m_hFile = hFileNull;
  ReleaseShare(m_nShareSlot);
  m_nShareSlot = 0;
  m_bCloseOnDelete = FALSE;
  if (::close(fd) != 0 && errno != EINTR) ThrowErrno(errno);
}

void CFile::Abort() {
  if (m_hFile == hFileNull) return;
  int fd = static_cast<int>(reinterpret_cast<INT_PTR>(m_hFile));
  m_hFile = hFileNull;
  ReleaseShare(m_nShareSlot);
  m_nShareSlot = 0;
  m_bCloseOnDelete = FALSE;
  ::close(fd);
}

UINT CFile::Read(void* buffer, UINT count) {
  int fd = Descriptor();
  UINT done = 0;
  while (done < count) {
    ssize_t n = ::read(fd, static_cast<char*>(buffer) + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (n == 0) break;
    done += static_cast<UINT>(n);
  }
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  int fd = Descriptor();
  UINT done = 0;
  while (done < count) {
    ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (n == 0) AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName.GetString());
    done += static_cast<UINT>(n);
  }
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  int fd = Descriptor();
  int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : from == end ? SEEK_END : -1;
  if (whence < 0) AfxThrowInvalidArgException();
  off_t pos = ::lseek(fd, static_cast<off_t>(offset), whence);
  if (pos < 0) {
    if (errno == EINVAL) AfxThrowFileException(CFileException::badSeek, ERROR_NEGATIVE_SEEK, m_strFileName.GetString());
    ThrowErrno(errno);
  }
  return static_cast<ULONGLONG>(pos);
}

ULONGLONG CFile::GetLength() const {
  struct stat st;
  if (fstat(Descriptor(), &st) != 0) ThrowErrno(errno);
  return static_cast<ULONGLONG>(st.st_size);
}

void CFile::SetLength(ULONGLONG newLength) {
  if (newLength > static_cast<ULONGLONG>(LLONG_MAX)) AfxThrowInvalidArgException();
  if (ftruncate(Descriptor(), static_cast<off_t>(newLength)) != 0) ThrowErrno(errno);
}

ULONGLONG CFile::GetPosition() const {
  off_t pos = ::lseek(Descriptor(), 0, SEEK_CUR);
  if (pos < 0) ThrowErrno(errno);
  return static_cast<ULONGLONG>(pos);
}

void CFile::Flush() {
  if (m_hFile == hFileNull) return;
  if (fsync(Descriptor()) != 0 && errno != EINVAL && errno != EROFS) ThrowErrno(errno);
}

UINT CFile::GetBufferPtr(UINT command, UINT, void**, void**) { return 0; }

CString CFile::GetFileName() const {
  const CString& path = m_strFileName;
  int slash = std::max(path.ReverseFind(u'/'), path.ReverseFind(u'\\'));
  return path.Mid(slash + 1);
}

CString CFile::GetFileTitle() const {
  CString name = GetFileName();
  int dot = name.ReverseFind(u'.');
  return dot > 0 ? name.Left(dot) : name;
}

CString CFile::GetFilePath() const { return m_strFileName; }

void CFile::SetFilePath(LPCTSTR newName) { m_strFileName = newName; }

void CFile::Remove(LPCTSTR fileName) {
  std::string path = ToPath(fileName);
  if (::unlink(path.c_str()) != 0) CFileException::ThrowErrno(errno, fileName);
}

void CFile::Rename(LPCTSTR oldName, LPCTSTR newName) {
  std::string from = ToPath(oldName), to = ToPath(newName);
  // Like the system this layer stands in for, renaming never replaces an
  // existing file.
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  int e = errno;
  if (e == EINVAL || e == ENOSYS) {
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) {
      e = EEXIST;
    } else if (::rename(from.c_str(), to.c_str()) == 0) {
      return;
    } else {
      e = errno;
    }
  }
  CFileException::ThrowErrno(e, oldName);
}

// ---- CMemFile ------------------------------------------------------------------------------------
CMemFile::CMemFile(UINT growBytes) : m_nGrowBytes(growBytes) {}

CMemFile::CMemFile(BYTE* buffer, UINT bufferSize, UINT growBytes) { Attach(buffer, bufferSize, growBytes); }

CMemFile::~CMemFile() {
  if (m_lpBuffer && m_bAutoDelete) CMemFile::Free(m_lpBuffer);
  m_lpBuffer = nullptr;
}

void CMemFile::Attach(BYTE* buffer, UINT bufferSize, UINT growBytes) {
  if (m_lpBuffer) Close();
  m_nGrowBytes = growBytes;
  m_nPosition = 0;
  m_nBufferSize = buffer ? bufferSize : 0;
  m_nFileSize = growBytes == 0 ? m_nBufferSize : 0;
  m_lpBuffer = buffer;
  m_bAutoDelete = FALSE;
}

BYTE* CMemFile::Detach() {
  BYTE* buffer = m_lpBuffer;
  m_lpBuffer = nullptr;
  m_nFileSize = m_nBufferSize = m_nPosition = 0;
  return buffer;
}

BOOL CMemFile::Open(LPCTSTR, UINT, CFileException* error) {
  if (error) {
    error->m_cause = CFileException::genericException;
    error->m_lOsError = ERROR_NOT_SUPPORTED;
  }
  return FALSE;
}

void CMemFile::Close() {
  if (m_lpBuffer && m_bAutoDelete) Free(m_lpBuffer);
  m_lpBuffer = nullptr;
  m_nFileSize = m_nBufferSize = m_nPosition = 0;
}

void CMemFile::Abort() { Close(); }

BYTE* CMemFile::Alloc(SIZE_T bytes) { return static_cast<BYTE*>(std::malloc(bytes ? bytes : 1)); }
BYTE* CMemFile::Realloc(BYTE* block, SIZE_T bytes) {
  return static_cast<BYTE*>(std::realloc(block, bytes ? bytes : 1));
}
void CMemFile::Free(BYTE* block) { std::free(block); }
BYTE* CMemFile::Memcpy(BYTE* target, const BYTE* source, SIZE_T count) {
  return count ? static_cast<BYTE*>(std::memcpy(target, source, count)) : target;
}

void CMemFile::GrowFile(SIZE_T newLength) {
  if (newLength <= m_nBufferSize) return;
  if (m_nGrowBytes == 0) AfxThrowMemoryException();
  // Round up to the growth step, and at least by half, so that many small
  // writes stay linear in time.
  SIZE_T target = std::max(newLength, m_nBufferSize + m_nBufferSize / 2);
  SIZE_T size = (target + m_nGrowBytes - 1) / m_nGrowBytes * m_nGrowBytes;
  if (size < target) AfxThrowMemoryException();  // overflow
  BYTE* fresh = m_lpBuffer ? Realloc(m_lpBuffer, size) : Alloc(size);
  if (!fresh) AfxThrowMemoryException();
  m_lpBuffer = fresh;
  m_nBufferSize = size;
}

UINT CMemFile::Read(void* buffer, UINT count) {
  if (m_nPosition >= m_nFileSize || count == 0) return 0;
  SIZE_T n = std::min<SIZE_T>(count, m_nFileSize - m_nPosition);
  Memcpy(static_cast<BYTE*>(buffer), m_lpBuffer + m_nPosition, n);
  m_nPosition += n;
  return static_cast<UINT>(n);
}

void CMemFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  SIZE_T end = m_nPosition + count;
  if (end < m_nPosition) AfxThrowMemoryException();
  if (end > m_nBufferSize) GrowFile(end);
  // A write past the end leaves zeros in the gap, never old heap bytes.
  if (m_nPosition > m_nFileSize) std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
  Memcpy(m_lpBuffer + m_nPosition, static_cast<const BYTE*>(buffer), count);
  m_nPosition = end;
  if (m_nPosition > m_nFileSize) m_nFileSize = m_nPosition;
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from) {
  LONGLONG base = from == begin     ? 0
                  : from == current ? static_cast<LONGLONG>(m_nPosition)
                  : from == end     ? static_cast<LONGLONG>(m_nFileSize)
                                    : -1;
  if (base < 0) AfxThrowInvalidArgException();
  LONGLONG pos;
  if (__builtin_add_overflow(base, offset, &pos) || pos < 0)
    AfxThrowFileException(CFileException::badSeek, ERROR_NEGATIVE_SEEK, m_strFileName.GetString());
  m_nPosition = static_cast<SIZE_T>(pos);
  return static_cast<ULONGLONG>(pos);
}

ULONGLONG CMemFile::GetLength() const { return m_nFileSize; }

void CMemFile::SetLength(ULONGLONG newLength) {
  if (newLength > static_cast<ULONGLONG>(SIZE_MAX / 2)) AfxThrowMemoryException();
  SIZE_T n = static_cast<SIZE_T>(newLength);
  if (n > m_nBufferSize) GrowFile(n);
  if (n > m_nFileSize) std::memset(m_lpBuffer + m_nFileSize, 0, n - m_nFileSize);
  if (m_nPosition > n) m_nPosition = n;
  m_nFileSize = n;
}

ULONGLONG CMemFile::GetPosition() const { return m_nPosition; }

void CMemFile::Flush() {}

UINT CMemFile::GetBufferPtr(UINT command, UINT count, void** bufStart, void** bufMax) {
  switch (command) {
    case bufferCheck:
      return bufferDirect;
    case bufferCommit:
      return 0;
    case bufferRead: {
      SIZE_T n = m_nPosition >= m_nFileSize ? 0 : std::min<SIZE_T>(count, m_nFileSize - m_nPosition);
      if (bufStart) *bufStart = m_lpBuffer + m_nPosition;
      m_nPosition += n;
      if (bufMax) *bufMax = m_lpBuffer + m_nPosition;
      return static_cast<UINT>(n);
    }
    case bufferWrite: {
      SIZE_T end = m_nPosition + count;
      if (end > m_nBufferSize) GrowFile(end);
      if (m_nPosition > m_nFileSize) std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
      if (bufStart) *bufStart = m_lpBuffer + m_nPosition;
      m_nPosition = end;
      if (bufMax) *bufMax = m_lpBuffer + m_nPosition;
      if (m_nPosition > m_nFileSize) m_nFileSize = m_nPosition;
      return count;
    }
    default:
      return 0;
  }
}

// ---- CSharedFile ------------------------------------------------------------------------------------
CSharedFile::CSharedFile(UINT allocFlags, UINT growBytes)
    : CMemFile(growBytes), m_nAllocFlags(allocFlags), m_nOwnGrowBytes(growBytes) {}

CSharedFile::~CSharedFile() { Close(); }

BYTE* CSharedFile::Alloc(SIZE_T bytes) {
  HGLOBAL h = GlobalAlloc(m_nAllocFlags, bytes);
  if (!h) return nullptr;
  m_hGlobalMemory = h;
  return static_cast<BYTE*>(GlobalLock(h));
}

BYTE* CSharedFile::Realloc(BYTE*, SIZE_T bytes) {
  // Unlocked, a movable block may move; its handle stays the same.
  GlobalUnlock(m_hGlobalMemory);
  HGLOBAL h = GlobalReAlloc(m_hGlobalMemory, bytes, GMEM_MOVEABLE | (m_nAllocFlags & GMEM_ZEROINIT));
  if (!h) {
    GlobalLock(m_hGlobalMemory);
    return nullptr;
  }
  m_hGlobalMemory = h;
  return static_cast<BYTE*>(GlobalLock(h));
}

void CSharedFile::Free(BYTE*) {
  if (!m_hGlobalMemory) return;
  GlobalUnlock(m_hGlobalMemory);
  GlobalFree(m_hGlobalMemory);
  m_hGlobalMemory = nullptr;
}

HGLOBAL CSharedFile::Detach() {
  HGLOBAL h = m_hGlobalMemory;
  if (h && m_lpBuffer) GlobalUnlock(h);
  m_hGlobalMemory = nullptr;
  m_lpBuffer = nullptr;
  m_nFileSize = m_nBufferSize = m_nPosition = 0;
  m_nGrowBytes = m_nOwnGrowBytes;
  m_bAutoDelete = TRUE;  // blocks allocated from now on are the file's own
  return h;
}

void CSharedFile::SetHandle(HGLOBAL globalMemory, BOOL allowGrow) {
  Close();
  m_hGlobalMemory = globalMemory;
  m_lpBuffer = static_cast<BYTE*>(GlobalLock(globalMemory));
  m_nBufferSize = m_lpBuffer ? GlobalSize(globalMemory) : 0;
  m_nFileSize = m_nBufferSize;
  m_nPosition = 0;
  if (!m_lpBuffer) m_hGlobalMemory = nullptr;
  m_bAllowGrow = allowGrow;
  m_nGrowBytes = allowGrow ? (m_nOwnGrowBytes ? m_nOwnGrowBytes : 4096) : 0;
  m_bAutoDelete = FALSE;
}

void CSharedFile::Close() {
  if (m_hGlobalMemory) {
    if (m_bAutoDelete) {
      Free(m_lpBuffer);
    } else if (m_lpBuffer) {
      GlobalUnlock(m_hGlobalMemory);
    }
  }
  m_hGlobalMemory = nullptr;
  m_lpBuffer = nullptr;
  m_nFileSize = m_nBufferSize = m_nPosition = 0;
  m_nGrowBytes = m_nOwnGrowBytes;
  m_bAutoDelete = TRUE;
}
