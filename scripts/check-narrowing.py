#!/usr/bin/env python3
"""Looks for pointers and sizes squeezed into 32 bits in the 64-bit build: compiles every
program and engine source of build64/ again with clang for x86_64-w64-mingw32, warnings off
but for -Wshorten-64-to-32 and the pointer/integer casts, and prints what it finds (exit 1).
gcc has no such warning. Usage: scripts/check-narrowing.py [build-folder]"""
import glob
import json
import os
import shlex
import subprocess
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build64")
if not os.path.exists(os.path.join(build, "compile_commands.json")):
    subprocess.run(["cmake", build, "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON"], check=True,
                   stdout=subprocess.DEVNULL)
gcc = glob.glob("/usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++")[0]
resource = subprocess.run(["clang", "-print-resource-dir"], capture_output=True,
                          text=True, check=True).stdout.strip()
# clang's own intrinsics, gcc's C++ library and the mingw-w64 headers.
system = ["-isystem", gcc, "-isystem", gcc + "/x86_64-w64-mingw32", "-isystem", gcc + "/backward",
          "-isystem", resource + "/include", "-isystem", "/usr/x86_64-w64-mingw32/include"]
found = 0
for entry in json.load(open(os.path.join(build, "compile_commands.json"))):
    source = entry["file"]
    if not source.startswith(root) or "/tests/" in source or not source.endswith(".cpp"):
        continue
    words = shlex.split(entry["command"])
    args = ["clang++", "--target=x86_64-w64-mingw32", "-nostdinc", "-nostdinc++"] + system
    skip = False
    for word in words[1:]:
        if skip:
            skip = False
        elif word == "-o":
            skip = True
        elif word.startswith("@"):
            args += shlex.split(open(os.path.join(entry["directory"], word[1:])).read())
        elif word != "-c" and not word.startswith("-O") and word != source:
            args.append(word)
    args += ["-fsyntax-only", "-Wno-everything", "-Wshorten-64-to-32", "-Wpointer-to-int-cast",
             "-Wint-to-pointer-cast", "-Wvoid-pointer-to-int-cast", source]
    result = subprocess.run(args, cwd=entry["directory"], capture_output=True, text=True)
    if result.returncode != 0 or "warning:" in result.stderr:
        found += 1
        sys.stdout.write(result.stderr)
print("narrowing: %s" % ("none found" if not found else "%d files to look at" % found))
sys.exit(1 if found else 0)
