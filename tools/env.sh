# Sourced by tools/test and tools/run: the build tree, its Wine prefix and its sound sink.
# BUILD_DIR may be set by the caller (each developer or helper can keep a tree of its own).
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(realpath -m "${BUILD_DIR:-$ROOT/build}")"
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# A HOME of the harness's own holds the ALSA configuration: the default device is a file sink, so
# DirectSound and wave-out really play and a test can read back what was heard.
export HOME="$BUILD_DIR/home"
export CARROWFOLD_SINK="${CARROWFOLD_SINK:-$BUILD_DIR/sink.raw}"

# A compiler cache kept outside every clone, so that a fresh clone on this machine (CI's, a helper's)
# rebuilds mostly from it. Paths inside the clone are rewritten relative to it and the working folder is
# not hashed, so two clones in different folders share their entries.
export CCACHE_DIR="${CCACHE_DIR:-/var/cache/carrowfold-ccache}"
export CCACHE_BASEDIR="$ROOT"
export CCACHE_NOHASHDIR=1
# The shared precompiled headers: their time stamps and macros differ between clones, their content not.
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-12G}"

configure_build() {
  echo "build: configuring $BUILD_DIR"
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
}

build() {
  if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    local t0=$SECONDS
    configure_build || return 1
    echo "time: configure $((SECONDS - t0)) s"
  fi
  echo "build: compiling"
  local log="$BUILD_DIR/build.log"
  if ! cmake --build "$BUILD_DIR" -- -k 0 -j"$(nproc)" ${NINJA_QUIET:---quiet} >"$log" 2>&1; then
    cat "$log"
    return 1
  fi
  grep -v '^ninja: no work to do' "$log" || true
}

prepare_home() {
  mkdir -p "$HOME"
  cat > "$HOME/.asoundrc" <<ASOUND
pcm.!default {
  type plug
  slave.pcm {
    type file
    slave.pcm "null"
    format "raw"
    file { @func getenv vars [ CARROWFOLD_SINK ] default "$BUILD_DIR/sink.raw" }
  }
}
ctl.!default { type hw card 0 }
ASOUND
}

prepare_prefix() {
  prepare_home
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}
