#include "Annex.h"

#include "entry/Lookups.h"
#include "entry/Messages.h"

namespace quirels::entry {

namespace when {

static QString textOf(const QVariantMap &row, const QString &field)
{
    const QVariant v = row.value(field);
    return v.isNull() || !v.isValid() ? QString() : v.toString();
}

std::function<bool(const QVariantMap &, const CheckContext &)> blank(const QString &field)
{
    return [field](const QVariantMap &row, const CheckContext &) { return isBlank(textOf(row, field)); };
}

std::function<bool(const QVariantMap &, const CheckContext &)> noDigit(const QString &field)
{
    return [field](const QVariantMap &row, const CheckContext &) { return !hasDigit(textOf(row, field)); };
}

std::function<bool(const QVariantMap &, const CheckContext &)> noCfopDescription(const QString &field)
{
    return [field](const QVariantMap &row, const CheckContext &ctx) {
        const QString code = textOf(row, field);
        if (!hasDigit(code) || !ctx.lookups)
            return true;
        const auto d = ctx.lookups->cfopDescription(code);
        return !d.ok() || !d->has_value();
    };
}

// The condition only where the command is the given one.
static std::function<bool(const QVariantMap &, const CheckContext &)>
onlyOn(CheckMode mode, std::function<bool(const QVariantMap &, const CheckContext &)> c)
{
    return [mode, c](const QVariantMap &row, const CheckContext &ctx) { return ctx.mode == mode && c(row, ctx); };
}

} // namespace when

const FieldSpec *ListSpec::fieldByControl(const QString &control) const
{
    for (const FieldSpec &f : fields)
        if (f.control == control)
            return &f;
    return nullptr;
}

const FieldSpec *ListSpec::fieldByName(const QString &field) const
{
    for (const FieldSpec &f : fields)
        if (f.field.compare(field, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

QString AnnexSpec::observationLabel() const
{
    // Annex F's label has always read this way.
    if (letter == QLatin1Char('F'))
        return QStringLiteral("Observaçõe Anexo F");
    return QStringLiteral("Observações Anexo ") + letter;
}

const RequiredCheck *firstMissing(const QList<RequiredCheck> &checks, const QVariantMap &row,
                                  const CheckContext &ctx)
{
    for (const RequiredCheck &c : checks)
        if (c.missing(row, ctx))
            return &c;
    return nullptr;
}

namespace {

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

FieldSpec text(const char *label, const char *control, const char *field, int maxLength = 0)
{
    FieldSpec f{s(label), s(control), s(field), FieldKind::Text};
    f.maxLength = maxLength;
    return f;
}

FieldSpec kind(const char *label, const char *control, const char *field, FieldKind k, int maxLength = 0)
{
    FieldSpec f{s(label), s(control), s(field), k};
    f.maxLength = maxLength;
    return f;
}

FieldSpec number(const char *label, const char *control, const char *field, int decimals, Sign sign = Sign::Any)
{
    FieldSpec f{s(label), s(control), s(field), FieldKind::Number};
    f.decimals = decimals;
    f.sign = sign;
    return f;
}

GridColumn col(const char *title, const char *field) { return {s(title), s(field)}; }

RequiredCheck check(std::function<bool(const QVariantMap &, const CheckContext &)> c, const QString &message,
                    const char *focus)
{
    return {std::move(c), message, s(focus)};
}

struct StockField {
    const char *label;
    const char *control;
    const char *field;
};

const StockField kStock[] = {
    {"Estoque Anterior", "edtEstoqueAnterior", "QtEstoqueAnt"},
    {"Produção", "edtProducao", "QtProducao"},
    {"Transformação", "edtTransformacao", "QtTransformacao"},
    {"Utilização", "edtUtilizacao", "QtUtilizacao"},
    {"Compras", "edtCompra", "QtCompras"},
    {"Vendas", "edtVenda", "QtVendas"},
    {"Reciclagem", "edtReciclagem", "QtReciclagem"},
    {"Reaproveitamento", "edtReaproveitamento", "QtReaproveitamento"},
    {"Importação", "edtImportacao", "QtImportacao"},
    {"Exportação", "edtExportacao", "QtExportacao"},
    {"Perdas", "edtPerdas", "QtPerdas"},
    {"Evaporação", "edtEvaporacao", "QtEvaporacao"},
    {"Entradas Diversas", "edtEntradas", "QtEntradasDiv"},
    {"Saídas Diversas", "edtSaidas", "QtSaidasDiv"},
};

AnnexSpec buildA()
{
    AnnexSpec a;
    a.letter = QLatin1Char('A');
    a.className = QStringLiteral("TfrmControleGeral");
    a.caption = s("Anexo XI-A - QUIREL DE CONTROLE GERAL DE PRODUTOS QUÍMICOS");
    ListSpec &l = a.main;
    l.table = QStringLiteral("Produtos");
    l.group = s("Demonstrativo Geral");
    l.fields = {kind("Cód. NCM", "edtCdProduto", "CdNCM", FieldKind::Ncm),
                kind("Nome", "cmbProdutos", "NmProduto", FieldKind::ProductName, 70),
                number("Concentração %", "edtConcentracaoDemon", "VlConcentracao", 2),
                number("Densidade", "edtDensidadeDemon", "VlDensidade", 2),
                kind("Unidade", "cmbUnDemon", "DsUnidade", FieldKind::Unit)};
    for (const StockField &f : kStock)
        l.fields.append(number(f.label, f.control, f.field, 3, Sign::NotNegative));
    FieldSpec closing = number("Estoque Atual", "edtEstoqueAtual", "QtEstoqueAtual", 3);
    closing.readOnly = true;
    l.fields.append(closing);
    l.firstFocus = QStringLiteral("edtCdProduto");
    l.grid = {col("Cód. NCM", "CdNCM"), col("Nome do Produto", "NmProduto"),
              col("Concentração %", "VlConcentracao"), col("Densidade", "VlDensidade"),
              col("Unidade", "DsUnidade")};
    for (const StockField &f : kStock)
        l.grid.append(col(f.label, f.field));
    l.grid.append(col("Estoque Atual", "QtEstoqueAtual"));
    l.gridHint = s("Lista de Produtos");
    l.closePrompt = msg::kProdutoNaoSalvo;
    return a;
}

ListSpec buildFinalProducts()
{
    ListSpec l;
    l.table = QStringLiteral("ProdutoFinal");
    l.group = s("Especificações sobre o Produto Final Obtido");
    l.fields = {kind("Cód. NCM", "edtCdNCMProdutFinal", "CdNCM", FieldKind::Ncm),
                kind("Nome", "cmbProdutoFinal", "NmProduto", FieldKind::ProductName, 70),
                number("Densidade", "edtDensidadeProd", "VlDensidade", 2),
                number("Quantidade", "edtQtdProduto", "QtProdFinal", 3),
                kind("Unidade", "cmbUnidadeProd", "DsUnidade", FieldKind::Unit)};
    l.firstFocus = QStringLiteral("edtCdNCMProdutFinal");
    l.closePrompt = msg::kProdutoFinalNaoSalvo;
    return l;
}

ListSpec buildSubstances()
{
    ListSpec l;
    l.table = QStringLiteral("SubstanciaPresente");
    l.group = s("Concentração Percentual das Substâncias Controladas Presentes no Produto");
    l.fields = {kind("Cód. NCM", "edtCdNCMProdutoObtido", "CdNCM", FieldKind::Ncm),
                kind("Substância Química Controlada", "cmbProdutoPresente", "NmProduto", FieldKind::ProductName, 70),
                number("Concentração %", "edtConcentracaoProdutoObtido", "VlConcentracao", 2)};
    // Novo checks the pending substance; Salvar leaves it to the record rule.
    l.checks = {check(when::onlyOn(CheckMode::Novo, when::noDigit(QStringLiteral("CdNCM"))),
                      msg::kInformarCodigoProduto, "edtCdNCMProdutoObtido"),
                check(when::onlyOn(CheckMode::Novo, when::blank(QStringLiteral("NmProduto"))),
                      msg::kInformarNomeProduto, "cmbProdutoPresente"),
                check(when::onlyOn(CheckMode::Novo, when::blank(QStringLiteral("VlConcentracao"))),
                      msg::kInformarConcentracao, "edtConcentracaoProdutoObtido")};
    l.firstFocus = QStringLiteral("edtCdNCMProdutoObtido");
    l.closePrompt = msg::kSubstanciaNaoSalva;
    return l;
}

AnnexSpec buildB()
{
    AnnexSpec b;
    b.letter = QLatin1Char('B');
    b.className = QStringLiteral("TfrmMovimentacao");
    b.caption = s("Anexo XI-B - QUIREL DE MOVIMENTAÇÃO DE PRODUTOS QUÍMICOS");
    ListSpec &l = b.main;
    l.table = QStringLiteral("Movimentacao");
    l.group = s("Produto Químico Controlado");
    l.fields = {kind("Dia", "edtDia", "NrDia", FieldKind::Day, 2),
                kind("CFOP", "edtCFOP", "NrCFOP", FieldKind::CfopCode, 5),
                kind("", "cmbCFOP", "NrCFOP", FieldKind::CfopList),
                kind("Cód. NCM", "edtCodProduto", "CdNCM", FieldKind::Ncm),
                kind("Produto Químico Controlado", "cmbProduto", "NmProduto", FieldKind::ProductName, 70),
                number("Concentração %", "edtConcentracao", "VlConcentracao", 2),
                number("Quantidade", "edtQuantidade", "VlQuantidade", 3, Sign::Positive),
                kind("Unidade", "cmbUnidade", "NmUnidade", FieldKind::Unit),
                text("Nota Fiscal", "edtNF", "NrNF", 10),
                kind("CNPJ/CPF do Fornecedor ou Adquirinte", "edtCNPJFornecedor", "CdFornecedor",
                     FieldKind::Counterpart, 14),
                kind("CNPJ/CPF da Transportadora", "edtCNPJTransportadora", "CdTransportadora",
                     FieldKind::Counterpart, 14)};
    l.checks = {check(when::blank(QStringLiteral("NrDia")), msg::kInformarDia, "edtDia"),
                check(when::noDigit(QStringLiteral("NrCFOP")), msg::kInformarCfop, "edtCFOP"),
                check(when::noCfopDescription(QStringLiteral("NrCFOP")), msg::kInformarCfop, "cmbCFOP"),
                check(when::blank(QStringLiteral("NmProduto")), msg::kInformarNomeControlado, "cmbProduto"),
                check(when::blank(QStringLiteral("VlConcentracao")), msg::kInformarConcentracao, "edtConcentracao"),
                check(when::blank(QStringLiteral("VlQuantidade")), msg::kInformarQuantidade, "edtQuantidade"),
                check(when::blank(QStringLiteral("NmUnidade")), msg::kInformarUnidade, "cmbUnidade"),
                check(when::blank(QStringLiteral("NrNF")), msg::kInformarNotaFiscal, "edtNF"),
                check(when::blank(QStringLiteral("CdFornecedor")), msg::kInformarFornecedor, "edtCNPJFornecedor"),
                check(when::blank(QStringLiteral("CdTransportadora")), msg::kInformarTransportadora,
                      "edtCNPJTransportadora")};
    l.reuse = InvoiceReuse{{QStringLiteral("NrDia"), QStringLiteral("NrCFOP"), QStringLiteral("NrNF"),
                            QStringLiteral("CdFornecedor"), QStringLiteral("CdTransportadora"),
                            QStringLiteral("CdNCM"), QStringLiteral("NmProduto"), QStringLiteral("VlConcentracao")},
                           QStringLiteral("edtQuantidade")};
    l.firstFocus = QStringLiteral("edtDia");
    l.grid = {col("Dia", "NrDia"),
              col("CFOP", "NrCFOP"),
              col("Nota Fiscal", "NrNF"),
              col("CNPJ/CPF do Fornecedor ou Adquirinte", "CdFornecedor"),
              col("CNPJ/CPF da Transportadora", "CdTransportadora"),
              col("NCM", "CdNCM"),
              col("Produto Químico Controlado", "NmProduto"),
              col("Concentração %", "VlConcentracao"),
              col("Quantidade", "VlQuantidade"),
              col("Unidade", "NmUnidade")};
    l.gridHint = s("Lista da movimentação de produtos\r\nquímicos");
    l.closePrompt = msg::kNaoSalvas;
    return b;
}

} // namespace

const AnnexSpec &annexA()
{
    static const AnnexSpec a = buildA();
    return a;
}

const AnnexSpec &annexB()
{
    static const AnnexSpec b = buildB();
    return b;
}

const ListSpec &annexAFinalProducts()
{
    static const ListSpec l = buildFinalProducts();
    return l;
}

const ListSpec &annexASubstances()
{
    static const ListSpec l = buildSubstances();
    return l;
}

const QStringList &annexAStockControls()
{
    static const QStringList c = [] {
        QStringList out;
        for (const StockField &f : kStock)
            out.append(QString::fromLatin1(f.control));
        out.append(QStringLiteral("edtEstoqueAtual"));
        return out;
    }();
    return c;
}

} // namespace quirels::entry
