#include "core/SaveProjectCls.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using TFileList = TProjectSettings::TFileList;

const std::string Corrupted = "The project file is corrupted";

std::string ReadText(const std::string& fileName)
{
  const auto bytes = ReadWholeFile(fileName);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& fileName, const std::string& text)
{
  WriteWholeFile(fileName, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string LoadError(const std::string& text)
{
  return ErrorOf([&] { ProjectFromText(text); });
}

// A path of `length` characters that ends in "x.avi".
std::string PathOfLength(size_t length)
{
  std::string path = "/v/";
  while (path.size() < length - 5)
    path += static_cast<char>('a' + path.size() % 26);
  return path + "x.avi";
}

// The text of a project with a list whose lines are `lines`.
std::string Listed(const std::string& lines)
{
  return "object TProjectSettings\r\n  Files.Strings = (\r\n" + lines + ")\r\nend\r\n";
}

} // namespace

// Lines of 64 characters at most, a quote or control character written as a code that counts as
// one, and no multi-byte character split; what is written reads back.
TEST(ProjectText, WritesListsByteForByteInLinesOf64Characters)
{
  const std::string p64 = PathOfLength(64), p65 = PathOfLength(65), p100 = PathOfLength(100);
  const std::string quoteAt64 = std::string(63, 'a') + "'b";
  std::string accents;
  for (int i = 0; i < 65; ++i)
    accents += "\xC3\xA9"; // é
  const std::pair<TFileList, std::string> cases[] = {
      {{}, "object TProjectSettings\r\nend\r\n"},
      {{"C:\\V\\a.avi", "C:\\V\\b.avi"}, Listed("    'C:\\V\\a.avi'\r\n    'C:\\V\\b.avi'")},
      {{""}, Listed("    ''")},
      {{p64}, Listed("    '" + p64 + "'")},
      {{p65}, Listed("    \r\n      '" + p65.substr(0, 64) + "' +\r\n      'i'")},
      {{p100, "/b.avi"},
       Listed("    \r\n      '" + p100.substr(0, 64) + "' +\r\n      '" + p100.substr(64) + "'\r\n    '/b.avi'")},
      {{"/v/it's\ta.avi"}, Listed("    '/v/it'#39's'#9'a.avi'")},
      {{"'"}, Listed("    #39")},
      // the quote is the 64th character: the line ends right after its code
      {{quoteAt64}, Listed("    \r\n      '" + std::string(63, 'a') + "'#39 +\r\n      'b'")},
      {{accents}, Listed("    \r\n      '" + accents.substr(0, 128) + "' +\r\n      '\xC3\xA9'")},
  };
  for (const auto& [files, text] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ProjectToText(files), text);
    if (text.find("#9") == std::string::npos) { // reading refuses a control character
      EXPECT_EQ(ProjectFromText(text), files);
    }
  }
}

TEST(ProjectText, ReadsBackWhatItWritesForAnyBytesButControlCharacters)
{
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    TFileList files(random() % 4);
    for (std::string& file : files) {
      file.resize(random() % 200);
      for (char& c : file) {
        unsigned byte = 0;
        do
          byte = random() % 256;
        while (byte < 0x20 || (byte >= 0x7F && byte < 0xA0));
        c = static_cast<char>(byte);
      }
    }
    ASSERT_EQ(ProjectFromText(ProjectToText(files)), files) << round;
  }
  // A NUL would cut the name short, an escape would drive the terminal it is listed on.
  for (const std::string& bad : {std::string("a.mp4\0/etc/passwd", 18), std::string("\x1b[2Ja.mp4"),
                                 std::string("a\x7f.mp4"), std::string("a\xc2\x9b" "2J.mp4"), std::string("a\n.mp4")}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ProjectFromText(ProjectToText({bad})), Exception);
    TTempDir dir;
    TProjectSettings project;
    project.SetFiles({bad});
    EXPECT_THROW(project.SaveToFile(dir.File("p.qrw")), Exception);
    EXPECT_FALSE(FileExists(dir.File("p.qrw")));
  }
}

