#pragma once
// quirels-cli: each command lives in its own file and registers itself here.

#include "base/Dialogs.h"
#include "base/Result.h"
#include "store/Database.h"
#include "store/PeriodKey.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace quirels::cli {

enum Exit { kOk = 0, kRefused = 1, kUsage = 2 };

struct Context {
    QString dataFolder;      // resolved: --dados, else as the desktop decides it
    QString settingsPath;    // the shared settings file
    QString storeConfigPath; // the machine's store configuration ("Local Share")
    std::optional<store::ServerUrl> server; // --servidor
    bool yes = false;        // --sim
    QStringList args;        // the command's own arguments
    Dialogs *dialogs = nullptr;
    Progress *progress = nullptr; // on standard error when it is a terminal
};

using Handler = std::function<int(Context &)>;

struct Command {
    QString name;
    QString usage;           // arguments, for the usage text
    Handler run;
};

// Registers a command; used through QUIRELS_CLI_COMMAND.
bool registerCommand(const QString &name, const QString &usage, Handler run);
const QList<Command> &commands();

// Prints a failure to standard error and returns its exit status: the
// error's code when it is 1 or 2, else 2.
int fail(Context &ctx, const Error &error);
// The options to open the store: the server of --servidor, else the store
// the settings file names (the data folder's file by default, in the journal
// mode "Local Share" asks for).
Result<store::OpenOptions> storeOptions(Context &ctx);
// Opens that store, brought up to this version's layout.
Result<QSqlDatabase> openStore(Context &ctx);

// The period of the arguments CNPJ ANO MES (the number's digits, a
// four-digit year, a month code in any case); nothing when one is not of
// its form.
std::optional<PeriodKey> periodArguments(const QString &cnpj, const QString &year, const QString &month);

// Prints a usage error for the command and returns kUsage.
int usageError(const QString &command);

} // namespace quirels::cli

#define QUIRELS_CLI_CAT2(a, b) a##b
#define QUIRELS_CLI_CAT(a, b) QUIRELS_CLI_CAT2(a, b)
#define QUIRELS_CLI_COMMAND(name, usage, fn) \
    static const bool QUIRELS_CLI_CAT(registered_, __LINE__) = ::quirels::cli::registerCommand(QStringLiteral(name), QStringLiteral(usage), fn)
