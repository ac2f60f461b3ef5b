#!/usr/bin/env bash
# Cross-builds the 32-bit Windows programs and their tests and runs them under Wine: the engine,
# platform and model tests; quorvel-scan.exe must find the same groups as the Linux quorvel-scan on
# a small tree; quorvel.exe must start with the caption "Pellucan", scan a small tree through its
# own commands, move the first row's file to the Recycle Bin (Wine's is the desktop's trash) through
# the list's Delete, copy and paste a row through the clipboard, select by rule (the first of each
# group, then those under a folder chosen in the picker), export the list as JSON, end through File > Exit, and leave
# its placement under HKEY_CURRENT_USER\Software\Orvo\Quorvel; its Help > About must show the dialog
# with this machine's processors and a ticking clock.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-setup.sh
cmake --build --preset win32 -j "$(nproc)"
# The Linux tool to compare with comes from the release build, which the run command also uses.
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target quorvel-scan

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

tree="$scratch/tree"
mkdir -p "$tree/a/sub" "$tree/b"
printf 'same text' >"$tree/a/one.txt"
printf 'same text' >"$tree/b/two.TXT"
printf 'other' >"$tree/a/sub/x.dat"
printf 'other' >"$tree/b/y.dat"
printf 'alone' >"$tree/b/z.dat"
ln "$tree/a/one.txt" "$tree/b/hard.txt"

echo "== Windows: engine, platform and model tests under Wine"
# The preset runs a failed test once more: under Wine a test process now and then crashes as it
# exits, after its test has passed. A test that fails twice still fails the run.
timeout 900 ctest --preset win32

echo "== quorvel-scan.exe against quorvel-scan"
build/release/bin/quorvel-scan "$tree" >"$scratch/linux.txt" 2>/dev/null
wine build/win32/bin/quorvel-scan.exe "Z:${tree//\//\\}" </dev/null 2>/dev/null | tr -d '\r' |
    sed -e 's|^Z:||' -e 's|\\|/|g' >"$scratch/windows.txt"
diff -u "$scratch/linux.txt" "$scratch/windows.txt"
echo "same groups: $(grep -c . "$scratch/linux.txt") paths"

echo "== quorvel.exe scans through its window, deletes one file and ends through File > Exit"
# A desktop session has its trash folders; Wine moves files into them but does not make them.
mkdir -p "$XDG_DATA_HOME/Trash/files" "$XDG_DATA_HOME/Trash/info"
QUORVEL_SMOKE_SCAN="Z:${tree//\//\\}" QUORVEL_SMOKE_REPORT="Z:${scratch//\//\\}\\report.txt" QUORVEL_SMOKE_DELETE=1 QUORVEL_SMOKE_EXPORT=1 \
    timeout 120 wine build/win32/bin/quorvel.exe </dev/null
tr -d '\r' <"$scratch/report.txt" >"$scratch/report-lf.txt"
printf 'Pellucan\nReady\nScan completed (5 files scanned, 4 duplicates found)\n4 rows\n' >"$scratch/expected.txt"
diff -u "$scratch/expected.txt" <(head -n 4 "$scratch/report-lf.txt")
deleted=$(sed -n 's/^deleted Z://p' "$scratch/report-lf.txt" | tr '\\' /)
test -n "$deleted"
test ! -e "$deleted"
test -e "$XDG_DATA_HOME/Trash/files/$(basename "$deleted")"
test "$(sed -n 6p "$scratch/report-lf.txt")" = "3 rows"
test "$(sed -n 7p "$scratch/report-lf.txt")" = "4 rows after Copy and Paste"
# The group that lost its first copy has one row left, which no rule takes; of the other, Keep Those
# Under a Folder selects the copy outside b, and Keep the First its second.
case "$(sed -n 8p "$scratch/report-lf.txt")" in "1 selected under a folder: 1 file selected, "*" in 1 group, keeping those under b") ;; *) exit 1 ;; esac
test "$(sed -n 9p "$scratch/report-lf.txt")" = "exported"
# The group with two rows then: the one left with one row has no duplicate to list.
python3 -c 'import json, sys; d = json.load(open(sys.argv[1], "rb")); assert d["group_count"] == 1, d' "$scratch/report.json"
test "$(sed -n 10p "$scratch/report-lf.txt")" = "1 selected by rule"
by_rule=$(sed -n 's/^deleted by rule Z://p' "$scratch/report-lf.txt" | tr '\\' /)
test -n "$by_rule"
test ! -e "$by_rule"
test -e "$XDG_DATA_HOME/Trash/files/$(basename "$by_rule")"
test "$(sed -n 12p "$scratch/report-lf.txt")" = "3 rows after the rule's Delete"
echo "deleted through the window: $deleted is in the trash and its row is gone; a row went through the clipboard;"
echo "Keep the First of Each Group selected $by_rule, and Delete moved it to the trash;"
echo "Keep Those Under a Folder took its folder from the picker, and Export Duplicates wrote the list as JSON"

