#include "EmpresaQuirels.h"

#include "base/ui/Focus.h"
#include "Hints.h"
#include "MainWindow.h"
#include "NumberEdit.h"
#include "base/Masks.h"
#include "base/ui/EnterKey.h"
#include "base/ui/MaskCaret.h"
#include "shell/Company.h"
#include "shell/Messages.h"
#include "store/DataModule.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace quirels {

namespace msg = shell::msg;

namespace {

struct GroupDef {
    const char *caption;
    const char *hint;
};

const GroupDef kGroups[9] = {
    {"Grupo I", "Fabricação, produção|GRUPO I - Fabricação, produção"},
    {"Grupo II", "Transformação|GRUPO II - Transformação"},
    {"Grupo III", "Utilização|GRUPO III - Utilização"},
    {"Grupo IV", "Reaproveitamento/Reciclagem"},
    {"Grupo V", "Comercialização, distribuição|GRUPO V - Comercialização, distribuição"},
    {"Grupo VI", "Embalagem|GRUPO VI - Embalagem"},
    {"Grupo VII", "Armazenagem|GRUPO VII - Armazenagem"},
    {"Grupo VIII", "Transporte|GRUPO VIII - Transporte"},
    {"Grupo IX (Outros)", "Outras / Especificar|GRUPO IX - Outras / Especificar"},
};

const char *const kRoman[9] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"};

const EditMask &clfMask()
{
    static const EditMask m(QStringLiteral("99999999-9;1;_"));
    return m;
}

// "Grupo I" .. "Grupo IX" → 1 .. 9; 0 for anything else.
int mainGroupNumber(const QString &text)
{
    for (int i = 0; i < 9; ++i)
        if (text == QStringLiteral("Grupo ") + QLatin1String(kRoman[i]))
            return i + 1;
    return 0;
}

} // namespace

