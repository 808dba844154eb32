// A seeded random clerk: key sequences (valid and invalid values, Tab,
// Shift+Tab, Enter, the list keys, the navigator, Esc, page switches,
// closing the window) drive the real XI-A and XI-B windows, and after every
// key the store and the screen are checked:
//   - every stored row passes its record rule and its screen's checks;
//   - XI-A's closing stock is the balance of its quantities;
//   - no row is stored that holds nothing typed;
//   - after a save the screen shows what the store holds.
// A failing seed prints its key sequence. A few seeds run by default;
// QUIRELS_CLERK_SEEDS ("40", "7-9" or "3,11") and QUIRELS_CLERK_STEPS run
// others and longer.

#include "EntryFixture.h"

#include "base/Masks.h"
#include "base/Numbers.h"
#include "entry/Annex.h"
#include "entry/FieldRules.h"
#include "entry/ui/AnnexWindow.h"
#include "entry/ui/ControleGeralWindow.h"
#include "store/RecordRules.h"
#include "store/Schema.h"
#include "support/RandomClerk.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTabWidget>
#include <random>

using namespace quirels;
using namespace quirels::test;

namespace {

QList<QVariantMap> storedRows(const QSqlDatabase &db, const QString &table)
{
    QList<QVariantMap> out;
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT * FROM %1").arg(table));
    while (q.next()) {
        QVariantMap row;
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i)
            row.insert(r.fieldName(i), q.value(i));
        out.append(row);
    }
    return out;
}

struct Clerk {
    int seed;
    char letter;
    std::mt19937 rng;
    ClerkDialogs dialogs{rng};
    TempStore store;
    std::unique_ptr<store::DataModule> dm;
    std::unique_ptr<entry::EntryWindow> w;
    QStringList keys;
    QString failure;

