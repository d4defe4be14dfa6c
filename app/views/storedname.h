// A work's name as the database stores it (enciphered) with its start time:
// the two together decide its plain name, so the trees key the names they
// have deciphered by them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/base/systime.h"

struct StoredWorkName {
  std::u16string stored;
  DATE start;
  bool operator==(const StoredWorkName&) const = default;
};

// The same seen through text held elsewhere (a field's value), to look a
// name up without copying the text.
struct StoredWorkNameView {
  std::u16string_view stored;
  DATE start;
};

// Both hash alike: a view finds the name its text was stored under.
struct StoredWorkNameHash {
  using is_transparent = void;
  std::size_t operator()(const StoredWorkNameView& k) const {
    return std::hash<std::u16string_view>{}(k.stored) ^ (std::hash<DATE>{}(k.start) * 31);
  }
  std::size_t operator()(const StoredWorkName& k) const { return (*this)(StoredWorkNameView{k.stored, k.start}); }
};

struct StoredWorkNameEqual {
  using is_transparent = void;
  bool operator()(const StoredWorkName& a, const StoredWorkName& b) const { return a == b; }
  bool operator()(const StoredWorkNameView& a, const StoredWorkName& b) const {
    return a.start == b.start && a.stored == b.stored;
  }
  bool operator()(const StoredWorkName& a, const StoredWorkNameView& b) const { return (*this)(b, a); }
};
