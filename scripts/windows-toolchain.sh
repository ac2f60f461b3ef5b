#!/usr/bin/env bash
# Installs the 32-bit Windows cross toolchain (MinGW-w64, posix threads) and Wine, and builds wxMSW
# 3.2 from Debian's own source package, static, into a cache folder outside the repository that is
# reused when present (keyed on the source version and the options). Prints the wx-config to use.
set -euo pipefail
cd "$(dirname "$0")/.."
cache_root=${QUORVEL_WX_CACHE:-/var/cache/quorvel}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update -qq
fi
bash scripts/deps.sh g++-mingw-w64-i686 libz-mingw-w64-dev wine wine32:i386 fonts-wine xvfb xauth dpkg-dev nsis >&2

# wxWidgets' source package needs deb-src entries. When the system has none, a twin of its Debian
# sources is written to a file of our own: from the one-line form (sources.list, *.list) or the
# deb822 form (*.sources), both of which Debian 12 uses. Only Debian's own archives are twinned, and
# the file appears only once it is complete, so an interrupted run leaves nothing half-made behind.
add_debian_source_twin() {
    local dir=/etc/apt/sources.list.d twin=/etc/apt/sources.list.d/quorvel-debian-src
    local one_line deb822
    rm -f "$twin.list" "$twin.sources"
    # A form that is not in use has no files: cat's complaint about them is no failure.
    one_line=$({ cat /etc/apt/sources.list "$dir"/*.list 2>/dev/null || true; } |
        awk '$1 == "deb" && /debian/ { $1 = "deb-src"; print }')
    deb822=$({ cat "$dir"/*.sources 2>/dev/null || true; } |
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /(^|\n)Types:[^\n]*deb([ \t]|\n|$)/ && /debian/ {
                 sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }')
    if [ -n "$one_line" ]; then
        printf '%s\n' "$one_line" >/etc/apt/quorvel-src.tmp && mv /etc/apt/quorvel-src.tmp "$twin.list"
    fi
    if [ -n "$deb822" ]; then
        printf '%s' "$deb822" >/etc/apt/quorvel-src.tmp && mv /etc/apt/quorvel-src.tmp "$twin.sources"
    fi
    if [ -z "$one_line$deb822" ]; then
        echo "No Debian archive found in the apt sources; cannot fetch wxWidgets' source package." >&2
        exit 1
    fi
    apt-get update -qq
}
if [ -z "$(apt-cache showsrc wxwidgets3.2 2>/dev/null)" ]; then
    add_debian_source_twin
fi

version=$(apt-cache showsrc wxwidgets3.2 | awk '/^Version:/ { print $2; exit }')
options="--host=i686-w64-mingw32 --disable-shared --with-msw --enable-unicode --with-cxx=20 --enable-aui
 --disable-debug-info --with-zlib=sys --without-libpng --disable-svg --without-libjpeg --without-libtiff
 --without-expat --without-liblzma --disable-webview --disable-mediactrl --disable-stc --disable-propgrid
 --disable-ribbon --disable-richtext"
key=$(echo "$version $options" | sha256sum | cut -c1-12)
prefix=$cache_root/wxmsw-$key

if [ ! -x "$prefix/bin/wx-config" ]; then
    echo "Building wxMSW $version into $prefix (about ten minutes on two cores)" >&2
    work=$(mktemp -d)
    (cd "$work" && apt-get source -qq wxwidgets3.2 >&2)
    source_dir=$(find "$work" -maxdepth 1 -type d -name 'wxwidgets3.2-*' | head -n 1)
    mkdir -p "$work/build"
    # wx-config of a cross build holds absolute paths: it is built straight into its cache place.
    (cd "$work/build" &&
        PKG_CONFIG_LIBDIR=/usr/i686-w64-mingw32/lib/pkgconfig \
            CC=i686-w64-mingw32-gcc-posix CXX=i686-w64-mingw32-g++-posix \
            "$source_dir/configure" $options --prefix="$prefix" >&2 &&
        make -j"$(nproc)" >&2 && make install >&2)
    rm -rf "$work"
fi
echo "$prefix/bin/wx-config"
