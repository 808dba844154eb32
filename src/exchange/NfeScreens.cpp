#include "NfeScreens.h"

namespace quirels::exchange::nfe {

const QList<entry::RequiredCheck> &checksB() { return entry::annexB().main.checks; }

// Until the annex XI-C screen has its descriptor, its Salvar checks are
// listed here in its order; they go when the descriptor arrives.
const QList<entry::RequiredCheck> &checksC()
{
    static const QList<entry::RequiredCheck> checks = [] {
        using entry::RequiredCheck;
        namespace when = entry::when;
        const auto s = [](const char *t) { return QString::fromUtf8(t); };
        return QList<RequiredCheck>{
            {when::blank(QStringLiteral("FlIE")), s("É necessário informar o tipo de operação."), s("rdgOperacao")},
            {when::noDigit(QStringLiteral("CdNCM")), s("É necessário informar o código do produto químico controlado."),
             s("edtCodProduto")},
            {when::blank(QStringLiteral("NmProduto")), s("É necessário informar o nome do produto químico controlado."),
             s("cmbProduto")},
            {when::blank(QStringLiteral("VlConcentracao")), s("É necessário informar o valor de concentração."),
             s("edtConcentracao")},
            {when::blank(QStringLiteral("QtImportacao")), s("É necessário informar a quantidade do produto."),
             s("edtQuantidade")},
            {when::blank(QStringLiteral("DsUnidade")), s("É necessário informar a unidade de medida."), s("cmbUnidade")},
            {when::blank(QStringLiteral("NrLI")), s("É necessário informar o LI ou RE."), s("edtLIRE")},
            {when::blank(QStringLiteral("NrNF")), s("É necessário informar o número da Nota Fiscal."), s("edtNF")},
            {when::blank(QStringLiteral("CdTransportadora")), s("É necessário informar o CNPJ da Transportadora."),
             s("edtCNPJTransportadora")},
            {when::blank(QStringLiteral("NmImportador")), s("É necessário informar o nome do Importador ou Exportador."),
             s("edtImportador")},
            {when::blank(QStringLiteral("CdPais")), s("É necessário informar o País."), s("cmbPais")},
        };
    }();
    return checks;
}

} // namespace quirels::exchange::nfe
