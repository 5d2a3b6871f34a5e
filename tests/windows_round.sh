#!/usr/bin/env bash
# Plays a round with the Windows build under wine, in wine's own console
# window on a private X display. A helper exe of the build's,
# windows_console_remote, sits in the console in the player's place: it writes
# the screen buffer's text to a file and types the keys this script names as
# real key events, ESC included. Wine has no double-width cells, so Chinese
# text, drawn where the layout puts each character, shows a gap after each;
# texts are found with the spaces left out. The board's rows line up.
# Usage: tests/windows_round.sh [build directory, default build/windows]
set -euo pipefail
cd "$(dirname "$0")/.."
# Substrings count characters, not bytes.
export LC_ALL=C.UTF-8

for tool in wine wineconsole wineserver Xvfb; do
    if ! command -v $tool >/dev/null; then
        echo "windows round test skipped: $tool is not installed"
        exit 0
    fi
done
build=$(realpath -m "${1:-build/windows}")
exe=$build/src/wendlecrux-snake.exe
remote=$build/tests/windows/windows_console_remote.exe
for file in "$exe" "$remote"; do
    [[ -f $file ]] || { echo "windows round test: $file is missing; build the windows preset" >&2; exit 1; }
done

export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all
run=$build/windows-round
rm -rf "$run"
mkdir -p "$run"
touch "$run/keys"
xvfb_pid=
console_pid=
cleanup() {
    if [[ -n $console_pid ]]; then kill "$console_pid" 2>/dev/null || true; fi
    wineserver -k 2>/dev/null || true
    if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# Creating the prefix takes seconds; done here, it cannot eat into the waits.
# Wine's programs started now keep the display they found until the wine
# server ends, hence the wait before the display is set.
(unset DISPLAY && wineboot -i >/dev/null 2>&1 && wineserver -w)
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$run/display" 2>/dev/null &
xvfb_pid=$!
for _ in {1..100}; do [[ -s $run/display ]] && break; sleep 0.1; done
export DISPLAY=:$(<"$run/display")
wineconsole "$remote" "$(winepath -w "$run")" "$(winepath -w "$exe")" >/dev/null 2>&1 &
console_pid=$!

screen() { cat "$run/screen" 2>/dev/null || true; }
shows() { screen | tr -d ' ' | grep -qF -- "${1// /}"; }
key() { echo "$1" >>"$run/keys"; }
# Whether the board, rows 2 to 29 and columns 4 to 59, has a snake cell in
# columns FIRST to 59.
snake_from() {
    local rows row
    mapfile -t rows < <(screen)
    for row in "${rows[@]:2:28}"; do
        [[ ${row:$1:$((60 - $1))} == *●* ]] && return 0
    done
    return 1
}
# The snake starts in cells 14 to 16 and may not leave them until it turns.
turned() { snake_from 34; }
over() { shows "你卷到的分数为："; }
# wait_until SECONDS COMMAND...: polls until COMMAND succeeds.
wait_until() {
    local tries=$(($1 * 10))
    shift
    until "$@"; do
        ((--tries > 0)) || return 1
        sleep 0.1
    done
}
fail() {
    echo "windows round test FAILED: $1; the screen:" >&2
    screen | head -33 >&2
    exit 1
}

for line in "欢迎来到Kvor蛇游戏！" "既然来了的话，" "就努力成为最卷的蛇吧！"; do
    wait_until 40 shows "$line" || fail "welcome line \"$line\" never appeared"
    shows "shell text" && fail "the shell's text shows through the game"
    key Enter
done
wait_until 10 shows "请选择你的Kvor模式：" || fail "no mode menu"
key Enter

wait_until 20 snake_from 4 || fail "no snake on the board"
key Right
sent=$(date +%s%N)
wait_until 20 eval 'turned || over' || fail "the round stalled"
over && fail "the snake ran into the wall without turning right"
echo "the snake turned $((($(date +%s%N) - sent) / 1000000)) ms after Right was typed"

key Escape
wait_until 10 eval 'shows "继续游戏" || over' || fail "no pause menu"
shows "菜单：" || fail "the pause menu has no title"
key Enter
wait_until 20 over || fail "no game-over box"
shows "菜单：" && fail "the pause menu stayed on screen"
key Right
key Enter

wait_until 20 test -s "$run/status" || fail "the game did not end after Enter on 卷个**"
status=$(<"$run/status")
[[ $status == 0 ]] || fail "the game ended with status $status"
wait_until 10 eval '! kill -0 $console_pid 2>/dev/null' || fail "the console window stayed open"
console_pid=

# The console as the game found it, its last screen in view and the title row
# still at the top.
mapfile -t console <"$run/console"
[[ ${console[0]#before} == "${console[1]#after}" ]] ||
    fail "the console was not put back: ${console[0]} / ${console[1]}"
[[ ${console[2]} == "cursor 0 32" ]] || fail "the cursor was left at ${console[2]#cursor }, not below the game"
mapfile -t rows < <(screen)
[[ ${rows[1]} == *"Wendlecrux Snake"* ]] || fail "the title row scrolled away"
echo "windows round test passed"
