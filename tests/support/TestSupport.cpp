#include "support/TestSupport.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

TTempDir::TTempDir()
{
  std::string pattern = (fs::temp_directory_path() / "reelweld-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a temporary folder");
  FPath = pattern;
}

TTempDir::~TTempDir()
{
  std::error_code ignored;
  fs::remove_all(FPath, ignored);
}

std::string ShellQuote(const std::string& word)
{
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

TCommandResult RunCommand(const std::string& commandLine)
{
  TTempDir dir;
  const std::string errFile = dir.File("stderr");
  TCommandResult result;
  FILE* pipe = ::popen((commandLine + " 2>" + ShellQuote(errFile)).c_str(), "r");
  if (pipe == nullptr)
    return result;
  std::array<char, 65536> chunk;
  size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
    result.Output.append(chunk.data(), n);
  const int status = ::pclose(pipe);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::ifstream err(errFile, std::ios::binary);
  result.Errors.assign(std::istreambuf_iterator<char>(err), {});
  return result;
}

namespace {

const TTempDir& MediaDir()
{
  static const TTempDir dir;
  return dir;
}

} // namespace

std::string MakeMedia(const std::string& name, const std::string& ffmpegArguments)
{
  static std::mutex lock;
  static std::map<std::string, std::string> made;
  std::lock_guard guard(lock);
  if (auto found = made.find(name); found != made.end())
    return found->second;
  const std::string path = MediaDir().File(name);
  const auto result =
      RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y " + ffmpegArguments + " " + ShellQuote(path));
  if (result.ExitCode != 0) {
    ADD_FAILURE() << "ffmpeg could not make " << name << ": " << result.Errors;
    return path;
  }
  made[name] = path;
  return path;
}

std::string MediaAviMpeg4Mp3()
{
  return MakeMedia("mpeg4-mp3.avi",
                   "-f lavfi -i testsrc=size=640x480:rate=25:duration=3 -f lavfi -i sine=frequency=440:duration=3 "
                   "-c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 128k -ar 44100 -ac 2");
}

std::string MediaMpeg1System()
{
  return MakeMedia("system.mpg",
                   "-f lavfi -i testsrc=size=352x288:rate=25:duration=3 -f lavfi -i sine=frequency=440:duration=3 "
                   "-c:v mpeg1video -b:v 1M -c:a mp2 -b:a 128k -ar 44100 -f mpeg");
}

std::string MediaSmallAvi()
{
  return MakeMedia("mpeg4-mp2-160x120.avi", "-f lavfi -i testsrc=size=160x120:rate=10:duration=1 -f lavfi -i "
                                            "sine=duration=1 -c:v mpeg4 -c:a mp2 -shortest");
}

testing::AssertionResult DecodesCleanly(const std::string& fileName, std::string* errors)
{
  // Time stamps as the file has them, not rounded to its first frame rate: a file whose frame
  // rate changes on the way is no fault of its own.
  const auto result =
      RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(fileName) + " -enc_time_base -1 -f null -");
  if (errors != nullptr)
    *errors = result.Errors;
  if (result.ExitCode == 0 && result.Errors.empty())
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << fileName << " does not decode cleanly: " << result.Errors;
}

int64_t CountFrames(const std::string& fileName, const std::string& kind)
{
  const std::string entry = kind == "v" ? "nb_read_frames" : "nb_read_packets";
  const std::string option = kind == "v" ? "-count_frames" : "-count_packets";
  const auto result = RunCommand("ffprobe -v error " + option + " -select_streams " + kind +
                                 ":0 -show_entries stream=" + entry + " -of csv=p=0 " + ShellQuote(fileName));
  if (result.ExitCode != 0 || result.Output.empty())
    return -1;
  return std::strtoll(result.Output.c_str(), nullptr, 10);
}

std::vector<uint8_t> ReadWholeFile(const std::string& fileName)
{
  std::ifstream in(fileName, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const std::string& fileName, const std::vector<uint8_t>& bytes)
{
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool HasEncoder(const std::string& name)
{
  return RunCommand("ffmpeg -hide_banner -h encoder=" + name).Output.find("Encoder " + name) != std::string::npos;
}

std::string CliPath()
{
  return REELWELD_CLI;
}

TCommandResult RunCliJoin(const std::string& options, const std::string& output, const std::vector<std::string>& inputs)
{
  std::string command = ShellQuote(CliPath()) + " join " + options + " -o " + ShellQuote(output);
  for (const std::string& input : inputs)
    command += " " + ShellQuote(input);
  return RunCommand(command);
}

std::string ErrorOf(const std::function<void()>& action)
{
  try {
    action();
  } catch (const Exception& e) {
    return e.what();
  }
  return "";
}

std::string ErrorOfWithRoom(uint64_t room, const std::function<void()>& action)
{
  int ends[2];
  if (::pipe(ends) != 0)
    throw std::runtime_error("cannot make a pipe");
  const pid_t child = ::fork();
  if (child == 0) { // the pipe is no file: the limit spares it
    ::close(ends[0]);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{room, room};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string message = ErrorOf(action);
    const bool told = ::write(ends[1], message.data(), message.size()) == ssize_t(message.size());
    ::_exit(told ? 0 : 2);
  }
  ::close(ends[1]);
  std::string message;
  char buffer[512];
  for (ssize_t got; (got = ::read(ends[0], buffer, sizeof(buffer))) > 0;)
    message.append(buffer, size_t(got));
  ::close(ends[0]);
  int status = 0;
  EXPECT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child ended abnormally: " << status;
  return message;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts)
{
  std::vector<uint8_t> all;
  for (const auto& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}
