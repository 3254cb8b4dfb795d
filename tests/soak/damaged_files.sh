#!/usr/bin/env bash
# Damaged-files sweep: every picture, sound and settings file of the staged menu folder and of
# the game folder is in turn removed, cut to half its size, cut to 10 bytes (inside its header)
# and emptied; each time Gatefold-headless and Tintaro-headless are driven through every screen,
# each in a fresh copy of the stage. A run fails on a non-zero exit status (a crash, a hang
# stopped by --max-frames, or the backstop timeout) or a sanitizer report on stderr.
#   damaged_files.sh STAGE_DIR
# Environment: SWEEP_JOBS (parallel runs, default the number of cores), SWEEP_RUN_TIMEOUT
# (seconds a run may take before it is killed, default 120). Prints a summary; exits 1 when any
# run failed or the intact stage no longer reaches the last screen of either script.
set -euo pipefail

stage=$(cd "${1:?usage: damaged_files.sh STAGE_DIR}" && pwd)
for program in Gatefold-headless Tintaro/Tintaro-headless; do
    [[ -x $stage/$program ]] || { echo "sweep: no $stage/$program" >&2; exit 1; }
done
jobs=${SWEEP_JOBS:-$(nproc)}
export SWEEP_RUN_TIMEOUT=${SWEEP_RUN_TIMEOUT:-120}
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export SANITIZER_REPORT='ERROR: AddressSanitizer\|runtime error:\|ThreadSanitizer\|LeakSanitizer'

work=$(mktemp -d "${TMPDIR:-/tmp}/damaged-files.XXXXXX")
trap 'rm -rf "$work"' EXIT
export SWEEP_WORK=$work
started=$(date +%s)

# One snapshot of the stage, without saved files, so that every run starts as a fresh install
# and a rebuild meanwhile cannot mix versions. Runs get hard-linked copies of it (cheap): the
# programs replace the files they save, and a damaged file is written as a new file, so the
# snapshot stays intact, which the checksums below confirm at the end.
cp -r "$stage" "$work/base"
rm -f "$work/base/options.ini" "$work/base"/*/hiscore.dat "$work/base"/*/moves.dat
(cd "$work/base" && find . -type f -print0 | sort -z | xargs -0 md5sum) >"$work/base.md5"

# The data files: everything that is not a program or a library, in the menu folder itself
# and anywhere in the game's folder.
mapfile -t files < <(cd "$work/base" &&
    find . -maxdepth 1 -type f ! -perm -u+x ! -name '*.so*' -printf '%P\n' | sort &&
    find Tintaro -type f ! -perm -u+x ! -name '*.so*' | sort)
damages=(missing half header empty)

# Gatefold: the list, the game's title screen, How to Play, Credits, High Scores, Players,
# back to the list, the information page, the title screen again and Play (in headless, Play
# writes a "launch" line for Tintaro and ends the menu). Each page is closed where its Back
# is, or inside its picture; a page whose picture or Back picture is damaged takes that click
# too. When a screen cannot go on, the script runs out and the menu is asked to close.
cat >"$work/gatefold.txt" <<'EOF'
wait 3
click 74 180
wait 3
click 108 324
wait 3
click 400 300
wait 3
click 108 463
wait 3
click 400 300
wait 3
click 108 393
wait 3
click 692 256
wait 3
click 400 342
wait 3
click 701 527
wait 3
click 692 393
wait 3
click 670 105
wait 3
click 733 388
wait 3
click 74 180
wait 3
click 692 324
wait 5
EOF
# Tintaro: three arms, the help page opened and closed, New Game, one more arm, Exit (which
# saves moves.dat).
cat >"$work/tintaro.txt" <<'EOF'
wait 3
click 314 183
wait 3
click 511 189
wait 3
click 362 402
wait 3
click 680 545
wait 3
click 700 500
wait 3
click 610 545
wait 3
click 300 225
wait 3
click 750 545
wait 5
EOF

# One run: INDEX PROGRAM (Gatefold or Tintaro) DAMAGE FILE. Writes $SWEEP_WORK/results/INDEX
# as "STATUS FILE DAMAGE PROGRAM REACHED WHAT" (tab-separated), its stderr to INDEX.err and its
# message boxes to INDEX.box.
# shellcheck disable=SC2317  # called through xargs
run_one() {
    local index=$1 program=$2 damage=$3 file=$4
    local base=$SWEEP_WORK/base run=$SWEEP_WORK/run-$index out=$SWEEP_WORK/results/$index
    cp -al "$base" "$run"
    if [[ $damage != none ]]; then
        local size
        size=$(stat -c %s "$base/$file")
        rm -f "$run/$file" # a new file: never write through the hard link into the snapshot
        case $damage in
            missing) ;;
            half) head -c $((size / 2)) "$base/$file" >"$run/$file" ;;
            header) head -c 10 "$base/$file" >"$run/$file" ;;
            empty) : >"$run/$file" ;;
        esac
    fi
    local dir=$run exe=Gatefold-headless script=gatefold.txt
    if [[ $program == Tintaro ]]; then
        dir=$run/Tintaro exe=Tintaro-headless script=tintaro.txt
    fi
    local rc=0
    # The outer redirection silences the shell's own "Segmentation fault" notice.
    { (cd "$dir" && timeout -s KILL "$SWEEP_RUN_TIMEOUT" "./$exe" \
        --script "$SWEEP_WORK/$script" --transcript "$run/transcript.tsv" --max-frames 1000) \
        >/dev/null 2>"$out.err"; } 2>/dev/null || rc=$?
    # The last screen: Gatefold's Play wrote its launch line for Tintaro, Tintaro's Exit saved.
    local reached=no
    if [[ $program == Gatefold ]]; then
        if grep -qs $'^launch\topen\tTintaro' "$run/transcript.tsv"; then reached=yes; fi
    elif [[ -s $run/Tintaro/moves.dat ]]; then
        reached=yes
    fi
    local status=ok what="exit 0"
    if ((rc == 124)) && grep -q 'max-frames .* reached' "$out.err"; then
        status=FAIL what="hung: --max-frames reached (exit 124)"
    elif ((rc == 137)); then
        status=FAIL what="killed after ${SWEEP_RUN_TIMEOUT} s (timeout backstop)"
    elif ((rc > 128)); then
        status=FAIL what="crashed: signal $(kill -l $((rc - 128)))"
    elif ((rc != 0)); then
        status=FAIL what="exit $rc"
    fi
    if grep -q "$SANITIZER_REPORT" "$out.err"; then status=FAIL what="$what, sanitizer report"; fi
    grep -s '^messagebox' "$run/transcript.tsv" | cut -f2- | sed "s|$run|STAGE|" | sort -u \
        >"$out.box" || true
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$status" "$file" "$damage" "$program" "$reached" "$what" \
        >"$out"
    rm -rf "$run"
}
export -f run_one

