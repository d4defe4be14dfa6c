#!/bin/sh
# Builds the settings-reader and image-reader fuzz targets with clang and
# runs each for a bounded time (default 60 seconds): run_fuzz.sh [seconds]
# [build folder].
# Exits non-zero when the fuzzer finds a crash, leak, overread or time-out;
# the failing input is left as crash-*/leak-*/timeout-* in the build folder.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../../../.." && pwd)
build=${2:-$root/build-fuzz}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" \
  -DPRAVENOR_SANITIZE=ON -DPRAVENOR_FUZZ=ON \
  -DPRAVENOR_ONLY="platform/base;platform/system;platform/window;platform/gdi;platform/ado;platform/shell;platform/framework;platform/controls;resources;toolkit/common" >/dev/null
cmake --build "$build" --target toolkit_common_fuzz toolkit_common_image_fuzz

# Seeds: a marked archive, the same archive in the envelope, an unmarked
# one, and texts of the keyed forms.
corpus=$build/fuzz-corpus/toolkit_common
mkdir -p "$corpus"
python3 - "$corpus" <<'PY'
import struct, sys, zlib, os
out = sys.argv[1]
def wstr(s):
    b = s.encode('utf-16-le')
    return b'\xff\xfe\xff' + bytes([len(s)]) + b
archive = (struct.pack('<II', 0x0FF0ADBF, 38) + struct.pack('<i', -1) + struct.pack('<i', 7) +
           struct.pack('<i', 1) + struct.pack('<h', -2) + b'\x07' + struct.pack('<d', 1.5) + struct.pack('<f', 0.25) +
           wstr('Caption') + struct.pack('<Id', 0, 38425.5) + struct.pack('<4i', 1, 2, 3, 4) +
           struct.pack('<2i', 5, 6) + struct.pack('<2i', 0, 9) + struct.pack('<H', 8) + wstr('text') +
           struct.pack('<H', 3) + b'abc' + struct.pack('<H', 2) + b'xy' +
           struct.pack('<H', 2) + struct.pack('<HHH', 0xFFFF, 1, 8) + b'FuzzItem' + struct.pack('<i', 3) + wstr('x') +
           struct.pack('<H', 0x8001))
seeds = {
    'archive': archive,
    'envelope': b'ZIP!' + struct.pack('<I', len(archive)) + zlib.compress(archive),
    'unmarked': archive[8:],
    'lying-envelope': b'ZIP!' + struct.pack('<I', 0xFFFFFFF0) + zlib.compress(archive),
    'text-rect': b'1, 2, 3, 4',
    'text-date': b'2005-14-03T13:05:09',
    'text-time': b'06:30:00',
    'text-escaped': b'a\\nb\\\\c\\t',
    'text-letters': b'AAPBPP',
    'text-class': b'FuzzItem',
}
for name, data in seeds.items():
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)
PY

# Image seeds: the first byte picks the reader (0 PNG, 1 icon image,
# 2 bitmap resource, 3 stored image manager).
images=$build/fuzz-corpus/toolkit_common_image
mkdir -p "$images"
python3 "$root/tests/toolkit/common/fixtures/make_png_fixtures.py" "$images/png"
python3 - "$images" <<'PY'
import os, struct, sys
out = sys.argv[1]
for name in os.listdir(os.path.join(out, 'png')):
    with open(os.path.join(out, 'png', name), 'rb') as f:
        data = f.read()
    with open(os.path.join(out, 'png-' + name), 'wb') as f:
        f.write(b'\x00' + data)
def header(w, h, bits, size_image=0):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, 0, size_image, 0, 0, 0, 0)
icon = header(2, 4, 32) + bytes(range(16)) + bytes(8)
dib = header(2, 2, 32) + bytes(range(16))
wide = lambda s: b'\xff\xfe\xff' + bytes([len(s)]) + s.encode('utf-16-le')
record = header(1, 1, 32, 4) + bytes(12)
stored = (struct.pack('<HI', 1, 55) + wide('CTKImageManagerIcons') + struct.pack('<HI', 1, 1) +
          struct.pack('<ii', 1, 38) + struct.pack('<H', len(record)) + record + struct.pack('<H', 4) +
          bytes([1, 2, 3, 255]) + struct.pack('<H', 0) + bytes(16))
for name, data in {'icon': b'\x01' + icon, 'dib': b'\x02' + dib, 'stored': b'\x03' + stored}.items():
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)
PY
rm -rf "$images/png"

cd "$build"
./tests/toolkit/common/fuzz/toolkit_common_fuzz "$corpus" -max_total_time="$seconds" -max_len=8192 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
./tests/toolkit/common/fuzz/toolkit_common_image_fuzz "$images" -max_total_time="$seconds" -max_len=8192 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
