#include "NfeRowsModel.h"

#include "base/ui/WrapText.h"

#include "base/Numbers.h"
#include "entry/FieldRules.h"
#include "entry/Messages.h"
#include "exchange/Messages.h"
#include "exchange/NfeScreens.h"
#include "shell/CpfCnpj.h"
#include "store/Messages.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <algorithm>

namespace quirels::exchange::ui {

namespace {

const QColor kMissing(255, 190, 190);
const QColor kProposed(255, 245, 170);

QString digitsOf(const QString &text)
{
    QString out;
    for (const QChar ch : text)
        if (ch.isDigit())
            out += ch;
    return out;
}

QString stripAmpersand(QString caption) { return caption.remove(QLatin1Char('&')); }

QVariant nullOf(const entry::FieldSpec &f)
{
    switch (f.kind) {
    case entry::FieldKind::Number:
        return QVariant(QMetaType::fromType<double>());
    case entry::FieldKind::CountryList:
        return QVariant(QMetaType::fromType<int>());
    default:
        return QVariant(QMetaType::fromType<QString>());
    }
}

} // namespace

NfeRowsModel::NfeRowsModel(QChar annex, const entry::Lookups &lookups, Invalid invalid, QObject *parent)
    : QAbstractTableModel(parent), m_annex(annex),
      m_spec(annex == QLatin1Char('C') ? entry::annexC() : entry::annexB()), m_lookups(lookups),
      m_invalid(std::move(invalid))
{
    if (m_annex == QLatin1Char('C'))
        if (Result<QList<entry::CountryEntry>> all = m_lookups.countries(); all)
            for (const entry::CountryEntry &c : *all)
                m_countries.insert(c.code, c.name);
}

QString NfeRowsModel::editKey(const nfe::Candidate &c) { return c.key + QLatin1Char('/') + QString::number(c.item); }

void NfeRowsModel::setScan(nfe::Scan *scan)
{
    beginResetModel();
    m_scan = scan;
    m_rows.clear();
    if (m_scan) {
        for (size_t i = 0; i < m_scan->rows.size(); ++i) {
            nfe::Candidate &c = m_scan->rows[i];
            if (c.annex != m_annex)
                continue;
            // What was typed for this item before the inputs were read again.
            if (const auto e = m_edited.constFind(editKey(c)); e != m_edited.constEnd())
                for (auto f = e->constBegin(); f != e->constEnd(); ++f) {
                    c.row[f.key()] = f.value();
                    c.proposed.removeAll(f.key());
                }
            m_rows.push_back(i);
        }
    }
    m_state.clear();
    for (size_t i : m_rows)
        m_state.push_back(check(m_scan->rows[i]));
    endResetModel();
}

void NfeRowsModel::recheck()
{
    for (size_t r = 0; r < m_rows.size(); ++r)
        m_state[r] = check(m_scan->rows[m_rows[r]]);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

NfeRowsModel::RowState NfeRowsModel::check(const nfe::Candidate &c) const
{
    RowState s;
    entry::CheckContext ctx;
    ctx.mode = entry::CheckMode::Salvar;
    ctx.lookups = &m_lookups;
    for (const entry::RequiredCheck &check : m_annex == QLatin1Char('C') ? nfe::checksC() : nfe::checksB()) {
        if (!check.missing(c.row, ctx))
            continue;
        if (!s.first)
            s.first = &check;
        s.missing.append(fieldOf(check));
    }
    return s;
}

QString NfeRowsModel::fieldOf(const entry::RequiredCheck &check) const
{
    const entry::FieldSpec *f = m_spec.main.fieldByControl(check.focus);
    return f ? f->field : QString();
}

int NfeRowsModel::rowOf(size_t candidate) const
{
    for (size_t r = 0; r < m_rows.size(); ++r)
        if (m_rows[r] == candidate)
            return static_cast<int>(r);
    return -1;
}

int NfeRowsModel::columnOf(const QString &f) const
{
    for (int c = 1; c < columnCount(); ++c)
        if (field(c) == f)
            return c;
    return -1;
}

const entry::RequiredCheck *NfeRowsModel::firstMissing(int row) const { return m_state.at(row).first; }

int NfeRowsModel::incomplete() const
{
    int n = 0;
    for (const RowState &s : m_state)
        n += s.first ? 1 : 0;
    return n;
}

// Columns: "Pendência", the annex grid's columns, the item and the file.
int NfeRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int NfeRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_spec.main.grid.size()) + 3;
}

