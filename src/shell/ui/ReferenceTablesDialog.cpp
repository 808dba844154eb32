#include "ReferenceTablesDialog.h"

#include "shell/Messages.h"
#include "store/ReferenceTables.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QVBoxLayout>

namespace quirels {

TfrmTabelasReferencia::TfrmTabelasReferencia(const QString &connection, Dialogs &dialogs, Hooks hooks, QWidget *parent)
    : QDialog(parent), m_connection(connection), m_dialogs(dialogs), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("frmTabelasReferencia"));
    setWindowTitle(QStringLiteral("Atualizar Tabelas de Referência"));
    if (!m_hooks.chooseFolder)
        m_hooks.chooseFolder = [this](const QString &start) { return QFileDialog::getExistingDirectory(this, QString(), start); };

    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(shell::msg::kTabelasIntroducao, this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto *label = new QLabel(QStringLiteral("&Pasta:"), this);
    m_folder = new QLineEdit(this);
    m_folder->setObjectName(QStringLiteral("edtPasta"));
    label->setBuddy(m_folder);
    auto *browse = new QPushButton(QStringLiteral("P&rocurar..."), this);
    browse->setObjectName(QStringLiteral("btnProcurar"));
    browse->setAutoDefault(false);
    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_folder, 1);
    row->addWidget(browse);
    layout->addLayout(row);

    m_files = new QLabel(this);
    m_files->setObjectName(QStringLiteral("lblArquivos"));
    m_files->setWordWrap(true);
    layout->addWidget(m_files);

    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("memResultado"));
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_report, 1);

    m_update = new QPushButton(QStringLiteral("&Atualizar"), this);
    m_update->setObjectName(QStringLiteral("btnAtualizar"));
    m_update->setAutoDefault(false);
    auto *close = new QPushButton(QStringLiteral("&Fechar"), this);
    close->setObjectName(QStringLiteral("btnFechar"));
    close->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_update);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(browse, &QPushButton::clicked, this, &TfrmTabelasReferencia::chooseFolder);
    connect(m_folder, &QLineEdit::textChanged, this, &TfrmTabelasReferencia::showFiles);
    connect(m_update, &QPushButton::clicked, this, [this] { update(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(720, 420);
    showFiles();
}

QString TfrmTabelasReferencia::folder() const { return m_folder->text().trimmed(); }

void TfrmTabelasReferencia::setFolder(const QString &folder) { m_folder->setText(QDir::toNativeSeparators(folder)); }

void TfrmTabelasReferencia::chooseFolder()
{
    const QString chosen = m_hooks.chooseFolder(folder());
    if (!chosen.isEmpty())
        setFolder(chosen);
}

void TfrmTabelasReferencia::showFiles()
{
    const QString f = folder();
    QStringList found;
    if (!f.isEmpty() && QDir(f).exists())
        for (const QString &name : QDir(f).entryList(QDir::Files | QDir::Hidden, QDir::Name))
            if (const store::reference::Spec *spec = store::reference::specForFile(name))
                found.append(QStringLiteral("%1 (%2)").arg(name, QString::fromUtf8(spec->caption)));
    m_files->setText(found.isEmpty() ? shell::msg::kTabelasNenhuma : shell::msg::kTabelasEncontradas.arg(found.join(QStringLiteral(", "))));
    m_update->setEnabled(!found.isEmpty());
}

bool TfrmTabelasReferencia::update()
{
    if (m_hooks.before && !m_hooks.before())
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    Result<QList<store::reference::TableChanges>> r = store::reference::updateFromFolder(db, QDir::fromNativeSeparators(folder()));
    if (!r) {
        m_report->setPlainText(r.message());
        m_dialogs.error(r.message());
        return false;
    }
    m_report->setPlainText(store::reference::describe(*r).join(QLatin1Char('\n')));
    if (m_hooks.after)
        m_hooks.after();
    return true;
}

} // namespace quirels
