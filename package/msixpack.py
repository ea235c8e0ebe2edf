#!/usr/bin/env python3
"""Packs an MSIX package (python3 standard library only):

    msixpack.py OUT.msix AppxManifest.xml [NAME=FILE ...]

NAME is the file's name inside the package (Assets\\StoreLogo.png). Neither
Debian nor npm has a packer that runs here (the npm ones drive the Windows
SDK's MakeAppx.exe), so this writes the layout MakeAppx writes: the payload in
ascending case-insensitive order, then AppxManifest.xml, AppxBlockMap.xml and
[Content_Types].xml, in a zip with a Zip64 end record. Signing (osslsigncode)
adds AppxSignature.p7x afterwards."""
import base64
import hashlib
import os
import struct
import sys
import zlib

BLOCK = 64 * 1024
# Already compressed formats are stored, as MakeAppx does.
STORED = {".png", ".jpg", ".jpeg", ".gif", ".zip", ".cab", ".msix", ".appx"}
CONTENT_TYPES = {".png": "image/png", ".jpg": "image/jpeg", ".jpeg": "image/jpeg",
                 ".gif": "image/gif", ".ico": "image/vnd.microsoft.icon", ".xml": "application/xml",
                 ".txt": "text/plain", ".dll": "application/x-msdownload",
                 ".exe": "application/x-msdownload"}
MANIFEST = "AppxManifest.xml"
BLOCK_MAP = "AppxBlockMap.xml"
# A fixed time stamp (2026-01-01 00:00) keeps the package the same for the same input.
DOS_TIME, DOS_DATE = 0, ((2026 - 1980) << 9) | (1 << 5) | 1


class Entry:
    def __init__(self, name, data, compress, in_block_map=True):
        self.name = name.replace("\\", "/")
        self.data = data
        self.compress = compress
        self.in_block_map = in_block_map
        self.blocks = []  # (sha256 of the block's bytes, its compressed size)
        if compress:
            deflater = zlib.compressobj(9, zlib.DEFLATED, -zlib.MAX_WBITS, 9)
            out = bytearray()
            for start in range(0, len(data), BLOCK):
                piece = data[start:start + BLOCK]
                # Each block ends on a full flush, so its compressed bytes stand alone.
                packed = deflater.compress(piece) + deflater.flush(zlib.Z_FULL_FLUSH)
                self.blocks.append((hashlib.sha256(piece).digest(), len(packed)))
                out += packed
            out += deflater.flush(zlib.Z_FINISH)
            self.stored = bytes(out)
        else:
            for start in range(0, len(data), BLOCK):
                self.blocks.append((hashlib.sha256(data[start:start + BLOCK]).digest(), None))
            self.stored = data
        self.crc = zlib.crc32(data)
        self.offset = None

    def local_header(self):
        name = self.name.encode("utf-8")
        return struct.pack("<4sHHHHHIIIHH", b"PK\x03\x04", 20, 0, 8 if self.compress else 0,
                           DOS_TIME, DOS_DATE, self.crc, len(self.stored), len(self.data),
                           len(name), 0) + name

    def central_header(self):
        name = self.name.encode("utf-8")
        return struct.pack("<4sHHHHHHIIIHHHHHII", b"PK\x01\x02", 45, 20, 0, 8 if self.compress else 0,
                           DOS_TIME, DOS_DATE, self.crc, len(self.stored), len(self.data),
                           len(name), 0, 0, 0, 0, 0, self.offset) + name


def xml_escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


def block_map(entries):
    lines = ['<?xml version="1.0" encoding="UTF-8" standalone="no"?>',
             '<BlockMap xmlns="http://schemas.microsoft.com/appx/2010/blockmap" '
             'HashMethod="http://www.w3.org/2001/04/xmlenc#sha256">']
    for e in entries:
        if not e.in_block_map:
            continue
        lines.append('<File Name="%s" Size="%d" LfhSize="%d">'
                     % (xml_escape(e.name.replace("/", "\\")), len(e.data), len(e.local_header())))
        for digest, size in e.blocks:
            size_attr = ' Size="%d"' % size if size is not None else ""
            lines.append('<Block Hash="%s"%s/>' % (base64.b64encode(digest).decode("ascii"), size_attr))
        lines.append("</File>")
    lines.append("</BlockMap>")
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def content_types(entries):
    defaults = {}
    for e in entries:
        ext = os.path.splitext(e.name)[1].lower()
        if e.name not in (MANIFEST, BLOCK_MAP) and ext:
            defaults.setdefault(ext[1:], CONTENT_TYPES.get(ext, "application/octet-stream"))
    parts = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">']
    parts += ['<Default Extension="%s" ContentType="%s"/>' % (ext, kind) for ext, kind in sorted(defaults.items())]
    parts.append('<Override PartName="/%s" ContentType="application/vnd.ms-appx.manifest+xml"/>' % MANIFEST)
    parts.append('<Override PartName="/%s" ContentType="application/vnd.ms-appx.blockmap+xml"/>' % BLOCK_MAP)
    parts.append("</Types>")
    return "".join(parts).encode("utf-8")


def pack(out, manifest, payload):
    """payload: (name in the package, bytes)."""
    seen = set()
    for name, _ in payload:
        key = name.replace("/", "\\").upper()
        if key in seen or key in (MANIFEST.upper(), BLOCK_MAP.upper(), "[CONTENT_TYPES].XML", "APPXSIGNATURE.P7X") \
                or key.startswith("APPXMETADATA\\"):
            raise SystemExit("msixpack: %s cannot be a payload file (a footprint name, or given twice)" % name)
        seen.add(key)
    # Windows reads the payload in ascending case-insensitive ordinal order.
    ordered = sorted(payload, key=lambda item: item[0].replace("/", "\\").upper().encode("utf-8"))
    entries = [Entry(name, data, os.path.splitext(name)[1].lower() not in STORED) for name, data in ordered]
    entries.append(Entry(MANIFEST, manifest, True))
    entries.append(Entry(BLOCK_MAP, block_map(entries), True, in_block_map=False))
    entries.append(Entry("[Content_Types].xml", content_types(entries), True, in_block_map=False))

    body = bytearray()
    for e in entries:
        e.offset = len(body)
        body += e.local_header() + e.stored
    directory_offset = len(body)
    directory = b"".join(e.central_header() for e in entries)
    body += directory
    end64_offset = len(body)
    count = len(entries)
    body += struct.pack("<4sQHHIIQQQQ", b"PK\x06\x06", 44, 45, 45, 0, 0, count, count,
                        len(directory), directory_offset)
    body += struct.pack("<4sIQI", b"PK\x06\x07", 0, end64_offset, 1)
    body += struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, 0xFFFF, 0xFFFF,
                        0xFFFFFFFF, 0xFFFFFFFF, 0)
    temp = out + ".part"
    with open(temp, "wb") as f:
        f.write(body)
    os.replace(temp, out)


def main(argv):
    if len(argv) < 2:
        raise SystemExit(__doc__)
    out, manifest_path = argv[0], argv[1]
    payload = []
    for argument in argv[2:]:
        name, sep, path = argument.partition("=")
        if not sep or not name or not path:
            raise SystemExit("msixpack: expected NAME=FILE, got %s" % argument)
        with open(path, "rb") as f:
            payload.append((name, f.read()))
    with open(manifest_path, "rb") as f:
        manifest = f.read()
    pack(out, manifest, payload)


if __name__ == "__main__":
    main(sys.argv[1:])
