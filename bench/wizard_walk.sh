# shellcheck shell=bash disable=SC2154  # walk_dir and DISPLAY come from the script that sources this file
# Walking an installer's wizard with the real mouse under Xvfb (xdotool), for
# the bench scripts; sourced, not run. Needs DISPLAY of a Wine world and a
# scratch folder in walk_dir.
#   wizard_start EXE       starts EXE under Wine, waits for the wizard (walk_pid,
#                          walk_wizard), and keeps a picture of the idle Next button
#   wizard_to_folder_page  Next, Next, tick the agreement, Next: page 3
#   wizard_check           Next on page 3; returns when the confirmation page
#                          shows the Next button again (the environment check is over)
#   wizard_confirm         Next on the confirmation page; returns when the finish
#                          dialog shows (walk_finish)
#   wizard_end             ends the installer's process
#   walk_away              pointer to the screen's corner, then a pause
# The wizard is centred on the screen (walk_x, walk_y: its top-left corner);
# points are client pixels of the wizard's controls.

read -r walk_screen_w walk_screen_h < <(xdpyinfo -display "$DISPLAY" | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
walk_x=$(((walk_screen_w - 600) / 2))
walk_y=$(((walk_screen_h - 360) / 2))
walk_next=(539 300)   # the Next button (499, 282, 79 x 36)
walk_agree=(570 259)  # the agreement check box, right of its text (440, 248, 140 x 22)
walk_next_area="79x36+$((walk_x + 499))+$((walk_y + 282))"

walk_click() { xdotool mousemove $((walk_x + $1)) $((walk_y + $2)) click 1; sleep "${walk_pause:-1.5}"; }
walk_away() { xdotool mousemove 0 0; sleep "${walk_pause:-1.5}"; }
walk_next_shown() {
  import -window root -crop "$walk_next_area" +repage "$walk_dir/next-now.png" &&
    [ "$(compare -metric AE "$walk_dir/next-idle.png" "$walk_dir/next-now.png" null: 2>&1)" = 0 ]
}

wizard_start() {
  /usr/lib/wine/wine64 "$1" >/dev/null 2>&1 &
  walk_pid=$!
  walk_wizard=""
  for _ in $(seq 1200); do  # up to a minute: a loaded machine starts Wine slowly
    walk_wizard=$(xdotool search --onlyvisible --pid "$walk_pid" 2>/dev/null | head -1) && [ -n "$walk_wizard" ] && break
    kill -0 "$walk_pid" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "$walk_wizard" ] || { echo "wizard_walk: $1 shows no wizard" >&2; return 1; }
  walk_away
  import -window root -crop "$walk_next_area" +repage "$walk_dir/next-idle.png"
}

wizard_to_folder_page() {
  walk_click "${walk_next[@]}"
  walk_click "${walk_next[@]}"
  walk_click "${walk_agree[@]}"
  walk_click "${walk_next[@]}"
}

wizard_check() {
  xdotool mousemove $((walk_x + walk_next[0])) $((walk_y + walk_next[1])) click 1 mousemove 0 0
  sleep 0.2  # the pressed button is hidden with page 4, before it could show idle
  for _ in $(seq 6000); do
    walk_next_shown && return 0
    sleep 0.02
  done
  echo "wizard_walk: the confirmation page did not show" >&2
  return 1
}

wizard_confirm() {
  xdotool mousemove $((walk_x + walk_next[0])) $((walk_y + walk_next[1])) click 1
  walk_finish=""  # the process's visible window once the wizard has hidden
  for _ in $(seq 6000); do
    walk_finish=$(xdotool search --onlyvisible --pid "$walk_pid" 2>/dev/null | grep -vx "$walk_wizard" | head -1) &&
      [ -n "$walk_finish" ] && return 0
    sleep 0.02
  done
  echo "wizard_walk: no finish dialog" >&2
  return 1
}

wizard_end() {
  kill "$walk_pid" 2>/dev/null || true
  wait "$walk_pid" 2>/dev/null || true
  WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
}
