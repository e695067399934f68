#include "remux/VideoClockCheck.h"

#include "platform/Exceptions.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cmath>

void CheckVideoClock(AVFormatContext* Context, int VideoIndex, const std::string& FileName)
{
  if (VideoIndex < 0)
    return;
  AVStream* stream = Context->streams[VideoIndex];
  const int count = avformat_index_get_entries_count(stream);
  if (count < 2)
    return;
  const int64_t first = avformat_index_get_entry(stream, 0)->timestamp;
  const int64_t last = avformat_index_get_entry(stream, count - 1)->timestamp;
  if (last <= first)
    throw Exception(FileName + ": the picture's time stamps do not advance");
  const double span = double(last - first) * av_q2d(stream->time_base);
  const double length = Context->duration > 0 ? double(Context->duration) / AV_TIME_BASE : 0;
  // Twice the length and a second leave room for what an edit list hides.
  if (length > 0 && span > 2 * length + 1)
    throw Exception(FileName + ": the picture's time stamps run over " + std::to_string(std::lround(span)) +
                    " s of a file that lasts " + std::to_string(std::lround(length)) + " s; its time scale is damaged");
}

void CheckPictureStamp(int64_t Since, int64_t Length, const std::string& FileName)
{
  // As for the index: twice the length, and a few seconds for what an edit list hides.
  if (Length > 0 && Since > 2 * Length + 3 * AV_TIME_BASE)
    throw Exception(FileName + ": a picture's time stamp leaps to " + std::to_string(Since / AV_TIME_BASE) +
                    " s, past the file's length of " + std::to_string(std::lround(double(Length) / AV_TIME_BASE)) +
                    " s; join it with recompression");
}
