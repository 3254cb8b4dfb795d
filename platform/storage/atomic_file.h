// Saving a file so that it is always whole: the new contents go to a temporary file
// beside it, which then replaces it in one rename. A failed write (a full disk, or the
// injected fault "file-write") leaves the previous file exactly as it was.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// `path` is a POSIX path (already resolved); a path in an installed tree is written to the
// user's own copy. On failure returns false, sets the last error (ERROR_DISK_FULL for a
// full disk or the fault, ERROR_BAD_ENVIRONMENT when the user has no home to save in) and
// removes the temporary file. The new file has exactly the permissions `mode`, whatever the
// old file or a symbolic link in its place had: a save never inherits a set-user-ID bit.
bool writeFileAtomically(const std::string& path, const void* data, std::size_t size,
                         unsigned mode = 0644);

// Removes the temporary files that interrupted saves left in `folder` (a POSIX path):
// regular files named exactly NAME.tmp-PID-N whose process PID no longer runs. Those of a
// live process (another copy saving right now) and every other file are kept. Returns how
// many were removed.
int removeStaleTemporaryFiles(const std::string& folder);

// Why a save failed, for the player, from the error it left: "the disk is full".
std::string describeSaveError(unsigned long error);

}  // namespace platform
