#include "TestServer.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace quirels::test {

namespace {

// Runs fn on a connection of its own to database `db` of the server.
template <typename Fn>
auto withConnection(const QUrl &server, const QString &db, Fn fn)
{
    static QAtomicInt serial;
    const QString name = QStringLiteral("servidor-de-teste-%1").arg(serial.fetchAndAddRelaxed(1));
    auto result = [&] {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        c.setHostName(server.host());
        c.setPort(server.port(5432));
        c.setUserName(server.userName());
        c.setDatabaseName(db);
        c.open();
        auto r = fn(c);
        c.close();
        return r;
    }();
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace

QUrl testServer() { return QUrl(qEnvironmentVariable("QUIRELS_TEST_SERVIDOR")); }

bool testServerRequired() { return qEnvironmentVariable("QUIRELS_TEST_SERVIDOR_OBRIGATORIO") == QLatin1String("1"); }

ServerDatabase::ServerDatabase() : m_server(testServer())
{
    static QAtomicInt serial;
    m_name = QStringLiteral("quirels_teste_%1_%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(serial.fetchAndAddRelaxed(1));
    if (m_server.isEmpty()) {
        m_error = QStringLiteral("no test server (QUIRELS_TEST_SERVIDOR)");
        return;
    }
    m_error = withConnection(m_server, m_server.path().mid(1), [this](QSqlDatabase &c) {
        if (!c.isOpen())
            return c.lastError().text();
        QSqlQuery q(c);
        if (!q.exec(QStringLiteral("CREATE DATABASE \"%1\" TEMPLATE template0 ENCODING 'UTF8'").arg(m_name)))
            return q.lastError().text();
        return QString();
    });
}

ServerDatabase::~ServerDatabase()
{
    if (m_server.isEmpty())
        return;
    withConnection(m_server, m_server.path().mid(1), [this](QSqlDatabase &c) {
        QSqlQuery q(c);
        return q.exec(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(m_name));
    });
}

QString ServerDatabase::host() const { return m_server.host(); }
int ServerDatabase::port() const { return m_server.port(5432); }
QString ServerDatabase::user() const { return m_server.userName(); }

QString ServerDatabase::url() const
{
    return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user(), host(), QString::number(port()), m_name);
}

QVariant ServerDatabase::scalar(const QString &sql) const
{
    return withConnection(m_server, m_name, [&](QSqlDatabase &c) {
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
    return withConnection(m_server, m_name, [&](QSqlDatabase &c) {
        QSqlQuery q(c);
        if (!c.isOpen() || !q.exec(sql)) {
            ADD_FAILURE() << qPrintable(sql + QStringLiteral(": ") + (c.isOpen() ? q.lastError() : c.lastError()).text());
            return false;
        }
        return true;
    });
}

} // namespace quirels::test
