#!/bin/sh
# Sync at the seams of a recompressing join: clips that open with a white frame and a beep at
# the same instant (and again at 3 s), whose sound is short, long or has a hole (Matroska, the
# stamps kept), joined at 320x240, 25 fps into MPEG-4 and MP3. The flash-and-beep check prints the worst
# offset between a flash and its beep in the inputs, each played alone, and in the joined file.
set -eu
. "$(dirname "$0")/lib.sh"

SEAMCHECK=$ROOT/build/release/tests/seamcheck
[ -x "$SEAMCHECK" ] || "$ROOT/scripts/build.sh" release seamcheck >/dev/null

# seam_clip NAME PICTURE-SECONDS SOUND-FILTER-TAIL EXTRA-ARGUMENTS...
seam_clip() {
  name=$1 seconds=$2 sound=$3
  shift 3
  make_input "$name" -f lavfi \
    -i "color=c=0x101010:s=320x240:r=25:d=$seconds,drawbox=c=white:t=fill:enable='lt(t,0.02)+between(t,3,3.02)'" \
    -f lavfi -i "aevalsrc='0.5*sin(2*PI*1000*t)*(lt(t,0.1)+between(t,3,3.1))':s=48000$sound" \
    -ac 2 -c:v mpeg4 -q:v 5 "$@"
}
seam_clip seam-even.avi 4 ":d=4" -c:a libmp3lame
seam_clip seam-short.avi 4 ":d=3.5" -c:a libmp3lame
seam_clip seam-long.avi 4 ":d=4.4" -c:a libmp3lame
seam_clip seam-hole.mkv 4 ":d=4,aselect='not(between(t,1,1.5))'" -c:a libvorbis
CLIPS="$WORK/seam-even.avi $WORK/seam-short.avi $WORK/seam-long.avi $WORK/seam-hole.mkv $WORK/seam-even.avi"
OUT=$WORK/seams-joined.avi

worst() { "$SEAMCHECK" "$@" | sed -n 's/.*worst offset \(.*\) s$/\1/p' | sort -g | tail -1; }

inputs=$(worst $CLIPS)
"$CLI" join --recompress -y --size 320x240 --fps 25 --vcodec mpeg4 --acodec libmp3lame -o "$OUT" $CLIPS 2>/dev/null
joined=$(worst "$OUT")
rm -f "$OUT"
printf "worst seam offset of five clips, sound short, long and with a hole: %s s in the inputs, %s s joined\n" \
  "$inputs" "$joined"
