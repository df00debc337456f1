#!/usr/bin/env python3
"""Checks one flavour of the release by reading its files, as a machine that cannot run them
can: check_release.py ZIP EXE x64|x86

- the zip holds exactly the program's files in one folder;
- every program file is a PE of the flavour's machine (PE32+ on x64, PE32 on x86) and
  imports nothing but system DLLs (the engines are loaded at run time, never imported);
- the self-extracting exe is the zip's own stub followed by the zip's bytes unchanged, and its
  end record leads to the central directory and the first member right after the stub.
Prints one line per finding and exits 1 on any failure."""
import struct
import sys
import zipfile

FILES = ["Kelvora98.exe", "KZIPENG.DLL", "KUNZENG.DLL", "KSFX.BIN", "Kelvora98.hlp",
         "readme.txt", "KelvoraEngines.h"]
PROGRAMS = ["Kelvora98.exe", "KZIPENG.DLL", "KUNZENG.DLL", "KSFX.BIN"]
MACHINES = {"x64": (0x8664, 0x20B), "x86": (0x14C, 0x10B)}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "ole32.dll", "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "msimg32.dll",
               "msvcrt.dll", "version.dll", "shlwapi.dll", "winspool.drv", "bcrypt.dll"}

failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text)


def pe_facts(data):
    """(machine, optional-header magic, imported DLL names) of a PE image."""
    if data[:2] != b"MZ":
        raise ValueError("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    machine, sections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    dirs = opt + (112 if magic == 0x20B else 96)
    import_rva = struct.unpack_from("<I", data, dirs + 8)[0]
    table = opt + opt_size
    spans = []
    for i in range(sections):
        vsize, vaddr, rsize, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        spans.append((vaddr, max(vsize, rsize), raw))

    def at(rva):
        for vaddr, size, raw in spans:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raw
        raise ValueError("RVA %#x outside every section" % rva)

    names = []
    if import_rva:
        d = at(import_rva)
        while True:
            entry = struct.unpack_from("<IIIII", data, d)
            if not any(entry):
                break
            start = at(entry[3])
            names.append(data[start:data.index(b"\0", start)].decode("ascii"))
            d += 20
    return machine, magic, names


def check_zip(zip_bytes, path, flavour):
    with zipfile.ZipFile(path) as z:
        listed = sorted(z.namelist())
        expected = sorted("Kelvora98/" + f for f in FILES)
        if listed != expected:
            fail("%s holds %s, not %s" % (path, listed, expected))
        bad = z.testzip()
        if bad:
            fail("%s: %s fails its CRC" % (path, bad))
        want_machine, want_magic = MACHINES[flavour]
        for name in PROGRAMS:
            try:
                machine, magic, imports = pe_facts(z.read("Kelvora98/" + name))
            except (KeyError, ValueError, struct.error) as e:
                fail("%s: %s" % (name, e))
                continue
            if (machine, magic) != (want_machine, want_magic):
                fail("%s is machine %#x, magic %#x: not %s" % (name, machine, magic, flavour))
            foreign = [n for n in imports if n.lower() not in SYSTEM_DLLS]
            if foreign:
                fail("%s imports %s" % (name, ", ".join(foreign)))
            print("%s: %s, imports %s" % (name, flavour, ", ".join(sorted(imports, key=str.lower))))
        return z.read("Kelvora98/KSFX.BIN")


def check_exe(exe, zip_bytes, stub):
    if not exe.startswith(stub):
        fail("the self-extracting release does not start with the release's own stub")
        return
    if exe[len(stub):] != zip_bytes:
        fail("the self-extracting release is not the stub followed by the release zip")
    end = exe.rfind(b"PK\5\6")
    if end < 0:
        fail("the self-extracting release has no end record")
        return
    cd_size, cd_offset = struct.unpack_from("<II", exe, end + 12)
    # Offsets count from the start of the embedded zip, or from the file's start.
    adjust = len(stub) if exe[cd_offset:cd_offset + 4] != b"PK\1\2" else 0
    if exe[cd_offset + adjust:cd_offset + adjust + 4] != b"PK\1\2":
        fail("the end record's directory offset %d leads to no central header" % cd_offset)
    if cd_offset + adjust + cd_size != end:
        fail("the central directory does not end at the end record")
    first_local = struct.unpack_from("<I", exe, cd_offset + adjust + 42)[0] + adjust
    if first_local != len(stub) or exe[first_local:first_local + 4] != b"PK\3\4":
        fail("the first member is at %d, not right after the %d-byte stub" % (first_local, len(stub)))
    print("self-extractor: %d-byte stub, directory at %d (+%d)" % (len(stub), cd_offset, adjust))


def main():
    zip_path, exe_path, flavour = sys.argv[1:4]
    zip_bytes = open(zip_path, "rb").read()
    stub = check_zip(zip_bytes, zip_path, flavour)
    check_exe(open(exe_path, "rb").read(), zip_bytes, stub)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
