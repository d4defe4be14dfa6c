// Global and local memory blocks (the clipboard and shared memory files
// hand these around).
//
// A fixed block's handle is its address. A movable block's handle is a
// separate token: GlobalLock gives the current address and counts locks,
// and GlobalReAlloc may move the bytes while the handle stays the same.
// Every live handle is known to the allocator, so a stale or foreign handle
// fails cleanly (NULL/0/FALSE) instead of touching memory.
#pragma once

#include "platform/base/wintypes.h"

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_NOCOMPACT = 0x0010;
constexpr UINT GMEM_NODISCARD = 0x0020;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_MODIFY = 0x0080;
constexpr UINT GMEM_DISCARDABLE = 0x0100;
constexpr UINT GMEM_SHARE = 0x2000;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GMEM_INVALID_HANDLE = 0x8000;
constexpr UINT GMEM_LOCKCOUNT = 0x00FF;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_MOVEABLE = 0x0002;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LMEM_MODIFY = 0x0080;
constexpr UINT LHND = LMEM_MOVEABLE | LMEM_ZEROINIT;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;

// NULL when the size cannot be allocated (the last error is then set).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Resizes a block. A fixed block moves only when GMEM_MOVEABLE is given;
// a movable one keeps its handle. With GMEM_ZEROINIT new bytes are zero.
HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags);
LPVOID GlobalLock(HGLOBAL mem);
// TRUE while the block stays locked; FALSE when unlocked (or not a block).
BOOL GlobalUnlock(HGLOBAL mem);
SIZE_T GlobalSize(HGLOBAL mem);
// Lock count in the low byte; GMEM_INVALID_HANDLE for an unknown handle.
UINT GlobalFlags(HGLOBAL mem);
// NULL on success, the handle when it was not a live block.
HGLOBAL GlobalFree(HGLOBAL mem);
// The handle of a block from its address (as returned by GlobalLock).
HGLOBAL GlobalHandle(LPCVOID address);

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalReAlloc(HLOCAL mem, SIZE_T bytes, UINT flags);
LPVOID LocalLock(HLOCAL mem);
BOOL LocalUnlock(HLOCAL mem);
SIZE_T LocalSize(HLOCAL mem);
HLOCAL LocalFree(HLOCAL mem);
HLOCAL LocalHandle(LPCVOID address);
