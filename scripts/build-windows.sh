#!/usr/bin/env bash
# Cross-builds the core, the simulated bus (velmorsim.dll), fluxa-cli.exe and
# their tests for 64-bit Windows into build-windows/ (or
# $FLUXA_WINDOWS_BUILD_DIR), and packs fluxa-cli-windows-x64.zip.
#
# Libraries Debian has no Windows package of are built from Debian's own
# source packages (pugixml, expat, sqlite3, nlohmann-json3), fetched with a source list of
# this build's own, and GoogleTest from /usr/src/googletest.
#
# Tests: (cd build-windows && ctest) runs them under Wine; one program by
# hand: WINEPREFIX=build-windows/wineprefix /usr/lib/wine/wine64 build-windows/bin/<test>.exe
# Usage: build-windows.sh [cmake -D options ...] [--] [targets ...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${FLUXA_WINDOWS_BUILD_DIR:-$top/build-windows}")
deps=$build/deps
prefix=$deps/prefix
toolchain=$top/cmake/mingw-w64.cmake
# The libraries below are built with ccache too, where it is installed.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$top CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# Runs a step with its output kept in a log, shown only when it fails.
quietly() {
  local log=$deps/step.log
  "$@" >"$log" 2>&1 || { cat "$log" >&2; echo "Failed: $*" >&2; return 1; }
}

# apt-get with a source list, package lists and cache of this build's own:
# the system's sources stay untouched.
deps_apt() {
  apt-get -q -o Dir::Etc::SourceList="$deps/apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent \
    -o Dir::State::Lists="$deps/apt/lists" -o Dir::Cache="$deps/apt/cache" -o APT::Sandbox::User=root "$@"
}

# The Debian archive of this release as the machine's own apt configuration
# names it: a one-line "deb" entry or a deb822 ".sources" record.
debian_archive() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  {
    grep -hE '^deb[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      sed -E 's/\[[^]]*\][[:space:]]*//' | awk -v suite="$codename" '$3 == suite { print $2 }'
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk -v suite="$codename" '
      BEGIN { RS = "" }
      { uri = ""; found = 0; n = split($0, lines, "\n")
        for (i = 1; i <= n; i++) {
          m = split(lines[i], words, /[ \t]+/)
          if (words[1] == "URIs:") uri = words[2]
          if (words[1] == "Suites:") for (j = 2; j <= m; j++) if (words[j] == suite) found = 1
        }
        if (found && uri != "") print uri }'
  } | head -n 1
}

fetch_sources() {
  [ -f "$deps/src/fetched.stamp" ] && return
  rm -rf "$deps/src" "$deps/apt"
  mkdir -p "$deps/apt/lists/partial" "$deps/apt/cache/archives/partial" "$deps/src"
  local archive
  archive=$(debian_archive)
  [ -n "$archive" ] || { echo "build-windows.sh: no Debian archive for this release in the apt configuration" >&2; exit 1; }
  echo "deb-src $archive $(. /etc/os-release && echo "$VERSION_CODENAME") main" >"$deps/apt/sources.list"
  quietly deps_apt update
  (cd "$deps/src" && quietly deps_apt source pugixml expat sqlite3 nlohmann-json3)
  touch "$deps/src/fetched.stamp"
}

# cmake_dependency <name> <source dir> [cmake -D options ...]: configured, built
# and installed into the prefix once; $after_configure runs between.
cmake_dependency() {
  local name=$1 source=$2
  shift 2
  [ -f "$prefix/$name.stamp" ] && return
  quietly cmake -S "$source" -B "$deps/build/$name" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "${launcher[@]}" "$@"
  ${after_configure:-true} "$deps/build/$name"
  quietly cmake --build "$deps/build/$name" -j2
  quietly cmake --install "$deps/build/$name"
  touch "$prefix/$name.stamp"
}

# Debian's security fixes for expat 2.5.0 test "XML_DTD == 1", as later expat
# releases define it, while its CMake build of 2.5.0 defines it empty.
define_expat_dtd() {
  sed -i 's/^#define XML_DTD$/#define XML_DTD 1/' "$1/expat_config.h"
}

# SQLite's source package builds its one-file amalgamation with a host build
# step; the amalgamation is then compiled for Windows.
build_sqlite() {
  [ -f "$prefix/sqlite3.stamp" ] && return
  local work=$deps/build/sqlite3
  rm -rf "$work" && mkdir -p "$work" "$prefix/include" "$prefix/lib"
  (cd "$work" && quietly "$(echo "$deps"/src/sqlite3-*/configure)" --disable-tcl && quietly make -j2 sqlite3.c)
  x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -c "$work/sqlite3.c" -o "$work/sqlite3.o"
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3.o"
  cp "$work/sqlite3.h" "$prefix/include/"
  touch "$prefix/sqlite3.stamp"
}

fetch_sources
cmake_dependency pugixml "$(echo "$deps"/src/pugixml-*)" -DPUGIXML_BUILD_TESTS=OFF
after_configure=define_expat_dtd cmake_dependency expat "$(echo "$deps"/src/expat-*/expat)" -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
  -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_SHARED_LIBS=OFF
cmake_dependency googletest /usr/src/googletest -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF
cmake_dependency nlohmann-json "$(echo "$deps"/src/nlohmann-json3-*)" -DJSON_BuildTests=OFF
build_sqlite

# fluxa-cli-windows-x64.zip: the program with the product definitions, the
# sample firmware and the simulated bus for --demo.
make_zip() {
  local stage=$build/zip/fluxa-cli-windows-x64
  rm -rf "$build/zip" "$build/fluxa-cli-windows-x64.zip"
  mkdir -p "$stage/Firmware"
  x86_64-w64-mingw32-strip -o "$stage/fluxa-cli.exe" "$build/bin/fluxa-cli.exe"
  x86_64-w64-mingw32-strip -o "$stage/velmorsim.dll" "$build/bin/velmorsim.dll"
  cp "$top/simulator/scenarios/demo.txt" "$stage/demo-scenario.txt"
  cp -r "$top/data/Config" "$stage/Config"
  rm -f "$stage/Config/README.md"
  cp "$top"/data/Firmware/*.hex "$stage/Firmware/"
  sed 's/$/\r/' "$top/packaging/windows/README.txt" >"$stage/README.txt"
  (cd "$build/zip" && cmake -E tar cf "$build/fluxa-cli-windows-x64.zip" --format=zip fluxa-cli-windows-x64)
  echo "Made $build/fluxa-cli-windows-x64.zip"
}

# The project itself as scripts/build.sh builds it, for Windows: optimised as
# on Linux (-O2; GCC 12 warns wrongly about std::string at -O3), without debug
# information, as the build is for the tests and the zip. Without targets the
# zip is made too.
FLUXA_BUILD_DIR="$build" "$top/scripts/build.sh" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DFLUXA_BUILD_GUI=OFF -DFLUXA_BUILD_BENCH=OFF "$@"
targets_given=false
for argument in "$@"; do
  if [ "$argument" != "--" ] && [ "${argument#-D}" = "$argument" ]; then targets_given=true; fi
done
if ! $targets_given; then make_zip; fi
