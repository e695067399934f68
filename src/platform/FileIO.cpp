#include "platform/FileIO.h"

#include "platform/Exceptions.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

TFile::TFile(TFile&& other) noexcept : FHandle(std::exchange(other.FHandle, -1)) {}

TFile& TFile::operator=(TFile&& other) noexcept
{
  if (this != &other) {
    Close();
    FHandle = std::exchange(other.FHandle, -1);
  }
  return *this;
}

TFile::~TFile()
{
  Close();
}

TFile TFile::OpenRead(const std::string& fileName, TShareMode share)
{
  // Opened without waiting: a FIFO would otherwise block until a writer comes, and no cancel
  // reaches a thread stuck in open. Anything but a regular file is refused at once.
  const int handle = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (handle < 0)
    RaiseLastOSError(fileName);
  TFile file(handle);
  struct stat info {};
  if (::fstat(handle, &info) != 0 || ::fcntl(handle, F_SETFL, 0) != 0)
    RaiseLastOSError(fileName);
  if (!S_ISREG(info.st_mode))
    throw Exception(fileName + " is not a regular file");
  if (share == TShareMode::DenyWrite)
    ::flock(handle, LOCK_SH | LOCK_NB); // best effort: a writer elsewhere is not refused
  return file;
}

TFile TFile::Create(const std::string& fileName)
{
  // The join's temporary file is created empty beforehand. Truncating it again would make ext4
  // write the whole output out when it is closed (its guard for files replaced by truncation),
  // which costs the join that time; only a file with something in it is truncated.
  const int handle = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (handle < 0)
    RaiseLastOSError(fileName);
  TFile file(handle);
  struct stat info {};
  if (::fstat(handle, &info) != 0 || (info.st_size > 0 && ::ftruncate(handle, 0) != 0))
    RaiseLastOSError(fileName);
  return file;
}

int64_t TFile::Seek(int64_t offset, TSeekOrigin origin)
{
  const int whence = origin == TSeekOrigin::Begin ? SEEK_SET : origin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
  return ::lseek(FHandle, offset, whence);
}

int64_t TFile::Read(void* dest, uint32_t count)
{
  auto* out = static_cast<char*>(dest);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(FHandle, out + done, count - done);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return done > 0 ? int64_t(done) : -1;
    }
    if (n == 0)
      break;
    done += uint32_t(n);
  }
  return int64_t(done);
}

int64_t TFile::Write(const void* source, uint32_t count)
{
  const auto* in = static_cast<const char*>(source);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(FHandle, in + done, count - done);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return done > 0 ? int64_t(done) : -1;
    }
    done += uint32_t(n);
  }
  return int64_t(done);
}

int64_t TFile::Size() const
{
  struct stat info {};
  if (::fstat(FHandle, &info) != 0)
    return -1;
  return info.st_size;
}

bool TFile::Truncate(int64_t Size)
{
  return ::ftruncate(FHandle, Size) == 0 && Seek(Size, TSeekOrigin::Begin) == Size;
}

void TFile::Close()
{
  if (FHandle >= 0)
    ::close(std::exchange(FHandle, -1));
}

bool TFile::SyncAndClose()
{
  const bool synced = ::fsync(FHandle) == 0;
  const int error = errno;
  const bool closed = ::close(std::exchange(FHandle, -1)) == 0;
  if (!synced)
    errno = error;
  return synced && closed;
}

bool FileExists(const std::string& fileName)
{
  struct stat info {};
  return ::stat(fileName.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

void CheckRegularFile(const std::string& fileName)
{
  struct stat info {};
  if (::stat(fileName.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
    throw Exception(fileName + " is not a regular file");
}

bool DeleteFile(const std::string& fileName)
{
  return ::unlink(fileName.c_str()) == 0;
}
