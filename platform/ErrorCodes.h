// The Windows error code of the same meaning as a C library error number.
#pragma once

#include <cstdint>

namespace veltaro {

inline constexpr std::uint32_t kErrorGeneralFailure = 31;  // ERROR_GEN_FAILURE

// 0 for 0; kErrorGeneralFailure for a number without a Windows counterpart.
std::uint32_t WindowsErrorCode(int errorNumber);

}  // namespace veltaro
