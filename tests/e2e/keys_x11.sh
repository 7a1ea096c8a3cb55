#!/usr/bin/env bash
# Drives the viewer's keyboard in a real X server (Xvfb + xdotool): Page Down / Page Up / N / Esc
# in the main window and in the picture window, a slow press, a held key with auto-repeat, bursts
# of presses, damaged pictures. The whole scenario runs twice: without a window manager and
# under a small one (pekwm, which also brings x11-utils; or openbox; VELT_E2E_WM=name picks).
# After every step it checks which list entry the picture window's title names and that there
# is at most one picture window.
#
# Usage: keys_x11.sh PATH/TO/velt [FOLDER_FOR_SCREENSHOTS]
# Exit status: 0 passed, 1 failed, 77 skipped (Xvfb, xdotool or x11-utils missing; or no window
# manager, after the pass without one passed). VELT_E2E_KEEP=1 keeps the temporary folder.
set -uo pipefail

VELT=${1:?usage: keys_x11.sh PATH/TO/velt [FOLDER_FOR_SCREENSHOTS]}
VELT=$(readlink -f "$VELT")
SHOTS=$(readlink -f "${2:-$(dirname "$VELT")}")

for tool in Xvfb xdotool xwininfo xprop timeout; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done
[ -x "$VELT" ] || { echo "FAIL: $VELT is not an executable"; exit 1; }

# Poll step and bounds, in seconds. Generous: ctest runs other tests beside this one, and the
# sanitizer build is several times slower.
POLL=0.1
T_START=60    # the main window appears
T_STEP=15     # a key's effect shows
T_BURST=60    # a burst of 100 presses has been worked off
SETTLE=0.5    # nothing more may change after a step
T_FOCUS=8     # a window has the focus after it was asked for
T_STUCK=3     # a wrong state that stops changing for this long is final (one key)
T_STUCK_BURST=20 # the same after a burst: each press at an end of the list reloads its picture
T_TOTAL=280   # the whole script; ctest stops it at 300
T_EXIT=20     # Esc ends the program

TMP=$(mktemp -d "${TMPDIR:-/tmp}/velt-e2e-XXXXXX")
XVFB_PID="" WM_PID="" VELT_PID="" MON_PID=""
FAILURES=0
STUCK=3 BEFORE=""
PASS="" STEP=""

stop_pid() { # ends one process this script started, then reaps it
    local pid=$1
    [ -n "$pid" ] || return 0
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null
        for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    return 0
}

stop_all() {
    stop_pid "$MON_PID"; MON_PID=""
    stop_pid "$VELT_PID"; VELT_PID=""
    stop_pid "$WM_PID"; WM_PID=""
    stop_pid "$XVFB_PID"; XVFB_PID=""
}

cleanup() {
    stop_all
    [ -n "${VELT_E2E_KEEP:-}" ] && { echo "kept $TMP"; return; }
    rm -rf "$TMP"
}
trap cleanup EXIT
trap 'echo "interrupted"; exit 1' INT TERM

log() { echo "[$PASS] $*"; }

# Every call to the X server is bounded.
X() { timeout 5 xdotool "$@" 2>/dev/null; }
xwi() { timeout 5 xwininfo "$@" 2>/dev/null; }
xp() { timeout 5 xprop "$@" 2>/dev/null; }

# ---- windows of the program ---------------------------------------------------------------------

ROOT=""
# Visible top-level windows of velt, one id per line (a WM frame is not a velt window; the video
# surface is a child of the main window and is left out).
toplevels() {
    local w parent
    for w in $(X search --onlyvisible --classname '^velt$'); do
        parent=$(xwi -id "$w" -children 2>/dev/null | awk '/Parent window id/ {print $4}')
        [ -n "$parent" ] || continue
        if [ "$parent" != "$ROOT" ] && xp -id "$parent" WM_CLASS 2>/dev/null | grep -q '"velt"'; then
            continue
        fi
        echo "$w"
    done | sort -u
}