TfrmEmpresaQuirels::TfrmEmpresaQuirels(MainWindow &main, QWidget *parent)
    : QDialog(parent),
      m_main(main),
      m_number(new NumberEdit(this)),
      m_name(new QLineEdit(this)),
      m_clf(new QLineEdit(this)),
      m_mainGroup(new QComboBox(this)),
      m_monthField(new QLineEdit(this)),
      m_yearField(new QLineEdit(this)),
      m_otherActivity(new QLineEdit(this)),
      m_cnaeName(new QComboBox(this)),
      m_cnaeCode(new QComboBox(this))
{
    setObjectName(QStringLiteral("frmEmpresaQuirels"));
    setWindowTitle(QStringLiteral("Informações sobre a Empresa"));
    enterMovesToNextField(this);

    m_name->setObjectName(QStringLiteral("edtRazao"));
    m_name->setMaxLength(schema::textWidth(QStringLiteral("Empresa"), QStringLiteral("NmRazao")));
    setHint(m_name, QStringLiteral("Digite a Razão social da empresa"));
    m_number->setObjectName(QStringLiteral("edtCNPJ"));
    m_number->setRule(NumberEdit::Rule::Typed);
    m_number->setDigitsOnly(true);
    m_number->setWidth(schema::textWidth(QStringLiteral("Empresa"), QStringLiteral("CdCNPJEmpr")));
    m_number->setDialogs(&main.dialogs());
    setHint(m_number, QStringLiteral("Digite o CNPJ da emrpesa"));
    m_clf->setObjectName(QStringLiteral("edtCLF"));
    m_clf->setInputMask(clfMask().qtInputMask());
    keepCaretInMask(m_clf, clfMask());
    setHint(m_clf, QStringLiteral("Digite o CLF da empresa"));
    m_mainGroup->setObjectName(QStringLiteral("cmbGrupoPrincipal"));
    m_mainGroup->setEditable(false);
    for (const char *r : kRoman)
        m_mainGroup->addItem(QStringLiteral("Grupo ") + QLatin1String(r));
    m_mainGroup->setCurrentIndex(-1);
    setHint(m_mainGroup, QStringLiteral("Digite o grupo principal da empresa"));
    m_mainGroup->installEventFilter(this);
    for (QLineEdit *e : {m_monthField, m_yearField}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        e->setMaximumWidth(60);
    }
    m_monthField->setObjectName(QStringLiteral("edtMes"));
    setHint(m_monthField, QStringLiteral("Mês selecionado"));
    m_yearField->setObjectName(QStringLiteral("edtAno"));
    setHint(m_yearField, QStringLiteral("Ano selecionado"));

    auto *groupsBox = new QGroupBox(QStringLiteral("Grupos de Atividade"), this);
    groupsBox->setObjectName(QStringLiteral("grpGrupos"));
    auto *groupsGrid = new QGridLayout(groupsBox);
    for (int i = 0; i < 9; ++i) {
        auto *box = new QCheckBox(QString::fromUtf8(kGroups[i].caption), groupsBox);
        box->setObjectName(QStringLiteral("chkGrupo") + QLatin1String(kRoman[i]));
        setHint(box, QString::fromUtf8(kGroups[i].hint));
        connect(box, &QCheckBox::clicked, this, [this] { groupClicked(); });
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) {
            write(QStringLiteral("FlGrupo") + QLatin1String(kRoman[i]), on);
        });
        groupsGrid->addWidget(box, i % 5, i / 5);
        m_groups[static_cast<size_t>(i)] = box;
    }
    m_otherActivity->setObjectName(QStringLiteral("edtDsGrupoIX"));
    m_otherActivity->setMaxLength(schema::textWidth(QStringLiteral("Empresa"), QStringLiteral("DsGrupoIX")));
    setHint(m_otherActivity, QStringLiteral("Indique a atividade\ndesenvolvida|Indicar a atividade desenvolvida"));
    // The description of the other activity is group IX's: beside its box,
    // open to typing whenever the group is ticked, main group or not.
    groupsGrid->addWidget(m_otherActivity, 3, 2);
    groupsGrid->setColumnStretch(2, 1);
    m_otherActivity->setEnabled(false);
    connect(m_groups[8], &QCheckBox::toggled, m_otherActivity, &QWidget::setEnabled);

    m_cnaeName->setObjectName(QStringLiteral("cmbCNAE"));
    m_cnaeName->setEditable(false);
    m_cnaeName->setMinimumContentsLength(40);
    m_cnaeName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setHint(m_cnaeName, QStringLiteral("Selecione a atividade econômica da empresa"));
    m_cnaeCode->setObjectName(QStringLiteral("cmbCdCNAE"));
    m_cnaeCode->setEditable(false);
    setHint(m_cnaeCode, QStringLiteral("Selecione o código CNAE da empresa"));
    loadActivities();
    for (QComboBox *list : {m_cnaeName, m_cnaeCode})
        connect(list, &QComboBox::activated, this, [this, list] {
            const QString code = list->currentData().toString();
            selectActivity(code);
            write(QStringLiteral("CdCNAE"), code);
        });

    // Edits put the company row into editing and go to its buffer; the
    // number is written when the window closes (a key change).
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString &t) { write(QStringLiteral("NmRazao"), t); });
    connect(m_clf, &QLineEdit::textEdited, this,
            [this] { write(QStringLiteral("NrCLF"), clfMask().store(m_clf->displayText())); });
    connect(m_otherActivity, &QLineEdit::textEdited, this,
            [this](const QString &t) { write(QStringLiteral("DsGrupoIX"), t); });
    connect(m_mainGroup, &QComboBox::currentTextChanged, this,
            [this](const QString &t) { write(QStringLiteral("DsGrupoPrincipal"), t); });

    auto *close = new QPushButton(QStringLiteral("&Fechar"), this);
    close->setObjectName(QStringLiteral("btnFechar"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto *companyBox = new QGroupBox(QStringLiteral("Dados da Empresa"), this);
    companyBox->setObjectName(QStringLiteral("grpEmpresa"));
    auto *company = new QGridLayout(companyBox);
    company->addWidget(new QLabel(QStringLiteral("Razão Social"), companyBox), 0, 0);
    company->addWidget(m_name, 0, 1, 1, 5);
    company->addWidget(new QLabel(QStringLiteral("CNPJ"), companyBox), 1, 0);
    company->addWidget(m_number, 1, 1);
    company->addWidget(new QLabel(QStringLiteral("CLF"), companyBox), 1, 2);
    company->addWidget(m_clf, 1, 3);
    company->addWidget(new QLabel(QStringLiteral("Grupo Principal"), companyBox), 2, 0);
    company->addWidget(m_mainGroup, 2, 1);
    company->addWidget(new QLabel(QStringLiteral("Mês"), companyBox), 2, 2);
    company->addWidget(m_monthField, 2, 3);
    company->addWidget(new QLabel(QStringLiteral("Ano"), companyBox), 2, 4);
    company->addWidget(m_yearField, 2, 5);

    auto *activityBox = new QGroupBox(QStringLiteral("Atividade Econômica (CNAE)"), this);
    activityBox->setObjectName(QStringLiteral("grpCNAE"));
    auto *activity = new QHBoxLayout(activityBox);
    activity->addWidget(m_cnaeCode);
    activity->addWidget(m_cnaeName, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(companyBox);
    layout->addWidget(groupsBox);
    layout->addWidget(activityBox);
    layout->addLayout(buttons);
    // Tab goes through the window as it reads: the company's data, the nine
    // groups column by column, the other activity, the activity lists.
    QList<QWidget *> order{m_name, m_number, m_clf, m_mainGroup};
    for (QCheckBox *box : m_groups)
        order.append(box);
    order << m_otherActivity << m_cnaeCode << m_cnaeName << close;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    resize(640, 420);
}

void TfrmEmpresaQuirels::loadActivities()
{
    // The activity list in name order (idxNome) and the code list in code
    // order (idxCDDescr), both storing CDDESCRCNAE.
    store::Cursor &cnae = m_main.dataModule().lkpCnae();
    auto rows = [&cnae](const QString &order, const std::function<void(const QString &, const QString &)> &add) {
        if (!cnae.isOpen() || !cnae.setOrder(order))
            return;
        for (bool ok = cnae.first(); ok && !cnae.eof(); ok = cnae.next())
            add(cnae.value(QStringLiteral("CDDESCRCNAE")).toString(), cnae.value(QStringLiteral("NMCNAE")).toString());
    };
    m_cnaeName->clear();
    auto *model = new QStandardItemModel(0, 2, m_cnaeCode);
    rows(QStringLiteral("idxCDDescr"), [model](const QString &code, const QString &name) {
        auto *c = new QStandardItem(code);
        c->setData(code, Qt::UserRole);
        model->appendRow({c, new QStandardItem(name)});
    });
    rows(QStringLiteral("idxNome"), [this](const QString &code, const QString &name) { m_cnaeName->addItem(name, code); });
    m_cnaeCode->setModel(model);
    auto *view = new QTableView(m_cnaeCode);
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setShowGrid(false);
    view->setMinimumWidth(400);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    m_cnaeCode->setView(view);
    view->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    view->horizontalHeader()->setStretchLastSection(true);
    m_cnaeCode->setCurrentIndex(-1);
    m_cnaeName->setCurrentIndex(-1);
}

void TfrmEmpresaQuirels::selectActivity(const QString &code)
{
    m_cnaeName->setCurrentIndex(code.isEmpty() ? -1 : m_cnaeName->findData(code));
    m_cnaeCode->setCurrentIndex(code.isEmpty() ? -1 : m_cnaeCode->findData(code));
}

shell::Groups TfrmEmpresaQuirels::checkedGroups() const
{
    shell::Groups g{};
    for (size_t i = 0; i < 9; ++i)
        g[i] = m_groups[i]->isChecked();
    return g;
}

void TfrmEmpresaQuirels::write(const QString &field, const QVariant &value)
{
    if (m_loading)
        return;
    store::Cursor &e = m_main.dataModule().empresa();
    if (!e.isEditing() && !e.edit())
        return;
    e.setValue(field, value);
}

bool TfrmEmpresaQuirels::editing() const { return m_main.dataModule().empresa().isEditing(); }

void TfrmEmpresaQuirels::load(const Typed &typed)
{
    m_loading = true;
    const PeriodKey p = m_main.currentPeriod();
    m_month = p.mes;
    m_year = p.ano;
    m_monthField->setText(p.mes);
    m_yearField->setText(p.ano);
    const store::Cursor &e = m_main.dataModule().empresa();
    auto text = [&e](const char *field) { return e.value(QString::fromLatin1(field)).toString(); };
    m_openingKey = p.cnpj;
    // A key of another length kept from older data shows whole, so that
    // closing the window finds it unchanged.
    const QString shown = typed.number.isEmpty() ? m_openingKey : typed.number;
    m_number->setValue(shown, cpfcnpj::typedNumberMask(shown));
    m_name->setText(typed.name.isEmpty() ? text("NmRazao") : typed.name);
    m_clf->setText(clfMask().display(text("NrCLF")));
    selectActivity(text("CdCNAE"));
    m_otherActivity->setText(text("DsGrupoIX"));
    m_mainGroup->setCurrentIndex(m_mainGroup->findText(text("DsGrupoPrincipal")));
    for (int i = 0; i < 9; ++i)
        m_groups[static_cast<size_t>(i)]->setChecked(
            e.value(QStringLiteral("FlGrupo") + QLatin1String(kRoman[i])).toBool());
    m_otherActivity->setEnabled(m_groups[8]->isChecked());
    m_loading = false;
}

void TfrmEmpresaQuirels::showNonModal(const Typed &typed)
{
    load(typed);
    setWindowModality(Qt::NonModal);
    show();
    raise();
    activateWindow();
}

int TfrmEmpresaQuirels::execModal()
{
    load({});
    return exec();
}

void TfrmEmpresaQuirels::mainGroupLeft()
{
    write(QStringLiteral("DsGrupoPrincipal"), m_mainGroup->currentText());
    const int g = mainGroupNumber(m_mainGroup->currentText());
    if (g == 0)
        return;
    m_groups[static_cast<size_t>(g - 1)]->setChecked(true);
}

void TfrmEmpresaQuirels::groupClicked()
{
    const int g = mainGroupNumber(m_mainGroup->currentText());
    if (g >= 1 && g <= 8)
        m_groups[static_cast<size_t>(g - 1)]->setChecked(true);
}

bool TfrmEmpresaQuirels::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_mainGroup && e->type() == QEvent::FocusOut && !m_loading) {
        // Opening the drop-down moves the focus to its list: not a leaving.
        if (leavesTheField(static_cast<QFocusEvent *>(e)))
            mainGroupLeft();
    }
    return QDialog::eventFilter(watched, e);
}

