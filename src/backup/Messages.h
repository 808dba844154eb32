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

// The restore page in Portuguese (quirels-cli keeps the lines above).
// %1 the number of files, %2 the kilobytes.
inline const QString kScreenContents = QStringLiteral("%1 arquivo(s), %2 KB no total");
// %1 the path, %2 the date, %3 the size in bytes.
inline const QString kScreenFileInfo = QStringLiteral("%1 — de %2, %3 bytes");
inline const QString kScreenNoFileInfo = QStringLiteral("Este backup não traz a lista dos seus arquivos.");
// %1 files restored, %2 files in the archive.
inline const QString kScreenRestoreSuccess =
    QStringLiteral("Restauração completada com sucesso: %1 de %2 arquivo(s) restaurado(s).");
inline const QString kMoveUp = QStringLiteral("Mover para cima");
inline const QString kMoveDown = QStringLiteral("Mover para baixo");
inline const QString kBrowseDataPath = QStringLiteral("Escolher a pasta onde restaurar");
inline const QString kArchiveFolderLabel = QStringLiteral("&Pasta dos backups:");
inline const QString kArchiveFolderHint =
    QStringLiteral("Digite a pasta e tecle Enter, ou escolha-a com o botão ao lado, para listar os seus backups");
inline const QString kChooseArchiveFolder = QStringLiteral("Escolher a pasta dos backups");
// Asked before a restore to the stored places. %1 the archive, %2 one line
// per file that will be replaced.
inline const QString kAskRestoreInPlace = QStringLiteral(
    "A restauração do backup \"%1\" vai substituir, nos seus lugares originais:\n\n%2\n\n"
    "O que estiver hoje nesses arquivos será perdido. Deseja restaurar agora?");
// The server's database among what will be replaced. %1 its address.
inline const QString kAskRestoreServer = QStringLiteral("o banco de dados do servidor %1");
// When the archive has no list of its files.
inline const QString kAskRestoreUnlisted = QStringLiteral("todos os arquivos guardados no backup");

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

// Why a restore was refused, and where. Nothing is put in place before the
// whole archive was read and checked, so each ends by saying so.
inline const QString kNothingRestored = QStringLiteral(" Nenhum arquivo foi restaurado.");
// %1 the volume's file, %2 the place it should have in the sequence.
inline const QString kVolumeOutOfOrder = QStringLiteral(
    "O volume \"%1\" não é o volume %2 deste backup: os volumes estão trocados ou são de outro backup.");
// %1 the volume's file, %2 the file of the archive being read there.
inline const QString kVolumeTruncated = QStringLiteral(
    "O volume \"%1\" do backup está incompleto ou danificado (ao ler \"%2\").");
// %1 a restored file, %2 its length, %3 the length the archive's list gives.
inline const QString kLengthMismatch = QStringLiteral(
    "O arquivo \"%1\" lido do backup tem %2 bytes, mas a lista do backup indica %3 bytes: falta um volume, "
    "ou algum está trocado ou danificado.");
// %1 a name stored in the archive.
inline const QString kUnsafeName = QStringLiteral(
    "O backup contém o nome \"%1\", que não é um caminho completo ou sairia da pasta de destino.");
// %1 a path inside the destination folder.
inline const QString kLinkInDestination = QStringLiteral(
    "\"%1\" é um link simbólico dentro da pasta de destino; a restauração não grava através de links.");
// %1 a file, %2 the system's reason.
inline const QString kCannotWrite = QStringLiteral("Não foi possível gravar \"%1\" (%2).");
// The header of an archive cannot be read.
inline const QString kHeaderUnreadable = QStringLiteral("O arquivo \"%1\" não é um backup ou está danificado.");
// The head of the list of files to read, before the file's name.
inline const QString kArchiveHeader = QStringLiteral("cabeçalho");

// quirels-cli only.
inline const QString kCliFileNotFound = QStringLiteral("Arquivo não encontrado: %1");
inline const QString kCliVolumeNotFound = QStringLiteral("Volume não encontrado: %1");
inline const QString kCliBadVolume =
    QStringLiteral("O tamanho do volume deve ser 0 (sem limite) ou maior que 16484 bytes: %1");
inline const QString kCliBadLevel = QStringLiteral("Nível de compressão inválido: %1 (use 0, 1, 6 ou 9)");

} // namespace quirels::backup::msg
