#!/usr/bin/env python3
"""Checks of what a tree hands out (release/ and the installer), run by CTest
on the host: nothing here runs a Windows program.

  check_dist.py signing     --release DIR --setup FILE --sign-script FILE --signed 0|1
                            [--makensis FILE --nsi FILE --nsis-defines "-DNAME=VALUE;..."]
  check_dist.py cabinets    --release DIR
  check_dist.py sample-page --release DIR --page FILE
  check_dist.py manifest    --release DIR --notewell FILE
"""

import argparse
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import windows_files  # noqa: E402

CONTROLS = ("Gatekin", "Rosterly")
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message)
    return condition


def run(args, **kwargs):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          universal_newlines=True, **kwargs)


def release_files(args):
    names = ["Notewell.exe", "Gatekin.ocx", "Rosterly.ocx"]
    if args.cabinets:
        names += ["Gatekin.cab", "Rosterly.cab"]
    return [os.path.join(args.release, n) for n in names] + [args.setup]


def has_signature(path, scratch):
    out = os.path.join(scratch, "signature.der")
    result = run(["osslsigncode", "extract-signature", "-in", path, "-out", out])
    if os.path.exists(out):
        os.remove(out)
    return result.returncode == 0


def make_test_certificate(scratch, password):
    key, cert, p12 = (os.path.join(scratch, n) for n in ("key.pem", "cert.pem", "cert.p12"))
    made = run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                "-keyout", key, "-out", cert, "-subj", "/CN=Corvala Test Signing",
                "-addext", "extendedKeyUsage=codeSigning", "-addext", "keyUsage=digitalSignature"])
    if made.returncode != 0:
        raise RuntimeError(made.stdout)
    made = run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", p12,
                "-passout", "pass:" + password])
    if made.returncode != 0:
        raise RuntimeError(made.stdout)
    return cert, p12


def check_signing(args):
    scratch = tempfile.mkdtemp(prefix="corvala-signing-")
    try:
        files = release_files(args)
        # The tree's own files are signed exactly when a certificate is configured.
        for path in files:
            check(has_signature(path, scratch) == args.signed,
                  "%s: %s" % (path, "not signed" if args.signed else "signed without a certificate"))

        password = "test pass/1"
        cert, p12 = make_test_certificate(scratch, password)
        env = dict(os.environ, CORVALA_SIGN_CERT=p12, CORVALA_SIGN_PASSWORD=password)
        env.pop("CORVALA_SIGN_TIMESTAMP", None)
        for path in files:
            name = os.path.basename(path)
            copy = os.path.join(scratch, name)
            if has_signature(path, scratch):
                removed = run(["osslsigncode", "remove-signature", "-in", path, "-out", copy])
                check(removed.returncode == 0, "%s: cannot remove its signature" % name)
            else:
                shutil.copyfile(path, copy)
            signed = run(["bash", args.sign_script, copy], env=env)
            if not check(signed.returncode == 0, "%s: signing failed: %s" % (name, signed.stdout)):
                continue
            verified = run(["osslsigncode", "verify", "-CAfile", cert, "-in", copy])
            check(verified.returncode == 0, "%s: signed copy does not verify:\n%s" % (name, verified.stdout))
            # A change after signing breaks the signature.
            with open(copy, "r+b") as f:
                f.seek(os.path.getsize(copy) // 3)
                byte = f.read(1)
                f.seek(-1, os.SEEK_CUR)
                f.write(bytes([byte[0] ^ 0x5A]))
            verified = run(["osslsigncode", "verify", "-CAfile", cert, "-in", copy])
            check(verified.returncode != 0, "%s: a changed file still verifies" % name)

        if args.makensis:
            check_packed_uninstaller(args, scratch, env, cert)

        # A wrong password fails the build step and leaves the file as it was;
        # without a certificate the file is left alone.
        sample = os.path.join(scratch, "sample.ocx")
        shutil.copyfile(os.path.join(args.release, "Gatekin.ocx"), sample)
        if has_signature(sample, scratch):
            run(["osslsigncode", "remove-signature", "-in", os.path.join(args.release, "Gatekin.ocx"),
                 "-out", sample + ".bare"])
            os.replace(sample + ".bare", sample)
        with open(sample, "rb") as f:
            before = f.read()
        wrong = run(["bash", args.sign_script, sample], env=dict(env, CORVALA_SIGN_PASSWORD="wrong"))
        check(wrong.returncode != 0, "signing with a wrong password succeeded")
        unsigned = run(["bash", args.sign_script, sample], env=dict(env, CORVALA_SIGN_CERT=""))
        check(unsigned.returncode == 0, "signing without a certificate failed")
        with open(sample, "rb") as f:
            check(f.read() == before, "a failed or unconfigured signing changed the file")
        leftovers = [n for n in os.listdir(scratch) if ".signing." in n]
        check(not leftovers, "signing left temporary files: %s" % leftovers)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def check_packed_uninstaller(args, scratch, env, cert):
    """Packs the installer with signing as the build does, keeping a copy of
    each file makensis hands to the signing step: first the uninstaller it is
    about to pack, then the installer."""
    kept = os.path.join(scratch, "finalized")
    os.makedirs(kept)
    wrapper = os.path.join(scratch, "finalize.sh")
    with open(wrapper, "w") as f:
        f.write('#!/bin/bash\nset -e\nbash "%s" "$1"\ncp "$1" "%s/$(ls "%s" | wc -l).exe"\n'
                % (args.sign_script, kept, kept))
    setup = os.path.join(scratch, "Setup.exe")
    defines = [d for d in args.nsis_defines.split(";") if d]
    packed = run([args.makensis, "-V2", "-INPUTCHARSET", "UTF8"] + defines +
                 ["-DOUTFILE=" + setup, "-DSIGN_COMMAND=bash " + wrapper, args.nsi], env=env)
    if not check(packed.returncode == 0, "makensis with signing failed:\n" + packed.stdout):
        return
    finalized = sorted(os.listdir(kept), key=lambda n: int(n.split(".")[0]))
    check(len(finalized) == 2, "makensis signed %d files, not the uninstaller and the installer" % len(finalized))
    for name in finalized + [setup]:
        path = os.path.join(kept, name)
        verified = run(["osslsigncode", "verify", "-CAfile", cert, "-in", path])
        check(verified.returncode == 0, "%s (signed by makensis) does not verify:\n%s" % (name, verified.stdout))
    if finalized:
        uninstaller = os.path.join(kept, finalized[0])
        check(os.path.getsize(uninstaller) < os.path.getsize(setup),
              "the first file signed is not the uninstaller")


def read_inf(path):
    sections, current = {}, None
    with open(path, encoding="ascii") as f:
        for line in f:
            line = line.split(";", 1)[0].strip()
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1].lower(), {})
            elif "=" in line and current is not None:
                key, value = line.split("=", 1)
                current[key.strip().lower()] = value.strip()
    return sections


