#include "app/data/des.h"

#include <array>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/base/codepage.h"
#include "platform/base/oledatetime.h"

namespace {

// The standard DES tables. Entries are 1-based bit positions.
constexpr std::array<std::uint8_t, 64> kIP = {58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
                                              62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
                                              57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
                                              61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};
constexpr std::array<std::uint8_t, 64> kIPInverse = {40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
                                                     38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
                                                     36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
                                                     34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};
constexpr std::array<std::uint8_t, 48> kE = {32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,
                                             12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
                                             22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};
constexpr std::array<std::uint8_t, 32> kP = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                             2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};
constexpr std::array<std::uint8_t, 56> kPC1 = {
    57, 49, 41, 33, 25, 17, 9,  1, 58, 50, 42, 34, 26, 18, 10, 2, 59, 51, 43, 35, 27, 19, 11, 3, 60, 52, 44, 36,
    63, 55, 47, 39, 31, 23, 15, 7, 62, 54, 46, 38, 30, 22, 14, 6, 61, 53, 45, 37, 29, 21, 13, 5, 28, 20, 12, 4};
constexpr std::array<std::uint8_t, 48> kPC2 = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                                               26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                                               51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};
constexpr std::array<std::uint8_t, 16> kShifts = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};
constexpr std::uint8_t kSBox[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8, 14, 6,  11, 3,  4, 9, 7, 2,  13, 12, 0, 5, 10, 3,  13, 4,  7, 15, 2,  8, 14, 12, 0, 1, 10, 6, 9, 11, 5,
     0,  14, 7, 11, 10, 4,  13, 1, 5, 8, 12, 6,  9,  3, 2, 15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6, 7, 12, 0, 5, 14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0, 8, 13, 3,  12, 9, 7, 5, 10, 6, 1, 13, 0,  11, 7, 4, 9, 1,  10, 14, 3, 5, 12, 2,  15, 8, 6,
     1, 4,  11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5,  9, 2, 6,  11, 13, 8, 1, 4, 10, 7,  9,  5, 0, 15, 14, 2,  3, 12},
    {13, 2, 8, 4, 6,  15, 11, 1, 10, 9,  3,  14, 5, 0, 12, 7, 1, 15, 13, 8, 10, 3, 7,  4,  12, 5, 6, 11, 0, 14, 9, 2, 7,
     11, 4, 1, 9, 12, 14, 2,  0, 6,  10, 13, 15, 3, 5, 8,  2, 1, 14, 7,  4, 10, 8, 13, 15, 12, 9, 0, 3,  5, 6,  11}};

// The key texts, eight lower-case letters or digits each.
constexpr const char16_t* kKeys[CDES::kKeyCount] = {
    u"9t44pj0t", u"sgx8ik28", u"d69ep3gv", u"y4ayyu1r", u"0uzcwyom", u"h4rwgqj2", u"bz4103ml", u"bij5rg5h", u"ud4d6fnv",
    u"9i2bpjoi", u"5hj73mao", u"t5nxbzsz", u"9utbw8sk", u"gk5dgczy", u"ew56sytv", u"qemhh8uz", u"er2byz91", u"e4j7tghj",
    u"lr23eabs", u"651gbeie", u"ecjrfu6x", u"t5rrr258", u"lq4dvejq", u"hup2tl3a", u"waiwbdgc", u"sqg59t9y", u"zf61eyg9",
    u"elctni32", u"aeob4l8s", u"vr6ng9m3", u"sd1mttag", u"n3icvhv5", u"0qvj2m1p", u"7jfamlme", u"dc4l6gnv", u"9yupq29l",
    u"4ocxbgki", u"ac10s3bj", u"d76hqxpx", u"dwipu18p", u"oqkdtq00", u"jqhvf61j", u"2xvrlhk1", u"v8vv5vw2", u"nmdheutb",
    u"371njkwv", u"lp3ae2ki", u"61dfx2wc", u"bq7tr0qh", u"0cri9s1t", u"un3l7mej", u"8bjmwsfu", u"vlxru1qj", u"ta4kn0vq",
    u"als11qp3", u"hkn5jb1t", u"hwvyh3w8", u"ewvt2nn7", u"hx75wr7w", u"5siiecm3", u"j0o88kga", u"qj3j1rd7", u"9ymfrwob",
    u"mcf7e87v", u"khewj9fs", u"hgpyp25u", u"ialxgovl", u"p4f1y2ad", u"2of85hqh", u"y844zprl", u"5yj3l1sm", u"y9u3ulw9",
    u"glj9308b", u"koakafwf", u"o0mo4shj", u"0gcc6yxe", u"u9r4d31n", u"ynwfqkl9", u"diixwud3", u"0rg40414", u"6r0fwbv8",
    u"7p25mp7l", u"m2bhcyfg", u"3q3ip74w", u"36zguzvi", u"4criaai0", u"sw4ftj5y", u"ls1n46f3", u"401vhndd", u"8f2fe8ml",
    u"wemawqm7", u"pl72zx9q", u"pn51lp82", u"vr12jdi5", u"j4tqas85", u"d8tb2dsb", u"qokk33og", u"45nmt0fj", u"39qrkll2",
    u"yght5cfg", u"zl7asv5c", u"3mbfycc1", u"xum90rk0", u"k88wsdz7", u"8f1phwsu", u"kb3dq5mb", u"48q8kopb", u"duffemeg",
    u"n2mmk2v7"};

