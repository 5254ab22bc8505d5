"""An independent writer of part sets, written from the part-file format alone.

Usage: merge_part_writer.py SOURCE DIRECTORY DATA_PER_PART [STORED_NAME]

Cuts SOURCE into DIRECTORY/<stem>.Z00, .Z01, ... where the stem is the last
component of the stored name up to its first ".", each part an 86-byte little-endian header
(count, index, 70-byte name, modification time, total size, checksum, data
length) followed by at most DATA_PER_PART data bytes. Prints the part paths.
"""
import os
import re
import struct
import sys

HEADER = struct.Struct("<BB70siiHi")
assert HEADER.size == 86


def checksum(data):
    # Bytes count as signed 8-bit values; the low 16 bits of the sum are kept.
    return sum(b - 256 if b >= 128 else b for b in data) & 0xFFFF


def main(source, directory, per_part, name=None):
    with open(source, "rb") as f:
        data = f.read()
    name = name if name is not None else os.path.basename(source)
    # A name written on another system may carry its directories; the parts
    # are named after its last component.
    stem = re.split(r"[\\/:]", name)[-1].split(".")[0]
    mtime = int(os.stat(source).st_mtime)
    count = max(1, -(-len(data) // per_part))
    encoded = name.encode("latin-1")[:70]
    for k in range(count):
        chunk = data[k * per_part:(k + 1) * per_part]
        header = HEADER.pack(count, k, encoded, mtime, len(data), checksum(chunk), len(chunk))
        path = os.path.join(directory, "%s.Z%02d" % (stem, k))
        with open(path, "wb") as f:
            f.write(header + chunk)
        print(path)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]), *sys.argv[4:5])
