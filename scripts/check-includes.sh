#!/usr/bin/env bash
# Checks which way the includes point, so that the layers stay testable without a window:
#   engine/    includes only engine/, platform/ and the standard library;
#   platform/  includes only platform/, the standard library and, in its sources, the OS (never wx);
#              its public headers only the standard library;
#   models     (the plain libraries behind the views, listed below) include no view, no app code
#              and no window library.
# Prints every offending line with the rule it breaks and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# Libraries of plain classes that tests drive without a display.
model_libraries="quorvel_view_models quorvel_pixel_kit quorvel_app_rules"

# A standard header has neither a slash nor an extension: <vector>, <cstdint>.
is_std() { [[ $1 != */* && $1 != *.* ]]; }

# The sources of a library named in some CMakeLists.txt, with the headers of the same names.
model_files() {
    local lib dir
    for lib in $model_libraries; do
        while IFS= read -r list; do
            dir=$(dirname "$list")
            awk -v lib="$lib" '
                $0 ~ "add_library\\(" lib "([ \\t]|$)" { inside = 1 }
                inside { for (i = 1; i <= NF; ++i) if ($i ~ /\.cpp\)?$/) { sub(/\)$/, "", $i); print $i } }
                inside && /\)/ { inside = 0 }' "$list" |
                while read -r source; do
                    echo "$dir/$source"
                    [ -f "$dir/${source%.cpp}.h" ] && echo "$dir/${source%.cpp}.h"
                done
        done < <(grep -l -r --include=CMakeLists.txt "add_library($lib" . | sed 's|^\./||')
    done
}

include_pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^>"]+)[>"]'
failures=0
complain() {
    echo "$1: $2 ($3)"
    failures=$((failures + 1))
}

# check FILE LAYER: applies the layer's rule to every #include of the file.
check() {
    local file=$1 layer=$2 number=0 line target
    while IFS= read -r line; do
        number=$((number + 1))
        [[ $line =~ $include_pattern ]] || continue
        target=${BASH_REMATCH[2]}
        if [[ ${BASH_REMATCH[1]} == '"' ]]; then
            case $layer in
            engine) [[ $target == engine/* || $target == platform/* ]] ||
                complain "$file:$number" "$line" "the engine includes only the engine and platform/" ;;
            platform*) [[ $target == platform/* ]] ||
                complain "$file:$number" "$line" "platform/ includes only itself" ;;
            model) [[ $target == engine/* || $target == platform/* || " $models " == *" $target "* ]] ||
                complain "$file:$number" "$line" "a model includes no view, window or app code" ;;
            esac
        else
            case $layer in
            engine | platform-header) is_std "$target" ||
                complain "$file:$number" "$line" "$([ $layer = engine ] && echo "the engine" || echo "a platform header") includes only the standard library" ;;
            platform) [[ $target != wx/* && $target != gtest/* && $target != gmock/* ]] ||
                complain "$file:$number" "$line" "platform/ includes no window or test library" ;;
            model) [[ $target != wx/* ]] ||
                complain "$file:$number" "$line" "a model includes no window library" ;;
            esac
        fi
    done <"$file"
}

models=$(model_files | sort -u | tr '\n' ' ')
while IFS= read -r file; do
    case $file in
    engine/*) check "$file" engine ;;
    platform/*/*) check "$file" platform ;;
    platform/*.h) check "$file" platform-header ;;
    platform/*) check "$file" platform ;;
    esac
done < <(find engine platform -name '*.cpp' -o -name '*.h' | sort)
for file in $models; do
    check "$file" model
done

if ((failures)); then
    echo "$failures include(s) point the wrong way."
    exit 1
fi
echo "includes point the right way (engine, platform and $(echo "$models" | wc -w) model files)"
