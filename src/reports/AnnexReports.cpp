#include "reports/AnnexReports.h"
#include "reports/Messages.h"
#include "reports/SqlSource.h"
#include "shell/CpfCnpj.h"
#include "store/ReferenceTables.h"
#include "store/Dialect.h"

#include <algorithm>

namespace quirels::reports {

namespace {

const FontSpec kCap{7, true};
const FontSpec kVal{7, false};
const FontSpec kDay{9, true};
constexpr double kRow = 3.6;                       // one line of 7-point text
const QString kQty = QStringLiteral("###,###,##0.000");

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

// Builds one printed line of caption-value pairs from left to right: a
// caption takes the width of its text, a value the width it is given.
class Line {
public:
    Line(Band &band, double y, FontSpec cap = kCap, FontSpec val = kVal) : m_b(band), m_y(y), m_cap(cap), m_val(val) {}
    Line &at(double x)
    {
        m_x = std::max(m_x, x);
        return *this;
    }
    Line &cap(const QString &text)
    {
        const double w = textWidth(text, m_cap) + 1.0;
        m_b.elements.push_back(label(m_x, m_y, w, text, m_cap));
        m_x += w;
        return *this;
    }
    Line &text(const QString &name, double w)
    {
        m_b.elements.push_back(field(m_x, m_y, w, name, m_val));
        m_x += w + 2;
        return *this;
    }
    Line &num(const QString &name, double w, const QString &picture)
    {
        m_b.elements.push_back(number(m_x, m_y, w, name, picture, m_val));
        m_x += w + 2;
        return *this;
    }
    Line &calc(std::function<QString(const EvalContext &)> fn, double w)
    {
        m_b.elements.push_back(computed(m_x, m_y, w, std::move(fn), m_val));
        m_x += w + 2;
        return *this;
    }

private:
    Band &m_b;
    double m_y;
    double m_x = 0;
    FontSpec m_cap, m_val;
};

// "Cod.NCM :" CdNCM "-" NmProduto | "Concentração %:" conc | "Unidade:" unit
void ncmLine(Band &b, double y, const QString &conc, const QString &picture, const QString &unit,
             const QString &ncmCaption = QStringLiteral("Cod.NCM :"))
{
    Line(b, y).cap(ncmCaption).text(QStringLiteral("CdNCM"), 15).cap(QStringLiteral("-")).text(QStringLiteral("NmProduto"), 85)
        .at(118).cap(s("Concentração %:")).num(conc, 16, picture).at(160).cap(QStringLiteral("Unidade:")).text(unit, 18);
}

// The operation text of a one-letter code, compared exactly.
std::function<QString(const EvalContext &)> operation(const QString &field, const char *e, const char *i,
                                                      const char *sOut)
{
    const QString entry = s(e), in = i ? s(i) : QString(), exit = sOut ? s(sOut) : QString();
    return [field, entry, in, exit](const EvalContext &c) {
        const QString v = c.value(field).toString();
        if (v == QLatin1String("E"))
            return entry;
        if (!in.isEmpty() && v == QLatin1String("I"))
            return in;
        if (!exit.isEmpty() && v == QLatin1String("S"))
            return exit;
        return QString();
    };
}

const char *titleLines(QChar annex)
{
    switch (annex.unicode()) {
    case 'A': return "Anexo XI-A - QUIREL DE CONTROLE GERAL DE PRODUTOS QUÍMICOS";
    case 'B': return "Anexo XI-B - QUIREL DE MOVIMENTAÇÃO DE PRODUTOS QUÍMICOS";
    case 'C': return "Anexo XI-C - QUIREL DE CONTROLE DE IMPORTAÇÃO E EXPORTAÇÃO DE PRODUTOS QUÍMICOS";
    case 'D': return "Anexo XI-D - QUIREL DE CONTROLE DE ARMAZENAGEM DE PRODUTOS QUÍMICOS";
    case 'E': return "Anexo XI-E - QUIREL DE MOVIMENTAÇÃO DE ARMAZENAGEM DE PRODUTOS QUÍMICOS";
    case 'F': return "Anexo XI-F - QUIREL DE TRANSPORTE DE PRODUTOS QUÍMICOS";
    case 'G': return "Anexo XI-G - QUIREL DE CONTROLE DE GERAÇÃO/REAPROVEITAMENTO/RECICLAGEM \n"
                     "DE RESÍDUOS CONTENDO PRODUTOS QUÍMICOS CONTROLADOS";
    default: return "Anexo XI-H - QUIREL DE MOVIMENTAÇÃO DE RESÍDUOS";
    }
}

// The frame every annex report shares: page header, observations page, and
// the report's parameters (company, period, observation of the annex).
ReportDef frame(const QSqlDatabase &db, const PeriodKey &period, QChar annex)
{
    ReportDef def;
    def.title = msg::titulo(annex);
    def.setup.paper = QSizeF(210, 297);
    def.setup.margins = QMarginsF(5, 10, 5, 10);

    Band &ph = def.pageHeader;
    double y = 0;
    for (const QString &line : s(titleLines(annex)).split(QLatin1Char('\n'))) {
        ph.elements.push_back(label(0, y, 0, line, {10, true}, Align::Center));
        y += 4.8;
    }
    ph.elements.push_back(label(0, y, 0, msg::titulo(annex), {14, true}, Align::Center));
    y += 6.8;
    ph.elements.push_back(computed(0, y, 0, [](const EvalContext &c) -> QString {
        return c.value(QStringLiteral("NmMes")).toString() + QLatin1Char('/') + c.value(QStringLiteral("NrAno")).toString();
    }, {7, true}, Align::Center));
    y += 4;
    ph.elements.push_back(field(0, y, 130, QStringLiteral("NmRazao"), {7, true}));
    ph.elements.push_back(field(135, y, 40, QStringLiteral("CdCNPJEmpr"), {7, true}));
    y += 4;
    ph.elements.push_back(hline(y));
    ph.height = y + 1.5;

    def.summaryNewPage = true;
    def.summary.height = 8;
    def.summary.elements = {label(0, 1, 0, msg::kObservacoes.arg(annex), kDay), memo(0, 7, 0, QStringLiteral("Observacao"), kVal)};

    const QString sql = QStringLiteral(
        "select cast(? as text) as CdCNPJEmpr, cast(? as text) as NrAno, cast(? as text) as NmMes, "
        "(select NmRazao from Empresa where CdCNPJEmpr = ?) as NmRazao, "
        "(select Observacao from Observacoes where CdCNPJEmpr = ? and NrAno = ? and NmMes = ? and Anexo = ?) as Observacao");
    def.params = std::make_shared<SqlSource>(db, sql, QVariantList{period.cnpj, period.ano, period.mes, period.cnpj,
                                                                   period.cnpj, period.ano, period.mes, QString(annex)});
    return def;
}

// The rows of one annex table for the period, in the given order.
std::function<std::unique_ptr<Source>(const Source *)> periodRows(const QSqlDatabase &db, const PeriodKey &period,
                                                                  const QString &select, const QString &order)
{
    const QString sql = select + QStringLiteral(" where CdCNPJEmpr = ? and NrAno = ? and NmMes = ? order by ") + order;
    const QVariantList values{period.cnpj, period.ano, period.mes};
    return [db, sql, values](const Source *) { return std::make_unique<SqlSource>(db, sql, values); };
}

std::function<std::unique_ptr<Source>(const Source *)> tableRows(const QSqlDatabase &db, const PeriodKey &period,
                                                                 const QString &table, const QString &order)
{
    return periodRows(db, period, QStringLiteral("select * from ") + table, order);
}

// A day header before the first row and at every change of day; a gap after
// each day.
Group dayGroup()
{
    Group g;
    g.field = QStringLiteral("NrDia");
    g.header.height = 7.4;
    g.header.elements = {hline(0.6), label(0, 1.4, 8, QStringLiteral("Dia"), kDay), field(9, 1.4, 10, QStringLiteral("NrDia"), kDay),
                         hline(6.6)};
    g.footer.height = 2.5;
    return g;
}

void annexA(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period)
{
    Level products;
    products.source = tableRows(db, period, QStringLiteral("Produtos"), QStringLiteral("CdProduto"));
    Band &d = products.detail;
    Line(d, 1, kDay, kDay).cap(QStringLiteral("Cod.NCM :")).text(QStringLiteral("CdNCM"), 30);
    Line(d, 6).cap(QStringLiteral("Nome Produto:")).text(QStringLiteral("NmProduto"), 85).at(110)
        .cap(s("Concentração %:")).num(QStringLiteral("VlConcentracao"), 12, QStringLiteral("0.00"))
        .cap(QStringLiteral("Densidade:")).num(QStringLiteral("VlDensidade"), 12, QStringLiteral("0.00"))
        .cap(QStringLiteral("Unidade:")).text(QStringLiteral("DsUnidade"), 12);
    const char *quantities[4][4][2] = {
        {{"Estoque Anterior:", "QtEstoqueAnt"}, {"Produção:", "QtProducao"}, {"Transformação:", "QtTransformacao"}, {"Utilização:", "QtUtilizacao"}},
        {{"Compras  :", "QtCompras"}, {"Vendas:", "QtVendas"}, {"Reciclagem:", "QtReciclagem"}, {"Reaproveitamento:", "QtReaproveitamento"}},
        {{"Importação:", "QtImportacao"}, {"Exportação:", "QtExportacao"}, {"Perdas:", "QtPerdas"}, {"Evaporação:", "QtEvaporacao"}},
        {{"Entradas Diversas:", "QtEntradasDiv"}, {"Saídas Diversas:", "QtSaidasDiv"}, {"Estoque Atual:", "QtEstoqueAtual"}, {nullptr, nullptr}},
    };
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4 && quantities[r][c][0]; ++c) {
            const double x = c * 50.0;
            d.elements.push_back(label(x, 6 + kRow * (r + 1), 26, s(quantities[r][c][0]), kCap));
            d.elements.push_back(number(x + 26, 6 + kRow * (r + 1), 22, s(quantities[r][c][1]), kQty, kVal));
        }
    }
    d.height = 6 + kRow * 5 + 1;