def check_cabinets(args):
    scratch = tempfile.mkdtemp(prefix="corvala-cab-")
    try:
        for control in CONTROLS:
            cab = os.path.join(args.release, control + ".cab")
            listed = run(["gcab", "--list", cab])
            names = sorted(listed.stdout.split())
            check(listed.returncode == 0 and names == sorted([control + ".inf", control + ".ocx"]),
                  "%s lists %s" % (cab, names))
            out = os.path.join(scratch, control)
            os.makedirs(out)
            extracted = run(["gcab", "--extract", "--directory", out, cab])
            if not check(extracted.returncode == 0, "%s: cannot extract: %s" % (cab, extracted.stdout)):
                continue
            ocx = os.path.join(out, control + ".ocx")
            with open(ocx, "rb") as a, open(os.path.join(args.release, control + ".ocx"), "rb") as b:
                check(a.read() == b.read(), "%s holds another %s.ocx than release/" % (cab, control))
            inf = read_inf(os.path.join(out, control + ".inf"))
            coclass, _ = windows_files.control_type_library(ocx)
            version = ",".join(str(n) for n in windows_files.file_version(ocx))
            entry = inf.get((control + ".ocx").lower(), {})
            check((control + ".ocx").lower() in (k.lower() for k in inf.get("add.code", {})),
                  "%s.inf: [Add.Code] does not name %s.ocx" % (control, control))
            check(entry.get("clsid", "").upper() == coclass.guid,
                  "%s.inf: clsid %s, the type library's class is %s" % (control, entry.get("clsid"), coclass.guid))
            check(entry.get("fileversion") == version,
                  "%s.inf: FileVersion %s, the .ocx is %s" % (control, entry.get("fileversion"), version))
            check(entry.get("registerserver", "").lower() == "yes", "%s.inf: no self-registration" % control)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


