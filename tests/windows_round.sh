#!/usr/bin/env bash
# Plays the Windows build under wine as a player would, in both of wine's
# consoles at once, through the dev build's wine_tests, which hold each screen
# to what the virtual console shows after the same keys: wine's console window
# on a private X display, typed at by the X server, with a helper exe of the
# build's, windows_console_remote, sitting in the console; and wine's console
# in a terminal. Screenshots of the window from launch on show whether a
# caret is drawn.
# Usage: tests/windows_round.sh [windows build, default build/windows
#                                [dev build, default build/dev]]
set -euo pipefail
cd "$(dirname "$0")/.."
# Code page 936, as the game was made for.
export LC_ALL=zh_CN.UTF-8

for tool in wine wineconsole wineserver Xvfb xdotool convert; do
    command -v $tool >/dev/null || { echo "windows round test skipped: $tool is not installed"; exit 0; }
done
[[ $(locale charmap) == UTF-8 ]] || { echo "windows round test skipped: no $LC_ALL locale"; exit 0; }
build=$(realpath -m "${1:-build/windows}")
dev=$(realpath -m "${2:-build/dev}")
exe=$build/src/wendlecrux-snake.exe
remote=$build/tests/windows/windows_console_remote.exe
tests=$dev/tests/wine_tests
for file in "$exe" "$remote" "$tests"; do
    [[ -f $file ]] || { echo "windows round test: $file is missing; build the presets" >&2; exit 1; }
done

export WINEDEBUG=-all
run=$build/windows-round
rm -rf "$run"
mkdir -p "$run"

fail() {
    echo "windows round test FAILED in $console: $1" >&2
    exit 1
}

# Each console in a wine prefix of its own, since wine's programs keep the
# display they found until their prefix's server ends. Creating a prefix takes
# seconds; done first, it cannot eat into the waits. The font has every glyph
# of the game.
start_wine() {
    export WINEPREFIX=$build/wine-$console
    mkdir "$run/$console"
    trap 'wineserver -k 2>/dev/null || true; kill $(jobs -p) 2>/dev/null || true' EXIT
    (unset DISPLAY && wineboot -i >/dev/null 2>&1 &&
        wine reg add 'HKCU\Console' /v FaceName /t REG_SZ /d 'WenQuanYi Zen Hei Mono' /f \
            >/dev/null 2>&1 &&
        wineserver -w)
}

# Plays the game in this console (wine_tests' WineWindow or WineTerminal),
# given the environment it needs.
play() {
    env "$@" "$tests" --gtest_filter="Wine${console^}.*" >"$run/$console/log" 2>&1 || {
        cat "$run/$console/log" >&2
        fail "the game was not played as laid out, or not put back; see above"
    }
}

# In wine's console window on a private X display, typed at by the X server.
window_round() {
    console=window
    start_wine
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$run/display" 2>/dev/null &
    for _ in {1..100}; do [[ -s $run/display ]] && break; sleep 0.1; done
    export DISPLAY=:$(<"$run/display")
    wineconsole "$remote" "$(winepath -w "$run/$console")" "$(winepath -w "$exe")" >/dev/null 2>&1 &
    local window='' shot=1000 title caret
    # Under the remote's title, which is the console's as the game finds it.
    for _ in {1..300}; do
        window=$(xdotool search --name 'windows_console_remote|^Wendlecrux Snake$' 2>/dev/null |
            head -1) && [[ -n $window ]] && break
        sleep 0.1
    done
    [[ -n $window ]] || fail "no console window"
    # Shots from launch on until the welcome line starts, a few hundred
    # milliseconds apart at most, so that a blinking caret cannot hide between
    # them; each named by the title the window had just before.
    until grep -qs 欢 "$run/$console/screen" || ((shot > 1300)); do
        title=$(xdotool getwindowname "$window" 2>/dev/null) || true
        [[ $title == 'Wendlecrux Snake' ]] && title=game || title=shell
        import -window "$window" -depth 8 "$run/$console/shot-$((shot++))-$title.png" 2>/dev/null || true
    done
    # Only a caret is drawn white in the game's screens; a shot with more
    # white than a cell's worth shows the shell's text still, not yet
    # repainted.
    local shots=("$run/$console"/shot-*-game.png)
    [[ -f ${shots[0]} ]] || fail "no shot of the window under the game's title"
    for caret in $(convert "${shots[@]}" -threshold 90% -grayscale Average -threshold 99% \
        -format '%[fx:round(mean * w * h)] ' info:); do
        ((caret == 0 || caret > 400)) || fail "a caret ($caret white pixels) in the opening"
    done

    xdotool windowfocus --sync "$window" 2>/dev/null || true
    play WINE_WINDOW="$run/$console"
}

# In wine's console in a terminal, typed at as a terminal sends keys.
terminal_round() {
    console=terminal
    start_wine
    play WINDOWS_GAME="$exe"
}

status=0
window_round &
(terminal_round) || status=1
wait $! || status=1
((status == 0)) && echo "windows round test passed"
exit $status
