#include "platform/base/file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/globalmem.h"
#include "platform/base/lasterror.h"
#include "platform/base/utf.h"
#include "tests/support/temp_home.h"

namespace {

// A fresh folder per test, removed afterwards.
class TempDir {
 public:
  CString operator/(const char* name) const { return CString(folder_.File(name).c_str()); }

 private:
  pvtest::TempFolder folder_{"pv_file_test"};
};

// The file exception cause raised by f, -1 when none.
int FileCause(const std::function<void()>& f) {
  try {
    f();
  } catch (CFileException* e) {
    int cause = e->m_cause;
    e->Delete();
    return cause;
  }
  return -1;
}

}  // namespace

TEST(CFile, ReadWriteSeekLengthAndNames) {
  TempDir dir;
  CString path = dir / "data.bin";
  {
    CFile f(path, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary);
    EXPECT_EQ(f.GetFilePath(), path);
    EXPECT_EQ(f.GetFileName(), u"data.bin");
    EXPECT_EQ(f.GetFileTitle(), u"data");
    f.Write("hello world", 11);
    EXPECT_EQ(f.GetLength(), 11u);
    EXPECT_EQ(f.GetPosition(), 11u);
    EXPECT_EQ(f.Seek(-5, CFile::end), 6u);
    char buf[16] = {};
    EXPECT_EQ(f.Read(buf, sizeof buf), 5u);  // short read at the end
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(f.Read(buf, 4), 0u);
    f.SeekToBegin();
    EXPECT_EQ(f.Read(buf, 5), 5u);
    f.SetLength(3);
    EXPECT_EQ(f.SeekToEnd(), 3u);
    EXPECT_EQ(FileCause([&] { f.Seek(-10, CFile::current); }), CFileException::badSeek);
    f.Flush();
    f.Close();
    EXPECT_EQ(f.m_hFile, CFile::hFileNull);
    EXPECT_EQ(FileCause([&] { f.Write("x", 1); }), CFileException::invalidFile);
  }

  // modeNoTruncate keeps the contents; modeCreate alone empties the file.
  {
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite));
    EXPECT_EQ(f.GetLength(), 3u);
  }
  {
    CFile f(path, CFile::modeCreate | CFile::modeWrite);
    EXPECT_EQ(f.GetLength(), 0u);
  }

  // Open reports failures; the constructor raises them.
  CFileException error;
  CFile f;
  EXPECT_FALSE(f.Open(dir / "missing.txt", CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(error.m_lOsError, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(error.m_strFileName, dir / "missing.txt");
  EXPECT_EQ(FileCause([&] { CFile g(dir / "no/such/dir.txt", CFile::modeCreate | CFile::modeWrite); }),
            CFileException::fileNotFound);
  EXPECT_FALSE(f.Open(dir / "", CFile::modeRead, &error));  // a folder is not a file
  EXPECT_EQ(error.m_cause, CFileException::accessDenied);
}

TEST(CFile, SharingModesWithinTheProcess) {
  TempDir dir;
  CString path = dir / "shared.txt";
  { CFile create(path, CFile::modeCreate | CFile::modeWrite); }
  struct Case {
    const char* what;
    UINT first, second;
    bool secondOpens;
  };
  const Case cases[] = {
      {"two readers, deny none", CFile::modeRead | CFile::shareDenyNone, CFile::modeRead | CFile::shareDenyNone, true},
      {"exclusive blocks a reader", CFile::modeRead | CFile::shareExclusive, CFile::modeRead | CFile::shareDenyNone,
       false},
      {"deny write blocks a writer", CFile::modeRead | CFile::shareDenyWrite, CFile::modeWrite | CFile::shareDenyNone,
       false},
      {"deny write lets a reader in", CFile::modeRead | CFile::shareDenyWrite, CFile::modeRead | CFile::shareDenyWrite,
       true},
      {"a writer blocks deny write", CFile::modeWrite | CFile::shareDenyNone, CFile::modeRead | CFile::shareDenyWrite,
       false},
      {"deny read blocks a reader", CFile::modeWrite | CFile::shareDenyRead, CFile::modeRead | CFile::shareDenyNone,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CFile first;
    ASSERT_TRUE(first.Open(path, c.first));
    CFile second;
    CFileException error;
    EXPECT_EQ(second.Open(path, c.second, &error) != FALSE, c.secondOpens);
    if (!c.secondOpens) {
      EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    }
    first.Close();
    second.Abort();
    // Once closed, the file opens again.
    CFile third;
    EXPECT_TRUE(third.Open(path, c.second));
  }
  // A refused create does not truncate the file first.
  {
    CFile w(path, CFile::modeWrite);
    w.Write("abc", 3);
  }
  CFile holder(path, CFile::modeRead | CFile::shareExclusive);
  CFile truncating;
  EXPECT_FALSE(truncating.Open(path, CFile::modeCreate | CFile::modeWrite));
  EXPECT_EQ(holder.GetLength(), 3u);
}

TEST(CFile, RemoveAndRenameNeverReplace) {
  TempDir dir;
  { CFile a(dir / "a", CFile::modeCreate | CFile::modeWrite); }
  { CFile b(dir / "b", CFile::modeCreate | CFile::modeWrite); }
  EXPECT_EQ(FileCause([&] { CFile::Rename(dir / "a", dir / "b"); }), CFileException::accessDenied);
  EXPECT_EQ(FileCause([&] { CFile::Rename(dir / "a", dir / "c"); }), -1);
  EXPECT_EQ(FileCause([&] { CFile::Remove(dir / "a"); }), CFileException::fileNotFound);
  EXPECT_EQ(FileCause([&] { CFile::Remove(dir / "c"); }), -1);
  CFile check;
  EXPECT_FALSE(check.Open(dir / "c", CFile::modeRead));
}

TEST(CMemFile, GrowsAttachesAndDetaches) {
  CMemFile file(16);
  for (int i = 0; i < 100; ++i) file.Write(&i, sizeof i);
  EXPECT_EQ(file.GetLength(), 400u);
  EXPECT_EQ(file.GetBufferSize() % 16, 0u);
  file.Seek(8, CFile::begin);
  int v = 0;
  EXPECT_EQ(file.Read(&v, sizeof v), sizeof v);
  EXPECT_EQ(v, 2);
  // Writing past the end leaves zeros in the gap.
  file.Seek(410, CFile::begin);
  file.Write("Z", 1);
  EXPECT_EQ(file.GetLength(), 411u);
  char gap[10];
  file.Seek(400, CFile::begin);
  EXPECT_EQ(file.Read(gap, 10), 10u);
  for (char c : gap) EXPECT_EQ(c, 0);
  EXPECT_EQ(FileCause([&] { file.Seek(-1, CFile::begin); }), CFileException::badSeek);
  file.SetLength(4);
  EXPECT_EQ(file.GetPosition(), 4u);
  BYTE* bytes = file.Detach();
  EXPECT_EQ(file.GetLength(), 0u);
  int first;
  std::memcpy(&first, bytes, sizeof first);
  EXPECT_EQ(first, 0);
  std::free(bytes);  // the file's bytes come from malloc

  // Attached with growth 0: the whole buffer is the contents, and it may not grow.
  BYTE fixed[4] = {1, 2, 3, 4};
  CMemFile view(fixed, sizeof fixed);
  EXPECT_EQ(view.GetLength(), 4u);
  BYTE out[8];
  EXPECT_EQ(view.Read(out, 8), 4u);
  view.SeekToBegin();
  view.Write("\x09", 1);
  EXPECT_EQ(fixed[0], 9);
  try {
    view.Write("12345", 5);
    ADD_FAILURE();
  } catch (CException* e) {
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CMemoryException)));
    e->Delete();
  }
  EXPECT_EQ(view.Detach(), fixed);

  // Attached with growth: starts empty, reallocates the caller's malloc block.
  BYTE* grown = static_cast<BYTE*>(std::malloc(4));
  CMemFile growing(grown, 4, 8);
  EXPECT_EQ(growing.GetLength(), 0u);
  growing.Write("0123456789", 10);
  BYTE* back = growing.Detach();
  EXPECT_EQ(std::memcmp(back, "0123456789", 10), 0);
  std::free(back);
}

