#!/usr/bin/env bash
# Runs the Windows build under wine in a private tmux server and plays up to
# the start of a game: the exe must start in a console, type the welcome
# lines, take Enter and arrow keys, draw the highlight in its attribute and
# read a typed number.
# Wine lays CJK text out unlike conhost, so the layout is not checked here.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v wine >/dev/null; then
    echo "windows smoke test skipped: wine is not installed"
    exit 0
fi
exe=build/windows/src/wendlecrux-snake.exe
if [[ ! -f $exe ]]; then
    echo "windows smoke test: $exe is missing; build the windows preset first" >&2
    exit 1
fi

export WINEPREFIX="$PWD/build/windows/wine-prefix"
export WINEDEBUG=-all
unset DISPLAY
socket=winsmoke

cleanup() {
    tmux -L "$socket" kill-server 2>/dev/null || true
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# Creating the prefix takes seconds; done here, it cannot eat into the waits.
wineboot -i >/dev/null 2>&1

tmux -L "$socket" new-session -d -x 82 -y 32 "wine '$exe'; sleep 60"

screen() { tmux -L "$socket" capture-pane -p "$@"; }

# wait_until SECONDS COMMAND...: polls until COMMAND succeeds.
wait_until() {
    local tries=$(($1 * 5))
    shift
    while ((tries-- > 0)); do
        if "$@"; then return 0; fi
        sleep 0.2
    done
    return 1
}

shows() { screen | grep -qF -- "$1"; }
hides() { ! shows "$1"; }
highlighted() { screen -e | grep -qF -- $'\e[47m'"$1"; }

fail() {
    echo "windows smoke test FAILED: $1; the screen:" >&2
    screen >&2
    exit 1
}

# Each welcome line waits for a key once typed and is blanked when it gets it.
# A key sent early would be kept for the next read, so exactly one goes per line.
# Wine leaves the terminal in canonical mode, echoing, until the first console
# read: the pause lets the game get there before the key arrives.
for line in "欢迎来到Kvor蛇游戏！" "既然来了的话，" "就努力成为最卷的蛇吧！"; do
    wait_until 20 shows "$line" || fail "welcome line \"$line\" never appeared"
    sleep 1
    tmux -L "$socket" send-keys Enter
    wait_until 10 hides "$line" || fail "Enter did not dismiss \"$line\""
done

wait_until 10 shows "请选择你的Kvor模式：" || fail "no difficulty menu"
wait_until 5 highlighted "摆烂模式" || fail "the first mode is not highlighted"

tmux -L "$socket" send-keys Down
wait_until 5 highlighted "平凡模式" || fail "Down did not move the highlight"
highlighted "摆烂模式" && fail "the first mode kept its highlight"

# The last mode asks for a number: a blank line is no reply, and what follows
# the number is dropped.
tmux -L "$socket" send-keys Down Down Enter
wait_until 5 shows ">>>" || fail "no prompt for the pace"
sleep 0.5
tmux -L "$socket" send-keys Enter
tmux -L "$socket" send-keys -l "  35abc"
tmux -L "$socket" send-keys Enter
wait_until 10 shows "卷王模式（35）" || fail "the pace typed was not taken"

echo "windows smoke test passed"
