// The marks that one copy of the program is running: one per user, and one
// per data folder.
#pragma once

#include <string>

namespace zarvel {

// Takes the per-user lock `name` and holds it for the life of the process;
// the system drops it when the process ends, even after a crash. False when
// another process holds it. The lock file lives in a folder that only this
// user can write: $XDG_RUNTIME_DIR, else "zarvel-<uid>" in the temporary
// folder. A folder that is not the user's own, or that others may write, is
// never used, so no other user can take or block the lock; when there is no
// such folder the program starts, guarded by the data folder's lock alone.
bool acquire_single_instance(const std::string& name);

// Takes the lock of the data folder `folder` (ending with "/"): the file
// "zarvel.lock" in it, locked for the life of the process, whatever the
// environment of the copies and whichever user runs them. False when
// another process holds it. A folder in which no lock file can be made or
// opened is not locked (nothing can be saved there either).
bool acquire_data_folder_lock(const std::string& folder);

}  // namespace zarvel
