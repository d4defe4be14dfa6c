#include "platform/system/registry.h"

#include "platform/system/profile.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/system/paths_internal.h"
#include "platform/system/sysutil.h"

namespace {

using pv::sys::CompareNoCase;
using pv::sys::FromUtf8;
using pv::sys::ToUtf8;
using pv::sys::Upper;

struct Value {
  std::u16string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  // Tears the subtree down without recursion, however deep it is.
  ~Key() { ClearSubkeys(); }

  std::u16string name;
  std::map<std::u16string, std::unique_ptr<Key>> subkeys;  // by upper-cased name

  void ClearSubkeys() {
    std::vector<std::unique_ptr<Key>> doomed;
    for (auto& [upper, sub] : subkeys) doomed.push_back(std::move(sub));
    subkeys.clear();
    while (!doomed.empty()) {
      std::unique_ptr<Key> k = std::move(doomed.back());
      doomed.pop_back();
      for (auto& [upper, sub] : k->subkeys) doomed.push_back(std::move(sub));
      k->subkeys.clear();
    }
  }

  // Values keep the order they were first set in; the index finds them by
  // upper-cased name without a scan (keys can hold thousands of values).
  const std::vector<Value>& Values() const { return values_; }
  Value* FindValue(std::u16string_view n) {
    // Upper-cased into a kept buffer: reads allocate nothing.
    thread_local std::u16string upper;
    upper.resize(n.size());
    for (std::size_t i = 0; i < n.size(); ++i) upper[i] = pv::sys::UpperUnit(n[i]);
    auto it = index_.find(upper);
    return it == index_.end() ? nullptr : &values_[it->second];
  }
  void SetValue(Value v) {
    std::u16string upper = Upper(v.name);
    auto it = index_.find(upper);
    if (it != index_.end()) {
      values_[it->second].type = v.type;
      values_[it->second].data = std::move(v.data);
      return;
    }
    index_.emplace(std::move(upper), values_.size());
    values_.push_back(std::move(v));
  }
  bool EraseValue(std::u16string_view n) {
    auto it = index_.find(Upper(n));
    if (it == index_.end()) return false;
    std::size_t at = it->second;
    index_.erase(it);
    values_.erase(values_.begin() + static_cast<long>(at));
    for (auto& [k, i] : index_)
      if (i > at) --i;
    return true;
  }
  void ClearValues() {
    values_.clear();
    index_.clear();
  }
  Key* FindSub(std::u16string_view n) {
    auto it = subkeys.find(Upper(n));
    return it == subkeys.end() ? nullptr : it->second.get();
  }