    Level finals;
    finals.source = [db, period](const Source *master) {
        return std::make_unique<SqlSource>(db, QStringLiteral("select * from ProdutoFinal where CdCNPJEmpr = ? and NrAno = ? and NmMes = ? and CdProduto = ? order by CdProdFinal"),
                                           QVariantList{period.cnpj, period.ano, period.mes, master->value(QStringLiteral("CdProduto"))});
    };
    Line(finals.detail, 0).cap(QStringLiteral("Cod.NCM Prod.Final:")).text(QStringLiteral("CdNCM"), 15).cap(QStringLiteral("-"))
        .text(QStringLiteral("NmProduto"), 70).at(118).cap(QStringLiteral("Qtde.:")).num(QStringLiteral("QtProdFinal"), 18, QStringLiteral("0.000"))
        .cap(QStringLiteral("Densidade:")).num(QStringLiteral("VlDensidade"), 10, QStringLiteral("##0.00"))
        .cap(QStringLiteral("Unidade:")).text(QStringLiteral("DsUnidade"), 10);
    finals.detail.height = kRow + 0.4;

    Level substances;
    substances.source = [db, period](const Source *master) {
        return std::make_unique<SqlSource>(db, QStringLiteral("select * from SubstanciaPresente where CdCNPJEmpr = ? and NrAno = ? and NmMes = ? and CdProduto = ? and CdProdFinal = ? order by CdSubstancia"),
                                           QVariantList{period.cnpj, period.ano, period.mes, master->value(QStringLiteral("CdProduto")),
                                                        master->value(QStringLiteral("CdProdFinal"))});
    };
    substances.header.height = kRow + 0.4;
    substances.header.elements = {label(10, 0, 40, s("Cod.NCM Substância")), label(45, 0, 60, QStringLiteral("Nome do Produto")),
                                  label(150, 0, 30, s("Concentração %"))};
    substances.detail.height = kRow;
    substances.detail.elements = {field(10, 0, 30, QStringLiteral("CdNCM")), field(45, 0, 100, QStringLiteral("NmProduto")),
                                  number(150, 0, 22, QStringLiteral("VlConcentracao"), QStringLiteral("###,##0.00"))};
    substances.footer.height = 2.5;
    finals.children.push_back(substances);
    products.children.push_back(finals);
    products.footer.height = 0;
    def.sections.push_back(products);
}