# The intact stage first (index 0 and 1), then every file and damage, both programs each.
mkdir "$work/results"
{
    index=0
    for program in Gatefold Tintaro; do
        printf '%s\0%s\0none\0-\0' $((index++)) "$program"
    done
    for file in "${files[@]}"; do
        for damage in "${damages[@]}"; do
            for program in Gatefold Tintaro; do
                printf '%s\0%s\0%s\0%s\0' $((index++)) "$program" "$damage" "$file"
            done
        done
    done
} | xargs -0 -n4 -P"$jobs" bash -c 'run_one "$@"' _

# ---- Summary -------------------------------------------------------------------------------
seconds=$(($(date +%s) - started))
cases=$((${#files[@]} * ${#damages[@]}))
expected=$((2 + cases * 2))
mapfile -t lines < <(cd "$work/results" && find . -name '[0-9]*' ! -name '*.*' -printf '%f\n' |
    sort -n | while read -r i; do printf '%s\t%s\n' "$i" "$(cat "$i")"; done)
runs=${#lines[@]}
echo "damaged-files sweep of $stage"
echo "  ${#files[@]} files x ${#damages[@]} damages (${damages[*]}) = $cases cases;" \
    "$runs runs of $expected (both programs each, and the intact stage);" \
    "$seconds s, $jobs at a time"

# The last lines of a failed run's stderr; for a sanitizer report, its first lines too.
show_stderr() {
    local err=$1
    if ! grep -q '[^[:space:]]' "$err"; then
        echo "    | (nothing on stderr)"
        return
    fi
    if grep -q "$SANITIZER_REPORT" "$err"; then
        grep -m1 -A6 "$SANITIZER_REPORT" "$err" | sed 's/^/    | /'
        echo "    | ..."
    fi
    grep -v '^[[:space:]]*$' "$err" | tail -6 | sed 's/^/    | /'
}

failures=0 gatefold_end=0 tintaro_end=0 intact_ok=1
for line in "${lines[@]}"; do
    IFS=$'\t' read -r i status file damage program reached what <<<"$line"
    if [[ $reached == yes && $program == Gatefold ]]; then gatefold_end=$((gatefold_end + 1)); fi
    if [[ $reached == yes && $program == Tintaro ]]; then tintaro_end=$((tintaro_end + 1)); fi
    if ((i < 2)); then
        if [[ $status != ok || $reached != yes ]]; then
            intact_ok=0
            echo "FAIL  intact stage  $program: $what, last screen reached: $reached"
            show_stderr "$work/results/$i.err"
        fi
    elif [[ $status != ok ]]; then
        failures=$((failures + 1))
        echo "FAIL  $file  $damage  $program: $what"
        show_stderr "$work/results/$i.err"
    fi
done
echo "  last screen reached: Gatefold's Play in $gatefold_end runs," \
    "Tintaro's Exit in $tintaro_end runs (of $((runs / 2)) each)"
echo "  runs that ended without failing before the last screen (program, file: damages):"
for line in "${lines[@]}"; do
    IFS=$'\t' read -r i status file damage program reached what <<<"$line"
    if ((i >= 2)) && [[ $reached == no && $status == ok ]]; then
        printf '%s\t%s\t%s\n' "$program" "$file" "$damage"
    fi
done | awk -F'\t' '
    { k = $1 "\t" $2; if (!(k in d)) order[n++] = k; d[k] = d[k] (d[k] ? "," : "") $3 }
    END { for (i = 0; i < n; i++) {
              split(order[i], p, "\t"); printf "    %-8s %s: %s\n", p[1], p[2], d[order[i]] } }'
boxes=$(cat "$work/results"/*.box | sort | uniq -c | sort -rn)
if [[ -n $boxes ]]; then
    echo "  message boxes (runs that showed it, text and caption):"
    echo "$boxes" | sed 's/^/   /'
fi
echo "  failures: $failures"

status=0
((failures == 0)) || status=1
if ! (cd "$work/base" && md5sum --quiet -c "$work/base.md5" >/dev/null 2>&1); then
    echo "sweep: a run changed a file of the shared snapshot in place" >&2
    status=1
fi
if ((runs != expected)); then
    echo "sweep: $runs runs finished of $expected" >&2
    status=1
fi
if ((intact_ok == 0)); then
    echo "sweep: the intact stage failed, or its runs no longer reach the last screen" \
        "(a moved button needs new coordinates in the scripts above)" >&2
    status=1
fi
exit $status
