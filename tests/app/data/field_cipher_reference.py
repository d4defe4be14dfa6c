#!/usr/bin/env python3
"""Independent reference for the work-name cipher.

The cipher uses the DES tables with its own bit order: bits are taken least
significant first within each byte, S-box outputs are written least
significant bit first, and there is no exchange of the halves before the
final permutation. Keys are two 8-byte halves K1, K2 used as E(K1) D(K2) E(K1).

Run with no arguments to check the tables against the classic textbook DES
example and print the golden vectors used by the C++ tests.
"""

IP = [58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
      62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
      57, 49, 41, 33, 25, 17, 9, 1, 59, 51, 43, 35, 27, 19, 11, 3,
      61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7]
E = [32, 1, 2, 3, 4, 5, 4, 5, 6, 7, 8, 9, 8, 9, 10, 11, 12, 13, 12, 13, 14, 15, 16, 17,
     16, 17, 18, 19, 20, 21, 20, 21, 22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1]
P = [16, 7, 20, 21, 29, 12, 28, 17, 1, 15, 23, 26, 5, 18, 31, 10,
     2, 8, 24, 14, 32, 27, 3, 9, 19, 13, 30, 6, 22, 11, 4, 25]
PC1 = [57, 49, 41, 33, 25, 17, 9, 1, 58, 50, 42, 34, 26, 18,
       10, 2, 59, 51, 43, 35, 27, 19, 11, 3, 60, 52, 44, 36,
       63, 55, 47, 39, 31, 23, 15, 7, 62, 54, 46, 38, 30, 22,
       14, 6, 61, 53, 45, 37, 29, 21, 13, 5, 28, 20, 12, 4]
PC2 = [14, 17, 11, 24, 1, 5, 3, 28, 15, 6, 21, 10, 23, 19, 12, 4, 26, 8, 16, 7, 27, 20, 13, 2,
       41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32]
SHIFTS = [1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1]
SBOX = [
    [14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7, 0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8,
     4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0, 15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13],
    [15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10, 3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5,
     0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15, 13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9],
    [10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8, 13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1,
     13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7, 1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12],
    [7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15, 13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9,
     10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4, 3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14],
    [2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9, 14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6,
     4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14, 11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3],
    [12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11, 10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8,
     9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6, 4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13],
    [4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1, 13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6,
     1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2, 6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12],
    [13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7, 1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2,
     7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8, 2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11],
]


def permute(bits, table):
    return [bits[i - 1] for i in table]


# ---- bit orders ---------------------------------------------------------------
def bytes_to_bits_lsb(data):
    return [(b >> k) & 1 for b in data for k in range(8)]


