#!/bin/sh
# Joins three copies of a 10-minute, about 200 MB, 640x480 MPEG-4/MP3 AVI file without
# recompression, and compares the wall time with cat and with ffmpeg's concat demuxer doing a
# stream copy into AVI. Also prints the join's peak memory.
set -eu
. "$(dirname "$0")/lib.sh"

# Noise keeps the encoder at its bit rate: 2.5 Mbit/s of video and 128 kbit/s of MP3 for 600 s.
make_input mpeg4-mp3-10min.avi \
  -f lavfi -i "testsrc=size=640x480:rate=25:duration=600,noise=alls=12:allf=t" \
  -f lavfi -i sine=frequency=440:duration=600 \
  -c:v mpeg4 -b:v 2500k -minrate 2500k -maxrate 2500k -bufsize 2M \
  -c:a libmp3lame -b:a 128k -ar 44100 -ac 2
INPUT=$WORK/mpeg4-mp3-10min.avi
LIST=$WORK/avi-list.txt
printf "file '%s'\nfile '%s'\nfile '%s'\n" "$INPUT" "$INPUT" "$INPUT" >"$LIST"
OUT=$WORK/avi-joined.avi

# Peak resident memory of the command in KiB.
peak_kib() {
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -n 's/.*Maximum resident set size (kbytes): //p'
    return
  fi
  "$@" >/dev/null 2>&1 &
  pid=$!
  peak=0
  while [ -r /proc/$pid/status ]; do
    hwm=$(sed -n 's/^VmHWM: *\([0-9]*\) kB/\1/p' /proc/$pid/status 2>/dev/null || true)
    [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak=$hwm
    sleep 0.02
  done
  wait $pid || true
  echo "$peak"
}

ours() { "$CLI" join --copy -y -o "$OUT" "$INPUT" "$INPUT" "$INPUT" 2>/dev/null; }

o=""; c=""; f=""
for round in 1 2 3; do
  o="$o $(timed_output "$OUT" ours)"
  c="$c $(timed_output "$OUT" sh -c 'cat "$1" "$1" "$1" >"$2"' sh "$INPUT" "$OUT")"
  f="$f $(timed_output "$OUT" ffmpeg -nostdin -hide_banner -loglevel error -y -f concat -safe 0 -i "$LIST" -c copy -f avi "$OUT")"
done
probe_s=$(probe_seconds "$INPUT" "$INPUT" "$INPUT")
ours_s=$(median $o)
cat_s=$(median $c)
ffmpeg_s=$(median $f)
rm -f "$OUT"
peak=$(peak_kib "$CLI" join --copy -y -o "$OUT" "$INPUT" "$INPUT" "$INPUT")
rm -f "$OUT"

echo "input: $(stat -c %s "$INPUT") bytes, three copies; median of three rounds"
printf "reelweld-cli join --copy: %.3f s\n" "$ours_s"
printf "  of which start-up and description of the inputs (probe): %.3f s\n" "$probe_s"
printf "cat:                      %.3f s\n" "$cat_s"
printf "ffmpeg concat -c copy:    %.3f s\n" "$ffmpeg_s"
printf "ratio to cat:    %.2f\n" "$(ratio "$ours_s" "$cat_s")"
printf "  the copy alone (without probe): %.2f\n" "$(copy_alone_ratio "$ours_s" "$probe_s" "$cat_s")"
printf "ratio to ffmpeg: %.2f\n" "$(ratio "$ours_s" "$ffmpeg_s")"
printf "peak memory of reelweld-cli: %.1f MiB\n" "$(echo "$peak / 1024" | bc -l)"

# Sync at the seams: MP3 clips whose sound is short or long, joined plainly (--no-sync) and with
# each input's sound kept with its picture; the flash-and-beep check finds the worst seam.
SEAMCHECK=$ROOT/build/release/tests/seamcheck
[ -x "$SEAMCHECK" ] || "$ROOT/scripts/build.sh" release seamcheck >/dev/null
seam_clip() {
  make_input "$1" -f lavfi -i "color=c=0x101010:s=320x240:r=25:d=4,drawbox=c=white:t=fill:enable='lt(t,0.02)'" \
    -f lavfi -i "aevalsrc='0.5*sin(2*PI*1000*t)*lt(t,0.1)':s=44100:d=$2" \
    -ac 2 -c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 128k -f avi
}
seam_clip avi-seam-even.avi 4
seam_clip avi-seam-short.avi 3.5
seam_clip avi-seam-long.avi 4.4
worst_seam() {
  "$CLI" join --copy "$@" -y -o "$OUT" "$WORK/avi-seam-even.avi" "$WORK/avi-seam-short.avi" "$WORK/avi-seam-long.avi" \
    "$WORK/avi-seam-short.avi" "$WORK/avi-seam-even.avi" 2>/dev/null
  "$SEAMCHECK" "$OUT" | sed -n 's/.*worst offset \(.*\) s$/\1/p'
  rm -f "$OUT"
}
printf "worst seam offset of five MP3 clips, sound short and long: %s s with --no-sync, %s s kept with the picture\n" \
  "$(worst_seam --no-sync)" "$(worst_seam)"
