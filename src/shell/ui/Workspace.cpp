#include "Workspace.h"

#include "base/Dialogs.h"
#include "base/Layout.h"
#include "base/Settings.h"
#include "shell/Annexes.h"
#include "shell/Messages.h"
#include "store/Cursor.h"
#include "store/DataModule.h"
#include "store/Database.h"
#include "store/Sql.h"
#include "store/StoreConfig.h"

#include <QDir>
#include <QFileInfo>

namespace quirels {

namespace msg = shell::msg;

Workspace::Workspace(Dialogs &dialogs, const Places &given, QObject *owner) : m_dialogs(dialogs)
{
    // The settings decide the data folder, unless the caller gave one.
    const layout::Places places = layout::forProgram();
    m_settingsPath = given.settingsPath.isEmpty() ? places.settingsPath : given.settingsPath;
    m_storeConfigPath = given.storeConfigPath.isEmpty() ? places.storeConfigPath : given.storeConfigPath;
    m_dataFolder = given.dataFolder;
    m_xmlFolder = given.xmlFolder;
    if (m_dataFolder.isEmpty()) {
        Result<StartupFolders> f = readStartupSettings(m_settingsPath, places);
        if (f) {
            m_dataFolder = f->dataFolder;
            m_xmlFolder = f->xmlFolder;
        } else {
            m_dialogs.error(f.message());
            m_dataFolder = places.dataFolder;
        }
    }

    m_dm = std::make_unique<store::DataModule>(m_dialogs, store::kConnection, owner);
}

Workspace::~Workspace() = default;

QSqlDatabase Workspace::db() const { return m_dm->database(); }

bool Workspace::openStore()
{
    store::StartupOptions options = store::startupOptions(m_storeConfigPath, m_settingsPath);
    // A store on a server needs no file in the data folder.
    if (!options.server && !QFileInfo::exists(store::databasePath(m_dataFolder))) {
        m_dm->disconnect();
        return offerDataFolder();
    }
    options.password = m_serverPassword;
    for (;;) {
        const Status s = m_dm->openAtStartup(m_dataFolder, options);
        if (s || !options.server || !store::isPasswordRefusal(s.error()))
            return s.ok();
        // The refusal was shown; the password is asked for and kept in
        // memory for this session only (never written anywhere).
        const std::optional<QString> typed = m_dialogs.password(store::passwordQuestion(*options.server));
        if (!typed)
            return false;
        options.password = *typed;
        m_serverPassword = *typed;
    }
}

bool Workspace::offerDataFolder()
{
    switch (m_dialogs.confirmYesNoCancel(msg::kPastaSemBanco.arg(QDir::toNativeSeparators(m_dataFolder)))) {
    case Answer::Yes: {
        // What "quirels-cli inicializar" does, on a connection of its own.
        store::OpenOptions o;
        o.connection = QStringLiteral("quirelsInicializar");
        o.sharedFolder = store::config::localShare(m_storeConfigPath);
        if (Status s = store::initializeDataFolder(m_dataFolder, o); !s) {
            m_dialogs.error(s.message());
            return false;
        }
        return openStore();
    }
    case Answer::No:
        // The dialog's "&Ok" connects to the folder chosen there.
        if (m_chooseDataFolder)
            m_chooseDataFolder();
        return m_dm->isConnected();
    default:
        return false;
    }
}

bool Workspace::ensureStore()
{
    if (m_dm->isConnected())
        return true;
    return openStore();
}

PeriodKey Workspace::currentPeriod() const
{
    const store::Cursor &e = m_dm->empresa();
    const store::Cursor &m = m_dm->mes();
    PeriodKey p;
    if (e.isOpen() && e.row() >= 0)
        p.cnpj = e.value(QStringLiteral("CdCNPJEmpr")).toString();
    if (m.isOpen() && m.row() >= 0) {
        p.ano = m.value(QStringLiteral("NrAno")).toString();
        p.mes = m.value(QStringLiteral("NmMes")).toString();
    }
    return p;
}

bool Workspace::setCurrentPeriod(const PeriodKey &period)
{
    store::Cursor &e = m_dm->empresa();
    store::Cursor &m = m_dm->mes();
    if (!e.refresh() || !e.locate({{QStringLiteral("CdCNPJEmpr"), period.cnpj}}))
        return false;
    if (!m.refresh())
        return false;
    if (!m.locate({{QStringLiteral("NrAno"), period.ano}, {QStringLiteral("NmMes"), period.mes}}))
        return false;
    // The period is open for writing on this workstation: other
    // workstations' bulk operations on it wait until it is let go.
    if (Status s = m_dm->holdPeriod(period); !s)
        m_dialogs.error(s.message());
    return true;
}

void Workspace::setDataFolder(const QString &dataFolder, const QString &xmlFolder)
{
    m_dataFolder = dataFolder;
    m_xmlFolder = xmlFolder;
}

bool Workspace::ensureObservationRows(const QString &letters)
{
    // Through the general cursor of the period, one row per missing letter;
    // the views of the letters are read again so the open screens' memos
    // take typing at once.
    store::Cursor &obs = m_dm->observacoes();
    if (!obs.isOpen() && !obs.open().ok())
        return false;
    QString present;
    for (int r = 0; r < obs.count(); ++r)
        present += obs.valueAt(r, QStringLiteral("Anexo")).toString().trimmed().toUpper();
    bool added = false;
    for (const QChar letter : letters) {
        if (present.contains(letter))
            continue;
        if (!obs.insert() || !obs.setValue(QStringLiteral("Anexo"), QString(letter)) || !obs.post().ok()) {
            if (obs.isEditing())
                obs.cancel();
            return false; // the cursor showed why
        }
        present += letter;
        added = true;
    }
    if (added)
        for (const shell::Annex &a : shell::annexes())
            if (store::Cursor &view = m_dm->obsAnexo(QLatin1Char(a.letter)); view.isOpen() && !view.isEditing())
                view.refresh();
    return true;
}

bool Workspace::postPendingRows()
{
    if (!leaveField())
        return false;
    if (m_beforePosting)
        m_beforePosting();
    for (store::Cursor *c : m_dm->cursors())
        if (c->isOpen() && c->isEditing() && !c->post().ok())
            return false; // the cursor showed the rule's or the store's message
    return true;
}

bool Workspace::reloadData(const PeriodKey &period)
{
    if (!m_dm->reopenAll().ok())
        return false;
    return !period.cnpj.isEmpty() && setCurrentPeriod(period);
}

} // namespace quirels
