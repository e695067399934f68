#include "support/PacketProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

// What `reelweld-cli` does to the user's files when a join succeeds, fails, is interrupted or is
// pointed at something that is not a file, on every road.
namespace {

namespace fs = std::filesystem;

struct TRoad {
  const char* Name;
  std::string Options;
  std::vector<std::string> Inputs;
  std::string Extension;
};

std::vector<TRoad> Roads()
{
  return {
      {"AVI copy", "--copy", {MediaSmallAvi(), MediaSmallAvi()}, ".avi"},
      {"MPEG-1 copy", "--copy", {MediaMpeg1System(), MediaMpeg1System()}, ".mpg"},
      {"recompression", "--recompress --size 160x120 --fps 10 --vcodec mpeg4", {MediaSmallAvi()}, ".avi"},
  };
}

std::string JoinCommand(const TRoad& road, const std::string& output, const std::vector<std::string>& inputs)
{
  std::string command = ShellQuote(CliPath()) + " join -y -o " + ShellQuote(output) + " " + road.Options;
  for (const std::string& input : inputs)
    command += " " + ShellQuote(input);
  return command;
}

// A disk that takes `blocks` of 512 bytes, none unless told: writes fail as on a full one (standard
// error goes through a pipe, which the limit spares). The status follows "status " in Output.
TCommandResult OnFullDisk(const std::string& command, int blocks = 0)
{
  return RunCommand("(trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; " + command +
                    "; echo \"status $?\") 2>&1 | cat");
}

// The names in a folder: a stub or temporary file left behind shows here.
std::vector<std::string> Listing(const std::string& folder)
{
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// An existing output that must survive whatever goes wrong.
const std::vector<uint8_t> OldOutput = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

} // namespace

TEST(JoinSafety, ASuccessfulJoinReplacesTheOutputKeepingItsPermissionsAndLeavesNoTemporaryFile)
{
  for (const TRoad& road : Roads()) {
    SCOPED_TRACE(road.Name);
    TTempDir dir;
    const std::string output = dir.File("out" + road.Extension);
    WriteWholeFile(output, OldOutput);
    // Read-only: the join writes it all the same, as the user asked to replace it.
    ASSERT_EQ(::chmod(output.c_str(), 0440), 0);
    const auto result = RunCommand(JoinCommand(road, output, road.Inputs));
    ASSERT_EQ(result.ExitCode, 0) << result.Errors;
    EXPECT_TRUE(DecodesCleanly(output));
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"out" + road.Extension});
    struct stat info {};
    EXPECT_TRUE(::stat(output.c_str(), &info) == 0 && (info.st_mode & 07777) == 0440) << "the replaced output's permissions";
  }
}

TEST(JoinSafety, AFullDiskFailsAndKeepsTheOldFile)
{
  TTempDir dir;
  const std::string project = dir.File("p.qrw");
  struct TCase {
    std::string Name;
    std::string Output;
    std::string Command;
    std::string Message;
  };
  std::vector<TCase> cases;
  for (const TRoad& road : Roads()) {
    const std::string output = dir.File(std::string(road.Name) + road.Extension);
    cases.push_back({road.Name, output, JoinCommand(road, output, road.Inputs), "Join fails: Win32 Error.  Code: 27."});
  }
  cases.push_back({"project", project, ShellQuote(CliPath()) + " project save -y " + ShellQuote(project) + " a.avi",
                   "Cannot create file " + project + ": File too large"});

  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteWholeFile(c.Output, OldOutput);
    const auto listing = Listing(dir.Path());
    const auto result = OnFullDisk(c.Command);
    EXPECT_NE(result.Output.find(c.Message), std::string::npos) << result.Output;
    EXPECT_NE(result.Output.find(c.Output), std::string::npos) << "names the file: " << result.Output;
    EXPECT_NE(result.Output.find("status 1\n"), std::string::npos) << result.Output;
    EXPECT_EQ(result.Output.find(".reelweld-"), std::string::npos) << "names a temporary file: " << result.Output;
    EXPECT_EQ(ReadWholeFile(c.Output), OldOutput);
    EXPECT_EQ(Listing(dir.Path()), listing);
  }
}

