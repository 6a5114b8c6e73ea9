// The per-user marker that one copy of the program is running.
#pragma once

#include <string>

namespace zarvel {

// Takes the per-user lock `name` and holds it for the life of the process;
// the system drops it when the process ends, even after a crash. False when
// another process holds it. The lock file lives in $XDG_RUNTIME_DIR, or in
// the temporary folder under a name that carries the user id.
bool acquire_single_instance(const std::string& name);

}  // namespace zarvel
