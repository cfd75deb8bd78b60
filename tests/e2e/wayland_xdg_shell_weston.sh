# On a compositor without the layer shell (Weston 10, headless, GL
# composition) the saver shows one full-screen xdg_toplevel: the scene at the
# output's size, and SIGTERM or SIGINT ends it, killed by that signal. (Weston
# offers no way to send keys or pointer moves here: the exit rules on input
# are those the layer-shell script checks, from the same code.)
source "$E2E_LIB"

section "full screen without the layer shell"
start_saver
expect_scene "the window at 1024x768" "$E2E_OUT/weston.png" - 1024 768
expect "nothing said" "$(cat "$E2E_OUT/saver.err")" ""
expect_signal_ends "SIGTERM" TERM

section "on the output --output names"
start_saver --output headless --fps
expect_scene "again" "$E2E_OUT/weston_output.png" - 1024 768
expect_signal_ends "SIGINT" INT

finish
