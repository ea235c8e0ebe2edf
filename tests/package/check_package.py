#!/usr/bin/env python3
"""Unpacks the built Tracklet.msix and checks what Windows checks before it
registers a package: the manifest declares the Explorer command, every file's
blocks hash to the block map, and the signature holds, with the build's
certificate as trust anchor. A tampered copy must fail both checks.

    check_package.py PACKAGE ANCHOR LEAF_HASH ARCH PUBLISHER IDL SCRATCH"""
import base64
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET
import zipfile
import zlib

FOUNDATION = "http://schemas.microsoft.com/appx/manifest/foundation/windows10"
NS = {
    "f": FOUNDATION,
    "uap": "http://schemas.microsoft.com/appx/manifest/uap/windows10",
    "uap10": "http://schemas.microsoft.com/appx/manifest/uap/windows10/10",
    "rescap": "http://schemas.microsoft.com/appx/manifest/foundation/windows10/restrictedcapabilities",
    "desktop4": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/4",
    "desktop5": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/5",
    "com": "http://schemas.microsoft.com/appx/manifest/com/windows10",
}
BLOCK_MAP_NS = "{http://schemas.microsoft.com/appx/2010/blockmap}"
FOOTPRINT = {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x", "AppxMetadata/CodeIntegrity.cat"}
CLSID = "2C9A5863-AD8D-4683-B139-06AF736D2142"

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def attr(element, name):
    prefix, _, local = name.rpartition(":")
    return element.get("{%s}%s" % (NS[prefix], local) if prefix else local)


def check_manifest(z, arch, publisher, idl):
    text = z.read("AppxManifest.xml")
    root = ET.fromstring(text)  # raises on a manifest that is not well-formed
    check(root.tag == "{%s}Package" % FOUNDATION, "root element is %s" % root.tag)
    ignorable = set((root.get("IgnorableNamespaces") or "").split())
    declared = set(re.findall(rb'xmlns:([a-z0-9]+)=', text))
    check({p.encode() for p in ignorable} <= declared, "IgnorableNamespaces names undeclared prefixes")
    identity = root.find("f:Identity", NS)
    check(identity is not None and identity.get("Name") == "Tracklet", "Identity Name")
    check(identity.get("Publisher") == publisher, "Publisher %r, expected %r" % (identity.get("Publisher"), publisher))
    check(identity.get("Version") == "1.47.612.0", "Version %r" % identity.get("Version"))
    check(identity.get("ProcessorArchitecture") == arch, "ProcessorArchitecture %r" % identity.get("ProcessorArchitecture"))
    props = root.find("f:Properties", NS)
    check(props.findtext("uap10:AllowExternalContent", namespaces=NS) == "true", "AllowExternalContent")
    for tag in ("DisplayName", "PublisherDisplayName", "Logo"):
        check(props.findtext("f:" + tag, namespaces=NS), "Properties lack %s" % tag)
    family = root.find("f:Dependencies/f:TargetDeviceFamily", NS)
    check(family.get("Name") == "Windows.Desktop" and family.get("MinVersion") == "10.0.22000.0",
          "TargetDeviceFamily %r" % family.attrib)
    capabilities = {c.get("Name") for c in root.findall("f:Capabilities/rescap:Capability", NS)}
    check(capabilities == {"runFullTrust", "unvirtualizedResources"}, "capabilities %r" % capabilities)
    apps = root.findall("f:Applications/f:Application", NS)
    check(len(apps) == 1, "%d applications" % len(apps))
    app = apps[0]
    check(app.get("Executable") == "trkconfig.exe", "Executable %r" % app.get("Executable"))
    check(attr(app, "uap10:TrustLevel") == "mediumIL" and attr(app, "uap10:RuntimeBehavior") == "win32App",
          "TrustLevel / RuntimeBehavior")
    visual = app.find("uap:VisualElements", NS)
    check(visual is not None and visual.get("AppListEntry") == "none", "AppListEntry")
    item_types = {}
    for item in app.findall("f:Extensions/desktop4:Extension/desktop4:FileExplorerContextMenus/desktop5:ItemType", NS):
        verbs = [(v.get("Id"), v.get("Clsid")) for v in item.findall("desktop5:Verb", NS)]
        item_types[item.get("Type")] = verbs
    expected = {t: [("Tracklet", CLSID)] for t in ("*", "Directory", "Directory\\Background")}
    check(item_types == expected, "item types %r" % item_types)
    classes = app.findall("f:Extensions/com:Extension[@Category='windows.comServer']/com:ComServer/"
                          "com:SurrogateServer/com:Class", NS)
    check([(c.get("Id"), c.get("Path"), c.get("ThreadingModel")) for c in classes] == [(CLSID, "trkmenu.dll", "STA")],
          "COM classes %r" % [c.attrib for c in classes])
    # The package names the class the library registers, wherever the library declares it.
    with open(idl, encoding="utf-8") as f:
        source = f.read()
    declared = re.search(r"uuid\(([0-9A-Fa-f-]{36})\)[^\]]*\]\s*coclass\s+ExplorerCommand\b", source)
    if declared:
        check(declared.group(1).upper() == CLSID, "trkmenu.idl declares ExplorerCommand as %s" % declared.group(1))
    logos = [props.findtext("f:Logo", namespaces=NS), visual.get("Square150x150Logo"), visual.get("Square44x44Logo")]
    for logo in logos:
        name = (logo or "").replace("\\", "/")
        check(name in z.namelist(), "logo %s is not in the package" % logo)
        check(z.read(name)[:8] == b"\x89PNG\r\n\x1a\n" if name in z.namelist() else False, "%s is not a PNG" % logo)


def block_map_problems(path):
    problems = []
    with open(path, "rb") as raw, zipfile.ZipFile(path) as z:
        root = ET.fromstring(z.read("AppxBlockMap.xml"))
        if root.get("HashMethod") != "http://www.w3.org/2001/04/xmlenc#sha256":
            problems.append("hash method %s" % root.get("HashMethod"))
        listed = []
        for f in root.findall(BLOCK_MAP_NS + "File"):
            name = f.get("Name").replace("\\", "/")
            listed.append(name)
            try:
                info = z.getinfo(name)
            except KeyError:
                problems.append("%s is in the block map, not in the package" % name)
                continue
            data = z.read(name)
            if int(f.get("Size")) != len(data):
                problems.append("%s: Size %s, file %d bytes" % (name, f.get("Size"), len(data)))
            raw.seek(info.header_offset)
            header = raw.read(30)
            name_length, extra_length = struct.unpack("<HH", header[26:30])
            if int(f.get("LfhSize")) != 30 + name_length + extra_length:
                problems.append("%s: LfhSize %s, local header %d bytes" % (name, f.get("LfhSize"), 30 + name_length + extra_length))
            blocks = f.findall(BLOCK_MAP_NS + "Block")
            pieces = [data[i:i + 65536] for i in range(0, len(data), 65536)]
            if len(blocks) != len(pieces):
                problems.append("%s: %d blocks listed, %d in the file" % (name, len(blocks), len(pieces)))
            for n, (block, piece) in enumerate(zip(blocks, pieces)):
                if base64.b64decode(block.get("Hash")) != hashlib.sha256(piece).digest():
                    problems.append("%s: block %d does not hash to the block map" % (name, n))
            sizes = [b.get("Size") for b in blocks]
            compressed = info.compress_type == zipfile.ZIP_DEFLATED
            if compressed != all(s is not None for s in sizes) or (compressed and sum(map(int, sizes)) > info.compress_size):
                problems.append("%s: block sizes %r do not fit its compressed size %d" % (name, sizes, info.compress_size))
        for name in z.namelist():
            if name not in FOOTPRINT and name not in listed:
                problems.append("%s is in the package, not in the block map" % name)
        payload = [n for n in listed if n != "AppxManifest.xml"]
        if payload != sorted(payload, key=lambda n: n.replace("/", "\\").upper()):
            problems.append("payload out of order: %r" % payload)
    return problems


def change_stored_file(package, out, name):
    """Copies package to out with one bit of the stored file name flipped,
    and that file's CRC in its local and central headers fixed up."""
    data = bytearray(open(package, "rb").read())
    with zipfile.ZipFile(package) as z:
        info = z.getinfo(name)
        start_dir = z.start_dir
    assert info.compress_type == zipfile.ZIP_STORED
    name_length, extra_length = struct.unpack_from("<HH", data, info.header_offset + 26)
    start = info.header_offset + 30 + name_length + extra_length
    data[start + info.file_size // 2] ^= 0x01
    crc = zlib.crc32(data[start:start + info.file_size])
    struct.pack_into("<I", data, info.header_offset + 14, crc)
    pos = start_dir
    while data[pos:pos + 4] == b"PK\x01\x02":
        n, m, k = struct.unpack_from("<HHH", data, pos + 28)
        if data[pos + 46:pos + 46 + n].decode("utf-8") == name:
            struct.pack_into("<I", data, pos + 16, crc)
        pos += 46 + n + m + k
    with open(out, "wb") as f:
        f.write(data)


def verify(path, anchor, leaf_hash):
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", anchor, "-require-leaf-hash", "sha256:" + leaf_hash,
                             "-in", path], capture_output=True, text=True)
    return result.returncode == 0 and "Signature verification: ok" in result.stdout, result.stdout + result.stderr


