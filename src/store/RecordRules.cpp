#include "RecordRules.h"

#include "Messages.h"
#include "ValueOrder.h"
#include "base/Numbers.h"

namespace quirels::store::rules {

namespace {

const QString kCdNCM = QStringLiteral("CdNCM");
const QString kVlConcentracao = QStringLiteral("VlConcentracao");
const QString kVlDensidade = QStringLiteral("VlDensidade");
const QString kDsUnidade = QStringLiteral("DsUnidade");
const QString kQtProdFinal = QStringLiteral("QtProdFinal");
const QString kQtEstoqueAtual = QStringLiteral("QtEstoqueAtual");

// Positions in quantityFields().
enum Quantity {
    EstoqueAnt, Producao, Transformacao, Utilizacao, Compras, Vendas, Reciclagem,
    Reaproveitamento, Importacao, Exportacao, Perdas, Evaporacao, EntradasDiv, SaidasDiv, kQuantities
};

// The balance from the fourteen quantities: the inflows left to right in
// their written order, minus the six outflows summed left to right.
double balance(const double (&q)[kQuantities])
{
    double in = q[EstoqueAnt];
    in = in + q[Producao];
    in = in - q[Transformacao];
    in = in + q[Compras];
    in = in + q[Importacao];
    in = in + q[EntradasDiv];
    in = in + q[Reaproveitamento];
    double out = q[Utilizacao];
    out = out + q[Vendas];
    out = out + q[Exportacao];
    out = out + q[Perdas];
    out = out + q[Evaporacao];
    out = out + q[SaidasDiv];
    return in - out;
}

class ConstMapAccess : public RowAccess {
public:
    explicit ConstMapAccess(const QVariantMap &m) : m_map(m) {}
    QVariant get(const QString &field) const override { return m_map.value(field); }
    void set(const QString &, const QVariant &) override {}

private:
    const QVariantMap &m_map;
};

class MapAccess : public RowAccess {
public:
    explicit MapAccess(QVariantMap &m) : m_map(m) {}
    QVariant get(const QString &field) const override { return m_map.value(field); }
    void set(const QString &field, const QVariant &value) override { m_map.insert(field, value); }

private:
    QVariantMap &m_map;
};

// The first test whose field is empty shows its message.
bool requireAll(const RowAccess &row, Dialogs &dialogs, QString *failed,
                std::initializer_list<std::pair<QString, QString>> tests)
{
    for (const auto &[field, message] : tests)
        if (isEmptyValue(row.get(field))) {
            dialogs.information(message);
            if (failed)
                *failed = field;
            return false;
        }
    return true;
}

} // namespace

bool isEmptyValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return true;
    // Looked at in place: every value of every row read passes here.
    if (value.typeId() == QMetaType::QString)
        return QStringView(*static_cast<const QString *>(value.constData())).trimmed().isEmpty();
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
    if (valueorder::isNumber(value))
        return value.toDouble();
    const QString text = value.toString();
    if (std::optional<double> d = numbers::parse(text))
        return d;
    bool ok = false;
    const double d = QLocale::c().toDouble(text.trimmed(), &ok);
    if (ok)
        return d;
    return std::nullopt;
}

bool validarProduto(const RowAccess &row, Dialogs &dialogs, QString *failed)
{
    return requireAll(row, dialogs, failed,
                      {{kCdNCM, msg::kProdutoCodigoOuNome},
                       {kVlConcentracao, msg::kConcentracao},
                       {kVlDensidade, msg::kDensidadeProduto},
                       {kDsUnidade, msg::kUnidadeEstoqueAtual}});
}

bool validarProdutoFinal(const RowAccess &row, Dialogs &dialogs, QString *failed)
{
    if (!requireAll(row, dialogs, failed,
                    {{kCdNCM, msg::kCodigoProduto}, {kVlDensidade, msg::kDensidadeFinal}, {kQtProdFinal, msg::kQuantidadeFinal}}))
        return false;
    // A quantity that is not a number is no quantity greater than zero.
    const std::optional<double> q = toNumber(row.get(kQtProdFinal));
    if (!q || !(*q > 0.0)) {
        dialogs.information(msg::kQuantidadeFinalPositiva);
        if (failed)
            *failed = kQtProdFinal;
        return false;
    }
    return requireAll(row, dialogs, failed, {{kDsUnidade, msg::kUnidade}});
}

bool validarSubstanciaPresente(const RowAccess &row, Dialogs &dialogs, QString *failed)
{
    return requireAll(row, dialogs, failed, {{kCdNCM, msg::kCodigoProduto}, {kVlConcentracao, msg::kConcentracao}});
}

bool validarProduto(const QVariantMap &row, Dialogs &dialogs) { return validarProduto(ConstMapAccess(row), dialogs); }
bool validarProdutoFinal(const QVariantMap &row, Dialogs &dialogs) { return validarProdutoFinal(ConstMapAccess(row), dialogs); }
bool validarSubstanciaPresente(const QVariantMap &row, Dialogs &dialogs)
{
    return validarSubstanciaPresente(ConstMapAccess(row), dialogs);
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
    double q[kQuantities];
    const QStringList &fields = quantityFields();
    for (int i = 0; i < kQuantities; ++i)
        q[i] = toNumber(row.value(fields.at(i))).value_or(0.0);
    return balance(q);
}

void applyClosingStock(RowAccess &row)
{
    double q[kQuantities];
    const QStringList &fields = quantityFields();
    for (int i = 0; i < kQuantities; ++i) {
        const QVariant v = row.get(fields.at(i));
        if (isEmptyValue(v)) {
            row.set(fields.at(i), 0.0);
            q[i] = 0.0;
        } else {
            q[i] = toNumber(v).value_or(0.0);
        }
    }
    if (!isEmptyValue(row.get(kQtEstoqueAtual)))
        return;
    row.set(kQtEstoqueAtual, balance(q));
}

void applyClosingStock(QVariantMap &row)
{
    MapAccess access(row);
    applyClosingStock(access);
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

QString storedDay(const QString &day)
{
    const QString t = day.trimmed();
    if (t.size() == 1 && t.at(0) >= QLatin1Char('0') && t.at(0) <= QLatin1Char('9'))
        return QLatin1Char('0') + t;
    return day;
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
