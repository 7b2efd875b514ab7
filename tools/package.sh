#!/usr/bin/env bash
# Builds the Debian package into build/ and prints its path. The program is built for the package
# in a tree of its own (build/package: Release, no tests), whatever build/ itself is set up for.
# Only the path goes to standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh >&2
# Debian's hardening flags. Warnings stay warnings here: a newer compiler on a user's machine
# must not fail the build. No -g: the package ships stripped binaries.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTAVLIN_BUILD_TESTS=OFF -DTAVLIN_BUILD_BENCH=OFF -DTAVLIN_WERROR=OFF \
    -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS | sed 's/-g //')" \
    -DCMAKE_C_FLAGS="$(flags CPPFLAGS) $(flags CFLAGS | sed 's/-g //')" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
if grep -qE -- '-Werror( |")' build/package/compile_commands.json; then
    echo "the package build would turn warnings into errors" >&2
    exit 1
fi
cmake --build build/package >&2
rm -f build/tavlin_*.deb
cpack --config build/package/CPackConfig.cmake -B "$PWD/build" >/dev/null
rm -rf build/_CPack_Packages

deb=$(ls build/tavlin_*.deb)
# A missing install rule still makes a package; catch it here rather than on a user's machine.
contents=$(dpkg-deb --contents "$deb")
for wanted in ./usr/bin/tavlin ./usr/share/applications/tavlin.desktop \
              ./usr/share/icons/hicolor/scalable/apps/tavlin.svg \
              ./usr/share/icons/hicolor/48x48/apps/tavlin.png \
              ./usr/share/man/man1/tavlin.1.gz ./usr/share/doc/tavlin/copyright \
              ./usr/share/doc/tavlin/changelog.Debian.gz \
              ./usr/share/bash-completion/completions/tavlin \
              ./usr/share/zsh/vendor-completions/_tavlin \
              ./usr/share/gnome-shell/extensions/tavlin@tavlin.github.io/extension.js \
              ./usr/share/gnome-shell/extensions/tavlin@tavlin.github.io/metadata.json; do
    grep -q " $wanted\$" <<<"$contents" || { echo "$deb lacks $wanted" >&2; exit 1; }
done
version=$(dpkg-deb -f "$deb" Version)
logged=$(dpkg-parsechangelog -l packaging/changelog -S Version)
[[ $logged == "$version" ]] || { echo "packaging/changelog ends at $logged, not $version" >&2; exit 1; }
pictures=$(grep -cE ' \./usr/share/tavlin/backdrops/bg-[^/]+\.(jpeg|webp)$' <<<"$contents" || true)
[[ $pictures -eq 24 ]] || { echo "$deb holds $pictures pictures, not 24" >&2; exit 1; }
echo "$deb"
