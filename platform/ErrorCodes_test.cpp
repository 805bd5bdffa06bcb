#include "ErrorCodes.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace veltaro {
namespace {

TEST(WindowsErrorCode, ErrorNumbersMapToTheWindowsCodeOfTheSameMeaning) {
  const struct {
    int errorNumber;
    const char* name;
    std::uint32_t code;
  } rows[] = {
      {0, "0", 0},           {ENOENT, "ENOENT", 2},     {ENOTDIR, "ENOTDIR", 3},     {EMFILE, "EMFILE", 4},
      {EACCES, "EACCES", 5}, {EPERM, "EPERM", 5},       {EBADF, "EBADF", 6},         {ENOMEM, "ENOMEM", 8},
      {EROFS, "EROFS", 19},  {ENOMEDIUM, "ENOMEDIUM", 21}, {EBUSY, "EBUSY", 32},     {ETXTBSY, "ETXTBSY", 32},
      {EEXIST, "EEXIST", 80}, {EINVAL, "EINVAL", 87},   {ENOSPC, "ENOSPC", 112},     {EDQUOT, "EDQUOT", 112},
      {ENOEXEC, "ENOEXEC", 193}, {ENAMETOOLONG, "ENAMETOOLONG", 206}, {EIO, "EIO", 1117},
      {EAGAIN, "EAGAIN", 1450}, {ELOOP, "ELOOP", 1921}, {EPIPE, "EPIPE", 31},      {EXDEV, "EXDEV", 31},
      {-1, "-1", 31},        {99999, "99999", 31},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(WindowsErrorCode(row.errorNumber), row.code) << row.name;
  }
}

}  // namespace
}  // namespace veltaro