TEST(GlobalMemory, MovableAndFixedBlocks) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 8u);
  BYTE* p = static_cast<BYTE*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  EXPECT_NE(static_cast<void*>(p), h);  // a movable handle is not the address
  for (int i = 0; i < 8; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_EQ(GlobalHandle(p), h);
  EXPECT_EQ(GlobalLock(h), p);
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
  EXPECT_TRUE(GlobalUnlock(h));
  // A locked block does not move to grow.
  EXPECT_EQ(GlobalReAlloc(h, 4096, GMEM_ZEROINIT), nullptr);
  EXPECT_FALSE(GlobalUnlock(h));
  p[0] = 0;
  HGLOBAL same = GlobalReAlloc(h, 4096, GMEM_ZEROINIT);
  EXPECT_EQ(same, h);
  EXPECT_EQ(GlobalSize(h), 4096u);
  p = static_cast<BYTE*>(GlobalLock(h));
  EXPECT_EQ(p[4095], 0);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
  // A freed or foreign handle fails cleanly.
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GlobalFree(h), h);
  int local = 0;
  EXPECT_EQ(GlobalHandle(&local), nullptr);
  EXPECT_EQ(GlobalFlags(&local), GMEM_INVALID_HANDLE);

  HLOCAL fixed = LocalAlloc(LPTR, 16);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(LocalLock(fixed), fixed);              // a fixed block's handle is its address
  EXPECT_EQ(LocalReAlloc(fixed, 32, 0), nullptr);  // may not move unless asked
  EXPECT_EQ(LocalReAlloc(fixed, 8, 0), fixed);
  EXPECT_EQ(LocalSize(fixed), 8u);
  HLOCAL moved = LocalReAlloc(fixed, 1 << 20, LMEM_MOVEABLE);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(LocalSize(moved), static_cast<SIZE_T>(1 << 20));
  EXPECT_EQ(LocalFree(moved), nullptr);
}

