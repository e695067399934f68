#include "core/TempOutput.h"

#include "platform/Exceptions.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A symlink is followed, so that the file it points to is the one replaced, not the link.
std::string FollowLink(const std::string& FileName)
{
  std::error_code error;
  if (!fs::is_symlink(FileName, error))
    return FileName;
  const fs::path target = fs::canonical(FileName, error);
  return error ? FileName : target.string();
}

std::string RandomTag()
{
  static std::random_device seed;
  static std::mt19937 random(seed());
  char tag[9];
  std::snprintf(tag, sizeof tag, "%08x", unsigned(random()));
  return tag;
}

} // namespace

TTempOutput::TTempOutput(const std::string& FileName) : FFileName(FollowLink(FileName))
{
  struct stat existing {};
  if (::stat(FFileName.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
    throw Exception("Cannot create file " + FileName + ": it is not a regular file");
  const fs::path path(FFileName);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code error;
  if (!fs::is_directory(folder, error))
    throw Exception("Cannot create file " + FileName + ": the folder " + folder.string() + " does not exist");

  // Hidden, and named after the output so that a user who finds one knows where it belongs.
  const std::string stem = "." + path.stem().string() + ".reelweld-";
  for (int attempt = 0;; ++attempt) {
    const std::string name = (folder / (stem + RandomTag() + path.extension().string())).string();
    const int handle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (handle >= 0) {
      // A replaced output keeps who may read it; the join itself must be able to write, even
      // over a read-only output, and the output's own mode comes back when it takes the name.
      if (S_ISREG(existing.st_mode)) {
        FMode = existing.st_mode & 07777;
        ::fchmod(handle, *FMode | S_IWUSR);
      }
      ::close(handle);
      FTempName = name;
      FPending = true;
      return;
    }
    if (errno != EEXIST || attempt == 100)
      throw Exception("Cannot create file " + FileName + ": " + SysErrorMessage(errno));
  }
}

TTempOutput::~TTempOutput()
{
  if (FPending)
    ::unlink(FTempName.c_str());
}

bool TTempOutput::Finish(bool Completed, int64_t FramesWritten)
{
  // An empty file holds nothing playable, whatever was counted.
  struct stat written {};
  if (!Completed && (FramesWritten <= 0 || ::stat(FTempName.c_str(), &written) != 0 || written.st_size == 0))
    return false; // the destructor removes it
  FPending = false;
  if (FMode)
    ::chmod(FTempName.c_str(), *FMode);
  // Nothing is lost when the name cannot be given: the result stays where it was written.
  if (std::rename(FTempName.c_str(), FFileName.c_str()) != 0)
    throw Exception("Unable to name the joined file " + FFileName + ": " + SysErrorMessage(errno) +
                    "; it is kept as " + FTempName);
  return true;
}

std::string TTempOutput::Retell(const std::string& Message) const
{
  std::string text = Message;
  for (size_t at = text.find(FTempName); at != std::string::npos; at = text.find(FTempName, at + FFileName.size()))
    text.replace(at, FTempName.size(), FFileName);
  return text;
}