void annexB(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period)
{
    Level l;
    l.source = tableRows(db, period, QStringLiteral("Movimentacao"), QStringLiteral("NrDia, NrMovimentacao"));
    l.groups.push_back(dayGroup());
    Band &d = l.detail;
    Line(d, 0).cap(QStringLiteral("CFOP:")).text(QStringLiteral("NrCFOP"), 15);
    ncmLine(d, kRow, QStringLiteral("VlConcentracao"), QStringLiteral("##0.00"), QStringLiteral("NmUnidade"));
    Line(d, 2 * kRow).cap(QStringLiteral("Nt.Fiscal:")).text(QStringLiteral("NrNF"), 16).cap(QStringLiteral("Qtde.:"))
        .num(QStringLiteral("VlQuantidade"), 24, kQty).at(70).cap(QStringLiteral("CPF/CNPJ Fornecedor:")).text(QStringLiteral("CdFornecedor"), 22)
        .at(130).cap(QStringLiteral("CPF/CNPJ Transportadora:")).text(QStringLiteral("CdTransportadora"), 22);
    d.height = 3 * kRow + 1;
    def.sections.push_back(l);
}

void annexC(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period)
{
    Level l;
    l.source = periodRows(db, period,
                          QStringLiteral("select i.*, (select NMPAIS from Paises p where p.CDPAIS = i.CdPais) as NMPAIS from Importacao i"),
                          QStringLiteral("CdImportacao"));
    Band &d = l.detail;
    Line(d, 0).cap(s("Operação:")).calc(operation(QStringLiteral("FlIE"), "Exportação", "Importação", nullptr), 30);
    Line(d, kRow).cap(QStringLiteral("L.I. ou R.E:")).text(QStringLiteral("NrLI"), 32).at(60).cap(QStringLiteral("Nr.NF:"))
        .text(QStringLiteral("NrNF"), 16).at(110).cap(QStringLiteral("CPF/CNPJ Transportadora:")).text(QStringLiteral("CdTransportadora"), 22);
    Line(d, 2 * kRow).cap(QStringLiteral("Nome do Importador:")).text(QStringLiteral("NmImportador"), 110).at(145)
        .cap(s("País:")).text(QStringLiteral("NMPAIS"), 45);
    ncmLine(d, 3 * kRow, QStringLiteral("VlConcentracao"), QStringLiteral("0.00"), QStringLiteral("DsUnidade"));
    Line(d, 4 * kRow).cap(s("Quantidade Importação :")).num(QStringLiteral("QtImportacao"), 24, kQty);
    d.height = 5 * kRow + 2.5;
    def.sections.push_back(l);
}

