#pragma once

#include <cstdint>
#include <optional>
#include <sys/types.h>
#include <string>

// A join writes under a temporary name in the output's folder (the output's extension kept last,
// as the recompressing road picks the container by it) and takes the output's name only when it
// succeeds or is cancelled with something playable to show; until then an existing file of that
// name stays as it was. The temporary file is locked while it lives, so that a later join can
// tell the temporary files that a killed join left behind from those still being written.
class TTempOutput {
public:
  // Refuses an output that is not a regular file, a link to a missing file and a folder that does
  // not exist or takes no new file ("Cannot create file %s: " and the reason), before anything
  // is touched; then removes the temporary files no join holds and creates the empty one.
  explicit TTempOutput(const std::string& FileName);
  ~TTempOutput(); // removes the temporary file unless Finish or KeepPart kept it
  TTempOutput(const TTempOutput&) = delete;
  TTempOutput& operator=(const TTempOutput&) = delete;

  const std::string& TempName() const { return FTempName; }
  // The name the result takes: the output's name, or the file a symlink of that name points to.
  const std::string& FileName() const { return FFileName; }

  // A join that completed, or was cancelled after at least one frame, takes the output's name;
  // a cancelled one that wrote nothing is removed. Returns whether the output was replaced.
  bool Finish(bool Completed, int64_t FramesWritten);
  // A failed join leaves the output alone; what it wrote, with at least one frame in it, goes
  // beside it as "NAME (incomplete).EXT" (numbered when that is taken). Returns that name, or ""
  // when nothing was kept.
  std::string KeepPart(int64_t FramesWritten);

  // The disk that holds the temporary file has (next to) no room left: a part written when a
  // join failed there may be cut anywhere.
  bool DiskFull() const;

  // A message about the temporary file, told about the output instead; by its name alone for
  // lines shown under the output's folder.
  std::string Retell(const std::string& Message, bool NameOnly = false) const;

private:
  bool HoldsFrames(int64_t FramesWritten) const;
  void Release();

  std::string FFileName;
  std::string FTempName;
  int FLock = -1; // the temporary file, open and locked while it is ours to remove
  std::optional<mode_t> FMode; // of the output it replaces
};
