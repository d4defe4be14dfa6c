// A work's name as the database stores it (enciphered) with its start time:
// the two together decide its plain name, so the trees key the names they
// have deciphered by them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/base/systime.h"

struct StoredWorkName {
  std::u16string stored;
  DATE start;
  bool operator==(const StoredWorkName&) const = default;
};

struct StoredWorkNameHash {
  std::size_t operator()(const StoredWorkName& k) const {
    return std::hash<std::u16string>{}(k.stored) ^ (std::hash<DATE>{}(k.start) * 31);
  }
};