TEST(ProjectText, ReadsHandWrittenVariants)
{
  const TFileList expected = {"C:\\V\\a.avi", "/v/it's.avi"};
  EXPECT_EQ(ProjectFromText("object TSomethingElse\nFiles.Strings = (\n'C:\\V\\a.avi'\n'/v/it''s.avi')\nend\n"),
            expected);
  EXPECT_EQ(ProjectFromText("INHERITED Project1: TProjectSettings [2]\r\n  tag = -5\r\n  Name = 'Project1'\r\n"
                            "  files . strings=('C:\\V'+\r\n  '\\a.avi' '/v/it'#39's.avi')END"),
            expected);
  EXPECT_EQ(ProjectFromText("inline X: Y files.strings = ('C:' + #92'V'#92'a.avi' '/v/it'#39 + 's.avi') End \r\n"),
            expected);
  // A second list replaces the first; an empty list is a list.
  EXPECT_EQ(ProjectFromText("object T Files.Strings = ('a') Files.Strings = () end"), TFileList{});
  EXPECT_EQ(ProjectFromText("object T Files.Strings = (#233) end"), TFileList{"\xC3\xA9"});
}

TEST(ProjectText, RejectsWhatIsNotAProjectAsCorrupted)
{
  for (const char* text : {
           "",
           "object TProjectSettings\r\n",                                 // no end
           "object TProjectSettings\r\n  Count = 1\r\nend\r\n",           // no such property
           "object TProjectSettings\r\n  Files = ('a')\r\nend\r\n",       // not the list's property
           "object TProjectSettings\r\n  Files.Strings = 'a'\r\nend\r\n", // a value of the wrong kind
           "object TProjectSettings\r\n  Tag = 'a'\r\nend\r\n",
           "object TProjectSettings\r\n  Tag = 99999999999\r\nend\r\n",
           "object TProjectSettings\r\n  Name = '1abc'\r\nend\r\n",
           "object TProjectSettings\r\n  Files.Strings = ('a\r\nb')\r\nend\r\n", // line break in a run
           "object TProjectSettings\r\n  Files.Strings = ('a' +)\r\nend\r\n",
           "object TProjectSettings\r\n  Files.Strings = ('a'\r\nend\r\n",
           "object TProjectSettings\r\n  Files.Strings = (#)\r\nend\r\n",
           "object TProjectSettings\r\n  Files.Strings = (#1114112)\r\nend\r\n",
           "object TProjectSettings\r\n  Files.Strings = ('unterminated)\r\nend\r\n",
           "object TProjectSettings\r\n  object Child: TThing\r\n  end\r\nend\r\n",
           "objects TProjectSettings\r\nend\r\n",
           "object : TProjectSettings\r\nend\r\n",
           "object TProjectSettings [x]\r\nend\r\n",
           "object TProjectSettings\r\nend\r\nend\r\n",
       })
    EXPECT_EQ(LoadError(text), Corrupted) << text;
}

// Every change to a valid project either still reads or fails with the corrupted message; and no
// cut of it short of its final "end" reads at all.
TEST(ProjectText, MutatedFilesReadOrFailCleanly)
{
  const std::string valid = ProjectToText({PathOfLength(100), "/v/it's.avi", "", "/v/\xc3\xa9.avi"});
  for (size_t length = 0; length + 5 < valid.size(); ++length)
    ASSERT_EQ(LoadError(valid.substr(0, length)), Corrupted) << length;

  const std::string alphabet = "'#+()=.:[]\r\n 09aZ_\x80\xff";
  std::mt19937 random(11);
  for (int round = 0; round < 5000; ++round) {
    std::string text = valid;
    for (int edits = 1 + random() % 3; edits > 0; --edits) {
      const size_t at = random() % text.size();
      const char c = alphabet[random() % alphabet.size()];
      switch (random() % 3) {
      case 0:
        text[at] = c;
        break;
      case 1:
        text.insert(text.begin() + at, c);
        break;
      default:
        text.erase(at, 1);
      }
    }
    const std::string error = LoadError(text);
    ASSERT_TRUE(error.empty() || error == Corrupted) << error;
  }
}

