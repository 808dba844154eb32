#include "Annex.h"

#include "entry/Lookups.h"
#include "entry/Messages.h"

namespace quirels::entry {

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
    l.perRow = 7;
    l.spans = {{QStringLiteral("cmbProdutos"), 3}};
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
    l.perRow = static_cast<int>(l.fields.size());
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
    l.perRow = static_cast<int>(l.fields.size());
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
    l.spans = {{QStringLiteral("cmbProduto"), 2}, {QStringLiteral("cmbCFOP"), 3},
               {QStringLiteral("edtCNPJFornecedor"), 2}, {QStringLiteral("edtCNPJTransportadora"), 2}};
    return b;
}

// The two letters of an operation choice.
FieldSpec choice(const char *label, const char *control, const char *field, const char *first, const char *firstValue,
                 const char *second, const char *secondValue)
{
    FieldSpec f{s(label), s(control), s(field), FieldKind::Choice};
    f.choices = {{s(first), s(firstValue)}, {s(second), s(secondValue)}};
    return f;
}

FieldSpec fixedList(const char *label, const char *control, const char *field, const QStringList &entries)
{
    FieldSpec f{s(label), s(control), s(field), FieldKind::FixedList};
    for (const QString &e : entries)
        f.choices.append({e, e});
    return f;
}

FieldSpec counterpart(const char *label, const char *control, const char *field)
{
    return kind(label, control, field, FieldKind::Counterpart, 14);
}

// A check that the named field is blank.
RequiredCheck blankCheck(const char *field, const QString &message, const char *focus)
{
    return check(when::blank(s(field)), message, focus);
}

QStringList stringList(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *i : items)
        out.append(s(i));
    return out;
}

AnnexSpec buildC()
{
    AnnexSpec c;
    c.letter = QLatin1Char('C');
    c.className = QStringLiteral("TfrmImportacao");
    c.caption = s("Anexo XI-C - QUIREL DE CONTROLE DE IMPORTAÇÃO E EXPORTAÇÃO DE PRODUTOS QUÍMICOS");
    ListSpec &l = c.main;
    l.table = QStringLiteral("Importacao");
    l.group = s("Produto Químico Controlado");
    FieldSpec produto = kind("Produto Químico Controlado", "cmbProduto", "NmProduto", FieldKind::ProductName, 70);
    FieldSpec unidade = kind("Unidade", "cmbUnidade", "DsUnidade", FieldKind::Unit);
    FieldSpec pais = kind("País", "cmbPais", "CdPais", FieldKind::CountryList);
    // A change of only the product name, the unit or the country leaves the
    // buttons as they are.
    produto.refreshes = unidade.refreshes = pais.refreshes = false;
    l.fields = {choice("Operação", "rdgOperacao", "FlIE", "&Importação", "I", "&Exportação", "E"),
                text("L.I. ou R.E.", "edtLIRE", "NrLI", 20),
                text("Nota Fiscal", "edtNF", "NrNF", 10),
                counterpart("CNPJ/CPF da Transportadora", "edtCNPJTransportadora", "CdTransportadora"),
                text("Nome do Importador ou Exportador", "edtImportador", "NmImportador", 100),
                pais,
                kind("Cód. NCM", "edtCodProduto", "CdNCM", FieldKind::Ncm),
                produto,
                number("Concentração %", "edtConcentracao", "VlConcentracao", 2),
                number("Quantidade", "edtQuantidade", "QtImportacao", 3, Sign::Positive),
                unidade};
    // Novo lets a row go without its quantity; Salvar does not.
    l.checks = {check(when::blank(QStringLiteral("FlIE")), msg::kInformarOperacao, "rdgOperacao"),
                check(when::noDigit(QStringLiteral("CdNCM")), msg::kInformarCodigoProdutoQuimico, "edtCodProduto"),
                blankCheck("NmProduto", msg::kInformarNomeProdutoQuimico, "cmbProduto"),
                blankCheck("VlConcentracao", msg::kInformarConcentracao, "edtConcentracao"),
                check(when::onlyOn(CheckMode::Salvar, when::blank(QStringLiteral("QtImportacao"))),
                      msg::kInformarQuantidade, "edtQuantidade"),
                blankCheck("DsUnidade", msg::kInformarUnidade, "cmbUnidade"),
                blankCheck("NrLI", msg::kInformarLiRe, "edtLIRE"),
                blankCheck("NrNF", msg::kInformarNumeroNotaFiscal, "edtNF"),
                blankCheck("CdTransportadora", msg::kInformarCnpjTransportadora, "edtCNPJTransportadora"),
                blankCheck("NmImportador", msg::kInformarImportador, "edtImportador"),
                check(when::noCountryName(QStringLiteral("CdPais")), msg::kInformarPais, "cmbPais")};
    l.reuse = InvoiceReuse{stringList({"FlIE", "NrLI", "NrNF", "NmImportador", "CdTransportadora", "CdPais"}),
                           QStringLiteral("edtCodProduto")};
    l.firstFocus = QStringLiteral("rdgOperacao");
    l.grid = {col("Operação", "FlIE"),
              col("L.I. ou R.E.", "NrLI"),
              col("Nota Fiscal", "NrNF"),
              col("CNPJ/CPF da Transportadora", "CdTransportadora"),
              col("Nome do Importador ou Exportador", "NmImportador"),
              col("País", "CdPais"),
              col("Cód. NCM", "CdNCM"),
              col("Produto Químico Controlado", "NmProduto"),
              col("Concentração %", "VlConcentracao"),
              col("Quantidade", "QtImportacao"),
              col("Unidade", "DsUnidade")};
    l.gridHint = s("Lista das operações de importação e\r\nexportação de produtos químicos");
    l.closePrompt = msg::kNaoSalvas;
    l.spans = {{QStringLiteral("rdgOperacao"), 2}, {QStringLiteral("edtImportador"), 3},
               {QStringLiteral("cmbPais"), 2}, {QStringLiteral("cmbProduto"), 2}};
    return c;
}