echo "== quorvel.exe scans through its window and replaces a copy with a hard link"
links="$scratch/links"
mkdir -p "$links/a" "$links/b"
printf 'linked text' >"$links/a/same.txt"
printf 'linked text' >"$links/b/same.txt"
QUORVEL_SMOKE_SCAN="Z:${links//\//\\}" QUORVEL_SMOKE_REPORT="Z:${scratch//\//\\}\\links.txt" QUORVEL_SMOKE_REPLACE=1 \
    timeout 120 wine build/win32/bin/quorvel.exe </dev/null
tr -d '\r' <"$scratch/links.txt" >"$scratch/links-lf.txt"
replaced=$(sed -n 's/^replaced by a link Z://p' "$scratch/links-lf.txt" | tr '\\' /)
test -n "$replaced"
test "$(stat -c %h "$links/a/same.txt")" = 2
test "$(stat -c %i "$links/a/same.txt")" = "$(stat -c %i "$links/b/same.txt")"
test "$(cat "$replaced")" = "linked text"
grep -qx '1 rows after Replace with Hard Links' "$scratch/links-lf.txt"
grep -qx '1 file replaced by a link, 11 bytes freed' "$scratch/links-lf.txt"
echo "Replace with Hard Links made $replaced a second name of its copy: one file, link count 2"

echo "== quorvel.exe and quorvel-scan.exe leave out what the saved Scan Options name"
opts="$scratch/opts"
mkdir -p "$opts/a" "$opts/b" "$opts/c" "$opts/node_modules/m" "$opts/.hid"
for folder in a b c node_modules/m .hid; do printf 'option text' >"$opts/$folder/same.txt"; done
key='HKCU\Software\Orvo\Quorvel\ScanOptions'
# As the window saves them: a name in another letter case, a drive-letter path, and hidden folders.
wine reg add "$key" /v Folder0 /d NODE_MODULES /f </dev/null >/dev/null 2>&1
wine reg add "$key" /v Folder1 /d "Z:${opts//\//\\}\\c" /f </dev/null >/dev/null 2>&1
wine reg add "$key" /v Hidden /d 1 /f </dev/null >/dev/null 2>&1
QUORVEL_SMOKE_SCAN="Z:${opts//\//\\}" QUORVEL_SMOKE_REPORT="Z:${scratch//\//\\}\\opts.txt" \
    timeout 120 wine build/win32/bin/quorvel.exe </dev/null
tr -d '\r' <"$scratch/opts.txt" >"$scratch/opts-lf.txt"
# The folders of the runs before are still listed; what they hold is no longer duplicated.
case "$(sed -n 3p "$scratch/opts-lf.txt")" in "Scan completed ("*" files scanned, 2 duplicates found)") ;; *) exit 1 ;; esac
test "$(sed -n 4p "$scratch/opts-lf.txt")" = "2 rows"
wine build/win32/bin/quorvel-scan.exe --saved-options "Z:${opts//\//\\}" </dev/null 2>/dev/null | tr -d '\r' |
    sed -e 's|^Z:||' -e 's|\\|/|g' >"$scratch/opts-tool.txt"
printf '%s\n' "$opts/a/same.txt" "$opts/b/same.txt" "" | diff -u - "$scratch/opts-tool.txt"
wine reg delete "$key" /f </dev/null >/dev/null 2>&1
echo "the copies under node_modules (named NODE_MODULES), under a folder named by drive letter and under a hidden folder were left out"

echo "== quorvel.exe opens Help > About, waits for its clock to tick and closes it with OK"
QUORVEL_SMOKE_ABOUT="Z:${scratch//\//\\}\\about.txt" QUORVEL_SMOKE_ABOUT_PICTURE="Z:${scratch//\//\\}\\about.bmp" \
    timeout 120 wine build/win32/bin/quorvel.exe </dev/null
tr -d '\r' <"$scratch/about.txt" >"$scratch/about-lf.txt"
printf '%s\n' "About Quorvel" "https://quorvel.example.org/ -> https://quorvel.example.org/" \
    "email: support@quorvel.example.org -> mailto:support@quorvel.example.org" "clock ticked" \
    "one line per line in the box" "OK has the focus" >"$scratch/about-expected.txt"
head -n 6 "$scratch/about-lf.txt" | diff -u "$scratch/about-expected.txt" -
grep -Eq '^ CPU: .+' "$scratch/about-lf.txt"
grep -Eq '^ Number of CPUs: [1-9]' "$scratch/about-lf.txt"
grep -Eq '^ \* CPU 0 speed: ~[1-9][0-9]*MHz$' "$scratch/about-lf.txt"
cp "$scratch/about.bmp" build/win32/about.bmp

QUORVEL_SCREENSHOT="Z:${scratch//\//\\}\\window.bmp" timeout 120 wine build/win32/bin/quorvel.exe </dev/null
test -s "$scratch/window.bmp"
cp "$scratch/window.bmp" build/win32/screenshot.bmp
wineserver -k # the registry reaches user.reg when the server stops
wineserver -w
grep -q '^\[Software\\\\Orvo\\\\Quorvel\\\\MainFrame\]' "$WINEPREFIX/user.reg"
echo "Windows: the scan went as on Linux, the placement is in the registry, the window is in build/win32/screenshot.bmp"
