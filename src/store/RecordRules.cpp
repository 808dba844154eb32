#include "RecordRules.h"

#include "Messages.h"
#include "base/Numbers.h"

namespace quirels::store::rules {

namespace {

const QString kCdNCM = QStringLiteral("CdNCM");
const QString kVlConcentracao = QStringLiteral("VlConcentracao");
const QString kVlDensidade = QStringLiteral("VlDensidade");
const QString kDsUnidade = QStringLiteral("DsUnidade");
const QString kQtProdFinal = QStringLiteral("QtProdFinal");
const QString kQtEstoqueAtual = QStringLiteral("QtEstoqueAtual");

double quantity(const QVariantMap &row, const char *field)
{
    return toNumber(row.value(QString::fromLatin1(field))).value_or(0.0);
}

// The first test whose field is empty shows its message.
bool requireAll(const QVariantMap &row, Dialogs &dialogs, std::initializer_list<std::pair<QString, QString>> tests)
{
    for (const auto &[field, message] : tests)
        if (isEmpty(row, field)) {
            dialogs.information(message);
            return false;
        }
    return true;
}

} // namespace

bool isEmptyValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return true;
    if (value.typeId() == QMetaType::QString)
        return value.toString().trimmed().isEmpty();
    return false;
}

bool isEmpty(const QVariantMap &row, const QString &field)
{
    const auto it = row.constFind(field);
    return it == row.constEnd() || isEmptyValue(*it);
}

std::optional<double> toNumber(const QVariant &value)
{
    if (isEmptyValue(value))
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool: return value.toDouble();
    default: break;
    }
    const QString text = value.toString();
    if (std::optional<double> d = numbers::parse(text))
        return d;
    bool ok = false;
    const double d = QLocale::c().toDouble(text.trimmed(), &ok);
    if (ok)
        return d;
    return std::nullopt;
}

bool validarProduto(const QVariantMap &row, Dialogs &dialogs)
{
    return requireAll(row, dialogs,
                      {{kCdNCM, msg::kProdutoCodigoOuNome},
                       {kVlConcentracao, msg::kConcentracao},
                       {kVlDensidade, msg::kDensidadeProduto},
                       {kDsUnidade, msg::kUnidadeEstoqueAtual}});
}

bool validarProdutoFinal(const QVariantMap &row, Dialogs &dialogs)
{
    if (!requireAll(row, dialogs,
                    {{kCdNCM, msg::kCodigoProduto}, {kVlDensidade, msg::kDensidadeFinal}, {kQtProdFinal, msg::kQuantidadeFinal}}))
        return false;
    // A quantity that is not a number is no quantity greater than zero.
    const std::optional<double> q = toNumber(row.value(kQtProdFinal));
    if (!q || !(*q > 0.0)) {
        dialogs.information(msg::kQuantidadeFinalPositiva);
        return false;
    }
    return requireAll(row, dialogs, {{kDsUnidade, msg::kUnidade}});
}

bool validarSubstanciaPresente(const QVariantMap &row, Dialogs &dialogs)
{
    return requireAll(row, dialogs, {{kCdNCM, msg::kCodigoProduto}, {kVlConcentracao, msg::kConcentracao}});
}

const QStringList &quantityFields()
{
    static const QStringList fields{
        QStringLiteral("QtEstoqueAnt"),  QStringLiteral("QtProducao"),    QStringLiteral("QtTransformacao"),
        QStringLiteral("QtUtilizacao"),  QStringLiteral("QtCompras"),     QStringLiteral("QtVendas"),
        QStringLiteral("QtReciclagem"),  QStringLiteral("QtReaproveitamento"), QStringLiteral("QtImportacao"),
        QStringLiteral("QtExportacao"),  QStringLiteral("QtPerdas"),      QStringLiteral("QtEvaporacao"),
        QStringLiteral("QtEntradasDiv"), QStringLiteral("QtSaidasDiv")};
    return fields;
}

double closingStock(const QVariantMap &row)
{
    double in = quantity(row, "QtEstoqueAnt");
    in = in + quantity(row, "QtProducao");
    in = in - quantity(row, "QtTransformacao");
    in = in + quantity(row, "QtCompras");
    in = in + quantity(row, "QtImportacao");
    in = in + quantity(row, "QtEntradasDiv");
    in = in + quantity(row, "QtReaproveitamento");
    double out = quantity(row, "QtUtilizacao");
    out = out + quantity(row, "QtVendas");
    out = out + quantity(row, "QtExportacao");
    out = out + quantity(row, "QtPerdas");
    out = out + quantity(row, "QtEvaporacao");
    out = out + quantity(row, "QtSaidasDiv");
    return in - out;
}

void applyClosingStock(QVariantMap &row)
{
    for (const QString &f : quantityFields())
        if (isEmpty(row, f))
            row.insert(f, 0.0);
    if (!isEmpty(row, kQtEstoqueAtual))
        return;
    row.insert(kQtEstoqueAtual, closingStock(row));
}

QString rangeMessage(const schema::Field &field, double value)
{
    if (!field.max100 || (value >= 0.0 && value <= 100.0))
        return QString();
    return msg::kForaDaFaixa.arg(numbers::general(value), field.qname(), numbers::general(0.0), numbers::general(100.0));
}

QString rangeMessage(const schema::Table &table, const QString &field, const QVariant &value)
{
    const schema::Field *f = table.field(field);
    if (!f || !f->max100)
        return QString();
    const std::optional<double> d = toNumber(value);
    return d ? rangeMessage(*f, *d) : QString();
}

QString widthMessage(const schema::Field &field, const QVariant &value)
{
    if (field.type != schema::Type::Text || isEmptyValue(value))
        return QString();
    if (value.toString().size() <= field.width)
        return QString();
    return msg::kTextoLongo.arg(field.qname()).arg(field.width);
}

QString widthMessage(const schema::Table &table, const QString &field, const QVariant &value)
{
    const schema::Field *f = table.field(field);
    return f ? widthMessage(*f, value) : QString();
}

QString counterpartMask(const QString &value, const QString &current)
{
    if (value.size() == 14)
        return kCnpjMask;
    if (value.size() == 11)
        return kCpfMask;
    return current;
}

QStringList counterpartFields(const QString &table)
{
    const auto is = [&](const char *name) { return table.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("Movimentacao") || is("MovResiduo"))
        return {QStringLiteral("CdFornecedor"), QStringLiteral("CdTransportadora")};
    if (is("Importacao"))
        return {QStringLiteral("CdTransportadora")};
    if (is("Armazenagem"))
        return {QStringLiteral("CdProprietario")};
    if (is("MovArmazenagem"))
        return {QStringLiteral("CdProprietario"), QStringLiteral("CdTransportadora")};
    if (is("Transporte"))
        return {QStringLiteral("CdEmbarcador"), QStringLiteral("CdDestinatario")};
    return {};
}

} // namespace quirels::store::rules
