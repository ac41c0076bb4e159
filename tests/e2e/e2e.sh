#!/usr/bin/env bash
# The shell side of the end-to-end tests, run by ctest. Each test group gets a fresh 32-bit
# Wine prefix with a 1920x1080 virtual desktop and its own screen DPI, on an X display of
# its own (Xvfb, started when none answers). The driver runs its cases inside that prefix;
# when it asks for a screenshot (a NAME.want file holding the window's geometry) this script
# takes it from the X root window.
#
#   e2e.sh display-start | display-stop
#   e2e.sh prefix GROUP DPI [WxH]  fresh prefix for the group (virtual desktop 1920x1080)
#   e2e.sh run GROUP CASE ARGS   the driver's case in the group's prefix
#   e2e.sh stop GROUP            ends every process of the group's prefix
#   e2e.sh picture GROUP NAME    a picture of the prefix's registry and files
#   e2e.sh compare GROUP BEFORE AFTER EXPECTED   the changes between two pictures
#
# Environment (set by tests/e2e/tests.cmake): E2E_ROOT (prefixes), E2E_DISPLAY, E2E_DRIVER,
# E2E_SHOTS (screenshot folder). E2E_TEMPLATE, when set, is the pristine prefix to start from
# instead of E2E_ROOT/template, e.g. another build tree's, which saves making one.
set -uo pipefail

: "${E2E_ROOT:?}" "${E2E_DISPLAY:?}"
# Prefix kind, loader, quiet Wine, fonts, screen settings and the X server: scripts/lib/wine.sh
# (CORVALE_WINE_ARCH=win64: 64-bit prefixes, for the 64-bit test build).
wine_lib=$(cd "$(dirname "$0")/../../scripts/lib" && pwd)/wine.sh
source "$wine_lib"
export DISPLAY=$E2E_DISPLAY
unset WAYLAND_DISPLAY

