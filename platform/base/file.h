// Files: CFile over the operating system's files, CMemFile over a block of
// memory, CSharedFile over a global memory block (clipboard transfers).
//
// Failures raise CFileException (cause, system error code, file name);
// Open reports them through its optional exception argument instead.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/object.h"

class CFileException;

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
    osNoBuffer = 0x10000,
    osWriteThrough = 0x20000,
    osRandomAccess = 0x40000,
    osSequentialScan = 0x80000,
  };
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };
  enum BufferCommand { bufferRead, bufferWrite, bufferCommit, bufferCheck };
  enum BufferFlags { bufferDirect = 0x01, bufferBlocking = 0x02 };

  static inline const HANDLE hFileNull = INVALID_HANDLE_VALUE;

  CFile() noexcept = default;
  // Opens or throws CFileException.
  CFile(LPCTSTR fileName, UINT openFlags);
  ~CFile() override;

  // FALSE on failure; the reason goes to *error when given.
  virtual BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr);
  virtual void Close();
  // Closes without raising.
  virtual void Abort();

  // Bytes read; fewer (0 at the end) when the file ends first.
  virtual UINT Read(void* buffer, UINT count);
  // Writes everything or raises (diskFull when the disk fills).
  virtual void Write(const void* buffer, UINT count);
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetLength() const;
  virtual void SetLength(ULONGLONG newLength);
  virtual ULONGLONG GetPosition() const;
  virtual void Flush();
  virtual UINT GetBufferPtr(UINT command, UINT count = 0, void** bufStart = nullptr, void** bufMax = nullptr);

  virtual CString GetFileName() const;   // name with extension, no folder
  virtual CString GetFileTitle() const;  // name without extension
  virtual CString GetFilePath() const;   // full path
  virtual void SetFilePath(LPCTSTR newName);

  static void PASCAL Remove(LPCTSTR fileName);
  static void PASCAL Rename(LPCTSTR oldName, LPCTSTR newName);

  operator HANDLE() const noexcept { return m_hFile; }  // NOLINT

  HANDLE m_hFile = hFileNull;

 protected:
  int Descriptor() const;
  [[noreturn]] void ThrowErrno(int errnoValue) const;

  BOOL m_bCloseOnDelete = FALSE;
  CString m_strFileName;
  UINT m_nShareSlot = 0;  // this file's entry in the sharing table, 0 when none
};

class CMemFile : public CFile {
  DECLARE_DYNAMIC(CMemFile)
 public:
  // An empty file that grows in steps of growBytes.
  explicit CMemFile(UINT growBytes = 1024);
  // A file over the caller's bytes (see Attach).
  CMemFile(BYTE* buffer, UINT bufferSize, UINT growBytes = 0);
  ~CMemFile() override;

  // Uses the caller's bytes. With growBytes 0 the file holds bufferSize
  // bytes and cannot grow; otherwise it starts empty and may grow (the
  // bytes are then reallocated with the file's allocator). The file does
  // not free the bytes unless m_bAutoDelete is set.
  void Attach(BYTE* buffer, UINT bufferSize, UINT growBytes = 0);
  // Hands the bytes to the caller and leaves the file empty.
  BYTE* Detach();

  BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr) override;
  void Close() override;
  void Abort() override;
  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  ULONGLONG Seek(LONGLONG offset, UINT from) override;
  ULONGLONG GetLength() const override;
  void SetLength(ULONGLONG newLength) override;
  ULONGLONG GetPosition() const override;
  void Flush() override;
  UINT GetBufferPtr(UINT command, UINT count = 0, void** bufStart = nullptr, void** bufMax = nullptr) override;

  SIZE_T GetBufferSize() const noexcept { return m_nBufferSize; }

 protected:
  // The allocator (malloc family by default; CSharedFile uses global memory).
  virtual BYTE* Alloc(SIZE_T bytes);
  virtual BYTE* Realloc(BYTE* block, SIZE_T bytes);
  virtual void Free(BYTE* block);
  virtual BYTE* Memcpy(BYTE* target, const BYTE* source, SIZE_T count);
  // Makes room for at least newLength bytes (CMemoryException when the
  // file may not grow or memory runs out).
  virtual void GrowFile(SIZE_T newLength);

  SIZE_T m_nGrowBytes = 1024;
  SIZE_T m_nPosition = 0;
  SIZE_T m_nBufferSize = 0;
  SIZE_T m_nFileSize = 0;
  BYTE* m_lpBuffer = nullptr;
  BOOL m_bAutoDelete = TRUE;
};

class CSharedFile : public CMemFile {
  DECLARE_DYNAMIC(CSharedFile)
 public:
  explicit CSharedFile(UINT allocFlags = 0x2002 /* GMEM_DDESHARE | GMEM_MOVEABLE */, UINT growBytes = 4096);
  ~CSharedFile() override;

  // Hands the global memory block (unlocked) to the caller; the file is
  // left empty. NULL when the file holds no block.
  HGLOBAL Detach();
  // Reads (and, when allowed, grows) an existing block. The file holds the
  // whole block; it does not free it: the caller keeps or detaches it.
  void SetHandle(HGLOBAL globalMemory, BOOL allowGrow = TRUE);

  void Close() override;

 protected:
  BYTE* Alloc(SIZE_T bytes) override;
  BYTE* Realloc(BYTE* block, SIZE_T bytes) override;
  void Free(BYTE* block) override;

  UINT m_nAllocFlags;
  HGLOBAL m_hGlobalMemory = nullptr;
  BOOL m_bAllowGrow = TRUE;
  SIZE_T m_nOwnGrowBytes;  // the growth step to return to after SetHandle
};
