#include "remux/RemuxChapters.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <filesystem>
#include <new>

namespace {

// Chapters that start within this of each other start together: the rounding of two clocks.
constexpr int64_t SameStartUs = 1000;

} // namespace

void TRemuxChapters::AddInput(const std::string& FileName, bool MarkFile, int64_t Start, int64_t End, int64_t Offset,
                              const std::vector<TChapter>& Own)
{
  if (End <= Start)
    return;
  const size_t first = FChapters.size();
  if (MarkFile)
    FChapters.push_back({Start, End, std::filesystem::path(FileName).stem().string()});
  for (const TChapter& chapter : Own) {
    const int64_t start = std::max(Start, chapter.Start + Offset);
    const int64_t end = std::min(End, chapter.End + Offset);
    if (start >= End)
      continue;
    if (MarkFile && start - Start < SameStartUs) {
      FChapters[first].Title += ": " + chapter.Title;
      continue;
    }
    FChapters.push_back({start, std::max(start, end), chapter.Title});
  }
  // A file's chapter lasts until its first own chapter begins.
  if (MarkFile && FChapters.size() > first + 1)
    FChapters[first].End = FChapters[first + 1].Start;
}

void TRemuxChapters::WriteTo(AVFormatContext* Output, int64_t Shift) const
{
  for (size_t i = 0; i < FChapters.size(); ++i) {
    auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
    if (chapter == nullptr)
      throw std::bad_alloc();
    chapter->id = int64_t(i) + 1;
    chapter->time_base = AV_TIME_BASE_Q;
    chapter->start = FChapters[i].Start + Shift;
    chapter->end = FChapters[i].End + Shift;
    // The context frees its chapters with itself; a failed add leaves this one to us.
    int count = int(Output->nb_chapters);
    if (av_dynarray_add_nofree(&Output->chapters, &count, chapter) < 0) {
      av_free(chapter);
      throw std::bad_alloc();
    }
    Output->nb_chapters = unsigned(count);
    if (av_dict_set(&chapter->metadata, "title", FChapters[i].Title.c_str(), 0) < 0)
      throw std::bad_alloc();
  }
}

std::vector<TRemuxChapters::TChapter> TRemuxChapters::ChaptersOf(const AVFormatContext* Input)
{
  std::vector<TChapter> chapters;
  for (unsigned i = 0; i < Input->nb_chapters; ++i) {
    const AVChapter* chapter = Input->chapters[i];
    const AVDictionaryEntry* title = av_dict_get(chapter->metadata, "title", nullptr, 0);
    chapters.push_back({av_rescale_q(chapter->start, chapter->time_base, AV_TIME_BASE_Q),
                        av_rescale_q(chapter->end, chapter->time_base, AV_TIME_BASE_Q),
                        title != nullptr ? title->value : ""});
  }
  std::sort(chapters.begin(), chapters.end(), [](const TChapter& a, const TChapter& b) { return a.Start < b.Start; });
  return chapters;
}
