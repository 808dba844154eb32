#include "ServerUrl.h"

#include "Messages.h"
#include "StoreError.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace quirels::store {

Result<ServerUrl> ServerUrl::parse(const QString &text)
{
    const QString t = text.trimmed();
    const Error invalid = makeError(msg::kEnderecoInvalido.arg(t), 2);
    const QString prefix = kServerScheme + QStringLiteral("://");
    const QString shortPrefix = QStringLiteral("postgres://");
    QString rest;
    if (t.startsWith(prefix, Qt::CaseInsensitive))
        rest = t.mid(prefix.size());
    else if (t.startsWith(shortPrefix, Qt::CaseInsensitive))
        rest = t.mid(shortPrefix.size());
    else
        return invalid;
    if (rest.contains(QLatin1Char('?')) || rest.contains(QLatin1Char('#')) || rest.contains(QLatin1Char(' ')))
        return invalid;

    ServerUrl u;
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return invalid;
    QString authority = rest.left(slash);
    u.database = QUrl::fromPercentEncoding(rest.mid(slash + 1).toUtf8());
    if (u.database.isEmpty() || u.database.contains(QLatin1Char('/')))
        return invalid;

    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        if (userInfo.contains(QLatin1Char(':')))
            return makeError(msg::kEnderecoComSenha, 2);
        u.user = QUrl::fromPercentEncoding(userInfo.toUtf8());
        if (u.user.isEmpty())
            return invalid;
        authority = authority.mid(at + 1);
    }

    QString portText;
    if (authority.startsWith(QLatin1Char('['))) { // [::1]:5432
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (close < 0)
            return invalid;
        u.host = authority.mid(1, close - 1);
        const QString after = authority.mid(close + 1);
        if (!after.isEmpty()) {
            if (!after.startsWith(QLatin1Char(':')))
                return invalid;
            portText = after.mid(1);
            if (portText.isEmpty())
                return invalid;
        }
    } else {
        const qsizetype colon = authority.indexOf(QLatin1Char(':'));
        u.host = colon < 0 ? authority : authority.left(colon);
        if (colon >= 0) {
            portText = authority.mid(colon + 1);
            if (portText.isEmpty())
                return invalid;
        }
    }
    if (u.host.isEmpty())
        return invalid;
    if (!portText.isEmpty()) {
        bool ok = false;
        const int port = portText.toInt(&ok);
        bool digits = true;
        for (QChar c : portText)
            digits = digits && c.isDigit();
        if (!ok || !digits || port < 1 || port > 65535)
            return makeError(msg::kEnderecoPorta.arg(portText), 2);
        u.port = port;
    }
    return u;
}

QString ServerUrl::toString() const
{
    QString s = kServerScheme + QStringLiteral("://");
    if (!user.isEmpty())
        s += QString::fromUtf8(QUrl::toPercentEncoding(user)) + QLatin1Char('@');
    s += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    s += QLatin1Char(':') + QString::number(port) + QLatin1Char('/') + QString::fromUtf8(QUrl::toPercentEncoding(database));
    return s;
}

namespace {

// The address without the scheme, for messages: "user@host:port/database".
QString shown(const ServerUrl &u)
{
    return u.toString().mid(kServerScheme.size() + 3);
}

} // namespace

bool isPasswordRefusal(const Error &e)
{
    return e.message.contains(msg::kServidorSenha.section(QStringLiteral("%1"), 1));
}

QString passwordQuestion(const ServerUrl &url)
{
    return msg::kServidorPedeSenha.arg(url.user.isEmpty() ? QStringLiteral("padrão") : url.user,
                                       url.host + QLatin1Char(':') + QString::number(url.port) + QLatin1Char('/')
                                           + url.database);
}

namespace {

Error openFailure(const ServerUrl &url, const QSqlError &e)
{
    const QString text = e.databaseText() + QLatin1Char(' ') + e.driverText();
    const QString where = shown(url);
    if (text.contains(QLatin1String("password")) || text.contains(QLatin1String("authentication")) ||
        text.contains(QLatin1String("role \"")))
        return makeError(msg::kServidorSenha.arg(where), 2);
    if (text.contains(QLatin1String("database \"")) && text.contains(QLatin1String("does not exist")))
        return makeError(msg::kServidorSemBanco.arg(where), 2);
    return makeError(msg::kServidorInacessivel.arg(where), 2);
}

} // namespace

Result<QSqlDatabase> openServer(const ServerUrl &url, const ServerConnection &how)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return makeError(msg::kServidorSemDriver, 2);
    if (QSqlDatabase::contains(how.connection)) {
        {
            QSqlDatabase old = QSqlDatabase::database(how.connection, false);
            forgetLogFolder(old.driver());
            if (old.isOpen())
                old.close();
        }
        QSqlDatabase::removeDatabase(how.connection);
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), how.connection);
    db.setHostName(url.host);
    db.setPort(url.port);
    db.setDatabaseName(url.database);
    if (!url.user.isEmpty())
        db.setUserName(url.user);
    if (!how.password.isEmpty())
        db.setPassword(how.password);
    db.setConnectOptions(QStringLiteral("connect_timeout=10;application_name=quirels"));
    if (!db.open()) {
        const Error e = openFailure(url, db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(how.connection);
        return e;
    }
    // Every session alike: Portuguese sentences come from our own texts, so
    // the server's notices are kept quiet; a lock held by another
    // workstation is waited for as long as a busy store file would be.
    QStringList setup{QStringLiteral("SET client_min_messages = warning"),
                      QStringLiteral("SET lock_timeout = %1").arg(how.lockTimeoutMs),
                      QStringLiteral("SET standard_conforming_strings = on")};
    if (!how.schema.isEmpty())
        setup.append(QStringLiteral("SET search_path = \"%1\"").arg(QString(how.schema).replace(QLatin1Char('"'), QStringLiteral("\"\""))));
    for (const QString &statement : setup) {
        QSqlQuery q(db);
        if (!q.exec(statement)) {
            const Error e = makeError(describe(q).message, 2);
            q = QSqlQuery();
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(how.connection);
            return e;
        }
    }
    return db;
}

} // namespace quirels::store
