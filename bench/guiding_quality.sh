#!/bin/sh
# Guiding quality of both correction rules on the simulator: guider camera,
# mode 'T', 1 s exposures, guide rate 3 px/s, periodic error 2 px over 240 s,
# Dec drift 0.5 px/min; seeds 1, 7 and 42, camera angles 0 and 30 degrees;
# seeing 0.15 px, 0.3 px, and 0.3 px with a backlash of 2 px. Each case
# trains in one run and guides ten minutes in a second run (the guiding file
# carries the calibration across), as two nights would.
#   sh bench/guiding_quality.sh build/velmora-cli [--one-run] [MINUTES]
# --one-run trains and guides in one run (guide --train), for a build whose
# guiding file does not keep the calibration yet.
# Prints one line per case (true_rms_total, the mount's own RMS without the
# frames' seeing, and for the smooth rule its calibration's rate and angle
# errors against the simulator's truth), then the means per seeing and rule.
# Not part of the test suite (it takes minutes).
set -eu
cli=${1:?usage: guiding_quality.sh path/to/velmora-cli [--one-run] [minutes]}
shift
one_run=0
if [ "${1:-}" = "--one-run" ]; then
    one_run=1
    shift
fi
minutes=${1:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sky="--sim-rate 3 --sim-pe 2:240 --sim-drift 0.5 --exposure 1000 --guider"

value() { # key file
    grep -o "$1=[-0-9.]*" "$2" | head -n 1 | cut -d= -f2
}

printf '%-8s %-7s %-5s %-6s %-8s %14s %15s %11s %11s %13s\n' seeing backlash seed angle rule true_rms_total \
    mount_rms_total rate_ra_err rate_dec_err angle_err_deg
for condition in "0.15 0" "0.3 0" "0.3 2"; do
    set -- $condition
    seeing=$1
    backlash=$2
    for seed in 1 7 42; do
        for angle in 0 30; do
            for rule in classic smooth; do
                home="$work/$seeing-$backlash-$seed-$angle-$rule"
                mkdir -p "$home"
                opts="$sky --sim-seeing $seeing --sim-backlash $backlash --seed $seed --sim-angle $angle --rule $rule"
                [ "$rule" = smooth ] && opts="$opts --worm-period-s 240"
                train="$home/train.txt"
                guide="$home/guide.txt"
                if [ "$one_run" = 1 ]; then
                    VELMORA_HOME="$home" "$cli" guide --simulate --minutes "$minutes" --train $opts >"$guide" 2>&1 ||
                        echo "guide failed: $opts" >&2
                    cp "$guide" "$train"
                else
                    VELMORA_HOME="$home" "$cli" train --simulate $opts >"$train" 2>&1 || echo "train failed: $opts" >&2
                    VELMORA_HOME="$home" "$cli" guide --simulate --minutes "$minutes" $opts >"$guide" 2>&1 ||
                        echo "guide failed: $opts" >&2
                fi
                rms=$(value true_rms_total "$guide")
                mount=$(value mount_rms_total "$guide")
                errors="- - -"
                if [ "$rule" = smooth ]; then
                    errors=$(awk -v ra="$(value fit_rate_ra "$train")" -v dec="$(value fit_rate_dec "$train")" \
                        -v fa="$(value fit_angle_deg "$train")" -v tr="$(value true_rate "$train")" \
                        -v ta="$(value true_angle_deg "$train")" 'BEGIN {
                            if (tr == "" || ra == "") { print "- - -"; exit }
                            d = fa - ta; while (d > 180) d -= 360; while (d <= -180) d += 360
                            printf "%.1f%% %.1f%% %.2f", 100 * (ra - tr) / tr, 100 * (dec - tr) / tr, d < 0 ? -d : d }')
                fi
                set -- $errors
                printf '%-8s %-7s %-5s %-6s %-8s %14s %15s %11s %11s %13s\n' "$seeing" "$backlash" "$seed" "$angle" \
                    "$rule" "${rms:--}" "${mount:--}" "$1" "$2" "$3" | tee -a "$work/table.txt"
            done
        done
    done
done
echo
echo "means over seeds and angles:"
awk '$6 != "-" { k = $1 " backlash " $2 " " $5; n[k]++; t[k] += $6; m[k] += $7 }
     END { for (k in n) printf "  seeing %s: true_rms_total %.3f, mount_rms_total %.3f\n", k, t[k] / n[k], m[k] / n[k] }' \
    "$work/table.txt" | sort