 private:
  std::vector<Value> values_;
  std::unordered_map<std::u16string, std::size_t> index_;
};

constexpr int kRootCount = 2;
// Keys nest at most this many levels below a root, as on Windows.
constexpr std::size_t kMaxDepth = 512;
const char16_t* const kRootNames[kRootCount] = {u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE"};

struct Tree {
  Key roots[kRootCount];
  void Clear() {
    for (auto& r : roots) {
      r.ClearSubkeys();
      r.ClearValues();
    }
  }
};

struct Handle {
  int root = 0;
  std::vector<std::u16string> path;
  REGSAM access = 0;
  // The key the path led to, valid while the store's key generation is
  // `keyGeneration` (keys are only freed by a reload or a deletion).
  Key* key = nullptr;
  unsigned long long keyGeneration = 0;
};

struct FileIdentity {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  long long mtimeNs = 0;
  bool operator==(const FileIdentity& o) const {
    return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size && mtimeNs == o.mtimeNs;
  }
};

using Mutation = std::function<LONG(Tree&)>;

struct Store {
  std::recursive_mutex mutex;
  bool loaded = false;
  std::string path;
  Tree tree;
  FileIdentity identity;
  std::unordered_map<ULONG_PTR, Handle> handles;
  ULONG_PTR nextHandle = 0x10000;
  int batchDepth = 0;
  std::vector<Mutation> pending;  // applied in memory, not yet on disk
  // Bumped whenever keys may have been freed, so handles walk again.
  unsigned long long keyGeneration = 1;
  bool flushAtExit = false;
  unsigned long fileWrites = 0;  // successful rewrites, for tests
  // The file exists but could not be read: it is kept as it is and every
  // change is refused, so it is never overwritten with less than it holds.
  bool unreadable = false;
};

Store& S() {
  static Store* store = new Store;  // never destroyed: used from atexit paths too
  return *store;
}

FileIdentity Identify(const std::string& path) {
  FileIdentity id;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return id;
  id.exists = true;
  id.dev = st.st_dev;
  id.ino = st.st_ino;
  id.size = st.st_size;
  id.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  return id;
}

// ---- text form ------------------------------------------------------------------------

constexpr char kHeader[] = "; Pravenor registry, format 1";

// Bytes that are not UTF-8 are kept: each becomes the unit U+DC00 + byte
// (U+DC80-U+DCFF, never produced by decoding) and is written back as the
// same byte, so a rewrite never replaces text it could not decode.
bool IsKeptByte(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

std::u16string DecodeKeepingBytes(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto* b = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned c = b[i];
    if (c < 0x80) {
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    std::size_t len = 0;
    unsigned cp = 0, min = 0;
    if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07, min = 0x10000;
    bool ok = len != 0 && i + len <= n;
    for (std::size_t k = 1; ok && k < len; ++k) {
      if ((b[i + k] & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (b[i + k] & 0x3F);
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      out += static_cast<char16_t>(0xDC00 + c);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

void AppendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The reverse of DecodeKeepingBytes. Other unpaired surrogates never reach
// it: quoted texts and key names escape them.
std::string EncodeKeepingBytes(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<unsigned>(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00));
      ++i;
    } else if (IsKeptByte(c)) {
      out += static_cast<char>(c - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

void AppendHex4(std::u16string& out, char16_t c) {
  static const char16_t* digits = u"0123456789abcdef";
  for (int s = 12; s >= 0; s -= 4) out += digits[(c >> s) & 0xF];
}

bool IsLoneSurrogate(std::u16string_view s, std::size_t i) {
  char16_t c = s[i];
  if (c >= 0xD800 && c <= 0xDBFF) return !(i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF);
  if (c >= 0xDC00 && c <= 0xDFFF) return !(i > 0 && s[i - 1] >= 0xD800 && s[i - 1] <= 0xDBFF);
  return false;
}

std::u16string Quote(std::u16string_view s) {
  std::u16string out = u"\"";
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    switch (c) {
      case u'\\':
        out += u"\\\\";
        break;
      case u'"':
        out += u"\\\"";
        break;
      case 0:
        out += u"\\0";
        break;
      case u'\n':
        out += u"\\n";
        break;
      case u'\r':
        out += u"\\r";
        break;
      case u'\t':
        out += u"\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F || (IsLoneSurrogate(s, i) && !IsKeptByte(c))) {
          out += u"\\u";
          AppendHex4(out, c);
        } else {
          out += c;
        }
    }
  }
  out += u'"';
  return out;
}

std::u16string EscapeKeyName(std::u16string_view s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c == u'%' || c < 0x20 || c == 0x7F || (IsLoneSurrogate(s, i) && !IsKeptByte(c))) {
      out += u'%';
      AppendHex4(out, c);
    } else {
      out += c;
    }
  }
  return out;
}

std::u16string BytesAsUnits(const std::vector<BYTE>& d, std::size_t units) {
  std::u16string s(units, u'\0');
  for (std::size_t i = 0; i < units; ++i) s[i] = static_cast<char16_t>(d[2 * i] | (d[2 * i + 1] << 8));
  return s;
}

std::u16string HexBytes(const std::vector<BYTE>& d) {
  std::u16string out;
  static const char16_t* digits = u"0123456789abcdef";
  for (std::size_t i = 0; i < d.size(); ++i) {
    if (i) out += u',';
    out += digits[d[i] >> 4];
    out += digits[d[i] & 15];
  }
  return out;
}

std::u16string FormatValue(const Value& v) {
  std::u16string line = v.name.empty() ? std::u16string(u"@") : Quote(v.name);
  line += u'=';
  const auto& d = v.data;
  bool unitsOk = d.size() % 2 == 0 && d.size() >= 2 && d[d.size() - 1] == 0 && d[d.size() - 2] == 0;
  if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && unitsOk) {
    line += v.type == REG_SZ ? u"sz:" : u"expand_sz:";
    line += Quote(BytesAsUnits(d, d.size() / 2 - 1));
    return line;
  }
  if (v.type == REG_MULTI_SZ && unitsOk) {
    // Pretty only when it reads back to the same bytes: non-empty items,
    // each terminated, then one more terminator.
    std::u16string all = BytesAsUnits(d, d.size() / 2);
    std::vector<std::u16string> items;
    std::size_t pos = 0;
    bool ok = true;
    while (pos < all.size() - 1) {
      std::size_t end = all.find(u'\0', pos);
      if (end == pos || end == std::u16string::npos) {
        ok = false;
        break;
      }
      items.push_back(all.substr(pos, end - pos));
      pos = end + 1;
    }
    if (ok && pos == all.size() - 1) {
      line += u"multi_sz:";
      for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) line += u',';
        line += Quote(items[i]);
      }
      return line;
    }
  }
  if (v.type == REG_DWORD && d.size() == 4) {
    DWORD x = d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<DWORD>(d[3]) << 24);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", x);
    line += u"dword:" + FromUtf8(buf);
    return line;
  }
  if (v.type == REG_QWORD && d.size() == 8) {
    unsigned long long x = 0;
    for (int i = 7; i >= 0; --i) x = (x << 8) | d[i];
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016llx", x);
    line += u"qword:" + FromUtf8(buf);
    return line;
  }
  if (v.type == REG_BINARY) {
    line += u"hex:" + HexBytes(d);
    return line;
  }
  line += u"hex(" + FromUtf8(std::to_string(v.type)) + u"):" + HexBytes(d);
  return line;
}

// The common case written straight out: a DWORD under a plain ASCII name
// (what FormatValue would write, without the text round trips).
bool AppendPlainDword(std::string& out, const Value& v) {
  if (v.type != REG_DWORD || v.data.size() != 4 || v.name.empty()) return false;
  for (char16_t c : v.name)
    if (c < 0x20 || c >= 0x7F || c == u'"' || c == u'\\') return false;
  out += '"';
  for (char16_t c : v.name) out += static_cast<char>(c);
  out += "\"=dword:";
  static const char digits[] = "0123456789abcdef";
  for (int i = 3; i >= 0; --i) {
    out += digits[v.data[i] >> 4];
    out += digits[v.data[i] & 15];
  }
  return true;
}

// Depth first, keys in name order, without recursion.
std::string Serialize(const Tree& t) {
  std::string out = kHeader;
  out += "\n; Written by Pravenor. Keys are [ROOT\\path] lines, each followed by its values.\n";
  struct Pending {
    const Key* key;
    std::u16string fullName;
    bool isRoot;
  };
  std::vector<Pending> stack;
  for (int r = kRootCount - 1; r >= 0; --r) stack.push_back({&t.roots[r], kRootNames[r], true});
  while (!stack.empty()) {
    Pending p = std::move(stack.back());
    stack.pop_back();
    const Key& k = *p.key;
    if (!k.Values().empty() || (k.subkeys.empty() && !p.isRoot)) {
      out += "\n[" + EncodeKeepingBytes(p.fullName) + "]\n";
      for (const auto& v : k.Values()) {
        if (!AppendPlainDword(out, v)) out += EncodeKeepingBytes(FormatValue(v));
        out += '\n';
      }
    }
    for (auto it = k.subkeys.rbegin(); it != k.subkeys.rend(); ++it)
      stack.push_back({it->second.get(), p.fullName + u"\\" + EscapeKeyName(it->second->name), false});
  }
  return out;
}

// Parser over one UTF-16 line.
struct LineParser {
  std::u16string_view s;
  std::size_t i = 0;
  bool Eat(char16_t c) {
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  bool EatWord(std::u16string_view w) {
    if (s.substr(i, w.size()) == w) {
      i += w.size();
      return true;
    }
    return false;
  }
  static int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
  }
  bool Hex4(char16_t* out) {
    if (i + 4 > s.size()) return false;
    unsigned v = 0;
    for (int k = 0; k < 4; ++k) {
      int h = HexDigit(s[i + k]);
      if (h < 0) return false;
      v = v * 16 + static_cast<unsigned>(h);
    }
    i += 4;
    *out = static_cast<char16_t>(v);
    return true;
  }
  bool Quoted(std::u16string* out) {
    if (!Eat(u'"')) return false;
    out->clear();
    while (i < s.size()) {
      char16_t c = s[i++];
      if (c == u'"') return true;
      if (c != u'\\') {
        *out += c;
        continue;
      }
      if (i >= s.size()) return false;
      char16_t e = s[i++];
      switch (e) {
        case u'\\':
          *out += u'\\';
          break;
        case u'"':
          *out += u'"';
          break;
        case u'0':
          *out += u'\0';
          break;
        case u'n':
          *out += u'\n';
          break;
        case u'r':
          *out += u'\r';
          break;
        case u't':
          *out += u'\t';
          break;
        case u'u': {
          char16_t u;
          if (!Hex4(&u)) return false;
          *out += u;
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }
  bool HexList(std::vector<BYTE>* out) {
    out->clear();
    if (i == s.size()) return true;
    for (;;) {
      if (i + 2 > s.size()) return false;
      int a = HexDigit(s[i]), b = HexDigit(s[i + 1]);
      if (a < 0 || b < 0) return false;
      out->push_back(static_cast<BYTE>(a * 16 + b));
      i += 2;
      if (i == s.size()) return true;
      if (!Eat(u',')) return false;
    }
  }
  bool HexNumber(unsigned long long* out, int digits) {
    if (i + static_cast<std::size_t>(digits) != s.size()) return false;
    unsigned long long v = 0;
    for (int k = 0; k < digits; ++k) {
      int h = HexDigit(s[i + k]);
      if (h < 0) return false;
      v = v * 16 + static_cast<unsigned>(h);
    }
    i += static_cast<std::size_t>(digits);
    *out = v;
    return true;
  }
};

void PutUnits(std::vector<BYTE>& d, std::u16string_view s) {
  for (char16_t c : s) {
    d.push_back(static_cast<BYTE>(c & 0xFF));
    d.push_back(static_cast<BYTE>(c >> 8));
  }
}

bool ParseValue(std::u16string_view line, Value* v) {
  LineParser p{line};
  if (p.Eat(u'@')) {
    v->name.clear();
  } else if (!p.Quoted(&v->name)) {
    return false;
  }
  if (!p.Eat(u'=')) return false;
  v->data.clear();
  if (p.EatWord(u"sz:") || p.EatWord(u"expand_sz:")) {
    v->type = line.substr(0, p.i).ends_with(u"expand_sz:") ? REG_EXPAND_SZ : REG_SZ;
    std::u16string text;
    if (!p.Quoted(&text) || p.i != line.size()) return false;
    PutUnits(v->data, text);
    PutUnits(v->data, std::u16string(1, u'\0'));
    return true;
  }
  if (p.EatWord(u"multi_sz:")) {
    v->type = REG_MULTI_SZ;
    std::u16string item;
    while (p.i < line.size()) {
      if (!p.Quoted(&item) || item.empty() || item.find(u'\0') != std::u16string::npos) return false;
      PutUnits(v->data, item);
      PutUnits(v->data, std::u16string(1, u'\0'));
      if (p.i < line.size() && !p.Eat(u',')) return false;
    }
    PutUnits(v->data, std::u16string(1, u'\0'));
    return true;
  }
  if (p.EatWord(u"dword:")) {
    unsigned long long x;
    if (!p.HexNumber(&x, 8)) return false;
    v->type = REG_DWORD;
    for (int k = 0; k < 4; ++k) v->data.push_back(static_cast<BYTE>(x >> (8 * k)));
    return true;
  }
  if (p.EatWord(u"qword:")) {
    unsigned long long x;
    if (!p.HexNumber(&x, 16)) return false;
    v->type = REG_QWORD;
    for (int k = 0; k < 8; ++k) v->data.push_back(static_cast<BYTE>(x >> (8 * k)));
    return true;
  }
  if (p.EatWord(u"hex:")) {
    v->type = REG_BINARY;
    return p.HexList(&v->data);
  }
  if (p.EatWord(u"hex(")) {
    unsigned long type = 0;
    std::size_t start = p.i;
    while (p.i < line.size() && line[p.i] >= u'0' && line[p.i] <= u'9' && p.i - start < 10)
      type = type * 10 + (line[p.i++] - u'0');
    if (p.i == start || type > 0xFFFFFFFFul || !p.EatWord(u"):")) return false;
    v->type = static_cast<DWORD>(type);
    return p.HexList(&v->data);
  }
  return false;
}

bool ParseKeyPath(std::u16string_view inner, int* root, std::vector<std::u16string>* path) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = inner.find(u'\\', start);
    std::u16string_view raw =
        inner.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
    std::u16string part;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != u'%') {
        part += raw[i];
        continue;
      }
      LineParser p{raw, i + 1};
      char16_t c;
      if (!p.Hex4(&c)) return false;
      part += c;
      i += 4;
    }
    if (part.empty()) return false;
    parts.push_back(std::move(part));
    if (end == std::u16string_view::npos) break;
    start = end + 1;
  }
  *root = -1;
  for (int r = 0; r < kRootCount; ++r)
    if (parts[0] == kRootNames[r]) *root = r;
  if (*root < 0) return false;
  path->assign(parts.begin() + 1, parts.end());
  return true;
}

