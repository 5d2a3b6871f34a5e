#!/usr/bin/env bash
# Runs the Windows build under wine in a private tmux server up to the mode
# menu: the exe must start in a console, type the welcome lines, take Enter
# and an arrow key, and draw the highlight in its attribute. Wine lays CJK text
# out unlike conhost, so the layout is not checked here.
# Usage: tests/windows_smoke.sh [build directory, default build/windows]
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v wine >/dev/null; then
    echo "windows smoke test skipped: wine is not installed"
    exit 0
fi
build=$(realpath -m "${1:-build/windows}")
exe=$build/src/wendlecrux-snake.exe
if [[ ! -f $exe ]]; then
    echo "windows smoke test: $exe is missing; build the windows preset first" >&2
    exit 1
fi

export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all
unset DISPLAY
socket=winsmoke-$$
trap 'tmux -L "$socket" kill-server 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT

# Creating the prefix takes seconds; done here, it cannot eat into the waits.
wineboot -i >/dev/null 2>&1
tmux -L "$socket" new-session -d -x 82 -y 32 "wine '$exe'; sleep 60"

screen() { tmux -L "$socket" capture-pane -p "$@"; }
shows() { screen | grep -qF -- "$1"; }
highlighted() { screen -e | grep -qF -- $'\e[47m'"$1"; }
# wait_until SECONDS COMMAND...: polls until COMMAND succeeds.
wait_until() {
    local tries=$(($1 * 5))
    shift
    until "$@"; do
        ((--tries > 0)) || return 1
        sleep 0.2
    done
}
fail() {
    echo "windows smoke test FAILED: $1; the screen:" >&2
    screen >&2
    exit 1
}

# One Enter per welcome line: a key sent early would be kept for the next read.
# Wine echoes keys in canonical mode until the first console read, hence the pause.
for line in "欢迎来到Kvor蛇游戏！" "既然来了的话，" "就努力成为最卷的蛇吧！"; do
    wait_until 20 shows "$line" || fail "welcome line \"$line\" never appeared"
    sleep 1
    tmux -L "$socket" send-keys Enter
done
wait_until 20 shows "请选择你的Kvor模式：" || fail "no mode menu"
wait_until 5 highlighted "摆烂模式" || fail "the first mode is not highlighted"

tmux -L "$socket" send-keys Down
wait_until 5 highlighted "平凡模式" || fail "Down did not move the highlight"
highlighted "摆烂模式" && fail "the first mode kept its highlight"
echo "windows smoke test passed"
