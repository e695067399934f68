#!/bin/sh
# Joins three copies of a 100 MB MPEG-1 system stream by copy, and compares the wall time with
# cat and with ffmpeg's concat demuxer doing a stream copy into an MPEG-1 system stream.
set -eu
. "$(dirname "$0")/lib.sh"

# About 100 MB: 200 s of 352x288 video at 3.8 Mbit/s with 224 kbit/s MP2 audio.
make_input mpeg1-100mb.mpg \
  -f lavfi -i testsrc=size=352x288:rate=25:duration=200 -f lavfi -i sine=frequency=440:duration=200 \
  -c:v mpeg1video -b:v 3800k -minrate 3800k -maxrate 3800k -bufsize 2M -c:a mp2 -b:a 224k -ar 44100 \
  -f mpeg
INPUT=$WORK/mpeg1-100mb.mpg
LIST=$WORK/mpeg1-list.txt
printf "file '%s'\nfile '%s'\nfile '%s'\n" "$INPUT" "$INPUT" "$INPUT" >"$LIST"
OUT=$WORK/mpeg1-joined.mpg

o=""; c=""; f=""
for round in 1 2 3; do
  o="$o $(timed_output "$OUT" "$CLI" join --copy -o "$OUT" "$INPUT" "$INPUT" "$INPUT" 2>/dev/null)"
  c="$c $(timed_output "$OUT" sh -c 'cat "$1" "$1" "$1" >"$2"' sh "$INPUT" "$OUT")"
  f="$f $(timed_output "$OUT" ffmpeg -nostdin -hide_banner -loglevel error -y -f concat -safe 0 -i "$LIST" -c copy -f mpeg "$OUT")"
done
ours=$(median $o)
cat=$(median $c)
ffmpeg=$(median $f)

echo "input: $(stat -c %s "$INPUT") bytes, three copies; median of three rounds"
printf "reelweld-cli join --copy: %.3f s\n" "$ours"
printf "cat:                      %.3f s\n" "$cat"
printf "ffmpeg concat -c copy:    %.3f s\n" "$ffmpeg"
printf "ratio to cat:    %.2f\n" "$(ratio "$ours" "$cat")"
printf "ratio to ffmpeg: %.2f\n" "$(ratio "$ours" "$ffmpeg")"
