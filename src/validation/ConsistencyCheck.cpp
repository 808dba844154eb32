#include "ConsistencyCheck.h"

#include "Messages.h"
#include "Movements.h"
#include "StoredRows.h"
#include "shell/Messages.h"
#include "base/Numbers.h"
#include "store/Dialect.h"
#include "store/Sql.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariant>
#include <array>
#include <limits>

namespace quirels::validation {

namespace {

constexpr int kStoreError = 2;
constexpr int kNothingToCheck = 1;

// A text is empty when nothing but blanks and control characters remain
// after trimming, as the screens trim.
QString trimmed(const QString &s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s.at(b).unicode() <= 0x20)
        ++b;
    while (e > b && s.at(e - 1).unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

// The CLF as the company window shows it is a mask of eight digits, a hyphen
// and one digit. A value left blank in that mask reads back as blanks around
// the hyphen ("       - "); it holds no licence number, just like an empty one.
bool clfIsEmpty(const QString &clf)
{
    for (const QChar c : clf)
        if (c.unicode() > 0x20 && c != QLatin1Char('-') && c != QLatin1Char('_'))
            return false;
    return true;
}

struct Product {
    int code = 0;
    QString name;
    double concentration = 0;
    MatchKey key;
    QVariant perdas, entradasDiv, saidasDiv; // as stored: empty stays empty
    double compras = 0, vendas = 0, importacao = 0, exportacao = 0;
    bool hasFinalProduct = false;
};

struct Company {
    QString clf, mainGroup, groupIXText, cnae;
    std::array<bool, 9> groups{};
    bool group(int roman) const { return groups[static_cast<size_t>(roman - 1)]; }
};

Result<Company> readCompany(QSqlDatabase &db, const QString &cnpj)
{
    QSqlQuery q(db);
    sql::forwardOnly(q);
    q.prepare(QStringLiteral("SELECT NrCLF, DsGrupoPrincipal, DsGrupoIX, CdCNAE, FlGrupoI, FlGrupoII, FlGrupoIII,"
                             " FlGrupoIV, FlGrupoV, FlGrupoVI, FlGrupoVII, FlGrupoVIII, FlGrupoIX"
                             " FROM Empresa WHERE CdCNPJEmpr = :cnpj"));
    q.bindValue(QStringLiteral(":cnpj"), cnpj);
    if (!q.exec())
        return makeError(sql::errorText(q), kStoreError);
    if (!q.next())
        return makeError(shell::msg::empresaNaoCadastrada(cnpj), kNothingToCheck);
    Company c;
    c.clf = q.value(0).toString();
    c.mainGroup = q.value(1).toString();
    c.groupIXText = q.value(2).toString();
    c.cnae = q.value(3).toString();
    for (int i = 0; i < 9; ++i) {
        const QVariant v = q.value(4 + i);
        c.groups[static_cast<size_t>(i)] = !v.isNull() && v.toBool(); // a missing flag is a group not present
    }
    return c;
}

// The activity selector of the company window shows the CNAE's name.
Result<bool> cnaeHasName(QSqlDatabase &db, const QString &code)
{
    QSqlQuery q(db);
    sql::forwardOnly(q);
    q.prepare(QStringLiteral("SELECT 1 FROM Cnae WHERE CDDESCRCNAE = :c AND length(NMCNAE) > 0 LIMIT 1"));
    q.bindValue(QStringLiteral(":c"), code);
    if (!q.exec())
        return makeError(sql::errorText(q), kStoreError);
    return q.next();
}

Result<QList<Product>> readProducts(PeriodReader &r)
{
    Result<QSqlQuery> q = r.select(
        QStringLiteral("p.CdProduto, p.NmProduto, p.VlConcentracao, p.QtPerdas, p.QtEntradasDiv, p.QtSaidasDiv,"
                       " p.QtCompras, p.QtVendas, p.QtImportacao, p.QtExportacao,"
                       " EXISTS (SELECT 1 FROM ProdutoFinal f WHERE f.CdCNPJEmpr = p.CdCNPJEmpr"
                       " AND f.NrAno = p.NrAno AND f.NmMes = p.NmMes AND f.CdProduto = p.CdProduto)"
                       " FROM Produtos p"),
        QStringLiteral(" ORDER BY p.CdProduto"));
    if (!q)
        return q.error();
    QList<Product> out;
    while (q->next()) {
        Product p;
        p.code = q->value(0).toInt();
        p.name = q->value(1).toString();
        p.concentration = quantity(q->value(2));
        p.key = matchKey(q->value(1), q->value(2));
        p.perdas = q->value(3);
        p.entradasDiv = q->value(4);
        p.saidasDiv = q->value(5);
        p.compras = quantity(q->value(6));
        p.vendas = quantity(q->value(7));
        p.importacao = quantity(q->value(8));
        p.exportacao = quantity(q->value(9));
        p.hasFinalProduct = q->value(10).toBool();
        out.append(p);
    }
    return out;
}

QString shown(const QVariant &quantity)
{
    return quantity.isNull() ? QString() : trimmed(numbers::format(quantity.toDouble(), QStringLiteral("0.000")));
}

CheckLine line(LineKind kind, const QString &status, const QString &location, Place place = Place::None,
               QChar annex = QChar(), int row = 0, const QString &table = QString(), const QString &field = QString())
{
    return CheckLine{kind, status, location, place, annex, row, table, field};
}

// `table` and `field` name where the clerk mends what the line is about.
CheckLine annexLine(bool ok, const QString &failed, const QString &passed, LineKind failKind, const QString &failLocation,
                    const QString &okLocation, QChar annex, int row = 0, const QString &table = QString(),
                    const QString &field = QString())
{
    return ok ? line(LineKind::Confirmation, passed, okLocation, Place::Annex, annex, row, table, field)
              : line(failKind, failed, failLocation, Place::Annex, annex, row, table, field);
}

const QString kProdutos = QStringLiteral("Produtos");

} // namespace

QString productLabel(const QString &name, double concentration)
{
    return name + QStringLiteral(" a ") + numbers::general(concentration) + QLatin1Char('%');
}

bool sameQuantity(double a, double b)
{
    const QString picture = QStringLiteral("0.000");
    return numbers::format(a, picture) == numbers::format(b, picture);
}

Result<std::optional<int>> firstProduct(QSqlDatabase &db, const PeriodKey &period)
{
    PeriodReader r(db, period);
    Result<QSqlQuery> q = r.select(QStringLiteral("CdProduto FROM Produtos"), QStringLiteral(" ORDER BY CdProduto LIMIT 1"));
    if (!q)
        return q.error();
    if (!q->next())
        return std::optional<int>();
    return std::optional<int>(q->value(0).toInt());
}

Result<ValidationReport> runCheck(QSqlDatabase &db, const PeriodKey &period, std::optional<int> currentProduct)
{
    PeriodReader r(db, period);
    Result<bool> periodExists = r.any(QStringLiteral("Mes"));
    if (!periodExists)
        return periodExists.error();
    if (!*periodExists)
        return makeError(msg::kPeriodMissing.arg(period.mes, period.ano, period.cnpj), kNothingToCheck);
    Result<Company> company = readCompany(db, period.cnpj);
    if (!company)
        return company.error();
    const Company &c = *company;

    ValidationReport rep;
    auto companyLine = [&rep](bool ok, const QString &failed, const QString &passed) {
        rep.add(line(ok ? LineKind::Confirmation : LineKind::Error, ok ? passed : failed, msg::kLocCompany, Place::Company));
    };

    // Company information.
    companyLine(!clfIsEmpty(c.clf), msg::kClfEmpty, msg::kClfOk);
    companyLine(!trimmed(c.mainGroup).isEmpty(), msg::kMainGroupEmpty, msg::kMainGroupOk);
    bool anyGroup = false;
    for (bool g : c.groups)
        anyGroup = anyGroup || g;
    companyLine(anyGroup, msg::kNoGroup, msg::kGroupOk);
    if (c.group(9))
        companyLine(!trimmed(c.groupIXText).isEmpty(), msg::kGroupIXEmpty, msg::kGroupIXOk);
    Result<bool> cnae = cnaeHasName(db, c.cnae);
    if (!cnae)
        return cnae.error();
    companyLine(*cnae, msg::kCnaeMissing, msg::kCnaeOk);

    // Annex XI-A.
    QList<Product> products;
    bool productsRead = false;
    if (c.group(1) || c.group(2) || c.group(3) || c.group(5) || c.group(6)) {
        Result<QList<Product>> read = readProducts(r);
        if (!read)
            return read.error();
        products = read.take();
        productsRead = true;
        const Product *current = products.isEmpty() ? nullptr : &products.first();
        if (currentProduct)
            for (const Product &p : products)
                if (p.code == *currentProduct)
                    current = &p;
        const int currentRow = current ? current->code : 0;

        // Complementary information for losses, other entries and exits.
        const QString zero = numbers::format(0.0, QStringLiteral("0.000"));
        bool informed = false;
        if (current)
            for (const QVariant &v : {current->perdas, current->entradasDiv, current->saidasDiv}) {
                const QString s = shown(v);
                informed = informed || (!s.isEmpty() && s != zero);
            }
        if (informed) {
            Result<QSqlQuery> obs = r.select(QStringLiteral("Observacao FROM Observacoes"), QStringLiteral(" AND Anexo = 'A'"));
            if (!obs)
                return obs.error();
            const bool written = obs->next() && !trimmed(obs->value(0).toString()).isEmpty();
            rep.add(written ? line(LineKind::Confirmation, msg::kComplementaryOk, msg::kLocAnnexAComplementary,
                                   Place::Annex, QLatin1Char('A'), currentRow, QStringLiteral("Empresa"),
                                   QStringLiteral("DsInformacoes"))
                            : line(LineKind::Alert, msg::kComplementaryAlert, msg::kLocAnnexAObservations,
                                   Place::Annex, QLatin1Char('A'), currentRow, QStringLiteral("Observacoes"),
                                   QStringLiteral("Observacao")));
        } else {
            rep.countItem();
        }

        // Products.
        rep.add(annexLine(!products.isEmpty(), msg::kNoProducts, msg::kProductsOk, LineKind::Error,
                          msg::kLocAnnexAGeneral, msg::kLocAnnexAGeneralBlank, QLatin1Char('A'), 0, kProdutos,
                          QStringLiteral("CdNCM")));

        // Purchases or sales need annex XI-B.
        if (current && (current->compras > 0 || current->vendas > 0)) {
            Result<bool> moves = r.any(QStringLiteral("Movimentacao"));
            if (!moves)
                return moves.error();
            rep.add(annexLine(*moves, msg::kAnnexBRequired, msg::kAnnexBOk, LineKind::Error, msg::kLocAnnexAGeneral,
                              msg::kLocAnnexAGeneral, QLatin1Char('A'), currentRow, kProdutos,
                              current->compras > 0 ? QStringLiteral("QtCompras") : QStringLiteral("QtVendas")));
        }

        // Purchase, sale and other totals of every product.
        const bool finalGroups = c.group(1) || c.group(2);
        int finalProducts = 0;
        if (!products.isEmpty()) {
            Result<QHash<MatchKey, MovementSums>> sums = movementSums(r);
            if (!sums)
                return sums.error();
            const MovementSums none;
            for (const Product &p : products) {
                if (finalGroups && p.hasFinalProduct)
                    ++finalProducts;
                const auto found = sums->constFind(p.key);
                const MovementSums &s = found == sums->constEnd() ? none : found.value();
                rep.setLastVisitedProduct(p.code);
                if (s.badCfop) {
                    Result<QString> bad = firstBadCfop(r, p.key);
                    if (!bad)
                        return bad.error();
                    rep.stop(msg::kNotAnInteger.arg(*bad));
                    return rep;
                }
                const QString label = productLabel(p.name, p.concentration);
                const QChar a = QLatin1Char('A');
                const QString &loc = msg::kLocAnnexAGeneral;
                rep.add(annexLine(sameQuantity(s.purchases, p.compras), msg::kPurchaseDiffers + label,
                                  msg::kPurchaseOk + label, LineKind::Error, loc, loc, a, p.code, kProdutos,
                                  QStringLiteral("QtCompras")));
                rep.add(annexLine(sameQuantity(s.sales, p.vendas), msg::kSaleDiffers + label, msg::kSaleOk + label,
                                  LineKind::Error, loc, loc, a, p.code, kProdutos, QStringLiteral("QtVendas")));
                rep.add(annexLine(sameQuantity(s.others(), quantity(p.entradasDiv) + quantity(p.saidasDiv)),
                                  msg::kOtherDiffers + label, msg::kOtherOk + label, LineKind::Alert, loc, loc, a,
                                  p.code, kProdutos,
                                  quantity(p.entradasDiv) == 0.0 && quantity(p.saidasDiv) != 0.0
                                      ? QStringLiteral("QtSaidasDiv")
                                      : QStringLiteral("QtEntradasDiv")));
            }
        }

        // Final products.
        if (finalGroups)
            rep.add(annexLine(finalProducts > 0, msg::kFinalMissing, msg::kFinalOk, LineKind::Error,
                              msg::kLocAnnexAFinal, msg::kLocAnnexAFinal, QLatin1Char('A'), 0,
                              QStringLiteral("ProdutoFinal"), QStringLiteral("CdNCM")));

        // Imports or exports of the last product need annex XI-C.
        const Product *last = products.isEmpty() ? nullptr : &products.last();
        if (last && (last->importacao > 0 || last->exportacao > 0)) {
            Result<bool> imports = r.any(QStringLiteral("Importacao"));
            if (!imports)
                return imports.error();
            rep.add(annexLine(*imports, msg::kAnnexCRequired, msg::kAnnexCOk, LineKind::Error, msg::kLocAnnexAGeneral,
                              msg::kLocAnnexAGeneralBlank, QLatin1Char('A'), last->code, kProdutos,
                              last->importacao > 0 ? QStringLiteral("QtImportacao") : QStringLiteral("QtExportacao")));
        }

        // Import and export totals of every product.
        if (!products.isEmpty()) {
            Result<QHash<MatchKey, double>> imports = sumsBy(r, QStringLiteral("Importacao"), QStringLiteral("VlConcentracao"),
                                                             QStringLiteral("QtImportacao"));
            if (!imports)
                return imports.error();
            for (const Product &p : products) {
                const QString label = productLabel(p.name, p.concentration);
                rep.add(annexLine(sameQuantity(imports->value(p.key, 0.0), p.importacao + p.exportacao),
                                  msg::kImportDiffers + label, msg::kImportOk + label, LineKind::Error,
                                  msg::kLocAnnexAGeneral, msg::kLocAnnexAGeneralBlank, QLatin1Char('A'), p.code, kProdutos,
                                  p.importacao == 0.0 && p.exportacao != 0.0 ? QStringLiteral("QtExportacao")
                                                                             : QStringLiteral("QtImportacao")));
            }
        }
    }

    // Group IV: residues.
    if (c.group(4)) {
        Result<bool> residues = r.any(QStringLiteral("Residuo"));
        if (!residues)
            return residues.error();
        rep.add(annexLine(*residues, msg::kResidueMissing, msg::kResidueOk, LineKind::Error, msg::kLocResidue,
                          msg::kLocResidueAndMovement, QLatin1Char('G')));
    }

    // Group VII: storage.
    Result<bool> storage = r.any(QStringLiteral("Armazenagem"));
    if (!storage)
        return storage.error();
    if (c.group(7))
        rep.add(annexLine(*storage, msg::kStorageMissing, msg::kStorageOk, LineKind::Error, msg::kLocStorage,
                          msg::kLocStorage, QLatin1Char('D')));

    // Storage balances: the storage row of annex XI-D against its entries and
    // exits in annex XI-E.
    if ((c.group(7) || c.group(9)) && *storage) {
        Result<QHash<MatchKey, double>> entries = sumsBy(r, QStringLiteral("MovArmazenagem"), QStringLiteral("Vlconcentracao"),
                                                         QStringLiteral("QtMovArmazenagem"), QStringLiteral("DsES"),
                                                         QStringLiteral("E"));
        if (!entries)
            return entries.error();
        Result<QHash<MatchKey, double>> exits = sumsBy(r, QStringLiteral("MovArmazenagem"), QStringLiteral("Vlconcentracao"),
                                                       QStringLiteral("QtMovArmazenagem"), QStringLiteral("DsES"),
                                                       QStringLiteral("S"));
        if (!exits)
            return exits.error();
        Result<QSqlQuery> q = r.select(QStringLiteral("CdArmazenagem, NmProduto, VlConcentracao, QtEstoqueAnt, QtEstoqueAtual"
                                                      " FROM Armazenagem"),
                                       QStringLiteral(" ORDER BY CdArmazenagem"));
        if (!q)
            return q.error();
        while (q->next()) {
            const MatchKey key = matchKey(q->value(1), q->value(2));
            const double balance = quantity(q->value(3)) + entries->value(key, 0.0) - exits->value(key, 0.0);
            const QString label = productLabel(q->value(1).toString(), quantity(q->value(2)));
            rep.add(annexLine(sameQuantity(balance, quantity(q->value(4))), msg::kStorageDiffers + label,
                              msg::kStorageBalanceOk + label, LineKind::Alert, msg::kLocStorageMovement,
                              msg::kLocStorageMovement, QLatin1Char('D'), q->value(0).toInt(),
                              QStringLiteral("Armazenagem"), QStringLiteral("QtEstoqueAtual")));
        }
    }

    // Group VIII: transport.
    if (c.group(8)) {
        Result<bool> transport = r.any(QStringLiteral("Transporte"));
        if (!transport)
            return transport.error();
        rep.add(annexLine(*transport, msg::kTransportMissing, msg::kTransportOk, LineKind::Error, msg::kLocTransport,
                          msg::kLocTransport, QLatin1Char('F')));
    }

    // Group IX: at least one annex filled in. The line counts as an error but
    // not as a validated item.
    if (c.group(9)) {
        bool anyRow = productsRead && !products.isEmpty();
        for (const char *t : {"Produtos", "MovArmazenagem", "Movimentacao", "Importacao", "Residuo", "Armazenagem", "Transporte"}) {
            if (anyRow)
                break;
            Result<bool> has = r.any(QString::fromLatin1(t));
            if (!has)
                return has.error();
            anyRow = *has;
        }
        if (!anyRow)
            rep.add(line(LineKind::Error, msg::kAllAnnexesEmpty, msg::kLocAllAnnexes), false);
    }

    // What the entry screens enforce as data are typed, checked on the
    // stored rows: the confirmation when every row passes, otherwise one
    // error line per row and value that fails.
    Result<StoredRowFindings> found = checkStoredRows(db, period);
    if (!found)
        return found.error();
    const std::pair<const QString *, const QList<CheckLine> *> steps[] = {
        {&msg::kCnpjChecked, &found->cnpj},
        {&msg::kInvalidValuesChecked, &found->invalid},
        {&msg::kNegativeValuesChecked, &found->negative},
        {&msg::kRequiredFieldsChecked, &found->required}};
    for (const auto &step : steps) {
        if (step.second->isEmpty())
            rep.add(line(LineKind::Confirmation, *step.first, msg::kLocAllFields));
        for (const CheckLine &l : *step.second)
            rep.add(l);
    }
    const QString *dateLocations[4] = {&msg::kLocAnnexB, &msg::kLocAnnexE, &msg::kLocAnnexF, &msg::kLocAnnexH};
    for (int i = 0; i < 4; ++i) {
        if (found->dates[i].isEmpty())
            rep.add(line(LineKind::Confirmation, msg::kDatesChecked, *dateLocations[i], Place::Annex,
                         QLatin1Char(kDatedAnnexes[i])));
        for (const CheckLine &l : found->dates[i])
            rep.add(l);
    }
    return rep;
}

} // namespace quirels::validation
