#pragma once

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

// A folder that is removed with everything in it when the object dies.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return FPath; }
  std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
  std::string FPath;
};

struct TCommandResult {
  int ExitCode = -1;
  std::string Output; // standard output
  std::string Errors; // standard error
};

// Runs a shell command line and collects what it printed.
TCommandResult RunCommand(const std::string& commandLine);
// Quotes a word for the shell.
std::string ShellQuote(const std::string& word);

// A media file made once per test run by the ffmpeg command with these arguments (everything
// between "ffmpeg -y" and the output name), named `name` inside a folder that lives as long as
// the test binary. Fails the calling test when ffmpeg fails.
std::string MakeMedia(const std::string& name, const std::string& ffmpegArguments);

// Stock inputs that several areas use.
std::string MediaAviMpeg4Mp3(); // 640x480, 25 fps, 3 s, MPEG-4 video, MP3 audio
std::string MediaMpeg1System(); // 352x288, 25 fps, 3 s, MPEG-1 video, MP2 audio, -f mpeg
std::string MediaSmallAvi();    // 160x120, 10 fps, 1 s, MPEG-4 video, MP2 audio

// Decoding check: `ffmpeg -v error -i FILE -enc_time_base -1 -f null -` prints nothing and succeeds;
// a failure carries what it printed.
testing::AssertionResult DecodesCleanly(const std::string& fileName, std::string* errors = nullptr);
// ffprobe's count of frames (video) or packets of the first stream of that kind, -1 if none.
int64_t CountFrames(const std::string& fileName, const std::string& kind /* "v" or "a" */);

std::vector<uint8_t> ReadWholeFile(const std::string& fileName);
// The parts one after another.
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts);
void WriteWholeFile(const std::string& fileName, const std::vector<uint8_t>& bytes);

// The message of the program's exception that `action` raises; empty when it raises none.
std::string ErrorOf(const std::function<void()>& action);
// The same for `action` run in a child process whose files cannot grow past `room` bytes, as on a
// disk that fills up.
std::string ErrorOfWithRoom(uint64_t room, const std::function<void()>& action);

// Whether the ffmpeg command has this encoder (libx265, libsvtav1, ...).
bool HasEncoder(const std::string& name);

// The path of the built reelweld-cli.
std::string CliPath();
// `reelweld-cli join OPTIONS -o OUTPUT INPUTS...`, as a user types it.
TCommandResult RunCliJoin(const std::string& options, const std::string& output, const std::vector<std::string>& inputs);