TEST(JoinSafety, RefusesWhatIsNotARegularFileAtOnce)
{
  TTempDir dir;
  const std::string fifo = dir.File("fifo.avi");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string missingFolder = dir.File("no/out.avi");
  const std::string cli = ShellQuote(CliPath());
  struct TCase {
    std::string Name;
    std::string Command;
    std::string Errors;
  };
  std::vector<TCase> cases;
  for (const TRoad& road : Roads()) {
    const std::string name = road.Name;
    cases.push_back({name + ", FIFO output", JoinCommand(road, fifo, road.Inputs),
                     "Join fails: Cannot create file " + fifo + ": it is not a regular file\n"});
    cases.push_back({name + ", FIFO input", JoinCommand(road, dir.File("out.avi"), {road.Inputs[0], fifo}),
                     "Join fails: Unable to add file " + fifo + ": " + fifo + " is not a regular file\n"});
    cases.push_back({name + ", missing folder", JoinCommand(road, missingFolder, road.Inputs),
                     "Join fails: Cannot create file " + missingFolder + ": the folder " + dir.File("no") +
                         " does not exist\n"});
  }
  cases.push_back({"probe", cli + " probe " + ShellQuote(fifo),
                   "Unable to add file " + fifo + ": " + fifo + " is not a regular file.\n"});
  cases.push_back({"project save", cli + " project save -y " + ShellQuote(fifo) + " a.avi",
                   "Cannot create file " + fifo + ": it is not a regular file\n"});
  cases.push_back({"project list", cli + " project list " + ShellQuote(fifo),
                   "Cannot open file " + fifo + ": it is not a regular file\n"});

  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    // A command that waits on the FIFO is ended by the time-out, with status 124.
    const auto result = RunCommand("timeout 5 " + c.Command);
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Errors, c.Errors);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"fifo.avi"});
    struct stat info {};
    EXPECT_TRUE(::stat(fifo.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
  }
}

// Ctrl+C in the program's first instant, before the join begins: it ends as a cancel, and the
// existing output stays as it was.
TEST(JoinSafety, AnInterruptBeforeTheJoinEndsWithStatus130)
{
  for (const TRoad& road : Roads()) {
    SCOPED_TRACE(road.Name);
    TTempDir dir;
    const std::string output = dir.File("out" + road.Extension);
    WriteWholeFile(output, OldOutput);
    std::vector<std::string> args = {CliPath(), "join", "-y", "-o", output};
    std::istringstream options(road.Options);
    for (std::string word; options >> word;)
      args.push_back(word);
    args.insert(args.end(), road.Inputs.begin(), road.Inputs.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
      argv.push_back(arg.data());
    argv.push_back(nullptr);

    // The signal waits, blocked, from before the program starts until it lets it in.
    sigset_t interrupt, old;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &old);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigmask(&attributes, &interrupt);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], &files, &attributes, argv.data(), environ), 0);
    ::kill(child, SIGINT);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);

    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(ReadWholeFile(output), OldOutput);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"out" + road.Extension});
  }
}

TEST(JoinSafety, ADiskThatFillsMidwayLeavesNoPartialOutput)
{
  // Half a megabyte each, so that the join stops well after its first frames.
  const std::string args = "-f lavfi -i testsrc2=s=320x240:r=25:d=4 -f lavfi -i sine=d=4 -c:v libx264 "
                           "-preset ultrafast -qp 10 -c:a aac ";
  for (const std::string format : {"mp4", "mpegts"}) {
    SCOPED_TRACE(format);
    const std::string input = MakeMedia("fills-disk." + format, args + "-f " + format);
    TTempDir dir;
    const std::string output = dir.File("out." + format);
    WriteWholeFile(output, OldOutput);
    const auto result = OnFullDisk(JoinCommand({"copy", "--copy", {}, ""}, output, {input, input}), 256);
    EXPECT_NE(result.Output.find("(File too large)"), std::string::npos) << result.Output;
    EXPECT_NE(result.Output.find("status 1\n"), std::string::npos) << result.Output;
    EXPECT_EQ(ReadWholeFile(output), OldOutput);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"out." + format});
  }
}

namespace {

// The first 32-bit field after the first `Box` tag, at `Offset` bytes past the tag, set to `Value`
// (big-endian, as MP4 stores it): a zeroed time scale, a zeroed frame duration.
std::string PatchedMp4(const std::string& Source, const std::string& Target, const std::string& Box, size_t Offset,
                       uint32_t Value)
{
  std::vector<uint8_t> bytes = ReadWholeFile(Source);
  const auto at = std::search(bytes.begin(), bytes.end(), Box.begin(), Box.end());
  EXPECT_NE(at, bytes.end());
  const size_t field = size_t(at - bytes.begin()) + Offset;
  for (int i = 0; i < 4; ++i)
    bytes[field + size_t(i)] = uint8_t(Value >> (24 - 8 * i));
  WriteWholeFile(Target, bytes);
  return Target;
}

// Seconds of the file as ffprobe reads them.
double ProbedSeconds(const std::string& File)
{
  return std::atof(ProbeEntries(File, "format=duration").c_str());
}

} // namespace

