#include "TestServer.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace quirels::test {

namespace {

// Runs fn on a connection of its own to the database.
template <typename Fn>
auto withConnection(const store::ServerUrl &url, Fn fn)
{
    static QAtomicInt serial;
    const QString name = QStringLiteral("servidor-de-teste-%1").arg(serial.fetchAndAddRelaxed(1));
    auto result = [&] {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        c.setHostName(url.host);
        c.setPort(url.port);
        c.setUserName(url.user);
        c.setDatabaseName(url.database);
        c.open();
        auto r = fn(c);
        c.close();
        return r;
    }();
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace

bool testServerRequired() { return qEnvironmentVariable("QUIRELS_TEST_SERVIDOR_OBRIGATORIO") == QLatin1String("1"); }

ServerDatabase::ServerDatabase()
{
    m_error = serverUnavailable();
    if (m_error.isEmpty())
        m_url = createServerDatabase();
}

ServerDatabase::~ServerDatabase()
{
    if (!m_error.isEmpty())
        return;
    if (!m_passwordUser.isEmpty())
        exec(QStringLiteral("REASSIGN OWNED BY %1 TO CURRENT_USER; DROP OWNED BY %1").arg(m_passwordUser));
    dropServerDatabase(m_url);
    if (!m_passwordUser.isEmpty()) {
        store::ServerUrl postgres = m_url;
        postgres.database = QStringLiteral("postgres");
        withConnection(postgres, [&](QSqlDatabase &c) {
            QSqlQuery q(c);
            return q.exec(QStringLiteral("DROP ROLE IF EXISTS %1").arg(m_passwordUser));
        });
    }
}

QString ServerDatabase::passwordUser(const QString &password)
{
    const QString user = m_url.database + QStringLiteral("_senha");
    // The group may be created by several tests at once: a second creation
    // is no failure.
    const bool ok =
        exec(QStringLiteral("DO $$ BEGIN CREATE ROLE quirels_senha NOLOGIN; EXCEPTION WHEN duplicate_object OR "
                            "unique_violation THEN NULL; END $$")) &&
        exec(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE quirels_senha").arg(user, password)) &&
        exec(QStringLiteral("GRANT ALL ON DATABASE %1 TO %2; GRANT ALL ON SCHEMA public TO %2").arg(m_url.database, user));
    if (!ok)
        return {};
    m_passwordUser = user;
    return user;
}

QVariant ServerDatabase::scalar(const QString &sql) const
{
    return withConnection(m_url, [&](QSqlDatabase &c) {
        QSqlQuery q(c);
        if (!c.isOpen() || !q.exec(sql)) {
            ADD_FAILURE() << qPrintable(sql + QStringLiteral(": ") + (c.isOpen() ? q.lastError() : c.lastError()).text());
            return QVariant();
        }
        return q.next() ? q.value(0) : QVariant();
    });
}

bool ServerDatabase::exec(const QString &sql) const
{
    return withConnection(m_url, [&](QSqlDatabase &c) {
        QSqlQuery q(c);
        if (!c.isOpen() || !q.exec(sql)) {
            ADD_FAILURE() << qPrintable(sql + QStringLiteral(": ") + (c.isOpen() ? q.lastError() : c.lastError()).text());
            return false;
        }
        return true;
    });
}

} // namespace quirels::test
