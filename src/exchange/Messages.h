#pragma once
// The exact texts of the file exchange: declaration file generation, packet
// import and text import.

#include <QString>

namespace quirels::exchange::msg {

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
inline const QString kSobrescrever = QStringLiteral("Já existem dados para este mês. Sobrescrever?");
inline const QString kImportacaoConcluida = QStringLiteral("A importação foi concluída com sucesso!");
inline const QString kArquivoIlegivel = QStringLiteral("Não foi possível ler o arquivo \"%1\": %2");
inline const QString kPacoteInvalido = QStringLiteral("O arquivo não é um pacote de dados válido: %1");
inline const QString kPacoteSemDeclaracoes =
    QStringLiteral("O arquivo não contém as declarações de campos (METADATA); "
                   "somente o arquivo completo (\"...EMP.xml\") pode ser importado.");
inline const QString kPacoteGrandeDemais = QStringLiteral("O arquivo excede o limite de %1.");
inline const QString kPacoteSemEmpresa = QStringLiteral("O pacote de dados não contém a empresa e o mês.");

// --- end of the declaration file block ----------------------------------------

} // namespace quirels::exchange::msg