AnnexSpec buildD()
{
    AnnexSpec d;
    d.letter = QLatin1Char('D');
    d.className = QStringLiteral("TfrmArmazenagem");
    d.caption = s("Anexo XI-D - QUIREL DE CONTROLE DE ARMAZENAGEM DE PRODUTOS QUÍMICOS");
    ListSpec &l = d.main;
    l.table = QStringLiteral("Armazenagem");
    l.group = s("Produto Químico Armazenado");
    // No sign rule: any stock, even negative, is taken as typed.
    l.fields = {kind("Cód. NCM", "edtCodigoProduto", "CdNCM", FieldKind::Ncm),
                kind("Produto Químico Armazenado", "cmbProduto", "NmProduto", FieldKind::ProductName, 70),
                number("Concentração %", "edtConcentracao", "VlConcentracao", 2),
                number("Estoque Anterior", "edtEstoqueAnterior", "QtEstoqueAnt", 3),
                number("Estoque Atual", "edtEstoqueAtual", "QtEstoqueAtual", 3),
                kind("Unidade", "cmbUnidade", "DsUnidade", FieldKind::Unit),
                counterpart("CNPJ/CPF do Proprietário", "edtCNPJ", "CdProprietario")};
    l.checks = {check(when::noDigit(QStringLiteral("CdNCM")), msg::kInformarCodigoProduto, "edtCodigoProduto"),
                blankCheck("NmProduto", msg::kNomeDoProduto, "cmbProduto"),
                blankCheck("VlConcentracao", msg::kInformarConcentracao, "edtConcentracao"),
                blankCheck("QtEstoqueAnt", msg::kInformarEstoqueAnterior, "edtEstoqueAnterior"),
                blankCheck("QtEstoqueAtual", msg::kInformarEstoqueAtual, "edtEstoqueAtual"),
                blankCheck("DsUnidade", msg::kInformarUnidadeDeMedida, "cmbUnidade"),
                blankCheck("CdProprietario", msg::kInformarCnpjProprietario, "edtCNPJ")};
    l.firstFocus = QStringLiteral("edtCodigoProduto");
    l.grid = {col("Cód. NCM", "CdNCM"),
              col("Produto Químico Armazenado", "NmProduto"),
              col("Concentração", "VlConcentracao"),
              col("Estoque Anterior", "QtEstoqueAnt"),
              col("Estoque Atual", "QtEstoqueAtual"),
              col("Unidade", "DsUnidade"),
              col("CNPJ/CPF do Proprietário", "CdProprietario")};
    l.gridHint = s("Lista todos os Produtos Químicos armazenados");
    l.closePrompt = msg::kNaoSalvas;
    l.spans = {{QStringLiteral("cmbProduto"), 3}, {QStringLiteral("edtCNPJ"), 2}};
    return d;
}

