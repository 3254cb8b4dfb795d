#!/usr/bin/env bash
# A short run of Tintaro-soak from a copy of the game's folder: arms turned, a new game, a
# second game, the saved exit. Passes when every frame kept the rules and two games ran.
#   short_soak.sh TINTARO_SOAK
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$(dirname "$program")"/. "$work/"
rm -f "$work"/*.dat
{
    echo "wait 5"
    for round in 1 2; do
        for arm in "300 180" "290 225" "360 400" "440 395" "500 185" "515 225"; do
            echo "click $arm"
            echo "wait 2"
        done
        [[ $round == 1 ]] && printf 'click 610 545\nwait 3\n'
    done
    printf 'click 750 545\nwait 10\n'
} >"$work/script.txt"
cd "$work"
SDL_AUDIODRIVER=dummy "$program" --script script.txt 2>err.txt || {
    cat err.txt >&2
    exit 1
}
cat err.txt
grep -q '^soak: [0-9]* frames, [0-9]* checked, 2 games, .*, last game 6 moves$' err.txt
test -s moves.dat
