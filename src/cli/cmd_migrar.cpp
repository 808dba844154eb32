#include "Cli.h"

#include "base/IniFile.h"
#include "base/Settings.h"
#include "store/Database.h"
#include "store/Messages.h"
#include "store/ServerMigration.h"
#include "store/StoreError.h"

#include <QDir>
#include <QSqlError>
#include <QUrl>

namespace quirels::cli {

namespace {

const QString kTarget = QStringLiteral("migracao-servidor");
const QString kSource = QStringLiteral("migracao-pasta");

// postgresql://USUARIO@MAQUINA:PORTA/BANCO; no password in it.
bool parseServer(const QString &text, QUrl &url)
{
    url = QUrl(text, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == QLatin1String("postgresql") || url.scheme() == QLatin1String("postgres")) &&
           !url.host().isEmpty() && !url.userName().isEmpty() && url.password().isEmpty() && url.path().size() > 1 &&
           url.path().indexOf(QLatin1Char('/'), 1) < 0 && !url.hasQuery() && !url.hasFragment();
}

} // namespace

// migrar --para-servidor URL
static int migrarCommand(Context &ctx)
{
    const QString command = QStringLiteral("migrar");
    if (ctx.args.size() != 2 || ctx.args.at(0) != QLatin1String("--para-servidor"))
        return usageError(command);
    QUrl url;
    if (!parseServer(ctx.args.at(1), url)) {
        ctx.dialogs->error(store::msg::kEnderecoServidorInvalido.arg(ctx.args.at(1)));
        return kUsage;
    }
    IniFile ini(ctx.settingsPath);
    if (Status s = ini.load(); !s)
        return fail(ctx, s.error());
    store::OpenOptions options;
    options.connection = kSource;
    options.sharedFolder = ini.boolValue(settings::kSection, settings::kLocalShare, false);
    int exit = kOk;
    {
        Result<QSqlDatabase> source = store::open(ctx.dataFolder, options);
        if (!source)
            return fail(ctx, source.error());
        QSqlDatabase server = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kTarget);
        server.setHostName(url.host());
        server.setPort(url.port(5432));
        server.setUserName(url.userName());
        server.setDatabaseName(url.path().mid(1));
        server.setConnectOptions(QStringLiteral("connect_timeout=15;application_name=quirels"));
        const QString display = QStringLiteral("postgresql://%1@%2:%3/%4")
                                    .arg(url.userName(), url.host(), QString::number(url.port(5432)), url.path().mid(1));
        if (!server.open()) {
            store::appendLog(ctx.dataFolder, server.lastError().nativeErrorCode(), server.lastError().text());
            ctx.dialogs->error(store::msg::kServidorInacessivel.arg(
                display, QDir::toNativeSeparators(store::logPath(ctx.dataFolder))));
            exit = kUsage;
        } else {
            store::setLogFolder(server.driver(), ctx.dataFolder);
            ctx.progress->setRange(100);
            const Result<QList<store::TableCount>> counts =
                store::migrateToServer(*source, server, [&ctx](int done, int total) {
                    ctx.progress->setValue(total > 0 ? done * 100 / total : 100);
                });
            store::forgetLogFolder(server.driver());
            if (!counts) {
                exit = fail(ctx, counts.error());
            } else {
                QStringList lines{store::msg::kMigracaoCabecalho};
                qint64 total = 0;
                for (const store::TableCount &c : *counts) {
                    lines.append(QStringLiteral("%1\t%2\t%3").arg(c.table).arg(c.source).arg(c.target));
                    total += c.target;
                }
                lines.append(store::msg::kMigracaoConcluida.arg(total).arg(display));
                ctx.dialogs->information(lines.join(QLatin1Char('\n')));
            }
            server.close();
        }
        server = QSqlDatabase();
        *source = QSqlDatabase();
    }
    QSqlDatabase::removeDatabase(kTarget);
    store::close(kSource);
    return exit;
}

QUIRELS_CLI_COMMAND("migrar", "--para-servidor URL", migrarCommand);

} // namespace quirels::cli
