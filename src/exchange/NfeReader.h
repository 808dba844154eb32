#pragma once
// Reads electronic invoice files (NF-e, layout 4.00): an authorised invoice
// (root nfeProc, with its protocol), a bare invoice (root NFe) or an event
// (root procEventoNFe, of which only the cancellation matters here). Only
// what the annex rows need is kept. The reader refuses a document type
// declaration and entity references, bounds the file size and the element
// depth, and never resolves anything outside the file. A batch of inputs
// (files, folders read recursively, .zip files of XMLs) is read through
// forEachInput.

#include "base/Result.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace quirels::exchange::nfe {

struct Limits {
    qint64 maxFileBytes = qint64(16) << 20;  // one XML file (an invoice of 990 items is far less)
    int maxDepth = 48;                       // element nesting (an invoice needs about 10)
    qint64 maxZipEntries = 200000;           // entries of one .zip file
    qint64 maxZipBytes = qint64(4) << 30;    // uncompressed bytes read from one .zip file
};

// A party of the invoice: CNPJ or CPF digits, or a foreign identification.
struct Party {
    QString document;    // CNPJ (14) or CPF (11) digits; empty for a foreign party
    QString foreignId;   // idEstrangeiro (may be empty even for a foreign party)
    bool foreign = false; // idEstrangeiro present, or an address outside Brazil
    QString name;
    int countryCode = 0; // cPais of the address (1058 Brazil); 0 when absent
    QString countryName; // xPais
};

struct Item {
    int number = 0;      // nItem
    QString productCode; // cProd
    QString description; // xProd
    QString ncm;         // 8 digits as in the file
    QString cfop;        // 4 digits as in the file
    QString unit;        // uCom
    double quantity = 0; // qCom
    QString taxUnit;     // uTrib
    double taxQuantity = 0; // qTrib
    QString importDeclaration; // DI/nDI
    QString exportRegistration; // detExport/exportInd/nRE
};

struct Invoice {
    QString key;         // 44-digit access key (Id of infNFe without "NFe")
    QString number;      // nNF
    int direction = 1;   // tpNF: 0 entry, 1 exit
    QDate issued;        // dhEmi
    QDate moved;         // dhSaiEnt; invalid when absent
    Party issuer;        // emit
    Party recipient;     // dest
    QString carrier;     // transp/transporta CNPJ or CPF; empty when absent
    bool hasProtocol = false;
    int status = 0;      // protNFe/infProt/cStat
    std::vector<Item> items;

    QDate date() const { return moved.isValid() ? moved : issued; }
};

// A cancellation event (tpEvento 110111) for an access key.
struct Cancellation {
    QString key;
};

// What one file holds: one invoice or one event (or neither, for an event
// of another kind).
struct Document {
    std::vector<Invoice> invoices;
    std::vector<Cancellation> cancellations;
};

// Parses one file's bytes. An error explains what is wrong (a malformed
// file, a document type declaration, another kind of document, a file too
// big or too deep).
Result<Document> parse(const QByteArray &bytes, const Limits &limits = {});

// One input read: its name as shown to the user ("notas.zip/nf1.xml" for
// an entry of a zip) and its bytes, or why it could not be read.
using InputVisitor = std::function<void(const QString &name, const Result<QByteArray> &bytes)>;

// Reads every input in order: a file, each .xml and .zip file under a
// folder (recursively, in name order; links to folders are not followed),
// each .xml entry of a .zip file. A path that does not exist or cannot be
// read is reported to the visitor with its reason.
void forEachInput(const QStringList &paths, const Limits &limits, const InputVisitor &visit);

// The same inputs in the same order, each with what gets its bytes instead
// of the bytes: a plain file is read only when read() is called, which may
// be on another thread (once per input); the entries of a .zip file and the
// inputs that could not be opened come already read.
using InputReader = std::function<Result<QByteArray>()>;
using LazyInputVisitor = std::function<void(const QString &name, InputReader read)>;
void forEachInputLazily(const QStringList &paths, const Limits &limits, const LazyInputVisitor &visit);

// "9999.99.99" for eight digits; empty for anything else.
QString formatNcm(const QString &digits);
// "9.999" for four digits; empty for anything else.
QString formatCfop(const QString &digits);

} // namespace quirels::exchange::nfe