void annexD(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period)
{
    Level l;
    l.source = tableRows(db, period, QStringLiteral("Armazenagem"), QStringLiteral("CdArmazenagem"));
    Band &d = l.detail;
    Line(d, 0).cap(QStringLiteral("Cod.NCM :")).text(QStringLiteral("CdNCM"), 15);
    Line(d, kRow).cap(QStringLiteral("Nome Produto:")).text(QStringLiteral("NmProduto"), 95).at(118).cap(s("Concentração %:"))
        .num(QStringLiteral("VlConcentracao"), 16, QStringLiteral("##0.00")).at(160).cap(QStringLiteral("Unidade:")).text(QStringLiteral("DsUnidade"), 18);
    Line(d, 2 * kRow).cap(QStringLiteral("Estoque Anterior:")).num(QStringLiteral("QtEstoqueAnt"), 24, kQty).at(60)
        .cap(QStringLiteral("Estoque Atual:")).num(QStringLiteral("QtEstoqueAtual"), 24, kQty).at(120)
        .cap(s("CPF/CNPJ Proprietário:")).text(QStringLiteral("CdProprietario"), 22);
    d.height = 3 * kRow + 2.5;
    def.sections.push_back(l);
}

void annexE(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period)
{
    Level l;
    l.source = tableRows(db, period, QStringLiteral("MovArmazenagem"), QStringLiteral("NrDia, CdMovArmazenagem"));
    l.groups.push_back(dayGroup());
    Band &d = l.detail;
    Line(d, 0).cap(s("Operação:")).calc(operation(QStringLiteral("DsES"), "Entrada", nullptr, "Saída"), 30);
    ncmLine(d, kRow, QStringLiteral("Vlconcentracao"), QStringLiteral("0.00"), QStringLiteral("DsUnidade"));
    Line(d, 2 * kRow).cap(QStringLiteral("Nt.Fiscal:")).text(QStringLiteral("CdNF"), 16).cap(QStringLiteral("Qtde.:"))
        .num(QStringLiteral("QtMovArmazenagem"), 24, kQty).at(70).cap(s("CPF/CNPJ Proprietário:")).text(QStringLiteral("CdProprietario"), 22)
        .at(130).cap(QStringLiteral("CPF/CNPJ Transportadora:")).text(QStringLiteral("CdTransportadora"), 22);
    d.height = 3 * kRow + 1;
    def.sections.push_back(l);
}

void annexF(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period)
{
    Level l;
    l.source = tableRows(db, period, QStringLiteral("Transporte"), QStringLiteral("CdTransporte"));
    l.groups.push_back(dayGroup());
    Band &d = l.detail;
    Line(d, 0).cap(QStringLiteral("Nt.Fiscal:")).text(QStringLiteral("NrNF"), 16).at(36).cap(QStringLiteral("CPF/CNPJ Embarcador:"))
        .text(QStringLiteral("CdEmbarcador"), 22).cap(QStringLiteral("UF:")).text(QStringLiteral("SgUFEmbarcador"), 6).at(118)
        .cap(s("CPF/CNPJ Destinatário:")).text(QStringLiteral("CdDestinatario"), 22).cap(QStringLiteral("UF:")).text(QStringLiteral("SgUFDestinatario"), 6);
    ncmLine(d, kRow, QStringLiteral("VlConcentracao"), QStringLiteral("##0.00"), QStringLiteral("DsUnidade"));
    Line(d, 2 * kRow).cap(QStringLiteral("Qtde.:")).num(QStringLiteral("QtProduto"), 24, kQty);
    d.height = 3 * kRow + 1;
    def.sections.push_back(l);
}

