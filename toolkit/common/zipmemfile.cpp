#include "toolkit/common/zipmemfile.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr BYTE kSignature[4] = {'Z', 'I', 'P', '!'};

// Deflate never shrinks data by more than about 1032 to 1; a stored length
// beyond that for the stream at hand is a lie.
constexpr std::uint64_t kMaxRatio = 1032;

bool HasSignature(const BYTE* bytes, DWORD length) {
  return bytes && length >= 12 && std::memcmp(bytes, kSignature, 4) == 0;
}

DWORD ReadLe32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
         static_cast<DWORD>(p[3]) << 24;
}

void WriteLe32(BYTE* p, DWORD v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
  p[2] = static_cast<BYTE>(v >> 16);
  p[3] = static_cast<BYTE>(v >> 24);
}

// Inflates exactly `expected` bytes from one whole zlib stream that uses
// all of the input; null otherwise.
BYTE* Inflate(const BYTE* stream, DWORD streamLength, DWORD expected) {
  BYTE* out = static_cast<BYTE*>(std::malloc(expected ? expected : 1));
  if (!out) return nullptr;
  z_stream z{};
  if (inflateInit(&z) != Z_OK) {
    std::free(out);
    return nullptr;
  }
  z.next_in = const_cast<Bytef*>(stream);
  z.avail_in = streamLength;
  z.next_out = out;
  z.avail_out = expected;
  int rc = inflate(&z, Z_FINISH);
  bool whole = rc == Z_STREAM_END && z.total_out == expected && z.avail_in == 0;
  inflateEnd(&z);
  if (!whole) {
    std::free(out);
    return nullptr;
  }
  return out;
}

}  // namespace

CTKZipMemFile::CTKZipMemFile() : CMemFile(1024) {}

CTKZipMemFile::CTKZipMemFile(BYTE* bytes, DWORD length) : CMemFile(1024) {
  AttachCompressedBuffer(bytes, length, FALSE);
}

CTKZipMemFile::~CTKZipMemFile() = default;

BOOL CTKZipMemFile::AttachCompressedBuffer(BYTE* bytes, DWORD length, BOOL takeOwnership) {
  if (!HasSignature(bytes, length)) {
    Attach(bytes, length, 0);
    m_bAutoDelete = takeOwnership;
    return TRUE;
  }
  DWORD expected = ReadLe32(bytes + 4);
  DWORD streamLength = length - kHeaderSize;
  BYTE* contents = nullptr;
  if (expected <= kMaxContents && expected <= static_cast<std::uint64_t>(streamLength) * kMaxRatio)
    contents = Inflate(bytes + kHeaderSize, streamLength, expected);
  if (takeOwnership) std::free(bytes);
  Attach(contents, contents ? expected : 0, 0);
  m_bAutoDelete = TRUE;
  return contents != nullptr;
}

BOOL CTKZipMemFile::OpenCompressedFile(LPCTSTR path) {
  CFile file;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary)) return FALSE;
  ULONGLONG size = file.GetLength();
  if (size > 0xFFFFFFFFu) return FALSE;
  auto length = static_cast<DWORD>(size);
  BYTE* block = static_cast<BYTE*>(std::malloc(length ? length : 1));
  if (!block) return FALSE;
  DWORD done = 0;
  while (done < length) {
    UINT got = file.Read(block + done, length - done);
    if (got == 0) break;
    done += got;
  }
  file.Close();
  if (done != length) {
    std::free(block);
    return FALSE;
  }
  return AttachCompressedBuffer(block, length, TRUE);
}

void CTKZipMemFile::DetachCompressedBuffer(BYTE*& bytes, DWORD& length) {
  length = static_cast<DWORD>(GetPosition());
  bytes = Detach();
  // Plain contents that begin like an envelope would be misread as one on
  // the way back, so they always travel enveloped, however little that
  // saves.
  bool mustEnvelope = HasSignature(bytes, length);
  if (!bytes || (length < kMinCompressed && !mustEnvelope)) return;
  uLongf limit = mustEnvelope ? compressBound(length) : length;
  BYTE* envelope = static_cast<BYTE*>(std::malloc(static_cast<std::size_t>(limit) + kHeaderSize));
  if (!envelope) return;
  uLongf streamLength = limit;
  if (compress2(envelope + kHeaderSize, &streamLength, bytes, length, Z_DEFAULT_COMPRESSION) != Z_OK) {
    std::free(envelope);
    return;
  }
  std::memcpy(envelope, kSignature, 4);
  WriteLe32(envelope + 4, length);
  std::free(bytes);
  bytes = envelope;
  length = static_cast<DWORD>(streamLength + kHeaderSize);
}