// The key schedule is worked out one bit per byte, least significant bit of
// each byte first, as the tables read; the block cipher itself runs on
// machine words through tables built from the same definitions (below).
using RoundKeys = std::array<std::array<std::uint8_t, 48>, 16>;

void BytesToBits(const std::uint8_t* bytes, int count, std::uint8_t* bits) {
  for (int i = 0; i < count * 8; ++i) bits[i] = (bytes[i / 8] >> (i % 8)) & 1;
}

template <std::size_t N, std::size_t M>
void Permute(const std::uint8_t* in, const std::array<std::uint8_t, M>& table, std::array<std::uint8_t, N>& out) {
  static_assert(N == M);
  for (std::size_t i = 0; i < M; ++i) out[i] = in[table[i] - 1];
}

void ExpandKeyInto(const std::uint8_t* key8, RoundKeys& schedule) {
  std::uint8_t keyBits[64];
  BytesToBits(key8, 8, keyBits);
  std::array<std::uint8_t, 56> cd;
  Permute(keyBits, kPC1, cd);
  for (int r = 0; r < 16; ++r) {
    for (int s = 0; s < kShifts[r]; ++s) {
      std::uint8_t c0 = cd[0], d0 = cd[28];
      std::memmove(&cd[0], &cd[1], 27);
      cd[27] = c0;
      std::memmove(&cd[28], &cd[29], 27);
      cd[55] = d0;
    }
    Permute(cd.data(), kPC2, schedule[r]);
  }
}

// Word form. A block is a 64-bit word whose bit i is bit i of the bit
// string above, i.e. its eight bytes read little-endian. The left half of
// the permuted block is its low 32 bits, the right half its high 32 bits.

// A 64-bit permutation as eight byte-indexed tables: the output is the OR
// of what each input byte contributes.
struct BytePermutation {
  std::uint64_t part[8][256];
};

constexpr BytePermutation MakeBytePermutation(const std::array<std::uint8_t, 64>& table) {
  BytePermutation p{};
  for (int i = 0; i < 64; ++i) {
    const int from = table[i] - 1;
    for (int v = 0; v < 256; ++v)
      if ((v >> (from % 8)) & 1) p.part[from / 8][v] |= std::uint64_t{1} << i;
  }
  return p;
}

std::uint64_t ApplyPermutation(const BytePermutation& p, std::uint64_t x) {
  std::uint64_t out = 0;
  for (int b = 0; b < 8; ++b) out |= p.part[b][(x >> (8 * b)) & 0xFF];
  return out;
}

// S-box s and then P in one table, indexed by the six bits of its group of
// the expanded half (first bit of the group as bit 0): the 32-bit result of
// P with only that box's four output bits set.
using SPTables = std::array<std::array<std::uint32_t, 64>, 8>;

constexpr SPTables MakeSPTables() {
  SPTables sp{};
  for (int s = 0; s < 8; ++s)
    for (int g = 0; g < 64; ++g) {
      const int row = 2 * (g & 1) + ((g >> 5) & 1);
      const int column = 8 * ((g >> 1) & 1) + 4 * ((g >> 2) & 1) + 2 * ((g >> 3) & 1) + ((g >> 4) & 1);
      const int v = kSBox[s][16 * row + column];
      std::uint32_t out = 0;
      for (int i = 0; i < 32; ++i) {
        const int from = kP[i] - 1;  // substituted bit 4s+k holds bit k of box s's output
        if (from / 4 == s && ((v >> (from % 4)) & 1)) out |= std::uint32_t{1} << i;
      }
      sp[s][g] = out;
    }
  return sp;
}

