#pragma once
// Qt's own texts (standard buttons, file dialogs, the context menu of a
// field) in Brazilian Portuguese, like the rest of the program.

namespace quirels {

// Loads Qt's Brazilian Portuguese translations from where Qt keeps them and
// installs them in the application. False, and nothing changes, when they
// are not installed: Qt's own texts then stay in English.
bool installQtTranslations();

} // namespace quirels
