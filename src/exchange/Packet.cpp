#include "Packet.h"

#include "store/Schema.h"

#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace quirels::exchange {

namespace {

const QString kLookup = QStringLiteral("lkpProduto");

FieldKind kindOf(schema::Type t)
{
    switch (t) {
    case schema::Type::Text: return FieldKind::Text;
    case schema::Type::Memo: return FieldKind::Memo;
    case schema::Type::Integer: return FieldKind::Integer;
    case schema::Type::Float: return FieldKind::Number;
    case schema::Type::Boolean: return FieldKind::Flag;
    case schema::Type::AutoInc: return FieldKind::Counter;
    }
    return FieldKind::Text;
}

// A level's fields in packet order; each takes its type and width from the
// store's table, except the looked-up product name, which the store lacks.
std::vector<PacketField> fieldsOf(const QString &tableName, const QString &list)
{
    const schema::Table *t = schema::table(tableName);
    std::vector<PacketField> out;
    const QStringList names = list.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &n : names) {
        if (n == kLookup) {
            out.push_back({n, FieldKind::Lookup, 70});
            continue;
        }
        const schema::Field *f = t ? t->field(n) : nullptr;
        if (!f) {
            std::fprintf(stderr, "packet field %s.%s is not in the schema\n", qPrintable(tableName), qPrintable(n));
            std::abort();
        }
        out.push_back({f->qname(), kindOf(f->type), f->width});
    }
    return out;
}

struct Tree {
    std::deque<Level> levels; // stable addresses
    const Level *root = nullptr;

    Level &add(const char *name, const char *table, const QString &fields)
    {
        Level l;
        l.name = QString::fromLatin1(name);
        l.table = QString::fromLatin1(table);
        l.fields = fieldsOf(l.table, fields);
        l.rowElement = QStringLiteral("ROW") + l.name;
        levels.push_back(std::move(l));
        return levels.back();
    }

