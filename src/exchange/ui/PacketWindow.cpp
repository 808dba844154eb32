#include "PacketWindow.h"

#include "PacketTableModel.h"
#include "exchange/Messages.h"
#include "exchange/PacketImport.h"
#include "exchange/PacketReader.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace quirels::exchange {

namespace {

QStringList words(const char *list) { return QString::fromLatin1(list).split(QLatin1Char(' '), Qt::SkipEmptyParts); }

const std::vector<PacketRow> *rowsOf(const Level &level, const PacketRow *row, const QString &set)
{
    const int at = level.nestedIndex(set);
    if (!row || at < 0 || static_cast<size_t>(at) >= row->nested.size())
        return nullptr;
    return &row->nested[static_cast<size_t>(at)];
}

// The sub-pages of the products page: title, grids (caption, data set,
// columns) and the letter of the observation shown below them.
struct GridSpec {
    const char *caption;
    const char *set;
    const char *columns;
};
struct SubPageSpec {
    const char *title;
    std::vector<GridSpec> grids;
    char letter;
    const char *observationCaption;
};

const std::vector<SubPageSpec> &subPages()
{
    static const std::vector<SubPageSpec> pages{
        {"Produto Controlado",
         {{"Produto", "tblProdutos",
           "CdNCM NmProduto VlConcentracao VlDensidade QtEstoqueAnt QtProducao QtTransformacao QtUtilizacao QtCompras "
           "QtVendas QtReciclagem QtReaproveitamento QtImportacao QtExportacao QtPerdas QtEvaporacao QtEntradasDiv "
           "QtSaidasDiv QtEstoqueAtual DsUnidade CdProdutoControlado"},
          {"Produto Final Obtido", "tblProdutoFinal", "CdNCM NmProduto VlDensidade QtProdFinal DsUnidade CdProdControlado"},
          {"Substância Presente", "tblSubstanciaPresente", "CdNCM NmProduto VlConcentracao CdProdControlado"}},
         'A', "Observações Anexo A"},
        {"Movimentação do Produto",
         {{"Movimentacao", "tblMovimentacao",
           "NrDia NrCFOP CdProduto VlConcentracao VlQuantidade NmUnidade NrNF CdFornecedor CdTransportadora"}},
         'B', "Observações anexo B"},
        {"Importação",
         {{"Importação", "tblImportacao", "VlConcentracao QtImportacao NrLI DsUnidade NrNF CdTransportadora NmImportador FlIE"}},
         'C', "Observações Anexo C"},
        {"Armazenagem",
         {{"Armazenagem", "tblArmazenagem", "VlConcentracao QtEstoqueAnt QtEstoqueAtual DsUnidade CdProprietario"}},
         'D', "Observações Anexo D"},
        {"Movimentação de Armazenagem",
         {{"Movimentação", "tblMovArmazenagem",
           "NrDia DsES CdProduto QtMovArmazenagem DsUnidade CdNF CdProprietario CdTransportadora Vlconcentracao"}},
         'E', "Observações anexo E"},
        {"Transporte",
         {{"Transporte", "tblTransporte",
           "NrDia CdProduto VlConcentracao QtProduto DsUnidade NrNF CdEmbarcador SgUFEmbarcador CdDestinatario "
           "SgUFDestinatario"}},
         'F', "Observações anexo F"},
        {"Resíduo", {{"Resíduo", "tblResiduo", "CdProdContrPresente VlConcentracao QtResiduo DsUnidade DsDestinacao"}},
         'G', "Observações anexo G"},
        {"Movimentação do Resíduo",
         {{"Movimentação", "tblMovResiduo",
           "NrDia VlES QtdMovResiduo DsUnidade CdProdControlado VlConcentracao NrNF CdFornecedor CdTransportadora"}},
         'G', "Observações anexo G"},
        {"Produto Isolado",
         {{"Isolado", "tblIsolado", "CdProdContrPresente VlConcentracao VlDensidade QtProdIsolado DsUnidade"}}, 'H',
         "Observações anexo H"},
    };
    return pages;
}

} // namespace