AnnexSpec buildE()
{
    AnnexSpec e;
    e.letter = QLatin1Char('E');
    e.className = QStringLiteral("TfrmMovimentacaoArmazenagem");
    e.caption = s("Anexo XI-E - QUIREL DE MOVIMENTAÇÃO DE ARMAZENAGEM DE PRODUTOS QUÍMICOS");
    ListSpec &l = e.main;
    l.table = QStringLiteral("MovArmazenagem");
    l.group = s("Produto Químico Controlado");
    l.fields = {kind("Dia", "edtDia", "NrDia", FieldKind::Day, 2),
                choice("Operação", "rdgOperacao", "DsES", "&Entrada", "E", "Saí&da", "S"),
                text("Nota Fiscal", "edtNotaFiscal", "CdNF", 10),
                counterpart("CNPJ/CPF do Proprietário", "edtCNPJProprietario", "CdProprietario"),
                counterpart("CNPJ/CPF da Transportadora", "edtCNPJTransportadora", "CdTransportadora"),
                kind("Cód. NCM", "edtCodProduto", "CdNCM", FieldKind::Ncm),
                kind("Produto Químico Controlado", "cmbProduto", "NmProduto", FieldKind::ProductName, 70),
                number("Concentração %", "edtConcentracao", "Vlconcentracao", 2),
                number("Quantidade", "edtQuantidade", "QtMovArmazenagem", 3, Sign::Positive),
                kind("Unidade", "cmbUnidade", "DsUnidade", FieldKind::Unit)};
    // The concentration is asked for last.
    l.checks = {blankCheck("NrDia", msg::kInformarDia, "edtDia"),
                blankCheck("DsES", msg::kInformarOperacao, "rdgOperacao"),
                check(when::noDigit(QStringLiteral("CdNCM")), msg::kInformarCodigoProduto, "edtCodProduto"),
                blankCheck("NmProduto", msg::kInformarNomeProduto, "cmbProduto"),
                blankCheck("QtMovArmazenagem", msg::kInformarQuantidade, "edtQuantidade"),
                blankCheck("DsUnidade", msg::kInformarUnidade, "cmbUnidade"),
                blankCheck("CdNF", msg::kInformarANotaFiscal, "edtNotaFiscal"),
                blankCheck("CdProprietario", msg::kInformarCnpjCpfProprietario, "edtCNPJProprietario"),
                blankCheck("CdTransportadora", msg::kInformarCnpjCpfTransportadora, "edtCNPJTransportadora"),
                blankCheck("Vlconcentracao", msg::kInformarValorDaConcentracao, "edtConcentracao")};
    l.reuse = InvoiceReuse{stringList({"NrDia", "DsES", "CdNF", "CdProprietario", "CdTransportadora"}),
                           QStringLiteral("edtCodProduto")};
    l.firstFocus = QStringLiteral("edtDia");
    l.grid = {col("Dia", "NrDia"),
              col("Operação", "DsES"),
              col("Nota Fiscal", "CdNF"),
              col("CNPJ/CPF do Proprietário", "CdProprietario"),
              col("CNPJ/CPF da Transportadora", "CdTransportadora"),
              col("Cód. NCM", "CdNCM"),
              col("Produto Químico Controlado", "NmProduto"),
              col("Concentração %", "Vlconcentracao"),
              col("Quantidade", "QtMovArmazenagem"),
              col("Unidade", "DsUnidade")};
    l.gridHint = s("Lista das movimentações de armazenagem de produtos químicos");
    l.closePrompt = msg::kNaoSalvas;
    l.spans = {{QStringLiteral("rdgOperacao"), 2}, {QStringLiteral("edtCNPJProprietario"), 2},
               {QStringLiteral("edtCNPJTransportadora"), 2}, {QStringLiteral("cmbProduto"), 3}};
    return e;
}