def main(package, anchor, leaf_hash, arch, publisher, idl, scratch):
    with zipfile.ZipFile(package) as z:
        check(z.testzip() is None, "a file's CRC does not match")
        for required in ("AppxManifest.xml", "AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"):
            check(required in z.namelist(), "%s is missing" % required)
        types = z.read("[Content_Types].xml").decode("utf-8")
        check('PartName="/AppxSignature.p7x"' in types, "the signature has no content type")
        check_manifest(z, arch, publisher, idl)
    failures.extend(block_map_problems(package))
    ok, output = verify(package, anchor, leaf_hash)
    check(ok, "osslsigncode does not accept the package's signature:\n" + output)

    # One changed pixel in a logo, its CRC made right again as a forger would:
    # the signature and the block map must both catch it.
    os.makedirs(scratch, exist_ok=True)
    tampered = os.path.join(scratch, "tampered.msix")
    change_stored_file(package, tampered, "Assets/Square150x150Logo.png")
    check(not verify(tampered, anchor, leaf_hash)[0], "osslsigncode accepts a tampered package")
    check(any("does not hash" in p for p in block_map_problems(tampered)), "the block map check misses a changed block")
    # Signed by someone else: the build's certificate must be the one required.
    check(not verify(package, anchor, "0" * 64)[0], "osslsigncode accepts the package for another signer")

    if failures:
        print("\n".join("FAIL: " + f for f in failures))
        return 1
    print("Tracklet.msix: manifest, block map and signature checked")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
