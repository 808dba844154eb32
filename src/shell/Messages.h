#pragma once
// The application shell's user texts, each in one place, used by the windows,
// the command-line tool and the tests.

#include <QString>

namespace quirels::shell::msg {

// ---- Company numbers, registration, main window and company information ----

// CPF/CNPJ checks (error boxes).
inline const QString kCnpjInvalido = QStringLiteral("O número do CNPJ é inválido!\rVerifique o número digitado.");
inline const QString kCpfInvalido = QStringLiteral("O número do CPF é inválido!\rVerifique o número digitado.");
inline const QString kNumeroInvalido =
    QStringLiteral("O número digitado é inválido!\rDigite um número de CNPJ ou CPF válido.");

// New-company dialog.
inline const QString kInformeCnpj = QStringLiteral("É necessário inserir o número do CNPJ da empresa.");
inline const QString kInformeRazao = QStringLiteral("É necessário informar a razão social da empresa.");

// Period dialog.
inline const QString kInformeMesReferencia = QStringLiteral("É necessário informar o mês de referência.");
inline const QString kInformeAnoReferencia = QStringLiteral("É necessário informar o ano de referência.");
inline const QString kAnoMaiorQueCorrente = QStringLiteral("O ano não pode ser maior que o ano corrente.");
inline const QString kMesMaiorQueCorrente = QStringLiteral("O mês não pode ser maior que o mês corrente.");
inline const QString kPeriodoJaExiste =
    QStringLiteral("Já existe registro para este mês e ano desta empresa.\n\rDeseja reverter para o arquivo gravado?");
inline const QString kEmpresaJaCadastrada =
    QStringLiteral("Esta empresa já está cadastrada.\n\rDeseja reverter para o arquivo gravado?");

// The period written could not be read back (another program changed the tables meanwhile).
inline const QString kPeriodoNaoEncontrado = QStringLiteral("Não foi possível posicionar a empresa e o período gravados.");

// Company information window: key change.
inline const QString kConfirmaMudancaCnpj = QStringLiteral("Confirma a mudança do Cnpj da empresa?");
inline const QString kCnpjJaExiste = QStringLiteral("Este CNPJ/CPF já existe no banco de dados. Verifique!");

// Main window.
inline const QString kFecharEmpresaAtual = QStringLiteral(
    "Para inserir uma nova empresa é necessário fechar a empresa atual.\r\nDeseja fechar a empresa atual?");
inline const QString kRegistrarDlls =
    QStringLiteral("Utilize esta opção apenas se não estiver conseguindo gerar o arquivo xml.\r\nDeseja continuar?");
inline const QString kRegistroDesnecessario = QStringLiteral(
    "Nesta versão do Quirels os componentes de geração do arquivo XML fazem parte do programa.\r\n"
    "Não é necessário registrar nenhum componente.");
// A command whose screen is not part of this build yet.
inline const QString kTelaIndisponivel = QStringLiteral("Esta tela ainda não está disponível nesta versão do Quirels.");
inline const QString kAbrirEnderecoFalhou = QStringLiteral("Não foi possível abrir o navegador no endereço %1.");
// "Ajuda › Conteúdo" and F1: the manual's page is missing.
inline const QString kManualAusente =
    QStringLiteral("O manual não foi encontrado em %1.\r\nReinstale o Quirels para recuperá-lo.");

// A data folder without a store (first start, or a folder that went away):
// the folder.
inline const QString kPastaSemBanco = QStringLiteral(
    "A pasta de dados \"%1\" não contém o banco de dados do Quirels.\r\r"
    "Sim: criar a pasta e o banco de dados nela agora.\r"
    "Não: escolher outra pasta nas Configurações de Rede.\r"
    "Cancelar: continuar sem banco de dados.");
inline const QString kSemBanco = QStringLiteral(
    "Nenhum banco de dados está aberto. Escolha a pasta de dados em Ferramentas, Configurações da Rede.");

// Table repair.
inline const QString kReparoConcluido = QStringLiteral("As tabelas foram verificadas e reparadas com sucesso.");
// The repair program could not be started: its path.
inline const QString kReparoNaoIniciado = QStringLiteral("Não foi possível iniciar o programa de reparo \"%1\".");
inline const QString kReparoFalhou = QStringLiteral("O reparo das tabelas encontrou problemas:\r%1");

// ---- end of the company and main-window block ----

// ---- Opening a period, carry-over, deleting periods and companies, person responsible ----

inline const QString kInformeMes = QStringLiteral("É necessário informar o mês.");
inline const QString kInformeAno = QStringLiteral("É necessário informar o ano.");
inline const QString kSelecioneEmpresa = QStringLiteral("É necessário selecionar empresa.");
inline const QString kIncluirPeriodo =
    QStringLiteral("Ainda não foram incluídos dados para este mês e ano. Deseja incluir agora?");
inline const QString kImportandoMesAnterior = QStringLiteral("Importando Dados do Mês Anterior!! Aguarde......");
inline const QString kDadosImportados = QStringLiteral("Dados importados com Sucesso!");

inline QString excluirEmpresaPergunta(const QString &razao)
{
    return QStringLiteral("Você tem certeza que deseja excluir a empresa \r") + razao + QStringLiteral("\r")
        + QStringLiteral("e todas as informações nela contidas?");
}
inline QString excluirPeriodoPergunta(const QString &mes, const QString &ano, const QString &razao)
{
    return QStringLiteral("Você tem certeza que deseja excluir todo o movimento do mês de ") + mes
        + QStringLiteral("/") + ano + QStringLiteral("\r") + QStringLiteral(" da empresa : ") + razao
        + QStringLiteral("?");
}
inline const QString kEmpresaExcluida = QStringLiteral("A empresa foi excluída com sucesso.");
inline const QString kPeriodoExcluido = QStringLiteral("O Mês e ano selecionado foi excluído com sucesso.");

// quirels-cli only: a company key that names no registered company.
inline QString empresaNaoCadastrada(const QString &cnpj)
{
    return QStringLiteral("Empresa não cadastrada: ") + cnpj;
}

inline const QString kInformeNomeResponsavel = QStringLiteral("É necessário informar o nome do responsável.");
inline const QString kInformeCpfResponsavel =
    QStringLiteral("É necessário informar o CPF do responsável pelo preenchimento.");
inline const QString kInformeIdentidadeResponsavel =
    QStringLiteral("É necessário informar a identidade do responsável pelo preenchimento.");
inline const QString kInformeOrgaoResponsavel =
    QStringLiteral("É necessário informar o Órgão da identidade do responsável pelo preenchimento.");
inline const QString kInformeUFResponsavel =
    QStringLiteral("É necessário informar a UF do responsável pelo preenchimento.");

// ---- end of the period and responsible-person block ----


// Keys of imported rows (RowRules.h): the value as the file gives it.
inline const QString kMesInvalido = QStringLiteral(
    "O mês \"%1\" não é um mês válido: use JAN, FEV, MAR, ABR, MAI, JUN, JUL, AGO, SET, OUT, NOV ou DEZ.");
inline const QString kAnoInvalido = QStringLiteral("O ano \"%1\" não é um ano válido: informe os quatro dígitos do ano.");
inline const QString kChaveEmpresaInvalida = QStringLiteral(
    "O CNPJ/CPF da empresa \"%1\" não é válido: informe os 14 dígitos do CNPJ ou os 11 dígitos do CPF, sem pontuação.");

// The window that replaces the reference tables.
inline const QString kTabelasIntroducao = QStringLiteral(
    "Escolha a pasta com as novas tabelas oficiais (produtos_controlados.csv, cnae.csv, cfop.csv, paises.csv; "
    "uma ou mais). Cada arquivo é conferido por inteiro antes de qualquer alteração; os produtos usados nos meses "
    "já gravados mantêm seus números e nomes.");
// The files found: "produtos_controlados.csv (Produtos controlados), ...".
inline const QString kTabelasEncontradas = QStringLiteral("Tabelas encontradas na pasta: %1.");
inline const QString kTabelasNenhuma = QStringLiteral("Nenhuma tabela de referência nesta pasta.");

// The menu command of the electronic invoices' import (File > Open), whose
// window the exchange supplies.
inline const QString kNfeMenu = QStringLiteral("Importar &Notas Fiscais (NF-e)");

} // namespace quirels::shell::msg