Key* Walk(Key* k, const std::vector<std::u16string>& path, bool create, bool* created = nullptr) {
  for (const auto& part : path) {
    Key* sub = k->FindSub(part);
    if (!sub) {
      if (!create) return nullptr;
      auto fresh = std::make_unique<Key>();
      fresh->name = part;
      sub = fresh.get();
      k->subkeys.emplace(Upper(part), std::move(fresh));
      if (created) *created = true;
    }
    k = sub;
  }
  return k;
}

// Returns false with a reason when the text is not a registry file.
bool Parse(const std::string& text, Tree* t, std::string* reason) {
  t->Clear();
  if (text.empty()) return true;
  std::u16string all = DecodeKeepingBytes(text);
  std::size_t pos = 0;
  int lineNo = 0;
  Key* current = nullptr;
  bool sawHeader = false;
  while (pos <= all.size()) {
    std::size_t end = all.find(u'\n', pos);
    if (end == std::u16string::npos) end = all.size();
    std::u16string_view line(all.data() + pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    if (!sawHeader) {
      if (ToUtf8(line) != kHeader) {
        *reason = "the first line is not the registry header";
        return false;
      }
      sawHeader = true;
      continue;
    }
    if (line.empty() || line[0] == u';') continue;
    if (line[0] == u'[') {
      if (line.back() != u']') {
        *reason = "line " + std::to_string(lineNo) + ": unterminated key line";
        return false;
      }
      int root;
      std::vector<std::u16string> path;
      if (!ParseKeyPath(line.substr(1, line.size() - 2), &root, &path)) {
        *reason = "line " + std::to_string(lineNo) + ": bad key path";
        return false;
      }
      if (path.size() > kMaxDepth) {
        *reason =
            "line " + std::to_string(lineNo) + ": key nested deeper than " + std::to_string(kMaxDepth) + " levels";
        return false;
      }
      current = Walk(&t->roots[root], path, true);
      continue;
    }
    Value v;
    if (!current || !ParseValue(line, &v)) {
      *reason = "line " + std::to_string(lineNo) + ": bad value line";
      return false;
    }
    current->SetValue(std::move(v));
  }
  return true;
}

// ---- loading and saving ------------------------------------------------------------

std::string LockPath(const Store& s) { return s.path.substr(0, s.path.rfind('/')) + "/registry.lock"; }

class FileLock {
 public:
  explicit FileLock(const std::string& path) {
    std::string dir = path.substr(0, path.rfind('/'));
    pv::sys::MakeDirectories(dir);
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~FileLock() {
    if (fd_ >= 0) {
      ::flock(fd_, LOCK_UN);
      ::close(fd_);
    }
  }

 private:
  int fd_ = -1;
};

void MoveAside(const std::string& path, const std::string& reason) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::gmtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  std::string aside = path + ".corrupt-" + stamp;
  for (int n = 1; ::access(aside.c_str(), F_OK) == 0; ++n) aside = path + ".corrupt-" + stamp + "-" + std::to_string(n);
  if (::rename(path.c_str(), aside.c_str()) == 0) {
    pv::sys::ReportProblem("the registry file " + path + " is damaged (" + reason + "); it was moved to " + aside +
                           " and the settings start from their defaults.");
  } else {
    pv::sys::ReportProblem("the registry file " + path + " is damaged (" + reason + ") and could not be moved aside: " +
                           std::strerror(errno) + ". The settings start from their defaults.");
  }
}

// Reads the file when it changed since we last saw it. Caller holds the mutex.
// Reads of an open key and changes while others wait to be written skip the
// disk (`checkDisk` false): the file is looked at again when a key is opened
// or created and when the waiting changes are written, which lays them over
// whatever another process stored meanwhile.
void Refresh(Store& s, bool checkDisk = true) {
  if (!checkDisk && s.loaded && !s.unreadable) return;
  if (!s.loaded) {
    s.path = pv::RegistryFilePath();
    s.loaded = true;
    s.identity = FileIdentity{};
    s.tree.Clear();
    s.identity.exists = false;
    s.identity.ino = static_cast<ino_t>(-1);  // force the first read
    pv::sys::RemoveStaleTempFiles(s.path);
  }
  FileIdentity now = Identify(s.path);
  if (now == s.identity && !s.unreadable) return;
  std::string text;
  s.tree.Clear();
  ++s.keyGeneration;
  if (now.exists && !pv::sys::ReadWholeFile(s.path, &text)) {
    // Kept where it is and tried again on the next call (its permissions
    // may be mended meanwhile); reported once.
    if (!s.unreadable)
      pv::sys::ReportProblem("the registry file " + s.path + " could not be read (" + std::strerror(errno) +
                             "); it is kept as it is, the settings read as their defaults and no setting can be " +
                             "saved until the file can be read.");
    s.unreadable = true;
    s.identity = now;
    return;
  }
  s.unreadable = false;
  if (now.exists) {
    std::string reason;
    if (!Parse(text, &s.tree, &reason)) {
      s.tree.Clear();
      MoveAside(s.path, reason);
      now = Identify(s.path);
    }
  }
  s.identity = now;
  // Changes of an open batch are laid over what another process stored.
  for (auto& m : s.pending) m(s.tree);
}

LONG Save(Store& s) {
  std::string error;
  pv::sys::MakeDirectories(s.path.substr(0, s.path.rfind('/')));
  // Private whatever its mode was: the settings hold passwords.
  if (!pv::sys::WriteFileAtomically(s.path, Serialize(s.tree), &error, pv::sys::FileAccess::OwnerOnly)) {
    pv::sys::ReportProblem("could not save the registry: " + error);
    s.identity.ino = static_cast<ino_t>(-1);  // re-read what is really on disk
    return static_cast<LONG>(ERROR_CANTWRITE);
  }
  s.identity = Identify(s.path);
  ++s.fileWrites;
  return ERROR_SUCCESS;
}

// Whether the file could be written now: its folder exists (or can be made)
// and takes new files. A batch checks this before it accepts a change, so a
// change that could never reach the disk is refused at once instead of
// being answered as stored.
bool CanSave(const Store& s) {
  std::string folder = s.path.substr(0, s.path.rfind('/'));
  return pv::sys::MakeDirectories(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

LONG FlushPending(Store& s) {
  if (s.pending.empty()) return ERROR_SUCCESS;
  FileLock lock(LockPath(s));
  Refresh(s);  // replays pending over a changed file
  // A file that turned unreadable meanwhile is never overwritten; the
  // waiting changes are lost, and Refresh has said why.
  LONG r = s.unreadable ? static_cast<LONG>(ERROR_CANTREAD) : Save(s);
  s.pending.clear();
  return r;
}

void FlushAtExit() {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  FlushPending(s);
}

// Applies a change in memory and keeps it for the next flush (the end of
// the outermost batch, RegFlushKey, the program's idle
// time or its exit), so a burst of changes costs one write of the file.
// The first change of a flush's group checks that the file could be
// written now and is refused at once when it could not.
LONG Mutate(Mutation m) {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Refresh(s, s.pending.empty());
  if (s.unreadable) return static_cast<LONG>(ERROR_CANTREAD);
  if (s.pending.empty() && !CanSave(s)) return static_cast<LONG>(ERROR_CANTWRITE);
  LONG r = m(s.tree);
  if (r != ERROR_SUCCESS) return r;
  s.pending.push_back(std::move(m));
  if (!s.flushAtExit) {
    s.flushAtExit = true;
    std::atexit(&FlushAtExit);
  }
  return r;
}

// ---- handles ------------------------------------------------------------------------

int RootIndex(HKEY k) {
  if (k == HKEY_CURRENT_USER) return 0;
  if (k == HKEY_LOCAL_MACHINE) return 1;
  return -1;
}

// Resolves a handle to its root and path. ERROR_INVALID_HANDLE for unknown
// handles.
LONG Resolve(Store& s, HKEY key, Handle* out) {
  int root = RootIndex(key);
  if (root >= 0) {
    out->root = root;
    out->path.clear();
    out->access = KEY_ALL_ACCESS;
    return ERROR_SUCCESS;
  }
  auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(key));
  if (it == s.handles.end()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  *out = it->second;
  return ERROR_SUCCESS;
}

// Splits "a\b\c" into names; false for empty names or a leading backslash.
bool SplitSubKey(LPCWSTR subKey, std::vector<std::u16string>* parts) {
  parts->clear();
  std::u16string_view s = pv::sys::View(subKey);
  if (!s.empty() && s.back() == u'\\') s.remove_suffix(1);
  if (s.empty()) return true;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = s.find(u'\\', start);
    std::u16string_view part =
        s.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
    if (part.empty() || part.size() > 255) return false;
    parts->emplace_back(part);
    if (end == std::u16string_view::npos) return true;
    start = end + 1;
  }
}

HKEY NewHandle(Store& s, Handle h) {
  ULONG_PTR id = s.nextHandle;
  s.nextHandle += 4;
  s.handles.emplace(id, std::move(h));
  return reinterpret_cast<HKEY>(id);
}

// Looks up the key a handle stands for (ERROR_KEY_DELETED when it is gone).
// A handle keeps the key it found until keys may have been freed.
LONG KeyOf(Store& s, HKEY key, Key** out, Handle* h = nullptr) {
  int root = RootIndex(key);
  if (root >= 0) {
    if (h) *h = Handle{root, {}, KEY_ALL_ACCESS};
    *out = &s.tree.roots[root];
    return ERROR_SUCCESS;
  }
  auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(key));
  if (it == s.handles.end()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  Handle& found = it->second;
  if (!found.key || found.keyGeneration != s.keyGeneration) {
    found.key = Walk(&s.tree.roots[found.root], found.path, false);
    found.keyGeneration = s.keyGeneration;
  }
  if (h) *h = found;
  if (!found.key) return static_cast<LONG>(ERROR_KEY_DELETED);
  *out = found.key;
  return ERROR_SUCCESS;
}

// Copies `size` bytes to a caller's buffer with the usual rules.
LONG CopyOut(const std::vector<BYTE>& d, LPBYTE data, LPDWORD dataBytes) {
  if (!dataBytes) return data ? static_cast<LONG>(ERROR_INVALID_PARAMETER) : static_cast<LONG>(ERROR_SUCCESS);
  DWORD need = static_cast<DWORD>(d.size());
  if (data) {
    if (*dataBytes < need) {
      *dataBytes = need;
      return static_cast<LONG>(ERROR_MORE_DATA);
    }
    if (need) std::memcpy(data, d.data(), need);
  }
  *dataBytes = need;
  return ERROR_SUCCESS;
}

// Copies a name into a buffer of *chars characters (terminator included);
// *chars becomes the length without the terminator.
LONG CopyName(const std::u16string& n, LPWSTR buf, LPDWORD chars) {
  if (!buf || !chars) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  if (n.size() + 1 > *chars) {
    *chars = static_cast<DWORD>(n.size());
    return static_cast<LONG>(ERROR_MORE_DATA);
  }
  std::memcpy(buf, n.data(), n.size() * 2);
  buf[n.size()] = 0;
  *chars = static_cast<DWORD>(n.size());
  return ERROR_SUCCESS;
}

std::vector<std::u16string> Concat(const std::vector<std::u16string>& a, const std::vector<std::u16string>& b) {
  std::vector<std::u16string> r = a;
  r.insert(r.end(), b.begin(), b.end());
  return r;
}

}  // namespace

// ---- API --------------------------------------------------------------------------------

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM access, LPSECURITY_ATTRIBUTES, PHKEY result,
                     LPDWORD disposition) {
  if (!result) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  *result = nullptr;
  if (subKey && subKey[0] == u'\\') return static_cast<LONG>(ERROR_BAD_PATHNAME);
  std::vector<std::u16string> parts;
  if (!SplitSubKey(subKey, &parts)) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Refresh(s);
  Handle base;
  Key* k;
  LONG r = KeyOf(s, key, &k, &base);
  if (r != ERROR_SUCCESS) return r;
  std::vector<std::u16string> full = Concat(base.path, parts);
  if (full.size() > kMaxDepth) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  bool exists = Walk(&s.tree.roots[base.root], full, false) != nullptr;
  if (!exists) {
    int root = base.root;
    r = Mutate([root, full](Tree& t) {
      Walk(&t.roots[root], full, true);
      return static_cast<LONG>(ERROR_SUCCESS);
    });
    if (r != ERROR_SUCCESS) return r;
  }
  if (disposition) *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  *result = NewHandle(s, Handle{base.root, full, access});
  return ERROR_SUCCESS;
}