TfrmXML::TfrmXML(QSqlDatabase db, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_connection(db.connectionName()), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TfrmXML"));
    setWindowTitle(QStringLiteral("Arquivos XML"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pgcXML"));
    m_companyTabs = new QTabWidget;
    m_companyTabs->setObjectName(QStringLiteral("pgcEmpresa"));
    m_companyTabs->addTab(companyPage(), QStringLiteral("Dados da Empresa"));
    m_companyTabs->addTab(responsiblePage(), QStringLiteral("Dados do Responsável da Empresa"));
    m_pages->addTab(m_companyTabs, QStringLiteral("Informações da Empresa"));
    m_pages->addTab(productsPage(), QStringLiteral("Informações sobre os Produtos Controlados"));
    // Selecting the products page starts on its first sub-page (letter A).
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1)
            m_productTabs->setCurrentIndex(0);
    });

    auto *importar = new QPushButton(QStringLiteral("&Importar"), this);
    importar->setObjectName(QStringLiteral("btnImportar"));
    auto *fechar = new QPushButton(QStringLiteral("&Fechar"), this);
    fechar->setObjectName(QStringLiteral("btnFechar"));
    connect(importar, &QPushButton::clicked, this, &TfrmXML::importPacketNow);
    connect(fechar, &QPushButton::clicked, this, [this] {
        // Inside the main window the frame closes, and this window with it.
        if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
            frame->close();
        else
            close();
    });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(importar);
    buttons->addWidget(fechar);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);
    display(nullptr);
}

QLineEdit *TfrmXML::field(const QString &name)
{
    auto *e = new QLineEdit;
    e->setObjectName(QStringLiteral("edt") + name);
    e->setReadOnly(true);
    m_fields.insert(name, e);
    return e;
}

QWidget *TfrmXML::companyPage()
{
    auto *page = new QWidget;
    auto *group = new QGroupBox(QStringLiteral("Dados da Empresa"), page);
    auto *form = new QFormLayout;
    const std::pair<const char *, const char *> rows[] = {
        {"Empresa", "NmRazao"}, {"CNPJ", "CdCNPJEmpr"}, {"Mês", "NmMes"}, {"Ano", "NrAno"},
        {"NrCLF", "NrCLF"},     {"CdCNAE", "CdCNAE"},   {"Descrição do Grupo IX", "DsGrupoIX"},
    };
    for (const auto &r : rows)
        form->addRow(QString::fromUtf8(r.first), field(QString::fromLatin1(r.second)));
    auto *grupos = new QGroupBox(QStringLiteral("Grupos"), group);
    auto *grid = new QGridLayout(grupos);
    const QStringList roman = words("I II III IV V VI VII VIII IX");
    for (int i = 0; i < roman.size(); ++i) {
        auto *c = new QCheckBox(QStringLiteral("Grupo ") + roman.at(i), grupos);
        c->setObjectName(QStringLiteral("chkFlGrupo") + roman.at(i));
        c->setAttribute(Qt::WA_TransparentForMouseEvents);
        c->setFocusPolicy(Qt::NoFocus);
        m_groups.insert(QStringLiteral("FlGrupo") + roman.at(i), c);
        grid->addWidget(c, i / 3, i % 3);
    }
    m_informacoes = new QPlainTextEdit(group);
    m_informacoes->setObjectName(QStringLiteral("memDsInformacoes"));
    m_informacoes->setReadOnly(true);
    auto *v = new QVBoxLayout(group);
    v->addLayout(form);
    v->addWidget(grupos);
    v->addWidget(new QLabel(QStringLiteral("Informações"), group));
    v->addWidget(m_informacoes);
    auto *outer = new QVBoxLayout(page);
    outer->addWidget(group);
    return page;
}