AnnexSpec buildF()
{
    AnnexSpec f;
    f.letter = QLatin1Char('F');
    f.className = QStringLiteral("TfrmTransporte");
    f.caption = s("Anexo XI-F - QUIREL DE TRANSPORTE DE PRODUTOS QUÍMICOS");
    ListSpec &l = f.main;
    l.table = QStringLiteral("Transporte");
    l.group = s("Produto Químico Controlado");
    FieldSpec ufEmbarcador = fixedList("UF", "cmbUFEmbarcador", "SgUFEmbarcador", ufList());
    FieldSpec ufDestinatario = fixedList("UF", "cmbUFDestinatario", "SgUFDestinatario", ufList());
    ufEmbarcador.hint = ufDestinatario.hint = msg::kHintUf;
    // The invoice number is a whole number in this annex.
    l.fields = {kind("Dia", "edtDia", "NrDia", FieldKind::Day, 2),
                kind("Nota Fiscal", "edtNF", "NrNF", FieldKind::Integer, 9),
                counterpart("CNPJ/CPF do Embarcador", "edtCNPJEmbarcador", "CdEmbarcador"),
                ufEmbarcador,
                counterpart("CNPJ/CPF do Destinatário", "edtCNPJDestinatario", "CdDestinatario"),
                ufDestinatario,
                kind("Cód. NCM", "edtCodProduto", "CdNCM", FieldKind::Ncm),
                kind("Produto Químico Controlado", "cmbProduto", "NmProduto", FieldKind::ProductName, 70),
                number("Concentração %", "edtConcentracao", "VlConcentracao", 2),
                number("Quantidade", "edtQuantidade", "QtProduto", 3, Sign::Positive),
                kind("Unidade", "cmbUnidade", "DsUnidade", FieldKind::Unit)};
    // A foreign party (UF "EX") needs no CNPJ/CPF on Salvar; Novo asks for it.
    const QString ex = QStringLiteral("EX");
    l.checks = {blankCheck("NrDia", msg::kInformarDia, "edtDia"),
                check(when::noDigit(QStringLiteral("CdNCM")), msg::kInformarCodigoProduto, "edtCodProduto"),
                blankCheck("NmProduto", msg::kInformarNomeProduto, "cmbProduto"),
                blankCheck("VlConcentracao", msg::kInformarConcentracao, "edtConcentracao"),
                blankCheck("QtProduto", msg::kInformarQuantidadeSo, "edtQuantidade"),
                blankCheck("DsUnidade", msg::kInformarUnidade, "cmbUnidade"),
                blankCheck("NrNF", msg::kInformarNumeroNotaFiscal, "edtNF"),
                check(when::exceptOnWhen(CheckMode::Salvar, QStringLiteral("SgUFEmbarcador"), ex,
                                         when::blank(QStringLiteral("CdEmbarcador"))),
                      msg::kInformarEmbarcador, "edtCNPJEmbarcador"),
                blankCheck("SgUFEmbarcador", msg::kInformarUfEmbarcador, "cmbUFEmbarcador"),
                check(when::exceptOnWhen(CheckMode::Salvar, QStringLiteral("SgUFDestinatario"), ex,
                                         when::blank(QStringLiteral("CdDestinatario"))),
                      msg::kInformarDestinatario, "edtCNPJDestinatario"),
                blankCheck("SgUFDestinatario", msg::kInformarUfDestinatario, "cmbUFDestinatario")};
    l.reuse = InvoiceReuse{stringList({"NrDia", "NrNF", "CdEmbarcador", "SgUFEmbarcador", "CdDestinatario",
                                       "SgUFDestinatario"}),
                           QStringLiteral("edtCodProduto")};
    l.firstFocus = QStringLiteral("edtDia");
    l.grid = {col("Dia", "NrDia"),
              col("Nota Fiscal", "NrNF"),
              col("CNPJ/CPF do Embarcador", "CdEmbarcador"),
              col("UF", "SgUFEmbarcador"),
              col("CNPJ/CPF do Destinatário", "CdDestinatario"),
              col("UF", "SgUFDestinatario"),
              col("Cód. NCM", "CdNCM"),
              col("Produto Controlado", "NmProduto"),
              col("Concentração", "VlConcentracao"),
              col("Quantidade", "QtProduto"),
              col("Unidade", "DsUnidade")};
    l.gridHint = s("Lista dos transportes de produtos químicos");
    l.closePrompt = msg::kNaoSalvas;
    l.spans = {{QStringLiteral("edtCNPJEmbarcador"), 2}, {QStringLiteral("edtCNPJDestinatario"), 2},
               {QStringLiteral("cmbProduto"), 3}};
    return f;
}