// One damaged input on each road, over an existing output: the old output stays as it was, the
// message names the file at fault, and damaged time stamps never make a join write without bound.
TEST(JoinSafety, EachFaultKeepsTheOldOutputNamesTheFileAndStaysBounded)
{
  TTempDir dir;
  // With B-frames, as phones write them: a damaged time scale then stretches the copy's clock.
  const std::string mp4 = MakeMedia("fault.mp4", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 -f lavfi -i "
                                                 "sine=duration=2 -c:v libx264 -preset veryfast -c:a aac");
  const std::string cutAvi = dir.File("cut.avi");
  const std::vector<uint8_t> avi = ReadWholeFile(MediaSmallAvi());
  WriteWholeFile(cutAvi, {avi.begin(), avi.begin() + long(avi.size() / 2)});
  // mdhd: version and flags, two times, then the time scale; stts: version and flags, the count,
  // then the first entry's sample count and duration.
  const std::string zeroScale = PatchedMp4(mp4, dir.File("zero-scale.mp4"), "mdhd", 16, 0);
  const std::string stuck = PatchedMp4(mp4, dir.File("stuck.mp4"), "stts", 16, 0);
  const std::string leap = dir.File("leap.ts");
  ASSERT_EQ(RunCommand("ffmpeg -v error -y -i " + ShellQuote(mp4) + " -c copy -bsf:v " +
                       "\"setts=pts='if(eq(N,10),PTS+11932*90000,PTS)'\" " + ShellQuote(leap))
                .ExitCode,
            0);
  const std::string recompress = "--recompress --size 160x120 --fps 25 --vcodec mpeg4";
  struct TCase {
    const char* Name;
    std::string Options;
    std::vector<std::string> Inputs;
    std::string Extension;
    std::string Message; // in the failure's message; empty: the join succeeds
    bool PartKept = false; // what was joined before the fault is kept beside the output
  };
  const TCase cases[] = {
      {"AVI without its index", "--copy", {MediaSmallAvi(), cutAvi}, ".avi", "(" + cutAvi + ")"},
      {"MP4 time scale 0, copied", "--copy", {zeroScale, mp4}, ".mp4", zeroScale + ": the picture's time stamps run over"},
      {"MP4 time scale 0, recompressed", recompress, {zeroScale, mp4}, ".avi",
       "Unable to join " + zeroScale + ": its picture has no usable frame rate"},
      {"MP4 time stamps stuck", "--copy", {stuck, mp4}, ".mp4", stuck + ": the picture's time stamps do not advance"},
      {"TS time stamp leaps, copied", "--copy", {leap, leap}, ".mp4", leap + ": a picture's time stamp leaps to",
       true},
      {"TS time stamp leaps, recompressed", recompress, {leap}, ".avi", ""},
      {"TS time stamp leaps, into MP4", "--recompress --size 160x120 --fps 25", {leap}, ".mp4", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir folder;
    const std::string output = folder.File("holiday" + c.Extension);
    WriteWholeFile(output, OldOutput);
    const auto result = RunCommand("timeout 60 " + JoinCommand({c.Name, c.Options, {}, c.Extension}, output, c.Inputs));
    if (c.Message.empty()) {
      ASSERT_EQ(result.ExitCode, 0) << result.Errors;
      EXPECT_LE(ProbedSeconds(output), 2 * 2 + 1);
      EXPECT_TRUE(DecodesCleanly(output));
      continue;
    }
    EXPECT_EQ(result.ExitCode, 1) << result.Errors;
    EXPECT_NE(result.Errors.find(c.Message), std::string::npos) << result.Errors;
    EXPECT_EQ(ReadWholeFile(output), OldOutput);
    std::vector<std::string> listing = {"holiday" + c.Extension};
    if (c.PartKept) {
      const std::string kept = folder.File("holiday (incomplete)" + c.Extension);
      EXPECT_NE(result.Errors.find("; what was joined before is kept as " + kept), std::string::npos) << result.Errors;
      EXPECT_TRUE(DecodesCleanly(kept));
      listing.insert(listing.begin(), "holiday (incomplete)" + c.Extension);
    }
    EXPECT_EQ(Listing(folder.Path()), listing);
  }
}
