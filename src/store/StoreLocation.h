#pragma once
// Which store the program works on, as the settings file says: the SQLite
// file of the data folder (the default; "Local Share" picks its journal
// mode) or the server whose address "Servidor" holds. The desktop, the
// command-line tool and "inicializar" all decide it here.

#include "Database.h"
#include "base/IniFile.h"

#include <optional>

namespace quirels::store {

// The options to open the store the settings name; `server` (given on the
// command line) takes the place of the settings' address. A malformed
// address in the settings is an error naming it.
Result<OpenOptions> storeOptions(const IniFile &settings, const std::optional<ServerUrl> &server = std::nullopt);

} // namespace quirels::store
