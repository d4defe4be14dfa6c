// Helpers of the archive tests: the bytes an archive stores, loading from
// exactly those bytes, and the cause of an archive exception.
#pragma once

#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"

namespace archivetest {

using Bytes = std::vector<BYTE>;

inline Bytes Store(const std::function<void(CArchive&)>& write, int bufSize = 4096) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store, bufSize);
    write(ar);
    ar.Close();
  }
  ULONGLONG n = file.GetLength();
  BYTE* data = file.Detach();
  Bytes out(data, data + n);
  free(data);
  return out;
}

// Loads from a heap block of exactly the data's size, so that a read past
// the end is caught by the address sanitizer.
inline void Load(const Bytes& bytes, const std::function<void(CArchive&)>& read, int bufSize = 4096) {
  std::unique_ptr<BYTE[]> exact(new BYTE[bytes.size() ? bytes.size() : 1]);
  if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());
  CMemFile file(exact.get(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load, bufSize);
  read(ar);
}

// The archive cause raised by f, -1 when nothing was raised, -2 for another exception.
inline int ArchiveCause(const std::function<void()>& f) {
  try {
    f();
  } catch (CException* e) {
    int cause = -2;
    if (auto* ae = DYNAMIC_DOWNCAST(CArchiveException, e)) cause = ae->m_cause;
    e->Delete();
    return cause;
  }
  return -1;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace archivetest
