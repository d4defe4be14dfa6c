// A memory file whose contents travel in a compressed envelope.
//
// Envelope (integers little-endian): "ZIP!", the length of the contents as
// an unsigned 32-bit number, then a zlib stream of the contents. Contents
// below 20 bytes, and contents that do not shrink, travel as they are; the
// reading side takes bytes that do not begin with the signature (or are
// shorter than 12 bytes) as the contents themselves.
//
// Stored bytes are untrusted: an envelope whose length is implausible for
// its stream, or whose stream does not inflate to exactly that length,
// attaches nothing (the file stays empty) and the attach answers FALSE.
#pragma once

#include "platform/base/file.h"

class CTKZipMemFile : public CMemFile {
 public:
  CTKZipMemFile();
  // Attaches the bytes (see AttachCompressedBuffer); the caller keeps them.
  CTKZipMemFile(BYTE* bytes, DWORD length);
  ~CTKZipMemFile() override;

  // Makes the file read the contents of `bytes`: inflated when they are an
  // envelope, else the bytes themselves (grow size 0). With takeOwnership
  // the file frees the caller's bytes (malloc'ed) when done with them,
  // also on failure. FALSE (and an empty file) for a corrupt envelope.
  BOOL AttachCompressedBuffer(BYTE* bytes, DWORD length, BOOL takeOwnership = FALSE);
  // Reads a whole file and attaches it; FALSE when it does not open or
  // cannot be read whole, or when its envelope is corrupt.
  BOOL OpenCompressedFile(LPCTSTR path);
  // Hands out what was written (up to the current position), in the
  // envelope when that is smaller. The caller frees `bytes` with free().
  void DetachCompressedBuffer(BYTE*& bytes, DWORD& length);

  static constexpr DWORD kHeaderSize = 8;
  static constexpr DWORD kMinCompressed = 20;
  // Contents larger than this are refused when attaching an envelope.
  static constexpr DWORD kMaxContents = 256u * 1024 * 1024;
};
