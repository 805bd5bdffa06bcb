// Where the window looks for its first table and where its file dialogs
// start. Toolkit-free.
#pragma once

#include <functional>
#include <string>

namespace veltaro {

// The user's own folder for Veltaro's tables: $XDG_DATA_HOME/veltaro/ when
// that variable holds an absolute path, else $HOME/.local/share/veltaro/;
// "" when neither can be formed. Always ends in "/" when not empty.
std::string UserTableFolder(const char* xdgDataHome, const char* home);

// The same from the process environment.
std::string UserTableFolder();

// The table loaded at start: the first argument when there is one, else
// default.vlt beside the program, else default.vlt in the user's folder when
// it exists there. When neither exists the one beside the program is named,
// so that its load finds nothing as before. programDirectory ends in "/".
std::string StartupTableFile(const std::string& firstArgument, const std::string& programDirectory,
                             const std::string& userFolder,
                             const std::function<bool(const std::string&)>& fileExists);

// The folder of a file name, with its trailing "/"; "" for a bare name.
std::string FolderOf(const std::string& fileName);

// The folder the open and save dialogs start in: that of the table last
// opened or saved in this run, else the user's folder when it exists, else
// the start-up table's folder.
class TTableFolders {
 public:
  TTableFolders() = default;
  TTableFolders(std::string startupTable, bool startupTableExists, std::string userFolder, bool userFolderExists);

  // A table was opened or saved under this name.
  void Used(const std::string& fileName);

  std::string DialogFolder() const;

 private:
  std::string last_;
  std::string userFolder_;
  std::string startupFolder_;
};

// Whether a regular file or a folder of that name exists.
bool FileExists(const std::string& fileName);
bool FolderExists(const std::string& folder);

}  // namespace veltaro