QString NfeRowsModel::field(int column) const
{
    if (column < 1 || column > m_spec.main.grid.size())
        return QString();
    return m_spec.main.grid.at(column - 1).field;
}

const entry::FieldSpec *NfeRowsModel::spec(int column) const
{
    const QString f = field(column);
    return f.isEmpty() ? nullptr : m_spec.main.fieldByName(f);
}

QVariant NfeRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    const int grid = static_cast<int>(m_spec.main.grid.size());
    if (section == 0)
        return msg::kNfeColPendencia;
    if (section <= grid)
        return wrapTitle(m_spec.main.grid.at(section - 1).title);
    return section == grid + 1 ? msg::kNfeColItem : msg::kNfeColArquivo;
}

QString NfeRowsModel::display(const nfe::Candidate &c, const entry::FieldSpec &f) const
{
    const QVariant v = c.row.value(f.field);
    if (v.isNull())
        return QString();
    switch (f.kind) {
    case entry::FieldKind::Number:
        return numbers::format(v.toDouble(), f.decimals == 3 ? QStringLiteral("0.000") : QStringLiteral("0.00"));
    case entry::FieldKind::Counterpart: {
        const QString digits = v.toString();
        return cpfcnpj::formatted(digits, cpfcnpj::rowChangeMask(digits));
    }
    case entry::FieldKind::Choice:
        for (const auto &choice : f.choices)
            if (choice.second == v.toString())
                return stripAmpersand(choice.first);
        return v.toString();
    case entry::FieldKind::CountryList:
        return m_countries.value(v.toString(), v.toString());
    default:
        return v.toString();
    }
}

QString NfeRowsModel::editText(const nfe::Candidate &c, const entry::FieldSpec &f) const
{
    const QVariant v = c.row.value(f.field);
    if (v.isNull())
        return QString();
    if (f.kind == entry::FieldKind::Number)
        return numbers::general(v.toDouble());
    if (f.kind == entry::FieldKind::Choice)
        return v.toString();
    return f.kind == entry::FieldKind::Counterpart ? v.toString() : display(c, f);
}

QVariant NfeRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_scan)
        return {};
    const nfe::Candidate &c = m_scan->rows[m_rows.at(index.row())];
    const RowState &state = m_state.at(index.row());
    const int grid = static_cast<int>(m_spec.main.grid.size());
    const int column = index.column();
    if (column == 0) {
        QString text;
        if (c.needsFactor)
            text = msg::kNfeSemFator.arg(c.invoiceUnit, c.productCode, c.description);
        else if (state.first)
            text = state.first->message;
        else if (c.importedBefore)
            text = msg::kNfeJaImportada;
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return text;
        if (role == Qt::BackgroundRole && state.first)
            return QBrush(kMissing);
        return {};
    }
    if (column > grid) {
        if (role == Qt::DisplayRole)
            return column == grid + 1 ? QVariant(c.item) : QVariant(c.file);
        if (role == Qt::ToolTipRole && column == grid + 2)
            return c.file;
        return {};
    }
    const entry::FieldSpec *f = spec(column);
    if (!f)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return display(c, *f);
    case Qt::EditRole:
        return editText(c, *f);
    case Qt::BackgroundRole:
        if (state.missing.contains(f->field))
            return QBrush(kMissing);
        if (c.proposed.contains(f->field))
            return QBrush(kProposed);
        return {};
    case Qt::ToolTipRole:
        for (const entry::RequiredCheck &check : m_annex == QLatin1Char('C') ? nfe::checksC() : nfe::checksB())
            if (fieldOf(check) == f->field && state.missing.contains(f->field) && check.missing(c.row, {
                    entry::CheckMode::Salvar, &m_lookups}))
                return check.message;
        if (c.proposed.contains(f->field))
            return msg::kNfeProposto;
        return {};
    case Qt::TextAlignmentRole:
        if (f->kind == entry::FieldKind::Number)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags NfeRowsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags fl = QAbstractTableModel::flags(index);
    const entry::FieldSpec *f = spec(index.column());
    // The product comes from the invoice's NCM: the code and name stay.
    if (f && f->kind != entry::FieldKind::Ncm && f->kind != entry::FieldKind::ProductName)
        fl |= Qt::ItemIsEditable;
    return fl;
}

