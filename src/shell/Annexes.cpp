#include "Annexes.h"

namespace quirels::shell {

QString Annex::buttonHint() const
{
    // "Anexo XI-A - Quirel ..." → "Anexo XI-A" + line break + "Quirel ...".
    const QString c = qcaption();
    const qsizetype cut = c.indexOf(QStringLiteral(" - "));
    if (cut < 0)
        return c;
    return c.left(cut) + QLatin1Char('\n') + c.mid(cut + 3);
}

const std::array<Annex, 8> &annexes()
{
    static const std::array<Annex, 8> a{{
        {'A', "Anexo XI-A - Quirel de Controle Geral de Produtos Químicos", "mniControleGeral",
         "btnControleGeral", "mniControleGeralRel", "Relatório do Anexo XI-A"},
        {'B', "Anexo XI-B - Quirel de Movimentação de Produtos Químicos", "mniMovimentacaoProdutos",
         "btnMovimentacao", "mniMovimentacaoProdutosRel", "Relatório do Anexo XI-B"},
        {'C', "Anexo XI-C - Quirel de Controle de Importação e Exportação de Produtos Químicos",
         "mniImportacaoExportacao", "btnImportacaoExportacao", "mniImportacaoExportacaoRel",
         "Relatório do Anexo XI-C"},
        {'D', "Anexo XI-D - Quirel de Controle de Armazenagem de Produtos Químicos", "mniArmazenagem",
         "btnArmazenagem", "mniArmazenagemRel", "Relatório do Anexo XI-D"},
        {'E', "Anexo XI-E - Quirel de Movimentação de Armazenagem de Produtos Químicos",
         "mniMovimentacaoArmazenagem", "btnMovimentacaoArmazenagem", "mniMovimentacaoArmazenagemRel",
         "Relatório do Anexo XI-E"},
        {'F', "Anexo XI-F - Quirel de Transporte de Produtos Químicos", "mniTransporte", "btnTransporte",
         "mniTransporteRel", "Relatório do Anexo XI-F"},
        {'G', "Anexo XI-G - Quirel de Controle de Geração/Reaproveitamento/Reciclagem de Resíduos",
         "mniGeracaoResiduo", "btnGeracao", "mniGeracaoResiduoRel", "Relatório do Anexo-XI-G"},
        {'H', "Anexo XI-H - Quirel de Movimentação de Resíduos", "mniMovimentacaoResiduo",
         "btnMovimentacaoResiduo", "mniMovimentacaoResiduoRel", "Relatório do Anexo XI-H"},
    }};
    return a;
}

const Annex *annex(QChar letter)
{
    const int i = annexIndex(letter);
    return i >= 0 && i < 8 ? &annexes()[static_cast<size_t>(i)] : nullptr;
}

const std::vector<AnnexGroupRule> &annexGroupRules()
{
    static const std::vector<AnnexGroupRule> r{
        {{4, 9}, 'G', false, "GH"},
        {{7, 9}, 'D', false, "DE"},
        {{8, 9}, 'F', false, "F"},
        {{1, 2, 3, 5, 6, 9}, 'A', true, "ABC"},
    };
    return r;
}

bool applies(const AnnexGroupRule &rule, const Groups &groups)
{
    for (int g : rule.groups)
        if (groups[static_cast<size_t>(g - 1)])
            return true;
    return false;
}

QString lettersFor(const Groups &groups)
{
    QString out;
    for (const AnnexGroupRule &r : annexGroupRules())
        if (applies(r, groups))
            out += QLatin1String(r.letters);
    return out;
}

} // namespace quirels::shell
