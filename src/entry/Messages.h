#pragma once
// The user texts of the entry screens, used by the screens and the tests.

#include <QString>

namespace quirels::entry::msg {

// Command cycle and closing.
inline const QString kManterNotaFiscal = QStringLiteral("Deseja manter os dados da Nota Fiscal?");
inline const QString kExcluirRegistro = QStringLiteral("Você tem certeza que deseja excluir o registro selecionado?");
inline const QString kNaoSalvas =
    QStringLiteral("Existem informações que ainda não foram salvas.\rDeseja gravar as informações?");
// The observation prompt: %1 is the annex letter.
inline const QString kObservacoesNaoSalvas = QStringLiteral(
    "Existem informações sobre observações do Anexo \"%1\" que ainda não \rforam salvas. Deseja gravar as informações?");
inline QString observacoesNaoSalvas(QChar letter) { return kObservacoesNaoSalvas.arg(letter); }

// Controlled-product lookup.
inline const QString kNcmInexistente = QStringLiteral(
    "O código digitado não existe na relação de produtos controlados.\rVocê deseja mantê-lo assim mesmo?");
inline const QString kNomeInexistente = QStringLiteral(
    "O nome do produto controlado digitado não existe na relação de produtos controlados.\rVocê deseja mantê-lo assim mesmo?");

// Day of the month (an error box titled "Erro").
inline const QString kDiaInvalido = QStringLiteral(
    "O dia digitado é inválido.\n\rDigite um dia válido para o mês e ano do processamento deste registro.");
inline const QString kTituloErro = QStringLiteral("Erro");

// Value signs.
inline const QString kZeroOuNegativo = QStringLiteral("Não é permitido a inserção de zero ou valores negativos.");
inline const QString kNegativo = QStringLiteral("Não é permitido a inserção de valores negativos.");

// Required fields shared by several annexes.
inline const QString kInformarDia = QStringLiteral("É necessário informar o dia.");
inline const QString kInformarConcentracao = QStringLiteral("É necessário informar o valor de concentração.");
inline const QString kInformarQuantidade = QStringLiteral("É necessário informar a quantidade do produto.");
inline const QString kInformarUnidade = QStringLiteral("É necessário informar a unidade de medida.");
inline const QString kInformarCodigoProduto = QStringLiteral("É necessário informar o código do produto.");
inline const QString kInformarNomeProduto = QStringLiteral("É necessário informar o nome do produto.");

// Annex XI-A.
inline const QString kEmpresaAlterada =
    QStringLiteral("As informações da empresa foram alteradas.\rDeseja gravar as modificações?");
inline const QString kProdutoNaoSalvo = QStringLiteral(
    "Existem informações sobre o produto que ainda não foram salvas.\rDeseja gravar as informações?");
inline const QString kProdutoFinalNaoSalvo = QStringLiteral(
    "Existem informações sobre o produto final obtido que ainda não foram salvas.\rDeseja gravar as informações?");
inline const QString kSubstanciaNaoSalva = QStringLiteral(
    "Existem informações sobre substância controlada presente no produto\rque ainda não foram salvas. Deseja gravar as informações?");

// Annex XI-B.
inline const QString kCfopInvalido = QStringLiteral("O código do CFOP digitado é inválido.\rDigite um código válido.");
inline const QString kInformarCfop =
    QStringLiteral("É necessário informar o número do CFOP (Código Fiscal de Operações e Prestações).");
inline const QString kInformarNomeControlado = QStringLiteral("É necessário informar nome do produto controlado.");
inline const QString kInformarNotaFiscal = QStringLiteral("É necessário informar o número da nota fiscal.");
inline const QString kInformarFornecedor = QStringLiteral("É necessário informar o número do CNPJ do fornecedor.");
inline const QString kInformarTransportadora =
    QStringLiteral("É necessário informar o número do CNPJ da transportadora.");

// Annexes XI-C to XI-H.
inline const QString kInformarOperacao = QStringLiteral("É necessário informar o tipo de operação.");
inline const QString kInformarNumeroNotaFiscal = QStringLiteral("É necessário informar o número da Nota Fiscal.");
inline const QString kInformarQuantidadeSo = QStringLiteral("É necessário informar a quantidade.");
inline const QString kInformarValorDaConcentracao = QStringLiteral("É necessário informar o valor da concentração.");
// XI-C.
inline const QString kInformarCodigoProdutoQuimico =
    QStringLiteral("É necessário informar o código do produto químico controlado.");
inline const QString kInformarNomeProdutoQuimico =
    QStringLiteral("É necessário informar o nome do produto químico controlado.");
inline const QString kInformarLiRe = QStringLiteral("É necessário informar o LI ou RE.");
inline const QString kInformarCnpjTransportadora = QStringLiteral("É necessário informar o CNPJ da Transportadora.");
inline const QString kInformarImportador =
    QStringLiteral("É necessário informar o nome do Importador ou Exportador.");
inline const QString kInformarPais = QStringLiteral("É necessário informar o País.");
// XI-D.
inline const QString kNomeDoProduto = QStringLiteral("É necessário o nome do produto.");
inline const QString kInformarEstoqueAnterior =
    QStringLiteral("É necessário informar a quantidade do estoque anterior.");
inline const QString kInformarEstoqueAtual = QStringLiteral("É necessário informar a quantidade do estoque atual.");
inline const QString kInformarUnidadeDeMedida = QStringLiteral("É necessário informar a Unidade de Medida.");
inline const QString kInformarCnpjProprietario =
    QStringLiteral("É necessário informar o número do CNPJ do Proprietário.");
// XI-E.
inline const QString kInformarANotaFiscal = QStringLiteral("É necessário informar a Nota Fiscal.");
inline const QString kInformarCnpjCpfProprietario =
    QStringLiteral("É necessário informar o CNPJ ou o CPF do proprietário.");
inline const QString kInformarCnpjCpfTransportadora =
    QStringLiteral("É necessário informar o CNPJ ou o CPF da transportadora.");
// XI-F.
inline const QString kInformarEmbarcador = QStringLiteral("É necessário informar o CNPJ ou CPF do embarcador.");
inline const QString kInformarUfEmbarcador = QStringLiteral("É necessário informar a UF do embarcador.");
inline const QString kInformarDestinatario = QStringLiteral("É necessário informar o CNPJ ou CPF do destinatário.");
inline const QString kInformarUfDestinatario = QStringLiteral("É necessário informar a UF do destinatário.");
inline const QString kHintUf = QStringLiteral("Selecione a UF e EX para empresas estrangeiras");
// XI-G and XI-H.
inline const QString kInformarCodigoPresente =
    QStringLiteral("É necessário informar o código do produto controlado presente.");
inline const QString kInformarNomePresente =
    QStringLiteral("É necessário informar o nome do produto controlado presente.");
inline const QString kInformarDestinacao =
    QStringLiteral("É necessário informar a destinação do produto controlado presente.");
inline const QString kInformarDensidade = QStringLiteral("É necessário informar o valor da densidade.");
inline const QString kInformarCodigoControlado = QStringLiteral("É necessário informar o código do produto controlado.");
inline const QString kInformarCnpjCpfFornecedor = QStringLiteral("É necessário informar o CNPJ ou CPF do fornecedor.");
inline const QString kInformarCnpjDaTransportadora = QStringLiteral("É necessário informar CNPJ da transportadora.");

// Hints shared by the screens.
inline const QString kHintPrimeiro = QStringLiteral("Primeiro registro");
inline const QString kHintAnterior = QStringLiteral("Registro anterior");
inline const QString kHintProximo = QStringLiteral("Próximo registro");
inline const QString kHintUltimo = QStringLiteral("Último registro");
inline const QString kHintGrade = QStringLiteral("Mostra os registros em uma grade e alterna");
inline const QString kHintObservacoes = QStringLiteral("Digite aqui as observações deste anexo");
inline const QString kHintInformacoes = QStringLiteral("Digite aqui informações complementares sobre a empresa");

// Controlled-product search.
inline const QString kPesqCaption = QStringLiteral("Relação de Produtos Controlados");
inline const QString kPesqLocalizar = QStringLiteral("Localizar");
inline const QString kPesqPesquisarPor = QStringLiteral("Efetuar pesquisa por ...");
inline const QString kPesqCodigo = QStringLiteral("Código NCM");
inline const QString kPesqNome = QStringLiteral("Nome do Produto Controlado");
inline const QString kPesqLabelCodigo = QStringLiteral("Código NCM");
inline const QString kPesqLabelNome = QStringLiteral("Nome do Produto");
inline const QString kPesqColunaCodigo = QStringLiteral("Código");
inline const QString kPesqColunaNome = QStringLiteral("Nome do Produto Controlado");
inline const QString kPesqFechar = QStringLiteral("&Fechar");
inline const QString kPesqImprimir = QStringLiteral("Imprimir");
inline const QString kHintPesqForma = QStringLiteral("Selecione a forma de pesquisa");
inline const QString kHintPesqCampo = QStringLiteral("Digite o código ou nome do produto");
inline const QString kHintPesqFechar = QStringLiteral("Fecha a tela");
inline const QString kHintPesqImprimir = QStringLiteral("Imprime todos os produtos");
// The search field's mask in code mode.
inline const QString kPesqMascaraNcm = QStringLiteral("9999.99.99;1;_");


// "Localizar" (Ctrl+L) in an annex list.
inline const QString kLocalizar = QStringLiteral("Localizar:");
inline const QString kHintLocalizar =
    QStringLiteral("Nota fiscal, nome do produto ou CNPJ/CPF; Enter vai ao próximo, Esc volta ao campo");
inline const QString kNadaLocalizado = QStringLiteral("Nenhum registro encontrado.");

} // namespace quirels::entry::msg