void annexG(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period)
{
    Level residues;
    residues.source = tableRows(db, period, QStringLiteral("Residuo"), QStringLiteral("CdResiduo"));
    residues.printEmpty = true;
    residues.header.height = 6.5;
    residues.header.elements = {label(0, 0.5, 0, s("Resíduo"), kDay), hline(5.5)};
    ncmLine(residues.detail, 0, QStringLiteral("VlConcentracao"), QStringLiteral("##0.00"), QStringLiteral("DsUnidade"));
    Line(residues.detail, kRow).cap(QStringLiteral("Quantidade:")).num(QStringLiteral("QtResiduo"), 24, kQty).at(60)
        .cap(s("Destinação:")).text(QStringLiteral("DsDestinacao"), 60);
    residues.detail.height = 2 * kRow + 1;
    residues.footer.height = 5;
    def.sections.push_back(residues);

    Level isolated;
    isolated.source = tableRows(db, period, QStringLiteral("Isolado"), QStringLiteral("CdIsolado"));
    isolated.printEmpty = true;
    isolated.header.height = 8;
    isolated.header.elements = {hline(0.5), label(0, 1.5, 0, s("Produto Químico Controlado Isolado do Resíduo"), kDay), hline(7)};
    Band &d = isolated.detail;
    Line(d, 0).cap(QStringLiteral("Cod.NCM:")).text(QStringLiteral("CdNCM"), 15).cap(QStringLiteral("-")).text(QStringLiteral("NmProduto"), 70)
        .at(105).cap(s("Concentração %:")).num(QStringLiteral("VlConcentracao"), 18, kQty).cap(QStringLiteral("Densidade"))
        .num(QStringLiteral("VlDensidade"), 18, kQty).cap(QStringLiteral("Unidade:")).text(QStringLiteral("DsUnidade"), 10);
    Line(d, kRow).cap(QStringLiteral("Quantidade:")).num(QStringLiteral("QtProdIsolado"), 24, kQty);
    d.height = 2 * kRow + 1;
    isolated.footer.height = 5;
    def.sections.push_back(isolated);
}

void annexH(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period)
{
    Level l;
    l.source = tableRows(db, period, QStringLiteral("MovResiduo"), QStringLiteral("CdMovResiduo"));
    l.groups.push_back(dayGroup());
    Band &d = l.detail;
    Line(d, 0).cap(s("Operação:")).calc(operation(QStringLiteral("VlES"), "Entrada", nullptr, "Saída"), 30);
    ncmLine(d, kRow, QStringLiteral("VlConcentracao"), QStringLiteral("0.00"), QStringLiteral("DsUnidade"));
    Line(d, 2 * kRow).cap(QStringLiteral("Nt.Fiscal:")).text(QStringLiteral("NrNF"), 16).cap(QStringLiteral("Qtde.:"))
        .num(QStringLiteral("QtdMovResiduo"), 24, kQty).at(70).cap(QStringLiteral("CPF/CNPJ Fornecedor:")).text(QStringLiteral("CdFornecedor"), 22)
        .at(130).cap(QStringLiteral("CPF/CNPJ Transportadora:")).text(QStringLiteral("CdTransportadora"), 22);
    d.height = 3 * kRow + 1;
    def.sections.push_back(l);
}


// ---- grouped variants -----------------------------------------------------------
//
// They print CPF and CNPJ numbers with their punctuation and concentrations
// in the general number format.

// A counterpart number with its mask: fourteen digits as a CNPJ, eleven as
// a CPF, anything else as stored.
std::function<QString(const EvalContext &)> maskedNumber(const QString &field)
{
    return [field](const EvalContext &c) -> QString {
        const QString v = c.value(field).toString();
        const cpfcnpj::MaskKind kind = v.size() == 14 ? cpfcnpj::MaskKind::Cnpj
                                       : v.size() == 11 ? cpfcnpj::MaskKind::Cpf
                                                        : cpfcnpj::MaskKind::None;
        return cpfcnpj::formatted(v, kind);
    };
}

// "Cod.NCM :" CdNCM "-" NmProduto | "Concentração %:" (general) | "Unidade:" unit
void ncmLineGeneral(Band &b, double y, const QString &conc, const QString &unit)
{
    Line(b, y).cap(QStringLiteral("Cod.NCM :")).text(QStringLiteral("CdNCM"), 15).cap(QStringLiteral("-"))
        .text(QStringLiteral("NmProduto"), 85).at(118).cap(s("Concentração %:")).num(conc, 16, QString())
        .at(160).cap(QStringLiteral("Unidade:")).text(unit, 18);
}

