#pragma once

#include <string>
#include <vector>

// A project file: the full paths of the main window's list, in list order, in the object text
// form of a component with one string-list property. The main window's project flows collect
// the list into Files before saving and apply Files to the list after loading.
class TProjectSettings {
public:
  using TFileList = std::vector<std::string>;

  const TFileList& Files() const { return FFiles; }
  void SetFiles(const TFileList& Value) { FFiles = Value; }

  // Replaces Files only when the whole file reads; raises "Cannot open file %s" or
  // "The project file is corrupted" and leaves Files as it was otherwise.
  void LoadFromFile(const std::string& FileName);
  // Replaces the file as a whole, so a failed save leaves an existing project as it was.
  void SaveToFile(const std::string& FileName) const;

private:
  TFileList FFiles;
};

// The object text of a project holding these paths, byte for byte as SaveToFile writes it.
std::string ProjectToText(const TProjectSettings::TFileList& Files);
// The paths stored in an object text; raises "The project file is corrupted".
TProjectSettings::TFileList ProjectFromText(const std::string& Text);