LONG RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
  return RegCreateKeyExW(key, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, result, nullptr);
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result) {
  if (!result) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  *result = nullptr;
  if (subKey && subKey[0] == u'\\') return static_cast<LONG>(ERROR_BAD_PATHNAME);
  std::vector<std::u16string> parts;
  if (!SplitSubKey(subKey, &parts)) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Refresh(s);
  Handle base;
  Key* k;
  LONG r = KeyOf(s, key, &k, &base);
  if (r != ERROR_SUCCESS) return r;
  if (!Walk(k, parts, false)) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  *result = NewHandle(s, Handle{base.root, Concat(base.path, parts), access});
  return ERROR_SUCCESS;
}

LONG RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
  return RegOpenKeyExW(key, subKey, 0, KEY_ALL_ACCESS, result);
}

LONG RegCloseKey(HKEY key) {
  if (RootIndex(key) >= 0 || key == HKEY_CLASSES_ROOT || key == HKEY_USERS) return ERROR_SUCCESS;
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  if (!s.handles.erase(reinterpret_cast<ULONG_PTR>(key))) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  // Closing a key does not write: a save closes many keys in a row, and
  // each write is a durable rewrite of the whole file. The changes reach
  // the disk at the next idle time, RegFlushKey, a batch's end or exit.
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Handle h;
  LONG r = Resolve(s, key, &h);
  if (r != ERROR_SUCCESS) return r;
  return FlushPending(s);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataBytes) {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Refresh(s, false);
  Key* k;
  LONG r = KeyOf(s, key, &k);
  if (r != ERROR_SUCCESS) return r;
  Value* v = k->FindValue(pv::sys::View(valueName));
  if (!v) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  if (type) *type = v->type;
  return CopyOut(v->data, data, dataBytes);
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataBytes) {
  if (!data && dataBytes) return static_cast<LONG>(ERROR_NOACCESS);
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Refresh(s, s.pending.empty());
  Handle h;
  Key* k;
  LONG r = KeyOf(s, key, &k, &h);
  if (r != ERROR_SUCCESS) return r;
  if (!(h.access & KEY_SET_VALUE)) return static_cast<LONG>(ERROR_ACCESS_DENIED);
  Value v;
  v.name = std::u16string(pv::sys::View(valueName));
  v.type = type;
  if (dataBytes) v.data.assign(data, data + dataBytes);
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    if (v.data.size() % 2) v.data.push_back(0);
    std::size_t units = v.data.size() / 2;
    bool terminated = units >= 1 && v.data[v.data.size() - 1] == 0 && v.data[v.data.size() - 2] == 0;
    if (!terminated) v.data.insert(v.data.end(), {0, 0});
    if (type == REG_MULTI_SZ) {
      units = v.data.size() / 2;
      bool doubled = units >= 2 && v.data[v.data.size() - 3] == 0 && v.data[v.data.size() - 4] == 0;
      if (!doubled && units >= 2) v.data.insert(v.data.end(), {0, 0});
    }
  }
  return Mutate([h = std::move(h), v = std::move(v)](Tree& t) {
    Key* target = Walk(&t.roots[h.root], h.path, false);
    if (!target) return static_cast<LONG>(ERROR_KEY_DELETED);
    target->SetValue(v);
    return static_cast<LONG>(ERROR_SUCCESS);
  });
}

LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Refresh(s, s.pending.empty());
  Handle h;
  Key* k;
  LONG r = KeyOf(s, key, &k, &h);
  if (r != ERROR_SUCCESS) return r;
  if (!(h.access & KEY_SET_VALUE)) return static_cast<LONG>(ERROR_ACCESS_DENIED);
  std::u16string name(pv::sys::View(valueName));
  if (!k->FindValue(name)) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  return Mutate([h, name](Tree& t) {
    Key* target = Walk(&t.roots[h.root], h.path, false);
    if (!target) return static_cast<LONG>(ERROR_KEY_DELETED);
    return target->EraseValue(name) ? static_cast<LONG>(ERROR_SUCCESS) : static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  });
}

namespace {
LONG DeleteKeyImpl(HKEY key, LPCWSTR subKey, bool recursive, bool emptyMeansSelf) {
  std::vector<std::u16string> parts;
  if (!SplitSubKey(subKey, &parts)) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Refresh(s, s.pending.empty());
  Handle h;
  Key* k;
  LONG r = KeyOf(s, key, &k, &h);
  if (r != ERROR_SUCCESS) return r;
  if (parts.empty()) {
    if (!emptyMeansSelf) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    // Empties the key itself (its values and subkeys).
    return Mutate([h](Tree& t) {
      Key* target = Walk(&t.roots[h.root], h.path, false);
      if (!target) return static_cast<LONG>(ERROR_KEY_DELETED);
      target->ClearValues();
      target->ClearSubkeys();
      ++S().keyGeneration;
      return static_cast<LONG>(ERROR_SUCCESS);
    });
  }
  Key* victim = Walk(k, parts, false);
  if (!victim) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  if (!recursive && !victim->subkeys.empty()) return static_cast<LONG>(ERROR_ACCESS_DENIED);
  std::vector<std::u16string> full = Concat(h.path, parts);
  int root = h.root;
  return Mutate([root, full](Tree& t) {
    std::vector<std::u16string> parentPath(full.begin(), full.end() - 1);
    Key* parent = Walk(&t.roots[root], parentPath, false);
    if (!parent || !parent->FindSub(full.back())) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    parent->subkeys.erase(Upper(full.back()));
    ++S().keyGeneration;
    return static_cast<LONG>(ERROR_SUCCESS);
  });
}
}  // namespace

LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) { return DeleteKeyImpl(key, subKey, false, false); }
LONG RegDeleteKeyExW(HKEY key, LPCWSTR subKey, REGSAM, DWORD) { return DeleteKeyImpl(key, subKey, false, false); }
LONG RegDeleteTreeW(HKEY key, LPCWSTR subKey) { return DeleteKeyImpl(key, subKey, true, true); }
DWORD SHDeleteKeyW(HKEY key, LPCWSTR subKey) { return static_cast<DWORD>(DeleteKeyImpl(key, subKey, true, false)); }

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD, LPWSTR keyClass, LPDWORD classChars,
                   PFILETIME lastWrite) {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Refresh(s, false);
  Key* k;
  LONG r = KeyOf(s, key, &k);
  if (r != ERROR_SUCCESS) return r;
  if (index >= k->subkeys.size()) return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
  auto it = k->subkeys.begin();
  std::advance(it, index);
  r = CopyName(it->second->name, name, nameChars);
  if (r != ERROR_SUCCESS) return r;
  if (keyClass && classChars && *classChars) keyClass[0] = 0;
  if (classChars) *classChars = 0;
  if (lastWrite) *lastWrite = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LONG RegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD nameChars) {
  return RegEnumKeyExW(key, index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD dataBytes) {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Refresh(s, false);
  Key* k;
  LONG r = KeyOf(s, key, &k);
  if (r != ERROR_SUCCESS) return r;
  if (index >= k->Values().size()) return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
  const Value& v = k->Values()[index];
  r = CopyName(v.name, name, nameChars);
  if (r != ERROR_SUCCESS) return r;
  if (type) *type = v.type;
  return CopyOut(v.data, data, dataBytes);
}

LONG RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classChars, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLen,
                      LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
                      LPDWORD securityDescriptor, PFILETIME lastWrite) {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  Refresh(s, false);
  Key* k;
  LONG r = KeyOf(s, key, &k);
  if (r != ERROR_SUCCESS) return r;
  DWORD maxSub = 0, maxName = 0, maxData = 0;
  for (const auto& [u, sub] : k->subkeys) maxSub = std::max<DWORD>(maxSub, static_cast<DWORD>(sub->name.size()));
  for (const auto& v : k->Values()) {
    maxName = std::max<DWORD>(maxName, static_cast<DWORD>(v.name.size()));
    maxData = std::max<DWORD>(maxData, static_cast<DWORD>(v.data.size()));
  }
  if (keyClass && classChars && *classChars) keyClass[0] = 0;
  if (classChars) *classChars = 0;
  if (subKeys) *subKeys = static_cast<DWORD>(k->subkeys.size());
  if (maxSubKeyLen) *maxSubKeyLen = maxSub;
  if (maxClassLen) *maxClassLen = 0;
  if (values) *values = static_cast<DWORD>(k->Values().size());
  if (maxValueNameLen) *maxValueNameLen = maxName;
  if (maxValueLen) *maxValueLen = maxData;
  if (securityDescriptor) *securityDescriptor = 0;
  if (lastWrite) *lastWrite = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

namespace pv {

RegistryWriteBatch::RegistryWriteBatch() {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  ++s.batchDepth;
}

RegistryWriteBatch::~RegistryWriteBatch() {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  if (--s.batchDepth == 0) FlushPending(s);
}

LONG FlushRegistry() {
  // The INI files' waiting changes go at the same moments (idle time, the
  // application's exit); their failures are reported on stderr.
  FlushProfiles();
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  return s.batchDepth == 0 ? FlushPending(s) : static_cast<LONG>(ERROR_SUCCESS);
}

std::string RegistryFilePath() { return sys::ConfigFolder() + "/registry.txt"; }

unsigned long RegistryFileWritesForTests() {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  return s.fileWrites;
}

void ResetRegistryForTests() {
  Store& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  s.loaded = false;
  s.tree.Clear();
  s.handles.clear();
  s.pending.clear();
  s.batchDepth = 0;
  s.unreadable = false;
  s.identity = FileIdentity{};
  ++s.keyGeneration;
}

}  // namespace pv
