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

// Questions of the company and period lines.
inline const QString kTxtEmpresaCadastrada = QStringLiteral("A empresa já está cadastrada. Deseja atualizar os dados?");
inline const QString kTxtSobrescreverMes = QStringLiteral("Já existem dados para este mês. Sobrescrever?");

// Value conversions: the column text as it stands in the file and the field.
inline const QString kTxtNaoEhDecimal = QStringLiteral("'%1' não é um valor de ponto flutuante válido para o campo '%2'");
inline const QString kTxtNaoEhInteiro = QStringLiteral("'%1' não é um inteiro válido para o campo '%2'");
// Concentrations and densities outside 0..100: the store's range message.
inline const QString &kTxtForaDaFaixa = store::msg::kForaDaFaixa;

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

} // namespace quirels::exchange::msg
