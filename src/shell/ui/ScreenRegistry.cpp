#include "ScreenRegistry.h"

#include "base/Dialogs.h"
#include "shell/Messages.h"

namespace quirels {

namespace {

ScreenRegistry::ScreenInstaller &installerSlot()
{
    static ScreenRegistry::ScreenInstaller installer;
    return installer;
}

} // namespace

void ScreenRegistry::setInstaller(ScreenInstaller installer) { installerSlot() = std::move(installer); }

const ScreenRegistry::ScreenInstaller &ScreenRegistry::installer() { return installerSlot(); }

void ScreenRegistry::registerScreen(const QString &name, ScreenHandler handler)
{
    m_screens.insert(name, std::move(handler));
}

bool ScreenRegistry::runScreen(const QString &name, const QString &argument)
{
    const auto it = m_screens.constFind(name);
    if (it == m_screens.constEnd() || !*it) {
        m_dialogs.information(shell::msg::kTelaIndisponivel);
        return false;
    }
    return (*it)(argument);
}

} // namespace quirels
