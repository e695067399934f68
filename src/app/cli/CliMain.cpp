#include "app/cli/CliCommands.h"
#include "app/cli/ConsoleProgress.h"
#include "platform/MediaServices.h"
#include "ui/base/ProdInfo.h"

#include <iostream>

namespace {

const char* const HelpText = R"(Usage: reelweld-cli COMMAND [OPTIONS] [FILE...]

Commands:
  probe [--json] FILE...     describe each file as the main window's list does; --json:
                             one JSON array, an object per file, for scripts
  encoders [--audio] [--container avi|mp4|m4v|mov|mkv|webm]
                             list the video (or audio) compressors of the join dialog
                             for an output of that container (default avi); "--"
                             separates those that suit it from the rest
  join -o OUTPUT [OPTIONS] FILE...
  join -o OUTPUT [OPTIONS] --project P.qrw
                             join the files, in the given order, into OUTPUT
  project save [-y] P.qrw [FILE...]
                             write a project file holding the files; -y, --overwrite
                             replaces an existing project file
  project list P.qrw         print the files stored in a project file
  --version                  print the product name and version
  -h, --help                 print this text

Join options (unset ones are decided as the desktop program decides them):
  -o, --output OUTPUT        the file to write
  --project P.qrw            take the input list from a project file
  --copy                     join without recompression: AVI and MPEG-1 files byte for
                             byte; MP4, MOV, Matroska, WebM and MPEG-TS files of one format
                             by copying their packets into the first file's container, or
                             the one OUTPUT's extension names; refused, with the file that
                             differs and how, when the files cannot be joined so
  --recompress               join with recompression into the container OUTPUT's name
                             asks for: .mp4, .m4v, .mov, .mkv, .webm, else AVI
  --video-only               join without sound
  --size WxH                 output frame size (default 320x240)
  --fps RATE                 output frame rate, "." as decimal separator
  --resize letterbox|crop|stretch|none
                             resize method (default letterbox)
  --vcodec NAME              video compressor: a name from 'encoders' or an encoder's
                             short name such as mpeg4 (default: uncompressed for AVI,
                             libx264 for MP4, MOV and Matroska, libvpx-vp9 for WebM)
  --acodec NAME              audio compressor, likewise, such as libmp3lame
                             (default: uncompressed PCM for AVI, aac, or libopus for WebM)
  --quality N                the video encoder's quality: CRF for H.264 (default 20),
                             HEVC, VP9 and AV1, the quantiser for MPEG-4; lower is better
  --preset NAME              the video encoder's speed: ultrafast ... medium ... veryslow
                             for H.264 and HEVC, a number for VP9 and AV1
  --vopt NAME=VALUE          set one of the video encoder's own options, as the join
                             dialog's Options button does (FFmpeg option names; for example
                             --vopt qmin=5 --vopt qmax=5 for a fixed quantiser of 5);
                             repeatable; needs --vcodec or --optimal
  --aopt NAME=VALUE          likewise for the audio encoder, for example --aopt b=192k
  --optimal                  apply the optimal settings first; other options override them
  --no-sync                  AVI copy only: append each input's sound straight after
                             the previous one's, without silence or cuts at the seams
  --chapters, --no-chapters  MP4, MOV, Matroska and WebM copies: mark each file as a
                             chapter named after it, or not (by default, only when no
                             file has chapters of its own, which are always kept)
  --no-timestamp-correction  MPEG-1 only: the plain byte-for-byte join, whose clock
                             restarts at each seam (by default the clocks run on)
  --correct-timestamps       accepted for compatibility; it is the default
  -y, --overwrite            replace an existing OUTPUT

"--" ends the options: every name after it is a file, even one that begins with a dash.
Progress goes to standard error; Ctrl+C cancels and keeps what was written.
Exit status: 0 done, 1 failed, 2 malformed command line, 130 cancelled.
)";

} // namespace

int NotBuiltYet(const std::string& command)
{
  std::cerr << "reelweld-cli: " << command << " is not built yet\n";
  return ExitUsage;
}

int UsageError(const std::string& message)
{
  std::cerr << "reelweld-cli: " << message << "\nTry 'reelweld-cli --help'.\n";
  return ExitUsage;
}

int main(int argc, char* argv[])
{
  CatchCancelSignals();
  StartMediaServices();
  if (argc < 2)
    return UsageError("no command given");
  const std::string command = argv[1];
  const TArgs args(argv + 2, argv + argc);
  if (command == "join")
    return RunJoin(args);
  if (CancelSignalled())
    return ExitCancelled;
  ReleaseCancelSignals();
  if (command == "--version") {
    std::cout << ProductInfo.ProductName << ' ' << ProductInfo.Version << '\n';
    return ExitOK;
  }
  if (command == "--help" || command == "-h") {
    std::cout << HelpText;
    return ExitOK;
  }
  if (command == "probe")
    return RunProbe(args);
  if (command == "encoders")
    return RunEncoders(args);
  if (command == "project")
    return RunProject(args);
  return UsageError("unknown command '" + command + "'");
}
