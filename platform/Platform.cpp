#include "Platform.h"

#ifdef _WIN32
#include "WindowsPlatform.h"
#else
#include "LinuxPlatform.h"
#endif

namespace veltaro {

namespace {

TPlatform& SystemPlatform() {
#ifdef _WIN32
  static TWindowsPlatform platform;
#else
  static TLinuxPlatform platform;
#endif
  return platform;
}

TPlatform*& CurrentPlatform() {
  static TPlatform* current = nullptr;
  return current;
}

}  // namespace

TPlatform& Platform() {
  TPlatform* current = CurrentPlatform();
  return current ? *current : SystemPlatform();
}

TPlatform* SetPlatform(TPlatform* platform) {
  TPlatform* previous = CurrentPlatform();
  CurrentPlatform() = platform;
  return previous ? previous : &SystemPlatform();
}

}  // namespace veltaro
