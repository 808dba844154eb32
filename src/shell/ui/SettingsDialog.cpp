#include "SettingsDialog.h"

#include "Hints.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "store/ServerUrl.h"
#include "store/StoreConfig.h"
#include <QIntValidator>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace quirels {

namespace {

template <typename T>
T *named(T *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

QString shown(const QString &folder) { return QDir::toNativeSeparators(folder); }

} // namespace

TfrmConfiguracoes::TfrmConfiguracoes(Dialogs &dialogs, Files files, QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs), m_files(std::move(files))
{
    setObjectName(QStringLiteral("frmConfiguracoes"));
    setWindowTitle(QStringLiteral("Configurações de Rede"));
    setModal(true);

    // Page 1: sharing and the folders in use.
    auto *network = named(new QWidget, QStringLiteral("tabConfiguracoesRede"));
    m_localShare = named(new QCheckBox(QStringLiteral("Local Share"), network), QStringLiteral("chkLocalShare"));
    setHint(m_localShare, QStringLiteral("Selecione se for trabalhar em rede"));
    auto *current = named(new QGroupBox(QStringLiteral("Diretório Atual"), network), QStringLiteral("grpDiretorioAtual"));
    m_dataLabel = named(new QLabel(current), QStringLiteral("lblDiretorioBanco"));
    m_xmlLabel = named(new QLabel(current), QStringLiteral("lblDiretorioXML"));
    m_netDir = named(new QLineEdit(current), QStringLiteral("edtNetDir"));
    setHint(m_netDir, QStringLiteral("Digite o diretório da rede do paradox"));
    auto *currentLayout = new QFormLayout(current);
    currentLayout->addRow(QStringLiteral("Diretório do Banco de Dados:"), m_dataLabel);
    currentLayout->addRow(QStringLiteral("Diretório do Arquivo XML:"), m_xmlLabel);
    auto *netLabel = new QLabel(QStringLiteral("&Net Dir:"), current);
    netLabel->setBuddy(m_netDir);
    currentLayout->addRow(netLabel, m_netDir);
    // The store on a server: the address parts, never a password (the
    // client library reads PGPASSWORD or the password file).
    m_server = named(new QGroupBox(QStringLiteral("&Servidor PostgreSQL"), network), QStringLiteral("grpServidor"));
    m_server->setCheckable(true);
    m_server->setChecked(false);
    setHint(m_server, QStringLiteral("Selecione para guardar os dados num servidor usado por várias estações"));
    m_serverHost = named(new QLineEdit(m_server), QStringLiteral("edtServidorHost"));
    m_serverPort = named(new QLineEdit(m_server), QStringLiteral("edtServidorPorta"));
    m_serverPort->setValidator(new QIntValidator(1, 65535, m_serverPort));
    m_serverPort->setMaxLength(5);
    m_serverDatabase = named(new QLineEdit(m_server), QStringLiteral("edtServidorBanco"));
    m_serverUser = named(new QLineEdit(m_server), QStringLiteral("edtServidorUsuario"));
    auto *serverLayout = new QFormLayout(m_server);
    const auto serverRow = [&](const QString &caption, QLineEdit *edit) {
        auto *label = new QLabel(caption, m_server);
        label->setBuddy(edit);
        serverLayout->addRow(label, edit);
    };
    serverRow(QStringLiteral("&Máquina:"), m_serverHost);
    serverRow(QStringLiteral("&Porta:"), m_serverPort);
    serverRow(QStringLiteral("&Banco de dados:"), m_serverDatabase);
    serverRow(QStringLiteral("&Usuário:"), m_serverUser);
    auto *networkLayout = new QVBoxLayout(network);
    networkLayout->addWidget(m_localShare);
    networkLayout->addWidget(current);
    networkLayout->addWidget(m_server);
    networkLayout->addStretch();

    m_pages = named(new QTabWidget(this), QStringLiteral("pgcConfiguracoes"));
    m_pages->addTab(network, QStringLiteral("Configurações da Rede"));
    m_pages->addTab(folderPage("Banco", m_dataPage, true), QStringLiteral("Alterar o Diretório do Banco"));
    m_pages->addTab(folderPage("XML", m_xmlPage, false), QStringLiteral("Alterar o Diretório do XML"));

    auto *ok = named(new QPushButton(QStringLiteral("&Ok"), this), QStringLiteral("btnOk"));
    auto *cancel = named(new QPushButton(QStringLiteral("&Cancelar"), this), QStringLiteral("btnCancelar"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TfrmConfiguracoes::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);

    // What the settings file holds.
    IniFile ini(m_files.settings);
    if (Status s = ini.load(); !s)
        m_dialogs.error(s.message());
    setDataFolder(ini.value(settings::kSection, settings::kCaminho, m_files.defaultDataFolder));
    setXmlFolder(ini.value(settings::kSection, settings::kArquivoXml, m_files.defaultXmlFolder));
    const bool shared = ini.boolValue(settings::kSection, settings::kLocalShare, false);
    m_localShare->setChecked(shared);
    if (shared)
        localShareClicked(true);
    connect(m_localShare, &QCheckBox::clicked, this, &TfrmConfiguracoes::localShareClicked);
    m_netDir->setText(ini.value(settings::kSection, settings::kNetDir, QDir::rootPath()));
    m_serverPort->setText(QString::number(store::kDefaultServerPort));
    const QString address = ini.value(settings::kSection, settings::kServidor).trimmed();
    if (!address.isEmpty()) {
        if (Result<store::ServerUrl> url = store::ServerUrl::parse(address); url) {
            m_server->setChecked(true);
            m_serverHost->setText(url->host);
            m_serverPort->setText(QString::number(url->port));
            m_serverDatabase->setText(url->database);
            m_serverUser->setText(url->user);
        }
    }

    m_pages->setCurrentIndex(1);
    // The page it opens on starts at the folder tree.
    m_dataPage.tree->setFocus();
    resize(560, 440);
}

QWidget *TfrmConfiguracoes::folderPage(const char *suffix, FolderPage &page, bool data)
{
    const QString s = QString::fromLatin1(suffix);
    auto *w = named(new QWidget, QStringLiteral("tabDiretorio") + s);
    auto *current = new QGroupBox(QStringLiteral("Diretório Atual"), w);
    page.current = named(new QLabel(current), QStringLiteral("lblAtual") + s);
    auto *currentLayout = new QFormLayout(current);
    currentLayout->addRow(data ? QStringLiteral("Diretório do Banco de Dados:") : QStringLiteral("Diretório do Arquivo XML:"),
                          page.current);

    auto *change = new QGroupBox(QStringLiteral("Alterar Diretório"), w);
    page.drives = named(new QComboBox(change), QStringLiteral("cmbDrive") + s);
    setHint(page.drives, QStringLiteral("Selecione o drive que deseja alterar"));
    QStringList roots;
    for (const QStorageInfo &v : QStorageInfo::mountedVolumes())
        if (v.isValid() && v.isReady() && !roots.contains(v.rootPath()))
            roots.append(v.rootPath());
    std::sort(roots.begin(), roots.end());
    for (const QString &r : roots)
        page.drives->addItem(shown(r), r);
    page.model = new QFileSystemModel(w);
    page.model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    page.model->setRootPath(QDir::rootPath());
    page.tree = named(new QTreeView(change), QStringLiteral("tvwDiretorio") + s);
    page.tree->setModel(page.model);
    for (int c = 1; c < page.model->columnCount(); ++c)
        page.tree->hideColumn(c);
    page.tree->header()->hide();
    auto *changeLayout = new QVBoxLayout(change);
    changeLayout->addWidget(page.drives);
    changeLayout->addWidget(page.tree, 1);

    auto *layout = new QVBoxLayout(w);
    layout->addWidget(current);
    layout->addWidget(change, 1);

    connect(page.drives, &QComboBox::activated, this, [this, &page, data](int i) {
        const QString root = page.drives->itemData(i).toString();
        data ? setDataFolder(root) : setXmlFolder(root);
    });
    // The folders load in the background: once the folders above the current
    // one are read, the current one is brought into view.
    connect(page.model, &QFileSystemModel::directoryLoaded, this, [&page](const QString &loaded) {
        const QModelIndex current = page.tree->currentIndex();
        const QString path = current.isValid() ? page.model->filePath(current) : QString();
        if (path.startsWith(loaded.endsWith(QLatin1Char('/')) ? loaded : loaded + QLatin1Char('/')))
            page.tree->scrollTo(current, QAbstractItemView::PositionAtCenter);
    });
    connect(page.tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, &page, data](const QModelIndex &index) {
                if (!index.isValid() || m_moving)
                    return;
                const QString folder = page.model->filePath(index);
                if (folder == (data ? m_dataFolder : m_xmlFolder))
                    return;
                if (data)
                    m_dataFolder = folder;
                else
                    m_xmlFolder = folder;
                showFolders();
            });
    return w;
}

void TfrmConfiguracoes::moveTree(FolderPage &page, const QString &folder)
{
    // A folder that does not exist yet is shown at its nearest existing
    // parent; the dialog's choice stays the folder itself.
    QString shownFolder = folder;
    while (!shownFolder.isEmpty() && !QFileInfo(shownFolder).isDir() && QFileInfo(shownFolder).absolutePath() != shownFolder)
        shownFolder = QFileInfo(shownFolder).absolutePath();
    const QModelIndex index = page.model->index(shownFolder);
    if (index.isValid()) {
        m_moving = true;
        page.tree->setCurrentIndex(index);
        page.tree->scrollTo(index);
        m_moving = false;
    }
    for (int i = 0; i < page.drives->count(); ++i)
        if (folder.startsWith(page.drives->itemData(i).toString()))
            page.drives->setCurrentIndex(i); // the longest root that holds it comes last
}

void TfrmConfiguracoes::setDataFolder(const QString &folder)
{
    m_dataFolder = QDir::fromNativeSeparators(folder);
    moveTree(m_dataPage, m_dataFolder);
    showFolders();
}

void TfrmConfiguracoes::setXmlFolder(const QString &folder)
{
    m_xmlFolder = QDir::fromNativeSeparators(folder);
    moveTree(m_xmlPage, m_xmlFolder);
    showFolders();
}

void TfrmConfiguracoes::showFolders()
{
    m_dataLabel->setText(shown(m_dataFolder));
    m_xmlLabel->setText(shown(m_xmlFolder));
    m_dataPage.current->setText(shown(m_dataFolder));
    m_xmlPage.current->setText(shown(m_xmlFolder));
}

void TfrmConfiguracoes::localShareClicked(bool on)
{
    if (Status s = store::config::changeEntry(m_files.storeConfig, store::config::kSystemInit, store::config::kLocalShare,
                                              on ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
        !s)
        m_dialogs.error(s.message());
}

void TfrmConfiguracoes::confirm()
{
    if (Status s = store::config::changeEntry(m_files.storeConfig, store::config::kDriverInit, store::config::kNetDir,
                                              m_netDir->text());
        !s) {
        m_dialogs.error(s.message());
        return;
    }
    QString address;
    if (m_server->isChecked()) {
        const QString user = m_serverUser->text().trimmed();
        const QString text = QStringLiteral("%1://%2%3:%4/%5")
                                 .arg(store::kServerScheme, user.isEmpty() ? QString() : user + QLatin1Char('@'),
                                      m_serverHost->text().trimmed(), m_serverPort->text().trimmed(),
                                      m_serverDatabase->text().trimmed());
        Result<store::ServerUrl> url = store::ServerUrl::parse(text);
        if (!url) {
            m_dialogs.error(url.message());
            m_pages->setCurrentIndex(0);
            m_serverHost->setFocus();
            return;
        }
        address = url->toString();
    }
    IniFile ini(m_files.settings);
    if (Status s = ini.load(); !s) {
        m_dialogs.error(s.message());
        return;
    }
    ini.setValue(settings::kSection, settings::kServidor, address);
    ini.setValue(settings::kSection, settings::kCaminho, shown(m_dataFolder));
    ini.setValue(settings::kSection, settings::kArquivoXml, shown(m_xmlFolder));
    ini.setBool(settings::kSection, settings::kLocalShare, m_localShare->isChecked());
    ini.setValue(settings::kSection, settings::kNetDir, m_netDir->text());
    if (Status s = ini.save(); !s) {
        m_dialogs.error(s.message());
        return;
    }
    accept();
}

} // namespace quirels