is_transient() { xp -id "$1" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id'; }
title_of() { X getwindowname "$1"; }

LIST_TITLE="画像ファイル一覧表示"
# Fills PICS (picture windows: top-level, not the main window, not a dialog, not the list
# window), BOXES (dialogs), LISTS (the list window that N opens), PIC_TITLE (the title of the
# one picture window, if exactly one).
snapshot() {
    PICS=() BOXES=() LISTS=() PIC_TITLE=""
    local w
    for w in $(toplevels); do
        [ "$w" = "$MAIN" ] && continue
        if is_transient "$w"; then BOXES+=("$w")
        elif [ "$(title_of "$w")" = "$LIST_TITLE" ]; then LISTS+=("$w")
        else PICS+=("$w"); fi
    done
    [ ${#PICS[@]} -eq 1 ] && PIC_TITLE=$(title_of "${PICS[0]}")
    if [ -z "$WORKDIR" ] && [[ "$PIC_TITLE" == \[*\] ]]; then
        WORKDIR=$(dirname "${PIC_TITLE:1:${#PIC_TITLE}-2}")
    fi
    return 0
}

describe_windows() {
    echo "  --- windows (focus: $(X getwindowfocus), active: $(X getactivewindow)) ---"
    local w
    for w in $(X search --classname '^velt$'); do
        printf '  %s %-10s transient=%s "%s"\n' "$w" \
            "$(xwi -id "$w" 2>/dev/null | awk '/Map State/ {print $3}')" \
            "$(is_transient "$w" && echo yes || echo no)" "$(title_of "$w")"
    done
    [ -s "$TMP/titles.log" ] && { echo "  --- last picture titles seen ---"; tail -n 8 "$TMP/titles.log" | sed 's/^/  /'; }
    [ -s "$TMP/focus.log" ] && { echo "  --- focus tries that did not hold ---"; tail -n 8 "$TMP/focus.log" | sed 's/^/  /'; }
    [ -s "$TMP/velt.err" ] && { echo "  --- velt stderr (tail) ---"; tail -n 15 "$TMP/velt.err" | sed 's/^/  /'; }
}

screenshot() {
    command -v import >/dev/null || return 0
    local file
    file="$SHOTS/e2e_keys_x11-$PASS-$(echo "$STEP" | tr -c 'A-Za-z0-9_-' '_' | cut -c1-60).png"
    timeout 10 import -window root "$file" 2>/dev/null && echo "  screenshot: $file"
}

# A failed check: diagnostics, then the scenario goes on from what is on the screen.
fail() {
    FAILURES=$((FAILURES + 1))
    echo "FAIL [$PASS] $STEP: $*"
    describe_windows
    screenshot
}

# A state from which the scenario cannot go on.
abort() {
    fail "$@"
    echo "aborting the $PASS pass"
    return 1
}

# Background sampler: notes every picture title as it changes and any moment with two picture
# windows visible at once.
monitor() {
    local last="" now n
    while kill -0 "$VELT_PID" 2>/dev/null; do
        now=$(X search --onlyvisible --name '^\[' | sort -u | tr '\n' ' ')
        n=$(echo "$now" | wc -w)
        if [ "$n" -gt 1 ]; then
            echo "$(date +%T.%N | cut -c1-12) $n picture windows: $now" >>"$TMP/double.log"
        fi
        if [ "$now" != "$last" ]; then
            local t="" w
            for w in $now; do t+="$(title_of "$w") "; done
            echo "$(date +%T.%N | cut -c1-12) ${t:-<none>}" >>"$TMP/titles.log"
            last=$now
        fi
        sleep 0.1
    done
}

# ---- the list -----------------------------------------------------------------------------------

# NAMES[1..COUNT]: file names of the demo list, in order (the display line starts with the name
# padded to 35 characters).
read_list() {
    NAMES=("")
    local line name
    while IFS=$'\t' read -r num line; do
        [[ "$num" =~ ^[0-9]+$ ]] || continue
        name=${line:0:35}
        NAMES[num]=${name%"${name##*[! ]}"}
    done < <(QT_QPA_PLATFORM=offscreen timeout 120 "$VELT" --demo --list --settings "$TMP/list.ini" 2>/dev/null)
    COUNT=$((${#NAMES[@]} - 1))
}

# DAMAGED[i]=1 for entries the picture window refuses (velt --check); needs WORKDIR.
read_damaged() {
    DAMAGED=()
    local i files=() bad
    for i in $(seq "$COUNT"); do files+=("$WORKDIR/${NAMES[i]}"); done
    bad=$(QT_QPA_PLATFORM=offscreen timeout 120 "$VELT" --check "${files[@]}" 2>/dev/null | awk -F'\t' '$1 == "bad" {print $NF}')
    for i in $(seq "$COUNT"); do
        grep -qxF "$WORKDIR/${NAMES[i]}" <<<"$bad" && DAMAGED[i]=1
    done
    return 0
}

# Replaces each damaged file by a copy of a good one of the same type, so a burst of presses can
# run through the whole list.
repair_damaged() {
    local i j ext
    for i in "${!DAMAGED[@]}"; do
        ext=${NAMES[i]##*.}
        for j in $(seq "$COUNT"); do
            [ -z "${DAMAGED[j]:-}" ] || continue
            [ "${NAMES[j]##*.}" = "$ext" ] || [ "${NAMES[j]##*.}" = "${ext,,}" ] || [ "${NAMES[j]##*.}" = "${ext^^}" ] || continue
            cp "$WORKDIR/${NAMES[j]}" "$WORKDIR/${NAMES[i]}" && unset 'DAMAGED[i]' && break
        done
        [ -z "${DAMAGED[i]:-}" ] || { abort "no good file of type .$ext to replace ${NAMES[i]}"; return 1; }
    done
    return 0
}

# ---- waiting ------------------------------------------------------------------------------------

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds; false on timeout.
wait_for() {
    local limit=$1; shift
    local end=$((SECONDS + ${limit%.*} + 1))
    while :; do
        "$@" && return 0
        [ $SECONDS -lt $end ] || return 1
        if [ -n "$VELT_PID" ]; then kill -0 "$VELT_PID" 2>/dev/null || return 1; fi
        sleep $POLL
    done
}

# The entry a picture title names, or "".
entry_of_title() {
    local t=$1 path i
    [[ "$t" == \[*\] ]] || { echo ""; return; }
    path=${t:1:${#t}-2}
    [ "$(dirname "$path")" = "$WORKDIR" ] || { echo ""; return; }
    for i in $(seq "$COUNT"); do
        [ "${NAMES[i]}" = "$(basename "$path")" ] && { echo "$i"; return; }
    done
    echo ""
}

# Like wait_for, but also gives up once the screen, changed by the key, has stopped changing on
# something else for T_STUCK seconds: a wrong final state costs no full timeout. An empty screen
# is never taken for final; it waits out the whole limit.
wait_state() {
    local limit=$1; shift
    local end=$((SECONDS + limit)) sig last="" since=$SECONDS
    while :; do
        "$@" && return 0
        sig="${PICS[*]}|${BOXES[*]}|$PIC_TITLE"
        if [ "$sig" != "$last" ]; then last=$sig; since=$SECONDS; fi
        # No window at all is the picture window between two pictures: a slow decode (a metafile
        # helper started on a loaded machine) can keep it there longer than T_STUCK.
        [ ${#PICS[@]} -eq 0 ] && [ ${#BOXES[@]} -eq 0 ] && since=$SECONDS
        if [ "$sig" != "$BEFORE" ] && [ $((SECONDS - since)) -ge "$STUCK" ]; then return 1; fi
        [ $SECONDS -lt $end ] || return 1
        kill -0 "$VELT_PID" 2>/dev/null || return 1
        sleep $POLL
    done
}

state_is_entry() { # one picture window showing entry $1, no dialog
    snapshot
    [ ${#BOXES[@]} -eq 0 ] && [ ${#PICS[@]} -eq 1 ] && [ "$(entry_of_title "$PIC_TITLE")" = "$1" ]
}
state_is_box() { snapshot; [ ${#BOXES[@]} -eq 1 ] && [ ${#PICS[@]} -eq 0 ]; }
state_is_empty_picture() { # the picture window left by a damaged file: no caption of its own
    snapshot
    [ ${#BOXES[@]} -eq 0 ] && [ ${#PICS[@]} -eq 1 ] && [[ "$PIC_TITLE" != \[* ]]
}
state_is_none() { snapshot; [ ${#BOXES[@]} -eq 0 ] && [ ${#PICS[@]} -eq 0 ]; }

# What is on the screen, as an entry number when a picture names one.
observed() {
    snapshot
    if [ ${#BOXES[@]} -gt 0 ]; then echo "a message box (${#PICS[@]} picture windows)"
    elif [ ${#PICS[@]} -eq 0 ]; then echo "no picture window"
    elif [ ${#PICS[@]} -gt 1 ]; then echo "${#PICS[@]} picture windows"
    else
        local e; e=$(entry_of_title "$PIC_TITLE")
        echo "${e:+entry $e: }picture window \"$PIC_TITLE\""
    fi
}

# Checks that the program ends up showing entry $1 and stays there. A damaged entry shows a
# message box, closed here with Return, then an empty picture window. On a wrong entry the
# scenario goes on from the entry shown.
expect_entry() {
    local want=$1 limit=${2:-$T_STEP} got
    if [ -n "${DAMAGED[want]:-}" ]; then
        if ! wait_state "$limit" state_is_box; then
            fail "expected the message box for damaged entry $want (${NAMES[want]}), saw $(observed)"
            resync; return
        fi
        focus "${BOXES[0]}" || { abort "cannot focus the message box"; return 1; }
        X key Return
        if ! wait_state "$T_STEP" state_is_empty_picture; then
            fail "after Return on the message box of entry $want: expected one empty picture window, saw $(observed)"
            resync; return
        fi
        POS=$want
        sleep $SETTLE
        state_is_empty_picture || { fail "entry $want: the state changed after settling: $(observed)"; resync; }
        return 0
    fi
    if ! wait_state "$limit" state_is_entry "$want"; then
        fail "expected entry $want (${NAMES[want]}), saw $(observed)"
        resync; return
    fi
    POS=$want
    sleep $SETTLE
    if ! state_is_entry "$want"; then
        fail "entry $want was shown, but then: $(observed) (moved more than once?)"
        resync
    fi
    return 0
}

expect_no_picture() {
    if ! wait_state "$T_STEP" state_is_none; then fail "expected no picture window, saw $(observed)"; resync; return; fi
    sleep $SETTLE
    state_is_none || { fail "expected no picture window after settling, saw $(observed)"; resync; }
    return 0
}

# After a failed check: closes message boxes and takes the entry shown as the position; when no
# entry can be read (a damaged one, or none shown), steps back with Page Up until one can.
resync() {
    local e tries=0
    while [ $tries -le $((COUNT + 1)) ]; do
        tries=$((tries + 1))
        sleep $SETTLE
        snapshot
        if [ ${#BOXES[@]} -gt 0 ]; then
            focus "${BOXES[0]}" && X key Return
            continue
        fi
        if [ ${#PICS[@]} -gt 1 ]; then
            abort "more than one picture window; cannot go on"; return 1
        fi
        e=$(entry_of_title "$PIC_TITLE")
        if [ -n "$e" ]; then
            POS=$e; log "  going on from entry $POS"; return 0
        fi
        focus "$MAIN" && X key Prior
    done
    abort "no list entry could be shown again"
}

# ---- input --------------------------------------------------------------------------------------

has_focus() {
    if [ -n "$WM" ]; then [ "$(X getactivewindow)" = "$1" ]; else [ "$(X getwindowfocus)" = "$1" ]; fi
}

# Gives a window the keyboard focus: without a window manager XSetInputFocus, with one the
# EWMH activation a user's click amounts to. A window mapped a moment later may take the
# activation away again, so each try asks anew until the focus is there, all within one bound.
# No --sync: it would spend the whole bound waiting on one request the manager let pass. A try
# that did not hold is noted with the window that held the focus.
focus() {
    local w=$1 end=$((SECONDS + T_FOCUS)) tries=0
    while :; do
        tries=$((tries + 1))
        if [ -n "$WM" ]; then X windowactivate "$w"; else X windowfocus "$w"; fi
        if wait_for 1 has_focus "$w"; then
            [ $tries -eq 1 ] || log "  the focus arrived on try $tries"
            return 0
        fi
        echo "[$PASS] $STEP: focus try $tries for $w: focus $(X getwindowfocus), active $(X getactivewindow)" >>"$TMP/focus.log"
        [ $SECONDS -lt $end ] || return 1
        kill -0 "$VELT_PID" 2>/dev/null || return 1
    done
}

# Waits until the focus has stopped moving (the same window for five polls in a row, within
# T_FOCUS): a window manager gives a just-mapped picture window the focus a moment after it is
# mapped, and a request made before that would be undone by it.
focus_settled() {
    local now last="" same=0 end=$((SECONDS + T_FOCUS))
    while [ $SECONDS -lt $end ]; do
        if [ -n "$WM" ]; then now=$(X getactivewindow); else now=$(X getwindowfocus); fi
        if [ "$now" = "$last" ]; then same=$((same + 1)); else same=0; last=$now; fi
        [ $same -ge 5 ] && return 0
        sleep $POLL
    done
    return 0
}

focus_main() { focus "$MAIN" || abort "cannot give the main window the focus"; }
focus_picture() {
    snapshot
    [ ${#PICS[@]} -eq 1 ] || { abort "expected one picture window to focus, saw $(observed)"; return 1; }
    focus "${PICS[0]}" || abort "cannot give the picture window the focus"
}

# press WHERE HOW KEY: WHERE = main|picture, HOW = tap (xdotool key) | slow (down, 0.3 s, up) |
# hold (down 1.2 s, auto-repeating, up) | burst (100 presses, 5 ms apart).
press() {
    local where=$1 how=$2 key=$3
    STEP="$where $how $key (from entry $POS)"
    log "$STEP"
    [ $SECONDS -lt $T_TOTAL ] || { abort "out of time (${T_TOTAL} s for the whole script)"; return 1; }
    focus_settled
    if [ "$where" = main ]; then focus_main || return 1; else focus_picture || return 1; fi
    snapshot
    BEFORE="${PICS[*]}|${BOXES[*]}|$PIC_TITLE"
    STUCK=$T_STUCK
    [ "$how" = burst ] && STUCK=$T_STUCK_BURST
    case $how in
    tap) X key "$key" ;;
    slow) X keydown "$key"; sleep 0.3; X keyup "$key" ;;
    hold) X keydown "$key"; sleep 1.2; X keyup "$key" ;;
    burst) timeout 20 xdotool key --delay 5 $(for _ in $(seq 100); do echo "$key"; done) ;;
    esac
    return 0
}

clamp() { local v=$1; [ "$v" -lt 1 ] && v=1; [ "$v" -gt "$COUNT" ] && v=$COUNT; echo "$v"; }

# ---- one pass -----------------------------------------------------------------------------------

start_x() {
    : >"$TMP/displayfd"
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$TMP/displayfd" >"$TMP/xvfb-$PASS.log" 2>&1 &
    XVFB_PID=$!
    local n
    for _ in $(seq 100); do
        n=$(tr -dc '0-9' <"$TMP/displayfd")
        [ -n "$n" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$n" ] || { echo "FAIL [$PASS]: Xvfb did not start"; cat "$TMP/xvfb-$PASS.log"; return 1; }
    export DISPLAY=:$n
    wait_for_x() { xwi -root >/dev/null 2>&1; }
    wait_for 10 wait_for_x || { echo "FAIL [$PASS]: display $DISPLAY does not answer"; return 1; }
    ROOT=$(xwi -root | awk '/Window id/ {print $4; exit}')
    log "Xvfb on $DISPLAY"
    if [ -n "$WM" ]; then
        mkdir -p "$TMP/home-$PASS"
        case $WM in
        openbox) HOME="$TMP/home-$PASS" openbox --sm-disable >"$TMP/wm-$PASS.log" 2>&1 & ;;
        *) HOME="$TMP/home-$PASS" "$WM" >"$TMP/wm-$PASS.log" 2>&1 & ;;
        esac
        WM_PID=$!
        wm_ready() { xp -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
        wait_for 15 wm_ready || { echo "FAIL [$PASS]: $WM did not start"; cat "$TMP/wm-$PASS.log"; return 1; }
        log "$WM running"
    fi
}

start_velt() {
    : >"$TMP/titles.log"; : >"$TMP/double.log"
    mkdir -p "$TMP/run-$PASS/tmp"
    chmod 700 "$TMP/run-$PASS"
    TMPDIR="$TMP/run-$PASS/tmp" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$TMP/run-$PASS" \
        "$VELT" --demo --settings "$TMP/run-$PASS/VELT.ini" >"$TMP/velt.out" 2>"$TMP/velt.err" &
    VELT_PID=$!
    # The main window: the one top-level "VELT" window, the same on two looks in a row; the
    # start-up window, also "VELT", stays on top.
    MAIN=""
    main_up() {
        local ws=() w c
        for w in $(toplevels); do
            is_transient "$w" && continue
            xp -id "$w" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE && continue
            [ "$(title_of "$w")" = VELT ] && ws+=("$w")
        done
        c=${ws[0]:-}
        if [ ${#ws[@]} -eq 1 ] && [ "$c" = "$MAIN" ]; then return 0; fi
        MAIN=$c
        sleep 0.3
        return 1
    }
    if ! wait_for "$T_START" main_up; then
        kill "$VELT_PID" 2>/dev/null
        wait "$VELT_PID" 2>/dev/null
        [ -n "${QUIET_START:-}" ] && return 1
        STEP=start
        abort "the main window did not appear"
        return 1
    fi
    log "main window $MAIN, pid $VELT_PID"
    monitor &
    MON_PID=$!
}

# start_velt without its failure report: true when the main window came up.
start_velt_quietly() {
    QUIET_START=1 start_velt
}
start_velt_report() {
    STEP=start
    abort "the main window did not appear"
}

run_pass() {
    PASS=$1 WM=$2 POS=0 WORKDIR=""
    STEP=setup
    start_x || return 1
    # A client that could not reach a freshly started server once gets one more try.
    if ! start_velt_quietly; then
        # Qt's own line is filtered off standard error; what remains is its abort message.
        grep -qE "could not connect to display|no Qt platform plugin could be initialized" \
            "$TMP/velt.err" 2>/dev/null || { start_velt_report; return 1; }
        log "velt could not reach $DISPLAY; starting it once more"
        start_velt || return 1
    fi

    # Page Down three times, Page Up once, from the main window.
    press main tap Next || return 1; expect_entry 1 || return 1
    [ -n "$WORKDIR" ] || { abort "could not learn the working folder"; return 1; }
    read_damaged
    log "working folder $WORKDIR; $COUNT entries; damaged: ${!DAMAGED[*]}"
    for i in 1 2 3 4 5 6; do
        [ -z "${DAMAGED[i]:-}" ] || { abort "demo entry $i is damaged; the scenario needs 1-6 good"; return 1; }
    done
    press main tap Next || return 1; expect_entry "$(clamp $((POS + 1)))" || return 1
    press main tap Next || return 1; expect_entry "$(clamp $((POS + 1)))" || return 1
    press main tap Prior || return 1; expect_entry "$(clamp $((POS - 1)))" || return 1

    # A slow press, and a key held long enough to auto-repeat: each acts exactly once.
    press main slow Next || return 1; expect_entry "$(clamp $((POS + 1)))" || return 1
    press main hold Next || return 1; expect_entry "$(clamp $((POS + 1)))" || return 1

    # In the picture window the key is handed over: exactly one step, on the release.
    press picture tap Next || return 1; expect_entry "$(clamp $((POS + 1)))" || return 1
    press picture tap Prior || return 1; expect_entry "$(clamp $((POS - 1)))" || return 1
    press picture slow Prior || return 1; expect_entry "$(clamp $((POS - 1)))" || return 1
    press picture hold Next || return 1; expect_entry "$(clamp $((POS + 1)))" || return 1

    # N closes the picture window, keeps the position and shows the list window, from either
    # window.
    local before=$POS
    press picture tap n || return 1; expect_no_picture || return 1
    [ ${#LISTS[@]} -eq 1 ] || fail "N: expected the list window, saw ${#LISTS[@]}"
    press main tap Next || return 1; expect_entry "$(clamp $((before + 1)))" || return 1
    before=$POS
    press main tap n || return 1; expect_no_picture || return 1
    [ ${#LISTS[@]} -eq 1 ] || fail "N again: expected one list window, saw ${#LISTS[@]}"
    press main tap Prior || return 1; expect_entry "$(clamp $((before - 1)))" || return 1

    # Esc in the picture window closes only the picture window.
    press picture tap Escape || return 1; expect_no_picture || return 1
    kill -0 "$VELT_PID" 2>/dev/null || { abort "Esc in the picture window ended the program"; return 1; }
    press main tap Next || return 1; expect_entry "$(clamp $((POS + 1)))" || return 1

    # On to the end of the list, damaged entries included, and once more at the end.
    local guard=0
    while [ "$POS" -lt "$COUNT" ] && [ $guard -lt $((COUNT * 2)) ]; do
        guard=$((guard + 1))
        press main tap Next || return 1; expect_entry "$(clamp $((POS + 1)))" || return 1
    done
    press main tap Next || return 1; expect_entry "$COUNT" || return 1

    # Bursts of 100 presses run into the ends of the list and stop there, with one picture
    # window; the next single press still works.
    repair_damaged || return 1
    press main burst Prior || return 1; expect_entry 1 "$T_BURST" || return 1
    press main burst Next || return 1; expect_entry "$COUNT" "$T_BURST" || return 1
    press main tap Prior || return 1; expect_entry "$(clamp $((COUNT - 1)))" || return 1
    press picture burst Prior || return 1; expect_entry 1 "$T_BURST" || return 1
    press picture tap Next || return 1; expect_entry 2 || return 1

    if [ -s "$TMP/double.log" ]; then
        STEP="whole pass"
        fail "two picture windows were visible at once:"; head -n 5 "$TMP/double.log"
    fi

    # Esc ends the program and empties the working folder.
    [ -n "$(find "$WORKDIR" -maxdepth 1 -type f -print -quit)" ] || fail "the working folder was empty before Esc"
    press main tap Escape || return 1
    STEP="Esc ends the program"
    gone() { ! kill -0 "$VELT_PID" 2>/dev/null; }
    local end=$((SECONDS + T_EXIT))
    while kill -0 "$VELT_PID" 2>/dev/null && [ $SECONDS -lt $end ]; do sleep $POLL; done
    if ! gone; then
        abort "velt still runs $T_EXIT s after Esc"; return 1
    fi
    wait "$VELT_PID"; local status=$?
    VELT_PID=""
    [ $status -eq 0 ] || fail "velt exited with status $status"
    if [ -d "$WORKDIR" ] && [ -n "$(find "$WORKDIR" -maxdepth 1 -type f -print -quit)" ]; then
        fail "files left in the working folder: $(ls "$WORKDIR" | head -5 | tr '\n' ' ')"
    fi
    if [ -n "$(ls -A "$TMP/run-$PASS/tmp" 2>/dev/null | grep -v '^runtime')" ]; then
        fail "the demo folder was left behind: $(ls "$TMP/run-$PASS/tmp")"
    fi
    log "done"
    stop_all
    return 0
}

read_list
[ "$COUNT" -ge 8 ] || { echo "FAIL: velt --demo --list gave $COUNT entries, the scenario needs 8 or more"; exit 1; }
echo "demo list: $COUNT entries: ${NAMES[*]:1}"

run_pass no-wm "" || true
stop_all

WM_CHOICE=${VELT_E2E_WM:-}
if [ -z "$WM_CHOICE" ]; then
    for candidate in pekwm openbox; do
        command -v "$candidate" >/dev/null && { WM_CHOICE=$candidate; break; }
    done
fi
if [ -n "$WM_CHOICE" ]; then
    run_pass "$WM_CHOICE" "$WM_CHOICE" || true
    stop_all
fi

if [ -s "$TMP/focus.log" ]; then
    echo "$(wc -l <"$TMP/focus.log") focus request(s) did not hold at once:"
    sed 's/^/  /' "$TMP/focus.log"
fi
if [ $FAILURES -gt 0 ]; then
    echo "$FAILURES check(s) failed"
    exit 1
fi
if [ -z "$WM_CHOICE" ]; then
    echo "SKIP: the pass under a window manager needs pekwm or openbox (scripts/setup.sh installs one)"
    exit 77
fi
echo "all checks passed"