    Clerk(int s) : seed(s), letter(s % 2 ? 'A' : 'B'), rng(static_cast<unsigned>(s))
    {
        store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'ALFA')").arg(kCnpj));
        store.exec(QStringLiteral("INSERT INTO Mes VALUES ('%1', '2004', 'FEV')").arg(kCnpj));
        store.exec(QStringLiteral("INSERT INTO Observacoes (CdCNPJEmpr, NrAno, NmMes, Anexo) VALUES "
                                  "('%1', '2004', 'FEV', '%2')")
                       .arg(kCnpj, QString(QLatin1Char(letter))));
        dm = std::make_unique<store::DataModule>(dialogs);
        EXPECT_OK(dm->openAll());
        dm->empresa().locate({{QStringLiteral("CdCNPJEmpr"), kCnpj}});
        dm->mes().locate({{QStringLiteral("NrAno"), QStringLiteral("2004")}, {QStringLiteral("NmMes"), QStringLiteral("FEV")}});
        if (letter == 'A')
            w = std::make_unique<entry::ControleGeralWindow>(*dm, dialogs);
        else
            w = std::make_unique<entry::AnnexWindow>(entry::annexB(), *dm, dialogs);
        w->open();
        showActive(*w);
    }

    int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

    // The lists of the window: spec, engine and panel.
    struct List {
        const entry::ListSpec *spec;
        entry::ListEngine *engine;
        entry::FieldPanel *panel;
    };
    QList<List> lists()
    {
        if (auto *a = qobject_cast<entry::ControleGeralWindow *>(w.get()))
            return {{&entry::annexA().main, &a->products(), &a->productPanel()},
                    {&entry::annexAFinalProducts(), &a->finalProducts(), &a->finalPanel()},
                    {&entry::annexASubstances(), &a->substances(), &a->substancePanel()}};
        auto *b = static_cast<entry::AnnexWindow *>(w.get());
        return {{&entry::annexB().main, &b->engine(), &b->panel()}};
    }

    const entry::FieldSpec *focusedSpec(List *owner = nullptr)
    {
        QWidget *f = focused();
        for (List &l : lists())
            for (const entry::FieldSpec &s : l.spec->fields)
                if (QWidget *c = l.panel->control(s.control); c && (c == f || c->isAncestorOf(f))) {
                    if (owner)
                        *owner = l;
                    return &s;
                }
        return nullptr;
    }

    QString valueFor(const entry::FieldSpec &f)
    {
        const auto list = [](std::initializer_list<const char *> items) {
            QStringList out;
            for (const char *i : items)
                out.append(QString::fromLatin1(i));
            return out;
        };
        static const QStringList ncm = list({"28012010", "29023000", "28061020", "99999999", "2801", ""});
        static const QStringList names = list({"IODO", "TOLUENO", "PRODUTO NENHUM", ""});
        static const QStringList numbersPool = list({"10", "0", "-5", "2,5", "1000", "abc", "", "150", "0,001"});
        static const QStringList days = list({"1", "29", "30", "31", "0", "5", "x1", ""});
        static const QStringList cfops = list({"1101", "1102", "9999", ""});
        static const QStringList parties = list({"11222333000181", "12345678909", "123", ""});
        switch (f.kind) {
        case entry::FieldKind::Ncm: return ncm.at(pick(ncm.size()));
        case entry::FieldKind::ProductName: return names.at(pick(names.size()));
        case entry::FieldKind::Number:
        case entry::FieldKind::Integer: return numbersPool.at(pick(numbersPool.size()));
        case entry::FieldKind::Day: return days.at(pick(days.size()));
        case entry::FieldKind::CfopCode: return cfops.at(pick(cfops.size()));
        case entry::FieldKind::Counterpart: return parties.at(pick(parties.size()));
        case entry::FieldKind::Unit: return pick(2) ? QStringLiteral("K") : QStringLiteral("l");
        default: return QStringLiteral("NF%1").arg(pick(100));
        }
    }

    void key(Qt::Key k, Qt::KeyboardModifiers m, const QString &name)
    {
        keys.append(name);
        QWidget *target = focused();
        if (!target || !w->isAncestorOf(target))
            target = w.get();
        QTest::keyClick(target, k, m);
    }

    // One random step; true when it was a save of a list (for the check of
    // what the screen shows).
    bool step(List *saved)
    {
        if (!focused() || !w->isAncestorOf(focused())) {
            keys.append(QStringLiteral("[focus]"));
            QApplication::setActiveWindow(w.get());
            if (QWidget *first = lists().first().panel->tabOrder().value(0))
                first->setFocus(Qt::TabFocusReason);
        }
        const int r = pick(100);
        if (r < 40) {
            if (const entry::FieldSpec *f = focusedSpec()) {
                const QString v = valueFor(*f);
                keys.append(QStringLiteral("\"%1\"").arg(v));
                if (auto *e = qobject_cast<QLineEdit *>(focused()))
                    e->selectAll();
                if (v.isEmpty())
                    QTest::keyClick(focused(), Qt::Key_Delete);
                else
                    QTest::keyClicks(focused(), v);
                return false;
            }
            key(Qt::Key_Tab, Qt::NoModifier, QStringLiteral("Tab"));
            return false;
        }
        if (r < 55) {
            key(Qt::Key_Tab, Qt::NoModifier, QStringLiteral("Tab"));
            return false;
        }
        if (r < 60) {
            key(Qt::Key_Backtab, Qt::ShiftModifier, QStringLiteral("Shift+Tab"));
            return false;
        }
        if (r < 64) {
            key(Qt::Key_Return, Qt::NoModifier, QStringLiteral("Enter"));
            return false;
        }
        const bool shifted = letter == 'A' && pick(3) == 0;
        const Qt::KeyboardModifiers listKeys = shifted ? Qt::AltModifier | Qt::ShiftModifier : Qt::AltModifier;
        const QString prefix = shifted ? QStringLiteral("Alt+Shift+") : QStringLiteral("Alt+");
        if (r < 72) {
            key(Qt::Key_N, listKeys, prefix + QLatin1Char('N'));
            return false;
        }
        if (r < 82) {
            List owner{};
            auto *a = qobject_cast<entry::ControleGeralWindow *>(w.get());
            const int which = !a ? 0 : shifted ? 2 : a->pages()->currentIndex() == 1 ? 1 : 0;
            owner = lists().at(which);
            const int before = static_cast<int>(dialogs.messages.size());
            key(Qt::Key_S, listKeys, prefix + QLatin1Char('S'));
            if (dialogs.messages.size() == before && !owner.engine->table().isEditing()
                && owner.engine->table().count() > 0) {
                *saved = owner;
                return true;
            }
            return false;
        }
        if (r < 85) {
            key(Qt::Key_C, listKeys, prefix + QLatin1Char('C'));
            return false;
        }
        if (r < 87) {
            key(Qt::Key_E, listKeys, prefix + QLatin1Char('E'));
            return false;
        }
        if (r < 91) {
            const bool up = pick(2);
            key(up ? Qt::Key_PageUp : Qt::Key_PageDown, Qt::ControlModifier,
                up ? QStringLiteral("Ctrl+PgUp") : QStringLiteral("Ctrl+PgDn"));
            return false;
        }
        if (r < 93) {
            key(Qt::Key_Escape, Qt::NoModifier, QStringLiteral("Esc"));
            return false;
        }
        if (r < 97 && letter == 'A') {
            const bool two = pick(2);
            key(two ? Qt::Key_2 : Qt::Key_1, Qt::AltModifier, two ? QStringLiteral("Alt+2") : QStringLiteral("Alt+1"));
            return false;
        }
        // Ctrl+F4: the window closes through its prompts and opens again.
        keys.append(QStringLiteral("Ctrl+F4"));
        if (w->close()) {
            w->open();
            showActive(*w);
        }
        return false;
    }

    void fail(const QString &why)
    {
        if (failure.isEmpty())
            failure = why;
    }

    void checkStore()
    {
        ScriptedDialogs quiet;
        const QSqlDatabase db = dm->database();
        if (letter == 'A') {
            for (const QVariantMap &row : storedRows(db, QStringLiteral("Produtos"))) {
                if (!store::rules::validarProduto(row, quiet))
                    fail(QStringLiteral("stored product refused by its rule: %1").arg(quiet.lastText()));
                const double closing = store::rules::closingStock(row);
                if (qAbs(closing - row.value(QStringLiteral("QtEstoqueAtual")).toDouble()) > 1e-6)
                    fail(QStringLiteral("closing stock %1, its formula gives %2")
                             .arg(row.value(QStringLiteral("QtEstoqueAtual")).toDouble())
                             .arg(closing));
                for (const QString &q : store::rules::quantityFields())
                    if (row.value(q).toDouble() < 0)
                        fail(QStringLiteral("negative %1 stored").arg(q));
            }
            for (const QVariantMap &row : storedRows(db, QStringLiteral("ProdutoFinal")))
                if (!store::rules::validarProdutoFinal(row, quiet))
                    fail(QStringLiteral("stored final product refused by its rule: %1").arg(quiet.lastText()));
            for (const QVariantMap &row : storedRows(db, QStringLiteral("SubstanciaPresente")))
                if (!store::rules::validarSubstanciaPresente(row, quiet))
                    fail(QStringLiteral("stored substance refused by its rule: %1").arg(quiet.lastText()));
            // A final product or substance belongs to a stored parent.
            if (db.isOpen()) {
                QSqlQuery q(db);
                q.exec(QStringLiteral("SELECT count(*) FROM ProdutoFinal f WHERE NOT EXISTS (SELECT 1 FROM "
                                      "Produtos p WHERE p.CdProduto = f.CdProduto)"));
                if (q.next() && q.value(0).toInt() > 0)
                    fail(QStringLiteral("final product without its product"));
                q.exec(QStringLiteral("SELECT count(*) FROM SubstanciaPresente s WHERE NOT EXISTS (SELECT 1 FROM "
                                      "ProdutoFinal f WHERE f.CdProdFinal = s.CdProdFinal AND f.CdProduto = "
                                      "s.CdProduto)"));
                if (q.next() && q.value(0).toInt() > 0)
                    fail(QStringLiteral("substance without its final product"));
            }
        } else {
            entry::Lookups lookups(db);
            const entry::CheckContext ctx{entry::CheckMode::Salvar, &lookups};
            for (const QVariantMap &row : storedRows(db, QStringLiteral("Movimentacao"))) {
                if (const entry::RequiredCheck *c = entry::firstMissing(entry::annexB().main.checks, row, ctx))
                    fail(QStringLiteral("stored movement fails its check: %1").arg(c->message));
                const QString day = row.value(QStringLiteral("NrDia")).toString();
                if (!entry::isValidDay(day, QStringLiteral("FEV"), QStringLiteral("2004")))
                    fail(QStringLiteral("stored day %1").arg(day));
                if (!(row.value(QStringLiteral("VlQuantidade")).toDouble() > 0))
                    fail(QStringLiteral("stored quantity %1").arg(row.value(QStringLiteral("VlQuantidade")).toString()));
            }
        }
    }

    // After a save the controls of the saved list show the stored row.
    void checkShown(const List &l)
    {
        const schema::Table *t = schema::table(l.spec->table);
        if (!t)
            return;
        QStringList where;
        for (const QString &k : t->primaryKeyNames())
            where.append(QStringLiteral("%1 = '%2'").arg(k, l.engine->table().value(k).toString()));
        QSqlQuery q(dm->database());
        q.exec(QStringLiteral("SELECT * FROM %1 WHERE %2").arg(l.spec->table, where.join(QStringLiteral(" AND "))));
        if (!q.next()) {
            fail(QStringLiteral("the saved row of %1 is not in the store").arg(l.spec->table));
            return;
        }
        for (const entry::FieldSpec &f : l.spec->fields) {
            const std::optional<QString> expected = shownFor(f, q.value(f.field));
            if (!expected)
                continue;
            const QString shown = text(*w, f.control);
            if (shown != *expected)
                fail(QStringLiteral("%1 shows \"%2\", the store holds \"%3\"").arg(f.control, shown, *expected));
        }
    }

    void run(int steps)
    {
        checkStore();
        for (int i = 0; i < steps && failure.isEmpty(); ++i) {
            List saved{};
            const bool wasSave = step(&saved);
            checkStore();
            if (wasSave)
                checkShown(saved);
        }
        if (!failure.isEmpty())
            ADD_FAILURE() << "seed " << seed << " (XI-" << letter << "): " << qPrintable(failure)
                          << "\n  keys: " << qPrintable(keys.join(QLatin1Char(' ')))
                          << "\n  messages: " << qPrintable(dialogs.messages.join(QLatin1Char('|')));
        dialogs.messages.clear();
        w->hide();
    }
};

} // namespace

TEST(RandomClerk, InvariantsHoldAfterEveryKey)
{
    const int steps = stepsToRun(60);
    for (int seed : seedsToRun(8)) {
        Clerk clerk(seed);
        clerk.run(steps);
    }
}
