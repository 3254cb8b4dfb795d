# Helpers for scripts that drive the programs' real windows on an X display with xdotool
# and look at them with ImageMagick. Sourced by scripts/window-check and scripts/install-check.
# The caller sets: out (screenshots go there), work (scratch folder), ref (reference BMPs
# captured from the headless programs).

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

# Prints the window id of the visible window of program NAME (waits up to 10 s).
wait_window() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --classname "^$1\$" 2>/dev/null | head -1 || true)
        if [[ -n $id ]]; then
            echo "$id"
            return
        fi
        sleep 0.1
    done
    return 1
}
# Waits until no window of program NAME is left (up to 10 s).
wait_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --classname "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
# "x y w h" of the window's inside on the screen.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^  Width/ { w = $NF } /^  Height/ { h = $NF } END { print x, y, w, h }'
}
# "x y w h" of the picture inside a window of w x h: the largest 4:3 box, centred.
picture_box() {
    local w=$1 h=$2 bw bh
    if ((w * 600 <= h * 800)); then
        bw=$w
        bh=$(((w * 600 + 400) / 800))
    else
        bh=$h
        bw=$(((h * 800 + 300) / 600))
    fi
    echo $(((w - bw) / 2)) $(((h - bh) / 2)) "$bw" "$bh"
}
# Clicks picture point PX PY in window WID where the scaled picture shows it.
click_picture() {
    click_picture_now "$@"
    sleep 1
}
# Takes a screenshot as $out/NAME.png and writes the window's picture, brought back to
# 800 x 600, to $work/NAME-picture.png.
shot() {
    local wid=$1 name=$2 x y w h bx by bw bh
    sleep 0.5
    import -window root "$out/$name.png"
    read -r x y w h < <(geometry "$wid")
    read -r bx by bw bh < <(picture_box "$w" "$h")
    convert "$out/$name.png" -crop "${bw}x${bh}+$((x + bx))+$((y + by))" +repage \
        -resize '800x600!' "$work/$name-picture.png"
}
# How far two pictures are apart (root mean square error, 0 to 1), optionally only in the
# box W H X Y of both.
distance() {
    local a=$1 b=$2
    if (($# == 6)); then
        convert "$a" -crop "${3}x${4}+${5}+${6}" +repage "$work/crop-a.png"
        convert "$b" -crop "${3}x${4}+${5}+${6}" +repage "$work/crop-b.png"
        a=$work/crop-a.png b=$work/crop-b.png
    fi
    # compare exits non-zero when the pictures differ at all; the figure is what counts.
    { compare -metric RMSE "$a" "$b" null: 2>&1 || true; } | sed 's/.*(\(.*\))/\1/'
}
# Takes a screenshot as NAME.png and prints how far the window's picture is from the
# reference REF.bmp.
shot_distance() {
    shot "$1" "$2"
    distance "$work/$2-picture.png" "$ref/$3.bmp"
}
# Passes when the window shows the reference picture (scaling leaves a small distance; a
# different screen is far off): expect_picture WID NAME REF. expect_changed_from passes when
# it is far from it (a screen that should have changed did).
expect_picture() { expect_reference "$@" shows; }
expect_changed_from() { expect_reference "$@" "no longer shows"; }
expect_reference() {
    local d verdict=shows
    d=$(shot_distance "$1" "$2" "$3")
    awk -v d="$d" 'BEGIN { exit !(d < 0.05) }' || verdict="no longer shows"
    if [[ $verdict == "$4" ]]; then
        pass "$2: the window $verdict $3 (distance $d)"
    else
        fail "$2: the window $verdict $3, expected it $4 it (distance $d)"
    fi
}
# Sends key KEY to window WID.
key() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
    xdotool key --clearmodifiers "$2"
    sleep 1.5
}
# As click_picture, without the pause after the click.
click_picture_now() {
    local wid=$1 px=$2 py=$3 x y w h bx by bw bh
    read -r x y w h < <(geometry "$wid")
    read -r bx by bw bh < <(picture_box "$w" "$h")
    xdotool mousemove $((x + bx + (2 * px + 1) * bw / 1600)) $((y + by + (2 * py + 1) * bh / 1200))
    sleep 0.3
    xdotool click 1
}
# Writes the window's picture, brought back to 800 x 600, to $work/NAME-picture.png at once,
# without a screenshot to keep: for what shows only for a moment.
shot_now() {
    local wid=$1 name=$2 x y w h bx by bw bh
    read -r x y w h < <(geometry "$wid")
    read -r bx by bw bh < <(picture_box "$w" "$h")
    import -window root -crop "${bw}x${bh}+$((x + bx))+$((y + by))" +repage "$work/$name-raw.png"
    convert "$work/$name-raw.png" -resize '800x600!' "$work/$name-picture.png"
}
