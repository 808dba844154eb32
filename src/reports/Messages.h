#pragma once
// The texts of the reports, exactly as the user sees them.

#include <QString>

namespace quirels::reports::msg {

// Nothing to print in the annex: "%1" is the annex letter A .. H.
inline const QString kVazio = QStringLiteral("Não existem informações à serem impressas no Anexo %1.");
inline QString vazio(QChar annex) { return kVazio.arg(annex); }

// Report titles (print-job and preview title): "Anexo A" .. "Anexo H".
inline QString titulo(QChar annex) { return QStringLiteral("Anexo ") + annex; }
inline const QString kTituloProdutos = QStringLiteral("Relação de Produtos Controlados");

// Closing page.
inline const QString kObservacoes = QStringLiteral("Observações do Anexo %1:");

// Preview window.
inline const QString kPreviewCaption = QStringLiteral("Previsualizar a Impressão");
inline const QString kHintZoom = QStringLiteral("Porcentagem do Zoom");
inline const QString kHintPrimeiro = QStringLiteral("Primeira Página");
inline const QString kHintAnterior = QStringLiteral("Página Anterior");
inline const QString kHintPagina = QStringLiteral("Página Atual");
inline const QString kHintTotal = QStringLiteral("Quantidade de \r\npáginas do\r\nrelatório");
inline const QString kHintProximo = QStringLiteral("Próxima página");
inline const QString kHintUltimo = QStringLiteral("Última Página");
inline const QString kHintImprimir = QStringLiteral("Imprimir");
inline const QString kHintConfigurar = QStringLiteral("Configurar Impressora");
inline const QString kHintFechar = QStringLiteral("Fechar Tela");
inline const QString kSalvarPdf = QStringLiteral("Salvar PDF");
inline const QString kHintSalvarPdf = QStringLiteral("Grava o relatório num arquivo PDF");
inline const QString kFiltroPdf = QStringLiteral("Arquivos PDF (*.pdf)");
inline const QString kPdfGravado = QStringLiteral("Arquivo PDF gravado: %1");
inline const QString kPdfFalhou = QStringLiteral("Não foi possível gravar o arquivo PDF %1.");
// A zoom text that is not a whole number.
inline const QString kZoomInvalido = QStringLiteral("'%1' não é um valor Inteiro válido");
inline const QString kImprimindo = QStringLiteral("Imprimindo %1...");

// Options dialog.
inline const QString kConfigCaption = QStringLiteral("Configura parâmetros de Impressão");
inline const QString kGrupo = QStringLiteral("Relatório do Anexo %1");
inline const QString kProduto = QStringLiteral("Produto");
inline const QString kNotaFiscal = QStringLiteral("Nota Fiscal");
inline const QString kPorLancamento = QStringLiteral("Por Lançamento");
inline const QString kDataNota = QStringLiteral("Data da nota Fiscal");
inline const QString kBtnImprimir = QStringLiteral("Imprimir");
inline const QString kHintBtnImprimir = QStringLiteral("Imprime todos os produtos");

// Printing on a computer without a printer.
inline const QString kSemImpressora =
    QStringLiteral("Não há impressora instalada neste computador.\rDeseja salvar o relatório em um arquivo PDF?");
inline const QString kSemImpressoraTodos =
    QStringLiteral("Não há impressora instalada neste computador.\rDeseja ver todos os anexos numa só "
                   "visualização, de onde podem ser salvos em um único arquivo PDF?");
// "Janela" menu: the options window of the annex reports.
inline const QString kJanelaOpcoes = QStringLiteral("&Opções de Impressão");
inline const QString kHintJanelaOpcoes = QStringLiteral("Mostra a janela de parâmetros de impressão do anexo");
// The one preview of every annex.
inline const QString kTituloTodos = QStringLiteral("Todos os Anexos");
// The year view ("Visão do Ano", quirels-cli ano).
inline const QString kVisaoAnoTitulo = QStringLiteral("Visão do Ano");
// %1 the opening stock, %2 the previous month's code, %3 its closing stock.
inline const QString kVisaoAnoAviso = QStringLiteral("Estoque anterior %1 difere do estoque atual de %2 (%3)");
inline const QString kVisaoAnoVazio = QStringLiteral("Não há produtos do Anexo XI-A da empresa %1 no ano de %2.");
inline const QString kVisaoAnoResumo = QStringLiteral("Produtos: %1. Meses com estoque anterior diferente do estoque atual do mês anterior: %2.");
inline const QString kVisaoAnoCsvGravado = QStringLiteral("Arquivo %1 gravado.");

} // namespace quirels::reports::msg
