#!/bin/sh
# Eight simulated hours of guider-camera guiding in one run: wall time, CPU
# time and peak resident memory of `velmora-cli guide --simulate`, against
# the limits of a night (under 400 s, under 150 MB). Not part of the test
# suite (it takes minutes).
#   sh bench/long_guiding.sh build/velmora-cli [MINUTES]
# Exits 1 when a limit is missed.
set -eu
cli=${1:?usage: long_guiding.sh path/to/velmora-cli [minutes]}
minutes=${2:-480}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
out="$home/out.txt"
# 1 s exposures, guide rate 3 px/s, periodic error 2 px over 240 s, drift
# 0.5 px/min, seeing 0.15 px, seed 7; trained first; a full guiding log.
VELMORA_HOME="$home" /usr/bin/time -v "$cli" guide --simulate --minutes "$minutes" --train \
    --sim-rate 3 --sim-pe 2:240 --sim-drift 0.5 --sim-seeing 0.15 --seed 7 \
    --log "$home/guide.csv" >"$out" 2>&1 || { cat "$out"; exit 1; }
frames=$(grep -o 'frames=[0-9]*' "$out" | cut -d= -f2)
wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$out")
user=$(sed -n 's/.*User time (seconds): //p' "$out")
sys=$(sed -n 's/.*System time (seconds): //p' "$out")
rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$out")
lines=$(wc -l <"$home/guide.csv")
grep 'frames=' "$out"
echo "minutes=$minutes frames=$frames log_lines=$lines wall=$wall cpu_user=${user}s cpu_sys=${sys}s peak_rss=$((rss / 1024))MB"
# Wall time in seconds from [h:]m:ss.ss.
seconds=$(echo "$wall" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%d", s }')
status=0
[ "$rss" -lt $((150 * 1024)) ] || { echo "peak memory over 150 MB"; status=1; }
[ "$seconds" -lt 400 ] || { echo "over 400 s"; status=1; }
exit $status
