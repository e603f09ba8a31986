"""Entry files for the tests: 160-byte records written field by field."""
import struct


def record(x, y, text, width=0, height=0, face="Arial", size=15, weight=400, pitch=0, colour=0,
           vertical=0, right=0):
    t = text.encode("latin-1")[:99]
    f = face.encode("latin-1")[:31]
    return (struct.pack("<iiii", x, y, width, height) + t + b"\0" * (100 - len(t)) + f + b"\0" * (32 - len(f))
            + struct.pack("<iiBBBB", size, weight, pitch, colour, vertical, right))


def entry_file(*records):
    data = b"".join(records)
    assert len(data) % 160 == 0
    return data


def records_of(data):
    """The records of an entry file as dicts."""
    out = []
    for i in range(0, len(data) - len(data) % 160, 160):
        r = data[i:i + 160]
        x, y, w, h = struct.unpack_from("<iiii", r, 0)
        size, weight, pitch, colour, vertical, right = struct.unpack_from("<iiBBBB", r, 148)
        out.append(dict(x=x, y=y, width=w, height=h, text=r[16:116].split(b"\0")[0].decode("latin-1"),
                        face=r[116:148].split(b"\0")[0].decode("latin-1"), size=size, weight=weight,
                        pitch=pitch, colour=colour, vertical=vertical, right=right))
    return out
