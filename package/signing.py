#!/usr/bin/env python3
"""Code signing for the shipped files and the package (osslsigncode, openssl).

    signing.py make-test-cert DIR COMMON_NAME
        A throw-away self-signed code-signing certificate: DIR/test-signing.pfx
        (empty password), .pem (the certificate, a trust anchor for tests) and
        .cer (the same in DER, for a test machine's certificate store).
    signing.py publisher PFX [--password-from-env]
        The certificate's subject as a package's Publisher must spell it.
    signing.py leaf-hash PFX [--password-from-env]
        SHA-256 of the certificate, as osslsigncode verify -require-leaf-hash takes it.
    signing.py sign PFX [--password-from-env] [--timestamp URL] [--out OUT] FILE
        Authenticode SHA-256 signature on a PE file or an MSIX package, in place
        unless --out is given. A package is signed only when its manifest's
        Publisher is the certificate's subject.

--password-from-env takes the PFX's password from TRK_SIGN_PASSWORD; without
it the password is empty (the test certificate's)."""
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

PASSWORD_VARIABLE = "TRK_SIGN_PASSWORD"

# Attribute names as Windows writes a certificate's subject (CertNameToStr, X.500 form).
NAMES = {
    "2.5.4.3": "CN", "2.5.4.7": "L", "2.5.4.10": "O", "2.5.4.11": "OU", "2.5.4.6": "C",
    "2.5.4.8": "S", "2.5.4.9": "STREET", "2.5.4.12": "T", "2.5.4.42": "G", "2.5.4.43": "I",
    "2.5.4.4": "SN", "2.5.4.5": "SERIALNUMBER", "2.5.4.13": "Description",
    "2.5.4.17": "PostalCode", "2.5.4.18": "POBox", "2.5.4.20": "Phone", "2.5.4.24": "X21Address",
    "2.5.4.46": "dnQualifier", "1.2.840.113549.1.9.1": "E", "0.9.2342.19200300.100.1.25": "DC",
}


def fail(message):
    print("signing: " + message, file=sys.stderr)
    sys.exit(1)


def password(from_env):
    if not from_env:
        return ""
    value = os.environ.get(PASSWORD_VARIABLE)
    if value is None:
        fail("%s is not set: it holds the password of the certificate given as TRK_SIGN_PFX" % PASSWORD_VARIABLE)
    return value


def run(args, **kwargs):
    result = subprocess.run(args, capture_output=True, **kwargs)
    if result.returncode != 0:
        fail("%s failed:\n%s%s" % (os.path.basename(args[0]),
                                   result.stdout.decode(errors="replace"), result.stderr.decode(errors="replace")))
    return result.stdout


def leaf_certificate(pfx, secret):
    """The PFX's own certificate (not its chain), DER."""
    env = dict(os.environ, TRK_PFX_PASSWORD=secret)
    base = ["openssl", "pkcs12", "-in", pfx, "-nokeys", "-clcerts", "-passin", "env:TRK_PFX_PASSWORD"]
    result = subprocess.run(base, capture_output=True, env=env)
    if result.returncode != 0:
        # Files exported by older Windows use ciphers OpenSSL 3 keeps in its legacy provider.
        result = subprocess.run(base + ["-legacy"], capture_output=True, env=env)
    if result.returncode != 0 or b"BEGIN CERTIFICATE" not in result.stdout:
        fail("cannot read the certificate in %s (wrong password?): %s" % (pfx, result.stderr.decode(errors="replace")))
    pem = result.stdout[result.stdout.index(b"-----BEGIN CERTIFICATE"):]
    return run(["openssl", "x509", "-outform", "DER"], input=pem)


def der_items(data, pos, end):
    """Yields (tag, start of contents, end of contents) of the DER items in data[pos:end]."""
    while pos < end:
        tag = data[pos]
        length = data[pos + 1]
        pos += 2
        if length & 0x80:
            count = length & 0x7F
            length = int.from_bytes(data[pos:pos + count], "big")
            pos += count
        yield tag, pos, pos + length
        pos += length


