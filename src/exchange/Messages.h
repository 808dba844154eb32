#pragma once
// The file exchange's user texts, used by the importers, the desktop
// commands, the command-line tool and the tests.

#include "store/Messages.h"

#include <QString>

namespace quirels::exchange::msg {

// ---- Text file import ------------------------------------------------------

// Asked before the import when a company is open.
inline const QString kTxtFecharEmpresa =
    QStringLiteral("Para abrir um arquivo texto é necessário fechar a empresa atual.\r\nDeseja fechar a empresa atual?");
// The file dialog.
inline const QString kTxtTituloDialogo = QStringLiteral("Abrir Arquivo Texto");
inline const QString kTxtFiltroDialogo = QStringLiteral("Arquivo Texto (*.txt)");
inline const QString kTxtExtensao = QStringLiteral("txt");

// The progress window of a big file.
inline const QString kTxtImportando = QStringLiteral("Importando o arquivo texto...");

// Questions of the company and period lines.
inline const QString kTxtEmpresaCadastrada = QStringLiteral("A empresa já está cadastrada. Deseja atualizar os dados?");
inline const QString kTxtSobrescreverMes = QStringLiteral("Já existem dados para este mês. Sobrescrever?");

// Value conversions: the column text as it stands in the file and the field.
inline const QString kTxtNaoEhDecimal = QStringLiteral("'%1' não é um valor de ponto flutuante válido para o campo '%2'");
inline const QString kTxtNaoEhInteiro = QStringLiteral("'%1' não é um inteiro válido para o campo '%2'");
// Concentrations and densities outside 0..100: the store's range message.
inline const QString &kTxtForaDaFaixa = store::msg::kForaDaFaixa;

// Values no entry screen accepts: the column text and the period's month
// and year (a day), the column text (an annex letter), the column text and
// the field (a negative number).
inline const QString kTxtDiaInvalido = QStringLiteral("'%1' não é um dia válido de %2/%3 para o campo 'NrDia'");
inline const QString kTxtAnexoInvalido = QStringLiteral("'%1' não é uma letra de anexo válida (A a H) para o campo 'Anexo'");
inline const QString kTxtNegativo =
    QStringLiteral("'%1' não é um valor válido para o campo '%2': não é permitido a inserção de valores negativos");
// A line without a line end within the longest line of the layout (the limit).
inline const QString kTxtLinhaLonga = QStringLiteral(
    "A linha não termina em %1 caracteres: o arquivo não é um arquivo texto do layout de importação.");
// Only regular files are read: the path.
inline const QString kTxtNaoEhArquivo = QStringLiteral("\"%1\" não é um arquivo comum e não pode ser importado.");

// A line that needs an earlier line of another record type (the record type
// of the line and the one it needs): a final product without its product, a
// substance without its final product, an observation text without its
// observation, a period without its company.
inline const QString kTxtSemRegistroAnterior = QStringLiteral("O registro %1 precisa de um registro %2 anterior.");
// Bytes that never occur in a text file: the byte and the column.
inline const QString kTxtNaoEhTexto =
    QStringLiteral("O arquivo não é um arquivo texto: há um caractere de controle (código %1) na coluna %2.");
// A file written in UTF-8 instead of the Windows-1252 code page.
inline const QString kTxtUtf8 = QStringLiteral(
    "O arquivo está gravado em UTF-8. O arquivo texto deve usar o código de página Windows-1252 (Windows Latin-1).");
// The file cannot be opened or read: the path and the system's reason.
inline const QString kTxtLeitura = QStringLiteral("Não foi possível ler o arquivo \"%1\": %2");

// Any failure undoes the whole import: the line number and the reason.
inline const QString kTxtErroNaLinha =
    QStringLiteral("Erro na linha %1 do arquivo texto:\r%2\rNenhum dado do arquivo foi importado.");

// ---- end of text file import -----------------------------------------------

// --- Declaration file generation and packet import ---------------------------

inline const QString kGravacaoConcluida = QStringLiteral("Gravação concluída com sucesso.");
inline const QString kErroGerar = QStringLiteral("Ocorreu um erro ao tentar gerar o arquivo.");
inline const QString kValidacaoComErros =
    QStringLiteral("A validação encontrou erros neste mês; o arquivo não foi gerado.");
inline const QString kEmpresaNaoCadastrada = QStringLiteral("A empresa %1 não está cadastrada.");
inline const QString kMesNaoCadastrado = QStringLiteral("O mês %1/%2 da empresa %3 não está cadastrado.");

// Writing the packet.
inline const QString kCaractereInvalido =
    QStringLiteral("O caractere \"%1\" do campo %2 não pode ser gravado no arquivo XML.");
inline const QString kValorInvalido = QStringLiteral("O valor \"%1\" do campo %2 não é válido.");
inline const QString kSemMetadata = QStringLiteral("O pacote de dados não contém \"</METADATA>\".");
inline const QString kErroGravacao = QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2");

// The folder of the declaration files.
inline const QString kPastaVazia = QStringLiteral("É necessário informar o diretório do arquivo XML.");
inline const QString kPastaNaoCriada = QStringLiteral("Não foi possível criar o diretório \"%1\".");
inline const QString kPastaSemGravacao = QStringLiteral("Não é possível gravar no diretório \"%1\".");
// Drive checks and floppy formatting, where the platform has drives.
inline const QString kUnidadeInvalida = QStringLiteral(" não é uma unidade de drive válida.");
inline const QString kSemDisco = QStringLiteral("Não existe disco na unidade ");
inline const QString kInsiraDisco = QStringLiteral("Insira um disco no drive e repita a operação.");
inline const QString kConfirmaFormatacao = QStringLiteral("Confirma a formatação do disco?");
inline const QString kGeracaoAbortada = QStringLiteral("A geração do arquivo XML foi abortada!");
inline const QString kFormatacaoErro = QStringLiteral("Ocorreu um erro.");
inline const QString kFormatacaoCancelada = QStringLiteral("A formatação foi cancelada.");
inline const QString kFormatacaoImpossivel = QStringLiteral("Não foi possível formatar.");
inline const QString kFormatacaoConcluida = QStringLiteral("Disco formatado com sucesso.");

// Packet import.
inline const QString &kSobrescrever = kTxtSobrescreverMes;
inline const QString kImportacaoConcluida = QStringLiteral("A importação foi concluída com sucesso!");
inline const QString kArquivoIlegivel = QStringLiteral("Não foi possível ler o arquivo \"%1\": %2");
inline const QString kPacoteInvalido = QStringLiteral("O arquivo não é um pacote de dados válido: %1");
// The file for the authority (no field declarations) given where the full
// file is wanted.
inline const QString kPacoteSemDeclaracoes =
    QStringLiteral("Este é o arquivo que se envia ao órgão de controle: ele não pode ser aberto nem importado "
                   "aqui. Escolha o arquivo de mesmo nome terminado em \"EMP.xml\" (\"...EMP.xml\"), que "
                   "\"Gerar Arquivo\" grava junto com ele.");
// The same in "Abrir Arquivo XML": the full file of that month, by name;
// "%2" says whether it is in the same folder.
inline const QString kEscolhaArquivoEmp = QStringLiteral("Para este mês, o arquivo a escolher é \"%1\"%2.");
inline const QString kArquivoEmpNaPasta = QStringLiteral(", nesta mesma pasta");
inline const QString kArquivoEmpFora = QStringLiteral(" (ele não está nesta pasta)");
inline const QString kPacoteGrandeDemais = QStringLiteral("O arquivo excede o limite de %1.");
// Bytes that are not UTF-8 in a file that says it is: the position of the
// first one (counted from 1).
inline const QString kPacoteNaoUtf8 =
    QStringLiteral("o arquivo declara a codificação UTF-8, mas o byte na posição %1 não é UTF-8");
// A record of the packet whose key breaks the rule of stored keys: the
// record's data set name and the reason.
inline const QString kPacoteRegistro = QStringLiteral("O arquivo não pode ser importado: registro %1: %2");
inline const QString kPacoteSemEmpresa = QStringLiteral("O pacote de dados não contém a empresa e o mês.");

// --- end of the declaration file block ----------------------------------------

// ---- Electronic invoice (NF-e) import ---------------------------------------

// The command and its window.
inline const QString kNfeTitulo = QStringLiteral("Importar Notas Fiscais (NF-e)");
inline const QString kNfeLendo = QStringLiteral("Lendo as notas fiscais...");
// Why a file was not read (one line per file: "<file>: <reason>").
inline const QString kNfeLinhaArquivo = QStringLiteral("%1: %2");
inline const QString kNfeNaoEncontrado = QStringLiteral("Arquivo ou pasta não encontrado.");
inline const QString kNfeIlegivel = QStringLiteral("Não foi possível ler o arquivo: %1");
inline const QString kNfeGrandeDemais = QStringLiteral("O arquivo excede o limite de %1 bytes.");
// Why a .zip file or one of its entries cannot be read (%1 of kNfeZipInvalido
// and kNfeIlegivel).
inline const QString kNfeZipNaoEhZip = QStringLiteral("não é um arquivo compactado .zip");
inline const QString kNfeZipIncompleto = QStringLiteral("o arquivo está incompleto ou danificado");
inline const QString kNfeZipEntradaIlegivel =
    QStringLiteral("o conteúdo está danificado, protegido por senha ou compactado de um modo não suportado");
inline const QString kNfeZipNaoAbre = QStringLiteral("não foi possível abrir o arquivo");
inline const QString kNfeZipInvalido = QStringLiteral("Arquivo compactado inválido: %1");
inline const QString kNfeZipEntradas = QStringLiteral("O arquivo compactado tem mais de %1 arquivos.");
inline const QString kNfeZipAninhado = QStringLiteral("Arquivo compactado dentro de outro não é lido.");
inline const QString kNfeXmlInvalido = QStringLiteral("XML inválido: %1 (linha %2, coluna %3).");
inline const QString kNfeComDtd = QStringLiteral("Declaração de tipo de documento (DTD) não é aceita.");
inline const QString kNfeEntidade = QStringLiteral("Referência a entidade não é aceita.");
inline const QString kNfeFundoDemais = QStringLiteral("O XML passa de %1 níveis de elementos.");
inline const QString kNfeNaoEhNfe = QStringLiteral("O arquivo não é uma NF-e nem um evento de NF-e.");
inline const QString kNfeSemChave = QStringLiteral("A nota não tem uma chave de acesso válida.");
inline const QString kNfeSemCampo = QStringLiteral("A nota não informa o campo %1.");
inline const QString kNfeValorInvalido = QStringLiteral("'%1' não é um número válido para o campo %2.");
// Invoices left out (the invoice number).
inline const QString kNfeOutraEmpresa = QStringLiteral("A nota %1 não é da empresa (nem emitente nem destinatária).");
inline const QString kNfeNaoAutorizada = QStringLiteral("A nota %1 não está autorizada (situação %2).");
inline const QString kNfeSemProtocolo =
    QStringLiteral("A nota %1 não traz o protocolo de autorização (protNFe): só notas autorizadas são importadas.");
inline const QString kNfeCancelada = QStringLiteral("A nota %1 foi cancelada.");
inline const QString kNfeForaDoPeriodo = QStringLiteral("A nota %1 é de %2, fora do período.");
inline const QString kNfeRepetida = QStringLiteral("A nota %1 aparece mais de uma vez; só a primeira é lida.");
inline const QString kNfeSemItensControlados = QStringLiteral("A nota %1 não tem itens de produtos controlados.");
// Summary lines.
inline const QString kNfeTotalForaDoPeriodo = QStringLiteral("Notas fora do período: %1.");
inline const QString kNfeItensIgnorados = QStringLiteral("Itens que não são produtos controlados: %1.");
inline const QString kNfeImportadas = QStringLiteral("Linhas importadas: %1 no Anexo XI-B e %2 no Anexo XI-C.");
inline const QString kNfeNenhumaLinha = QStringLiteral("Nenhuma linha a importar.");
// The period must exist (company, month, year).
inline const QString kNfeSemPeriodo =
    QStringLiteral("Não há dados da empresa %1 para %2/%3. Abra o período antes de importar as notas.");
// Invoices imported before: the count; Sim replaces them, Não skips them.
inline const QString kNfeJaImportadas =
    QStringLiteral("%1 nota(s) fiscal(is) já foram importadas antes.\r\n"
                   "Deseja substituir as linhas importadas antes (Sim) ou ignorar essas notas (Não)?");
// Rows that lack what the annex requires: the refusal, then one line per row
// ("<annex> NF <number> item <n> (<file>): <message>").
inline const QString kNfeIncompletas =
    QStringLiteral("Há %1 linha(s) sem o que o anexo exige; nada foi importado.");
inline const QString kNfeIncompletasDeixadas = QStringLiteral("Linhas deixadas de fora por estarem incompletas: %1.");
inline const QString kNfeLinhaIncompleta = QStringLiteral("Anexo XI-%1, NF %2, item %3 (%4): %5");
// A unit that is neither kilograms nor litres nor tonnes, with no factor given.
inline const QString kNfeSemFator =
    QStringLiteral("Informe o fator da unidade \"%1\" do produto %2 (%3) para Kg ou litro.");

// Values read from an invoice that a typed value could not have: the row
// stays incomplete with the reason.
inline const QString kNfeNumeroInvalido =
    QStringLiteral("O número da nota fiscal deve ter de 1 a 10 algarismos, sem letras ou sinais.");
inline const QString kNfeFornecedorInvalido =
    QStringLiteral("O CNPJ/CPF do fornecedor ou adquirente da nota é inválido (dígitos verificadores ou tamanho).");
inline const QString kNfeTransportadoraInvalida =
    QStringLiteral("O CNPJ/CPF da transportadora da nota é inválido (dígitos verificadores ou tamanho).");
inline const QString kNfeQuantidadeInvalida =
    QStringLiteral("A quantidade da nota deve ser maior que zero.");
inline const QString kNfeConcentracaoInvalida = QStringLiteral("A concentração deve estar entre 0 e 100.");

// The review window.
inline const QString kNfeArquivosLidos = QStringLiteral("Arquivos e pas&tas com as notas fiscais:");
inline const QString kNfeAdicionarArquivos = QStringLiteral("Adicionar &Arquivos...");
inline const QString kNfeAdicionarPasta = QStringLiteral("Adicionar &Pasta...");
inline const QString kNfeRemover = QStringLiteral("&Remover");
inline const QString kNfeImportar = QStringLiteral("&Importar");
inline const QString kNfeFechar = QStringLiteral("&Fechar");
inline const QString kNfeAbaB = QStringLiteral("Anexo XI-&B (%1)");
inline const QString kNfeAbaC = QStringLiteral("Anexo XI-&C (%1)");
inline const QString kNfeAbaFatores = QStringLiteral("&Unidades sem fator (%1)");
inline const QString kNfeAbaIgnorados = QStringLiteral("Arquivos Ig&norados (%1)");
inline const QString kNfeTituloArquivos = QStringLiteral("Notas Fiscais (NF-e)");
inline const QString kNfeFiltroArquivos = QStringLiteral("Notas fiscais (*.xml *.zip);;Todos os arquivos (*)");
inline const QString kNfeTituloPasta = QStringLiteral("Pasta das Notas Fiscais (NF-e)");
inline const QString kNfeLendoArquivos = QStringLiteral("Lendo as notas fiscais... %1 arquivo(s) lido(s).");
// The summary under the lists.
inline const QString kNfeResumo = QStringLiteral("Linhas: %1, das quais %2 incompleta(s).");
inline const QString kNfeResumoJaImportadas = QStringLiteral("Notas já importadas antes: %1.");
inline const QString kNfeDica = QStringLiteral(
    "Em vermelho: o que falta informar; em amarelo: valores propostos, a conferir. F2 ou Enter altera a célula.");
// Grid columns and cell texts.
inline const QString kNfeColPendencia = QStringLiteral("Pendência");
inline const QString kNfeColItem = QStringLiteral("Item");
inline const QString kNfeColArquivo = QStringLiteral("Arquivo");
inline const QString kNfeColEmitente = QStringLiteral("Emitente");
inline const QString kNfeColCodigo = QStringLiteral("Código do Produto");
inline const QString kNfeColDescricao = QStringLiteral("Descrição na Nota");
inline const QString kNfeColUnidadeNota = QStringLiteral("Unidade na Nota");
inline const QString kNfeColFator = QStringLiteral("Fator");
inline const QString kNfeColUnidade = QStringLiteral("Converte para");
inline const QString kNfeJaImportada = QStringLiteral("Nota já importada antes.");
inline const QString kNfeProposto = QStringLiteral("Valor proposto (do Anexo XI-A do mês ou da última nota da mesma parte): confira.");
// Values typed in the review window.
inline const QString kNfeUnidadeInvalida = QStringLiteral("A unidade deve ser Kg ou litro.");
inline const QString kNfeOperacaoInvalida = QStringLiteral("A operação deve ser I (importação) ou E (exportação).");
inline const QString kNfePaisInvalido = QStringLiteral("'%1' não é um país da tabela de países.");
inline const QString kNfeFatorInvalido = QStringLiteral("O fator deve ser um número maior que zero.");
// Leaving and finishing.
inline const QString kNfeFecharSemImportar =
    QStringLiteral("As notas lidas ainda não foram importadas.\rDeseja fechar a janela assim mesmo?");
inline const QString kNfeValidarAgora = QStringLiteral("Deseja validar as informações do período agora?");
// After an import: the XI-A totals from the movements.
inline const QString kNfeTotaisAgora = QStringLiteral("Deseja calcular agora os totais do Anexo XI-A a partir dos movimentos importados?");
// The command without an open company and period.
inline const QString kNfeSemPeriodoAberto = QStringLiteral("Abra uma empresa e um período antes de importar as notas.");

// "Gerar Arquivo XML": the folder of the declaration files.
inline const QString kCriarPasta = QStringLiteral("O diretório \"%1\" não existe.\rDeseja criá-lo agora?");
inline const QString kPastaNaoCriadaGeracao = QStringLiteral("O diretório não foi criado; nenhum arquivo foi gerado.");
inline const QString kEscolherPasta = QStringLiteral("Diretório do Arquivo XML");
inline const QString kPastaNaoLembrada =
    QStringLiteral("O diretório escolhido vale para esta geração, mas não pôde ser gravado nas configurações: %1");

} // namespace quirels::exchange::msg