std::optional<QVariant> NfeRowsModel::parse(const entry::FieldSpec &f, const QString &typed) const
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return nullOf(f);
    switch (f.kind) {
    case entry::FieldKind::Day: {
        if (!entry::isValidDay(text, m_scan->period.mes, m_scan->period.ano)) {
            m_invalid(entry::msg::kDiaInvalido, true);
            return std::nullopt;
        }
        return QStringLiteral("%1").arg(text.toInt(), 2, 10, QLatin1Char('0'));
    }
    case entry::FieldKind::CfopCode:
    case entry::FieldKind::CfopList: {
        const QString code = nfe::formatCfop(digitsOf(text));
        if (code.isEmpty() || digitsOf(text).size() != text.size() - text.count(QLatin1Char('.'))) {
            m_invalid(entry::msg::kCfopInvalido, false);
            return std::nullopt;
        }
        return code;
    }
    case entry::FieldKind::Number: {
        const std::optional<double> v = numbers::parse(text);
        if (!v) {
            m_invalid(store::msg::kNaoNumerico.arg(text, f.label), false);
            return std::nullopt;
        }
        if (const QString m = entry::signMessage(f.sign, *v); !m.isEmpty()) {
            m_invalid(m, false);
            return std::nullopt;
        }
        return *v;
    }
    case entry::FieldKind::Unit: {
        const QString u = text.toLower();
        if (u == QLatin1String("kg"))
            return QStringLiteral("Kg");
        if (u == QLatin1String("litro") || u == QLatin1String("l"))
            return QStringLiteral("litro");
        m_invalid(msg::kNfeUnidadeInvalida, false);
        return std::nullopt;
    }
    case entry::FieldKind::Counterpart: {
        const QString digits = digitsOf(text);
        const cpfcnpj::Check c = cpfcnpj::checkCounterpart(digits.isEmpty() ? text : digits);
        if (!c.ok()) {
            m_invalid(c.message, true);
            return std::nullopt;
        }
        return digits;
    }
    case entry::FieldKind::Choice:
        for (const auto &choice : f.choices)
            if (text.compare(choice.second, Qt::CaseInsensitive) == 0 ||
                text.compare(stripAmpersand(choice.first), Qt::CaseInsensitive) == 0)
                return choice.second;
        m_invalid(msg::kNfeOperacaoInvalida, false);
        return std::nullopt;
    case entry::FieldKind::CountryList: {
        bool number = false;
        const int code = text.toInt(&number);
        if (number && m_countries.contains(QString::number(code)))
            return code;
        for (auto it = m_countries.constBegin(); it != m_countries.constEnd(); ++it)
            if (it.value().compare(text, Qt::CaseInsensitive) == 0)
                return it.key().toInt();
        m_invalid(msg::kNfePaisInvalido.arg(text), false);
        return std::nullopt;
    }
    default:
        return f.maxLength > 0 ? text.left(f.maxLength) : text;
    }
}

bool NfeRowsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const entry::FieldSpec *f = spec(index.column());
    const std::optional<QVariant> v = parse(*f, value.toString());
    if (!v)
        return false;
    nfe::Candidate &c = m_scan->rows[m_rows.at(index.row())];
    c.row[f->field] = *v;
    c.proposed.removeAll(f->field);
    // A quantity and a unit typed by hand stand for the factor.
    const bool b = m_annex != QLatin1Char('C');
    const QString quantity = b ? QStringLiteral("VlQuantidade") : QStringLiteral("QtImportacao");
    const QString unit = b ? QStringLiteral("NmUnidade") : QStringLiteral("DsUnidade");
    if (c.needsFactor && !c.row.value(quantity).isNull() && !c.row.value(unit).isNull())
        c.needsFactor = false;
    m_edited[editKey(c)][f->field] = *v;
    m_state[static_cast<size_t>(index.row())] = check(c);
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    return true;
}

// ---- Units without a factor ----

namespace {
enum FactorColumn { kIssuer, kCode, kDescription, kUnit, kFactor, kTarget, kFactorColumns };
}

NfeFactorsModel::NfeFactorsModel(Invalid invalid, QObject *parent) : QAbstractTableModel(parent), m_invalid(std::move(invalid)) {}

