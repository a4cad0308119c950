#!/usr/bin/env bash
# Sets up a Corvatine build on Debian: installs the packages the build needs
# when they are missing, then configures and builds.
#
#   ./setup.sh              build in build/ (optimised, with debug information)
#   ./setup.sh --sanitize   build in build-asan/ with AddressSanitizer and
#                           UndefinedBehaviorSanitizer, with clang
#   ./setup.sh --tsan       build in build-tsan/ with ThreadSanitizer, with clang
#   ./setup.sh --release    build in build-release/ the way packagers build
#                           (Release: -O3, no debug information)
#   ./setup.sh --bench      also build the benchmarks under bench/
#   ./setup.sh --fuzz       build the fuzz targets as libFuzzer programs with
#                           clang in build-fuzz/ (tests/fuzz/README.md)
#   ./setup.sh --package    also make the Debian package corvatine_VERSION_ARCH.deb
#                           in the build folder and check it with lintian
#
# CORVATINE_WERROR=ON in the environment makes compiler warnings errors (CI);
# CORVATINE_LINE_TABLES=ON keeps only line tables as debug information (CI);
# CORVATINE_TARGETS="a b" builds only those targets (and what they need).
set -euo pipefail
cd "$(dirname "$0")"

build_dir=build
build_type=RelWithDebInfo
sanitize=OFF
tsan=OFF
bench=OFF
fuzz=OFF
make_package=OFF
clang=OFF
for arg in "$@"; do
  case "$arg" in
    --sanitize) build_dir=build-asan; build_type=Debug; sanitize=ON; clang=ON ;;
    --tsan) build_dir=build-tsan; build_type=RelWithDebInfo; tsan=ON; clang=ON ;;
    --release) build_dir=build-release; build_type=Release ;;
    --bench) bench=ON ;;
    --fuzz) build_dir=build-fuzz; build_type=RelWithDebInfo; fuzz=ON; clang=ON ;;
    --package) make_package=ON ;;
    *) echo "setup.sh: unknown argument '$arg'" >&2; exit 2 ;;
  esac
done
cmake_args=(-DCMAKE_BUILD_TYPE=$build_type -DCORVATINE_SANITIZE=$sanitize -DCORVATINE_TSAN=$tsan -DCORVATINE_BENCHMARKS=$bench
            -DCORVATINE_WERROR=${CORVATINE_WERROR:-OFF} -DCORVATINE_LINE_TABLES=${CORVATINE_LINE_TABLES:-OFF})
# ccache keeps every object compiled; a build with flags seen before (a
# rebuild, another checkout, a second run on the same machine) takes them
# from there. Objects compiled with a precompiled header are kept too: ccache
# takes the header's own time stamps and macros as they are.
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
  launcher="env;CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime;ccache"
  cmake_args+=(-DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# The package installs under /usr: paths made at configure time name it.
if [ "$make_package" = ON ]; then cmake_args+=(-DCMAKE_INSTALL_PREFIX=/usr); fi
if [ "$fuzz" = ON ]; then
  # Only the fuzz targets and what they link; clang brings libFuzzer.
  cmake_args+=(-DCORVATINE_FUZZ=ON -DCORVATINE_TESTS=OFF)
fi
# The instrumented builds use clang: it compiles them in little more than half
# GCC's time, and its warnings are a second opinion on the code.
if [ "$clang" = ON ]; then cmake_args+=(-DCMAKE_CXX_COMPILER=clang++); fi

# zlib: CRC-32 of folder comparisons; the mingw-w64 binutils build the Windows
# program files that the version-resource tests read; Qt 6 Widgets (with
# QTest) and a font make the window, which its tests draw offscreen. The
# Nautilus and Thunar extension packages build the file managers' modules of
# the context menu (pkg-config finds them); git, Subversion and Mercurial run
# the integration tests with real clients. python3 makes the man page and the
# completions from the usage text; dpkg-dev (dpkg-shlibdeps) and file let
# CPack make the Debian package that a test unpacks. uchardet guesses the
# encoding of a text file that is not valid UTF-8. libarchive reads archives
# as folders, entry by entry as streams; its bsdtar and bsdcpio, and cpio,
# make the archives its tests compare. ccache keeps compiled objects between
# builds, and lld links the test programs in a fraction of GNU ld's time.
packages=(cmake ninja-build g++ ccache lld libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev libtinyxml2-dev zlib1g-dev libuchardet-dev libarchive-dev clang-format
          libarchive-tools cpio
          binutils-mingw-w64-x86-64 qt6-base-dev fonts-dejavu-core
          pkg-config libnautilus-extension-dev libthunarx-3-dev
          git subversion mercurial python3 dpkg-dev file)
# The benchmarks run rsync as the peer of synchronisation and GNU
# source-highlight as the peer of the HTML export, and GNU time measures peak
# memory.
if [ "$bench" = ON ]; then packages+=(rsync time source-highlight); fi
# The sanitizers' runtimes and libFuzzer come with clang's runtime libraries.
if [ "$clang" = ON ]; then packages+=(clang libclang-rt-14-dev); fi
# The package is checked as Debian checks packages, and the desktop entry as
# freedesktop.org's tools read it.
if [ "$make_package" = ON ]; then packages+=(lintian desktop-file-utils); fi
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if ((${#missing[@]})); then
  echo "setup.sh: installing ${missing[*]}" >&2
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "setup.sh: need root or sudo to install ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  if ! "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
    "${sudo[@]}" apt-get update
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
  fi
fi

cmake -S . -B "$build_dir" -G Ninja "${cmake_args[@]}" >/dev/null
# CORVATINE_TARGETS names the targets to build when not all are wanted.
# shellcheck disable=SC2086
cmake --build "$build_dir" -j2 ${CORVATINE_TARGETS:+--target $CORVATINE_TARGETS}

if [ "$make_package" = ON ]; then
  (cd "$build_dir" && cpack -G DEB)
  # Errors fail; warnings are printed.
  for deb in "$build_dir"/*.deb; do lintian "$deb"; done
  echo "setup.sh: install with: sudo apt install ./$build_dir/corvatine_*.deb" >&2
fi
