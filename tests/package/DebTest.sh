#!/usr/bin/env bash
# Makes the Debian package from the build (no second compile), checks its
# control data, unpacks it into a temporary root and runs the program from
# there. With lintian installed (./setup.sh --package), lintian must report no
# error in any package made.
#
#   DebTest.sh BUILD_DIR
set -u
build=$1
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (./setup.sh installs it)"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CORVATINE_CONFIG_DIR=$work/config TZ=UTC
unset DISPLAY WAYLAND_DISPLAY
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

if ! (cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$work/out/corvatine_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
  ls "$work/out"
  echo "FAIL: no $deb"
  exit 1
fi

# Control data.
dpkg-deb --info "$deb" >"$work/info"
field() { sed -n "s/^ $1: //p" "$work/info"; }
[ "$(field Package)" = corvatine ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Section)" = devel ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
grep -q '^  ' "$work/info" || fail "the Description has no long text"
depends=$(field Depends)
# dpkg-shlibdeps names the packages of the libraries the programs link.
for package in libc6 libstdc++6 libtinyxml2 zlib1g libuchardet0 libarchive13; do
  [[ $depends == *"$package"* ]] || fail "Depends lacks $package: $depends"
done
if [ -x "$build/corvatine-gui" ]; then
  [[ $depends == *libqt6widgets6* ]] || fail "Depends lacks libqt6widgets6: $depends"
fi
# The file-manager adapters are packages of their own: their libraries are
# never dependencies of the program.
[[ $depends == *nautilus* || $depends == *thunarx* ]] && fail "Depends names a file manager's library: $depends"
# "Compare To..." asks in the program's own window (corvatine-gui, in the
# program's package), never through a dialog program beside it.
for other in "$work/out"/*.deb; do
  relations=$(dpkg-deb --field "$other" Depends Recommends Suggests)
  [[ $relations == *zenity* || $relations == *kdialog* ]] &&
    fail "$(basename "$other") names a dialog program: $relations"
done
if [ -x "$build/corvatine-gui" ] && ls "$work/out"/corvatine-nautilus_*.deb >/dev/null 2>&1; then
  dpkg-deb --contents "$deb" | grep -q ' \./usr/bin/corvatine-gui$' ||
    fail "the program's package lacks corvatine-gui, which the Nautilus module's Compare To... needs"
fi
for other in "$work/out"/corvatine-*_"$version"_*.deb; do
  [ -e "$other" ] || continue
  [[ $(dpkg-deb --field "$other" Depends) == *"corvatine (= $version)"* ]] ||
    fail "$(basename "$other") does not depend on corvatine (= $version)"
done

# Contents: the documentation lintian asks for, and no file of the build tree.
dpkg-deb --contents "$deb" | awk '{ print $6 }' >"$work/contents"
for file in ./usr/bin/corvatine ./usr/share/doc/corvatine/copyright ./usr/share/doc/corvatine/changelog.gz \
            ./usr/share/man/man1/corvatine.1.gz ./usr/share/applications/corvatine.desktop \
            ./usr/share/bash-completion/completions/corvatine ./usr/share/zsh/vendor-completions/_corvatine; do
  grep -qxF "$file" "$work/contents" || fail "the package lacks $file"
done
grep -v '^\./usr/' "$work/contents" | grep -vx '\./' && fail "the package holds files outside /usr"

dpkg-deb -x "$deb" "$work/root"
# No file but a program names the build or source folder (a path baked in at
# configure time would lead nowhere once installed).
source=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
while IFS= read -r -d '' file; do
  head -c 4 "$file" | grep -q 'ELF' && continue
  if zcat -f "$file" | grep -qF -e "$(realpath "$build")" -e "$source"; then
    fail "${file#"$work/root"} names the build or source folder"
  fi
done < <(find "$work/root" -type f -print0)

# Unpacked, the program runs and compares.
program=$work/root/usr/bin/corvatine
got=$("$program" --version 2>&1)
[ "$(head -n 1 <<<"$got")" = "corvatine $version" ] || fail "the unpacked corvatine --version printed '$got'"
grep -q '^Licensed under the MIT licence' <<<"$got" || fail "the unpacked corvatine --version names no licence"
# The copyright file is machine-readable and gives the licence the program names.
copyright=$work/root/usr/share/doc/corvatine/copyright
head -n 1 "$copyright" | grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in the machine-readable format"
grep -qx 'License: Expat' "$copyright" || fail "the copyright file does not give the MIT (Expat) licence"
printf 'same\nold\n' >"$work/left.txt"
printf 'same\nnew\n' >"$work/right.txt"
"$program" --no-gui --format=unified --context=0 "$work/left.txt" "$work/right.txt" >"$work/diff.out" 2>&1
status=$?
[ "$status" = 1 ] || fail "the unpacked program's comparison exited with $status, not 1: $(cat "$work/diff.out")"
if ! diff <(grep -v '^[-+][-+][-+] ' "$work/diff.out") <(printf '%s\n' '@@ -2 +2 @@' '-old' '+new'); then
  fail "the unpacked program's comparison printed other lines"
fi
"$program" --no-gui "$work/left.txt" "$work/left.txt" >/dev/null 2>&1
status=$?
[ "$status" = 0 ] || fail "comparing a file with itself exited with $status"

if command -v lintian >/dev/null; then
  for package in "$work/out"/*.deb; do
    lintian "$package" >"$work/lintian" 2>&1
    cat "$work/lintian"
    grep -q '^E: ' "$work/lintian" && fail "lintian reports errors in $(basename "$package")"
  done
fi

[ "$failures" = 0 ] && echo "PASS: the package $(basename "$deb") installs a working program"
[ "$failures" = 0 ]