constexpr BytePermutation kIPWords = MakeBytePermutation(kIP);
constexpr BytePermutation kIPInverseWords = MakeBytePermutation(kIPInverse);
constexpr SPTables kSP = MakeSPTables();

// Expansion group s of a half takes its bits 4s-1 .. 4s+4 (mod 32).
constexpr bool ExpansionIsRegular() {
  for (int s = 0; s < 8; ++s)
    for (int k = 0; k < 6; ++k)
      if (kE[6 * s + k] - 1 != (4 * s - 1 + k + 32) % 32) return false;
  return true;
}
static_assert(ExpansionIsRegular(), "the word form relies on the standard expansion");

// A round key as its eight six-bit groups, first bit of a group as bit 0.
using RoundKeyWords = std::array<std::array<std::uint8_t, 8>, 16>;

RoundKeyWords PackKeys(const RoundKeys& keys) {
  RoundKeyWords packed{};
  for (int r = 0; r < 16; ++r)
    for (int s = 0; s < 8; ++s) {
      std::uint8_t g = 0;
      for (int k = 0; k < 6; ++k) g |= static_cast<std::uint8_t>(keys[r][6 * s + k] << k);
      packed[r][s] = g;
    }
  return packed;
}

std::uint32_t RotateRight(std::uint32_t x, int n) { return n == 0 ? x : (x >> n) | (x << (32 - n)); }

// The cipher function f(R, K): expansion and key mix per group, then the
// combined S-box and P tables.
std::uint32_t RoundFunction(std::uint32_t r, const std::array<std::uint8_t, 8>& key) {
  std::uint32_t out = 0;
  for (int s = 0; s < 8; ++s) out |= kSP[s][(RotateRight(r, (4 * s + 31) % 32) & 0x3F) ^ key[s]];
  return out;
}

std::uint64_t CipherBlock(std::uint64_t in, const RoundKeyWords& schedule, bool decipher) {
  const std::uint64_t lr = ApplyPermutation(kIPWords, in);
  std::uint32_t l = static_cast<std::uint32_t>(lr);
  std::uint32_t r = static_cast<std::uint32_t>(lr >> 32);
  if (!decipher) {
    for (int round = 0; round < 16; ++round) {
      const std::uint32_t newR = l ^ RoundFunction(r, schedule[round]);
      l = r;
      r = newR;
    }
  } else {
    for (int round = 15; round >= 0; --round) {
      const std::uint32_t newL = r ^ RoundFunction(l, schedule[round]);
      r = l;
      l = newL;
    }
  }
  // No exchange of the halves before the final permutation.
  return ApplyPermutation(kIPInverseWords, l | (std::uint64_t{r} << 32));
}

struct KeyPair {
  RoundKeyWords k1, k2;
};

// E(K1, D(K2, E(K1, x))) to encipher; D(K1, E(K2, D(K1, x))) to decipher.
std::uint64_t TripleCipher(std::uint64_t in, const KeyPair& keys, bool decipher) {
  return CipherBlock(CipherBlock(CipherBlock(in, keys.k1, decipher), keys.k2, !decipher), keys.k1, decipher);
}

std::uint64_t LoadBlock(const std::uint8_t* bytes) {
  std::uint64_t x = 0;
  for (int i = 0; i < 8; ++i) x |= std::uint64_t{bytes[i]} << (8 * i);
  return x;
}

// The schedules of the two keys in a 16-byte key buffer. Names are keyed
// from a table of a hundred-odd texts, so the schedules are kept for the
// process (a start-up deciphers thousands of names under the same few
// keys), never freed: names may still be read while objects go at exit.
KeyPair SchedulesFor(const std::uint8_t* keyBuffer) {
  static auto* known = new std::unordered_map<std::string, KeyPair>;
  static auto* mutex = new std::mutex;
  std::string id(reinterpret_cast<const char*>(keyBuffer), 16);
  {
    std::lock_guard<std::mutex> guard(*mutex);
    if (auto it = known->find(id); it != known->end()) return it->second;
  }
  RoundKeys k1, k2;
  ExpandKeyInto(keyBuffer, k1);
  ExpandKeyInto(keyBuffer + 8, k2);
  const KeyPair keys{PackKeys(k1), PackKeys(k2)};
  std::lock_guard<std::mutex> guard(*mutex);
  if (known->size() >= 1024) known->clear();  // keys from outside the table are not hoarded
  known->emplace(std::move(id), keys);
  return keys;
}

