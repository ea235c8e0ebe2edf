#!/usr/bin/env python3
"""The packer and the signing step on what Tracklet.msix itself does not
exercise: files of several 64 KiB blocks, stored and deflated, names in mixed
letter case, footprint names as payload, and certificate subjects that Windows
writes with quotes.

    check_packer.py SOURCE_DIR MANIFEST TEST_PFX ANCHOR LEAF_HASH SCRATCH"""
import os
import random
import subprocess
import sys
import zipfile
import zlib
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_package  # noqa: E402

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def blocks_inflate_alone(path, name):
    """Each block's compressed bytes, as the block map sizes them, inflate on
    their own to the block: what a reader that fetches single blocks needs."""
    with zipfile.ZipFile(path) as z:
        info = z.getinfo(name)
        data = z.read(name)
        root = ET.fromstring(z.read("AppxBlockMap.xml"))
    with open(path, "rb") as f:
        f.seek(info.header_offset + 26)
        n, m = int.from_bytes(f.read(2), "little"), int.from_bytes(f.read(2), "little")
        f.seek(info.header_offset + 30 + n + m)
        stream = f.read(info.compress_size)
    entry = [e for e in root if e.get("Name") == name.replace("/", "\\")][0]
    pos = 0
    for index, block in enumerate(entry):
        size = int(block.get("Size"))
        try:
            piece = zlib.decompressobj(-zlib.MAX_WBITS).decompress(stream[pos:pos + size])
        except zlib.error:
            return False
        if piece != data[index * 65536:(index + 1) * 65536]:
            return False
        pos += size
    return True


def main(source, manifest, pfx, anchor, leaf_hash, scratch):
    sys.path.insert(0, os.path.join(source, "package"))
    import msixpack
    import signing

    os.makedirs(scratch, exist_ok=True)
    rng = random.Random(7)
    words = [b"track", b"album", b"intro", b"outro", b"remix", b"live"]
    text = b" ".join(rng.choice(words) for _ in range(60000))  # about 5 blocks, compressible
    noise = bytes(rng.getrandbits(8) for _ in range(150000))  # 3 blocks, stored
    payload = [("notes.txt", text), ("Assets\\Noise.png", noise), ("assets\\b.png", b"\x89PNG small"),
               ("Zed.txt", b"z"), ("apple.txt", b"a")]
    with open(manifest, "rb") as f:
        manifest_bytes = f.read()
    package = os.path.join(scratch, "blocks.msix")
    msixpack.pack(package + ".unsigned", manifest_bytes, payload)
    result = subprocess.run([sys.executable, os.path.join(source, "package", "signing.py"), "sign", pfx,
                             "--out", package, package + ".unsigned"], capture_output=True, text=True)
    check(result.returncode == 0, "signing failed: " + result.stdout + result.stderr)
    problems = check_package.block_map_problems(package)
    check(not problems, "block map: %r" % problems)
    check(check_package.verify(package, anchor, leaf_hash)[0], "the signature of a package of many blocks does not verify")
    check(blocks_inflate_alone(package, "notes.txt"), "a deflated block does not inflate on its own")
    with zipfile.ZipFile(package) as z:
        check(z.read("notes.txt") == text and z.read("Assets/Noise.png") == noise, "the files do not come back whole")
        check(z.getinfo("Assets/Noise.png").compress_type == zipfile.ZIP_STORED, "a PNG was compressed")
        order = [n for n in z.namelist()]
    check(order[:5] == ["apple.txt", "assets/b.png", "Assets/Noise.png", "notes.txt", "Zed.txt"],
          "payload order %r" % order[:5])

    for bad in ("AppxManifest.xml", "appxblockmap.xml", "AppxMetadata\\CodeIntegrity.cat"):
        try:
            msixpack.pack(os.path.join(scratch, "bad.msix"), manifest_bytes, [(bad, b"x")])
            failures.append("%s was packed as a payload file" % bad)
        except SystemExit:
            pass

    # Subjects as Windows writes them: most specific part first, quotes where
    # a value holds a separator.
    cases = [("/C=FR/O=A, B/CN=NOTEPAD\\+\\+/emailAddress=x@y.z", 'E=x@y.z, CN="NOTEPAD++", O="A, B", C=FR'),
             ("/C=DE/ST=Île-de-France/O=Say \"hi\"/CN=Tracklet", 'CN=Tracklet, O="Say ""hi""", S=Île-de-France, C=DE')]
    for n, (subj, expected) in enumerate(cases):
        pem = os.path.join(scratch, "subject%d.pem" % n)
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", pem + ".key",
                        "-out", pem, "-days", "2", "-utf8", "-subj", subj], check=True, capture_output=True)
        der = subprocess.run(["openssl", "x509", "-in", pem, "-outform", "DER"], check=True, capture_output=True).stdout
        got = signing.publisher_of(der)
        check(got == expected, "subject %s written as %r, expected %r" % (subj, got, expected))

    if failures:
        print("\n".join("FAIL: " + f for f in failures))
        return 1
    print("packer and signing step checked")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
