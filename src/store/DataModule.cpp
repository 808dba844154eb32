#include "DataModule.h"

#include "RecordRules.h"
#include "Schema.h"
#include "StoreConfig.h"
#include "StoreLocation.h"
#include "base/Settings.h"

#include "Messages.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>

namespace quirels::store {

StartupOptions startupOptions(const QString &storeConfigPath, const QString &settingsPath)
{
    StartupOptions o;
    o.localShare = config::localShare(storeConfigPath);
    if (!settingsPath.isEmpty()) {
        IniFile ini(settingsPath);
        if (ini.load()) {
            if (Result<OpenOptions> chosen = storeOptions(ini, storeConfigPath); chosen)
                o.server = chosen->server;
        }
    }
    return o;
}

DataModule::DataModule(Dialogs &dialogs, const QString &connection, QObject *parent)
    : QObject(parent), m_dialogs(dialogs), m_connection(connection)
{
    for (const schema::Table &t : schema::tables()) {
        Cursor *master = nullptr;
        if (t.parent)
            master = m_byTable.at(QString::fromLatin1(t.parent).toLower());
        Cursor *c = add(QString::fromLatin1(t.cursor), t, master);
        m_byTable[t.qname().toLower()] = c;
        if (t.qname() == QLatin1String("Observacoes")) {
            m_observacoes = c;
            // One view per annex letter over the same table; G and H order by
            // the full key, the others by the period key.
            for (int i = 0; i < 8; ++i) {
                const QChar letter(QLatin1Char(static_cast<char>('A' + i)));
                Cursor *v = add(QStringLiteral("tblObsAnexo") + letter, t, m_byTable.at(QStringLiteral("mes")));
                v->setFixedValues({{QStringLiteral("Anexo"), QString(letter)}});
                QStringList order = schema::periodKey();
                if (letter == QLatin1Char('G') || letter == QLatin1Char('H'))
                    order.append(QStringLiteral("Anexo"));
                v->setOrderFields(order, false);
                m_obs[i] = v;
            }
        }
    }
    // The search of controlled products shows the list in force only.
    m_byTable.at(QStringLiteral("produtocontrolado"))->setFixedValues({{QStringLiteral("FlForaDaLista"), 0}});
    m_empresa = m_byTable.at(QStringLiteral("empresa"));
    m_mes = m_byTable.at(QStringLiteral("mes"));
    m_produtos = m_byTable.at(QStringLiteral("produtos"));
    m_produtoFinal = m_byTable.at(QStringLiteral("produtofinal"));
    m_substancia = m_byTable.at(QStringLiteral("substanciapresente"));

    m_empresa->addLookup(QStringLiteral("lkpCNAE"), QStringLiteral("CdCNAE"), QStringLiteral("Cnae"),
                         QStringLiteral("CDDESCRCNAE"), QStringLiteral("NMCNAE"));
    m_produtoFinal->addLookup(QStringLiteral("lkpProduto"), QStringLiteral("CdProdControlado"),
                              QStringLiteral("ProdutoControlado"), QStringLiteral("IdProdutoControlado"),
                              QStringLiteral("NmProdutoControlado"));
    importacao().addLookup(QStringLiteral("Lk_Pais"), QStringLiteral("CdPais"), QStringLiteral("Paises"),
                           QStringLiteral("CDPAIS"), QStringLiteral("NMPAIS"));
    wireRules();
}

DataModule::~DataModule()
{
    disconnect();
    // Details first, so no cursor outlives its master's bookkeeping.
    while (!m_owned.empty())
        m_owned.pop_back();
}

Cursor *DataModule::add(const QString &name, const schema::Table &t, Cursor *master)
{
    auto c = std::make_unique<Cursor>(name, t, m_connection);
    c->setObjectName(name);
    c->setDialogs(&m_dialogs);
    if (master)
        c->setMaster(master);
    Cursor *raw = c.get();
    m_owned.push_back(std::move(c));
    m_order.push_back(raw);
    return raw;
}

namespace {

// The record rules read and complete a cursor's pending row in place.
class PendingRow : public rules::RowAccess {
public:
    explicit PendingRow(Cursor &c) : m_cursor(c) {}
    QVariant get(const QString &field) const override { return m_cursor.value(field); }
    void set(const QString &field, const QVariant &value) override { m_cursor.assign(field, value); }

private:
    Cursor &m_cursor;
};

} // namespace

void DataModule::wireRules()
{
    // A refusal names its field to the cursor, for the focus.
    m_produtos->addBeforePost([](Cursor &c) {
        PendingRow row(c);
        QString failed;
        if (!rules::validarProduto(row, c.dialogs(), &failed)) {
            c.setRefusedField(failed);
            return false;
        }
        rules::applyClosingStock(row);
        return true;
    });
    m_produtoFinal->addBeforePost([](Cursor &c) {
        QString failed;
        const bool ok = rules::validarProdutoFinal(PendingRow(c), c.dialogs(), &failed);
        c.setRefusedField(failed);
        return ok;
    });
    m_substancia->addBeforePost([](Cursor &c) {
        QString failed;
        const bool ok = rules::validarSubstanciaPresente(PendingRow(c), c.dialogs(), &failed);
        c.setRefusedField(failed);
        return ok;
    });

    // Counterpart numbers show the mask their length asks for; a value of
    // another length keeps the mask of the row seen before.
    for (const schema::Table &t : schema::tables()) {
        const QStringList fields = rules::counterpartFields(t.qname());
        if (fields.isEmpty())
            continue;
        table(t.qname()).addAfterScroll([fields](Cursor &c) {
            for (const QString &f : fields)
                c.setDisplayMask(f, rules::counterpartMask(c.value(f).toString(), c.displayMask(f)));
        });
    }

    // Writing through a view shows in the general cursor.
    for (Cursor *v : m_obs)
        v->addAfterPost([this](Cursor &) {
            if (!m_observacoes->isOpen())
                return;
            m_observacoes->checkBrowseMode();
            m_observacoes->close();
            if (Status s = m_observacoes->open(); !s)
                m_dialogs.error(s.message());
        });
}

QSqlDatabase DataModule::database() const { return QSqlDatabase::database(m_connection, false); }

bool DataModule::isConnected() const
{
    return QSqlDatabase::contains(m_connection) && database().isOpen();
}

Cursor *DataModule::cursor(const QString &name) const
{
    for (Cursor *c : m_order)
        if (c->name().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

Cursor &DataModule::table(const QString &tableName) const { return *m_byTable.at(tableName.toLower()); }

Cursor &DataModule::obsAnexo(QChar letter) const
{
    const int i = letter.toUpper().unicode() - 'A';
    Q_ASSERT(i >= 0 && i < 8);
    return *m_obs[i];
}

const QStringList &DataModule::querySlotNames()
{
    static const QStringList names{QStringLiteral("qryGenerica"),  QStringLiteral("qryExclusao"),
                                   QStringLiteral("qryImportacao"), QStringLiteral("QryConsulta"),
                                   QStringLiteral("QryRelAnexoB"), QStringLiteral("QryRelAnexoC"),
                                   QStringLiteral("QryRelAnexoE"), QStringLiteral("QryRelAnexoF"),
                                   QStringLiteral("QryRelAnexoG"), QStringLiteral("QryRelAnexoH")};
    return names;
}

QSqlQuery &DataModule::query(const QString &name)
{
    if (m_queries.empty() && isConnected())
        createQuerySlots();
    const auto it = m_queries.find(name.toLower());
    if (it == m_queries.end()) {
        m_noQuery = QSqlQuery();
        return m_noQuery;
    }
    return *it->second;
}

void DataModule::createQuerySlots()
{
    m_queries.clear();
    const QSqlDatabase db = database();
    for (const QString &n : querySlotNames())
        m_queries[n.toLower()] = std::make_unique<QSqlQuery>(db);
}

void DataModule::dropQuerySlots()
{
    m_queries.clear();
    m_noQuery = QSqlQuery();
}

bool DataModule::validarProduto()
{
    return !m_produtos->isEditing() || rules::validarProduto(PendingRow(*m_produtos), m_dialogs);
}

bool DataModule::validarProdutoFinal()
{
    return !m_produtoFinal->isEditing() || rules::validarProdutoFinal(PendingRow(*m_produtoFinal), m_dialogs);
}

bool DataModule::validarSubstanciaPresente()
{
    return !m_substancia->isEditing() || rules::validarSubstanciaPresente(PendingRow(*m_substancia), m_dialogs);
}

Status DataModule::fail(const Error &e)
{
    m_dialogs.error(e.message);
    return e;
}

Status DataModule::openAll()
{
    if (!isConnected())
        return fail(makeError(QStringLiteral("O banco de dados não está conectado."), 2));
    createQuerySlots();
    for (Cursor *c : m_order)
        if (Status s = c->open(); !s)
            return fail(s.error());
    return {};
}

void DataModule::closeAll()
{
    // Details before their masters, so no detail reloads on the way.
    for (auto it = m_order.rbegin(); it != m_order.rend(); ++it)
        (*it)->close();
    dropQuerySlots();
}

Status DataModule::reopenAll()
{
    closeAll();
    return openAll();
}

Status DataModule::holdPeriod(const PeriodKey &period)
{
    QSqlDatabase db = database();
    if (!db.isOpen())
        return {};
    return m_hold.hold(db, period);
}

void DataModule::disconnect()
{
    m_hold.release();
    closeAll();
    close(m_connection);
}

Status DataModule::openAtStartup(const QString &dataFolder, const StartupOptions &options)
{
    disconnect();
    m_dataFolder = dataFolder;
    OpenOptions o;
    o.connection = m_connection;
    o.sharedFolder = options.localShare;
    o.busyTimeoutMs = options.busyTimeoutMs;
    o.server = options.server;
    o.password = options.password;
    Result<QSqlDatabase> db = open(dataFolder, o);
    if (!db)
        return fail(db.error());
    // A step that must write fails on a folder that cannot be written: say so.
    const auto writeFailure = [&](const Error &e) {
        if (options.server || QFileInfo(dataFolder).isWritable())
            return fail(e);
        return fail(makeError(msg::kPastaSomenteLeitura.arg(QDir::toNativeSeparators(dataFolder)), 2));
    };
    if (Status s = upgradeSchema(*db); !s)
        return writeFailure(s.error());
    if (Status s = options.server ? Status() : removeDayIndexFiles(dataFolder); !s)
        return writeFailure(s.error());
    if (Status s = ensureDayIndexes(*db); !s)
        return writeFailure(s.error());
    if (Status s = ensureNameIndexes(*db); !s)
        return writeFailure(s.error());
    *db = QSqlDatabase();
    return openAll();
}

} // namespace quirels::store
