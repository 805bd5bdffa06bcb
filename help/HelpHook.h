// The help hook: takes over the application's help requests and shows topics
// of the compiled help file through the viewer library or an external viewer
// program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace veltaro {

// The application's help handler: command, datum, and whether the toolkit
// goes on with its own handling; returns whether the request was handled.
using THelpRequestHandler = std::function<bool(std::uint16_t command, std::int32_t data, bool& callHelp)>;
// Installs a handler as the application's and returns the one it replaces.
using THelpHandlerInstaller = std::function<THelpRequestHandler(THelpRequestHandler)>;

// Help command numbers.
inline constexpr std::uint16_t HELP_CONTEXT = 1;
inline constexpr std::uint16_t HELP_QUIT = 2;
inline constexpr std::uint16_t HELP_CONTEXTPOPUP = 8;
inline constexpr std::uint16_t HELP_SETPOPUP_POS = 13;

// Result codes of a context request.
inline constexpr int kHelpShown = 0;
inline constexpr int kHelpNotInstalled = 1;
inline constexpr int kKeyHHMissing = 2;
inline constexpr int kHHMissing = 3;
inline constexpr int kViewerNotLoaded = 4;

// How topics are shown.
inline constexpr std::uint8_t kHostViewerLibrary = 0;
inline constexpr std::uint8_t kHostKeyHH = 1;
inline constexpr std::uint8_t kHostHH = 2;

class THookHelpSystem {
 public:
  // Installs the hook through install, keeping the handler it replaces.
  THookHelpSystem(const std::string& helpFile, const std::string& windowName, std::uint8_t hostKind,
                  THelpHandlerInstaller install);
  // Closes the viewer's windows (host kind 0) and puts the previous handler
  // back.
  virtual ~THookHelpSystem();
  THookHelpSystem(const THookHelpSystem&) = delete;
  THookHelpSystem& operator=(const THookHelpSystem&) = delete;

  bool HelpHook(std::uint16_t command, std::int32_t data, bool& callHelp);
  int OpenTopic(std::int32_t contextId);

  THelpRequestHandler previousOnHelp;
  std::string helpFile;
  std::string windowName;
  std::uint8_t hostKind = 0;
  std::int32_t popupX = 0;
  std::int32_t popupY = 0;
  std::function<void(std::int32_t context)> onContext;
  std::function<void(std::int32_t context, std::int32_t x, std::int32_t y)> onContextPopup;
  bool chainPrevious = false;

 private:
  THelpHandlerInstaller install_;
};

int HHHelpContext(const std::string& helpFile, std::int32_t contextId, const std::string& windowName,
                  std::uint8_t hostKind);
int ShowContext(const std::string& path, std::int32_t contextId, std::uint8_t hostKind);
// prefixKind: 0 none, 1 "mk:@MSITStore:", 2 "ms-its:".
std::string ComposeHelpUrl(const std::string& file, const std::string& topic, const std::string& window,
                           int prefixKind);
void HHShowError(int code);
// The message of a result code; empty for 0.
std::string HelpErrorMessage(int code);
void CloseAllHelpWindows();
bool RunViewerProgram(const std::string& program, const std::string& parameters);
std::string LastErrorText();
// The text of a Windows error code.
std::string ErrorCodeText(std::uint32_t code);
std::string HelpCommandName(std::uint16_t command);

}  // namespace veltaro
