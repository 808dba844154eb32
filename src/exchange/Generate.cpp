#include "Generate.h"

#include "Messages.h"
#include "OutputFolder.h"
#include "PacketBuilder.h"
#include "PacketWriter.h"
#include "PacketXml.h"
#include "shell/Messages.h"
#include "store/Sql.h"
#include "validation/ConsistencyCheck.h"

#include <QDir>
#include <QSaveFile>
#include <QSqlQuery>

namespace quirels::exchange {

GeneratedFiles declarationPaths(const QString &folder, const PeriodKey &key)
{
    const QDir dir(folder);
    return {dir.filePath(packetFileName(key.cnpj, key.ano, key.mes)),
            dir.filePath(declarationFileName(key.cnpj, key.ano, key.mes))};
}

namespace {

// The two files of one run, written in the same pass: the head of the packet
// goes to the full packet file alone; the body to both, the declaration file
// beginning with its own header line. A failure of the declaration file does
// not stop the full packet file.
class DeclarationOutput final : public detail::PacketOutput {
public:
    DeclarationOutput(const GeneratedFiles &paths) : m_packet(paths.packetPath), m_declaration(paths.declarationPath) {}

    Status open()
    {
        if (!m_packet.open(QIODevice::WriteOnly))
            return failure(m_packet, m_packet.errorString());
        if (!m_declaration.open(QIODevice::WriteOnly))
            m_declarationError = failure(m_declaration, m_declaration.errorString()).error();
        else
            write(m_declaration, QByteArray(declarationHeader() + detail::kCrLf));
        return {};
    }

    Status head(QByteArrayView bytes) override { return write(m_packet, bytes); }
    Status body(QByteArrayView bytes) override
    {
        if (Status s = write(m_packet, bytes); !s)
            return s;
        write(m_declaration, bytes);
        return {};
    }

    // The full packet file first; then the declaration file, or its failure.
    Status commit()
    {
        write(m_declaration, QByteArray(detail::kCrLf + detail::kCrLf));
        if (!m_packet.commit()) {
            m_declaration.cancelWriting();
            return failure(m_packet, m_packet.errorString());
        }
        if (m_declarationError.code != 0) {
            m_declaration.cancelWriting();
            return m_declarationError;
        }
        if (!m_declaration.commit())
            return failure(m_declaration, m_declaration.errorString());
        return {};
    }

    void cancel()
    {
        m_packet.cancelWriting();
        m_declaration.cancelWriting();
    }

private:
    QSaveFile m_packet;
    QSaveFile m_declaration;
    Error m_declarationError;

    static Status failure(const QSaveFile &f, const QString &why)
    {
        return makeError(msg::kErroGravacao.arg(QDir::toNativeSeparators(f.fileName()), why), 2);
    }

    Status write(QSaveFile &f, QByteArrayView bytes)
    {
        if (&f == &m_declaration && (m_declarationError.code != 0 || !f.isOpen()))
            return {};
        qsizetype done = 0;
        while (done < bytes.size()) {
            const qint64 n = f.write(bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                QString why = f.errorString();
                if (why.isEmpty())
                    why = QStringLiteral("falha de gravação");
                const Error e = failure(f, why).error();
                if (&f == &m_declaration) {
                    m_declarationError = e;
                    return {};
                }
                return e;
            }
            done += n;
        }
        return {};
    }
};

} // namespace

Result<GeneratedFiles> writeDeclarationFiles(QSqlDatabase &db, const PeriodKey &key, const QString &folder)
{
    const GeneratedFiles paths = declarationPaths(folder, key);
    DeclarationOutput output(paths);
    if (Status s = output.open(); !s)
        return s.error();
    if (Status s = streamPacket(db, key, output); !s) {
        output.cancel();
        return s.error();
    }
    if (Status s = output.commit(); !s)
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