bool TfrmEmpresaQuirels::runClosingSteps()
{
    Dialogs &d = m_main.dialogs();
    store::DataModule &dm = m_main.dataModule();
    store::Cursor &empresa = dm.empresa();
    // 1. Key change: the thirteen tables and the company row take the new
    // number together, or none does.
    const QString number = m_number->value();
    const auto restore = [this] { m_number->setValue(m_openingKey, cpfcnpj::typedNumberMask(m_openingKey)); };
    if (number != m_openingKey) {
        if (!d.confirm(msg::kConfirmaMudancaCnpj) || number.trimmed().isEmpty()) {
            restore();
        } else if (const cpfcnpj::Check check = cpfcnpj::checkRegistration(number); !check.ok()) {
            // Only a CPF or a CNPJ becomes a key: the window stays open
            // with the number to correct (or to put back with "Não").
            d.error(check.message);
            m_number->removeMask();
            d.focus(m_number->objectName());
            return false;
        } else {
            QSqlDatabase db = m_main.db();
            Result<shell::KeyChange> r = shell::changeCompanyKey(db, m_openingKey, number);
            if (!r) {
                d.error(r.message());
                restore();
                return false;
            }
            if (*r == shell::KeyChange::Exists) {
                d.information(msg::kCnpjJaExiste);
                restore();
            } else {
                m_openingKey = number;
                // The row in the buffer carries the new number as well.
                if (empresa.isEditing())
                    empresa.setValue(QStringLiteral("CdCNPJEmpr"), number);
            }
        }
    }
    // 2. Post the company row; 3. every pending row, then every cursor anew.
    if (empresa.isEditing() && !empresa.post())
        return true;
    for (store::Cursor *c : dm.cursors())
        if (c->isOpen() && c->isEditing() && !c->post())
            return true;
    if (!dm.reopenAll())
        return true;
    // 4. Position on the company and the period shown.
    m_main.setCurrentPeriod(PeriodKey{m_openingKey, m_year, m_month});
    // 5. The annex windows of the company's groups, unless the company is
    // being closed (another company is being opened or created).
    m_number->removeMask();
    if (!m_main.closingCompany())
        m_main.openAnnexWindows();
    return true;
}

void TfrmEmpresaQuirels::reject() { close(); }

void TfrmEmpresaQuirels::closeEvent(QCloseEvent *e)
{
    // Escape, the close box and "&Fechar" all end here; a modal run ends
    // with the window.
    if (!runClosingSteps()) {
        e->ignore();
        return;
    }
    setResult(QDialog::Accepted);
    e->accept();
}

} // namespace quirels
