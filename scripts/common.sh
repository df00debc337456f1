# Shared by build.sh, run.sh and test.sh: paths, building, and a private Wine environment.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Can this machine run 32-bit x86 programs? Some kernels are booted without 32-bit support
# (exec answers "Exec format error", and no 32-bit code segment can be entered), and then
# neither 32-bit Wine nor the 32-bit program can run. The question is put to the kernel with
# the smallest static i386 program (exit(0) by int 0x80), so it needs no 32-bit library.
kelvora_runs_32bit() {
  local probe status=0
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1 || status=$?
  rm -f "$probe"
  return "$status"
}

# The 64-bit build (x86_64, build64/) is the product: what 64-bit Windows runs and what a
# release leads with. The 32-bit flavour (i686, build32/) serves 32-bit Windows and 32-bit
# callers of the engines; it is built beside it, and tested only where the machine can run
# 32-bit code (KELVORA_ARCH=i686 or x86_64 picks the flavour a script works on).
KELVORA_ARCH=${KELVORA_ARCH:-x86_64}
kelvora_flavour() {
  if [ "$KELVORA_ARCH" = x86_64 ]; then
    KELVORA_TOOLCHAIN=$ROOT/cmake/mingw64.cmake
    BUILD=${KELVORA_BUILD:-$ROOT/build64}
  else
    KELVORA_TOOLCHAIN=$ROOT/cmake/mingw32.cmake
    BUILD=${KELVORA_BUILD:-$ROOT/build32}
  fi
  export KELVORA_ARCH
}
kelvora_flavour
# Where the other flavour's build lives, for the release and its test.
KELVORA_BUILD32=${KELVORA_BUILD32:-$ROOT/build32}

# Configures the build folder without building anything: callers that need a few targets
# (the benchmarks, the program alone) build only those.
kelvora_configure() {
  bash "$ROOT/scripts/setup.sh"
  local launcher=()
  # The compiler cache makes a second build of the same sources (the other flavour, a clean
  # clone) cheap; paths are taken relative to the source root, so clones share it.
  if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$ROOT}
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$KELVORA_TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release -DKELVORA_BUILD32="$KELVORA_BUILD32" "${launcher[@]}" >/dev/null
}

# Everything: the program, engines, tools, tests and benchmarks.
kelvora_build() {
  kelvora_configure
  cmake --build "$BUILD" -j"$(nproc)"
}

# Only what running the program needs: the program, its two engines, the self-extractor stub
# and the documents beside it.
KELVORA_PROGRAM_TARGETS=(Kelvora98 unzeng kzipeng ksfx kelvora_docs)
kelvora_build_program() {
  kelvora_configure
  cmake --build "$BUILD" -j"$(nproc)" --target "${KELVORA_PROGRAM_TARGETS[@]}"
}

# The 32-bit flavour beside the product: everything, tested, where this machine runs 32-bit
# code; otherwise the program, engines and stub compiled and linked only. Runs in a subshell,
# so the caller's flavour stays as it was. Prints what it did.
kelvora_build_32bit_flavour() {
  (
    KELVORA_ARCH=i686
    unset KELVORA_BUILD
    kelvora_flavour
    if kelvora_runs_32bit; then
      kelvora_build
      echo "32-bit flavour: built in $BUILD; its tests run too"
    else
      kelvora_build_program
      echo "32-bit flavour: program, engines and stub compiled and linked in $BUILD;" \
           "not run, since this machine cannot run 32-bit code"
    fi
  )
}

# Runs a Wine command with its standard error passed on, except the line Wine prints
# whenever it cannot read the volume label of drive Z: (the root folder, no real device):
# it says nothing about the program.
kelvora_wine_quiet() {
  "$@" 2> >(grep --line-buffered -v 'Read access denied for device' >&2)
}

# Wine can only create files whose names are not ASCII in a UTF-8 locale: keep the caller's
# locale when it is UTF-8, otherwise use C.UTF-8, which every Debian has.
kelvora_utf8_locale() {
  local current
  current=$(locale charmap 2>/dev/null || true)
  if [ "$current" != "UTF-8" ]; then
    export LANG=C.UTF-8
    export LC_ALL=C.UTF-8
  fi
}

# A Wine prefix of the build's own, never the user's ~/.wine.
kelvora_wine_env() {
  kelvora_utf8_locale
  export WINEPREFIX="$BUILD/wineprefix"
  if [ "$KELVORA_ARCH" = x86_64 ]; then
    export WINEARCH=win64
    # Debian's `wine` picks the 32-bit loader whenever it is installed, runnable or not: the
    # 64-bit one goes first in PATH under the names the scripts and tools call.
    mkdir -p "$BUILD/wine64-path"
    local name
    for name in wine wine-stable; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$BUILD/wine64-path/$name"
      chmod +x "$BUILD/wine64-path/$name"
    done
    case ":$PATH:" in *":$BUILD/wine64-path:"*) ;; *) export PATH="$BUILD/wine64-path:$PATH" ;; esac
  else
    export WINEARCH=win32
  fi
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -z "${DISPLAY:-}" ]; then
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    KELVORA_XVFB_PID=$!
    for _ in $(seq 1 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
  fi
  if [ ! -f "$WINEPREFIX/.kelvora-configured" ]; then
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || true
    # Without a window manager (Xvfb) Wine draws the captions and frames itself, and does
    # not wait for a manager to acknowledge each hidden window (two seconds apiece).
    local key='HKCU\Software\Wine\X11 Driver'
    wine reg add "$key" /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1 || true
    wine reg add "$key" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    timeout 60 wineserver -w || true
    touch "$WINEPREFIX/.kelvora-configured"
  fi
  if [ ! -f "$WINEPREFIX/.kelvora-configured-2" ]; then
    # A program that faults ends with Wine's report on standard error: the crash dialog of
    # Wine's debugger would wait for a click that no test run gives, until its time-out.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.kelvora-configured-2"
  fi
  # One persistent server for the whole run; services Wine starts on first use must not
  # inherit our pipes, or CTest would wait on them.
  wineserver -p 2>/dev/null || true # one may be running already
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

kelvora_wine_stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "${KELVORA_XVFB_PID:-}" ]; then kill "$KELVORA_XVFB_PID" 2>/dev/null || true; fi
}
