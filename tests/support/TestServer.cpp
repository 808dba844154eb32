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
    if (m_error.isEmpty())
        dropServerDatabase(m_url);
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
