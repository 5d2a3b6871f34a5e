#!/usr/bin/env bash
# Plays the Windows build under wine as a player would, twice: in wine's
# console window on a private X display, with keys from the X server
# (xdotool), and in wine's console in a terminal, with keys typed as a
# terminal sends them. A helper exe of the build's, windows_console_remote,
# sits in the console and writes what it holds to a file, one character a
# cell. Wine has no double-width cells, so a two-column character holds one
# cell and its filler the next, which the helper reads as a blank: at each
# step the console is compared, cell for cell, with what the game draws.
# Usage: tests/windows_round.sh [build directory, default build/windows]
set -euo pipefail
cd "$(dirname "$0")/.."
# Code page 936, as the game was made for; and substrings count characters.
export LC_ALL=zh_CN.UTF-8 TERM=xterm

for tool in wine wineconsole wineserver Xvfb xdotool convert script; do
    if ! command -v $tool >/dev/null; then
        echo "windows round test skipped: $tool is not installed"
        exit 0
    fi
done
if [[ $(locale charmap) != UTF-8 ]]; then
    echo "windows round test skipped: no $LC_ALL locale"
    exit 0
fi
build=$(realpath -m "${1:-build/windows}")
exe=$build/src/wendlecrux-snake.exe
remote=$build/tests/windows/windows_console_remote.exe
for file in "$exe" "$remote"; do
    [[ -f $file ]] || { echo "windows round test: $file is missing; build the windows preset" >&2; exit 1; }
done

export WINEDEBUG=-all
run=$build/windows-round
rm -rf "$run"
mkdir -p "$run"

fail() {
    echo "windows round test FAILED in $console: $1; the console held:" >&2
    cat "$run/$console/screen" >&2 || true
    exit 1
}
# wait_until SECONDS COMMAND...: polls until COMMAND succeeds.
wait_until() {
    local tries=$(($1 * 10))
    shift
    until "$@"; do
        ((--tries > 0)) || return 1
        sleep 0.1
    done
}

