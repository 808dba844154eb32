#include "FindRecord.h"

#include "store/NameOrder.h"

#include <QRegularExpression>

namespace quirels::entry {

namespace {

bool isInvoice(const QString &field)
{
    return field.compare(QLatin1String("NrNF"), Qt::CaseInsensitive) == 0
        || field.compare(QLatin1String("CdNF"), Qt::CaseInsensitive) == 0;
}

bool isName(const QString &field) { return field.compare(QLatin1String("NmProduto"), Qt::CaseInsensitive) == 0; }

QString digitsOf(const QString &text) { return QString(text).remove(QRegularExpression(QStringLiteral("[^0-9]"))); }

} // namespace

QStringList findFields(const ListSpec &spec)
{
    QStringList out;
    for (const FieldSpec &f : spec.fields)
        if ((isInvoice(f.field) || isName(f.field) || f.kind == FieldKind::Counterpart) && !out.contains(f.field))
            out.append(f.field);
    return out;
}

int findRecord(const store::Cursor &cursor, const ListSpec &spec, const QString &typed, int from)
{
    const QString text = typed.trimmed();
    const int rows = cursor.count();
    if (text.isEmpty() || rows == 0)
        return -1;
    const QString folded = store::foldName(text);
    const QString digits = digitsOf(text);
    // A number is typed as digits, with or without its punctuation.
    static const QRegularExpression numberForm(QStringLiteral("^[0-9./ -]*[0-9][0-9./ -]*$"));
    const bool numberTyped = numberForm.match(text).hasMatch();
    const QStringList fields = findFields(spec);
    from = qBound(0, from, rows - 1);
    for (int i = 0; i < rows; ++i) {
        const int row = (from + i) % rows;
        for (const FieldSpec &f : spec.fields) {
            if (!fields.contains(f.field))
                continue;
            const QVariant v = cursor.valueAt(row, f.field);
            if (!v.isValid() || v.isNull())
                continue;
            const QString value = v.toString().trimmed();
            bool match = false;
            if (isName(f.field))
                match = store::foldName(value).contains(folded);
            else if (isInvoice(f.field))
                match = value.startsWith(text, Qt::CaseInsensitive);
            else
                match = numberTyped && digitsOf(value).startsWith(digits);
            if (match)
                return row;
        }
    }
    return -1;
}

} // namespace quirels::entry