mkdir -p "$E2E_ROOT"
display_number=${E2E_DISPLAY#:}
display_number=${display_number%%.*}
xvfb_pid_file=$E2E_ROOT/xvfb-$display_number.pid
# One driver at a time per display, also across build trees: screenshots and window focus
# belong to whichever virtual desktop is on top.
display_lock=/tmp/corvale-e2e-display-$display_number.lock

ensure_display() {
    wine_x_display "$E2E_DISPLAY" || return 1
    [ -z "$WINE_XVFB_PID" ] || echo "$WINE_XVFB_PID" >"$xvfb_pid_file"
}

stop_display() {
    [ -f "$xvfb_pid_file" ] || return 0
    local pid
    pid=$(cat "$xvfb_pid_file")
    rm -f "$xvfb_pid_file"
    # Only the server this harness started, and only while no driver uses it.
    (
        flock 9
        kill "$pid" 2>/dev/null
    ) 9>"$display_lock"
    return 0
}

group_prefix() {
    echo "$E2E_ROOT/$1"
}

# A pristine prefix, made once per build tree, prefix kind, Wine version and set-up; groups start
# from copies of it, which takes a second instead of the ten of a new prefix.
template=${E2E_TEMPLATE:-$E2E_ROOT/template}
ensure_template() {
    local stamp version
    # The set-up is scripts/lib/wine.sh's: any change to it makes the template anew.
    version="$WINEARCH $("$WINE" --version) fonts:$(ls "$wine_fonts" 2>/dev/null | wc -l) set-up:$(sha256sum <"$wine_lib" | cut -c1-16)"
    stamp=$template/.e2e-template
    (
        flock 8
        if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$version" ]; then
            rm -rf "$template"
            wine_make_prefix "$template" && wine_install_fonts "$template" || exit 1
            echo "$version" >"$stamp"
        fi
    ) 8>"$template.lock"
}

make_prefix() {
    local group=$1 dpi=$2 desktop=${3:-1920x1080} prefix entry
    prefix=$(group_prefix "$group")
    ensure_template || return 1
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
    mkdir -p "$prefix/drive_c/windows"
    # The system's own files are never written by a test: hard links. Everything else, the
    # registry files included, is copied.
    for entry in "$template"/* "$template"/.update-timestamp; do
        [ -e "$entry" ] || continue
        [ "$(basename "$entry")" = drive_c ] && continue
        cp -a "$entry" "$prefix/"
    done
    for entry in "$template"/drive_c/*; do
        [ "$(basename "$entry")" = windows ] && continue
        cp -a "$entry" "$prefix/drive_c/"
    done
    for entry in "$template"/drive_c/windows/*; do
        case $(basename "$entry") in
        system32 | syswow64 | winsxs) cp -al "$entry" "$prefix/drive_c/windows/" 2>/dev/null || cp -a "$entry" "$prefix/drive_c/windows/" ;;
        *) cp -a "$entry" "$prefix/drive_c/windows/" ;;
        esac
    done
    # The template's user folders are its own (wine_make_prefix), and so are the copies'.
    wine_screen "$prefix" "$dpi" "$desktop" || return 1
    echo "$dpi" >"$prefix/e2e-dpi"
}

# Takes every screenshot the driver asked for: NAME.want holds WxH+X+Y of its window.
serve_screenshots() {
    local want name
    for want in "$E2E_SHOTS"/*.want; do
        [ -e "$want" ] || continue
        name=${want%.want}
        import -display "$E2E_DISPLAY" -window root -crop "$(cat "$want")" +repage "$name.tmp.png" &&
            mv "$name.tmp.png" "$name.png"
        rm -f "$want"
    done
}

# drive PREFIX LOG ARGS: one run of the driver, its output shown as it comes and kept in LOG,
# the screenshots it asks for taken meanwhile.
drive() {
    local prefix=$1 log=$2 status
    shift 2
    WINEPREFIX=$prefix wine_run_logged "$log" serve_screenshots "$WINE" "$E2E_DRIVER" "$@"
    status=$?
    rm -f "$E2E_SHOTS"/*.want
    return $status
}

# The driver's first line names its case, before it touches anything. A driver has been seen
# to end within a tenth of a second with no output at all, Wine's error messages being off: a
# run that ended before that line never began its case, and runs once more with Wine's error
# messages on, so that a second such end says why. A driver that got as far as its first line
# is never run again.
run_case() {
    local group=$1 case=$2 prefix dpi log status
    shift 2
    prefix=$(group_prefix "$group")
    dpi=$(cat "$prefix/e2e-dpi") || return 1
    log=$prefix/driver.log
    mkdir -p "$E2E_SHOTS"
    exec 9>"$display_lock"
    flock 9
    ensure_display || return 1
    drive "$prefix" "$log" "$case" --dpi "$dpi" --shots "$E2E_SHOTS" "$@"
    status=$?
    if [ $status -ne 0 ] && ! grep -q '^case ' "$log"; then
        echo "e2e: the driver ended with exit code $status before its first line; once more, with Wine's error messages"
        wine_with_errors drive "$prefix" "$log" "$case" --dpi "$dpi" --shots "$E2E_SHOTS" "$@"
        status=$?
    fi
    [ $status -eq 0 ] || echo "e2e: the driver ended with exit code $status"
    return $status
}

# A picture of what a prefix holds: one line per registry value (its key, name and data; the
# save times Wine writes beside each key left out) and one per file or folder (type, size,
# modification time). Wine saves the registry when its server ends, so the server is ended.
take_picture() {
    local group=$1 name=$2 prefix
    prefix=$(group_prefix "$group")
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
    mkdir -p "$prefix/pictures"
    {
        for hive in system user; do
            awk -v hive="$hive" '
                /^\[/ { key = $0; sub(/\][^]]*$/, "]", key); next }
                /^#/ || /^$/ || /^WINE REGISTRY/ || /^;;/ { next }
                { print "reg " hive " " key " " $0 }' "$prefix/$hive.reg"
        done
        (cd "$prefix" && find drive_c -printf 'file %y %p %s %T@\n')
    } | LC_ALL=C sort >"$prefix/pictures/$name.txt"
}

# The names of the entries that differ between two pictures (registry keys with the value's
# name, file paths), less Wine's own bookkeeping (untouched_ignored.txt beside the list: the
# display adapter that Wine registers again whenever a program opens the display), must be
# exactly the expected list.
compare_pictures() {
    local group=$1 before=$2 after=$3 expected=$4 prefix actual
    prefix=$(group_prefix "$group")
    actual=$prefix/pictures/$before-$after.txt
    LC_ALL=C comm -3 "$prefix/pictures/$before.txt" "$prefix/pictures/$after.txt" |
        sed -e 's/^\t//' |
        awk '$1 == "reg" { split($0, parts, "="); name = parts[1]; print name; next }
             $1 == "file" { $NF = ""; $(NF - 1) = ""; sub(/ +$/, ""); print }' |
        grep -v -E -f "$(dirname "$expected")/untouched_ignored.txt" | LC_ALL=C sort -u >"$actual"
    if diff -u "$expected" "$actual"; then
        echo "the installation changed exactly the $(wc -l <"$expected") expected entries"
        return 0
    fi
    echo "changes differ from $expected: - expected only, + found only" >&2
    return 1
}

case ${1:-} in
display-start) ensure_display ;;
display-stop) stop_display ;;
prefix) make_prefix "$2" "$3" "${4:-}" ;;
run) shift; run_case "$@" ;;
picture) take_picture "$2" "$3" ;;
compare) compare_pictures "$2" "$3" "$4" "$5" ;;
stop) WINEPREFIX=$(group_prefix "$2") wineserver -k >/dev/null 2>&1; exit 0 ;;
*)
    echo "usage: $0 display-start|display-stop|prefix GROUP DPI|run GROUP CASE ARGS|stop GROUP" >&2
    exit 2
    ;;
esac
