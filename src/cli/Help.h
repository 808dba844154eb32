#pragma once
// The help texts of quirels-cli: one table, read by --help, COMANDO --help
// and the manual page generator (quirels-cli-man). It holds no code of the
// commands, so that the generator links it alone.

#include <QList>
#include <QString>
#include <QStringList>

namespace quirels::cli::help {

struct Entry {
    QString name;      // the command
    QString usage;     // arguments and options, as on the usage line
    QString summary;   // one line: what the command does
    QString details;   // arguments and options, one per line ("ARG: what")
    QString refused;   // what exit status 1 means for it; empty: never 1
    QString example;   // one command line
};

// The options that come before the command.
struct GlobalOption {
    QString name;
    QString text;
};

const QList<Entry> &entries();
const QList<GlobalOption> &globalOptions();
// The entry of `name`, or nullptr.
const Entry *find(const QString &name);

// The fixed texts.
inline const QString kUsageLine =
    QStringLiteral("Uso: quirels-cli [--dados PASTA] [--servidor URL] [--sim] COMANDO [ARGUMENTOS]");
inline const QString kAbout = QStringLiteral(
    "Executa sem janela as operações do Quirels: mapas mensais de produtos químicos controlados "
    "(anexos XI-A a XI-H), validação, impressão e arquivo de declaração.");
inline const QString kExitOk = QStringLiteral("sucesso");
inline const QString kExitUsage =
    QStringLiteral("uso incorreto, arquivo ausente ou ilegível, ou erro do banco de dados");
inline const QString kExitRefused = QStringLiteral("a operação foi recusada ou interrompida (a mensagem diz por quê)");

// The texts as printed.
// --help: `commands` in that order, each with its summary line.
QString overview(const QStringList &commands);
QString commandHelp(const Entry &e); // COMANDO --help

} // namespace quirels::cli::help
