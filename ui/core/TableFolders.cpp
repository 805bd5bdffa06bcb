#include "TableFolders.h"

#include <cstdlib>
#include <sys/stat.h>

namespace veltaro {

std::string UserTableFolder(const char* xdgDataHome, const char* home) {
  std::string base;
  if (xdgDataHome && xdgDataHome[0] == '/') {
    base = xdgDataHome;
  } else if (home && home[0] == '/') {
    base = std::string(home);
    if (base.back() != '/') base += '/';
    base += ".local/share";
  } else {
    return {};
  }
  if (base.back() != '/') base += '/';
  return base + "veltaro/";
}

std::string UserTableFolder() { return UserTableFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")); }

std::string StartupTableFile(const std::string& firstArgument, const std::string& programDirectory,
                             const std::string& userFolder,
                             const std::function<bool(const std::string&)>& fileExists) {
  if (!firstArgument.empty()) return firstArgument;
  const std::string besideProgram = programDirectory + "default.vlt";
  if (userFolder.empty() || fileExists(besideProgram)) return besideProgram;
  const std::string inUserFolder = userFolder + "default.vlt";
  return fileExists(inUserFolder) ? inUserFolder : besideProgram;
}

std::string FolderOf(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

TTableFolders::TTableFolders(std::string startupTable, bool startupTableExists, std::string userFolder,
                             bool userFolderExists)
    : startupFolder_(FolderOf(startupTable)) {
  if (startupTableExists) last_ = startupFolder_;
  if (userFolderExists) userFolder_ = std::move(userFolder);
}

void TTableFolders::Used(const std::string& fileName) {
  const std::string folder = FolderOf(fileName);
  if (!folder.empty()) last_ = folder;
}

std::string TTableFolders::DialogFolder() const {
  if (!last_.empty()) return last_;
  if (!userFolder_.empty()) return userFolder_;
  return startupFolder_;
}

bool FileExists(const std::string& fileName) {
  struct stat info {};
  return stat(fileName.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool FolderExists(const std::string& folder) {
  struct stat info {};
  return !folder.empty() && stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace veltaro
