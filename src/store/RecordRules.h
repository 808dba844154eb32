#pragma once
// The rules that run when rows of the annex XI-A chain are posted, the range
// and width rules of the fields, and the display mask of counterpart numbers.
// They work on a pending row given as a QVariantMap (field name -> value), so
// the cursors and the importers share them.
//
// A field is "empty" when its key is missing, its value is null or invalid,
// or its value is a text that is empty or only blanks (the store keeps no
// trailing blanks, so such a text is no value).

#include "base/Dialogs.h"
#include "store/Schema.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <optional>

namespace quirels::store::rules {

bool isEmpty(const QVariantMap &row, const QString &field);
bool isEmptyValue(const QVariant &value);

// A value as a number: numeric variants as they are; texts read with the
// regional decimal separator, or with a point. Empty when not a number.
std::optional<double> toNumber(const QVariant &value);

// Access to a pending row kept elsewhere (a cursor's buffer), so the rules
// run on it without copying it into a map.
class RowAccess {
public:
    virtual ~RowAccess() = default;
    virtual QVariant get(const QString &field) const = 0;
    virtual void set(const QString &field, const QVariant &value) = 0;
};

// The required-field checks of a product, a final product and a substance
// present. The first failing test shows its information box and returns
// false (with the field it is about in `failed`, when given); true when the
// row may be posted.
bool validarProduto(const QVariantMap &row, Dialogs &dialogs);
bool validarProdutoFinal(const QVariantMap &row, Dialogs &dialogs);
bool validarSubstanciaPresente(const QVariantMap &row, Dialogs &dialogs);
bool validarProduto(const RowAccess &row, Dialogs &dialogs, QString *failed = nullptr);
bool validarProdutoFinal(const RowAccess &row, Dialogs &dialogs, QString *failed = nullptr);
bool validarSubstanciaPresente(const RowAccess &row, Dialogs &dialogs, QString *failed = nullptr);

// The fourteen quantity fields of a product, in the order the closing-stock
// rule visits them.
const QStringList &quantityFields();

// Closing stock of a product row: each empty quantity becomes 0; a closing
// stock that has a value (0 included) is kept; otherwise it is the balance
// of the quantities (recycling takes no part).
void applyClosingStock(QVariantMap &row);
void applyClosingStock(RowAccess &row);
// The balance alone, in its evaluation order: the inflows left to right,
// minus the sum of the six outflows. Empty quantities count as 0.
double closingStock(const QVariantMap &row);

// Range rule: for a field declared with the 0..100 range and a value outside
// it, the message "<value> Não é um valor válido para o campo '<field>'. A
// faixa permitida é de 0 até 100"; an empty text otherwise (also for an
// empty value and for fields without a range).
QString rangeMessage(const schema::Field &field, double value);
QString rangeMessage(const schema::Table &table, const QString &field, const QVariant &value);

// Width rule: for a text longer than its text field, a message naming the
// field and its width; an empty text otherwise. Memo fields have no limit.
QString widthMessage(const schema::Field &field, const QVariant &value);
QString widthMessage(const schema::Table &table, const QString &field, const QVariant &value);

// The day of a movement (the NrDia field of the four day tables) in its
// stored form, two digits, so that days in text order are in calendar order:
// "5" and " 5" give "05". Any other text is returned as it is (the day checks
// judge it).
inline const QString kDayField = QStringLiteral("NrDia");
QString storedDay(const QString &day);

// Display masks of counterpart numbers.
inline const QString kCnpjMask = QStringLiteral("00.000.000/0000-00;0;_");
inline const QString kCpfMask = QStringLiteral("000.000.000-00;0;_");

// The mask a counterpart field takes when the current row changes: the CNPJ
// mask for exactly 14 characters, the CPF mask for exactly 11, otherwise the
// mask it had (`current`), so an empty value keeps the previous row's mask.
QString counterpartMask(const QString &value, const QString &current);

// The counterpart fields whose mask follows the value as the current row of
// the table changes, in the order they are handled; empty for other tables.
QStringList counterpartFields(const QString &table);

} // namespace quirels::store::rules
