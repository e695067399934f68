#!/bin/sh
# Joins three 1280x720 inputs of 10 s each (H.264 at 25 fps with sound, MPEG-4 AVI at 25 fps with
# sound, H.264 at 30 fps without) with recompression into an MP4 at 1280x720, 25 fps: H.264 at
# CRF 20 "veryfast" and AAC at 192 kbit/s, and compares the wall time with ffmpeg doing the same
# work in one filter graph: fit to the frame, fps, silence for the input without sound, concat,
# the same encoders and settings.
set -eu
. "$(dirname "$0")/lib.sh"

make_input mp4-a.mp4 -f lavfi -i testsrc2=size=1280x720:rate=25:duration=10 \
  -f lavfi -i sine=duration=10 -c:v libx264 -preset fast -pix_fmt yuv420p -c:a aac -ar 48000
make_input mp4-b.avi -f lavfi -i smptehdbars=size=1280x720:rate=25:duration=10 \
  -f lavfi -i sine=frequency=660:duration=10 -vf noise=alls=20:allf=t -c:v mpeg4 -q:v 4 -c:a mp2 -ar 44100 -ac 2
make_input mp4-c.mp4 -f lavfi -i testsrc=size=1280x720:rate=30:duration=10 \
  -c:v libx264 -preset fast -pix_fmt yuv420p
A=$WORK/mp4-a.mp4
B=$WORK/mp4-b.avi
C=$WORK/mp4-c.mp4
OUT=$WORK/mp4-joined.mp4

ours() {
  "$CLI" join --recompress -y --size 1280x720 --fps 25 --resize letterbox --preset veryfast \
    -o "$OUT" "$A" "$B" "$C" 2>/dev/null
}

fit="scale=1280:720:force_original_aspect_ratio=decrease,pad=1280:720:(ow-iw)/2:(oh-ih)/2,setsar=1,fps=25,format=yuv420p"
sound="aresample=44100,aformat=sample_fmts=fltp:channel_layouts=stereo"
theirs() {
  ffmpeg -nostdin -hide_banner -loglevel error -y -i "$A" -i "$B" -i "$C" \
    -f lavfi -t 10 -i anullsrc=r=44100:cl=stereo -filter_complex \
    "[0:v]$fit[v0];[1:v]$fit[v1];[2:v]$fit[v2];[0:a]$sound[a0];[1:a]$sound[a1];[3:a]$sound[a2];
     [v0][a0][v1][a1][v2][a2]concat=n=3:v=1:a=1[v][a]" \
    -map "[v]" -map "[a]" -c:v libx264 -crf 20 -preset veryfast -c:a aac -b:a 192k \
    -movflags +faststart "$OUT"
}

compare_recompression
echo "three 1280x720 inputs, 30 s joined into MP4 at 25 fps, H.264 CRF 20 veryfast + AAC 192k; median of three rounds"
printf "reelweld-cli join --recompress: %.2f s wall, %.2f s cpu (%s frames, video %s kb/s)\n" "$ours_s" "$ours_cpu" \
  "$frames" "$ours_rate"
printf "ffmpeg filter_complex:          %.2f s wall, %.2f s cpu (video %s kb/s)\n" "$theirs_s" "$theirs_cpu" "$theirs_rate"
printf "ratio to ffmpeg: %.2f\n" "$(ratio "$ours_s" "$theirs_s")"
