#pragma once
// CPF and CNPJ: the two check-digit tests, the display masks and the rule by
// which each caller decides between them. Numbers are stored as bare digits;
// the punctuation is only a display mask.

#include "base/Masks.h"

#include <QString>

namespace quirels::cpfcnpj {

// The check-digit tests. Neither trims nor removes punctuation: the first 11
// (CPF) or 14 (CNPJ) characters must be digits with matching check digits;
// characters after them are not examined.
bool isValidCpf(const QString &text);
bool isValidCnpj(const QString &text);

// Which display mask a number field shows. Keep leaves the field's mask as it
// was.
enum class MaskKind { None, Cpf, Cnpj, Keep };

// The edit mask of a kind; empty for None and Keep.
EditMask mask(MaskKind kind);

// Outcome of a check made when a field is left: the mask to show and the
// message to give (empty when the number passed or was not tested).
struct Check {
    MaskKind mask = MaskKind::Keep;
    QString message;
    bool ok() const { return message.isEmpty(); }
};

// A number that is to become a company key (new-company registration, a
// changed key in the company window): exactly 14 digits passing the CNPJ test
// or exactly 11 passing the CPF test, and not one digit repeated throughout
// (00000000000 passes the tests but names nobody). Any other length is
// refused with the general message.
Check checkRegistration(const QString &number);

// Counterpart fields (supplier, carrier, owner, shipper, consignee), on
// leaving: empty after trimming is fine and untested; exactly 14 characters
// get the CNPJ mask and test, exactly 11 the CPF mask and test; any other
// length is refused with the general message.
Check checkCounterpart(const QString &number);

// The person responsible's CPF, on leaving: always the CPF mask and test.
Check checkResponsible(const QString &number);

// Display of the company key: 14 or more characters after trimming give the
// CNPJ mask, 12 or 13 no mask (neither mask holds them whole: a key kept
// from older data is shown as it is), anything shorter the CPF mask.
MaskKind keyDisplayMask(const QString &key);

// Mask of a number field on leaving it while typing a company number (the
// new-company, company and period windows): longer than 13 characters gives
// the CNPJ mask, 12 or 13 no mask, otherwise the CPF mask.
MaskKind typedNumberMask(const QString &number);

// Display of a counterpart field when the current row changes: exactly 14
// characters give the CNPJ mask, exactly 11 the CPF mask; otherwise the mask
// stays as it was.
MaskKind rowChangeMask(const QString &value);

// The number shown with its mask ("11.222.333/0001-81", "123.456.789-09"), or
// unchanged when the kind has no mask.
QString formatted(const QString &digits, MaskKind kind);

// Keys that a number field lets through: the digits, Backspace and Enter.
bool isNumberKey(QChar c);

} // namespace quirels::cpfcnpj
