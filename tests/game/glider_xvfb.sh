#!/usr/bin/env bash
# The game as a player meets it, under Xvfb: a window, real key presses typed by xdotool, a
# game controller (SDL's virtual one, which the game plugs in and moves as the lines this
# script writes to GLIDER_TEST_PAD say), its sound mixed to a file by SDL's disk audio
# driver, full screen, and Ctrl+C.
# Usage: glider_xvfb.sh PATH/TO/glider. Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail

glider=${1:?usage: glider_xvfb.sh PATH/TO/glider}
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "glider_xvfb: $tool not installed"; exit 77; }
done
if [ -z "${KV_GLIDER_XVFB_INNER:-}" ]; then
  KV_GLIDER_XVFB_INNER=1 exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$glider"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/mix.raw"
fail() { echo "FAIL: $*"; exit 1; }
has() { grep -q "$1" "$work/log.html" || fail "the log has no \"$1\""; }
logged() { { grep -o "$1" "$work/log.html" 2>/dev/null || true; } | wc -l; }
# Presses a key (`press_until key Return TEXT`) or a pad button (`press_until pad start
# TEXT`) until the log shows TEXT once more than before: the game reads its input once a
# frame, and a busy machine can let a short press fall between two frames.
press_until() {
  local before
  before=$(logged "$3")
  for _ in $(seq 20); do
    if [ "$1" = key ]; then
      xdotool keydown "$2"; sleep 0.2; xdotool keyup "$2"
    else
      echo "$2 1" >>"$pad"; sleep 0.2; echo "$2 0" >>"$pad"
    fi
    for _ in $(seq 10); do [ "$(logged "$3")" -gt "$before" ] && return 0; sleep 0.1; done
  done
  fail "pressing $2 never led to \"$3\""
}
# How far the glider turned in the round given up `$1`-th.
turned() { grep -o "the glider turned [-+][0-9]* degrees" "$work/log.html" | sed -n "$1p" | grep -o "[-+][0-9]*"; }
# Waits until the game has loaded everything and runs its loop.
wait_ready() {
  for _ in $(seq 300); do grep -q "Sound: " "$work/log.html" 2>/dev/null && return 0; sleep 0.1; done
  fail "the game did not start: $(cat "$work/out")"
}

# A round played with the keyboard: Enter starts, the arrows fly (right and up) and space
# boosts, Escape gives up. Then one with the controller: start, the left stick pushed left
# with A held to boost, back to give up. Escape on the title quits.
rm -f "$work/log.html"
pad=$work/pad
: >"$pad"
GLIDER_TEST_PAD=$pad "$glider" --log "$work/log.html" >"$work/out" 2>&1 &
pid=$!
window=$(xdotool search --sync --name '^Glider$' | head -1)
wait_ready
has "Input: keyboard, mouse and a game controller"
xdotool windowfocus --sync "$window"
press_until key Return "Round started"
# Held for 0.8 s: 72 degrees, and far less than a half turn even when a busy machine is
# slow to start xdotool for the release.
xdotool keydown Right keydown Up
sleep 0.8
xdotool keyup Right keyup Up
xdotool keydown space
sleep 1
xdotool keyup space
press_until key Escape "Round given up"
press_until pad start "Round started"
printf 'leftx -32768\na 1\n' >>"$pad"
sleep 0.8
printf 'leftx 0\na 0\n' >>"$pad"
press_until pad back "Round given up"
press_until key Escape "Goodbye"
wait "$pid" || fail "glider exited with $? ($(cat "$work/out"))"
# Each round began heading north; the keys turned it right (clockwise), the stick left.
keys=$(turned 1) stick=$(turned 2)
[ "${keys:-0}" -gt 20 ] || fail "the right arrow did not turn the glider right (turned ${keys:-nothing})"
[ "${stick:-0}" -lt -20 ] || fail "the stick did not turn the glider left (turned ${stick:-nothing})"
has "Sound: on"
# The music and the start fanfare reached the sound device.
loud=$(tr -d '\000' <"$work/mix.raw" | wc -c)
[ "$loud" -gt 10000 ] || fail "the mixed sound is silent ($loud non-zero bytes)"

# Full screen, silent, a few frames. The 24-bit screen has an 800x600 mode for a 32-bit
# device but none for 16 bits, where the game says so and plays in a window.
"$glider" --fullscreen --mute --frames 30 --log "$work/log.html" >"$work/out" 2>&1 || fail "full screen: $(cat "$work/out")"
has "Graphics: 800x600, 32 bits, full screen"
"$glider" --fullscreen --depth 16 --mute --frames 30 --log "$work/log.html" >"$work/out" 2>&1 || fail "16 bits: $(cat "$work/out")"
has "Graphics: 800x600, 16 bits, windowed"
grep -q "no 800x600 mode at 16 bits; playing in a window" "$work/out" || fail "no word about the window: $(cat "$work/out")"

# Ctrl+C ends the game cleanly, with its log complete.
rm -f "$work/log.html"
"$glider" --mute --log "$work/log.html" >"$work/out" 2>&1 &
pid=$!
wait_ready
kill -INT "$pid"
wait "$pid" || fail "Ctrl+C: exit status $?"
has "Stopped by a signal"
has "Goodbye"
echo "glider_xvfb: window, keys (turned $keys), controller (turned $stick), sound, full screen and Ctrl+C all fine ($loud bytes of sound)"
