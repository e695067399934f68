#include "core/SaveProjectCls.h"

#include "core/TempOutput.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"

#include <cerrno>
#include <cstdint>

namespace {

const char* const CorruptedMessage = "The project file is corrupted";
// Far beyond any list of paths; keeps a wrong file from being read into memory whole.
constexpr size_t MaxProjectFileSize = 64 * 1024 * 1024;
constexpr int CharsPerLine = 64;
const char* const ValueIndent = "      ";

// The bytes of the character at `at`: a non-ASCII byte takes the continuation bytes after it.
size_t CharLength(const std::string& value, size_t at)
{
  size_t length = 1;
  if (static_cast<unsigned char>(value[at]) >= 0x80)
    while (at + length < value.size() && (static_cast<unsigned char>(value[at + length]) & 0xC0) == 0x80)
      ++length;
  return length;
}

// One path as a string value: quoted runs, #codes for control characters and quotes, and lines
// of 64 characters joined by " +". A character is one UTF-8 sequence, so no split cuts one apart.
void WriteStringValue(std::string& out, const std::string& value)
{
  if (value.empty()) {
    out += "''";
    return;
  }
  size_t charCount = 0;
  for (size_t i = 0; i < value.size(); i += CharLength(value, i))
    ++charCount;
  if (charCount > CharsPerLine) {
    out += "\r\n";
    out += ValueIndent;
  }
  bool inRun = false;
  int lineChars = 0;
  for (size_t i = 0; i < value.size();) {
    const size_t length = CharLength(value, i);
    if (lineChars == CharsPerLine) {
      if (inRun)
        out += '\'';
      inRun = false;
      out += " +\r\n";
      out += ValueIndent;
      lineChars = 0;
    }
    const auto c = static_cast<unsigned char>(value[i]);
    if (c < 32 || c == '\'') {
      if (inRun)
        out += '\'';
      inRun = false;
      out += '#' + std::to_string(c);
    } else {
      if (!inRun)
        out += '\'';
      inRun = true;
      out.append(value, i, length);
    }
    ++lineChars;
    i += length;
  }
  if (inRun)
    out += '\'';
}

void AppendUtf8(std::string& out, uint32_t code)
{
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// No file name holds a control character: one there (a NUL that would cut the name short, an
// escape that would drive the terminal it is listed on) was put there by damage or by hand.
bool HoldsControlCharacter(const std::string& Path)
{
  for (size_t i = 0; i < Path.size(); ++i) {
    const auto c = static_cast<unsigned char>(Path[i]);
    const auto next = i + 1 < Path.size() ? static_cast<unsigned char>(Path[i + 1]) : 0;
    const bool c1 = c == 0xC2 && next >= 0x80 && next < 0xA0; // U+0080 to U+009F in UTF-8
    if (c < 0x20 || c == 0x7F || c1)
      return true;
  }
  return false;
}

bool IsIdentStart(char c)
{
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsIdentChar(char c)
{
  return IsIdentStart(c) || (c >= '0' && c <= '9');
}

std::string Lower(std::string s)
{
  for (char& c : s)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Reads one object in the object text form. Only the properties a project holds are accepted;
// anything else is a corrupted file.
class TObjectTextReader {
public:
  explicit TObjectTextReader(const std::string& text) : FText(text) {}

  TProjectSettings::TFileList ReadProject()
  {
    const std::string keyword = Lower(Identifier());
    if (keyword != "object" && keyword != "inherited" && keyword != "inline")
      Fail();
    Identifier(); // the class name, or the object's name
    if (Skip(':'))
      Identifier(); // the class name, which does not matter
    if (Skip('[')) {
      Integer();
      Expect(']');
    }
    TProjectSettings::TFileList files;
    for (;;) {
      const std::string name = Lower(DottedName());
      if (name == "end")
        break;
      Expect('=');
      if (name == "files.strings")
        files = StringList();
      else if (name == "tag")
        Integer();
      else if (name == "name")
        CheckName(StringValue());
      else
        Fail();
    }
    SkipBlanks();
    if (FPos != FText.size())
      Fail();
    return files;
  }

private:
  [[noreturn]] static void Fail() { throw Exception(CorruptedMessage); }

  void SkipBlanks()
  {
    while (FPos < FText.size() && static_cast<unsigned char>(FText[FPos]) <= 32)
      ++FPos;
  }

  bool Skip(char c)
  {
    SkipBlanks();
    if (FPos < FText.size() && FText[FPos] == c) {
      ++FPos;
      return true;
    }
    return false;
  }

  void Expect(char c)
  {
    if (!Skip(c))
      Fail();
  }

  std::string Identifier()
  {
    SkipBlanks();
    if (FPos >= FText.size() || !IsIdentStart(FText[FPos]))
      Fail();
    const size_t start = FPos;
    while (FPos < FText.size() && IsIdentChar(FText[FPos]))
      ++FPos;
    return FText.substr(start, FPos - start);
  }

  std::string DottedName()
  {
    std::string name = Identifier();
    while (Skip('.'))
      name += '.' + Identifier();
    return name;
  }

  int32_t Integer()
  {
    SkipBlanks();
    const bool negative = FPos < FText.size() && FText[FPos] == '-';
    if (negative || (FPos < FText.size() && FText[FPos] == '+'))
      ++FPos;
    int64_t value = 0;
    const size_t start = FPos;
    while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') {
      value = value * 10 + (FText[FPos++] - '0');
      if (value > int64_t{INT32_MAX} + 1)
        Fail();
    }
    if (FPos == start || (!negative && value > INT32_MAX))
      Fail();
    return static_cast<int32_t>(negative ? -value : value);
  }

  // Quoted runs and #codes with nothing between them, then more of them after a "+".
  std::string StringValue()
  {
    std::string value;
    do {
      SkipBlanks();
      const size_t start = FPos;
      while (FPos < FText.size() && (FText[FPos] == '\'' || FText[FPos] == '#')) {
        if (FText[FPos] == '\'')
          QuotedRun(value);
        else
          CharCode(value);
      }
      if (FPos == start)
        Fail();
    } while (Skip('+'));
    return value;
  }

  void QuotedRun(std::string& value)
  {
    ++FPos;
    for (;;) {
      if (FPos >= FText.size() || FText[FPos] == '\r' || FText[FPos] == '\n')
        Fail();
      if (FText[FPos] == '\'') {
        if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
          value += '\'';
          FPos += 2;
          continue;
        }
        ++FPos;
        return;
      }
      value += FText[FPos++];
    }
  }

  // #n stands for the byte n below 128 and for the character n, in UTF-8, above.
  void CharCode(std::string& value)
  {
    ++FPos;
    uint32_t code = 0;
    const size_t start = FPos;
    while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') {
      code = code * 10 + static_cast<uint32_t>(FText[FPos++] - '0');
      if (code > 0x10FFFF)
        Fail();
    }
    if (FPos == start || (code >= 0xD800 && code <= 0xDFFF))
      Fail();
    AppendUtf8(value, code);
  }

  TProjectSettings::TFileList StringList()
  {
    Expect('(');
    TProjectSettings::TFileList list;
    while (!Skip(')')) {
      list.push_back(StringValue());
      if (HoldsControlCharacter(list.back()))
        Fail();
    }
    return list;
  }

  static void CheckName(const std::string& name)
  {
    if (name.empty())
      return;
    if (!IsIdentStart(name[0]))
      Fail();
    for (const char c : name)
      if (!IsIdentChar(c))
        Fail();
  }

  const std::string& FText;
  size_t FPos = 0;
};

} // namespace

