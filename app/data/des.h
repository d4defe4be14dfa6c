// The work-name cipher.
//
// Work names are stored enciphered in THINGS.workname: the name's ANSI bytes
// (UTF-8 here) go through two-key triple DES (encrypt-decrypt-encrypt), block
// by block, and each 8-byte cipher block is carried as four UTF-16 units.
// The key of a work is picked from a fixed table by its start date, so any
// caller holding the THINGS row can find it again.
#pragma once

#include <cstdint>

#include "platform/base/cstring.h"

class COleDateTime;

class CDES {
 public:
  CDES() = default;
  virtual ~CDES() = default;

  // mode 0 enciphers `text`, mode 1 deciphers it; other modes give an empty
  // string. An empty text gives an empty text in both modes, and so does
  // deciphering a text that is not a whole number of four-unit blocks.
  CString TransformText(CString text, CString keyText, int mode);

  // Number of keys in the table.
  static constexpr int kKeyCount = 109;
  // The key text at `index` (0..kKeyCount-1); entry 0 for an index out of range.
  static const char16_t* KeyText(int index);
  // (month x year) mod day-of-month; fields of -1 (an invalid date) give 0.
  static int KeyIndex(int year, int month, int day);

  // The DES key schedule of one 8-byte key (bits least significant first):
  // sixteen 48-bit round keys, one bit per byte.
  static void ExpandKey(const unsigned char key[8], unsigned char schedule[16][48]);
};

// The key under which the name of a work started at `start` is enciphered.
CString GetWorkNameKey(const COleDateTime& start);