// A group header band: its lines between two rules when `ruled`.
Group headedGroup(const QString &field, const std::function<void(Band &, double)> &lines, int count, bool ruled)
{
    Group g;
    g.field = field;
    const double top = ruled ? 1.2 : 0.6;
    lines(g.header, top);
    g.header.height = top + count * kRow + (ruled ? 1.2 : 0.6);
    if (ruled) {
        g.header.elements.push_back(hline(0.6));
        g.header.elements.push_back(hline(g.header.height - 0.6));
    }
    g.footer.height = 2.5;
    return g;
}

// "Nt.Fiscal:"/"Dia"/"Qtde.:" lines of the counterpart pairs, masked.
Line &counterpart(Line &l, const char *caption, const QString &field)
{
    return l.cap(s(caption)).calc(maskedNumber(field), 28);
}

void variantB(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period, Variant v)
{
    Level l;
    const bool byProduct = v == Variant::Produto;
    l.source = tableRows(db, period, QStringLiteral("Movimentacao"),
                         byProduct ? store::dialect::names(db, QStringLiteral("NmProduto")) + QStringLiteral(", NrMovimentacao")
                                   : QStringLiteral("CdFornecedor, NrNF, NrMovimentacao"));
    Band &d = l.detail;
    if (byProduct) {
        Group g = headedGroup(QStringLiteral("NmProduto"), [](Band &b, double y) {
            Line(b, y).cap(QStringLiteral("Cod.NCM :")).text(QStringLiteral("CdNCM"), 15).cap(QStringLiteral("-")).text(QStringLiteral("NmProduto"), 120);
        }, 1, true);
        g.footer.height = kRow + 2.5;
        g.footer.elements = {label(0, 0.5, 0, QStringLiteral("Total.:")), sum(12, 0.5, 28, QStringLiteral("VlQuantidade"), kQty)};
        g.sums = {QStringLiteral("VlQuantidade")};
        l.groups.push_back(g);
        Line(d, 0).cap(QStringLiteral("Dia")).text(QStringLiteral("NrDia"), 8);
        Line(d, kRow).cap(QStringLiteral("CFOP:")).text(QStringLiteral("NrCFOP"), 15).at(40).cap(s("Concentração %:"))
            .num(QStringLiteral("VlConcentracao"), 16, QString()).at(90).cap(QStringLiteral("Unidade:")).text(QStringLiteral("NmUnidade"), 18);
    } else {
        l.groups.push_back(headedGroup(QStringLiteral("NrNF"), [](Band &b, double y) {
            Line(b, y).cap(QStringLiteral("Nota Fiscal:")).text(QStringLiteral("NrNF"), 30);
        }, 1, true));
        Line(d, 0).cap(QStringLiteral("CFOP:")).text(QStringLiteral("NrCFOP"), 15);
        ncmLineGeneral(d, kRow, QStringLiteral("VlConcentracao"), QStringLiteral("NmUnidade"));
    }
    Line third(d, 2 * kRow);
    if (byProduct)
        third.cap(QStringLiteral("Nt.Fiscal:")).text(QStringLiteral("NrNF"), 16);
    else
        third.cap(QStringLiteral("Dia")).text(QStringLiteral("NrDia"), 8);
    third.at(36).cap(QStringLiteral("Qtde.:")).num(QStringLiteral("VlQuantidade"), 24, kQty).at(75);
    counterpart(third, "CPF/CNPJ Fornecedor:", QStringLiteral("CdFornecedor")).at(135);
    counterpart(third, "CPF/CNPJ Transportadora:", QStringLiteral("CdTransportadora"));
    d.height = 3 * kRow + 1;
    def.sections.push_back(l);
}

void variantC(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period)
{
    Level l;
    l.source = periodRows(db, period,
                          QStringLiteral("select i.*, (select NMPAIS from Paises p where p.CDPAIS = i.CdPais) as NMPAIS from Importacao i"),
                          QStringLiteral("CdNCM, CdImportacao"));
    l.groups.push_back(headedGroup(QStringLiteral("CdNCM"), [](Band &b, double y) {
        ncmLineGeneral(b, y, QStringLiteral("VlConcentracao"), QStringLiteral("DsUnidade"));
    }, 1, false));
    Band &d = l.detail;
    Line(d, 0).cap(s("Operação:")).calc(operation(QStringLiteral("FlIE"), "Exportação", "Importação", nullptr), 30);
    Line second(d, kRow);
    second.cap(QStringLiteral("L.I. ou R.E:")).text(QStringLiteral("NrLI"), 32).at(60).cap(QStringLiteral("Nr.NF:")).text(QStringLiteral("NrNF"), 16).at(110);
    counterpart(second, "CPF/CNPJ Transportadora:", QStringLiteral("CdTransportadora"));
    Line(d, 2 * kRow).cap(QStringLiteral("Nome do Importador:")).text(QStringLiteral("NmImportador"), 110).at(145)
        .cap(s("País:")).text(QStringLiteral("NMPAIS"), 45);
    Line(d, 3 * kRow).cap(s("Quantidade Importação :")).num(QStringLiteral("QtImportacao"), 24, kQty);
    d.height = 4 * kRow + 1;
    def.sections.push_back(l);
}

