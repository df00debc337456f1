#!/usr/bin/env python3
"""Builds the benchmark corpora for bench/run.sh (once; reused while they exist).

mixed/  a few hundred MB: C/C++ headers, HTML/text documentation, Python sources, shared
        libraries and ICU data (binary), gzip files and random bytes (already compressed).
small/  100,000 small text files in 1,000 nested folders (a/b/c), 100 per folder.

With --tiny (checking the benchmark's tooling only, never for figures): mixed/ holds the
Linux kernel's headers and 1 MB of random bytes, small/ 2,000 files in 50 folders.

Symbolic links and names that differ only in letter case are left out: Windows would see
those as one file, and the comparison must give every tool the same input.
"""
import os
import random
import shutil
import sys


def copy_tree(src, dst, keep=lambda name: True):
    seen = set()
    for root, dirs, files in os.walk(src):
        dirs.sort()
        rel = os.path.relpath(root, src)
        for name in sorted(files):
            path = os.path.join(root, name)
            if os.path.islink(path) or not os.path.isfile(path) or not keep(name):
                continue
            key = os.path.join(rel, name).lower()
            if key in seen:
                continue
            seen.add(key)
            out = os.path.join(dst, rel, name)
            os.makedirs(os.path.dirname(out), exist_ok=True)
            shutil.copyfile(path, out)


def build_mixed(base, tiny):
    if tiny:
        copy_tree("/usr/include/linux", os.path.join(base, "include"))
        os.makedirs(os.path.join(base, "compressed"))
        with open(os.path.join(base, "compressed", "random.bin"), "wb") as f:
            f.write(random.Random(98).randbytes(1 << 20))
        return
    copy_tree("/usr/include", os.path.join(base, "include"))
    copy_tree("/usr/share/doc", os.path.join(base, "doc"), lambda n: not n.endswith(".gz"))
    copy_tree("/usr/share/doc", os.path.join(base, "compressed"), lambda n: n.endswith(".gz"))
    copy_tree("/usr/lib/python3.11", os.path.join(base, "python"), lambda n: n.endswith(".py"))
    bindir = os.path.join(base, "binary")
    os.makedirs(bindir, exist_ok=True)
    for lib in ("libclang-cpp.so.14", "libicudata.so.72"):
        path = os.path.join("/usr/lib/x86_64-linux-gnu", lib)
        if os.path.exists(path):
            shutil.copyfile(os.path.realpath(path), os.path.join(bindir, lib))
    rng = random.Random(98)
    with open(os.path.join(base, "compressed", "random.bin"), "wb") as f:
        for _ in range(8):
            f.write(rng.randbytes(1 << 20))


def build_small(base, tiny):
    rng = random.Random(1998)
    shape = (2, 5, 5, 40) if tiny else (10, 10, 10, 100)
    words = ["alpha", "beta", "gamma", "delta", "archive", "member", "header", "window",
             "folder", "kelvora", "deflate", "record", "offset", "table", "value", "index"]
    for a in range(shape[0]):
        for b in range(shape[1]):
            for c in range(shape[2]):
                folder = os.path.join(base, f"a{a}", f"b{b}", f"c{c}")
                os.makedirs(folder, exist_ok=True)
                for n in range(shape[3]):
                    size = rng.randint(50, 2000)
                    parts = []
                    length = 0
                    while length < size:
                        w = rng.choice(words) if rng.random() < 0.8 else str(rng.randint(0, 99999))
                        parts.append(w)
                        length += len(w) + 1
                    with open(os.path.join(folder, f"f{n:03}.txt"), "w") as f:
                        f.write(" ".join(parts)[:size])


def main():
    tiny = "--tiny" in sys.argv[1:]
    root = [a for a in sys.argv[1:] if a != "--tiny"][0]
    for name, build in (("mixed", build_mixed), ("small", build_small)):
        path = os.path.join(root, name)
        if os.path.exists(path + ".done"):
            continue
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
        build(path, tiny)
        open(path + ".done", "w").close()


if __name__ == "__main__":
    main()
