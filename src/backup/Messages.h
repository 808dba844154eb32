#pragma once
// The exact user texts of the backup archive and of the backup screen, used by
// the archive component, the backup screen, quirels-cli and the tests.

#include <QString>

namespace quirels::backup::msg {

// Error messages of the archive component, by error code.
inline const QString kReadFailure = QStringLiteral("Não foi possível efetuar a leitura do arquivo");            // 1 and 3
inline const QString kOverwriteFailure = QStringLiteral("Ocorreu uma falha ao tentar sobrescrever o arquivo"); // 2
inline const QString kWriteFailure = QStringLiteral("Não foi possível escrever para o arquivo");               // 4
inline const QString kInvalidArchive = QStringLiteral("O tipo do arquivo é inválido");                         // 5
inline const QString kCompressionError = QStringLiteral("Erro de compressão");                                 // 6
inline const QString kTempFileFailure =
    QStringLiteral("Não foi possível criar o arquivo temporário para salvar o arquivo IDs");                   // 7

// The component's own disk prompt (when no disk handler is set); %1 is the disk number.
inline const QString kInsertDisk = QStringLiteral("Insira o disco %1 e click OK para continuar.");

// Backup screen.
inline const QString kBackupSuccessPrefix = QStringLiteral("Backup com sucesso. Compressão = ");
inline const QString kBackupSuccessSuffix = QStringLiteral(" %");
inline const QString kBackupFailed = QStringLiteral("Falha no Backup ou abortado");
inline const QString kRestoreSuccessPrefix = QStringLiteral("Restauração completada com sucesso, ");
inline const QString kRestoreSuccessFilesOf = QStringLiteral(" files of ");
inline const QString kRestoreSuccessSuffix = QStringLiteral(" restored");
inline const QString kRestoreFailed = QStringLiteral("Falha na Restauração dos arquivos ou usuário cancelou");
inline const QString kEnterPath = QStringLiteral("Por favor entre com um caminho");
inline const QString kContentsFiles = QStringLiteral(" files, ");
inline const QString kContentsKbTotal = QStringLiteral(" KB total");
inline const QString kFileInfoFrom = QStringLiteral(" from ");
inline const QString kFileInfoBytes = QStringLiteral(" bytes");
inline const QString kNoFileInfo = QStringLiteral("No extended file information in this archive");
// The screen's disk handler; the disk number goes between the two parts.
inline const QString kScreenInsertDiskPrefix = QStringLiteral("Por favor insira um disco ");
inline const QString kScreenInsertDiskSuffix = QStringLiteral(" e clique em OK para continuar");
inline const QString kAskBackup = QStringLiteral(
    "Esta rotina gera um arquivo de backup com os arquivos \rselecionados compactados. \r\rVocê gostaria de iniciar agora o Backup?");
inline const QString kAskAbort = QStringLiteral("Gostaria de abortar o Backup?");
inline const QString kFloppyDrive = QStringLiteral("Drive A indica um drive floppy - por favor insira um disco vazio");
inline const QString kWritingToDisk = QStringLiteral("Gravando no Disco ...... ");
// This platform has no floppy drive letter: the split into disk-sized
// volumes is offered by a check box of its own.
inline const QString kVolumesOption = QStringLiteral("Dividir em volumes de 1.400.000 bytes (disquetes)");
inline const QString kVolumesHint =
    QStringLiteral("Grava o backup em arquivos de até 1.400.000 bytes (Quirels.bck, Quirels.002, ...), um por disquete");

// The database of a PostgreSQL server in a backup. %1 is the database
// ("postgresql://..."), %2 the log file where the details went.
inline const QString kServerNotEmpty = QStringLiteral(
    "O banco de dados \"%1\" não está vazio. A cópia do servidor só é restaurada em um banco de dados vazio: "
    "crie um banco novo no servidor, escolha-o em Configurações de Rede e restaure novamente.");
inline const QString kServerUnreachable = QStringLiteral(
    "Não foi possível conectar ao banco de dados \"%1\". Verifique a máquina, a porta, o banco, o usuário e a "
    "senha. Os detalhes técnicos foram gravados em \"%2\".");
inline const QString kServerDumpFailed = QStringLiteral(
    "Não foi possível copiar o banco de dados \"%1\" do servidor. Os detalhes técnicos foram gravados em \"%2\".");
inline const QString kServerRestoreFailed = QStringLiteral(
    "Não foi possível restaurar o banco de dados \"%1\" no servidor; nada foi gravado nele. Os detalhes "
    "técnicos foram gravados em \"%2\".");
// The backup screen's list item for the server's database: its address.
inline const QString kServerListItem = QStringLiteral("Banco de dados do servidor: %1");
// %1 is the program's name.
inline const QString kServerClientMissing = QStringLiteral(
    "O programa \"%1\" do PostgreSQL não foi encontrado. Instale o pacote postgresql-client e tente novamente.");

// quirels-cli only.
inline const QString kCliFileNotFound = QStringLiteral("Arquivo não encontrado: %1");
inline const QString kCliVolumeNotFound = QStringLiteral("Volume não encontrado: %1");
inline const QString kCliBadVolume =
    QStringLiteral("O tamanho do volume deve ser 0 (sem limite) ou maior que 16484 bytes: %1");
inline const QString kCliBadLevel = QStringLiteral("Nível de compressão inválido: %1 (use 0, 1, 6 ou 9)");

} // namespace quirels::backup::msg
