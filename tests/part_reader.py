"""An independent reader of a part set, written from the format alone.

Usage: part_reader.py FIRST_PART OUTPUT

Reads every header of the set that FIRST_PART (the .Z00 file) starts,
checks each checksum and field, writes the rebuilt source to OUTPUT and
prints "name total_size parts modified_time". Exits 1 on any mismatch.

It reads the format as first released, without large sets: like the released
joiner, it refuses a part 00 that is not part 0 of 1 to 100 parts, or whose
total is negative, before it writes or reads anything more, which is how
recovery files and large sets are turned away by older readers.
"""
import os
import struct
import sys

HEADER = struct.Struct("<BB70siiHi")
assert HEADER.size == 86


def checksum(data):
    total = sum(b - 256 if b >= 128 else b for b in data)
    return total & 0xFFFF


def main(first, output):
    base = first[: -len(".Z00")]
    with open(first, "rb") as f:
        count, index, name, mtime, total, _, _ = HEADER.unpack(f.read(86))
    if index != 0 or not 1 <= count <= 100:
        sys.exit("part 0: part %d of %d is no place in a set" % (index, count))
    if total < 0:
        sys.exit("part 0: total %d is no length" % total)
    name = name.split(b"\0")[0].decode("latin-1")
    rebuilt = bytearray()
    for k in range(count):
        with open("%s.Z%02d" % (base, k), "rb") as f:
            raw = f.read()
        _, index, _, _, part_total, stored, length = HEADER.unpack(raw[:86])
        data = raw[86:]
        if index != k or part_total != total or length != len(data):
            sys.exit("part %d: bad header" % k)
        if checksum(data) != stored:
            sys.exit("part %d: checksum %04X, stored %04X" % (k, checksum(data), stored))
        rebuilt += data
    if len(rebuilt) != total:
        sys.exit("total %d, rebuilt %d" % (total, len(rebuilt)))
    with open(output, "wb") as f:
        f.write(rebuilt)
    print(name, total, count, mtime)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
