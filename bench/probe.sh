#!/bin/sh
# Describes 200 files (40 copies each of five kinds: AVI, MPEG-1 system stream, MPEG-2 program
# stream, MP4, Matroska) with one `reelweld-cli probe` and with one `mediainfo` process, in the
# same run, and prints the ratio of the wall times.
set -eu
. "$(dirname "$0")/lib.sh"
# The peer is needed only here, not by the product or its tests.
if ! command -v mediainfo >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y -q --no-install-recommends mediainfo >/dev/null
fi
WORK=$WORK/probe
mkdir -p "$WORK"

make_kind() {
  name=$1
  shift
  make_input "$name" -f lavfi -i testsrc=size=640x480:rate=25:duration=30 \
    -f lavfi -i sine=frequency=440:duration=30 "$@"
}
make_kind kind.avi -c:v mpeg4 -c:a libmp3lame
make_kind kind.mpg -c:v mpeg1video -c:a mp2 -f mpeg
make_kind kind.vob -c:v mpeg2video -c:a mp2 -f vob
make_kind kind.mp4 -c:v libx264 -preset ultrafast -c:a aac
make_kind kind.mkv -c:v mpeg4 -c:a libvorbis
FILES=""
for kind in avi mpg vob mp4 mkv; do
  i=1
  while [ $i -le 40 ]; do
    copy=$WORK/copy-$i.$kind
    [ -f "$copy" ] || cp "$WORK/kind.$kind" "$copy"
    FILES="$FILES $copy"
    i=$((i + 1))
  done
done

ours() { "$CLI" probe $FILES >/dev/null; }
theirs() { mediainfo $FILES >/dev/null; }

# Warm the cache first.
ours; theirs
o=""; t=""
for round in 1 2 3; do
  o="$o $(timed ours)"
  t="$t $(timed theirs)"
done
ours_s=$(median $o)
theirs_s=$(median $t)

echo "200 files, five kinds; median of three rounds; $(nproc) cores"
printf "reelweld-cli probe (one run):  %.3f s\n" "$ours_s"
printf "mediainfo (one run):           %.3f s\n" "$theirs_s"
printf "ratio: %.3f (goal: at most 0.25)\n" "$(ratio "$ours_s" "$theirs_s")"
