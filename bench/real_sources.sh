#!/bin/bash
# Joins short clips of the kinds today's cameras, phones, screen recorders, download tools and TS
# recorders write, three files a kind, with `reelweld-cli join --copy`, with ffmpeg's concat
# demuxer copying (-map 0 -c copy) and with `mkvmerge a + b + c`, and prints for each the sync
# (the worst offset between a flash and its beep, and the flashes found of those the inputs
# show), the length against the sum of what players show of the inputs, the streams and
# chapters kept, and whether the output decodes without errors.
set -eu
. "$(dirname "$0")/lib.sh"

SEAMCHECK=$ROOT/build/release/tests/seamcheck
if [ ! -x "$SEAMCHECK" ]; then
  echo "build the tests first (scripts/build.sh release seamcheck): the sync is measured with it" >&2
  exit 1
fi
MKVMERGE=$(command -v mkvmerge || true)
X264="-c:v libx264 -preset veryfast -bf 2 -g 25 -pix_fmt yuv420p"
X265="-c:v libx265 -preset ultrafast -tag:v hvc1 -x265-params log-level=none"

# clip NAME SECONDS RATE "VIDEO ARGS" "AUDIO ARGS" [MORE ARGS]: a dark clip that flashes white
# and beeps at each of FLASHES (seconds; at its start and at 0.6 s unless set).
clip() {
  local name=$1 secs=$2 rate=$3 video=$4 audio=$5 flash="0" beep="0" t
  shift 5
  for t in ${FLASHES:-0 0.6}; do
    flash="$flash+between(t,$t,$t+0.02)"
    beep="$beep+between(t,$t,$t+0.1)"
  done
  # shellcheck disable=SC2086
  make_input "$name" -f lavfi -i "color=c=0x101010:s=320x240:r=$rate:d=$secs,drawbox=c=white:t=fill:enable='$flash'" \
    -f lavfi -i "aevalsrc='0.5*sin(2*PI*1000*t)*($beep)':s=48000:d=$secs" -ac 2 $video $audio "$@"
}

# three NAME EXT "VIDEO ARGS" "AUDIO ARGS" [MORE ARGS]: three such clips, NAME-1.EXT ...
three() {
  local name=$1 ext=$2 video=$3 audio=$4 i
  shift 4
  for i in 1 2 3; do clip "$name-$i.$ext" 2 25 "$video" "$audio" "$@"; done
}

srt() {
  printf '1\n00:00:00,100 --> 00:00:01,000\nClip %s\n\n' "$1" >"$WORK/clip$1.srt"
  echo "$WORK/clip$1.srt"
}

make_kinds() {
  three mp4-bframes mp4 "$X264" "-c:a aac"
  three hevc-aac mov "$X265" "-c:a aac"
  three hevc-pcm mov "$X265" "-c:a pcm_s16le"
  three mkv-aac mkv "$X264" "-c:a aac"
  three mkv-opus mkv "$X264" "-c:a libopus"
  three vp9-opus webm "-c:v libvpx-vp9 -deadline realtime -cpu-used 8" "-c:a libopus"
  three av1-opus mkv "-c:v libsvtav1 -preset 12" "-c:a libopus" 2>/dev/null # SVT-AV1 talks on its own
  three vfr mp4 "$X264 -vf select=not(between(mod(n\,10)\,6\,8)) -fps_mode vfr" "-c:a aac"
  for i in 1 2 3; do
    clip "ts-10h-$i.ts" 2 25 "$X264" "-c:a aac" -output_ts_offset $((35998 + 2 * i))
    clip "ts-wrap-$i.ts" 2 25 "$X264" "-c:a aac" -output_ts_offset $((95440 + 2 * i))
    clip "fps-$i.mp4" 2 $((i == 2 ? 30 : 25)) "$X264" "-c:a aac"
    src=$WORK/mp4-bframes-$i.mp4
    make_input "dub-$i.mp4" -i "$src" -f lavfi -i "sine=f=500:d=2" -map 0 -map 1:a -c copy -c:a:1 aac \
      -metadata:s:a:0 language=eng -metadata:s:a:1 language=fra
    s=$(srt $i)
    make_input "subs-$i.mkv" -i "$WORK/mkv-aac-$i.mkv" -i "$s" -map 0 -map 1 -c copy -c:s srt
    printf ';FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=Clip %s start\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=2000\ntitle=Clip %s end\n' \
      $i $i >"$WORK/chapters$i.txt"
    make_input "chapters-$i.mkv" -i "$WORK/mkv-aac-$i.mkv" -i "$WORK/chapters$i.txt" -map 0 -map_chapters 1 -c copy
    make_input cover.png -f lavfi -i color=c=red:s=64x64:d=0.04 -frames:v 1
    make_input "cover-$i.mp4" -i "$src" -i "$WORK/cover.png" -map 0 -map 1 -c copy -disposition:v:1 attached_pic
  done
  # A phone clip trimmed at its start by its edit list, between key frames.
  make_input trim-long.mp4 -i "$WORK/mp4-bframes-2.mp4" -c copy
  make_input trim-2.mp4 -ss 0.5 -i "$WORK/mp4-bframes-2.mp4" -c copy
  cp -n "$WORK/mp4-bframes-1.mp4" "$WORK/trim-1.mp4"
  cp -n "$WORK/mp4-bframes-3.mp4" "$WORK/trim-3.mp4"
  # A camera's recording cut at key frames into parts.
  FLASHES="0 0.6 2 2.6 4 4.6" clip split-whole.mp4 6 25 "$X264" "-c:a aac"
  [ -f "$WORK/split-3.mp4" ] || ffmpeg -nostdin -loglevel error -y -i "$WORK/split-whole.mp4" -map 0 -c copy \
    -f segment -segment_time 2 -reset_timestamps 1 -segment_start_number 1 "$WORK/split-%d.mp4"
}