void variantE(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period, Variant v)
{
    Level l;
    const bool byProduct = v == Variant::Produto;
    l.source = tableRows(db, period, QStringLiteral("MovArmazenagem"),
                         byProduct ? QStringLiteral("CdNCM, DsES, CdMovArmazenagem") : QStringLiteral("CdNF, CdMovArmazenagem"));
    Band &d = l.detail;
    const auto op = operation(QStringLiteral("DsES"), "Entrada", nullptr, "Saída");
    if (byProduct) {
        l.groups.push_back(headedGroup(QStringLiteral("CdNCM"), [](Band &b, double y) {
            ncmLineGeneral(b, y, QStringLiteral("Vlconcentracao"), QStringLiteral("DsUnidade"));
        }, 1, true));
        Line(d, 0).cap(QStringLiteral("Dia")).text(QStringLiteral("NrDia"), 8).at(20).cap(s("Operação:")).calc(op, 30);
        Line second(d, kRow);
        second.cap(QStringLiteral("Nt.Fiscal:")).text(QStringLiteral("CdNF"), 16).at(36).cap(QStringLiteral("Qtde.:"))
            .num(QStringLiteral("QtMovArmazenagem"), 24, kQty).at(75);
        counterpart(second, "CPF/CNPJ Proprietário:", QStringLiteral("CdProprietario")).at(135);
        counterpart(second, "CPF/CNPJ Transportadora:", QStringLiteral("CdTransportadora"));
        d.height = 2 * kRow + 1;
    } else {
        // The day of the invoice is that of its first record, which is the
        // row at hand when the header prints.
        l.groups.push_back(headedGroup(QStringLiteral("CdNF"), [](Band &b, double y) {
            Line(b, y).cap(QStringLiteral("Nota Fiscal:")).text(QStringLiteral("CdNF"), 30).at(50).cap(QStringLiteral("Dia:")).text(QStringLiteral("NrDia"), 8);
        }, 1, true));
        ncmLineGeneral(d, 0, QStringLiteral("Vlconcentracao"), QStringLiteral("DsUnidade"));
        Line second(d, kRow);
        second.cap(QStringLiteral("Qtde.:")).num(QStringLiteral("QtMovArmazenagem"), 24, kQty).at(75);
        counterpart(second, "CPF/CNPJ Proprietário:", QStringLiteral("CdProprietario")).at(135);
        counterpart(second, "CPF/CNPJ Transportadora:", QStringLiteral("CdTransportadora"));
        Line(d, 2 * kRow).cap(s("Operação:")).calc(op, 30);
        d.height = 3 * kRow + 1;
    }
    def.sections.push_back(l);
}

void variantF(ReportDef &def, const QSqlDatabase &db, const PeriodKey &period, Variant v)
{
    Level l;
    const bool byProduct = v == Variant::Produto;
    l.source = tableRows(db, period, QStringLiteral("Transporte"),
                         byProduct ? QStringLiteral("CdNCM, CdTransporte") : QStringLiteral("NrNF, CdTransporte"));
    Band &d = l.detail;
    const auto parties = [](Line &line) {
        counterpart(line, "CPF/CNPJ Embarcador:", QStringLiteral("CdEmbarcador")).cap(QStringLiteral("UF:")).text(QStringLiteral("SgUFEmbarcador"), 6).at(122);
        counterpart(line, "CPF/CNPJ Destinatário:", QStringLiteral("CdDestinatario")).cap(QStringLiteral("UF:")).text(QStringLiteral("SgUFDestinatario"), 6);
    };
    if (byProduct) {
        l.groups.push_back(headedGroup(QStringLiteral("CdNCM"), [](Band &b, double y) {
            ncmLineGeneral(b, y, QStringLiteral("VlConcentracao"), QStringLiteral("DsUnidade"));
        }, 1, true));
        Line first(d, 0);
        first.cap(QStringLiteral("Nt.Fiscal:")).text(QStringLiteral("NrNF"), 16).at(36);
        parties(first);
        Line(d, kRow).cap(QStringLiteral("Dia")).text(QStringLiteral("NrDia"), 8).at(20).cap(QStringLiteral("Qtde.:"))
            .num(QStringLiteral("QtProduto"), 24, kQty);
        d.height = 2 * kRow + 1;
    } else {
        l.groups.push_back(headedGroup(QStringLiteral("NrNF"), [](Band &b, double y) {
            Line(b, y).cap(QStringLiteral("Nota Fiscal:")).text(QStringLiteral("NrNF"), 30);
        }, 1, true));
        ncmLineGeneral(d, 0, QStringLiteral("VlConcentracao"), QStringLiteral("DsUnidade"));
        Line second(d, kRow);
        second.cap(QStringLiteral("Qtde.:")).num(QStringLiteral("QtProduto"), 24, kQty).at(36);
        parties(second);
        Line(d, 2 * kRow).cap(QStringLiteral("Dia")).text(QStringLiteral("NrDia"), 8);
        d.height = 3 * kRow + 1;
    }
    def.sections.push_back(l);
}

} // namespace

