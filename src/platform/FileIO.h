#pragma once

#include <cstdint>
#include <string>

// Sharing asked for when a file is opened for reading. Linux cannot refuse other writers, so
// DenyWrite takes an advisory lock that only cooperating programs see.
enum class TShareMode { DenyWrite, DenyNone };

enum class TSeekOrigin { Begin, Current, End };

// An open file. Closes itself when destroyed, so no error path leaks a descriptor.
class TFile {
public:
  TFile() = default;
  TFile(TFile&& other) noexcept;
  TFile& operator=(TFile&& other) noexcept;
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  ~TFile();

  // Raise the system error when the file cannot be opened or created.
  static TFile OpenRead(const std::string& fileName, TShareMode share);
  static TFile Create(const std::string& fileName); // create or replace, for writing

  // Returns the new position from the start, or -1 on failure (errno set).
  int64_t Seek(int64_t offset, TSeekOrigin origin);
  // Return the count transferred, or -1 on failure (errno set): wide enough for any count asked.
  int64_t Read(void* dest, uint32_t count);
  int64_t Write(const void* source, uint32_t count);
  // Cuts the file at Size and goes there; false (errno set) when it cannot.
  bool Truncate(int64_t Size);
  // The size of the file, or -1 on failure; leaves the position alone.
  int64_t Size() const;

  bool IsOpen() const { return FHandle >= 0; }
  int Handle() const { return FHandle; }
  void Close();
  // Puts the data on the disk and closes: false (errno set) when either fails, as a full disk may
  // only tell then.
  bool SyncAndClose();

private:
  explicit TFile(int handle) : FHandle(handle) {}
  int FHandle = -1;
};

bool FileExists(const std::string& fileName);
// Inputs and outputs must be regular files (a symlink to one is followed): raises
// "NAME is not a regular file" for a FIFO, device, socket or folder. A name that does not exist
// passes; opening it tells why it cannot be used.
void CheckRegularFile(const std::string& fileName);
// Returns false (errno set) when the file cannot be deleted.
bool DeleteFile(const std::string& fileName);
