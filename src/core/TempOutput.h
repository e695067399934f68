#pragma once

#include <cstdint>
#include <optional>
#include <sys/types.h>
#include <string>

// A join writes under a temporary name in the output's folder (the output's extension kept last,
// as the recompressing road picks the container by it) and takes the output's name only when it
// has something playable to show; until then an existing file of that name stays as it was.
class TTempOutput {
public:
  // Refuses an output that is not a regular file and a folder that does not exist or takes no
  // new file ("Cannot create file %s: " and the reason), before anything is touched; then
  // creates the empty temporary file.
  explicit TTempOutput(const std::string& FileName);
  ~TTempOutput(); // removes the temporary file unless Finish kept it
  TTempOutput(const TTempOutput&) = delete;
  TTempOutput& operator=(const TTempOutput&) = delete;

  const std::string& TempName() const { return FTempName; }
  // The name the result takes: the output's name, or the file a symlink of that name points to.
  const std::string& FileName() const { return FFileName; }

  // A join that completed, or wrote at least one frame before it was cancelled or failed, takes
  // the output's name; one that wrote nothing is removed. Returns whether the output was replaced.
  bool Finish(bool Completed, int64_t FramesWritten);

  // A message about the temporary file, told about the output instead.
  std::string Retell(const std::string& Message) const;

private:
  std::string FFileName;
  std::string FTempName;
  bool FPending = false; // the temporary file is ours to remove
  std::optional<mode_t> FMode; // of the output it replaces
};
