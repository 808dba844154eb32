#pragma once
// The application shell's own texts, used by the windows, the CLI and the tests.

#include <QString>

namespace quirels::shell::msg {

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

} // namespace quirels::shell::msg
