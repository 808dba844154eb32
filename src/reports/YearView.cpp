#include "YearView.h"

#include "base/Numbers.h"
#include "reports/Messages.h"
#include "shell/Messages.h"
#include "store/RecordRules.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>

namespace quirels::reports::year {

namespace {

constexpr int kStoreError = 2;
const QString kPicture = QStringLiteral("###,###,##0.000");

QString shown(double v) { return numbers::format(v, QStringLiteral("0.000")); }
bool same(double a, double b) { return shown(a) == shown(b); }
double num(const QVariant &v) { return v.isNull() ? 0.0 : v.toDouble(); }

struct Key {
    QString name;
    double concentration;
    bool operator==(const Key &o) const { return name == o.name && concentration == o.concentration; }
};
size_t qHash(const Key &k, size_t seed = 0) { return ::qHash(k.name, seed) ^ ::qHash(k.concentration, seed); }

// The quantities that bring stock in and take it out (the closing-stock
// rule's inflows and outflows; recycling takes no part).
const char *const kEntries[] = {"QtProducao", "QtCompras", "QtImportacao", "QtEntradasDiv", "QtReaproveitamento"};
const char *const kExits[] = {"QtTransformacao", "QtUtilizacao", "QtVendas", "QtExportacao", "QtPerdas", "QtEvaporacao",
                              "QtSaidasDiv"};

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace

QString ProductYear::label() const { return name + QStringLiteral(" a ") + numbers::general(concentration) + QLatin1Char('%'); }

QString ProductYear::warning(int m) const
{
    if (m < 0 || m >= 12 || !broken[static_cast<size_t>(m)])
        return QString();
    const double opening = months[static_cast<size_t>(m)] ? months[static_cast<size_t>(m)]->opening : 0.0;
    const QString previous = schema::monthCodes().at(m == 0 ? 11 : m - 1);
    return msg::kVisaoAnoAviso.arg(shown(opening), previous, shown(*broken[static_cast<size_t>(m)]));
}

int YearView::brokenCount() const
{
    int n = 0;
    for (const ProductYear &p : products)
        for (const auto &b : p.broken)
            n += b ? 1 : 0;
    return n;
}

Result<YearView> read(QSqlDatabase &db, const QString &cnpj, const QString &ano)
{
    YearView view;
    view.cnpj = cnpj;
    view.ano = ano;
    const QString lastYear = QStringLiteral("%1").arg(ano.toInt() - 1, 4, 10, QLatin1Char('0'));
    QSqlQuery q(db);
    sql::forwardOnly(q);
    q.prepare(QStringLiteral("SELECT NmRazao FROM Empresa WHERE CdCNPJEmpr = ?"));
    q.addBindValue(cnpj);
    if (!q.exec())
        return makeError(sql::errorText(q), kStoreError);
    if (!q.next())
        return makeError(shell::msg::empresaNaoCadastrada(cnpj), 1);
    view.company = q.value(0).toString();

    bool lastDecember = false;
    q.prepare(QStringLiteral("SELECT NrAno, NmMes FROM Mes WHERE CdCNPJEmpr = ? AND (NrAno = ? OR (NrAno = ? AND NmMes = 'DEZ'))"));
    q.addBindValue(cnpj);
    q.addBindValue(ano);
    q.addBindValue(lastYear);
    if (!q.exec())
        return makeError(sql::errorText(q), kStoreError);
    while (q.next()) {
        const int m = schema::monthNumber(q.value(1).toString().trimmed().toUpper());
        if (m == 0)
            continue;
        if (q.value(0).toString() == ano)
            view.periods[static_cast<size_t>(m - 1)] = true;
        else
            lastDecember = true;
    }

    QStringList columns{QStringLiteral("NrAno"), QStringLiteral("NmMes"), QStringLiteral("NmProduto"),
                        QStringLiteral("VlConcentracao"), QStringLiteral("CdNCM"), QStringLiteral("DsUnidade"),
                        QStringLiteral("QtEstoqueAnt"), QStringLiteral("QtEstoqueAtual")};
    for (const char *f : kEntries)
        columns.append(QString::fromLatin1(f));
    for (const char *f : kExits)
        columns.append(QString::fromLatin1(f));
    q.prepare(QStringLiteral("SELECT %1 FROM Produtos WHERE CdCNPJEmpr = ? AND (NrAno = ? OR (NrAno = ? AND NmMes = 'DEZ'))"
                             " ORDER BY CdProduto")
                  .arg(columns.join(QStringLiteral(", "))));
    q.addBindValue(cnpj);
    q.addBindValue(ano);
    q.addBindValue(lastYear);
    if (!q.exec())
        return makeError(sql::errorText(q), kStoreError);
    QHash<Key, size_t> index;
    QHash<Key, double> december; // last year's closing stocks
    const int entries = static_cast<int>(std::size(kEntries));
    while (q.next()) {
        const int m = schema::monthNumber(q.value(1).toString().trimmed().toUpper());
        if (m == 0)
            continue;
        const double c = num(q.value(3));
        const Key key{q.value(2).toString(), c == 0.0 ? 0.0 : c};
        if (q.value(0).toString() != ano) {
            december[key] += num(q.value(7));
            continue;
        }
        auto at = index.constFind(key);
        if (at == index.constEnd()) {
            ProductYear p;
            p.name = key.name;
            p.concentration = key.concentration;
            view.products.push_back(p);
            at = index.insert(key, view.products.size() - 1);
        }
        ProductYear &p = view.products[at.value()];
        if (p.ncm.trimmed().isEmpty())
            p.ncm = q.value(4).toString();
        if (p.unit.trimmed().isEmpty())
            p.unit = q.value(5).toString();
        // Two rows of one product in a month are added up.
        MonthFigures f = p.months[static_cast<size_t>(m - 1)].value_or(MonthFigures{});
        f.opening += num(q.value(6));
        f.closing += num(q.value(7));
        for (int i = 0; i < columns.size() - 8; ++i)
            (i < entries ? f.entries : f.exits) += num(q.value(8 + i));
        p.months[static_cast<size_t>(m - 1)] = f;
    }

    // The carry-over: a month's opening stock is the previous month's
    // closing stock, where both months exist.
    for (ProductYear &p : view.products) {
        const Key key{p.name, p.concentration};
        for (int m = 0; m < 12; ++m) {
            const bool previousExists = m == 0 ? lastDecember : view.periods[static_cast<size_t>(m - 1)];
            if (!view.periods[static_cast<size_t>(m)] || !previousExists)
                continue;
            const auto &here = p.months[static_cast<size_t>(m)];
            std::optional<double> before;
            if (m == 0) {
                if (december.contains(key))
                    before = december.value(key);
            } else if (const auto &prev = p.months[static_cast<size_t>(m - 1)]) {
                before = prev->closing;
            }
            if (!here && !before)
                continue;
            const double opening = here ? here->opening : 0.0;
            const double closing = before.value_or(0.0);
            if (!same(opening, closing))
                p.broken[static_cast<size_t>(m)] = closing;
        }
    }
    std::sort(view.products.begin(), view.products.end(), [](const ProductYear &a, const ProductYear &b) {
        const int byName = QString::localeAwareCompare(a.name, b.name);
        if (byName != 0)
            return byName < 0;
        return a.name != b.name ? a.name < b.name : a.concentration < b.concentration;
    });
    return view;
}

ReportDef report(const YearView &view)
{
    const FontSpec cap{7, true};
    const FontSpec val{7, false};
    ReportDef def;
    def.title = msg::kVisaoAnoTitulo + QLatin1Char(' ') + view.ano;
    def.setup.margins = QMarginsF(10, 10, 10, 10);
    const double width = def.setup.contentWidth();
    def.titleBand.height = 16;
    def.titleBand.elements = {
        label(0, 1, 0, s("VISÃO DO ANO ") + view.ano, {12, true}, Align::Center),
        label(0, 8, 0, view.company + QStringLiteral(" - ") + view.cnpj, {9, false}, Align::Center),
    };
    def.pageFooter.height = 6;
    def.pageFooter.elements = {pageNumber(0, 2, 0, s("Página: "), val, Align::Right)};

    // The table's columns: month, four quantities, the warning.
    const double xs[] = {0, 12, 38, 64, 90, 116};
    const double ws[] = {12, 26, 26, 26, 26, width - 116};
    const char *const heads[] = {"MÊS", "ESTOQUE ANT.", "ENTRADAS", "SAÍDAS", "ESTOQUE ATUAL", "AVISO"};

    for (const ProductYear &p : view.products) {
        // One band per product (title, table and chart), so that a product
        // is never split across pages: the figures are known, so the table's
        // cells are plain texts.
        Level level;
        level.source = [](const Source *) { return std::make_unique<RowsSource>(std::vector<QVariantMap>{QVariantMap{}}); };
        Band &block = level.detail;
        block.elements = {
            label(0, 1, 0, p.label(), {9, true}),
            label(0, 5.5, 0, s("Cód. NCM: ") + p.ncm + s("    Unidade: ") + p.unit, val),
        };
        for (int c = 0; c < 6; ++c) {
            block.elements.push_back(box(xs[c], 10, ws[c], 6));
            block.elements.push_back(label(xs[c] + 1, 10.8, ws[c] - 2, s(heads[c]), cap, c == 0 || c == 5 ? Align::Left : Align::Right));
        }
        double rowTop = 16;
        for (int m = 0; m < 12; ++m) {
            const auto &f = p.months[static_cast<size_t>(m)];
            if (!f && !p.broken[static_cast<size_t>(m)])
                continue;
            QStringList cells{schema::monthCodes().at(m)};
            for (double v : {f ? f->opening : 0.0, f ? f->entries : 0.0, f ? f->exits : 0.0, f ? f->closing : 0.0})
                cells.append(f ? numbers::format(v, kPicture) : QString());
            cells.append(p.warning(m));
            for (int c = 0; c < 6; ++c) {
                block.elements.push_back(box(xs[c], rowTop, ws[c], 5));
                block.elements.push_back(label(xs[c] + 1, rowTop + 0.5, ws[c] - 2, cells.at(c), c == 5 ? FontSpec{6, false} : val,
                                               c == 0 || c == 5 ? Align::Left : Align::Right));
            }
            rowTop += 5;
        }

        // The chart of the closing stock over the months, below the table.
        Band chart;
        const double top = 6, plot = 40, left = 26, right = width - 4;
        const double step = (right - left) / 12;
        chart.height = top + plot + 14;
        double lo = 0, hi = 0;
        bool any = false;
        for (const auto &f : p.months)
            if (f) {
                lo = any ? std::min(lo, f->closing) : std::min(0.0, f->closing);
                hi = any ? std::max(hi, f->closing) : std::max(0.0, f->closing);
                any = true;
            }
        if (hi - lo < 1e-9)
            hi = lo + 1;
        const auto y = [&](double v) { return top + plot - (v - lo) / (hi - lo) * plot; };
        const auto x = [&](int m) { return left + (m + 0.5) * step; };
        chart.elements.push_back(label(0, 1, 0, s("Estoque atual mês a mês (") + p.unit + QLatin1Char(')'), cap));
        chart.elements.push_back(segment(left, top, left, top + plot));
        chart.elements.push_back(segment(left, y(0), right, y(0)));
        // The scale: the highest stock, zero, and the lowest when below zero.
        std::vector<double> scale{hi, 0.0};
        if (lo < 0)
            scale.push_back(lo);
        for (double v : scale)
            chart.elements.push_back(label(0, y(v) - 1.5, left - 2, numbers::format(v, kPicture), val, Align::Right));
        int last = -1; // the month of the previous point
        for (int m = 0; m < 12; ++m) {
            chart.elements.push_back(segment(x(m), top + plot, x(m), top + plot + 1));
            chart.elements.push_back(label(x(m) - step / 2, top + plot + 2, step, schema::monthCodes().at(m), val, Align::Center));
            const auto &f = p.months[static_cast<size_t>(m)];
            if (!f) {
                last = -1;
                continue;
            }
            const double py = y(f->closing);
            chart.elements.push_back(box(x(m) - 0.7, py - 0.7, 1.4, 1.4));
            if (last >= 0)
                chart.elements.push_back(segment(x(last), y(p.months[static_cast<size_t>(last)]->closing), x(m), py));
            last = m;
            if (p.broken[static_cast<size_t>(m)])
                chart.elements.push_back(label(x(m) - 3, py - 5, 6, QStringLiteral("(!)"), cap, Align::Center));
        }
        bool broken = false;
        for (const auto &b : p.broken)
            broken = broken || b;
        if (broken)
            chart.elements.push_back(label(left, top + plot + 7, 0,
                                           s("(!) estoque anterior diferente do estoque atual do mês anterior"), val));
        for (Element e : chart.elements) {
            e.y += rowTop + 2;
            block.elements.push_back(std::move(e));
        }
        block.height = rowTop + 2 + chart.height + 4;
        def.sections.push_back(std::move(level));
    }
    def.summary.height = 8;
    def.summary.elements = {label(0, 2, 0, msg::kVisaoAnoResumo.arg(view.products.size()).arg(view.brokenCount()), val)};
    return def;
}

QByteArray csv(const YearView &view)
{
    const auto cell = [](const QString &t) -> QString {
        if (!t.contains(QLatin1Char(';')) && !t.contains(QLatin1Char('"')) && !t.contains(QLatin1Char('\n'))
            && !t.contains(QLatin1Char('\r')))
            return t;
        QString q = t;
        q.replace(QLatin1String("\""), QLatin1String("\"\""));
        return QLatin1Char('"') + q + QLatin1Char('"');
    };
    QString out = QStringLiteral("Produto;Concentração;Cód. NCM;Unidade;Mês;Estoque Anterior;Entradas;Saídas;Estoque Atual;Aviso\r\n");
    for (const ProductYear &p : view.products)
        for (int m = 0; m < 12; ++m) {
            const auto &f = p.months[static_cast<size_t>(m)];
            if (!f && !p.broken[static_cast<size_t>(m)])
                continue;
            QStringList line{cell(p.name), numbers::general(p.concentration), cell(p.ncm), cell(p.unit),
                             schema::monthCodes().at(m)};
            for (double v : {f ? f->opening : 0.0, f ? f->entries : 0.0, f ? f->exits : 0.0, f ? f->closing : 0.0})
                line.append(f ? shown(v) : QString());
            line.append(cell(p.warning(m)));
            out += line.join(QLatin1Char(';')) + QStringLiteral("\r\n");
        }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

} // namespace quirels::reports::year
