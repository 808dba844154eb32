#pragma once
// The import of a month's electronic invoices into annexes XI-B and XI-C.
//
// scan() reads every input, keeps the invoices of the company (as issuer or
// recipient) that are authorised, not cancelled by an event anywhere in the
// input and dated in the period, and builds one candidate row per item whose
// NCM is a controlled product: an XI-B movement, or an XI-C import/export
// when the other party is abroad. What an invoice does not say is proposed
// from the month's XI-A product of the same NCM and from the party's latest
// row, or left missing. store() writes the candidates in one transaction,
// only when each passes its screen's required-field checks (or, when asked,
// leaving out those that do not), and keeps the access keys so that a second
// import of the same invoice replaces or skips it instead of doubling rows.

#include "NfeReader.h"
#include "base/Dialogs.h"
#include "base/Result.h"
#include "entry/Annex.h"
#include "entry/Lookups.h"
#include "store/PeriodKey.h"

#include <QChar>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <vector>

namespace quirels::exchange::nfe {

// A unit of one issuer's product code turned into kilograms or litres.
struct UnitFactor {
    QString issuer;      // CNPJ/CPF of the invoice's issuer (the product code is theirs)
    QString productCode; // cProd
    QString unit;        // uCom as in the invoice
    double factor = 0;   // quantity in `target` per invoice unit
    QString target;      // "Kg" or "litro"
};

struct Candidate {
    QChar annex;             // 'B' (Movimentacao) or 'C' (Importacao)
    QVariantMap row;         // the table's fields
    QStringList proposed;    // fields filled by a proposal, not by the invoice
    QString file;            // the input the invoice came from
    QString key;             // access key
    QString number;          // nNF
    int item = 0;            // nItem
    QString party;           // the other party's CNPJ/CPF, or the foreign party's name
    bool importedBefore = false; // the company imported this invoice earlier
    // The invoice's unit is not one of the known ones and no factor is
    // remembered: quantity and unit wait for a factor.
    bool needsFactor = false;
    QString issuer;          // for the factor: issuer, product code, unit, description
    QString productCode;
    QString invoiceUnit;
    QString description;
    double invoiceQuantity = 0;

    QString table() const;
};

struct Skipped {
    QString file;
    QString reason;
    QString line() const; // "<file>: <reason>"
};

struct Scan {
    PeriodKey period;
    std::vector<Candidate> rows;
    std::vector<Skipped> skipped;
    int outsidePeriod = 0;      // invoices of the company dated outside the period
    int uncontrolledItems = 0;  // items of kept invoices whose NCM is not controlled
    QStringList importedBefore; // access keys of invoices the company imported earlier
};

// The company's side of a CFOP ("9.999"): an invoice the company received
// carries the sender's code, 5.xxx/6.xxx/7.xxx for 1.xxx/2.xxx/3.xxx and the
// other way round.
QString companyCfop(const QString &invoiceCfop, bool companyIssued);

// Reads the inputs and builds the candidates. Fails only when the store
// cannot be read or the period does not exist; bad files are listed in
// skipped.
Result<Scan> scan(QSqlDatabase &db, const PeriodKey &period, const QStringList &paths, const Limits &limits = {},
                  Progress &progress = noProgress());

// Gives every candidate waiting for this issuer's product code and unit its
// quantity and unit; the number of rows changed.
int applyFactor(Scan &scan, const UnitFactor &factor);

// Screens candidate rows with the required-field checks of their annex's
// entry screen (the same list the screen's Salvar runs).
class Screen {
public:
    explicit Screen(QSqlDatabase db);
    // The first check the row fails; null when it passes.
    const entry::RequiredCheck *firstMissing(const Candidate &c) const;
    const entry::RequiredCheck *firstMissing(QChar annex, const QVariantMap &row) const;
    // The checks answer from memory (the look-up tables were read at once),
    // never from the store: rows may be checked on several threads.
    bool inMemory() const { return m_inMemory; }

private:
    entry::Lookups m_lookups;
    bool m_inMemory = false;
};

struct StoreOptions {
    bool replace = false;       // invoices imported before: replace their rows (else skip them)
    bool completeOnly = false;  // leave out the rows that fail a check instead of refusing
    std::vector<UnitFactor> factors; // factors given now, remembered for later imports
};

struct StoreResult {
    bool refused = false;       // a row failed a check and completeOnly was off: nothing stored
    int rowsB = 0;
    int rowsC = 0;
    int invoicesReplaced = 0;
    int invoicesSkipped = 0;    // imported before and not replaced
    std::vector<size_t> incomplete; // indexes into scan.rows that failed a check
};

// Writes the candidates in one transaction (the remembered factors and the
// access keys with them). Fails, leaving every table as it was, on a store
// error.
Result<StoreResult> store(QSqlDatabase &db, const Scan &scan, const StoreOptions &options);

// "Anexo XI-B, NF 123, item 2 (arquivo.xml): <message>"
QString incompleteLine(const Candidate &c, const QString &message);

} // namespace quirels::exchange::nfe
