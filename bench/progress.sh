#!/bin/sh
# What the progress dialog costs a join: one report, and an AVI copy join of an input of 60000
# tiny chunks three times over, with the dialog shown and without it.
set -eu
. "$(dirname "$0")/lib.sh"
cmake --build "$BUILD" -j2 --target reelweld-progresscost >/dev/null
WORK=$WORK/progress
mkdir -p "$WORK"
make_input tiny-chunks.avi -f lavfi -i testsrc=size=8x8:rate=1000:duration=60 -f lavfi -i sine=duration=60 \
  -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le -ar 8000 -frame_size 8
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD/reelweld-progresscost" "$WORK/tiny-chunks.avi" "$WORK"
rm -f "$WORK/silent.avi" "$WORK/shown.avi"
