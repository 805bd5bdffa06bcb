#include "ErrorCodes.h"

#include <cerrno>

namespace veltaro {

std::uint32_t WindowsErrorCode(int errorNumber) {
  switch (errorNumber) {
    case 0: return 0;
    case ENOENT: return 2;          // ERROR_FILE_NOT_FOUND
    case ENOTDIR: return 3;         // ERROR_PATH_NOT_FOUND
    case EMFILE: return 4;          // ERROR_TOO_MANY_OPEN_FILES
    case EACCES:
    case EPERM: return 5;           // ERROR_ACCESS_DENIED
    case EBADF: return 6;           // ERROR_INVALID_HANDLE
    case ENOMEM: return 8;          // ERROR_NOT_ENOUGH_MEMORY
    case EROFS: return 19;          // ERROR_WRITE_PROTECT
    case ENOMEDIUM: return 21;      // ERROR_NOT_READY
    case EBUSY:
    case ETXTBSY: return 32;        // ERROR_SHARING_VIOLATION
    case EEXIST: return 80;         // ERROR_FILE_EXISTS
    case EINVAL: return 87;         // ERROR_INVALID_PARAMETER
    case ENOSPC:
    case EDQUOT: return 112;        // ERROR_DISK_FULL
    case ENOEXEC: return 193;       // ERROR_BAD_EXE_FORMAT
    case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
    case EAGAIN: return 1450;       // ERROR_NO_SYSTEM_RESOURCES
    case EIO: return 1117;          // ERROR_IO_DEVICE
    case ELOOP: return 1921;        // ERROR_CANT_RESOLVE_FILENAME
    default: return kErrorGeneralFailure;
  }
}

}  // namespace veltaro