std::string ProjectToText(const TProjectSettings::TFileList& Files)
{
  std::string text = "object TProjectSettings\r\n";
  if (!Files.empty()) {
    text += "  Files.Strings = (";
    for (const std::string& path : Files) {
      text += "\r\n    ";
      WriteStringValue(text, path);
    }
    text += ")\r\n";
  }
  text += "end\r\n";
  return text;
}

TProjectSettings::TFileList ProjectFromText(const std::string& Text)
{
  return TObjectTextReader(Text).ReadProject();
}

void TProjectSettings::LoadFromFile(const std::string& FileName)
{
  // A device or a pipe would never end, or never begin: OpenRead refuses them at once.
  TFile file;
  try {
    file = TFile::OpenRead(FileName, TShareMode::DenyNone);
  } catch (const EOSError& error) {
    throw Exception("Cannot open file " + FileName + ": " + SysErrorMessage(error.ErrorCode));
  } catch (const Exception&) {
    throw Exception("Cannot open file " + FileName + ": it is not a regular file");
  }
  const int64_t size = file.Size();
  if (size < 0 || size > int64_t(MaxProjectFileSize))
    throw Exception(CorruptedMessage);
  std::string bytes(size_t(size), '\0');
  if (file.Read(bytes.data(), uint32_t(size)) != size)
    throw Exception(CorruptedMessage);
  FFiles = ProjectFromText(bytes);
}

void TProjectSettings::SaveToFile(const std::string& FileName) const
{
  // The text goes to a temporary file that replaces the old one only once it is complete and on
  // the disk; a device or pipe of that name is never replaced.
  // It could not be read back.
  for (const std::string& path : FFiles)
    if (HoldsControlCharacter(path))
      throw Exception("Cannot create file " + FileName + ": a file name in the list holds a control character");
  TTempOutput output(FileName);
  const std::string text = ProjectToText(FFiles);
  TFile file = TFile::Create(output.TempName());
  if (file.Write(text.data(), uint32_t(text.size())) != int32_t(text.size()) || !file.SyncAndClose())
    throw Exception("Cannot create file " + FileName + ": " + SysErrorMessage(errno));
  output.Finish(true, 0);
}
