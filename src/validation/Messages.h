#pragma once
// The texts of the consistency check and of its report window, exactly as the
// user sees them. Several locations begin with a blank; keep it.

#include <QString>

namespace quirels::validation::msg {

// Report window.
inline const QString kCaption = QStringLiteral("Relatório de Validação");
inline const QString kTitle = QStringLiteral("Resultado da validação do procedimento de cadastramento");
inline const QString kColumnStatus = QStringLiteral("Status");
inline const QString kColumnLocal = QStringLiteral("Local");
inline const QString kLabelValidated = QStringLiteral("Itens Validados:");
inline const QString kLabelAlerts = QStringLiteral("Alertas:");
inline const QString kLabelErrors = QStringLiteral("Erros:");
inline const QString kButtonClose = QStringLiteral("&Fechar");
inline const QString kHintClose = QStringLiteral("Fechar tela");

// Counter lines of the command-line report ("Itens Validados: 12").
inline const QString kCounterValidated = QStringLiteral("Itens Validados: %1");
inline const QString kCounterAlerts = QStringLiteral("Alertas: %1");
inline const QString kCounterErrors = QStringLiteral("Erros: %1");

// A CFOP that does not read as an integer stops the run.
inline const QString kNotAnInteger = QStringLiteral("'%1' não é um valor Inteiro válido");
// The period asked for does not exist.
inline const QString kPeriodMissing = QStringLiteral("O período %1/%2 da empresa %3 não está cadastrado.");

// Locations.
inline const QString kLocCompany = QStringLiteral("[Informações sobre a Empresa]");
inline const QString kLocAnnexAGeneral = QStringLiteral("Anexo XI-A [1. Demonstrativo Geral]");
inline const QString kLocAnnexAGeneralBlank = QStringLiteral(" Anexo XI-A [1. Demonstrativo Geral]");
inline const QString kLocAnnexAComplementary = QStringLiteral("Anexo XI-A [3. Informações Complementares]");
inline const QString kLocAnnexAObservations = QStringLiteral("Anexo XI-A [Observações do Anexo A]");
inline const QString kLocAnnexAFinal = QStringLiteral("Anexo XI-A [2. Especificações sobre o Produto Final Obtido]");
inline const QString kLocResidue = QStringLiteral(" Anexo XI-G [Resíduo]");
inline const QString kLocResidueAndMovement = QStringLiteral(" Anexo XI-G [Resíduo] e Anexo XI-H [Movimentação do Resíduo]");
inline const QString kLocStorage = QStringLiteral(" Anexo XI-D [Armazenagem]");
inline const QString kLocStorageMovement = QStringLiteral("Anexo XI-E [Movimentação de Armazenagem]");
inline const QString kLocTransport = QStringLiteral(" Anexo XI-F [Transporte]");
inline const QString kLocAllAnnexes = QStringLiteral("Anexos [XI-A] [XI-B] [XI-C] [XI-D] [XI-E] [XI-F] [XI-G] [XI-H].");
inline const QString kLocAllFields = QStringLiteral("Todos os Campos");
inline const QString kLocAnnexB = QStringLiteral("Anexo XI-B");
inline const QString kLocAnnexE = QStringLiteral("Anexo XI-E");
inline const QString kLocAnnexF = QStringLiteral("Anexo XI-F");
inline const QString kLocAnnexH = QStringLiteral("Anexo XI-H");

// Company information.
inline const QString kClfEmpty = QStringLiteral("Erro: O campo CLF está vazio.");
inline const QString kClfOk = QStringLiteral("OK: O campo CLF está preenchido corretamente.");
inline const QString kMainGroupEmpty = QStringLiteral("Erro: O campo Grupo Principal está vazio.");
inline const QString kMainGroupOk = QStringLiteral("OK: O campo Grupo Principal está preenchido corretamente.");
inline const QString kNoGroup = QStringLiteral("Erro: Não foi informado nenhum Grupo para a empresa.");
inline const QString kGroupOk = QStringLiteral("OK: Informação sobre o Grupo informado.");
inline const QString kGroupIXEmpty = QStringLiteral("Erro: O Grupo IX foi selecionado, porém sem descrição.");
inline const QString kGroupIXOk = QStringLiteral("OK: Grupo IX preenchido corretamente.");
inline const QString kCnaeMissing = QStringLiteral("Erro: Falta informar o CNAE");
inline const QString kCnaeOk = QStringLiteral("OK: CNAE informado");

// Annex XI-A.
inline const QString kComplementaryOk = QStringLiteral("OK: Informações complementares prestadas para Perdas, Entradas ou Saídas");
inline const QString kComplementaryAlert = QStringLiteral("Alerta: Informações do Anexo A não fornecida para (Perdas, Entradas ou Saídas)");
inline const QString kNoProducts = QStringLiteral("Erro: Falta informar os produtos utilizados.");
inline const QString kProductsOk = QStringLiteral("OK: Produto informado.");
inline const QString kAnnexBRequired = QStringLiteral("Erro: É necessário preencher o Anexo XI-B quando ocorrer operação de compra e/ou venda.");
inline const QString kAnnexBOk = QStringLiteral("OK: Anexo XI-B preenchido corretamente para operações de compra e/ou venda.");
inline const QString kPurchaseDiffers = QStringLiteral("Erro: A soma das operações lançadas no Anexo XI-B não correspondem ao valor de compra para o produto ");
inline const QString kPurchaseOk = QStringLiteral("OK: Total de lançamentos para compra preenchido corretamente para o produto ");
inline const QString kSaleDiffers = QStringLiteral("Erro: A soma das operações lançadas no Anexo XI-B não correspondem ao valor de venda para o produto ");
inline const QString kSaleOk = QStringLiteral("OK: Total de lançamentos para vendas preenchido corretamente para o produto ");
inline const QString kOtherDiffers = QStringLiteral("Alerta: A soma das operações lançadas no Anexo XI-B não correspondem ao valor de Entradas e/ou Saídas diversas para o produto ");
inline const QString kOtherOk = QStringLiteral("OK: Total de lançamentos para Entradas e/ou Saídas diversas preenchidos corretamente para o produto ");
inline const QString kFinalOk = QStringLiteral("OK: Especificação do produto final obtido.");
inline const QString kFinalMissing = QStringLiteral("Erro: Não foi informado a especificação do produto final obtido.");
inline const QString kAnnexCRequired = QStringLiteral("Erro: É necessário preencher o Anexo XI-C quando ocorrer operação de importação e/ou exportação.");
inline const QString kAnnexCOk = QStringLiteral("OK: Anexo XI-C preenchido corretamente para operações de importação e/ou exportação.");
inline const QString kImportDiffers = QStringLiteral("Erro: A soma das operações lançadas no Anexo XI-C não correspondem ao valor de importação e/ou exportação para o produto ");
inline const QString kImportOk = QStringLiteral("OK: Total de lançamentos para importação e/ou exportação preenchidos corretamente para o produto ");

// Other groups.
inline const QString kResidueMissing = QStringLiteral("Erro: É necessário prestar as informações do Grupo IV - Reaproveitamento.");
inline const QString kResidueOk = QStringLiteral("OK: Prestadas as informações sobre Reaproveitamento");
inline const QString kStorageMissing = QStringLiteral("Erro: É necessário prestar as informações do Grupo VII - Armazenagem.");
inline const QString kStorageOk = QStringLiteral("OK: Prestadas as informações sobre Armazenagem");
inline const QString kStorageDiffers = QStringLiteral("Alerta: A soma das operações lançadas no Anexo XI-D não correspondem ao valor de Movimentação Armzenagem de Entrada/Saída para o produto ");
inline const QString kStorageBalanceOk = QStringLiteral("OK: Total de lançamentos para Movimentação de Armazenagem de Entrada/Saída preenchidos corretamente para o produto ");
inline const QString kTransportMissing = QStringLiteral("Erro: É necessário prestar as informações do Grupo VIII - Transporte.");
inline const QString kTransportOk = QStringLiteral("OK: Prestadas as informações sobre Transporte");
inline const QString kAllAnnexesEmpty = QStringLiteral("Erro: Todos os Anexos estão vazios. É necessário prestar as informações de pelo menos um dos Anexos.");

// Fixed confirmations: the entry screens enforce these rules as data are typed.
inline const QString kCnpjChecked = QStringLiteral("OK: Verificação de CNPJ/CPF - pré-consistido");
inline const QString kInvalidValuesChecked = QStringLiteral("OK: Verificação de valores inválidos - pré-consistido");
inline const QString kNegativeValuesChecked = QStringLiteral("OK: Verificação de valores negativos - pré-consistido");
inline const QString kRequiredFieldsChecked = QStringLiteral("OK: Verificação de campos obrigatórios - pré-consistido");
inline const QString kDatesChecked = QStringLiteral("OK: Validação de datas - pré-consistido");

// Stored rows that break what the screens enforce: the field and the value
// as stored (the location names the annex, the table and the row).
inline const QString kStoredCompanyKey = QStringLiteral("Erro: Verificação de CNPJ/CPF - o CNPJ/CPF da empresa \"%1\" é inválido");
inline const QString kStoredNumber = QStringLiteral("Erro: Verificação de CNPJ/CPF - o campo %1 tem o número inválido \"%2\"");
inline const QString kStoredOutOfRange =
    QStringLiteral("Erro: Verificação de valores inválidos - o campo %1 tem o valor %2, fora da faixa de 0 até 100");
inline const QString kStoredNegative = QStringLiteral("Erro: Verificação de valores negativos - o campo %1 tem o valor negativo %2");
inline const QString kStoredRequired = QStringLiteral("Erro: Verificação de campos obrigatórios - o campo %1 não foi informado");
// The day as stored, the month code and the year.
inline const QString kStoredDay = QStringLiteral("Erro: Validação de datas - o dia \"%1\" não existe em %2/%3");

// The XI-A totals computed from the movements ("Calcular Totais do Anexo
// XI-A", quirels-cli totalizar). %1 the CFOP or operation, %2 the product.
inline const QString kTotaisCfopIlegivel = QStringLiteral("O CFOP \"%1\" de um movimento do Anexo XI-B não é um número válido (produto %2). Corrija o movimento antes de calcular os totais.");
inline const QString kTotaisCfopSemDirecao = QStringLiteral("O CFOP %1 de um movimento do Anexo XI-B não indica entrada nem saída (produto %2). Corrija o movimento antes de calcular os totais.");
inline const QString kTotaisOperacaoInvalida = QStringLiteral("A operação \"%1\" de um registro do Anexo XI-C não é importação nem exportação (produto %2). Corrija o registro antes de calcular os totais.");
inline const QString kTotaisAlterados = QStringLiteral("Os dados do período foram alterados depois do cálculo. Calcule os totais novamente.");
inline const QString kTotaisProdutoJaExiste = QStringLiteral("O produto %1 já está no Anexo XI-A deste período.");
// The computed values: the product label, the quantity's caption, current,
// computed and difference (three decimals).
inline const QString kTotaisLinha = QStringLiteral("%1\t%2\tatual %3\tcalculado %4\tdiferença %5");
inline const QString kTotaisSemProduto = QStringLiteral("Sem produto no Anexo XI-A: %1\tAnexo XI-B: %2 movimento(s), %3\tAnexo XI-C: %4 registro(s), %5");
inline const QString kTotaisResumo = QStringLiteral("Produtos com diferença: %1 de %2. Movimentos sem produto no Anexo XI-A: %3.");
inline const QString kTotaisGravados = QStringLiteral("Totais gravados para %1 produto(s).");
inline const QString kTotaisNadaAGravar = QStringLiteral("Os totais do Anexo XI-A já correspondem aos movimentos.");

// The totals window.
inline const QString kTotaisTitulo = QStringLiteral("Calcular Totais do Anexo XI-A");
inline const QString kTotaisNenhumMarcado = QStringLiteral("Nenhum produto foi marcado para receber os totais calculados.");
inline const QString kTotaisIncluido = QStringLiteral("O produto %1 foi incluído no Anexo XI-A.");
inline const QString kTotaisSelecioneMovimento = QStringLiteral("Selecione na lista o produto que deseja incluir no Anexo XI-A.");
inline const QString kTotaisSemPeriodo = QStringLiteral("Abra uma empresa e um período antes de calcular os totais.");

} // namespace quirels::validation::msg