QWidget *TfrmXML::responsiblePage()
{
    auto *page = new QWidget;
    auto *group = new QGroupBox(QStringLiteral("Dados do Responsável"), page);
    auto *form = new QFormLayout(group);
    const std::pair<const char *, const char *> rows[] = {
        {"Nome do Responsável", "NmResponsavel"}, {"Identidade", "NrIdentidade"}, {"CPF", "NrCpfResponsavel"},
        {"Órgão", "NmOrgao"}, {"UF", "SgUF"}, {"DDD", "NrDDD"}, {"Telefone", "NrFone"}, {"Fax", "NrFax"},
        {"E-Mail", "NmEmail"},
    };
    for (const auto &r : rows)
        form->addRow(QString::fromUtf8(r.first), field(QString::fromLatin1(r.second)));
    auto *outer = new QVBoxLayout(page);
    outer->addWidget(group);
    outer->addStretch(1);
    return page;
}

QTableView *TfrmXML::grid(const QString &name, PacketTableModel *model)
{
    auto *view = new QTableView;
    view->setObjectName(QStringLiteral("grd") + name);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setTabKeyNavigation(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    return view;
}

QWidget *TfrmXML::productsPage()
{
    m_productTabs = new QTabWidget;
    m_productTabs->setObjectName(QStringLiteral("pgcProdutos"));
    for (const SubPageSpec &spec : subPages()) {
        auto *page = new QWidget;
        auto *v = new QVBoxLayout(page);
        for (const GridSpec &g : spec.grids) {
            const QString set = QString::fromLatin1(g.set);
            auto *model = new PacketTableModel(*packetLevel(set), words(g.columns), this);
            m_models.insert(set, model);
            auto *box = new QGroupBox(QString::fromUtf8(g.caption), page);
            auto *bv = new QVBoxLayout(box);
            QTableView *view = grid(set.mid(3), model);
            bv->addWidget(view);
            v->addWidget(box, 1);
            if (set == QLatin1String("tblProdutos"))
                m_produtos = view;
            else if (set == QLatin1String("tblProdutoFinal"))
                m_finais = view;
        }
        auto *obsBox = new QGroupBox(QString::fromUtf8(spec.observationCaption), page);
        auto *ov = new QVBoxLayout(obsBox);
        auto *memo = new QPlainTextEdit(obsBox);
        memo->setObjectName(QStringLiteral("memObs") + QString::fromLatin1(spec.grids.front().set).mid(3));
        memo->setReadOnly(true);
        memo->setMaximumHeight(80);
        ov->addWidget(memo);
        v->addWidget(obsBox);
        m_subPages.append({QString::fromUtf8(spec.title), QLatin1Char(spec.letter), memo});
        m_productTabs->addTab(page, QString::fromUtf8(spec.title));
    }
    connect(m_produtos->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TfrmXML::selectProduct);
    connect(m_finais->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TfrmXML::selectFinal);
    connect(m_productTabs, &QTabWidget::currentChanged, this, &TfrmXML::showObservations);
    return m_productTabs;
}

bool TfrmXML::load(const QString &path)
{
    m_path = path;
    Result<PacketRow> packet = readPacketFile(path);
    if (!packet) {
        m_packet.reset();
        display(nullptr);
        QString text = packet.message();
        // The authority's file of a month: the full file of that month by name.
        const QFileInfo chosen(path);
        if (text == msg::kPacoteSemDeclaracoes && chosen.suffix().compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0) {
            const QString full = chosen.completeBaseName() + QStringLiteral("EMP.xml");
            const bool there = QFileInfo::exists(chosen.dir().filePath(full));
            text += QLatin1Char('\r') + msg::kEscolhaArquivoEmp.arg(full, there ? msg::kArquivoEmpNaPasta : msg::kArquivoEmpFora);
        }
        m_dialogs.error(text);
        return false;
    }
    m_packet = packet.take();
    display(&*m_packet);
    return true;
}

void TfrmXML::display(const PacketRow *company)
{
    const Level &root = packetRoot();
    const Level &mes = *packetLevel(QStringLiteral("qryMes"));
    const std::vector<PacketRow> *months = rowsOf(root, company, mes.name);
    const PacketRow *month = months && !months->empty() ? &months->front() : nullptr;
    for (auto it = m_fields.begin(); it != m_fields.end(); ++it) {
        const bool ofMonth = it.key() == QLatin1String("NmMes") || it.key() == QLatin1String("NrAno");
        const PacketRow *r = ofMonth ? month : company;
        it.value()->setText(r ? fieldValue(ofMonth ? mes : root, *r, it.key()).toString() : QString());
    }
    for (auto it = m_groups.begin(); it != m_groups.end(); ++it)
        it.value()->setChecked(company && fieldValue(root, *company, it.key()).toBool());
    m_informacoes->setPlainText(company ? fieldValue(root, *company, QStringLiteral("DsInformacoes")).toString() : QString());

    for (auto it = m_models.begin(); it != m_models.end(); ++it) {
        const bool ofMonth = mes.nestedIndex(it.key()) >= 0;
        it.value()->setRows(ofMonth ? rowsOf(mes, month, it.key()) : nullptr);
    }
    if (m_models.value(QStringLiteral("tblProdutos"))->rowCount() > 0)
        m_produtos->selectRow(0);
    showObservations();
    m_pages->setCurrentIndex(0);
    m_companyTabs->setCurrentIndex(0);
    m_productTabs->setCurrentIndex(0);
}

void TfrmXML::selectProduct()
{
    const PacketRow *p = m_models.value(QStringLiteral("tblProdutos"))->row(m_produtos->currentIndex().row());
    m_models.value(QStringLiteral("tblProdutoFinal"))
        ->setRows(rowsOf(*packetLevel(QStringLiteral("tblProdutos")), p, QStringLiteral("tblProdutoFinal")));
    if (m_models.value(QStringLiteral("tblProdutoFinal"))->rowCount() > 0)
        m_finais->selectRow(0);
    else
        selectFinal();
}

void TfrmXML::selectFinal()
{
    const PacketRow *f = m_models.value(QStringLiteral("tblProdutoFinal"))->row(m_finais->currentIndex().row());
    m_models.value(QStringLiteral("tblSubstanciaPresente"))
        ->setRows(rowsOf(*packetLevel(QStringLiteral("tblProdutoFinal")), f, QStringLiteral("tblSubstanciaPresente")));
}

void TfrmXML::showObservations()
{
    // Each sub-page shows the observation of its own annex letter.
    const Level &mes = *packetLevel(QStringLiteral("qryMes"));
    const Level &obs = *packetLevel(QStringLiteral("tblObservacoes"));
    const std::vector<PacketRow> *months = m_packet ? rowsOf(packetRoot(), &*m_packet, mes.name) : nullptr;
    const std::vector<PacketRow> *rows = months && !months->empty() ? rowsOf(mes, &months->front(), obs.name) : nullptr;
    for (const SubPage &page : m_subPages) {
        QString text;
        if (rows)
            for (const PacketRow &r : *rows)
                if (fieldValue(obs, r, QStringLiteral("Anexo")).toString() == QString(page.letter))
                    text = fieldValue(obs, r, QStringLiteral("Observacao")).toString();
        page.observation->setPlainText(text);
    }
}

PeriodKey TfrmXML::packetPeriod() const
{
    if (!m_packet)
        return {};
    const Level &root = packetRoot();
    const Level &mes = *packetLevel(QStringLiteral("qryMes"));
    const std::vector<PacketRow> *months = rowsOf(root, &*m_packet, mes.name);
    if (!months || months->empty())
        return {};
    const PacketRow &month = months->front();
    return PeriodKey{fieldValue(root, *m_packet, QStringLiteral("CdCNPJEmpr")).toString().trimmed(),
                     fieldValue(mes, month, QStringLiteral("NrAno")).toString().trimmed(),
                     fieldValue(mes, month, QStringLiteral("NmMes")).toString().trimmed().toUpper()};
}

void TfrmXML::importPacketNow()
{
    if (!m_packet)
        return;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (importPacket(db, *m_packet, m_dialogs))
        emit imported();
}

void TfrmXML::closeEvent(QCloseEvent *event)
{
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace quirels::exchange
