// Seed writers of the fuzz targets: what a store call puts into an archive,
// written to a file as the fuzz target will read it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/file.h"

namespace pvtest {

// Calls store with an archive open for storing and writes the bytes to path.
template <class Store>
void WriteArchiveSeed(const std::string& path, Store store) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    store(ar);
    ar.Close();
  }
  std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

}  // namespace pvtest
