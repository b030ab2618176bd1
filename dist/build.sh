#!/usr/bin/env bash
# make dist: every file of a release, named with the version, in build/dist:
# the Windows zip, the Linux x86-64 and ARM64 tarballs, the Debian package,
# the browser site (when emscripten and web/node_modules are there) and
# SHA256SUMS over them. Archives are reproducible: fixed times, owners and
# order.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
version=$(sed -n 's/^project(gyre VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "dist: no version in CMakeLists.txt" >&2; exit 1; }
out=$root/build/dist
stage=$root/build/dist-stage
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
rm -rf "$out" "$stage"
mkdir -p "$out" "$stage"

command -v zip >/dev/null 2>&1 || bash .ci/install-deps zip
make windows linux arm
make deb

# A folder packed as NAME.tar.gz with NAME at its top.
pack_tar() {
    tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" \
        -cf - "$1" | gzip -9n >"$out/$1.tar.gz"
}

# Windows: text files with CR LF, so that Notepad shows their lines.
name=gyre-$version-windows-x86_64
mkdir "$stage/$name"
x86_64-w64-mingw32-strip -o "$stage/$name/gyre.exe" build/windows/gyre.exe
sed "s/@VERSION@/$version/; s/\$/\r/" dist/README-windows.txt.in >"$stage/$name/README.txt"
sed 's/$/\r/' LICENSE >"$stage/$name/LICENSE"
touch -d "@$SOURCE_DATE_EPOCH" "$stage/$name"/*
(cd "$stage/$name" && zip -q -X -9 "$out/$name.zip" gyre.exe README.txt LICENSE)

# Linux: the engine, its manual page (man ./gyre.6), README and LICENSE.
for arch in x86_64:linux:strip aarch64:arm:aarch64-linux-gnu-strip; do
    IFS=: read -r machine dir strip <<<"$arch"
    name=gyre-$version-linux-$machine
    mkdir "$stage/$name"
    "$strip" -o "$stage/$name/gyre" "build/$dir/gyre"
    cp "build/$dir/gyre.6" README.md LICENSE "$stage/$name/"
    pack_tar "$name"
done

cp "gyre_${version}_$(dpkg --print-architecture).deb" "$out/"

if command -v em++ >/dev/null 2>&1 && [ -d web/node_modules ]; then
    make web
    name=gyre-$version-web
    cp -r build/site "$stage/$name"
    pack_tar "$name"
else
    echo "dist: no emscripten or no web/node_modules: the web archive is left out (make web installs both)"
fi

rm -rf "$stage"
(cd "$out" && sha256sum -- * >SHA256SUMS)
echo "dist: $out"
(cd "$out" && stat -c '%n %s bytes' -- *)