std::string ToAnsi(const CString& text, UINT codePage) {
  int n = WideCharToMultiByte(codePage, 0, text.GetString(), text.GetLength(), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(codePage, 0, text.GetString(), text.GetLength(), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

CString FromAnsi(const std::string& bytes, UINT codePage) {
  if (bytes.empty()) return CString();
  int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string units(static_cast<std::size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), units.data(), n);
  return CString(std::move(units));
}

}  // namespace

void CDES::ExpandKey(const unsigned char key[8], unsigned char schedule[16][48]) {
  RoundKeys keys;
  ExpandKeyInto(key, keys);
  for (int r = 0; r < 16; ++r) std::memcpy(schedule[r], keys[r].data(), 48);
}

const char16_t* CDES::KeyText(int index) {
  if (index < 0 || index >= kKeyCount) index = 0;
  return kKeys[index];
}

int CDES::KeyIndex(int year, int month, int day) {
  if (day == 0) return 0;
  int index = (month * year) % day;
  return (index >= 0 && index < kKeyCount) ? index : 0;
}

CString GetWorkNameKey(const COleDateTime& start) {
  int year = -1, month = -1, day = -1;
  if (start.GetStatus() == COleDateTime::valid) {
    year = start.GetYear();
    month = start.GetMonth();
    day = start.GetDay();
  }
  return CString(CDES::KeyText(CDES::KeyIndex(year, month, day)));
}

CString CDES::TransformText(CString text, CString keyText, int mode) {
  if ((mode != 0 && mode != 1) || text.IsEmpty()) return CString();

  // The key buffer: 0xCC everywhere, the key text's bytes at the start, and a
  // short key closed by a zero byte and 0xFD up to eight bytes.
  std::uint8_t keyBuffer[32];
  std::memset(keyBuffer, 0xCC, sizeof keyBuffer);
  std::string key = ToAnsi(keyText, CP_ACP);
  std::size_t n = std::min<std::size_t>(key.size(), sizeof keyBuffer);
  std::memcpy(keyBuffer, key.data(), n);
  if (n < 8) {
    keyBuffer[n] = 0;
    for (std::size_t i = n + 1; i < 8; ++i) keyBuffer[i] = 0xFD;
  }
  // The schedules are copied out, so two threads never share working storage.
  const KeyPair keys = SchedulesFor(keyBuffer);

  if (mode == 0) {
    std::string bytes = ToAnsi(text, CP_ACP);
    std::u16string result;
    result.reserve((bytes.size() + 7) / 8 * 4);
    for (std::size_t start = 0; start < bytes.size(); start += 8) {
      std::uint8_t block[8];
      std::size_t r = std::min<std::size_t>(8, bytes.size() - start);
      std::memcpy(block, bytes.data() + start, r);
      if (r < 8) {
        block[r] = 0;
        for (std::size_t i = r + 1; i < 8; ++i) block[i] = 0xFD;
      }
      const std::uint64_t out = TripleCipher(LoadBlock(block), keys, false);
      for (int i = 0; i < 4; ++i) result.push_back(static_cast<char16_t>(out >> (16 * i)));
    }
    return CString(std::move(result));
  }

  // Deciphering: the units give their bytes low byte first, four units to a
  // block. A text that is not a whole number of blocks was never made by
  // enciphering (a name stored in plain text, a cut value): refused.
  if (text.GetLength() % 4 != 0) return CString();
  // Each four units are one block, low byte of the first unit first.
  std::string plain;
  plain.reserve(static_cast<std::size_t>(text.GetLength()) * 2);
  const char16_t* units = text.GetString();
  for (int start = 0; start < text.GetLength(); start += 4) {
    std::uint64_t block = 0;
    for (int i = 0; i < 4; ++i) block |= std::uint64_t{static_cast<std::uint16_t>(units[start + i])} << (16 * i);
    const std::uint64_t out = TripleCipher(block, keys, true);
    for (int i = 0; i < 8; ++i) plain.push_back(static_cast<char>(out >> (8 * i)));
  }
  std::size_t zero = plain.find('\0');
  if (zero != std::string::npos) plain.resize(zero);
  return FromAnsi(plain, CP_THREAD_ACP);
}