def bits_to_bytes_lsb(bits):
    return bytes(sum(bits[8 * i + k] << k for k in range(8)) for i in range(len(bits) // 8))


def bytes_to_bits_msb(data):
    return [(b >> (7 - k)) & 1 for b in data for k in range(8)]


def bits_to_bytes_msb(bits):
    return bytes(sum(bits[8 * i + k] << (7 - k) for k in range(8)) for i in range(len(bits) // 8))


def key_schedule(key_bits):
    cd = permute(key_bits, PC1)
    c, d = cd[:28], cd[28:]
    keys = []
    for s in SHIFTS:
        c = c[s:] + c[:s]
        d = d[s:] + d[:s]
        keys.append(permute(c + d, PC2))
    return keys


def f(r, k, lsb_sbox):
    x = [a ^ b for a, b in zip(permute(r, E), k)]
    out = []
    for s in range(8):
        b = x[6 * s:6 * s + 6]
        v = SBOX[s][16 * (2 * b[0] + b[5]) + 8 * b[1] + 4 * b[2] + 2 * b[3] + b[4]]
        if lsb_sbox:
            out += [(v >> k) & 1 for k in range(4)]
        else:
            out += [(v >> (3 - k)) & 1 for k in range(4)]
    return permute(out, P)


def standard_des(block, key):
    """Textbook DES (most significant bit first), only to check the tables."""
    keys = key_schedule(bytes_to_bits_msb(key))
    bits = permute(bytes_to_bits_msb(block), IP)
    l, r = bits[:32], bits[32:]
    for k in keys:
        l, r = r, [a ^ b for a, b in zip(l, f(r, k, False))]
    return bits_to_bytes_msb(permute(r + l, [IP.index(i) + 1 for i in range(1, 65)]))


IP_INV = [IP.index(i) + 1 for i in range(1, 65)]


def cipher_block(block, keys, decipher):
    bits = permute(bytes_to_bits_lsb(block), IP)
    l, r = bits[:32], bits[32:]
    if not decipher:
        for k in keys:
            l, r = r, [a ^ b for a, b in zip(l, f(r, k, True))]
    else:
        for k in reversed(keys):
            r, l = l, [a ^ b for a, b in zip(r, f(l, k, True))]
    return bits_to_bytes_lsb(permute(l + r, IP_INV))


def triple(block, key16, decipher):
    k1 = key_schedule(bytes_to_bits_lsb(key16[:8]))
    k2 = key_schedule(bytes_to_bits_lsb(key16[8:16]))
    if not decipher:
        return cipher_block(cipher_block(cipher_block(block, k1, False), k2, True), k1, False)
    return cipher_block(cipher_block(cipher_block(block, k1, True), k2, False), k1, True)


def key_buffer(key_text):
    raw = key_text.encode("utf-8")
    buf = bytearray([0xCC] * 32)
    buf[:min(len(raw), 32)] = raw[:32]
    if len(raw) < 8:
        buf[len(raw)] = 0
        for i in range(len(raw) + 1, 8):
            buf[i] = 0xFD
    return bytes(buf)


def encipher(text, key_text):
    data = text.encode("utf-8")
    key = key_buffer(key_text)
    units = []
    for start in range(0, len(data), 8):
        block = bytearray(data[start:start + 8])
        if len(block) < 8:
            r = len(block)
            block += bytes([0] + [0xFD] * (7 - r))
        out = triple(bytes(block), key, False)
        units += [out[2 * i] | (out[2 * i + 1] << 8) for i in range(4)]
    return units


def decipher_bytes(units, key_text):
    """The plain bytes of a stored text, up to the first zero byte; a text
    that is not a whole number of blocks has its last block padded with zero
    bytes."""
    data = bytearray()
    for u in units:
        data += bytes([u & 0xFF, u >> 8])
    data += bytes((-len(data)) % 8)
    key = key_buffer(key_text)
    plain = b"".join(triple(bytes(data[i:i + 8]), key, True) for i in range(0, len(data), 8))
    return plain.split(b"\0", 1)[0]


def partial_block_vectors(key_text):
    """Single units whose zero-padded block deciphers to nothing (a zero
    first byte) and to one printable character: the exact results of a
    stored text cut short of a whole block."""
    empty = one = None
    for u in range(1, 65536):
        plain = decipher_bytes([u], key_text)
        if empty is None and plain == b"":
            empty = u
        if one is None and len(plain) == 1 and 0x20 <= plain[0] < 0x7F:
            one = (u, plain.decode("ascii"))
        if empty is not None and one is not None:
            return empty, one


def main():
    # Textbook example: key 133457799BBCDFF1, plain text 0123456789ABCDEF.
    key = bytes.fromhex("133457799BBCDFF1")
    assert standard_des(bytes.fromhex("0123456789ABCDEF"), key).hex().upper() == "85E813540F0AB405"
    k1 = key_schedule(bytes_to_bits_msb(key))[0]
    assert "".join(map(str, k1)) == "000110110000001011101111111111000111000001110010"
    print("tables match the textbook example")
    for text, key_text in [("Pravenor", "k3v9q2x7"), ("Kitchen garden", "a1b2c3d4"),
                           ("x", "k3v9q2x7"), ("Aufgaben für März", "m0n1p2q3"), ("北京项目", "zz99yy88"),
                           ("abc", "key")]:
        units = encipher(text, key_text)
        print(f'{{u"{text}", u"{key_text}", {{{", ".join(f"0x{u:04X}" for u in units)}}}}},')
    empty, (one, char) = partial_block_vectors("k3v9q2x7")
    print(f"partial blocks under k3v9q2x7: 0x{empty:04X} -> empty, 0x{one:04X} -> '{char}'")


if __name__ == "__main__":
    main()
