#include "Schema.h"

namespace quirels::schema {

namespace {

Field text(const char *n, int w, const char *mask = "") { return Field{n, Type::Text, w, "", "", mask, false}; }
Field memo(const char *n, int w) { return Field{n, Type::Memo, w, "", "", "", false}; }
Field integer(const char *n) { return Field{n, Type::Integer, 0, "", "", "", false}; }
Field autoinc(const char *n) { return Field{n, Type::AutoInc, 0, "", "", "", false}; }
Field boolean(const char *n) { return Field{n, Type::Boolean, 0, "", "", "", false}; }
Field real(const char *n, const char *display, const char *edit = "", bool max100 = false)
{
    return Field{n, Type::Float, 0, display, edit, "", max100};
}

const char *const kCnpjCpfMask = "";        // chosen by length at run time
const char *const kNcmMask = "9999.99.99;1; ";

std::vector<Field> withPeriod(std::vector<Field> rest)
{
    std::vector<Field> f{text("CdCNPJEmpr", 14), text("NrAno", 4), text("NmMes", 3)};
    f.insert(f.end(), rest.begin(), rest.end());
    return f;
}

std::vector<const char *> periodPlus(std::initializer_list<const char *> more)
{
    std::vector<const char *> k{"CdCNPJEmpr", "NrAno", "NmMes"};
    k.insert(k.end(), more.begin(), more.end());
    return k;
}

const Index kDayIndex{"IdxDia", {"CdCNPJEmpr", "NrAno", "NmMes", "NrDia"}, true, false};

std::vector<Table> build()
{
    std::vector<Table> t;

    t.push_back({"Empresa", "Empresa.DB", "tblEmpresa",
                 {text("CdCNPJEmpr", 14), text("NmRazao", 70), text("NrCLF", 10, "99999999-9;1;_"),
                  text("CdCNAE", 10), boolean("FlGrupoI"), boolean("FlGrupoII"), boolean("FlGrupoIII"),
                  boolean("FlGrupoIV"), boolean("FlGrupoV"), boolean("FlGrupoVI"), boolean("FlGrupoVII"),
                  boolean("FlGrupoVIII"), boolean("FlGrupoIX"), text("DsGrupoIX", 50),
                  memo("DsInformacoes", 200), text("DsGrupoPrincipal", 10), text("NmResponsavel", 40),
                  text("NrCpfResponsavel", 11, "000.000.000-00;0;_"), text("NrIdentidade", 14),
                  text("NmOrgao", 35), text("SgUF", 2), text("NrDDD", 3), text("NrFone", 8),
                  text("NrFax", 8), text("NmEmail", 50)},
                 {"CdCNPJEmpr"}});

    t.push_back({"Mes", "Mes.db", "tblMes", withPeriod({}), periodPlus({}), "Empresa", {"CdCNPJEmpr"}});

    t.push_back({"Produtos", "Produtos.db", "tblProdutos",
                 withPeriod({autoinc("CdProduto"), real("VlConcentracao", "0.00", "", true),
                             real("VlDensidade", "0.00", "", true), real("QtEstoqueAnt", "0.000"),
                             real("QtProducao", "0.000"), real("QtTransformacao", "0.000"),
                             real("QtUtilizacao", "0.000"), real("QtCompras", "0.000"),
                             real("QtVendas", "0.000"), real("QtReciclagem", "0.000"),
                             real("QtReaproveitamento", "0.000"), real("QtImportacao", "0.000"),
                             real("QtExportacao", "0.000"), real("QtPerdas", "0.000"),
                             real("QtEvaporacao", "0.000"), real("QtEntradasDiv", "0.000"),
                             real("QtSaidasDiv", "0.000"), real("QtEstoqueAtual", "0.000"),
                             text("DsUnidade", 6), integer("CdProdutoControlado"), text("CdNCM", 10, kNcmMask),
                             text("NmProduto", 70)}),
                 periodPlus({"CdProduto"}), "Mes", periodPlus({})});

    t.push_back({"ProdutoFinal", "ProdutoFinal.db", "tblProdutoFinal",
                 withPeriod({integer("CdProduto"), autoinc("CdProdFinal"),
                             real("VlDensidade", "##0.00", "##0.0", true), real("QtProdFinal", "0.000", "0.000"),
                             text("DsUnidade", 6), integer("CdProdControlado"), text("CdNCM", 10, kNcmMask),
                             text("NmProduto", 70)}),
                 periodPlus({"CdProduto", "CdProdFinal"}), "Produtos", periodPlus({"CdProduto"})});

    t.push_back({"SubstanciaPresente", "SubstanciaPresente.db", "tblSubstanciaPresente",
                 withPeriod({integer("CdProduto"), integer("CdProdFinal"), autoinc("CdSubstancia"),
                             real("VlConcentracao", "##0.00", "##0.0", true), integer("CdProdControlado"),
                             text("CdNCM", 10, kNcmMask), text("NmProduto", 70)}),
                 periodPlus({"CdProduto", "CdProdFinal", "CdSubstancia"}), "ProdutoFinal",
                 periodPlus({"CdProduto", "CdProdFinal"})});

    t.push_back({"Movimentacao", "Movimentacao.DB", "tblMovimentacao",
                 withPeriod({autoinc("NrMovimentacao"), text("NrDia", 2), text("NrCFOP", 10, "9.999;1;_"),
                             integer("CdProduto"), real("VlConcentracao", "##0.00", "##0.00", true),
                             real("VlQuantidade", "##0.000", "##0.000"), text("NmUnidade", 6), text("NrNF", 10),
                             text("CdFornecedor", 14, kCnpjCpfMask), text("CdTransportadora", 14, kCnpjCpfMask),
                             text("CdNCM", 10, kNcmMask), text("NmProduto", 70)}),
                 periodPlus({"NrMovimentacao"}), "Mes", periodPlus({}), {kDayIndex}, "IdxDia"});

    t.push_back({"Importacao", "Importacao.DB", "tblImportacao",
                 withPeriod({autoinc("CdImportacao"), integer("CdProduto"), real("VlConcentracao", "0.00", "0.00"),
                             real("QtImportacao", "0.000", "0.000"), text("DsUnidade", 6), text("NrLI", 20),
                             text("NrNF", 10), text("CdTransportadora", 14, kCnpjCpfMask),
                             text("NmImportador", 100), integer("CdPais"), text("FlIE", 1),
                             text("CdNCM", 10, "9999.99.99;1;_"), text("NmProduto", 70)}),
                 periodPlus({"CdImportacao"}), "Mes", periodPlus({})});

    t.push_back({"Armazenagem", "Armazenagem.db", "tblArmazenagem",
                 withPeriod({autoinc("CdArmazenagem"), text("CdNCM", 10, kNcmMask), text("NmProduto", 70),
                             real("VlConcentracao", "##0.00", "##0.00", true),
                             real("QtEstoqueAnt", "0.000", "0.000"), real("QtEstoqueAtual", "0.000", "0.000"),
                             text("DsUnidade", 6), text("CdProprietario", 14, kCnpjCpfMask)}),
                 periodPlus({"CdArmazenagem"}), "Mes", periodPlus({})});

    t.push_back({"MovArmazenagem", "MovArmazenagem.db", "tblMovArmazenagem",
                 withPeriod({autoinc("CdMovArmazenagem"), text("NrDia", 2), text("DsES", 1), integer("CdProduto"),
                             real("QtMovArmazenagem", "0.000", "0.000"), text("DsUnidade", 6), text("CdNF", 10),
                             text("CdProprietario", 14, kCnpjCpfMask), text("CdTransportadora", 14, kCnpjCpfMask),
                             real("Vlconcentracao", "0.00", "0.00"), text("CdNCM", 10, kNcmMask),
                             text("NmProduto", 70)}),
                 periodPlus({"CdMovArmazenagem"}), "Mes", periodPlus({}), {kDayIndex}});

    t.push_back({"Transporte", "Transporte.db", "tblTransporte",
                 withPeriod({autoinc("CdTransporte"), text("NrDia", 2), integer("CdProduto"),
                             real("VlConcentracao", "##0.00", "##0.00", true), real("QtProduto", "0.000", "0.000"),
                             text("DsUnidade", 6), integer("NrNF"), text("CdEmbarcador", 14, kCnpjCpfMask),
                             text("SgUFEmbarcador", 2), text("CdDestinatario", 14, kCnpjCpfMask),
                             text("SgUFDestinatario", 2), text("CdNCM", 10, kNcmMask), text("NmProduto", 70)}),
                 periodPlus({"CdTransporte"}), "Mes", periodPlus({})});

    // DsDestinacao holds the longest destination, "Destruição - Neutralização",
    // whole: 26 characters (25 in older stores, which are migrated).
    t.push_back({"Residuo", "Residuo.db", "tblResiduo",
                 withPeriod({autoinc("CdResiduo"), integer("CdProdContrPresente"),
                             real("VlConcentracao", "##0.00", "##0.00", true), real("QtResiduo", "0.000", "0.000"),
                             text("DsUnidade", 6), text("DsDestinacao", 26), text("CdNCM", 10, kNcmMask),
                             text("NmProduto", 70)}),
                 periodPlus({"CdResiduo"}), "Mes", periodPlus({})});

    t.push_back({"Isolado", "Isolado.db", "tblIsolado",
                 withPeriod({autoinc("CdIsolado"), integer("CdProdContrPresente"),
                             real("VlConcentracao", "##0.00", "##0.00", true),
                             real("VlDensidade", "##0.00", "##0.00", true), real("QtProdIsolado", "0.000", "0.000"),
                             text("DsUnidade", 6), text("CdNCM", 10, kNcmMask), text("NmProduto", 70)}),
                 periodPlus({"CdIsolado"}), "Mes", periodPlus({})});

    t.push_back({"MovResiduo", "MovResiduo.db", "tblMovResiduo",
                 withPeriod({autoinc("CdMovResiduo"), text("NrDia", 2), text("VlES", 1),
                             real("QtdMovResiduo", "0.000", "0.000"), text("DsUnidade", 6),
                             integer("CdProdControlado"), real("VlConcentracao", "0.00", "0.00", true),
                             text("NrNF", 10), text("CdFornecedor", 14, kCnpjCpfMask),
                             text("CdTransportadora", 14, kCnpjCpfMask), text("CdNCM", 10, kNcmMask),
                             text("NmProduto", 70)}),
                 periodPlus({"CdMovResiduo"}), "Mes", periodPlus({})});

    t.push_back({"Observacoes", "Observacoes.DB", "tblObservacoes",
                 withPeriod({text("Anexo", 2), memo("Observacao", 240)}), periodPlus({"Anexo"}), "Mes",
                 periodPlus({})});

    // FlForaDaLista: a product the list in force no longer holds, kept with
    // its number because months refer to it; searches and choices leave it out.
    t.push_back({"ProdutoControlado", "ProdutoControlado.DB", "tblLkpProdutoControlado",
                 {autoinc("IdProdutoControlado"), text("CdNCM", 10), text("NmProdutoControlado", 70),
                  boolean("FlForaDaLista")},
                 {"IdProdutoControlado"}, nullptr, {},
                 {{"idxNome", {"NmProdutoControlado"}, true, false, true}, {"idxNCM", {"CdNCM"}}}, "idxNome"});

    t.push_back({"Cnae", "Cnae.db", "tblLkpCNAE",
                 {integer("CDCNAE"), text("CDDESCRCNAE", 10), text("NMCNAE", 250)}, {}, nullptr, {},
                 {{"idxCDCNAE", {"CDCNAE"}}, {"idxCDDescr", {"CDDESCRCNAE"}}, {"idxNome", {"NMCNAE"}, true, false, true}}});

    // The official descriptions reach 307 characters.
    t.push_back({"CFOP", "CFOP.db", "tblLkpCFOP", {text("CdCFOP", 10), text("dsCFOP", 320)}, {}, nullptr, {},
                 {{"idxDescricao", {"dsCFOP"}, true, false, true}}, "idxDescricao"});

    // Country names of the official table reach 48 characters; the column is
    // wide enough to keep every one whole.
    t.push_back({"Paises", "Paises.DB", "tblPais", {integer("CDPAIS"), text("NMPAIS", 50)}, {"CDPAIS"}, nullptr,
                 {}, {{"idxPais", {"NMPAIS"}, true, false, true}}, "idxPais"});
    return t;
}

QString quoteId(const QString &id) { return QLatin1Char('"') + id + QLatin1Char('"'); }

} // namespace

const std::vector<Table> &tables()
{
    static const std::vector<Table> all = build();
    return all;
}

const std::vector<Table> &ownTables()
{
    static const std::vector<Table> own{
        // One row per imported invoice: its access key, and the annex rows
        // created from it ("B12 B13 C4": Movimentacao 12 and 13, Importacao
        // 4). A second import of the same invoice finds it here.
        {"NFeImportada", "NFeImportada.db", "",
         withPeriod({text("CdChave", 44), text("NrNF", 10), text("CdParte", 14), memo("DsLinhas", 240)}),
         {"CdCNPJEmpr", "CdChave"}},
        // The factor that turns an invoice unit of one issuer's product code
        // into kilograms or litres, given once and remembered.
        {"FatorUnidade", "FatorUnidade.db", "",
         {text("CdCNPJEmpr", 14), text("CdEmitente", 14), text("CdProdutoNF", 60), text("SgUnidadeNF", 6),
          real("VlFator", "0.000000"), text("DsUnidade", 6)},
         {"CdCNPJEmpr", "CdEmitente", "CdProdutoNF", "SgUnidadeNF"}},
    };
    return own;
}

const Table *table(const QString &name)
{
    for (const Table &t : tables())
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

const Table *anyTable(const QString &name)
{
    if (const Table *t = table(name))
        return t;
    for (const Table &t : ownTables())
        if (name.compare(t.qname(), Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

int textWidth(const QString &tableName, const QString &fieldName)
{
    const Table *t = table(tableName);
    const Field *f = t ? t->field(fieldName) : nullptr;
    return f && f->type == Type::Text ? f->width : 0;
}

const Field *Table::field(const QString &n) const
{
    const int i = fieldIndex(n);
    return i < 0 ? nullptr : &fields[static_cast<size_t>(i)];
}

int Table::fieldIndex(const QString &n) const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (n.compare(QLatin1String(fields[i].name), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

const Field *Table::autoIncrement() const
{
    for (const Field &f : fields)
        if (f.type == Type::AutoInc)
            return &f;
    return nullptr;
}

static QStringList names(const std::vector<const char *> &v)
{
    QStringList out;
    for (const char *s : v)
        out.append(QString::fromLatin1(s));
    return out;
}

QStringList Table::fieldNames() const
{
    QStringList out;
    for (const Field &f : fields)
        out.append(f.qname());
    return out;
}

QStringList Table::primaryKeyNames() const { return names(primaryKey); }
QStringList Table::linkNames() const { return names(links); }

const Index *Table::index(const QString &n) const
{
    for (const Index &i : indexes)
        if (n.compare(QLatin1String(i.name), Qt::CaseInsensitive) == 0)
            return &i;
    return nullptr;
}

QString physicalIndexName(const Table &t, const Index &i)
{
    return t.qname() + QLatin1Char('_') + QString::fromLatin1(i.name);
}

QStringList ddl(const Table &t)
{
    QStringList cols;
    const QStringList pk = t.primaryKeyNames();
    for (const Field &f : t.fields) {
        QString c = quoteId(f.qname()) + QLatin1Char(' ');
        const bool key = pk.contains(f.qname());
        switch (f.type) {
        case Type::Text:
            c += QStringLiteral("VARCHAR(%1)").arg(f.width);
            if (key)
                c += QStringLiteral(" NOT NULL");
            c += QStringLiteral(" CHECK (length(%1) <= %2)").arg(quoteId(f.qname())).arg(f.width);
            break;
        case Type::Memo: c += QStringLiteral("TEXT"); break;
        case Type::Integer: c += QStringLiteral("INTEGER"); break;
        case Type::Float: c += QStringLiteral("DOUBLE"); break;
        case Type::Boolean: c += QStringLiteral("BOOLEAN DEFAULT 0"); break;
        case Type::AutoInc: c += QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"); break;
        }
        cols.append(c);
    }
    const bool autoKey = t.autoIncrement() != nullptr;
    if (!pk.isEmpty() && !autoKey) {
        QStringList q;
        for (const QString &k : pk)
            q.append(quoteId(k));
        cols.append(QStringLiteral("PRIMARY KEY (%1)").arg(q.join(QStringLiteral(", "))));
    }
    QStringList out;
    out.append(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(quoteId(t.qname()), cols.join(QStringLiteral(", "))));
    // The declared composite key of tables numbered by an auto-increment
    // field: the number alone is unique, the key adds the period in front.
    if (autoKey && pk.size() > 1) {
        QStringList q;
        for (const QString &k : pk)
            q.append(quoteId(k));
        out.append(QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                       .arg(quoteId(t.qname() + QStringLiteral("_pk")), quoteId(t.qname()), q.join(QStringLiteral(", "))));
    }
    for (const Index &i : t.indexes) {
        QStringList q;
        for (const char *f : i.fields)
            q.append(quoteId(QString::fromLatin1(f)) + (i.names             ? QStringLiteral(" COLLATE PTBR")
                                                        : i.caseInsensitive ? QStringLiteral(" COLLATE NOCASE")
                                                                            : QString()));
        out.append(QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 (%4)")
                       .arg(i.unique ? QStringLiteral("UNIQUE ") : QString(), quoteId(physicalIndexName(t, i)),
                            quoteId(t.qname()), q.join(QStringLiteral(", "))));
    }
    return out;
}

const QStringList &monthCodes()
{
    static const QStringList codes{QStringLiteral("JAN"), QStringLiteral("FEV"), QStringLiteral("MAR"),
                                   QStringLiteral("ABR"), QStringLiteral("MAI"), QStringLiteral("JUN"),
                                   QStringLiteral("JUL"), QStringLiteral("AGO"), QStringLiteral("SET"),
                                   QStringLiteral("OUT"), QStringLiteral("NOV"), QStringLiteral("DEZ")};
    return codes;
}

int monthNumber(const QString &code)
{
    return static_cast<int>(monthCodes().indexOf(code.toUpper())) + 1;
}

} // namespace quirels::schema
