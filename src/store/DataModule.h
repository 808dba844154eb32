#pragma once
// The shared data module (dtmQuirel): one cursor per table of the schema with
// the schema's cursor names, the master/detail links, the per-annex views of
// the observations, the lookup fields, the query slots, and the record rules
// wired to the cursors. It owns the store connection "dbQuirel" it opens and
// lives for the whole run.
//
//     DataModule dm(dialogs);
//     dm.openAtStartup(dataFolder, {localShare});   // connect, index, open all
//     dm.empresa().locate({{"CdCNPJEmpr", cnpj}});    // tblMes follows
//     dm.mes().locate({{"NrAno", "2005"}, {"NmMes", "JAN"}});
//     for (dm.produtos().first(); !dm.produtos().eof(); dm.produtos().next()) ...
//
// Master/detail: tblMes under tblEmpresa; every annex cursor, tblObservacoes
// and the views tblObsAnexoA..H under tblMes; tblProdutoFinal under
// tblProdutos; tblSubstanciaPresente under tblProdutoFinal.

#include "base/Dialogs.h"
#include "base/Result.h"
#include "PeriodLock.h"
#include "ServerUrl.h"

#include <optional>
#include "store/Cursor.h"
#include "store/Database.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <map>
#include <memory>
#include <vector>

namespace quirels::store {

struct StartupOptions {
    bool localShare = false;   // "Local Share": journal mode safe on a shared folder
    int busyTimeoutMs = 5000;  // how long a lock held by another program is waited for
    std::optional<ServerUrl> server; // the store is on this server, not in the data folder
    QString password;          // for the server; empty: PGPASSWORD or the password file
};

// The start-up options: "Local Share" from the machine's store configuration
// (see StoreConfig.h; a missing or unreadable file gives the defaults) and,
// with a settings file, the server's address "Servidor" it names (a
// malformed address gives the default store).
StartupOptions startupOptions(const QString &storeConfigPath, const QString &settingsPath = QString());

class DataModule : public QObject {
    Q_OBJECT
public:
    explicit DataModule(Dialogs &dialogs, const QString &connection = kConnection, QObject *parent = nullptr);
    ~DataModule() override;

    Dialogs &dialogs() const { return m_dialogs; }
    QString connectionName() const { return m_connection; }
    // The connection (invalid while not connected).
    QSqlDatabase database() const;
    QString dataFolder() const { return m_dataFolder; }
    bool isConnected() const;

    // ---- cursors -----------------------------------------------------------
    // Every cursor in opening order: the tables in the schema's order, the
    // eight observation views right after tblObservacoes.
    const std::vector<Cursor *> &cursors() const { return m_order; }
    // By cursor name ("tblProdutos", "tblObsAnexoG"), without regard to
    // case; null when unknown.
    Cursor *cursor(const QString &name) const;
    // The main cursor of a table by table name ("Produtos"); the table must
    // exist in the schema.
    Cursor &table(const QString &tableName) const;
    // The view of observations of one annex, letter 'A' .. 'H'.
    Cursor &obsAnexo(QChar letter) const;

    Cursor &empresa() const { return *m_empresa; }
    Cursor &mes() const { return *m_mes; }
    Cursor &produtos() const { return *m_produtos; }
    Cursor &produtoFinal() const { return *m_produtoFinal; }
    Cursor &substanciaPresente() const { return *m_substancia; }
    Cursor &movimentacao() const { return table(QStringLiteral("Movimentacao")); }
    Cursor &importacao() const { return table(QStringLiteral("Importacao")); }
    Cursor &armazenagem() const { return table(QStringLiteral("Armazenagem")); }
    Cursor &movArmazenagem() const { return table(QStringLiteral("MovArmazenagem")); }
    Cursor &transporte() const { return table(QStringLiteral("Transporte")); }
    Cursor &residuo() const { return table(QStringLiteral("Residuo")); }
    Cursor &isolado() const { return table(QStringLiteral("Isolado")); }
    Cursor &movResiduo() const { return table(QStringLiteral("MovResiduo")); }
    Cursor &observacoes() const { return *m_observacoes; }
    Cursor &lkpProdutoControlado() const { return table(QStringLiteral("ProdutoControlado")); }
    Cursor &lkpCnae() const { return table(QStringLiteral("Cnae")); }
    Cursor &lkpCfop() const { return table(QStringLiteral("CFOP")); }
    Cursor &pais() const { return table(QStringLiteral("Paises")); }

    // ---- query slots ---------------------------------------------------------
    // qryGenerica, qryExclusao, qryImportacao, QryConsulta, QryRelAnexoB, C,
    // E, F, G, H: reusable queries on the connection, recreated when the
    // connection is. Their text is set by whoever uses them.
    static const QStringList &querySlotNames();
    // By name without regard to case; an inactive query without a database
    // for an unknown name or while not connected.
    QSqlQuery &query(const QString &name);
    QSqlQuery &qryGenerica() { return query(QStringLiteral("qryGenerica")); }
    QSqlQuery &qryExclusao() { return query(QStringLiteral("qryExclusao")); }
    QSqlQuery &qryImportacao() { return query(QStringLiteral("qryImportacao")); }
    QSqlQuery &qryConsulta() { return query(QStringLiteral("QryConsulta")); }

    // ---- record checks on the current rows -------------------------------------
    // True at once when the cursor is neither inserting nor editing; else the
    // checks of the record rules with their messages.
    bool validarProduto();
    bool validarProdutoFinal();
    bool validarSubstanciaPresente();

    // ---- opening -----------------------------------------------------------------
    // The start-up sequence: connect to the store of the data folder, bring
    // its layout up to date, delete the day-index files, make sure both
    // tables of movements have their day index, open every cursor in order.
    // The first error is shown with the store's message, the later steps are
    // skipped (cursors not yet opened stay closed) and returned; start-up
    // goes on. A store that is damaged, locked or unreadable is left as it was.
    Status openAtStartup(const QString &dataFolder, const StartupOptions &options = {});
    // Closes every cursor and the connection.
    void disconnect();
    // The period open for writing on this workstation (store/PeriodLock.h):
    // another workstation's bulk operation on it is refused until another
    // period is held or the store is disconnected.
    Status holdPeriod(const PeriodKey &period);
    // Lets the held period go (the company was closed).
    void releasePeriod() { m_hold.release(); }
    // Opens every cursor in order; the first error is shown and returned, and
    // the cursors after it stay closed.
    Status openAll();
    // Closes every cursor (pending rows are dropped) and the query slots.
    void closeAll();
    // Closes and opens every cursor again, on the same connection (after bulk
    // deletions or imports).
    Status reopenAll();

private:
    Cursor *add(const QString &name, const schema::Table &t, Cursor *master);
    void wireRules();
    void createQuerySlots();
    void dropQuerySlots();
    Status fail(const Error &e);

    Dialogs &m_dialogs;
    PeriodHold m_hold;
    QString m_connection;
    QString m_dataFolder;
    std::vector<std::unique_ptr<Cursor>> m_owned;
    std::vector<Cursor *> m_order;
    std::map<QString, Cursor *> m_byTable;   // lower-case table name -> main cursor
    Cursor *m_empresa = nullptr;
    Cursor *m_mes = nullptr;
    Cursor *m_produtos = nullptr;
    Cursor *m_produtoFinal = nullptr;
    Cursor *m_substancia = nullptr;
    Cursor *m_observacoes = nullptr;
    Cursor *m_obs[8] = {};
    std::map<QString, std::unique_ptr<QSqlQuery>> m_queries; // lower-case name
    QSqlQuery m_noQuery;
};

} // namespace quirels::store