void NfeFactorsModel::setScan(nfe::Scan *scan)
{
    beginResetModel();
    m_scan = scan;
    m_units.clear();
    if (m_scan) {
        for (const nfe::Candidate &c : m_scan->rows) {
            if (!c.needsFactor)
                continue;
            const bool listed = std::any_of(m_units.cbegin(), m_units.cend(), [&](const Unit &u) {
                return u.factor.issuer == c.issuer && u.factor.productCode == c.productCode &&
                       u.factor.unit == c.invoiceUnit.trimmed();
            });
            if (listed)
                continue;
            Unit u;
            u.factor = {c.issuer, c.productCode, c.invoiceUnit.trimmed(), 0, QStringLiteral("Kg")};
            u.description = c.description;
            // A factor given before the inputs were read again.
            for (const nfe::UnitFactor &g : m_given)
                if (g.issuer == u.factor.issuer && g.productCode == u.factor.productCode && g.unit == u.factor.unit)
                    u.factor = g;
            m_units.append(u);
        }
        for (Unit &u : m_units)
            if (u.factor.factor > 0)
                nfe::applyFactor(*m_scan, u.factor);
    }
    endResetModel();
}

void NfeFactorsModel::apply(Unit &u)
{
    if (u.factor.factor <= 0)
        return;
    nfe::applyFactor(*m_scan, u.factor);
    const auto same = [&](const nfe::UnitFactor &g) {
        return g.issuer == u.factor.issuer && g.productCode == u.factor.productCode && g.unit == u.factor.unit;
    };
    m_given.erase(std::remove_if(m_given.begin(), m_given.end(), same), m_given.end());
    m_given.push_back(u.factor);
    emit rowsChanged();
}

int NfeFactorsModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : static_cast<int>(m_units.size()); }

int NfeFactorsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kFactorColumns; }

QVariant NfeFactorsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    switch (section) {
    case kIssuer:
        return msg::kNfeColEmitente;
    case kCode:
        return wrapTitle(msg::kNfeColCodigo);
    case kDescription:
        return wrapTitle(msg::kNfeColDescricao);
    case kUnit:
        return wrapTitle(msg::kNfeColUnidadeNota);
    case kFactor:
        return msg::kNfeColFator;
    default:
        return wrapTitle(msg::kNfeColUnidade);
    }
}

int NfeFactorsModel::targetColumn() { return kTarget; }

QStringList NfeFactorsModel::targets() { return {QStringLiteral("Kg"), QStringLiteral("litro")}; }

QVariant NfeFactorsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const Unit &u = m_units.at(index.row());
    if (role == Qt::BackgroundRole)
        return index.column() == kFactor && u.factor.factor <= 0 ? QVariant(QBrush(kMissing)) : QVariant();
    if (role == Qt::TextAlignmentRole && index.column() == kFactor)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case kIssuer:
        return cpfcnpj::formatted(u.factor.issuer, cpfcnpj::rowChangeMask(u.factor.issuer));
    case kCode:
        return u.factor.productCode;
    case kDescription:
        return u.description;
    case kUnit:
        return u.factor.unit;
    case kFactor:
        if (u.factor.factor <= 0)
            return QString();
        return numbers::general(u.factor.factor);
    default:
        return u.factor.target;
    }
}

Qt::ItemFlags NfeFactorsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags fl = QAbstractTableModel::flags(index);
    if (index.column() == kFactor || index.column() == kTarget)
        fl |= Qt::ItemIsEditable;
    return fl;
}

bool NfeFactorsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    Unit &u = m_units[index.row()];
    const QString text = value.toString().trimmed();
    if (index.column() == kFactor) {
        const std::optional<double> v = numbers::parse(text);
        if (!v || *v <= 0) {
            m_invalid(msg::kNfeFatorInvalido, false);
            return false;
        }
        u.factor.factor = *v;
    } else {
        const QString t = text.toLower();
        if (t == QLatin1String("kg"))
            u.factor.target = QStringLiteral("Kg");
        else if (t == QLatin1String("litro") || t == QLatin1String("l"))
            u.factor.target = QStringLiteral("litro");
        else {
            m_invalid(msg::kNfeUnidadeInvalida, false);
            return false;
        }
    }
    apply(u);
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), kFactorColumns - 1));
    return true;
}

} // namespace quirels::exchange::ui
