#include "MainCommands.h"

#include "EmpresaQuirels.h"
#include "MainWindow.h"
#include "NovaQuirels.h"
#include "Splash.h"
#include "base/IniFile.h"
#include "base/Layout.h"
#include "shell/Annexes.h"
#include "shell/Links.h"
#include "shell/Messages.h"
#include "shell/Repair.h"
#include "store/Cursor.h"
#include "store/DataModule.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QToolTip>

namespace quirels {

namespace msg = shell::msg;

namespace {

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace

void MainCommands::newCompany()
{
    if (!m_window.ensureStore())
        return;
    if (m_window.companyOpen()) {
        if (!m_window.dialogs().confirm(msg::kFecharEmpresaAtual))
            return;
        if (!m_window.closeCompany())
            return;
    }
    TfrmNovaQuirels dialog(m_window, &m_window);
    dialog.exec();
}

void MainCommands::openCompany()
{
    if (!m_window.ensureStore())
        return;
    if (m_window.companyOpen() && !m_window.closeCompany())
        return;
    m_window.runScreen(screens::kAbrirEmpresa);
}

void MainCommands::openDeclarationFile()
{
    if (!m_window.ensureStore())
        return;
    if (!m_window.closeCompany())
        return;
    QFileDialog dialog(&m_window, QStringLiteral("Abrir Arquivo XML"), m_window.xmlFolder(),
                       QStringLiteral("Arquivo XML (*.xml)"));
    dialog.setObjectName(QStringLiteral("dlgAbrirXML"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    QObject::connect(&dialog, &QFileDialog::currentChanged, &m_window, &MainWindow::setMessage);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_window.runScreen(screens::kImportacaoXml, dialog.selectedFiles().constFirst());
}

void MainCommands::companyInformation()
{
    if (!m_window.ensureStore())
        return;
    if (!m_window.closeCompany())
        return;
    TfrmEmpresaQuirels window(m_window, &m_window);
    window.setWindowModality(Qt::ApplicationModal);
    window.execModal();
}

void MainCommands::validate()
{
    // Pending rows are written first; a refused one ends the command (the
    // cursor has shown why).
    if (!m_window.postPendingRows())
        return;
    if (!m_window.runScreen(screens::kValidacao))
        return;
    const bool ok = !m_window.validationError();
    for (const char *name : {"mniGerarArquivo", "mniEnviarArquivo", "btnGerarArquivo", "btnEnviarArquivo"})
        m_window.setCommandEnabled(s(name), ok);
}

void MainCommands::generateFile()
{
    // The file is written from the store: what the screens hold goes there
    // first.
    if (!m_window.postPendingRows())
        return;
    const QString responsible = m_window.dataModule().empresa().value(QStringLiteral("NmResponsavel")).toString();
    if (!responsible.trimmed().isEmpty()) {
        m_window.runScreen(screens::kDeclaracao);
        return;
    }
    if (!m_window.runScreen(screens::kResponsavel))
        return;
    m_window.runScreen(screens::kDeclaracao);
}

void MainCommands::registerComponents()
{
    if (m_window.dialogs().confirm(msg::kRegistrarDlls))
        m_window.dialogs().information(msg::kRegistroDesnecessario);
}

void MainCommands::repairTables()
{
    // The company and the connection are closed, so that the repair program
    // has the store to itself; a command that needs the store later opens
    // it again.
    if (!m_window.closeCompany())
        return;
    m_window.dataModule().disconnect();
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(shell::kRepairProgram);
    const QStringList args{shell::kRepairAccessCode, m_window.dataFolder()};
    const bool started = m_outside.startDetached ? m_outside.startDetached(program, args)
                                                 : QProcess::startDetached(program, args);
    if (!started)
        m_window.dialogs().error(msg::kReparoNaoIniciado.arg(QDir::toNativeSeparators(program)));
}

void MainCommands::about() { showAbout(m_window.db(), &m_window); }

void MainCommands::toggleHints()
{
    const bool shown = m_window.command(QStringLiteral("mniMensagensAjuda"))->isChecked();
    m_window.setHintsShown(shown);
    if (!shown) {
        QToolTip::hideText();
        m_window.setMessage(QString());
    }
}

void MainCommands::openLink(const shell::links::Link &link)
{
    IniFile ini(m_window.settingsPath());
    const QString configured = ini.load().ok() ? ini.value(shell::links::kSection, link.key).trimmed() : QString();
    openWeb(configured.isEmpty() ? link.address : configured);
}

void MainCommands::openManual()
{
    QString page = QStringLiteral("index.html");
    if (QMdiSubWindow *active = m_window.mdiArea()->activeSubWindow())
        for (const shell::Annex &a : shell::annexes())
            if (m_window.annexWindow(QLatin1Char(a.letter)) == active)
                page = QStringLiteral("anexo-%1.html").arg(QChar(QLatin1Char(a.letter)).toLower());
    const QString file = QDir(layout::forProgram().manualFolder).filePath(page);
    if (!QFileInfo::exists(file)) {
        m_window.dialogs().error(msg::kManualAusente.arg(QDir::toNativeSeparators(file)));
        return;
    }
    openWeb(QUrl::fromLocalFile(file).toString());
}

void MainCommands::openWeb(const QString &url)
{
    const QUrl u(url);
    const bool ok = m_outside.openUrl ? m_outside.openUrl(u) : QDesktopServices::openUrl(u);
    if (!ok)
        m_window.dialogs().error(msg::kAbrirEnderecoFalhou.arg(url));
}

} // namespace quirels