# TEXT padded with blanks to WIDTH cells.
pad() { printf '%s%*s' "$1" $(($2 - ${#1})) ''; }
# The layout's text as the console's cells: a two-column character, then its
# filler.
cells() {
    local out= c code i
    for ((i = 0; i < ${#1}; i++)); do
        c=${1:i:1}
        printf -v code %d "'$c"
        out+=$c
        ((code < 128)) || [[ $c == [━┃] ]] || out+=' '
    done
    printf '%s' "$out"
}
# shows [--title|--board] [ROW|COLUMN|TEXT]...: the console holds these, and
# blanks everywhere else; but with --title the title's rows hold its "■" and
# blanks, and with --board the board may hold the snake and the food.
shows() {
    local -a want got
    local row column text placed r kind=
    [[ $1 == --* ]] && kind=$1 && shift
    for r in {0..31}; do want[r]=$(pad '' 82); done
    for placed in "$@"; do
        IFS='|' read -r row column text <<<"$placed"
        text=$(cells "$text")
        want[row]=${want[row]:0:column}$text${want[row]:column+${#text}}
    done
    mapfile -t got 2>/dev/null <"$run/$console/screen" || return 1
    for r in {0..31}; do
        if [[ $kind == --title && $r -ge 12 && $r -le 16 ]]; then
            [[ ${got[r]} =~ ^[■\ ]{82}$ && ${got[r]} == *■* ]] || return 1
            continue
        fi
        if [[ $kind == --board && $r -ge 2 && $r -le 29 ]]; then
            text=${got[r]:4:56}
            got[r]=${got[r]:0:4}${text//[●★]/ }${got[r]:60}
        fi
        [[ ${got[r]} == "${want[r]}" ]] || return 1
    done
}
# segment_where CONDITION: a snake segment lies on a cell (x, y) of the board
# for which the arithmetic CONDITION holds.
segment_where() {
    local -a rows
    local x y
    mapfile -t rows 2>/dev/null <"$run/$console/screen"
    for ((y = 2; y <= 29; y++)); do
        [[ ${rows[y]} == *●* ]] || continue
        for ((x = 2; x <= 29; x++)); do
            [[ ${rows[y]:2*x:1} == ● ]] && (($1)) && return 0
        done
    done
    return 1
}
# The round paused: the wall, the snake and the food on the board, the side
# panel with the score the console shows, and the pause menu.
paused() {
    local -a rows
    local score
    mapfile -t rows 2>/dev/null <"$run/$console/screen"
    score=$(tr -dc 0-9 <<<"${rows[8]:72:8}")
    [[ -n $score ]] && shows --board "${wall[@]}" "${panel[@]}" "8|72|$(printf %8d "$score")" \
        '19|64|菜单：' '21|68|继续游戏' '23|68|重新开始' '25|68|退出游戏'
}
# The game-over box, whatever the board held before it: its frame, its
# texts with the score, and nothing left inside its blank rows.
game_over() {
    local -a rows
    local score row frame
    mapfile -t rows 2>/dev/null <"$run/$console/screen"
    score=$(tr -dc 0-9 <<<"${rows[8]:62:20}")
    [[ -n $score ]] || return 1
    frame=" ┃$(pad '' 52)┃"
    [[ ${rows[9]:16:53} == "$(printf '━%.0s' {1..53})" && ${rows[20]:16:53} == "${rows[9]:16:53}" ]] ||
        return 1
    for row in 10 15 17 19; do [[ ${rows[row]:14:55} == "$frame" ]] || return 1; done
    [[ ${rows[16]:14:55} == "$(pad " ┃$(pad '' 16)$(cells 你卷到的分数为：)$score" 54)┃" ]] || return 1
    [[ ${rows[18]:14:55} == " ┃    $(cells 要不要再卷一把（疯狂引诱）？)  $(cells 继续卷)  $(cells 卷个**)    ┃" ]]
}
ended() { [[ -s $run/$console/status ]]; }

menu=('20|26|请选择你的Kvor模式：' '22|36|摆烂模式' '24|36|平凡模式' '26|36|学怪模式' '28|36|卷王模式')
panel=('1|64|Wendlecrux Snake' '2|68|Kvor蛇' '4|62|难度：' '5|66|摆烂模式（135）' '7|62|得分：'
    '13|70| 方向键移动' '15|70| ESC键暂停')
wall=("1|2|$(printf '■%.0s' {1..30})" "30|2|$(printf '■%.0s' {1..30})")
for y in {2..29}; do wall+=("$y|2|■" "$y|60|■"); done

# The whole game, typed at through `key NAME`: the welcome lines, a round in
# the first mode steered with all four arrows, paused and continued into the
# wall, another round, in the third mode, from the game-over box into the
# wall, and the exit.
play() {
    local line
    for line in 欢迎来到Kvor蛇游戏！ 既然来了的话， 就努力成为最卷的蛇吧！; do
        wait_until 40 shows --title "22|30|$line" || fail "the welcome line \"$line\" is not all there is"
        key Return
    done
    wait_until 10 shows --title "${menu[@]}" || fail "the first mode menu is not all there is"
    key Return

    wait_until 20 segment_where 'y == 9' || fail "no snake on the board"
    local arrow condition
    for arrow in 'Right x >= 18' 'Up y <= 6' 'Left x <= 14' 'Down y >= 10'; do
        read -r arrow condition <<<"$arrow"
        key "$arrow"
        wait_until 10 segment_where "$condition" || fail "the snake did not follow $arrow"
    done
    key Escape
    wait_until 10 paused || fail "no pause, or something else on the board"
    key Return
    wait_until 20 game_over || fail "no game-over box, or something left inside it"
    key Return
    wait_until 10 shows "${menu[@]}" || fail "the mode menu after 继续卷 is not all there is"
    key Down
    key Down
    key Return
    wait_until 30 game_over || fail "the second round did not end in the box"
    key Right
    key Return
    wait_until 20 ended || fail "the game did not end after 卷个**"
    [[ $(<"$run/$console/status") == 0 ]] || fail "the game ended with status $(<"$run/$console/status")"
    # The console as the game found it.
    local -a found
    mapfile -t found <"$run/$console/console"
    [[ ${found[0]#before} == "${found[1]#after}" ]] ||
        fail "the console was not put back: ${found[0]} / ${found[1]}"
    # Below the game, or on the last row where the console has no row below.
    local height=${found[0]#*buffer *x}
    height=${height%% *}
    [[ ${found[2]} == "cursor 0 $((height > 32 ? 32 : height - 1))" ]] ||
        fail "the cursor was left at ${found[2]#cursor }, not below the game"
}

# White pixels in a shot of the console window: only a caret is drawn white.
white_pixels() {
    convert "$1" -separate -evaluate-sequence min -threshold 90% -format '%[fx:round(mean * w * h)]' info:
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

# In wine's console window on a private X display, typed at by the X server.
window_round() {
    console=window
    start_wine
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$run/display" 2>/dev/null &
    for _ in {1..100}; do [[ -s $run/display ]] && break; sleep 0.1; done
    export DISPLAY=:$(<"$run/display")
    wineconsole "$remote" "$(winepath -w "$run/$console")" "$(winepath -w "$exe")" >/dev/null 2>&1 &
    local console_window=$! window= shot caret
    find_window() { window=$(xdotool search --name '^Wendlecrux Snake$' 2>/dev/null | head -1) && [[ -n $window ]]; }
    wait_until 30 find_window || fail "no console window titled Wendlecrux Snake"
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    key() { xdotool key --delay 150 "$1"; }
    # The shell left its caret shown; the game hides it from its first frame.
    for shot in 1 2 3; do
        sleep 0.5
        timeout 5 import -window "$window" -depth 8 "$run/$console/opening-$shot.png"
        caret=$(white_pixels "$run/$console/opening-$shot.png")
        ((caret == 0)) || fail "a caret ($caret white pixels) in the opening, shot $shot"
    done
    play
    wait_until 10 eval '! kill -0 $console_window 2>/dev/null' || fail "the console window stayed open"
}

# In wine's console in a terminal, typed at as a terminal sends keys.
terminal_round() {
    console=terminal
    start_wine
    mkfifo "$run/keys"
    script -qfec "stty cols 82 rows 32; exec wine '$remote' '$(winepath -w "$run/$console")' '$(winepath -w "$exe")'" \
        /dev/null <"$run/keys" >"$run/$console/bytes" 2>&1 &
    exec 3>"$run/keys"
    declare -A sequence=([Return]='\r' [Escape]='\e' [Up]='\e[A' [Down]='\e[B' [Right]='\e[C' [Left]='\e[D')
    key() {
        printf '%b' "${sequence[$1]}" >&3
        sleep 0.15
    }
    play
    # A terminal draws in whatever colour it was last sent: the game's last
    # was the highlight of 卷个**, and the terminal's own must follow it.
    local last
    last=$(grep -ao $'\e\[[0-9;]*m' "$run/$console/bytes" | tail -1)
    [[ $last == $'\e[m' || $last == $'\e[0m' ]] || fail "the terminal was left in the colour ${last#?}"
    exec 3>&-
    wait
}

window_round &
window=$!
terminal_round &
terminal=$!
status=0
wait $window || status=1
wait $terminal || status=1
((status == 0)) && echo "windows round test passed"
exit $status
