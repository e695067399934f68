#pragma once

#include <cstdint>
#include <string>

struct AVFormatContext;

// Refuses a picture whose index shows a damaged clock, which a copy would carry into the output:
// time stamps that do not advance ("NAME: the picture's time stamps do not advance"), or that
// reach far beyond the file's length, as a time scale of 0 makes them ("NAME: the picture's time
// stamps run over 25088 s of a file that lasts 2 s; its time scale is damaged"). Files without an
// index pass.
void CheckVideoClock(AVFormatContext* Context, int VideoIndex, const std::string& FileName);

// A copy carries every time stamp into the output: a picture `Since` microseconds after the
// file's first, far past its `Length` (microseconds; 0 when unknown), would turn seconds into hours
// ("NAME: a picture's time stamp leaps to 11932 s, past the file's length of 2 s; join it with
// recompression").
void CheckPictureStamp(int64_t Since, int64_t Length, const std::string& FileName);
