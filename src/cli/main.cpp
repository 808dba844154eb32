#include "Cli.h"
#include "ConsoleProgress.h"
#include "Help.h"

#include "base/Settings.h"
#include "base/Version.h"
#include "reports/Application.h"
#include "store/Schema.h"
#include "store/StoreConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quirels::cli {

static QList<Command> &registry()
{
    static QList<Command> all;
    return all;
}

bool registerCommand(const QString &name, const QString &usage, Handler run)
{
    registry().append({name, usage, std::move(run)});
    return true;
}

const QList<Command> &commands() { return registry(); }

int fail(Context &ctx, const Error &error)
{
    ctx.dialogs->error(error.message);
    return error.code == kRefused ? kRefused : kUsage;
}

static void print(FILE *f, const QString &text)
{
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), f);
}

static void printUsage(FILE *f)
{
    QStringList names;
    for (const Command &c : commands())
        names << c.name;
    print(f, help::overview(names));
}

std::optional<PeriodKey> periodArguments(const QString &cnpj, const QString &year, const QString &month)
{
    PeriodKey period;
    for (const QChar ch : cnpj)
        if (ch.isDigit())
            period.cnpj += ch;
    period.ano = year.trimmed();
    period.mes = month.trimmed().toUpper();
    bool fourDigits = period.ano.size() == 4;
    for (const QChar ch : period.ano)
        fourDigits = fourDigits && ch.isDigit();
    if (period.cnpj.isEmpty() || !fourDigits || schema::monthNumber(period.mes) == 0)
        return std::nullopt;
    return period;
}

int usageError(const QString &command)
{
    for (const Command &c : commands())
        if (c.name == command) {
            const QByteArray b = (QStringLiteral("Uso: quirels-cli [--dados PASTA] [--servidor URL] [--sim] ") + c.name + QLatin1Char(' ') + c.usage + QLatin1Char('\n')).toUtf8();
            std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stderr);
            return kUsage;
        }
    printUsage(stderr);
    return kUsage;
}

} // namespace quirels::cli

int main(int argc, char **argv)
{
    using namespace quirels;
    using namespace quirels::cli;
    // Printing lays text out with fonts, which need a (windowless) Gui
    // application; every other command runs on Qt Core alone.
    bool printing = false;
    for (int i = 1; i < argc; ++i)
        printing = printing || std::strcmp(argv[i], "imprimir") == 0 || std::strcmp(argv[i], "ano") == 0;
    std::unique_ptr<QCoreApplication> app = printing ? reports::makeHeadlessApplication(argc, argv)
                                                     : std::make_unique<QCoreApplication>(argc, argv);
    QStringList args = app->arguments().mid(1);

    QString dataFolder;
    QString server;
    bool yes = false;
    while (!args.isEmpty() && args.first().startsWith(QStringLiteral("--"))) {
        const QString opt = args.takeFirst();
        if (opt == QLatin1String("--sim")) {
            yes = true;
        } else if (opt == QLatin1String("--dados") && !args.isEmpty()) {
            dataFolder = args.takeFirst();
        } else if (opt == QLatin1String("--servidor") && !args.isEmpty()) {
            server = args.takeFirst();
        } else if (opt == QLatin1String("--help") || opt == QLatin1String("--ajuda")) {
            printUsage(stdout);
            return kOk;
        } else if (opt == QLatin1String("--version") || opt == QLatin1String("--versao")) {
            print(stdout, QStringLiteral("quirels-cli ") + version() + QLatin1Char('\n'));
            return kOk;
        } else {
            printUsage(stderr);
            return kUsage;
        }
    }
    if (args.isEmpty()) {
        printUsage(stderr);
        return kUsage;
    }
    const QString name = args.takeFirst();
    const Command *command = nullptr;
    for (const Command &c : commands())
        if (c.name == name)
            command = &c;
    if (!command) {
        printUsage(stderr);
        return kUsage;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("--ajuda"))) {
        if (const help::Entry *e = help::find(name))
            print(stdout, help::commandHelp(*e));
        else
            print(stdout, help::kUsageLine.section(QLatin1Char(' '), 0, -3) + QLatin1Char(' ') + name + QLatin1Char(' ') +
                              command->usage + QLatin1Char('\n'));
        return kOk;
    }

    ConsoleDialogs dialogs(yes);
    ConsoleProgress progress;
    Context ctx;
    ctx.yes = yes;
    ctx.args = args;
    ctx.dialogs = &dialogs;
    ctx.progress = &progress;
    const layout::Places places = layout::desktop();
    ctx.settingsPath = places.settingsPath;
    ctx.storeConfigPath = places.storeConfigPath;
    if (!server.isEmpty()) {
        Result<store::ServerUrl> url = store::ServerUrl::parse(server);
        if (!url)
            return fail(ctx, url.error());
        ctx.server = *url;
    }
    if (dataFolder.isEmpty()) {
        Result<StartupFolders> folders = readStartupSettings(ctx.settingsPath, places);
        if (!folders)
            return fail(ctx, folders.error());
        dataFolder = folders->dataFolder;
    }
    ctx.dataFolder = QDir(dataFolder).absolutePath();
    return command->run(ctx);
}
