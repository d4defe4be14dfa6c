// The "ZIP!" envelope. Every enveloped payload is checked with zlib's own
// uncompress, independently of the code under test.
#include "toolkit/common/zipmemfile.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/base/archive.h"
#include "tests/toolkit/common/settings_test_support.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes Detach(const Bytes& contents) {
  CTKZipMemFile file;
  file.Write(contents.data(), static_cast<UINT>(contents.size()));
  BYTE* out = nullptr;
  DWORD length = 0;
  file.DetachCompressedBuffer(out, length);
  Bytes result(out, out + length);
  std::free(out);
  return result;
}

// What a new file attached to `stored` reads; `ok` gets the attach result.
Bytes Attach(Bytes stored, BOOL* ok = nullptr) {
  CTKZipMemFile file;
  BOOL attached = file.AttachCompressedBuffer(stored.data(), static_cast<DWORD>(stored.size()), FALSE);
  if (ok) *ok = attached;
  Bytes back(static_cast<std::size_t>(file.GetLength()));
  if (!back.empty()) {
    EXPECT_EQ(back.size(), file.Read(back.data(), static_cast<UINT>(back.size())));
  }
  return back;
}

Bytes Random(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  Bytes b(n);
  for (BYTE& x : b) x = static_cast<BYTE>(gen());
  return b;
}

// The bytes of a literal, embedded zeros included.
template <std::size_t N>
Bytes Text(const char (&s)[N]) {
  return Bytes(s, s + N - 1);
}

// Independent check: the envelope's header, and zlib's uncompress of its
// stream gives the contents.
void ExpectEnvelopeOf(const Bytes& stored, const Bytes& contents) {
  ASSERT_GE(stored.size(), 12u);
  EXPECT_EQ(Text("ZIP!"), Bytes(stored.begin(), stored.begin() + 4));
  DWORD length = stored[4] | stored[5] << 8 | stored[6] << 16 | static_cast<DWORD>(stored[7]) << 24;
  EXPECT_EQ(contents.size(), length);
  Bytes inflated(contents.size() + 16);
  uLongf outLength = static_cast<uLongf>(inflated.size());
  ASSERT_EQ(Z_OK, uncompress(inflated.data(), &outLength, stored.data() + 8, static_cast<uLong>(stored.size() - 8)));
  inflated.resize(outLength);
  EXPECT_EQ(contents, inflated);
}

