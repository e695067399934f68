#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AVFormatContext;

// The chapters of a join: each input's own, moved to where the input lands, and where asked a
// chapter at each seam named after the file. Times are microseconds of the output's clock.
class TRemuxChapters {
public:
  struct TChapter {
    int64_t Start = 0;
    int64_t End = 0;
    std::string Title;
  };

  // One input, after it is copied: it shows from Start to End; its own chapters, in its own
  // time, are moved by Offset and kept within what it shows. With MarkFile a chapter named after
  // the file starts with it; an own chapter that starts there too gives its title after the
  // file's ("clip2: Intro").
  void AddInput(const std::string& FileName, bool MarkFile, int64_t Start, int64_t End, int64_t Offset,
                const std::vector<TChapter>& Own);
  const std::vector<TChapter>& Chapters() const { return FChapters; }
  // Hands them to the muxer, which writes them with its trailer; Shift is added to every time.
  void WriteTo(AVFormatContext* Output, int64_t Shift) const;

  // The input's chapters, in microseconds of its own clock.
  static std::vector<TChapter> ChaptersOf(const AVFormatContext* Input);

private:
  std::vector<TChapter> FChapters;
};
