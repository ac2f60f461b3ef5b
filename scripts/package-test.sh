#!/usr/bin/env bash
# Builds the Debian package and checks it as a user's machine sees it: the desktop entry, the
# software-centre data and the project file type are valid; the package installs with apt-get;
# the programs, the manual page, the file type and its default application work from the system's
# own folders; and removing the package leaves nothing of it in /usr. The package is removed again
# whatever happens, so the machine is as before once this ends.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/display.sh
bash scripts/deps.sh $(cat scripts/packages.txt)
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
rm -f build/package/quorvel_*.deb
cpack --preset deb >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
deb=build/package/quorvel_${version}_$(dpkg --print-architecture).deb
test -f "$deb"
app_id=org.example.quorvel

scratch=$(mktemp -d)
installed=
cleanup() {
    if [ -n "$installed" ]; then
        apt-get -o DPkg::Lock::Timeout=600 purge -y -qq quorvel >/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

echo "== package: the installed files are valid"
stage=$scratch/stage
cmake --install build/release --prefix "$stage" >/dev/null
desktop-file-validate "$stage/share/applications/$app_id.desktop"
appstreamcli validate --no-net --pedantic "$stage/share/metainfo/$app_id.metainfo.xml" >/dev/null
xmllint --noout "$stage/share/mime/packages/$app_id.xml"
for size in 16 24 32 48 64 128 256; do
    for icon in apps/$app_id mimetypes/application-x-quorvel-project; do
        file "$stage/share/icons/hicolor/${size}x$size/$icon.png" | grep -q "PNG image data, $size x $size, 8-bit/color RGBA"
    done
done
# Every option that the tool's usage lists has its paragraph in the manual page.
man_page=$(MANWIDTH=200 man -l "$stage/share/man/man1/quorvel-scan.1" 2>/dev/null)
for option in $("$stage/bin/quorvel-scan" --help | sed -n 's/^  \(-[a-z0-9], \)\?\(--[a-z0-9-]*\).*/\2/p'); do
    grep -qE "^ +(-[a-z0-9], )?$option( |$)" <<<"$man_page" || {
        echo "quorvel-scan(1) does not describe $option"
        exit 1
    }
done

echo "== package: $deb installs"
if dpkg -s quorvel >/dev/null 2>&1; then
    echo "quorvel is installed already (left by an interrupted run?): removing it first"
    apt-get -o DPkg::Lock::Timeout=600 purge -y -qq quorvel >/dev/null
fi
installed=1
apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "./$deb" >/dev/null
test "$(command -v quorvel-scan)" = /usr/bin/quorvel-scan
test "$(quorvel-scan --version)" = "quorvel-scan $version"
mkdir -p "$scratch/tree/a" "$scratch/tree/b"
printf 'same' >"$scratch/tree/a/one.txt"
printf 'same' >"$scratch/tree/b/two.txt"
test "$(quorvel-scan "$scratch/tree" 2>/dev/null)" = "$scratch/tree/a/one.txt
$scratch/tree/b/two.txt"
test "$(man -w quorvel-scan)" = /usr/share/man/man1/quorvel-scan.1

# The desktop's view, through a user of its own: the type by name (the MIME database that the
# package's trigger rebuilt) and the program that opens it (the desktop entries' cache).
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_DATA_HOME=$scratch/home/.local/share
export XDG_DATA_DIRS=/usr/share XDG_CONFIG_DIRS=/etc/xdg XDG_CURRENT_DESKTOP=GNOME
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
printf '%s\r\n' "$scratch/tree/a" "$scratch/tree/b" >"$scratch/two.qvlprj"
test "$(xdg-mime query filetype "$scratch/two.qvlprj")" = application/x-quorvel-project
test "$(xdg-mime query default application/x-quorvel-project)" = "$app_id.desktop"

# The window program starts from /usr/bin with the project a double-click would give it.
QUORVEL_SCREENSHOT=$scratch/window.png on_display quorvel "$scratch/two.qvlprj"
test -s "$scratch/window.png"
grep -q "^Folder1=$scratch/tree/b\$" "$XDG_CONFIG_HOME/Quorvel.conf"

echo "== package: removing it leaves nothing behind"
apt-get -o DPkg::Lock::Timeout=600 purge -y -qq quorvel >/dev/null
installed=
left=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print substr($6, 2) }' | while read -r path; do
    if [ -e "$path" ]; then echo "$path"; fi
done)
left+=$(grep -l "$app_id\|x-quorvel-project" /usr/share/applications/mimeinfo.cache /usr/share/mime/mime.cache || true)
if [ -n "$left" ]; then
    printf 'left in /usr after removal:\n%s\n' "$left"
    exit 1
fi
echo "The package installed, worked from /usr and was removed again: $deb"
