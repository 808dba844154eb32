#pragma once
// What the main window's own menu commands do: new and open company, the
// declaration file, validation and generation, the tools and the help. The
// commands that show a subsystem's screen run it through the screen
// registry instead.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace quirels::shell::links {
struct Link;
}

namespace quirels {

class MainWindow;

class MainCommands {
public:
    // Opens a web address; starts the repair program detached (program,
    // arguments) -> started. Either may be empty: the system's way is used.
    struct Outside {
        std::function<bool(const QUrl &)> openUrl;
        std::function<bool(const QString &, const QStringList &)> startDetached;
    };

    MainCommands(MainWindow &window, Outside outside) : m_window(window), m_outside(std::move(outside)) {}

    void newCompany();
    void openCompany();
    void openDeclarationFile();
    void companyInformation();
    void validate();
    void generateFile();
    void registerComponents();
    void repairTables();
    void about();
    // The manual in the browser: the active annex window's page, else the index.
    void openManual();
    void toggleHints();
    void openLink(const shell::links::Link &link);

private:
    void openWeb(const QString &url);

    MainWindow &m_window;
    Outside m_outside;
};

} // namespace quirels
