// Following symbolic links by hand, so that a link that another user planted
// in a folder everyone may write to (such as /tmp) is never followed,
// whatever the system's own protection of such links is set to. POSIX only.
#pragma once

#include <string>

namespace veltaro {

// Opens name with the flags of open(2) (without O_CREAT), following every
// symbolic link on the way only where it may be followed. Returns the
// descriptor, or -1 with errno set: EACCES for a link that may not be
// followed, ELOOP for links that go round, ENOENT when the name or the end
// of its links does not exist.
int OpenFollowingTrustedLinks(const std::string& name, int flags);

// The name that fileName finally stands for: every symbolic link on the
// way followed to its target, also to a target that does not exist yet.
// False with the error number when the links go round, cannot be read or
// may not be followed.
bool FinalName(const std::string& fileName, std::string& name, int& errorNumber);

}  // namespace veltaro
