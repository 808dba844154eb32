#pragma once
// What an annex entry screen is made of, as data: its fields (label, control,
// table field, kind), its ordered required-field checks (condition, message,
// control that gets the focus), its kept invoice fields and focus targets,
// its grid columns. One screen engine reads these; what an annex does beyond
// them is a small named hook of its own screen.

#include "entry/FieldRules.h"

#include <QChar>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace quirels::entry {

class Lookups;

enum class FieldKind {
    Text,         // free text
    Number,       // float with `decimals` decimals and a sign rule
    Integer,      // whole number
    Ncm,          // NCM code through the mask "9999.99.99", lookup by code
    ProductName,  // controlled-product name, upper case, lookup by name
    Unit,         // "Kg" or "litro"
    Day,          // day of the month of the open period
    CfopCode,     // CFOP code through the mask "9.999"
    CfopList,     // drop-down of table CFOP: shows the description, stores the code
    Counterpart,  // CNPJ/CPF of another party
    Choice,       // radio group of stored letters
    FixedList,    // drop-down of fixed entries, nothing else can be typed
    CountryList,  // drop-down of table Paises: shows the name, stores the number
};

struct FieldSpec {
    QString label;             // may be empty (no label)
    QString control;           // the control's object name
    QString field;             // the table field
    FieldKind kind = FieldKind::Text;
    int maxLength = 0;         // 0: none beyond the field
    int decimals = 0;          // Number
    Sign sign = Sign::Any;     // Number: checked on leaving the field
    bool readOnly = false;     // shown, skipped by the tab order
    QList<QPair<QString, QString>> choices; // Choice: caption, stored value; FixedList: entry, entry
    bool refreshes = true;     // a change runs the editing-state refresh
    QString hint;              // tool tip and status tip of the control
};

enum class CheckMode { Novo, Salvar };

struct CheckContext {
    CheckMode mode = CheckMode::Salvar;
    const Lookups *lookups = nullptr;
};

// A required-field check: `missing` answers true when the pending row fails.
struct RequiredCheck {
    std::function<bool(const QVariantMap &row, const CheckContext &ctx)> missing;
    QString message;
    QString focus;             // object name of the control that gets the focus
};

// Conditions of the required-field checks.
namespace when {
// The field's text, trimmed, is empty (or it has no value).
std::function<bool(const QVariantMap &, const CheckContext &)> blank(const QString &field);
// The code holds no digit (NCM and CFOP codes).
std::function<bool(const QVariantMap &, const CheckContext &)> noDigit(const QString &field);
// The CFOP code has no description in table CFOP.
std::function<bool(const QVariantMap &, const CheckContext &)> noCfopDescription(const QString &field);
// The country number names no country of table Paises (the drop-down shows
// no name).
std::function<bool(const QVariantMap &, const CheckContext &)> noCountryName(const QString &field);
// The condition only where the command is the given one.
std::function<bool(const QVariantMap &, const CheckContext &)>
onlyOn(CheckMode mode, std::function<bool(const QVariantMap &, const CheckContext &)> c);
// The condition, except under the given command while `field` holds `value`.
std::function<bool(const QVariantMap &, const CheckContext &)>
exceptOnWhen(CheckMode mode, const QString &field, const QString &value,
             std::function<bool(const QVariantMap &, const CheckContext &)> c);
} // namespace when

struct InvoiceReuse {
    QStringList keptFields;    // copied whole into the new row after "Sim"
    QString focusAfterYes;     // first field after the kept ones
};

struct GridColumn {
    QString title;
    QString field;
};

// One record list of a screen (the main list, or a dependent list).
struct ListSpec {
    QString table;                    // "Movimentacao"
    QString group;                    // group caption above the fields
    QList<FieldSpec> fields;          // in tab order
    QList<RequiredCheck> checks;      // in order; empty: none on the screen
    std::optional<InvoiceReuse> reuse;
    QString firstFocus;               // focus after Novo (no reuse, "Não", first row)
    QList<GridColumn> grid;
    QString gridHint;
    QString closePrompt;              // asked on closing while a row is pending
    int perRow = 6;                   // label-over-control cells per row of the group
    QList<QPair<QString, int>> spans; // controls that take more than one cell

    const FieldSpec *fieldByControl(const QString &control) const;
    const FieldSpec *fieldByName(const QString &field) const;
};

struct AnnexSpec {
    QChar letter;                     // observation letter
    QString className;                // "TfrmMovimentacao"
    QString caption;
    ListSpec main;
    QString observationLabel() const; // "Observações Anexo B"
    QString observationControl() const { return QStringLiteral("memObservacoesAnexo") + letter; }
};

// The first failing check of a pending row, if any.
const RequiredCheck *firstMissing(const QList<RequiredCheck> &checks, const QVariantMap &row,
                                  const CheckContext &ctx);

// The annexes.
const AnnexSpec &annexA();
const AnnexSpec &annexB();
// The dependent lists of annex XI-A.
const ListSpec &annexAFinalProducts();
const ListSpec &annexASubstances();
const AnnexSpec &annexC();
const AnnexSpec &annexD();
const AnnexSpec &annexE();
const AnnexSpec &annexF();
const AnnexSpec &annexG();
const AnnexSpec &annexH();
// The isolated-product list of annex XI-G (its second page).
const ListSpec &annexGIsolated();
// The annex of a letter 'A'..'H'; null for another letter.
const AnnexSpec *annexSpec(QChar letter);
// The federal units of annex XI-F in their order, "EX" for a foreign party.
const QStringList &ufList();
// The destinations of a residue in their order.
const QStringList &destinationList();

// The closing-stock quantity controls of annex XI-A page 1, in tab order
// ("Estoque Anterior" .. "Saídas Diversas", then the closing stock).
const QStringList &annexAStockControls();

} // namespace quirels::entry
