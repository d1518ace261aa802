# A virtual display of a run's own, for the scripts that drive programs on one (sourced, not run).
#
#   start_own_display FOLDER [:N]
#
# starts Xvfb on :N, or on the first free display, and waits until it takes connections (Xvfb
# says its number then); sets xvfb to its process and display to ":number". A fixed number could
# be another program's display, whose windows would then take the keys and clicks meant for ours.
# When no display comes within 10 s, says what Xvfb printed and exits 1.
start_own_display() { # folder for its files, then the display asked for, if any
    rm -f "$1/display"
    Xvfb ${2:-} -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$1/display" \
        >"$1/xvfb.log" 2>&1 </dev/null &
    xvfb=$!
    tries=0
    while [ ! -s "$1/display" ] && kill -0 "$xvfb" 2>/dev/null && [ "$tries" -lt 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    if [ ! -s "$1/display" ]; then
        echo "FAILED: Xvfb ${2:-} gave no display within 10 s; it printed:" >&2
        sed 's/^/    /' "$1/xvfb.log" >&2
        exit 1
    fi
    display=:$(head -n 1 "$1/display")
}
