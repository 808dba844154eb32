#pragma once
// Where the programs keep their files. Run from a folder it may write (the
// build tree, a portable copy), a program keeps its settings file beside the
// executable and its data in the current folder ("dados", "ArquivoXML"), and
// the store configuration in the system's or the user's configuration folder.
// Installed (its folder is not writable, or it lives under /usr), it keeps
// the settings in $XDG_CONFIG_HOME/quirels, the data in
// $XDG_DATA_HOME/quirels/dados, the declaration files in the user's documents
// folder + "Quirels", and reads the machine's store configuration from
// /etc/quirels. The desktop program, the command-line tool and the repair
// program all ask here.

#include <QString>
#include <functional>

namespace quirels::layout {

// The places one program uses.
struct Places {
    bool installed = false;
    QString settingsPath;    // the settings file
    QString dataFolder;      // the data folder when the settings name none
    QString xmlFolder;       // the declaration folder when the settings name none
    QString storeConfigPath; // the machine-wide store configuration
    QString manualFolder;    // the HTML manual (index.html)
};

// What the decision is made from; systemInputs() fills it in for the running
// program, tests fill it in by hand.
struct Inputs {
    QString programFolder;       // the executable's folder
    QString executableName;      // names the settings file ("quirels" -> quirels.ini)
    QString currentFolder;       // the working folder
    QString configHome;          // $XDG_CONFIG_HOME (or ~/.config)
    QString dataHome;            // $XDG_DATA_HOME (or ~/.local/share)
    QString documentsFolder;     // the user's documents folder
    QString systemConfigFolder;  // the system's configuration folder of the portable run (/etc/xdg)
    QString machineConfigFolder; // the installed program's machine folder (/etc/quirels)
    // Whether a folder or file counts as writable; layout::writable() when unset.
    std::function<bool(const QString &)> writable;
};

// Whether the folder or file `path` lets the current user write in it by its
// permission bits.
// Root is held to the bits too (the system would let it write anywhere),
// so that a folder without write bits means "installed" for every user, as a
// read-only copy of the program does in the tests and the package check.
bool writable(const QString &path);

// The inputs of the running program, its settings file named after
// `executableName` (empty: the running executable's own name).
Inputs systemInputs(const QString &executableName = QString());

Places decide(const Inputs &in);

// decide(systemInputs(executableName)).
Places forProgram(const QString &executableName = QString());

// The settings file of the desktop program ("quirels"), which the
// command-line tool and the repair program read too.
inline Places desktop() { return forProgram(QStringLiteral("quirels")); }

} // namespace quirels::layout
