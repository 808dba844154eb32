#include "NfeScreens.h"

#include "Messages.h"
#include "entry/FieldRules.h"
#include "entry/Messages.h"
#include "shell/CpfCnpj.h"

namespace quirels::exchange::nfe {

namespace {

using Condition = std::function<bool(const QVariantMap &, const entry::CheckContext &)>;

// An invoice number: one to ten digits.
Condition badNumber(const QString &field)
{
    return [field](const QVariantMap &row, const entry::CheckContext &) {
        const QVariant v = row.value(field);
        if (entry::isBlankValue(v))
            return false;
        const QString t = v.toString().trimmed();
        if (t.size() > 10)
            return true;
        for (QChar c : t)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return true;
        return false;
    };
}

Condition badCounterpart(const QString &field)
{
    return [field](const QVariantMap &row, const entry::CheckContext &) {
        const QVariant v = row.value(field);
        return !entry::isBlankValue(v) && !cpfcnpj::checkCounterpart(v.toString().trimmed()).ok();
    };
}

// A filled number field that is not a number or that `refused` turns down.
Condition refusedNumber(const QString &field, bool (*refused)(double))
{
    return [field, refused](const QVariantMap &row, const entry::CheckContext &) {
        const QVariant v = row.value(field);
        if (entry::isBlankValue(v))
            return false;
        bool ok = false;
        const double d = v.toDouble(&ok);
        return !ok || refused(d);
    };
}

Condition notPositive(const QString &field)
{
    return refusedNumber(field, [](double d) { return !entry::signMessage(entry::Sign::Positive, d).isEmpty(); });
}

Condition outsidePercent(const QString &field)
{
    return refusedNumber(field, [](double d) { return d < 0 || d > 100; });
}

Condition badDay(const QString &field)
{
    return [field](const QVariantMap &row, const entry::CheckContext &) {
        const QVariant v = row.value(field);
        if (entry::isBlankValue(v) || !row.contains(QStringLiteral("NmMes")))
            return false;
        return !entry::isValidDay(v.toString(), row.value(QStringLiteral("NmMes")).toString(),
                                  row.value(QStringLiteral("NrAno")).toString());
    };
}

entry::RequiredCheck check(Condition c, const QString &message, const char *focus)
{
    return entry::RequiredCheck{std::move(c), message, QString::fromLatin1(focus)};
}

QList<entry::RequiredCheck> withValueChecks(QList<entry::RequiredCheck> checks, bool annexB)
{
    if (annexB) {
        checks << check(badDay(QStringLiteral("NrDia")), entry::msg::kDiaInvalido, "edtDia")
               << check(badCounterpart(QStringLiteral("CdFornecedor")), msg::kNfeFornecedorInvalido,
                        "edtCNPJFornecedor");
    }
    checks << check(badNumber(QStringLiteral("NrNF")), msg::kNfeNumeroInvalido, "edtNF")
           << check(badCounterpart(QStringLiteral("CdTransportadora")), msg::kNfeTransportadoraInvalida,
                    "edtCNPJTransportadora")
           << check(notPositive(annexB ? QStringLiteral("VlQuantidade") : QStringLiteral("QtImportacao")),
                    msg::kNfeQuantidadeInvalida, "edtQuantidade")
           << check(outsidePercent(QStringLiteral("VlConcentracao")), msg::kNfeConcentracaoInvalida,
                    "edtConcentracao");
    return checks;
}

} // namespace

const QList<entry::RequiredCheck> &checksB()
{
    static const QList<entry::RequiredCheck> checks = withValueChecks(entry::annexB().main.checks, true);
    return checks;
}

const QList<entry::RequiredCheck> &checksC()
{
    static const QList<entry::RequiredCheck> checks = withValueChecks(entry::annexC().main.checks, false);
    return checks;
}

} // namespace quirels::exchange::nfe
