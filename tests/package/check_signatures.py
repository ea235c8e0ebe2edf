#!/usr/bin/env python3
"""Every file `cmake --install` lays out carries the build's Authenticode
SHA-256 signature, the installed programs are the ones the Wine tests run,
and the signed trkmenu.dll still loads and registers under Wine.

    check_signatures.py BUILD PREFIX ANCHOR LEAF_HASH IDL [WINE_RUN WINE_DIR]"""
import os
import re
import shutil
import subprocess
import sys

SHIPPED = {"trkmenu.dll": "extension", "trkconfig.exe": "setup", "install.exe": "install", "trkkit.dll": "trkkit"}
SHELL_EXT_CLSID = "{928BB78A-14A7-11D3-A91E-0040056902A2}"

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def verify(path, anchor, leaf_hash):
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", anchor, "-require-leaf-hash", "sha256:" + leaf_hash,
                             "-in", path], capture_output=True, text=True)
    output = result.stdout + result.stderr
    return result.returncode == 0 and "Signature verification: ok" in output, output


def registered_classes(idl):
    """The classes trkmenu.idl declares, each of which DllRegisterServer registers."""
    with open(idl, encoding="utf-8") as f:
        return ["{%s}" % u.upper() for u in re.findall(r"uuid\(([0-9A-Fa-f-]{36})\)[^\]]*\]\s*coclass\b", f.read())]


def main(build, prefix, anchor, leaf_hash, idl, wine_run=None, wine_dir=None):
    shutil.rmtree(prefix, ignore_errors=True)
    result = subprocess.run(["cmake", "--install", build, "--prefix", prefix], capture_output=True, text=True)
    if result.returncode != 0:
        print("FAIL: cmake --install: " + result.stderr)
        return 1

    for name in list(SHIPPED) + ["Tracklet.msix"]:
        path = os.path.join(prefix, name)
        if not os.path.exists(path):
            failures.append("%s was not installed" % name)
            continue
        ok, output = verify(path, anchor, leaf_hash)
        check(ok, "%s: the signature does not verify:\n%s" % (name, output))
        if name.endswith((".dll", ".exe")):
            check("Message digest algorithm  : SHA256" in output, "%s is not signed with SHA-256" % name)
            with open(path, "rb") as installed, open(os.path.join(build, SHIPPED[name], name), "rb") as built:
                check(installed.read() == built.read(), "%s is installed other than the build tree holds it" % name)

    # A changed byte in the code, and a signature from someone else, must fail.
    library = os.path.join(prefix, "trkmenu.dll")
    tampered = os.path.join(prefix, "tampered", "trkmenu.dll")
    os.makedirs(os.path.dirname(tampered), exist_ok=True)
    data = bytearray(open(library, "rb").read())
    data[0x400 + 0x100] ^= 0x01  # inside the first section
    with open(tampered, "wb") as f:
        f.write(data)
    check(not verify(tampered, anchor, leaf_hash)[0], "a tampered trkmenu.dll passes verification")
    check(not verify(library, anchor, "0" * 64)[0], "trkmenu.dll passes for another signer's certificate")

    if wine_run:
        windows_path = "Z:" + os.path.abspath(library).replace("/", "\\")
        classes = registered_classes(idl)
        check(SHELL_EXT_CLSID in classes, "trkmenu.idl declares no ShellExt class")
        queries = " && ".join("reg query HKCR\\CLSID\\%s\\InprocServer32 /ve" % c for c in classes)
        result = subprocess.run([wine_run, wine_dir, "cmd", "/c", "regsvr32 /s %s && %s" % (windows_path, queries)],
                                capture_output=True, text=True, timeout=240)
        output = result.stdout + result.stderr
        check(result.returncode == 0 and output.lower().count(windows_path.lower()) == len(classes),
              "the signed trkmenu.dll did not register its %d classes under Wine (exit %d):\n%s"
              % (len(classes), result.returncode, output))

    if failures:
        print("\n".join("FAIL: " + f for f in failures))
        return 1
    print("installed files: signatures verified%s" % (", trkmenu.dll registered under Wine" if wine_run else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