bool hasVariant(QChar annex, Variant variant)
{
    switch (variant) {
    case Variant::Data:
        return kAnnexLetters.contains(annex);
    case Variant::Produto:
        return QStringLiteral("BCEF").contains(annex);
    case Variant::NotaFiscal:
        return QStringLiteral("BEF").contains(annex);
    }
    return false;
}

ReportDef annexReport(const QSqlDatabase &db, const PeriodKey &period, QChar annex, Variant variant)
{
    ReportDef def = frame(db, period, annex);
    if (variant != Variant::Data && hasVariant(annex, variant)) {
        switch (annex.unicode()) {
        case 'B': variantB(def, db, period, variant); break;
        case 'C': variantC(def, db, period); break;
        case 'E': variantE(def, db, period, variant); break;
        case 'F': variantF(def, db, period, variant); break;
        default: break;
        }
        return def;
    }
    switch (annex.unicode()) {
    case 'A': annexA(def, db, period); break;
    case 'B': annexB(def, db, period); break;
    case 'C': annexC(def, db, period); break;
    case 'D': annexD(def, db, period); break;
    case 'E': annexE(def, db, period); break;
    case 'F': annexF(def, db, period); break;
    case 'G': annexG(def, db, period); break;
    case 'H': annexH(def, db, period); break;
    default: break;
    }
    return def;
}

ReportDef productListing(const QSqlDatabase &db, ProductOrder order)
{
    ReportDef def;
    def.title = msg::kTituloProdutos;
    def.setup.margins = QMarginsF(10, 10, 10, 10);
    def.titleBand.height = 10;
    def.titleBand.elements = {label(0, 2, 0, s("RELAÇÃO DOS PRODUTOS CONTROLADOS"), {12, true}, Align::Center)};
    const double ncmWidth = 30;
    def.columnHeader.height = 6;
    def.columnHeader.elements = {box(0, 0, ncmWidth, 6), label(1.5, 0.5, ncmWidth - 3, s("CÓDIGO NCM"), kCap),
                                 box(ncmWidth, 0, 0, 6), label(ncmWidth + 1.5, 0.5, 150, QStringLiteral("NOME DO PRODUTO"), kCap)};
    def.pageFooter.height = 6;
    def.pageFooter.elements = {pageNumber(0, 2, 0, s("Página: "), kVal, Align::Right)};
    Level l;
    const QString sql = QStringLiteral("select CdNCM, NmProdutoControlado from ProdutoControlado where ") +
                        store::reference::inListCondition() + QStringLiteral(" order by ") +
                        (order == ProductOrder::Ncm ? store::dialect::nocase(db, QStringLiteral("CdNCM"))
                                                    : store::dialect::names(db, QStringLiteral("NmProdutoControlado"))) +
                        QStringLiteral(", IdProdutoControlado");
    l.source = [db, sql](const Source *) { return std::make_unique<SqlSource>(db, sql); };
    l.detail.height = 5;
    l.detail.elements = {box(0, 0, ncmWidth, 5), field(1.5, 0.4, ncmWidth - 3, QStringLiteral("CdNCM")),
                         box(ncmWidth, 0, 0, 5), field(ncmWidth + 1.5, 0.4, 150, QStringLiteral("NmProdutoControlado"))};
    def.sections.push_back(l);
    return def;
}

Result<Outcome> runAnnexReport(const QSqlDatabase &db, const PeriodKey &period, QChar annex, Variant variant,
                               PageSink &sink, Dialogs &dialogs)
{
    const ReportDef def = annexReport(db, period, annex, variant);
    Result<Outcome> r = generate(def, sink);
    if (r && *r == Outcome::Empty)
        dialogs.information(msg::vazio(annex));
    return r;
}

} // namespace quirels::reports