TEST(CSharedFile, WritesIntoGlobalMemoryAndReadsItBack) {
  // Written through an archive, detached as a global block (as the
  // clipboard receives it) and read back from that block.
  HGLOBAL block;
  {
    CSharedFile file(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, 4096);
    CArchive ar(&file, CArchive::store, 4096);
    ar << static_cast<LONG>(1) << CString(u"records");
    for (int i = 0; i < 3000; ++i) ar << static_cast<DWORD>(i);
    ar.Close();
    EXPECT_EQ(file.GetLength(), 4u + 4 + 14 + 12000);
    block = file.Detach();
    EXPECT_EQ(file.GetLength(), 0u);
  }
  ASSERT_NE(block, nullptr);
  EXPECT_GE(GlobalSize(block), 4u + 4 + 14 + 12000);   // may be longer than the data
  EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);  // handed out unlocked
  {
    CSharedFile file(GMEM_MOVEABLE, 4096);
    file.SetHandle(block, FALSE);
    CArchive ar(&file, CArchive::load, 4096);
    LONG version;
    CString name;
    ar >> version >> name;
    EXPECT_EQ(version, 1);
    EXPECT_EQ(name, u"records");
    DWORD v = 0;
    for (int i = 0; i < 3000; ++i) ar >> v;
    EXPECT_EQ(v, 2999u);
    ar.Close();
    EXPECT_EQ(file.Detach(), block);
  }
  // The file never freed the caller's block.
  EXPECT_GT(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalFree(block), nullptr);
}