TEST(ProjectSettings, SavesAndLoadsThroughFiles)
{
  TTempDir dir;
  const std::string file = dir.File("p.qrw");
  TProjectSettings saved;
  saved.SetFiles({"/v/b.avi", "/v/a.avi"});
  saved.SaveToFile(file);
  EXPECT_EQ(ReadText(file), ProjectToText({"/v/b.avi", "/v/a.avi"}));

  TProjectSettings loaded;
  loaded.LoadFromFile(file);
  EXPECT_EQ(loaded.Files(), (TFileList{"/v/b.avi", "/v/a.avi"})); // stored order, not sorted

  saved.SetFiles({});
  saved.SaveToFile(file); // replaces the longer file
  EXPECT_EQ(ReadText(file), "object TProjectSettings\r\nend\r\n");
  loaded.LoadFromFile(file);
  EXPECT_TRUE(loaded.Files().empty());
}

TEST(ProjectSettings, FailedLoadKeepsTheFilesItHad)
{
  TTempDir dir;
  TProjectSettings project;
  project.SetFiles({"/v/a.avi"});
  const std::string bad = dir.File("bad.qrw");
  WriteText(bad, "object TProjectSettings\r\n  Files.Strings = (\r\n    '/v/b.avi')\r\n  Extra = 1\r\nend\r\n");
  const std::string missing = dir.File("missing.qrw");
  const std::pair<std::string, std::string> failures[] = {
      {bad, Corrupted},
      {missing, "Cannot open file " + missing + ": No such file or directory"},
      {dir.Path(), "Cannot open file " + dir.Path() + ": it is not a regular file"},
      {"/dev/zero", "Cannot open file /dev/zero: it is not a regular file"},
  };
  for (const auto& [name, message] : failures) {
    EXPECT_EQ(ErrorOf([&] { project.LoadFromFile(name); }), message);
    EXPECT_EQ(project.Files(), TFileList{"/v/a.avi"}) << name;
  }
}

TEST(ProjectSettings, FailedSaveLeavesTheOldFileAlone)
{
  TTempDir dir;
  const std::string inMissingFolder = dir.File("no/p.qrw");
  TProjectSettings project;
  EXPECT_EQ(ErrorOf([&] { project.SaveToFile(inMissingFolder); }),
            "Cannot create file " + inMissingFolder + ": the folder " + dir.File("no") + " does not exist");
  // A folder in the way of the file cannot be replaced by it.
  const std::string folder = dir.File("sub");
  RunCommand("mkdir " + ShellQuote(folder) + " && touch " + ShellQuote(folder + "/keep"));
  EXPECT_THROW(project.SaveToFile(folder), Exception);
  EXPECT_TRUE(ReadWholeFile(folder + "/keep").empty());
  EXPECT_EQ(RunCommand("ls -A " + ShellQuote(dir.Path())).Output, "sub\n"); // no temporary left
}

TEST(ProjectSettings, ReplacedProjectKeepsItsPermissions)
{
  TTempDir dir;
  const std::string file = dir.File("p.qrw");
  TProjectSettings project;
  project.SaveToFile(file);
  EXPECT_EQ(RunCommand("stat -c %a " + ShellQuote(file)).Output, "644\n");
  RunCommand("chmod 600 " + ShellQuote(file));
  project.SetFiles({"/v/a.avi"});
  project.SaveToFile(file);
  EXPECT_EQ(RunCommand("stat -c %a " + ShellQuote(file)).Output, "600\n");
}

TEST(ProjectCli, SavesFullPathsAndListsThemInOrder)
{
  TTempDir dir;
  const std::string file = dir.File("p.qrw");
  const std::string cli = ShellQuote(CliPath());
  auto result = RunCommand("cd " + ShellQuote(dir.Path()) + " && " + cli + " project save p.qrw b.avi ./sub/../a.avi");
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  result = RunCommand(cli + " project list " + ShellQuote(file));
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Output, dir.File("b.avi") + "\n" + dir.File("a.avi") + "\n");

  result = RunCommand(cli + " project save " + ShellQuote(file) + " c.avi");
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Errors, "The \"" + file + "\" file already exists\n");
  EXPECT_EQ(RunCommand(cli + " project save -y " + ShellQuote(file) + " /c.avi").ExitCode, 0);
  EXPECT_EQ(RunCommand(cli + " project list " + ShellQuote(file)).Output, "/c.avi\n");

  WriteText(file, "object TProjectSettings\r\n  Files.Strings = ('/a.avi'\r\nend\r\n");
  result = RunCommand(cli + " project list " + ShellQuote(file));
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Errors, Corrupted + "\n");
  EXPECT_EQ(result.Output, "");
}