def oid_text(raw):
    first = raw[0]
    parts = [str(min(first // 40, 2)), str(first - 40 * min(first // 40, 2))]
    value = 0
    for byte in raw[1:]:
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            parts.append(str(value))
            value = 0
    return ".".join(parts)


def string_value(tag, raw):
    if tag == 0x1E:
        return raw.decode("utf-16-be")
    if tag == 0x1C:
        return raw.decode("utf-32-be")
    if tag == 0x14:
        return raw.decode("latin-1")
    return raw.decode("utf-8")


def quoted(value):
    if value == "" or value != value.strip() or any(c in value for c in ',+="\n\r<>#;'):
        return '"' + value.replace('"', '""') + '"'
    return value


def publisher_of(der):
    """The subject in Windows' X.500 form: most specific part first, ', ' between parts."""
    _, cert_start, cert_end = next(der_items(der, 0, len(der)))
    _, tbs_start, tbs_end = next(der_items(der, cert_start, cert_end))
    fields = list(der_items(der, tbs_start, tbs_end))
    if fields[0][0] == 0xA0:  # explicit version
        fields = fields[1:]
    _, name_start, name_end = fields[4]  # serial, algorithm, issuer, validity, subject
    rdns = []
    for _, set_start, set_end in der_items(der, name_start, name_end):
        values = []
        for _, seq_start, seq_end in der_items(der, set_start, set_end):
            (_, oid_start, oid_end), (tag, val_start, val_end) = list(der_items(der, seq_start, seq_end))[:2]
            oid = oid_text(der[oid_start:oid_end])
            name = NAMES.get(oid, "OID." + oid)
            values.append("%s=%s" % (name, quoted(string_value(tag, der[val_start:val_end]))))
        rdns.append(" + ".join(values))
    return ", ".join(reversed(rdns))


def manifest_publisher(package):
    with zipfile.ZipFile(package) as z:
        root = ET.fromstring(z.read("AppxManifest.xml"))
    identity = root.find("{http://schemas.microsoft.com/appx/manifest/foundation/windows10}Identity")
    if identity is None:
        fail("%s: the manifest has no Identity" % package)
    return identity.get("Publisher")


def make_test_cert(directory, common_name):
    os.makedirs(directory, exist_ok=True)
    base = os.path.join(directory, "test-signing")
    with tempfile.TemporaryDirectory() as scratch:
        key = os.path.join(scratch, "key.pem")
        run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-sha256", "-nodes", "-days", "3650",
             "-keyout", key, "-out", base + ".pem", "-subj", "/CN=" + common_name,
             "-addext", "basicConstraints=critical,CA:FALSE",
             "-addext", "keyUsage=critical,digitalSignature",
             "-addext", "extendedKeyUsage=codeSigning"])
        run(["openssl", "pkcs12", "-export", "-in", base + ".pem", "-inkey", key,
             "-out", base + ".pfx.part", "-passout", "pass:"])
    run(["openssl", "x509", "-in", base + ".pem", "-outform", "DER", "-out", base + ".cer"])
    os.replace(base + ".pfx.part", base + ".pfx")


def sign(pfx, secret, timestamp, target, out):
    der = leaf_certificate(pfx, secret)
    if target.lower().endswith((".msix", ".appx")):
        expected, declared = publisher_of(der), manifest_publisher(target)
        if expected != declared:
            fail("%s declares Publisher \"%s\", but the certificate's subject is \"%s\"; Windows refuses "
                 "such a package. Configure with -DTRK_PUBLISHER=\"%s\"." % (target, declared, expected, expected))
    destination = out or target
    temp = destination + ".signing"
    if os.path.exists(temp):
        os.remove(temp)
    args = ["osslsigncode", "sign", "-pkcs12", pfx, "-h", "sha256", "-n", "Tracklet"]
    if secret:
        # Through a pipe, so that the password shows in no process list.
        args += ["-readpass", "-"]
    if timestamp:
        args += ["-ts", timestamp]
    run(args + ["-in", target, "-out", temp], input=secret.encode("utf-8"))
    os.replace(temp, destination)


def main(argv):
    if len(argv) < 2:
        fail(__doc__)
    command, rest = argv[0], argv[1:]
    from_env, options, positional = False, {}, []
    i = 0
    while i < len(rest):
        if rest[i] == "--password-from-env":
            from_env = True
        elif rest[i] in ("--timestamp", "--out") and i + 1 < len(rest):
            options[rest[i]] = rest[i + 1]
            i += 1
        else:
            positional.append(rest[i])
        i += 1
    rest = positional
    if command == "make-test-cert" and len(rest) == 2:
        if not re.fullmatch(r"[A-Za-z0-9 ()._-]+", rest[1]):
            fail("a test certificate's name is plain letters, digits, spaces and ()._-")
        make_test_cert(rest[0], rest[1])
    elif command == "publisher" and len(rest) == 1:
        print(publisher_of(leaf_certificate(rest[0], password(from_env))))
    elif command == "leaf-hash" and len(rest) == 1:
        print(hashlib.sha256(leaf_certificate(rest[0], password(from_env))).hexdigest())
    elif command == "sign" and len(rest) == 2:
        sign(rest[0], password(from_env), options.get("--timestamp"), rest[1], options.get("--out"))
    else:
        fail(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
