#include "Generate.h"

#include "Messages.h"
#include "OutputFolder.h"
#include "PacketBuilder.h"
#include "PacketWriter.h"
#include "shell/Messages.h"
#include "store/Sql.h"
#include "validation/ConsistencyCheck.h"

#include <QDir>
#include <QSqlQuery>

namespace quirels::exchange {

GeneratedFiles declarationPaths(const QString &folder, const PeriodKey &key)
{
    const QDir dir(folder);
    return {dir.filePath(packetFileName(key.cnpj, key.ano, key.mes)),
            dir.filePath(declarationFileName(key.cnpj, key.ano, key.mes))};
}

Result<GeneratedFiles> writeDeclarationFiles(QSqlDatabase &db, const PeriodKey &key, const QString &folder)
{
    Result<QByteArray> full = buildPacketBytes(db, key);
    if (!full)
        return full.error();
    Result<QByteArray> declaration = declarationBytes(*full);
    if (!declaration)
        return declaration.error();
    const GeneratedFiles paths = declarationPaths(folder, key);
    if (Status s = saveFile(paths.packetPath, *full); !s)
        return s.error();
    if (Status s = saveFile(paths.declarationPath, *declaration); !s)
        return s.error();
    return paths;
}

// Trimmed NmResponsavel of the company; an error when it is not registered.
static Result<QString> responsible(QSqlDatabase &db, const QString &cnpj)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT NmResponsavel FROM Empresa WHERE CdCNPJEmpr = ?"));
    q.addBindValue(cnpj);
    if (Status s = sql::exec(q); !s)
        return makeError(s.message(), 2);
    if (!q.next())
        return makeError(msg::kEmpresaNaoCadastrada.arg(cnpj), 1);
    return q.value(0).toString().trimmed();
}

// The consistency check of the month: true when it reported no error; its
// error lines are shown first.
static Result<bool> checkPassed(QSqlDatabase &db, const GenerateRequest &request, Dialogs &dialogs)
{
    Result<validation::ValidationReport> report = validation::runCheck(db, request.key, request.currentProduct);
    if (!report)
        return report.error();
    if (validation::allowsGeneration(*report))
        return true;
    for (const validation::CheckLine &line : report->lines())
        if (line.kind == validation::LineKind::Error)
            dialogs.information(line.status + QLatin1Char('\t') + line.location);
    if (report->stopped())
        dialogs.error(report->failure());
    return false;
}

Result<GeneratedFiles> generateDeclaration(QSqlDatabase &db, const GenerateRequest &request, Dialogs &dialogs)
{
    auto failed = [&](const Error &e) -> Result<GeneratedFiles> {
        dialogs.error(msg::kErroGerar);
        dialogs.error(e.message);
        return makeError(e.message, 2);
    };

    if (request.check) {
        Result<bool> clean = checkPassed(db, request, dialogs);
        if (!clean)
            return failed(clean.error());
        if (!*clean) {
            dialogs.information(msg::kValidacaoComErros);
            return makeError(msg::kValidacaoComErros, 1);
        }
    }

    Result<QString> name = responsible(db, request.key.cnpj);
    if (!name) {
        if (name.error().code == 1) {
            dialogs.error(name.message());
            return name.error();
        }
        return failed(name.error());
    }
    if (name->isEmpty()) {
        dialogs.information(shell::msg::kInformeNomeResponsavel);
        return makeError(shell::msg::kInformeNomeResponsavel, 1);
    }

    if (Status s = prepareOutputFolder(request.folder); !s) {
        dialogs.error(s.message());
        return s.error();
    }

    Result<GeneratedFiles> files = writeDeclarationFiles(db, request.key, request.folder);
    if (!files)
        return failed(files.error());
    dialogs.information(msg::kGravacaoConcluida);
    return files;
}

} // namespace quirels::exchange
