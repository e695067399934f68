#include "core/TempOutput.h"

#include "platform/Exceptions.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <regex>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A symlink is followed, so that the file it points to is the one replaced, not the link; one to
// a missing file is refused, as replacing it would lose the link and writing its target could
// create a file anywhere.
std::string FollowLink(const std::string& FileName)
{
  std::error_code error;
  if (!fs::is_symlink(FileName, error))
    return FileName;
  const fs::path target = fs::canonical(FileName, error);
  if (error)
    throw Exception("Cannot create file " + FileName + ": it is a link to a missing file");
  return target.string();
}

std::string RandomTag()
{
  static std::random_device seed;
  static std::mt19937 random(seed());
  char tag[9];
  std::snprintf(tag, sizeof tag, "%08x", unsigned(random()));
  return tag;
}

// Our temporary files: hidden, the output's stem, ".reelweld-", eight hex digits, its extension.
bool IsTemporaryName(const std::string& Name)
{
  static const std::regex pattern(R"(\..*\.reelweld-[0-9a-f]{8}(\.[^.]*)?)");
  return Name.find(".reelweld-") != std::string::npos && std::regex_match(Name, pattern);
}

// A temporary file that no join holds locked was left by one that was killed. One made in the
// last minute may be a join's that has not taken its lock yet, and is left for next time.
void RemoveStaleTemporaries(const fs::path& Folder)
{
  std::error_code error;
  const auto recent = fs::file_time_type::clock::now() - std::chrono::minutes(1);
  for (fs::directory_iterator entry(Folder, error), end; !error && entry != end; entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    std::error_code statError;
    if (!IsTemporaryName(name) || !entry->is_regular_file(statError) || entry->last_write_time(statError) > recent ||
        statError)
      continue;
    const int handle = ::open(entry->path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (handle < 0)
      continue;
    if (::flock(handle, LOCK_EX | LOCK_NB) == 0)
      ::unlink(entry->path().c_str());
    ::close(handle);
  }
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
  RemoveStaleTemporaries(folder);

  // Named after the output so that a user who finds one knows where it belongs.
  const std::string stem = "." + path.stem().string() + ".reelweld-";
  for (int attempt = 0;; ++attempt) {
    const std::string name = (folder / (stem + RandomTag() + path.extension().string())).string();
    const int handle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (handle >= 0) {
      ::flock(handle, LOCK_EX | LOCK_NB);
      // A replaced output keeps who may read it; the join itself must be able to write, even
      // over a read-only output, and the output's own mode comes back when it takes the name.
      if (S_ISREG(existing.st_mode)) {
        FMode = existing.st_mode & 07777;
        ::fchmod(handle, *FMode | S_IWUSR);
      }
      FLock = handle;
      FTempName = name;
      return;
    }
    if (errno != EEXIST || attempt == 100)
      throw Exception("Cannot create file " + FileName + ": " + SysErrorMessage(errno));
  }
}

TTempOutput::~TTempOutput()
{
  if (FLock >= 0) {
    ::unlink(FTempName.c_str());
    Release();
  }
}

void TTempOutput::Release()
{
  ::close(FLock);
  FLock = -1;
}

bool TTempOutput::HoldsFrames(int64_t FramesWritten) const
{
  // An empty file holds nothing playable, whatever was counted.
  struct stat written {};
  return FramesWritten > 0 && ::stat(FTempName.c_str(), &written) == 0 && written.st_size > 0;
}

bool TTempOutput::Finish(bool Completed, int64_t FramesWritten)
{
  if (!Completed && !HoldsFrames(FramesWritten))
    return false; // the destructor removes it
  if (FMode)
    ::chmod(FTempName.c_str(), *FMode);
  // Nothing is lost when the name cannot be given: the result stays where it was written.
  if (std::rename(FTempName.c_str(), FFileName.c_str()) != 0) {
    const int error = errno;
    Release();
    throw Exception("Unable to name the joined file " + FFileName + ": " + SysErrorMessage(error) +
                    "; it is kept as " + FTempName);
  }
  Release();
  return true;
}

std::string TTempOutput::KeepPart(int64_t FramesWritten)
{
  if (!HoldsFrames(FramesWritten))
    return {};
  const fs::path path(FFileName);
  for (int number = 1; number <= 100; ++number) {
    const std::string suffix = number == 1 ? " (incomplete)" : " (incomplete " + std::to_string(number) + ")";
    fs::path name = path;
    name.replace_filename(path.stem().string() + suffix + path.extension().string());
    // A hard link never replaces a file of that name, as a rename would.
    bool kept = ::link(FTempName.c_str(), name.c_str()) == 0 && ::unlink(FTempName.c_str()) == 0;
    // Some file systems (FAT) have no hard links: a free name is taken by renaming.
    struct stat taken {};
    if (!kept && errno != EEXIST && ::lstat(name.c_str(), &taken) != 0)
      kept = std::rename(FTempName.c_str(), name.c_str()) == 0;
    if (kept) {
      Release();
      return name.string();
    }
    if (errno != EEXIST)
      break;
  }
  return {}; // the destructor removes it
}

bool TTempOutput::DiskFull() const
{
  struct statvfs disk {};
  return FLock >= 0 && ::fstatvfs(FLock, &disk) == 0 && uint64_t(disk.f_bavail) * disk.f_frsize < (1u << 20);
}

std::string TTempOutput::Retell(const std::string& Message, bool NameOnly) const
{
  const std::string name = NameOnly ? fs::path(FFileName).filename().string() : FFileName;
  std::string text = Message;
  for (size_t at = text.find(FTempName); at != std::string::npos; at = text.find(FTempName, at + name.size()))
    text.replace(at, FTempName.size(), name);
  return text;
}