# What a reader shows of a file: "v a s cover ch4".
streams_of() {
  # MPEG-TS lists its streams once more under its program; the text track that holds an MP4's
  # chapters is counted with them.
  ffprobe -v error -show_entries stream=index,codec_type,codec_tag_string:stream_disposition=attached_pic -of csv=p=0 "$1" |
    awk -F, '!seen[$1]++ && !($2 == "data" && $3 == "text") {
             t = $2 == "video" ? ($4 == 1 ? "cover" : "v") : substr($2, 1, 1); printf "%s ", t }'
  n=$(ffprobe -v error -show_chapters -of csv=p=0 "$1" | grep -c . || true)
  [ "$n" -gt 0 ] && printf "ch%s" "$n"
  echo
}

# From the first picture players show to the end of the last; an MPEG-TS clock that wraps past
# 2^33 ticks of 90 kHz is followed on.
video_seconds() {
  ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,duration_time,flags -of csv=p=0 "$1" |
    awk -F, '$1 ~ /^-?[0-9.]+$/ && $3 !~ /D/ {
             if (n > 0 && $1 + wrap < last - 47000) wrap += 95443.717688889
             t = $1 + wrap; last = t
             if (n++ == 0 || t < lo) lo = t; if (n == 1 || t + $2 > hi) hi = t + $2 }
           END { printf "%.3f\n", hi - lo }'
}

# One row: KIND TOOL EXPECTED-LENGTH FLASHES OUT STATUS
row() {
  local kind=$1 tool=$2 expected=$3 flashes=$4 out=$5 status=$6
  if [ "$status" != 0 ] || [ ! -s "$out" ]; then
    printf "%-14s %-9s %-22s %-16s %-24s %s\n" "$kind" "$tool" "fails" "-" "-" "-"
    return
  fi
  sync=$("$SEAMCHECK" "$out" 2>/dev/null | tail -n 1 | sed -E 's/.*: ([0-9]+) flashes, worst offset (.*) s/\1 \2/')
  set -- $sync
  found=${1:-0} worst=${2:-nan}
  [ "$worst" = nan ] && worst="beep lost" || worst=$(printf "%.0f ms" "$(echo "$worst * 1000" | bc -l)")
  length=$(video_seconds "$out")
  errors=$(ffmpeg -nostdin -v error -i "$out" -enc_time_base -1 -f null - 2>&1 | grep -c . || true)
  printf "%-14s %-9s %-22s %-16s %-24s %s\n" "$kind" "$tool" "$worst, $found/$flashes" \
    "$(printf "%.3f / %.3f" "$length" "$expected")" "$(streams_of "$out")" \
    "$([ "$errors" = 0 ] && echo clean || echo "$errors errors")"
}

make_kinds
printf "%-14s %-9s %-22s %-16s %-24s %s\n" kind tool "sync, flashes" "length / shown" streams decode
for kind in split:mp4 mp4-bframes:mp4 trim:mp4 hevc-aac:mov hevc-pcm:mov mkv-aac:mkv mkv-opus:mkv \
  vp9-opus:webm av1-opus:mkv ts-10h:ts ts-wrap:ts vfr:mp4 fps:mp4 dub:mp4 subs:mkv chapters:mkv cover:mp4; do
  name=${kind%%:*} ext=${kind#*:}
  set -- "$WORK/$name-1.$ext" "$WORK/$name-2.$ext" "$WORK/$name-3.$ext"
  expected=0 flashes=0
  for f in "$@"; do
    expected=$(echo "$expected + $(video_seconds "$f")" | bc -l)
    flashes=$((flashes + $("$SEAMCHECK" "$f" | tail -n 1 | sed -E 's/.*: ([0-9]+) flashes.*/\1/')))
  done
  inputs="$(streams_of "$1")"
  printf "%-14s %-9s %-22s %-16s %-24s\n" "$name" "input" "" "" "$inputs"
  out=$WORK/out-ours.$ext
  status=0
  "$CLI" join --copy -y -o "$out" "$@" >/dev/null 2>&1 || status=$?
  row "$name" ours "$expected" "$flashes" "$out" $status
  # mkvmerge writes Matroska whatever it joins: the same output side by side.
  case $ext in mkv | webm) ;; *)
    out=$WORK/out-ours.mkv
    status=0
    "$CLI" join --copy -y -o "$out" "$@" >/dev/null 2>&1 || status=$?
    row "$name" ours-mkv "$expected" "$flashes" "$out" $status
    ;;
  esac
  list=$WORK/list.txt
  printf "file '%s'\n" "$@" >"$list"
  out=$WORK/out-concat.$ext
  status=0
  ffmpeg -nostdin -loglevel quiet -y -f concat -safe 0 -i "$list" -map 0 -c copy "$out" || status=$?
  row "$name" concat "$expected" "$flashes" "$out" $status
  if [ -n "$MKVMERGE" ]; then
    out=$WORK/out-mkvmerge.mkv
    status=0
    "$MKVMERGE" -q -o "$out" "$1" + "$2" + "$3" >/dev/null 2>&1 || status=$?
    # 1 is mkvmerge's "done, with warnings"
    [ $status = 1 ] && status=0
    row "$name" mkvmerge "$expected" "$flashes" "$out" $status
  else
    echo "mkvmerge not found: its column is left out"
  fi
done
rm -f "$WORK"/out-ours.* "$WORK"/out-concat.* "$WORK"/out-mkvmerge.mkv
