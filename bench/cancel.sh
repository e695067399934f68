#!/bin/sh
# How fast Ctrl+C stops a join: each road joins a long input, gets SIGINT one second in, and the
# time from the signal to the program's exit is taken (median of three rounds). The output must
# still decode.
set -eu
. "$(dirname "$0")/lib.sh"
WORK=$WORK/cancel
mkdir -p "$WORK"
make_input long.avi -f lavfi -i testsrc=size=640x480:rate=25:duration=600 -f lavfi -i sine=duration=600 \
  -c:v mpeg4 -q:v 10 -c:a libmp3lame
OUT=$WORK/cancelled.avi

# Prints the milliseconds from SIGINT to exit of a join with these options.
cancel_ms() {
  rm -f "$OUT"
  "$CLI" join -y "$@" -o "$OUT" "$WORK/long.avi" "$WORK/long.avi" 2>/dev/null &
  pid=$!
  sleep 1
  start=$(now)
  kill -INT $pid
  status=0
  wait $pid || status=$?
  end=$(now)
  [ $status -eq 130 ] || { echo "join ended with status $status instead of 130" >&2; exit 1; }
  ffmpeg -nostdin -v error -i "$OUT" -f null - || { echo "the cancelled output does not decode" >&2; exit 1; }
  echo "($end - $start) * 1000" | bc
}

echo "milliseconds from Ctrl+C to exit, median of three rounds (goal: under 1000)"
for road in "--copy" "--recompress --vcodec mpeg4 --acodec libmp3lame --size 640x480 --fps 25"; do
  r=""
  for round in 1 2 3; do
    # shellcheck disable=SC2086
    r="$r $(cancel_ms $road)"
  done
  printf "%-70s %6.0f ms\n" "join $road" "$(median $r)"
done
rm -f "$OUT"
