#!/bin/sh
# Joins three MP4 files (H.264 with B-frames, AAC; about 100 MB each) without recompression, and
# compares the wall time with cat and with ffmpeg's concat demuxer copying into MP4 (with the
# index in front, as our output has it, and without). Also prints the join's peak memory.
set -eu
. "$(dirname "$0")/lib.sh"

# Three different files, so that every seam meets a new encoder start (AAC priming included).
for i in 1 2 3; do
  make_input "h264-aac-$i.mp4" \
    -f lavfi -i "testsrc2=size=1280x720:rate=30:duration=100" \
    -f lavfi -i "sine=frequency=$((300 * i)):duration=100" \
    -c:v libx264 -preset veryfast -bf 2 -b:v 8M -minrate 8M -maxrate 8M -bufsize 4M \
    -c:a aac -b:a 128k -ar 48000 -ac 2
done
IN1=$WORK/h264-aac-1.mp4
IN2=$WORK/h264-aac-2.mp4
IN3=$WORK/h264-aac-3.mp4
LIST=$WORK/remux-list.txt
printf "file '%s'\nfile '%s'\nfile '%s'\n" "$IN1" "$IN2" "$IN3" >"$LIST"
OUT=$WORK/remux-joined.mp4

ours() { "$CLI" join --copy -y -o "$OUT" "$IN1" "$IN2" "$IN3" 2>/dev/null; }
concat() { ffmpeg -nostdin -hide_banner -loglevel error -y -f concat -safe 0 -i "$LIST" -c copy "$@" "$OUT"; }

o=""; c=""; f=""; g=""
for round in 1 2 3; do
  o="$o $(timed_output "$OUT" ours)"
  c="$c $(timed_output "$OUT" sh -c 'cat "$1" "$2" "$3" >"$4"' sh "$IN1" "$IN2" "$IN3" "$OUT")"
  f="$f $(timed_output "$OUT" concat -movflags +faststart)"
  g="$g $(timed_output "$OUT" concat)"
done
probe_s=$(probe_seconds "$IN1" "$IN2" "$IN3")
ours_s=$(median $o)
cat_s=$(median $c)
ffmpeg_s=$(median $f)
plain_s=$(median $g)
peak=0
[ -x /usr/bin/time ] && peak=$(/usr/bin/time -f %M "$CLI" join --copy -y -o "$OUT" "$IN1" "$IN2" "$IN3" 2>&1 >/dev/null | tail -n 1)
rm -f "$OUT"

echo "inputs: $(stat -c %s "$IN1" "$IN2" "$IN3" | paste -sd+ | bc) bytes in three files; median of three rounds"
printf "reelweld-cli join --copy:           %.3f s\n" "$ours_s"
printf "  of which start-up and description (probe): %.3f s\n" "$probe_s"
printf "cat:                                %.3f s\n" "$cat_s"
printf "ffmpeg concat -c copy, faststart:   %.3f s\n" "$ffmpeg_s"
printf "ffmpeg concat -c copy, index last:  %.3f s\n" "$plain_s"
printf "ratio to cat:                 %.2f\n" "$(ratio "$ours_s" "$cat_s")"
printf "  the copy alone (without probe): %.2f\n" "$(copy_alone_ratio "$ours_s" "$probe_s" "$cat_s")"
printf "ratio to ffmpeg (faststart):  %.2f\n" "$(ratio "$ours_s" "$ffmpeg_s")"
printf "ratio to ffmpeg (index last): %.2f\n" "$(ratio "$ours_s" "$plain_s")"
printf "peak memory of reelweld-cli: %.1f MiB\n" "$(echo "$peak / 1024" | bc -l)"
