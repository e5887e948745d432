#!/usr/bin/env bash
# Real key presses under Xvfb, typed by xdotool, read through the engine's keyboard.
# For keys of the main block DirectInput's code is the Linux input code (both are the PC
# scan code), taken from the kernel's own header; extended keys carry the scan code of
# their E0 sequence plus 0x80. Usage: keyboard_xvfb.sh PATH/TO/tovren_keyprobe
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail

probe=${1:?usage: keyboard_xvfb.sh PATH/TO/tovren_keyprobe}
codes=/usr/include/linux/input-event-codes.h
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "keyboard_xvfb: $tool not installed"; exit 77; }
done
[ -r "$codes" ] || { echo "keyboard_xvfb: $codes missing"; exit 77; }

if [ -z "${KV_KEYBOARD_XVFB_INNER:-}" ]; then
  KV_KEYBOARD_XVFB_INNER=1 exec xvfb-run -a -s "-screen 0 640x480x24" "$0" "$probe"
fi

input_code() { awk -v name="$1" '$1 == "#define" && $2 == name { print $3; exit }' "$codes"; }

# keysym  Linux key name  (DirectInput code when it is not the Linux code)
keys=(
  "a KEY_A" "q KEY_Q" "z KEY_Z" "1 KEY_1" "0 KEY_0" "minus KEY_MINUS" "equal KEY_EQUAL"
  "BackSpace KEY_BACKSPACE" "Tab KEY_TAB" "bracketleft KEY_LEFTBRACE" "bracketright KEY_RIGHTBRACE"
  "Return KEY_ENTER" "Control_L KEY_LEFTCTRL" "semicolon KEY_SEMICOLON" "apostrophe KEY_APOSTROPHE"
  "grave KEY_GRAVE" "Shift_L KEY_LEFTSHIFT" "backslash KEY_BACKSLASH" "comma KEY_COMMA"
  "period KEY_DOT" "slash KEY_SLASH" "Shift_R KEY_RIGHTSHIFT" "KP_Multiply KEY_KPASTERISK"
  "Alt_L KEY_LEFTALT" "space KEY_SPACE" "Caps_Lock KEY_CAPSLOCK" "F1 KEY_F1" "F10 KEY_F10"
  "Num_Lock KEY_NUMLOCK" "Scroll_Lock KEY_SCROLLLOCK" "KP_Home KEY_KP7" "KP_Subtract KEY_KPMINUS"
  "KP_Begin KEY_KP5" "KP_Add KEY_KPPLUS" "KP_End KEY_KP1" "KP_Insert KEY_KP0" "KP_Delete KEY_KPDOT"
  "brokenbar KEY_102ND" "F11 KEY_F11" "F12 KEY_F12"
  "Henkan_Mode KEY_HENKAN 79" "Hiragana_Katakana KEY_KATAKANAHIRAGANA 70" "Muhenkan KEY_MUHENKAN 7b"
  "KP_Equal KEY_KPEQUAL 8d" "KP_Enter KEY_KPENTER 9c" "Control_R KEY_RIGHTCTRL 9d"
  "KP_Divide KEY_KPSLASH b5" "Print KEY_SYSRQ b7" "Alt_R KEY_RIGHTALT b8" "Pause KEY_PAUSE c5"
  "Home KEY_HOME c7" "Up KEY_UP c8" "Prior KEY_PAGEUP c9" "Left KEY_LEFT cb" "Right KEY_RIGHT cd"
  "End KEY_END cf" "Down KEY_DOWN d0" "Next KEY_PAGEDOWN d1" "Insert KEY_INSERT d2"
  "Delete KEY_DELETE d3" "Super_L KEY_LEFTMETA db" "Super_R KEY_RIGHTMETA dc" "Menu KEY_COMPOSE dd"
)

out=$(mktemp)
trap 'rm -f "$out"' EXIT
unset SDL_VIDEODRIVER
"$probe" 60 >"$out" &
pid=$!
for _ in $(seq 100); do grep -q '^ready' "$out" && break; sleep 0.1; done
grep -q '^ready' "$out" || { echo "keyboard_xvfb: the probe did not start"; exit 1; }
window=$(xdotool search --sync --name '^keyprobe$' | head -1)
xdotool windowfocus --sync "$window"

# Each key is held until the probe has reported it, so a busy machine cannot make a press
# fall between two polls; a key that never shows its code fails after two seconds.
failures=0
for entry in "${keys[@]}"; do
  kill -0 "$pid" 2>/dev/null || { echo "keyboard_xvfb: the probe ended early"; exit 1; }
  read -r keysym name dik <<<"$entry"
  code=${dik:-$(printf '%02x' "$(input_code "$name")")}
  xdotool keydown "$keysym"
  seen=0
  for _ in $(seq 200); do
    if grep -q "^down $code " "$out"; then seen=1; break; fi
    sleep 0.01
  done
  xdotool keyup "$keysym"
  if [ "$seen" -eq 0 ]; then
    echo "FAIL: $keysym should read as DirectInput code 0x$code"
    failures=$((failures + 1))
  fi
done
xdotool key Escape
wait "$pid"

# Typed characters of the main block, through GetChar.
for pair in "1e 97" "10 113" "35 47" "39 32" "1c 10" "47 55"; do
  read -r code char <<<"$pair"
  grep -q "^down $code $char\$" "$out" || { echo "FAIL: code 0x$code should type $char"; failures=$((failures + 1)); }
done
echo "keyboard_xvfb: ${#keys[@]} keys, $failures failures"
[ "$failures" -eq 0 ]
