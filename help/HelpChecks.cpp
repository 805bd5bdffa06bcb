#include "HelpChecks.h"

#include "HelpStrings.h"
#include "HelpTexts.h"
#include "Versions.h"
#include "hh.h"

namespace veltaro {

std::unique_ptr<THookHelpSystem> MainHelpSystem;

std::string HelpFilePath() {
  std::string directory = ExtractFileDir(Platform().ModuleFileName());
  if (directory.empty() || directory.back() != kPathDelimiter) directory += kPathDelimiter;
  return directory + std::string(helptext::kHelpFileName);
}

bool HelpViewerUsable() {
  return viewerLibrary != nullptr && !(_hhVerMajor < 4 || (_hhVerMajor == 4 && _hhVerMinor < 73));
}

void RunHelpChecks(const TCheckBox& showBox, THelpHandlerInstaller install) {
  const std::string helpFile = HelpFilePath();
  MainHelpSystem.reset();
  if (!Platform().FileExists(helpFile)) {
    showBox(TMessageIcon::Error, std::string(helptext::kErrorTitle),
            std::string(helptext::kHelpFileNotFound) + "\r" + helpFile);
  }
  if (!HelpViewerUsable()) {
    showBox(TMessageIcon::Information, std::string(helptext::kInformationTitle),
            std::string(helptext::kViewerRequired));
  }
  MainHelpSystem = std::make_unique<THookHelpSystem>(helpFile, "", kHostViewerLibrary, std::move(install));
}

}  // namespace veltaro