AnnexSpec buildG()
{
    AnnexSpec g;
    g.letter = QLatin1Char('G');
    g.className = QStringLiteral("TfrmResiduo");
    g.caption = s("Anexo XI-G - QUIREL DE CONTROLE DE GERAÇÃO/REAPROVEITAMENTO/RECILCAGEM DE RESÍDUOS CONTENDO "
                  "PRODUTOS QUÍMICOS CONTROLADOS");
    ListSpec &l = g.main;
    l.table = QStringLiteral("Residuo");
    l.group = s("Resíduo");
    l.fields = {kind("Cód. NCM", "edtCodProduto", "CdNCM", FieldKind::Ncm),
                kind("Substância Controlada Presente", "cmbProdutoPresente", "NmProduto", FieldKind::ProductName, 70),
                number("Concentração %", "edtConcentracaoPresente", "VlConcentracao", 2, Sign::NotNegative),
                number("Quantidade", "edtQuantidadePresente", "QtResiduo", 3, Sign::Positive),
                kind("Unidade", "cmbUnidadePresente", "DsUnidade", FieldKind::Unit),
                fixedList("Destinação", "cmbDestinacao", "DsDestinacao", destinationList())};
    l.checks = {check(when::noDigit(QStringLiteral("CdNCM")), msg::kInformarCodigoPresente, "edtCodProduto"),
                blankCheck("NmProduto", msg::kInformarNomePresente, "cmbProdutoPresente"),
                blankCheck("VlConcentracao", msg::kInformarConcentracao, "edtConcentracaoPresente"),
                blankCheck("QtResiduo", msg::kInformarQuantidade, "edtQuantidadePresente"),
                blankCheck("DsUnidade", msg::kInformarUnidade, "cmbUnidadePresente"),
                blankCheck("DsDestinacao", msg::kInformarDestinacao, "cmbDestinacao")};
    l.firstFocus = QStringLiteral("edtCodProduto");
    l.closePrompt = msg::kNaoSalvas;
    l.perRow = 4;
    l.spans = {{QStringLiteral("cmbProdutoPresente"), 3}, {QStringLiteral("cmbDestinacao"), 2}};
    return g;
}

ListSpec buildIsolated()
{
    ListSpec l;
    l.table = QStringLiteral("Isolado");
    l.group = s("Produto Químico Controlado Isolado do Resíduo");
    l.fields = {kind("Cód. NCM", "edtCodIsolado", "CdNCM", FieldKind::Ncm),
                kind("Produto Químico Controlado Isolado", "cmbProdutoIsolado", "NmProduto", FieldKind::ProductName,
                     70),
                number("Concentração %", "edtConcentracaoIsolado", "VlConcentracao", 2, Sign::NotNegative),
                number("Densidade", "edtDensidade", "VlDensidade", 2, Sign::NotNegative),
                number("Quantidade", "edtQuantidadeIsolado", "QtProdIsolado", 3, Sign::Positive),
                kind("Unidade", "cmbUnidadeIsolado", "DsUnidade", FieldKind::Unit)};
    l.checks = {check(when::noDigit(QStringLiteral("CdNCM")), msg::kInformarCodigoPresente, "edtCodIsolado"),
                blankCheck("NmProduto", msg::kInformarNomePresente, "cmbProdutoIsolado"),
                blankCheck("VlConcentracao", msg::kInformarConcentracao, "edtConcentracaoIsolado"),
                blankCheck("QtProdIsolado", msg::kInformarQuantidade, "edtQuantidadeIsolado"),
                blankCheck("DsUnidade", msg::kInformarUnidade, "cmbUnidadeIsolado"),
                blankCheck("VlDensidade", msg::kInformarDensidade, "edtDensidade")};
    l.firstFocus = QStringLiteral("edtCodIsolado");
    l.closePrompt = msg::kNaoSalvas;
    l.perRow = 4;
    l.spans = {{QStringLiteral("cmbProdutoIsolado"), 3}};
    return l;
}

