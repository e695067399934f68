#!/bin/sh
# Joins three unlike inputs (10 s of 640x480 MPEG-4 AVI at 25 fps with sound, 5 s of 352x288
# MPEG-1 at 29.97 fps with sound, 20 s of 1280x720 H.264 MP4 at 30 fps without) with
# recompression at 640x480, 25 fps, letterbox, into MPEG-4 video and MP3 sound, and compares the
# wall time with ffmpeg doing the same work in one filter graph: scale with the aspect ratio kept,
# pad, fps, silence for the input without sound, concat, the same encoders. MPEG-4 gets the same
# fixed quantiser on both sides, so that neither wins by spending fewer bits: qmin = qmax = 5, as
# the join dialog's Options set it (-q:v acts through each frame's quality, which only ffmpeg sets).
set -eu
. "$(dirname "$0")/lib.sh"

make_input recompress-10s.avi -f lavfi -i testsrc=size=640x480:rate=25:duration=10 \
  -f lavfi -i sine=duration=10 -c:v mpeg4 -q:v 5 -c:a mp2 -ar 44100 -ac 2
make_input recompress-5s.mpg -f lavfi -i testsrc=size=352x288:rate=30000/1001:duration=5 \
  -f lavfi -i sine=frequency=660:duration=5 -c:v mpeg1video -q:v 5 -c:a mp2 -ar 44100 -f mpeg
make_input recompress-20s.mp4 -f lavfi -i testsrc=size=1280x720:rate=30:duration=20 \
  -c:v libx264 -preset fast -pix_fmt yuv420p
A=$WORK/recompress-10s.avi
B=$WORK/recompress-5s.mpg
C=$WORK/recompress-20s.mp4
OUT=$WORK/recompress-joined.avi

ours() {
  "$CLI" join --recompress -y --size 640x480 --fps 25 --resize letterbox \
    --vcodec mpeg4 --vopt qmin=5 --vopt qmax=5 --acodec libmp3lame -o "$OUT" "$A" "$B" "$C" 2>/dev/null
}

fit="scale=640:480:force_original_aspect_ratio=decrease,pad=640:480:(ow-iw)/2:(oh-ih)/2,setsar=1,fps=25"
sound="aresample=44100,aformat=sample_fmts=s16:channel_layouts=stereo"
theirs() {
  ffmpeg -nostdin -hide_banner -loglevel error -y -i "$A" -i "$B" -i "$C" \
    -f lavfi -t 20 -i anullsrc=r=44100:cl=stereo -filter_complex \
    "[0:v]$fit[v0];[1:v]$fit[v1];[2:v]$fit[v2];[0:a]$sound[a0];[1:a]$sound[a1];[3:a]$sound[a2];
     [v0][a0][v1][a1][v2][a2]concat=n=3:v=1:a=1[v][a]" \
    -map "[v]" -map "[a]" -c:v mpeg4 -qmin 5 -qmax 5 -c:a libmp3lame -f avi "$OUT"
}

compare_recompression
echo "three inputs, 35 s joined at 640x480 25 fps letterbox, mpeg4 at q 5 + libmp3lame; median of three rounds"
printf "reelweld-cli join --recompress: %.2f s wall, %.2f s cpu (%s frames, video %s kb/s)\n" "$ours_s" "$ours_cpu" \
  "$frames" "$ours_rate"
printf "ffmpeg filter_complex:          %.2f s wall, %.2f s cpu (video %s kb/s)\n" "$theirs_s" "$theirs_cpu" "$theirs_rate"
printf "ratio to ffmpeg: %.2f\n" "$(ratio "$ours_s" "$theirs_s")"
