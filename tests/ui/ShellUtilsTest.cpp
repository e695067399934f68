#include "support/TestSupport.h"
#include "support/qt/PrintQString.h"
#include "ui/ShellUtils.h"

#include <filesystem>

#include <gtest/gtest.h>

// The Help command must reach the manual in a build folder and after installing.
TEST(FindManual, PrefersTheProgramsFolderThenTheInstalledDocumentation)
{
  struct TCase {
    bool Beside, Installed;
    const char* Expected; // relative to the temporary folder
  };
  const TCase cases[] = {
    {true, false, "bin/manual.html"},
    {false, true, "share/doc/reelweld/manual.html"},
    {true, true, "bin/manual.html"},
    {false, false, "bin/manual.html"},
  };
  for (const TCase& c : cases) {
    TTempDir dir;
    std::filesystem::create_directories(dir.File("bin"));
    std::filesystem::create_directories(dir.File("share/doc/reelweld"));
    if (c.Beside)
      WriteWholeFile(dir.File("bin/manual.html"), {'<'});
    if (c.Installed)
      WriteWholeFile(dir.File("share/doc/reelweld/manual.html"), {'<'});
    EXPECT_EQ(FindManual(QString::fromStdString(dir.File("bin")), "../share/doc/reelweld"),
              QString::fromStdString(dir.File(c.Expected)))
      << c.Beside << c.Installed;
  }
}