class ObjectTags(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.objects, self.current, self.scripts, self.in_script = [], None, [], False
        self.script_files = []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "object":
            self.current = {"attrs": attrs, "params": []}
            self.objects.append(self.current)
        elif tag == "param" and self.current is not None:
            self.current["params"].append(attrs.get("name"))
        elif tag == "script":
            self.in_script = True
            if attrs.get("src"):
                self.script_files.append(attrs["src"])

    def handle_endtag(self, tag):
        if tag == "object":
            self.current = None
        elif tag == "script":
            self.in_script = False

    def handle_data(self, data):
        if self.in_script:
            self.scripts.append(data)


def check_sample_page(args):
    with open(args.page, encoding="utf-8") as f:
        page = ObjectTags()
        page.feed(f.read())
    check(len(page.objects) == len(CONTROLS), "the page has %d OBJECT tags" % len(page.objects))
    dispatch_of = {}
    for tag in page.objects:
        codebase = tag["attrs"].get("codebase", "")
        match = re.search(r"/(\w+)\.cab#Version=([\d,]+)$", codebase)
        if not check(match and match.group(1) in CONTROLS, "OBJECT with CODEBASE %r" % codebase):
            continue
        control = match.group(1)
        ocx = os.path.join(args.release, control + ".ocx")
        coclass, dispatch = windows_files.control_type_library(ocx)
        dispatch_of[control] = dispatch
        check(tag["attrs"].get("id") == control, "%s: OBJECT id %r" % (control, tag["attrs"].get("id")))
        check(tag["attrs"].get("classid", "").upper() == "CLSID:" + coclass.guid.strip("{}"),
              "%s: CLASSID %r, the type library's class is %s" % (control, tag["attrs"].get("classid"), coclass.guid))
        version = ",".join(str(n) for n in windows_files.file_version(ocx))
        check(match.group(2) == version, "%s: CODEBASE version %s, the .ocx is %s" % (control, match.group(2), version))
        # Each PARAM is a property the control persists: its name is one of
        # the module's own strings.
        with open(ocx, "rb") as f:
            module = f.read()
        params = tag["params"]
        check(len(params) == len(set(params)) and params, "%s: PARAM names %s" % (control, params))
        for name in params:
            check(b"\0" + name.encode("ascii") + b"\0" in module,
                  "%s: PARAM %r is not a property the control persists" % (control, name))
    # Every property the script sets is one of that control's properties;
    # the page's own script files (beside it in this tree) count as its script.
    script = "".join(page.scripts)
    for src in page.script_files:
        if not check("://" not in src and not src.startswith("/"), "the page includes %r, not a file of this tree" % src):
            continue
        path = os.path.join(os.path.dirname(os.path.abspath(args.page)), src)
        if check(os.path.isfile(path), "the page includes %s, which does not exist" % src):
            with open(path, encoding="utf-8") as f:
                script += f.read()
    variables = dict(re.findall(r"var (\w+) = control\(\"(\w+)\"\)", script))
    variables.update((c, c) for c in CONTROLS)
    assigned = re.findall(r"\b(\w+)\.([A-Z]\w*)\s*=(?!=)", script)
    check(assigned, "the script sets no control property")
    for variable, prop in assigned:
        control = variables.get(variable)
        if check(control in dispatch_of, "the script sets %s.%s on no known control" % (variable, prop)):
            check(prop in dispatch_of[control].members, "the script sets %s.%s, not a property of %s (%s)"
                  % (variable, prop, control, ", ".join(dispatch_of[control].members)))
    # The page shows every property that acts on the page's behalf.
    used = {prop for _, prop in assigned}
    for control, dispatch in dispatch_of.items():
        for prop in dispatch.members:
            check(prop in used or prop in script, "%s.%s appears nowhere in the page's script" % (control, prop))


def check_manifest(args):
    for path in (args.notewell, os.path.join(args.release, "Notewell.exe")):
        text = windows_files.manifest(path)
        if not check(text is not None, "%s: no manifest" % path):
            continue
        # Windows refuses to start a program whose manifest is not well formed.
        try:
            root = xml.etree.ElementTree.fromstring(text.encode("utf-8"))
        except xml.etree.ElementTree.ParseError as error:
            check(False, "%s: manifest is not well formed: %s" % (path, error))
            continue
        levels = [e.get("level") for e in root.iter("{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")]
        check(levels == ["asInvoker"], "%s: execution level %s, not asInvoker" % (path, levels))
        supported = root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")
        check(any(True for _ in supported), "%s: declares no supported Windows" % path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("check", choices=("signing", "cabinets", "sample-page", "manifest"))
    parser.add_argument("--release", required=True)
    parser.add_argument("--setup")
    parser.add_argument("--sign-script")
    parser.add_argument("--signed", type=int, default=0)
    parser.add_argument("--cabinets", type=int, default=1)
    parser.add_argument("--makensis")
    parser.add_argument("--nsi")
    parser.add_argument("--nsis-defines", default="")
    parser.add_argument("--page")
    parser.add_argument("--notewell")
    args = parser.parse_args()
    args.signed = bool(args.signed)
    {"signing": check_signing, "cabinets": check_cabinets,
     "sample-page": check_sample_page, "manifest": check_manifest}[args.check](args)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
