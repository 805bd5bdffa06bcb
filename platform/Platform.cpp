#include "Platform.h"

#include "LinuxPlatform.h"

namespace veltaro {

namespace {

TPlatform& SystemPlatform() {
  static TLinuxPlatform platform;
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
