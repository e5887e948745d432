#!/usr/bin/env bash
# The game as a player meets it, under Xvfb: a window, real key presses typed by xdotool, its
# sound mixed to a file by SDL's disk audio driver, full screen, and Ctrl+C.
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
# Presses a key until the log shows `$2`: the game reads the keyboard once a frame, and a
# busy machine can let a short press fall between two frames.
press_until() {
  for _ in $(seq 20); do
    xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"
    for _ in $(seq 10); do grep -q "$2" "$work/log.html" && return 0; sleep 0.1; done
  done
  fail "pressing $1 never led to \"$2\""
}
# Waits until the game has loaded everything and runs its loop.
wait_ready() {
  for _ in $(seq 300); do grep -q "Sound: " "$work/log.html" 2>/dev/null && return 0; sleep 0.1; done
  fail "the game did not start: $(cat "$work/out")"
}

# A round played with the keyboard: Enter starts, the arrows fly, Escape gives up, and
# Escape on the title quits.
rm -f "$work/log.html"
"$glider" --log "$work/log.html" >"$work/out" 2>&1 &
pid=$!
window=$(xdotool search --sync --name '^Glider$' | head -1)
wait_ready
xdotool windowfocus --sync "$window"
press_until Return "Round started"
xdotool keydown Right keydown Up
sleep 1.5
xdotool keyup Right keyup Up
xdotool keydown space
sleep 1
xdotool keyup space
press_until Escape "Round given up"
press_until Escape "Goodbye"
wait "$pid" || fail "glider exited with $? ($(cat "$work/out"))"
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
echo "glider_xvfb: window, keys, sound, full screen and Ctrl+C all fine ($loud bytes of sound)"
