#include "DeclarationDialog.h"

#include "FloppyFormat.h"
#include "base/Masks.h"
#include "exchange/Messages.h"
#include "exchange/OutputFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QVBoxLayout>

namespace quirels::exchange {

TfrmDiscoQuirels::TfrmDiscoQuirels(QSqlDatabase db, const PeriodKey &period, const QString &xmlFolder,
                                   Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_db(db), m_period(period), m_folder(xmlFolder), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TfrmDiscoQuirels"));
    setWindowTitle(QStringLiteral("Gerar Arquivo XML"));

    QString razao;
    {
        QSqlQuery q(m_db);
        q.prepare(QStringLiteral("SELECT NmRazao FROM Empresa WHERE CdCNPJEmpr = ?"));
        q.addBindValue(period.cnpj);
        if (q.exec() && q.next())
            razao = q.value(0).toString();
    }
    m_files = declarationPaths(m_folder, m_period);

    auto *group = new QGroupBox(QStringLiteral("Geração Arquivo XML"), this);
    auto *current = new QGroupBox(QStringLiteral("Diretório Atual"), group);
    auto *dirRow = new QHBoxLayout(current);
    auto *dirLabel = new QLabel(QStringLiteral("&Diretório do Arquivo XML:"), current);
    m_folderEdit = new QLineEdit(QDir::toNativeSeparators(m_folder), current);
    m_folderEdit->setObjectName(QStringLiteral("edtDiretorio"));
    m_folderEdit->setMinimumWidth(m_folderEdit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    m_folderEdit->setToolTip(QStringLiteral("Diretório onde os arquivos XML serão gravados"));
    m_folderEdit->setStatusTip(m_folderEdit->toolTip());
    dirLabel->setBuddy(m_folderEdit);
    auto *browse = new QPushButton(QStringLiteral("&Procurar..."), current);
    browse->setObjectName(QStringLiteral("btnProcurar"));
    browse->setAutoDefault(false);
    browse->setToolTip(QStringLiteral("Escolhe o diretório dos arquivos XML"));
    browse->setStatusTip(browse->toolTip());
    connect(browse, &QPushButton::clicked, this, &TfrmDiscoQuirels::chooseFolder);
    dirRow->addWidget(dirLabel);
    dirRow->addWidget(m_folderEdit, 1);
    dirRow->addWidget(browse);
    m_picker = [this](const QString &start) {
        return QFileDialog::getExistingDirectory(this, msg::kEscolherPasta, start, QFileDialog::DontUseNativeDialog);
    };

    const QString key = period.cnpj.trimmed();
    const EditMask mask = key.size() > 13 ? EditMask::cnpj() : EditMask::cpf();
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("CNPJ"), readOnlyField(QStringLiteral("edtCdCNPJEmpr"), mask.format(key),
                                                       QStringLiteral("CNPJ da empresa")));
    form->addRow(QStringLiteral("Nome da Empresa"),
                 readOnlyField(QStringLiteral("edtNmRazao"), razao, QStringLiteral("Nome da empresa")));
    form->addRow(QStringLiteral("Mês"),
                 readOnlyField(QStringLiteral("edtNmMes"), period.mes, QStringLiteral("Mês selecionado")));
    form->addRow(QStringLiteral("Ano"),
                 readOnlyField(QStringLiteral("edtNrAno"), period.ano, QStringLiteral("Ano selecionado")));

    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(current);
    groupLayout->addLayout(form);

    auto *gerar = new QPushButton(QStringLiteral("&Gerar"), this);
    gerar->setObjectName(QStringLiteral("btnGerar"));
    m_fechar = new QPushButton(QStringLiteral("&Fechar"), this);
    m_fechar->setObjectName(QStringLiteral("btnFechar"));
    connect(gerar, &QPushButton::clicked, this, &TfrmDiscoQuirels::generate);
    connect(m_fechar, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(gerar);
    buttons->addWidget(m_fechar);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLineEdit *TfrmDiscoQuirels::readOnlyField(const QString &name, const QString &text, const QString &hint)
{
    auto *e = new QLineEdit(text, this);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setToolTip(hint);
    e->setStatusTip(hint);
    return e;
}

QString TfrmDiscoQuirels::folder() const { return QDir::fromNativeSeparators(m_folderEdit->text().trimmed()); }

void TfrmDiscoQuirels::chooseFolder()
{
    // The chooser starts on the folder shown, or on the nearest one that exists.
    QString start = folder();
    while (!start.isEmpty() && !QFileInfo(start).isDir() && QFileInfo(start).absolutePath() != start)
        start = QFileInfo(start).absolutePath();
    const QString chosen = m_picker ? m_picker(start) : QString();
    if (chosen.isEmpty())
        return;
    m_folderEdit->setText(QDir::toNativeSeparators(chosen));
    if (m_chosen)
        m_chosen(QDir::fromNativeSeparators(chosen));
}

void TfrmDiscoQuirels::generate()
{
    m_folder = folder();
    m_files = declarationPaths(m_folder, m_period);
    // A folder that does not exist: asked first, then made.
    if (!m_folder.isEmpty() && floppyDrive(m_folder).isNull() && !QFileInfo::exists(m_folder)) {
        const QString shown = QDir::toNativeSeparators(m_folder);
        if (!m_dialogs.confirm(msg::kCriarPasta.arg(shown))) {
            m_dialogs.information(msg::kPastaNaoCriadaGeracao);
            m_dialogs.focus(m_folderEdit->objectName());
            return;
        }
        if (!QDir().mkpath(m_folder)) {
            m_dialogs.error(msg::kPastaNaoCriada.arg(shown));
            return;
        }
    }

    // A floppy drive is formatted first where the platform can do so.
    const QChar floppy = floppyDrive(m_folder);
    if (!floppy.isNull()) {
        if (!m_dialogs.confirmOkCancel(msg::kConfirmaFormatacao)) {
            m_dialogs.information(msg::kGeracaoAbortada);
            return;
        }
        switch (formatFloppy(this, floppy)) {
        case FormatResult::Failed: m_dialogs.information(msg::kFormatacaoErro); return;
        case FormatResult::Cancelled: m_dialogs.information(msg::kFormatacaoCancelada); return;
        case FormatResult::Unformattable: m_dialogs.information(msg::kFormatacaoImpossivel); return;
        case FormatResult::Formatted: m_dialogs.information(msg::kFormatacaoConcluida); break;
        }
    }

    GenerateRequest request;
    request.key = m_period;
    request.folder = m_folder;
    // The command that opens this dialog is enabled only after a validation
    // without errors.
    request.check = false;
    if (generateDeclaration(m_db, request, m_dialogs)) {
        m_fechar->setFocus();
        m_dialogs.focus(m_fechar->objectName());
    }
}

} // namespace quirels::exchange