TEST(ZipMemFile, DetachEnvelopesOnlyWhatShrinksAndAttachGivesTheContentsBack) {
  struct Case {
    const char* name;
    Bytes contents;
    bool enveloped;
  } cases[] = {
      {"19 repetitive bytes", Bytes(19, 'a'), false},
      {"20 repetitive bytes", Bytes(20, 'a'), true},
      {"1000 random bytes", Random(1000, 7), false},
      {"a large repetitive state", Bytes(100000, 0x42), true},
      // Plain contents that look like an envelope would be misread on the
      // way back; they always travel enveloped.
      {"12 bytes beginning ZIP!", Text("ZIP!\x05\x00\x00\x00zzzz"), true},
      {"1000 random bytes behind ZIP!",
       [] {
         Bytes b = Random(1000, 9);
         std::memcpy(b.data(), "ZIP!", 4);
         return b;
       }(),
       true},
      {"nothing", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes stored = Detach(c.contents);
    if (c.enveloped) {
      ExpectEnvelopeOf(stored, c.contents);
    } else {
      EXPECT_EQ(c.contents, stored);
    }
    BOOL ok = FALSE;
    EXPECT_EQ(c.contents, Attach(stored, &ok));
    EXPECT_TRUE(ok);
  }
  // Short bytes that begin with the signature are contents, not an envelope.
  Bytes eleven = Text("ZIP!abcdefg");
  EXPECT_EQ(eleven, Attach(eleven));
}

TEST(ZipMemFile, DetachTakesWhatWasWrittenUpToThePosition) {
  CTKZipMemFile file;
  Bytes all(64, 'x');
  file.Write(all.data(), 64);
  file.Seek(10, CFile::begin);
  BYTE* out = nullptr;
  DWORD length = 0;
  file.DetachCompressedBuffer(out, length);
  EXPECT_EQ(10u, length);
  std::free(out);
  EXPECT_EQ(0u, file.GetLength()) << "the file is left empty";
}

TEST(ZipMemFile, CorruptEnvelopesFailAndLeaveAnEmptyFile) {
  Bytes good = Detach(Bytes(300, 'q'));
  ASSERT_EQ('Z', good[0]);
  auto withLength = [&](DWORD length) {
    Bytes b = good;
    b[4] = static_cast<BYTE>(length), b[5] = static_cast<BYTE>(length >> 8);
    b[6] = static_cast<BYTE>(length >> 16), b[7] = static_cast<BYTE>(length >> 24);
    return b;
  };
  Bytes flipped = good;
  flipped[good.size() / 2] ^= 0x55;
  Bytes truncated(good.begin(), good.end() - 3);
  Bytes trailing = good;
  trailing.push_back(0);
  Bytes garbage = Text("ZIP!\x10\x00\x00\x00not a zlib stream");
  struct Case {
    const char* name;
    Bytes stored;
  } cases[] = {
      {"stream damaged in the middle", flipped},
      {"stream cut short", truncated},
      {"bytes after the stream", trailing},
      {"no zlib stream at all", garbage},
      {"length smaller than the contents", withLength(299)},
      {"length larger than the contents", withLength(301)},
      {"length of 4 GiB", withLength(0xFFFFFFFFu)},
      {"length beyond what the stream can hold", withLength(200000000)},
  };
  for (const Case& c : cases) {
    BOOL ok = TRUE;
    Bytes back = Attach(c.stored, &ok);
    EXPECT_FALSE(ok) << c.name;
    EXPECT_TRUE(back.empty()) << c.name;
  }
  // An owned block is freed on failure too (the leak checker would see it).
  BYTE* owned = static_cast<BYTE*>(std::malloc(garbage.size()));
  std::memcpy(owned, garbage.data(), garbage.size());
  CTKZipMemFile file;
  EXPECT_FALSE(file.AttachCompressedBuffer(owned, static_cast<DWORD>(garbage.size()), TRUE));
}

TEST(ZipMemFile, AnArchiveTravelsThroughTheEnvelopeAndAFile) {
  tk_settings_test::TempHome home;
  CTKZipMemFile out;
  {
    CArchive ar(&out, CArchive::store, 4096);
    for (int i = 0; i < 200; ++i) ar << i % 5 << CString(u"Control");
    ar.Close();
  }
  BYTE* bytes = nullptr;
  DWORD length = 0;
  out.DetachCompressedBuffer(bytes, length);
  ASSERT_EQ(0, std::memcmp(bytes, "ZIP!", 4));
  CString path = home.File("state.bin");
  tk_settings_test::WriteFileText(path, std::string(reinterpret_cast<char*>(bytes), length));

  auto readAll = [](CTKZipMemFile& file) {
    CArchive ar(&file, CArchive::load, 4096);
    for (int i = 0; i < 200; ++i) {
      int n = -1;
      CString s;
      ar >> n >> s;
      if (n != i % 5 || s != u"Control") return false;
    }
    return true;
  };
  CTKZipMemFile fromBytes(bytes, length);
  EXPECT_TRUE(readAll(fromBytes));
  std::free(bytes);

  CTKZipMemFile fromFile;
  ASSERT_TRUE(fromFile.OpenCompressedFile(path));
  EXPECT_TRUE(readAll(fromFile));
  CTKZipMemFile missing;
  EXPECT_FALSE(missing.OpenCompressedFile(home.File("absent.bin")));
}

}  // namespace
