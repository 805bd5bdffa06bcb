#include "HelpEntry.h"

#include <utility>

namespace veltaro {

namespace {
THelpHandler& InstalledHandler() {
  static THelpHandler handler;
  return handler;
}
}  // namespace

THelpHandler SetHelpHandler(THelpHandler handler) {
  return std::exchange(InstalledHandler(), std::move(handler));
}

bool HelpCommand(std::uint16_t command, std::int32_t data) {
  // Copied, so a handler may replace itself while it runs.
  THelpHandler handler = InstalledHandler();
  if (!handler) return false;
  bool callHelp = true;
  return handler(command, data, callHelp);
}

}  // namespace veltaro
