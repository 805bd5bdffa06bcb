// The parts of a help path as the viewer receives it:
// [mk:@MSITStore: | ms-its:]file[::/topic][>window]
#pragma once

#include <string>
#include <string_view>

namespace veltaro {

struct THelpUrl {
  std::string file;
  std::string topic;   // "" or "/..."
  std::string window;  // "" for the file's default window
};

THelpUrl SplitHelpUrl(std::string_view url);

}  // namespace veltaro
