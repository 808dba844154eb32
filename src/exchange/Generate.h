#pragma once
// Generation of a month's declaration: the full packet file
// "M" + year + month + key + "EMP.xml" and the declaration file
// "M" + year + month + key + ".xml", both replaced on each run.

#include "base/Dialogs.h"
#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace quirels::exchange {

struct GeneratedFiles {
    QString packetPath;
    QString declarationPath;
};

// The two paths of a period's files in folder.
GeneratedFiles declarationPaths(const QString &folder, const PeriodKey &key);

// Builds the packet and writes both files through QSaveFile: each appears
// under its name only when complete. The full packet file is written first; a
// failure on the declaration file leaves the full packet file in place. Shows
// nothing.
Result<GeneratedFiles> writeDeclarationFiles(QSqlDatabase &db, const PeriodKey &key, const QString &folder);

struct GenerateRequest {
    PeriodKey key;
    QString folder;                     // the "Arquivo XML" folder
    bool check = true;                  // run the consistency check first
    std::optional<int> currentProduct;  // the check's current product
};

// The whole command: the consistency check (when asked), the person
// responsible, the folder, then both files, with every message shown through
// dialogs ("Gravação concluída com sucesso." at the end; on a failure
// "Ocorreu um erro ao tentar gerar o arquivo." followed by the failure's own
// message). The error's code is 1 when a rule or the check refused, 2 when
// something failed.
Result<GeneratedFiles> generateDeclaration(QSqlDatabase &db, const GenerateRequest &request, Dialogs &dialogs);

} // namespace quirels::exchange
