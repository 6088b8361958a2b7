# Drives the program's real window under Xvfb with xdotool, reading what it
# shows through its window dump (QUORVANE_WINDOW_DUMP and SIGUSR1). Sourced
# by the scripts that run the program; they set dump, app_pid and window
# and define fail.

# What the window shows now, field by field.
refresh() {
  rm -f "$dump"
  kill -USR1 "$app_pid"
  for _ in $(seq 100); do [[ -s $dump ]] && return; sleep 0.05; done
  fail "no window dump"
}
text_of() { awk -F'\t' -v n="$1" '$1 == n { print $2 }' "$dump"; }
expect() {
  refresh
  [[ $(text_of "$1") == "$2" ]] || fail "$1 shows '$(text_of "$1")', not '$2'"
}
click() {
  refresh
  local place x y w h
  place=$(awk -F'\t' -v n="$1" '$1 == n { print $3 }' "$dump")
  IFS=, read -r x y w h <<<"$place"
  xdotool mousemove --window "$window" $((x + w / 2)) $((y + h / 2)) click 1
}
# Answers the open message box with Enter.
press_enter_on_box() {
  local box
  box=$(xdotool search --onlyvisible --name '^Quorvane$' | grep -vx "$window" | tail -1)
  xdotool windowfocus --sync "$box" key Return
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Quorvane$' | grep -qx "$box" || return 0
    sleep 0.05
  done
  fail "the message box stayed open"
}
# Waits for a message box with this text and answers it.
answer() {
  for _ in $(seq 1200); do
    refresh
    [[ $(text_of message) == "$1" ]] && { press_enter_on_box; return; }
    [[ -n $(text_of message) ]] && fail "message '$(text_of message)' instead of '$1'"
    sleep 0.1
  done
  fail "no message '$1'"
}

# Waits until the field has the keyboard focus.
wait_for_focus() {
  for _ in $(seq 200); do
    refresh
    [[ $(text_of focus) == "$1" ]] && return
    sleep 0.05
  done
  fail "the focus is on '$(text_of focus)', not on $1"
}
# Types into the focused field and waits until it shows the text, so that
# a busy machine never reorders keys and focus.
type_into() {
  wait_for_focus "$1"
  xdotool type --delay 30 "$2"
  for _ in $(seq 200); do
    refresh
    [[ $(text_of "$1") == "$2" ]] && return
    sleep 0.05
  done
  fail "$1 shows '$(text_of "$1")', not '$2'"
}