    Tree()
    {
        const char *period = "CdCNPJEmpr NrAno NmMes ";
        Level &company = add("", "Empresa",
                             QStringLiteral("CdCNPJEmpr NmRazao NrCLF CdCNAE FlGrupoI FlGrupoII FlGrupoIII FlGrupoIV FlGrupoV "
                             "FlGrupoVI FlGrupoVII FlGrupoVIII FlGrupoIX DsGrupoIX DsInformacoes DsGrupoPrincipal "
                             "NmResponsavel NrCpfResponsavel NrIdentidade NmOrgao SgUF NrDDD NrFone NrFax NmEmail"));
        Level &month = add("qryMes", "Mes", QString::fromLatin1(period));
        auto periodLevel = [&](const char *name, const char *table, const char *rest) -> Level & {
            return add(name, table, QString::fromLatin1(period) + QString::fromLatin1(rest));
        };
        Level &obs = periodLevel("tblObservacoes", "Observacoes", "Anexo Observacao");
        Level &movArm = periodLevel("tblMovArmazenagem", "MovArmazenagem",
                                    "CdMovArmazenagem NrDia DsES CdProduto QtMovArmazenagem DsUnidade CdNF "
                                    "CdProprietario CdTransportadora Vlconcentracao CdNCM NmProduto");
        Level &movRes = periodLevel("tblMovResiduo", "MovResiduo",
                                    "CdMovResiduo NrDia VlES QtdMovResiduo DsUnidade CdProdControlado "
                                    "VlConcentracao NrNF CdFornecedor CdTransportadora CdNCM NmProduto");
        Level &isolado = periodLevel("tblIsolado", "Isolado",
                                     "CdIsolado CdProdContrPresente VlConcentracao VlDensidade QtProdIsolado "
                                     "DsUnidade CdNCM NmProduto");
        Level &residuo = periodLevel("tblResiduo", "Residuo",
                                     "CdResiduo CdProdContrPresente VlConcentracao QtResiduo DsUnidade "
                                     "DsDestinacao CdNCM NmProduto");
        Level &importacao = periodLevel("tblImportacao", "Importacao",
                                        "CdImportacao CdProduto VlConcentracao QtImportacao NrLI DsUnidade NrNF "
                                        "CdTransportadora FlIE NmImportador CdPais CdNCM NmProduto");
        Level &produtos = periodLevel("tblProdutos", "Produtos",
                                      "CdProduto VlConcentracao VlDensidade QtEstoqueAnt QtProducao "
                                      "QtTransformacao QtUtilizacao QtCompras QtVendas QtReciclagem "
                                      "QtReaproveitamento QtImportacao QtExportacao QtPerdas QtEvaporacao "
                                      "QtEntradasDiv QtSaidasDiv QtEstoqueAtual DsUnidade CdProdutoControlado "
                                      "CdNCM NmProduto");
        Level &final = periodLevel("tblProdutoFinal", "ProdutoFinal",
                                   "CdProduto CdProdFinal VlDensidade QtProdFinal DsUnidade CdProdControlado "
                                   "CdNCM NmProduto");
        Level &subst = periodLevel("tblSubstanciaPresente", "SubstanciaPresente",
                                   "CdProduto CdProdFinal CdSubstancia VlConcentracao CdProdControlado CdNCM "
                                   "NmProduto");
        Level &armazenagem = periodLevel("tblArmazenagem", "Armazenagem",
                                         "CdArmazenagem VlConcentracao QtEstoqueAnt QtEstoqueAtual DsUnidade "
                                         "CdProprietario CdNCM NmProduto");
        Level &transporte = periodLevel("tblTransporte", "Transporte",
                                        "CdTransporte NrDia CdProduto VlConcentracao QtProduto DsUnidade NrNF "
                                        "CdEmbarcador SgUFEmbarcador CdDestinatario SgUFDestinatario lkpProduto "
                                        "CdNCM NmProduto");
        Level &movimentacao = periodLevel("tblMovimentacao", "Movimentacao",
                                          "NrMovimentacao NrDia NrCFOP CdProduto VlConcentracao VlQuantidade "
                                          "NmUnidade NrNF CdFornecedor CdTransportadora lkpProduto CdNCM NmProduto");
        company.rowElement = QStringLiteral("ROW");
        company.nested = {&month};
        month.nested = {&obs, &movArm, &movRes, &isolado, &residuo, &importacao, &produtos, &armazenagem,
                        &transporte, &movimentacao};
        produtos.nested = {&final};
        final.nested = {&subst};
        root = &company;
    }
};

const Tree &tree()
{
    static const Tree t;
    return t;
}

} // namespace

int Level::fieldIndex(const QString &field) const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == field)
            return static_cast<int>(i);
    return -1;
}

int Level::nestedIndex(const QString &n) const
{
    for (size_t i = 0; i < nested.size(); ++i)
        if (nested[i]->name == n)
            return static_cast<int>(i);
    return -1;
}

const Level &packetRoot() { return *tree().root; }

const Level *packetLevel(const QString &name)
{
    for (const Level &l : tree().levels)
        if (l.name == name)
            return &l;
    return nullptr;
}

QVariant fieldValue(const Level &level, const PacketRow &row, const QString &field)
{
    const int i = level.fieldIndex(field);
    return i >= 0 && i < row.values.size() ? row.values.at(i) : QVariant();
}

static QString baseName(const QString &cnpj, const QString &ano, const QString &mes)
{
    return QLatin1Char('M') + ano + mes + cnpj;
}

QString packetFileName(const QString &cnpj, const QString &ano, const QString &mes)
{
    return baseName(cnpj, ano, mes) + QStringLiteral("EMP.xml");
}

QString declarationFileName(const QString &cnpj, const QString &ano, const QString &mes)
{
    return baseName(cnpj, ano, mes) + QStringLiteral(".xml");
}

} // namespace quirels::exchange