AnnexSpec buildH()
{
    AnnexSpec h;
    h.letter = QLatin1Char('H');
    h.className = QStringLiteral("TfrmMovimentacaoResiduo");
    h.caption = s("Anexo XI-H - QUIREL DE MOVIMENTAÇÃO DE RESÍDUOS");
    ListSpec &l = h.main;
    l.table = QStringLiteral("MovResiduo");
    l.group = s("Resíduo");
    l.fields = {kind("Dia", "edtDia", "NrDia", FieldKind::Day, 2),
                choice("Operação", "rdgOperacao", "VlES", "&Entrada", "E", "Saí&da", "S"),
                text("Nota Fiscal", "edtNF", "NrNF", 10),
                counterpart("CNPJ/CPF do Fornecedor ou Adquirente", "edtCNPJFornecedor", "CdFornecedor"),
                counterpart("CNPJ/CPF da Transportadora", "edtCNPJTransportadora", "CdTransportadora"),
                kind("Cód. NCM", "edtCodProduto", "CdNCM", FieldKind::Ncm),
                kind("Substância Controlada Presente", "cmbProduto", "NmProduto", FieldKind::ProductName, 70),
                number("Concentração %", "edtConcentracao", "VlConcentracao", 2),
                number("Quantidade", "edtQuantidade", "QtdMovResiduo", 3, Sign::Positive),
                kind("Unidade", "cmbUnidade", "DsUnidade", FieldKind::Unit)};
    // The quantity and unit are asked for before the product.
    l.checks = {blankCheck("NrDia", msg::kInformarDia, "edtDia"),
                blankCheck("VlES", msg::kInformarOperacao, "rdgOperacao"),
                blankCheck("QtdMovResiduo", msg::kInformarQuantidadeSo, "edtQuantidade"),
                blankCheck("DsUnidade", msg::kInformarUnidade, "cmbUnidade"),
                check(when::noDigit(QStringLiteral("CdNCM")), msg::kInformarCodigoControlado, "edtCodProduto"),
                blankCheck("NmProduto", msg::kInformarNomePresente, "cmbProduto"),
                blankCheck("VlConcentracao", msg::kInformarConcentracao, "edtConcentracao"),
                blankCheck("NrNF", msg::kInformarNumeroNotaFiscal, "edtNF"),
                blankCheck("CdFornecedor", msg::kInformarCnpjCpfFornecedor, "edtCNPJFornecedor"),
                blankCheck("CdTransportadora", msg::kInformarCnpjDaTransportadora, "edtCNPJTransportadora")};
    l.reuse = InvoiceReuse{stringList({"NrDia", "VlES", "NrNF", "CdFornecedor", "CdTransportadora"}),
                           QStringLiteral("edtCodProduto")};
    l.firstFocus = QStringLiteral("edtDia");
    l.grid = {col("Dia", "NrDia"),
              col("Operação", "VlES"),
              col("Nota Fiscal", "NrNF"),
              col("CNPJ/CPF do Fornecedor ou Adquirente", "CdFornecedor"),
              col("CNPJ/CPF da Transportadora", "CdTransportadora"),
              col("Cód. NCM", "CdNCM"),
              col("Substância Controlada Presente", "NmProduto"),
              col("Concentração %", "VlConcentracao"),
              col("Quantidade", "QtdMovResiduo"),
              col("Unidade", "DsUnidade")};
    l.gridHint = s("Lista das movimentações de resíduos de produtos químicos");
    l.closePrompt = msg::kNaoSalvas;
    l.spans = {{QStringLiteral("rdgOperacao"), 2}, {QStringLiteral("edtCNPJFornecedor"), 2},
               {QStringLiteral("edtCNPJTransportadora"), 2}, {QStringLiteral("cmbProduto"), 3}};
    return h;
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

const AnnexSpec &annexC()
{
    static const AnnexSpec c = buildC();
    return c;
}

const AnnexSpec &annexD()
{
    static const AnnexSpec d = buildD();
    return d;
}

const AnnexSpec &annexE()
{
    static const AnnexSpec e = buildE();
    return e;
}

const AnnexSpec &annexF()
{
    static const AnnexSpec f = buildF();
    return f;
}

const AnnexSpec &annexG()
{
    static const AnnexSpec g = buildG();
    return g;
}

const AnnexSpec &annexH()
{
    static const AnnexSpec h = buildH();
    return h;
}

const ListSpec &annexGIsolated()
{
    static const ListSpec l = buildIsolated();
    return l;
}

const AnnexSpec *annexSpec(QChar letter)
{
    switch (letter.toUpper().unicode()) {
    case 'A': return &annexA();
    case 'B': return &annexB();
    case 'C': return &annexC();
    case 'D': return &annexD();
    case 'E': return &annexE();
    case 'F': return &annexF();
    case 'G': return &annexG();
    case 'H': return &annexH();
    default: return nullptr;
    }
}

const QStringList &ufList()
{
    static const QStringList l = stringList({"AC", "AL", "AM", "AP", "BA", "CE", "DF", "ES", "EX", "GO",
                                             "MA", "MG", "MS", "MT", "PA", "PB", "PE", "PI", "PR", "RJ",
                                             "RN", "RO", "RR", "RS", "SC", "SE", "SP", "TO"});
    return l;
}

const QStringList &destinationList()
{
    static const QStringList l = stringList({"Armazenamento Permanente", "Aterro", "Aterro Sanitário",
                                             "Comercialização", "Destruição - Diluição",
                                             "Destruição - Dissolução", "Destruição - Incineração",
                                             "Destruição - Neutralização", "Outros", "Reaproveitamento",
                                             "Reciclagem"});
    return l;
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
