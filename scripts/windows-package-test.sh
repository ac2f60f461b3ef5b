#!/usr/bin/env bash
# Makes the Windows installer and zip from the cross build and checks them as a Windows machine sees
# them, under Wine in a prefix of its own: both programs carry their version; the installer runs
# silently and puts both programs into Program Files with a Start menu entry; the registry holds the
# project file type and the uninstall entry; quorvel-scan.exe answers from there; a project file
# opened through the shell starts Quorvel with its folders; and the silent uninstaller takes
# everything away again.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-setup.sh
cmake --build --preset win32 -j "$(nproc)" --target quorvel-packages
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
installer=build/win32/quorvel-$version-setup.exe
zip=build/win32/quorvel-$version-win32.zip

echo "== Windows package: version resources and the zip"
for program in quorvel quorvel-scan; do
    resource=$(strings -el "build/win32/bin/$program.exe")
    for text in "$version" Quorvel "$program.exe"; do
        grep -qx "$text" <<<"$resource" || {
            echo "$program.exe: no \"$text\" in its version resource"
            exit 1
        }
    done
done
diff <(cmake -E tar tf "$zip" | grep -v '/$' | sort) \
    <(printf "quorvel-$version-win32/%s\n" LICENSE.txt README.md quorvel-scan.exe quorvel.exe | sort)

scratch=$(mktemp -d)
export WINEPREFIX="$scratch/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
mkdir -p "$HOME"
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
# The server first, or the pipe its services inherit keeps a caller waiting.
mkdir -p "$WINEPREFIX"
wineserver -p120
wine cmd /c exit </dev/null >/dev/null 2>&1

# `reg query` of one value: its data, or nothing when the key or value is missing.
reg_value() {
    local which=(/ve)
    if [ -n "${2:-}" ]; then which=(/v "$2"); fi
    wine reg query "$1" "${which[@]}" 2>/dev/null </dev/null | tr -d '\r' | sed -n 's/^ *[^ ].*REG_[A-Z_]* *//p'
}
program_files="$WINEPREFIX/drive_c/Program Files/Quorvel"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorvel.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel'

echo "== Windows package: silent install"
timeout 300 wine "$installer" /S </dev/null
for file in quorvel.exe quorvel-scan.exe uninstall.exe README.md LICENSE.txt; do
    test -f "$program_files/$file"
done
test -f "$start_menu"
test "$(reg_value 'HKCR\.qvlprj')" = Quorvel.Project
test "$(reg_value 'HKCR\Quorvel.Project\shell\open\command')" = '"C:\Program Files\Quorvel\quorvel.exe" "%1"'
test "$(reg_value "$uninstall_key" DisplayName)" = Quorvel
test "$(reg_value "$uninstall_key" DisplayVersion)" = "$version"
test "$(reg_value "$uninstall_key" UninstallString)" = '"C:\Program Files\Quorvel\uninstall.exe"'
test "$(wine 'C:\Program Files\Quorvel\quorvel-scan.exe' --version </dev/null | tr -d '\r')" = "quorvel-scan $version"

# A double-click on a project file: the shell finds the program through the registered type, and the
# window's own scan (an empty folder added to the project's two) finds the project's duplicates.
windows_path() { echo "Z:${1//\//\\}"; }
mkdir -p "$scratch/tree/a" "$scratch/tree/b" "$scratch/empty"
printf 'same' >"$scratch/tree/a/one.txt"
printf 'same' >"$scratch/tree/b/two.txt"
printf '%s\r\n' "$(windows_path "$scratch/tree/a")" "$(windows_path "$scratch/tree/b")" >"$scratch/two.qvlprj"
QUORVEL_SMOKE_SCAN=$(windows_path "$scratch/empty") QUORVEL_SMOKE_REPORT=$(windows_path "$scratch/report.txt") \
    timeout 120 wine start /wait "$(windows_path "$scratch/two.qvlprj")" </dev/null
test "$(tr -d '\r' <"$scratch/report.txt" | sed -n 3,4p)" = "Scan completed (2 files scanned, 2 duplicates found)
2 rows"

echo "== Windows package: silent uninstall"
# The uninstaller runs on in a copy of itself in the temporary folder after the first process has
# ended: its last step, removing the uninstall entry, is awaited (for two minutes at most).
timeout 300 wine 'C:\Program Files\Quorvel\uninstall.exe' /S </dev/null
for _ in $(seq 600); do
    if [ -z "$(reg_value "$uninstall_key" DisplayName)" ]; then break; fi
    sleep 0.2
done
test ! -e "$program_files"
test ! -e "$start_menu"
test -z "$(reg_value 'HKCR\.qvlprj')"
test -z "$(reg_value 'HKCR\Quorvel.Project\shell\open\command')"
test -z "$(reg_value "$uninstall_key" DisplayName)"
echo "Windows: the installer installed, registered and uninstalled cleanly: $installer; the zip: $zip"
