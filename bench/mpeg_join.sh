#!/bin/sh
# Joins three copies of a 100 MB MPEG-1 system stream by copy (with one clock, as by default, and
# with the plain join), and compares the wall and processor time with cat and with ffmpeg's
# concat demuxer doing a stream copy into an MPEG-1 system stream. Then the sync at the seams of
# short clips, before (plain join) and after (one clock).
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

o=""; p=""; c=""; f=""; oc=""; cc=""
for round in 1 2 3; do
  o="$o $(timed_output "$OUT" "$CLI" join --copy -o "$OUT" "$INPUT" "$INPUT" "$INPUT" 2>/dev/null)"
  p="$p $(timed_output "$OUT" "$CLI" join --copy --no-timestamp-correction -o "$OUT" "$INPUT" "$INPUT" "$INPUT" 2>/dev/null)"
  c="$c $(timed_output "$OUT" sh -c 'cat "$1" "$1" "$1" >"$2"' sh "$INPUT" "$OUT")"
  f="$f $(timed_output "$OUT" ffmpeg -nostdin -hide_banner -loglevel error -y -f concat -safe 0 -i "$LIST" -c copy -f mpeg "$OUT")"
  # Processor time (user + system) tells more than wall time on a busy machine.
  oc="$oc $(cpu_output "$OUT" "$CLI" join --copy -o "$OUT" "$INPUT" "$INPUT" "$INPUT")"
  cc="$cc $(cpu_output "$OUT" sh -c 'cat "$1" "$1" "$1" >"$2"' sh "$INPUT" "$OUT")"
done
probe_s=$(probe_seconds "$INPUT" "$INPUT" "$INPUT")
ours=$(median $o)
plain=$(median $p)
cat=$(median $c)
ffmpeg=$(median $f)

echo "input: $(stat -c %s "$INPUT") bytes, three copies; median of three rounds"
printf "reelweld-cli join --copy:     %.3f s (processor %.3f s)\n" "$ours" "$(median $oc)"
printf "  --no-timestamp-correction:  %.3f s\n" "$plain"
printf "  of which start-up and description (probe): %.3f s\n" "$probe_s"
printf "cat:                          %.3f s (processor %.3f s)\n" "$cat" "$(median $cc)"
printf "ffmpeg concat -c copy:        %.3f s\n" "$ffmpeg"
printf "ratio to cat:    %.2f (plain join %.2f)\n" "$(ratio "$ours" "$cat")" "$(ratio "$plain" "$cat")"
printf "  the copy alone (without probe): %.2f\n" "$(copy_alone_ratio "$ours" "$probe_s" "$cat")"
printf "ratio to ffmpeg: %.2f\n" "$(ratio "$ours" "$ffmpeg")"

# Seams: clips whose one white frame and beep open them together, with sound as long as the
# picture, 0.4 s longer and 0.5 s shorter, and reordered pictures.
SEAMCHECK=$ROOT/build/release/tests/seamcheck
if [ -x "$SEAMCHECK" ]; then
  for clip in plain:2 long:2.4 short:1.5; do
    make_input "seam-${clip%%:*}.mpg" -f lavfi \
      -i "color=c=0x101010:s=160x120:r=25:d=2,drawbox=c=white:t=fill:enable='between(t,0,0.02)'" \
      -f lavfi -i "aevalsrc='0.5*sin(2*PI*1000*t)*between(t,0,0.1)':s=48000:d=${clip#*:}" -ac 2 \
      -c:v mpeg1video -bf 2 -c:a mp2 -f mpeg
  done
  set -- "$WORK/seam-plain.mpg" "$WORK/seam-long.mpg" "$WORK/seam-short.mpg" "$WORK/seam-plain.mpg"
  "$CLI" join --copy --no-timestamp-correction -y -o "$WORK/seams-plain.mpg" "$@" 2>/dev/null
  "$CLI" join --copy -y -o "$WORK/seams-one-clock.mpg" "$@" 2>/dev/null
  printf "worst seam offset, plain join: %s\n" "$("$SEAMCHECK" "$WORK/seams-plain.mpg" | tail -1 | sed 's/.*worst offset //')"
  printf "worst seam offset, one clock:  %s\n" "$("$SEAMCHECK" "$WORK/seams-one-clock.mpg" | tail -1 | sed 's/.*worst offset //')"
else
  echo "seams: build the tests (scripts/build.sh release seamcheck) to measure them"
fi
