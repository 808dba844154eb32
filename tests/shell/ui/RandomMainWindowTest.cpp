// A seeded random clerk at the real main window: it opens annex windows from
// the menus, types valid and invalid values, moves with Tab, Shift+Tab and
// Enter, presses the lists' Alt letters, closes windows with Ctrl+F4,
// switches windows (Ctrl+Tab, the "Janela" list), runs "Validar", looks at
// the company window, closes the company and opens another company or month
// with F3. After every step:
//   - a list that was being edited and is no longer shows the stored row;
//   - every annex window's header names the company and period that the
//     data module's cursors write;
//   - a row added, changed or removed during the step belongs to the period
//     that was open before or after the step, never to another one;
//   - a step that typed nothing (moving through fields, switching, opening
//     or closing windows, "Validar") puts no list into editing.
// A failing seed prints its steps. A few seeds run by default;
// QUIRELS_CLERK_SEEDS ("40", "7-9" or "3,11") and QUIRELS_CLERK_STEPS run
// others and longer.

#include "base/Masks.h"
#include "base/Numbers.h"
#include "entry/Annex.h"
#include "entry/ui/AnnexWindow.h"
#include "entry/ui/ControleGeralWindow.h"
#include "entry/ui/FieldPanel.h"
#include "entry/ui/ResiduoWindow.h"
#include "shell/Annexes.h"
#include "shell/CpfCnpj.h"
#include "shell/ui/EmpresaQuirels.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/OpenPeriodDialog.h"
#include "store/DataModule.h"
#include "store/Schema.h"
#include "support/RandomClerk.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <random>

using namespace quirels;
using namespace quirels::test;

namespace {

const QString kAlfa = QStringLiteral("11222333000181");
const QString kBeta = QStringLiteral("12345678909");

QString shownText(QWidget *w)
{
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->displayText();
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentText();
    return QString();
}

// The tables written under a period, and what the snapshot keeps of a row.
const char *const kPeriodTables[] = {"Mes",          "Produtos",   "ProdutoFinal",   "SubstanciaPresente",
                                     "Movimentacao", "Importacao", "Armazenagem",    "MovArmazenagem",
                                     "Residuo",      "MovResiduo", "Isolado",        "Transporte",
                                     "Observacoes"};

struct StoredRow {
    PeriodKey period;
    QString content;
};
using Snapshot = QHash<QString, StoredRow>; // "table:rowid" -> row

struct Clerk {
    // One list of an annex window: what it edits and where it shows it.
    struct List {
        QPointer<entry::EntryWindow> window;
        const entry::ListSpec *spec;
        entry::ListEngine *engine;
        entry::FieldPanel *panel;
    };

    int seed;
    std::mt19937 rng;
    ClerkDialogs dialogs{rng};
    TempStore store{QStringLiteral("fixture")};
    std::unique_ptr<MainWindow> window;
    QStringList steps;
    QString failure;
    QTimer modalWatch;
    // The choice of the next F3: company, month.
    QPair<QString, QString> nextOpen;
    QPointer<QWidget> answered;
    // Steps that typed, inserted or pressed a button: they may start an edit.
    int typedSteps = 0;

    explicit Clerk(int s) : seed(s), rng(static_cast<unsigned>(s))
    {
        store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao, FlGrupoI, FlGrupoIV, FlGrupoVII) values "
                                  "('%1', 'ALFA QUIMICA', 1, 1, 1)")
                       .arg(kAlfa));
        store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao, FlGrupoV, FlGrupoVIII) values "
                                  "('%1', 'BETA COMERCIO', 1, 1)")
                       .arg(kBeta));
        for (const QString &key : {kAlfa, kBeta})
            for (const char *mes : {"MAR", "ABR"})
                store.exec(QStringLiteral("insert into Mes (CdCNPJEmpr, NrAno, NmMes) values ('%1', '2005', '%2')")
                               .arg(key, QLatin1String(mes)));
        // A month with rows in the lists that open first, named as the
        // product list names them.
        const QString alfaMar = QStringLiteral("'%1', '2005', 'MAR'").arg(kAlfa);
        store.exec(QStringLiteral("insert into Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, VlConcentracao, "
                                  "VlDensidade, DsUnidade, QtEstoqueAnt, QtCompras, QtEstoqueAtual) values "
                                  "(%1, '2902.30.00', 'TOLUENO', 99.5, 0.87, 'Kg', 100, 15, 115)")
                       .arg(alfaMar));
        store.exec(QStringLiteral("insert into Residuo (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, VlConcentracao, "
                                  "QtResiduo, DsUnidade) values (%1, '2902.30.00', 'TOLUENO', 3.5, 200, 'Kg')")
                       .arg(alfaMar));
        store.exec(QStringLiteral("insert into Armazenagem (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, "
                                  "VlConcentracao, QtEstoqueAnt, QtEstoqueAtual, DsUnidade, CdProprietario) values "
                                  "(%1, '2902.30.00', 'TOLUENO', 100, 5, 7.125, 'Kg', '%2')")
                       .arg(alfaMar, kBeta));
        store.exec(QStringLiteral("insert into Observacoes (CdCNPJEmpr, NrAno, NmMes, Anexo, Observacao) values "
                                  "(%1, 'A', 'Obs. do anexo A')")
                       .arg(alfaMar));
        MainWindow::Options o;
        o.dialogs = &dialogs;
        o.dataFolder = store.folder();
        o.settingsPath = QDir(store.folder()).filePath(QStringLiteral("quirels.ini"));
        o.storeConfigPath = QDir(store.folder()).filePath(QStringLiteral("armazenamento.ini"));
        o.today = [] { return QDate(2006, 5, 17); };
        o.openUrl = [](const QUrl &) { return true; };
        o.startDetached = [](const QString &, const QStringList &) { return true; };
        window = std::make_unique<MainWindow>(o);
        window->resize(1024, 740);
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        EXPECT_TRUE(window->setCurrentPeriod(PeriodKey{kAlfa, QStringLiteral("2005"), QStringLiteral("MAR")}));
        window->openAnnexWindows();

        // Modal windows are answered here: the open dialog as chosen, any
        // other one closed (and noted: the clerk's keys never ask for it).
        modalWatch.setInterval(20);
        QObject::connect(&modalWatch, &QTimer::timeout, [this] { answerModal(); });
        modalWatch.start();
    }

    ~Clerk()
    {
        modalWatch.stop();
        // Closing leaves the pending rows behind without asking.
        dialogs.messages.clear();
        window.reset();
    }

    int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

    void fail(const QString &why)
    {
        if (failure.isEmpty())
            failure = why;
    }

    void answerModal()
    {
        // Once per window: what the answer runs may turn the event loop.
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == answered)
            return;
        answered = modal;
        if (auto *open = qobject_cast<TfrmAbrirQuirels *>(modal)) {
            open->seek(nextOpen.first);
            open->monthPicker()->setCurrentIndex(open->monthPicker()->findText(nextOpen.second));
            open->yearPicker()->setCurrentIndex(open->yearPicker()->findText(QStringLiteral("2005")));
            open->open();
            if (open->isVisible())
                open->reject();
            return;
        }
        if (auto *info = qobject_cast<TfrmEmpresaQuirels *>(modal)) {
            // Looked at and closed: the company's windows open again.
            info->close();
            return;
        }
        fail(QStringLiteral("unexpected modal window %1").arg(QString::fromLatin1(modal->metaObject()->className())));
        modal->close();
    }

    PeriodKey openPeriod() const { return window->companyOpen() ? window->currentPeriod() : PeriodKey(); }

    QList<List> lists() const
    {
        QList<List> out;
        for (QMdiSubWindow *sub : window->mdiArea()->subWindowList()) {
            if (sub->isHidden())
                continue;
            if (auto *a = qobject_cast<entry::ControleGeralWindow *>(sub->widget())) {
                out.append({a, &entry::annexA().main, &a->products(), &a->productPanel()});
                out.append({a, &entry::annexAFinalProducts(), &a->finalProducts(), &a->finalPanel()});
                out.append({a, &entry::annexASubstances(), &a->substances(), &a->substancePanel()});
            } else if (auto *g = qobject_cast<entry::ResiduoWindow *>(sub->widget())) {
                out.append({g, &entry::annexG().main, &g->residues(), &g->residuePanel()});
                out.append({g, &entry::annexGIsolated(), &g->isolated(), &g->isolatedPanel()});
            } else if (auto *w = qobject_cast<entry::AnnexWindow *>(sub->widget())) {
                out.append({w, &w->spec().main, &w->engine(), &w->panel()});
            }
        }
        return out;
    }

    const entry::FieldSpec *focusedSpec() const
    {
        QWidget *f = QApplication::focusWidget();
        if (!f)
            return nullptr;
        for (const List &l : lists())
            for (const entry::FieldSpec &s : l.spec->fields)
                if (QWidget *c = l.panel->control(s.control); c && (c == f || c->isAncestorOf(f)))
                    return &s;
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
        static const QStringList ncm = list({"28012010", "29023000", "28061020", "2801", ""});
        static const QStringList names = list({"IODO", "TOLUENO", "PRODUTO NENHUM", ""});
        static const QStringList numbersPool = list({"10", "0", "-5", "2,5", "1000", "abc", "", "0,001"});
        static const QStringList days = list({"1", "5", "29", "31", "0", "x1", ""});
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

    // The keys go where the focus is, inside the main window.
    QWidget *keyTarget()
    {
        QWidget *f = QApplication::focusWidget();
        if (f && f->window() == window.get())
            return f;
        QApplication::setActiveWindow(window.get());
        if (QMdiSubWindow *active = window->mdiArea()->activeSubWindow(); active && active->widget()) {
            active->widget()->setFocus(Qt::TabFocusReason);
            if (QWidget *now = QApplication::focusWidget(); now && now->window() == window.get())
                return now;
        }
        return window.get();
    }

    void key(Qt::Key k, Qt::KeyboardModifiers m, const QString &name)
    {
        steps.append(name);
        QTest::keyClick(keyTarget(), k, m);
    }

    void trigger(const QString &command, const QString &name)
    {
        steps.append(name);
        if (QAction *a = window->command(command); a && a->isEnabled())
            a->trigger();
    }

    void step()
    {
        const int r = pick(100);
        if (r < 30) {
            if (const entry::FieldSpec *f = focusedSpec()) {
                const QString v = valueFor(*f);
                steps.append(QStringLiteral("\"%1\"").arg(v));
                ++typedSteps;
                QWidget *target = QApplication::focusWidget();
                if (auto *e = qobject_cast<QLineEdit *>(target))
                    e->selectAll();
                if (v.isEmpty())
                    QTest::keyClick(target, Qt::Key_Delete);
                else
                    QTest::keyClicks(target, v);
                return;
            }
            key(Qt::Key_Tab, Qt::NoModifier, QStringLiteral("Tab"));
        } else if (r < 42) {
            key(Qt::Key_Tab, Qt::NoModifier, QStringLiteral("Tab"));
        } else if (r < 46) {
            key(Qt::Key_Backtab, Qt::ShiftModifier, QStringLiteral("Shift+Tab"));
        } else if (r < 50) {
            // Enter may press a focused button ("Novo").
            ++typedSteps;
            key(Qt::Key_Return, Qt::NoModifier, QStringLiteral("Enter"));
        } else if (r < 56) {
            ++typedSteps;
            key(Qt::Key_N, Qt::AltModifier, QStringLiteral("Alt+N"));
        } else if (r < 65) {
            key(Qt::Key_S, Qt::AltModifier, QStringLiteral("Alt+S"));
        } else if (r < 68) {
            key(Qt::Key_C, Qt::AltModifier, QStringLiteral("Alt+C"));
        } else if (r < 69) {
            key(Qt::Key_E, Qt::AltModifier, QStringLiteral("Alt+E"));
        } else if (r < 71) {
            // A page's key; in a window without pages the field takes the digit.
            ++typedSteps;
            key(pick(2) ? Qt::Key_1 : Qt::Key_2, Qt::AltModifier, QStringLiteral("Alt+page"));
        } else if (r < 74) {
            key(Qt::Key_F4, Qt::ControlModifier, QStringLiteral("Ctrl+F4"));
        } else if (r < 78) {
            key(Qt::Key_Tab, Qt::ControlModifier, QStringLiteral("Ctrl+Tab"));
        } else if (r < 80) {
            // A window of the "Janela" list.
            QMenu *janela = window->menu(QStringLiteral("mnuJanela"));
            emit janela->aboutToShow();
            QList<QAction *> listed;
            for (QAction *a : janela->actions())
                if (a->objectName().startsWith(QLatin1String("mniJanela")))
                    listed.append(a);
            steps.append(QStringLiteral("Janela"));
            if (!listed.isEmpty()) {
                QAction *a = listed.at(pick(static_cast<int>(listed.size())));
                steps.last() += QLatin1Char(' ') + a->text();
                a->trigger();
            }
        } else if (r < 88) {
            const shell::Annex &a = shell::annexes().at(static_cast<size_t>(pick(8)));
            trigger(QString::fromLatin1(a.menuItem), QStringLiteral("Anexo XI-%1").arg(QLatin1Char(a.letter)));
        } else if (r < 92) {
            key(Qt::Key_F4, Qt::NoModifier, QStringLiteral("F4"));
        } else if (r < 94) {
            trigger(QStringLiteral("mniFecharEmpresa"), QStringLiteral("Fechar Empresa"));
        } else if (r < 96) {
            trigger(QStringLiteral("mniInformacoesEmpresa"), QStringLiteral("Informações sobre a Empresa"));
        } else {
            nextOpen = {pick(2) ? kAlfa : kBeta, pick(3) ? QStringLiteral("MAR") : QStringLiteral("ABR")};
            steps.append(QStringLiteral("F3 %1 %2").arg(nextOpen.first, nextOpen.second));
            QTest::keyClick(keyTarget(), Qt::Key_F3);
        }
    }

    Snapshot snapshot() const
    {
        Snapshot out;
        QSqlQuery q(window->db());
        for (const char *table : kPeriodTables) {
            if (!q.exec(QStringLiteral("SELECT rowid, * FROM %1").arg(QLatin1String(table))))
                continue;
            while (q.next()) {
                const QSqlRecord r = q.record();
                StoredRow row;
                row.period = {r.value(QStringLiteral("CdCNPJEmpr")).toString(), r.value(QStringLiteral("NrAno")).toString(),
                              r.value(QStringLiteral("NmMes")).toString()};
                for (int i = 1; i < r.count(); ++i)
                    row.content += r.value(i).toString() + QLatin1Char('|');
                out.insert(QLatin1String(table) + QLatin1Char(':') + q.value(0).toString(), row);
            }
        }
        return out;
    }

    void checkRowsOfOtherPeriods(const Snapshot &before, const Snapshot &after, const PeriodKey &was,
                                 const PeriodKey &is)
    {
        const auto allowed = [&](const PeriodKey &p) { return (was.isValid() && p == was) || (is.isValid() && p == is); };
        const auto describe = [](const PeriodKey &p) -> QString { return p.cnpj + QLatin1Char(' ') + p.mes + QLatin1Char('/') + p.ano; };
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            const auto old = before.constFind(it.key());
            if (old != before.cend() && old->content == it->content)
                continue;
            if (!allowed(it->period))
                fail(QStringLiteral("%1 written under %2 while %3 was open (then %4)")
                         .arg(it.key(), describe(it->period), describe(was), describe(is)));
        }
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            if (!after.contains(it.key()) && !allowed(it->period))
                fail(QStringLiteral("%1 of %2 removed while %3 was open").arg(it.key(), describe(it->period), describe(was)));
    }

    void checkHeaders()
    {
        if (!window->companyOpen())
            return;
        const PeriodKey written = window->currentPeriod();
        const QString name = window->dataModule().empresa().value(QStringLiteral("NmRazao")).toString();
        for (QMdiSubWindow *sub : window->mdiArea()->subWindowList()) {
            auto *w = qobject_cast<entry::EntryWindow *>(sub->widget());
            if (!w || sub->isHidden())
                continue;
            const auto shown = [w](const char *control) {
                auto *e = w->findChild<QLineEdit *>(QLatin1String(control));
                return e ? e->text() : QString();
            };
            const QString key = QString(shown("edtCdCNPJEmpr")).remove(QRegularExpression(QStringLiteral("[^0-9]")));
            if (shown("edtNmRazao") != name || key != written.cnpj || shown("edtNmMes") != written.mes
                || shown("edtNrAno") != written.ano)
                fail(QStringLiteral("%1 shows %2 %3 %4/%5, the cursors write %6 %7/%8")
                         .arg(w->objectName(), shown("edtNmRazao"), key, shown("edtNmMes"), shown("edtNrAno"),
                              written.cnpj, written.mes, written.ano));
        }
    }

    // Moving through fields and windows without typing leaves the rows as
    // they were: no list starts editing (the close prompts would then ask
    // about data nobody typed, and posting would write it).
    void checkNoEditStarted(const QList<List> &editingBefore)
    {
        for (const List &l : lists()) {
            const bool was = std::any_of(editingBefore.cbegin(), editingBefore.cend(),
                                         [&](const List &b) { return b.engine == l.engine; });
            if (!was && l.engine->table().isEditing())
                fail(QStringLiteral("%1 started editing without anything typed").arg(l.spec->table));
        }
    }

    // A list left editing (saved or cancelled) shows the row the store holds.
    void checkShown(const List &l)
    {
        const schema::Table *t = schema::table(l.spec->table);
        if (!t || !l.window || l.engine->table().isEditing() || l.engine->table().row() < 0)
            return;
        QStringList where;
        for (const QString &k : t->primaryKeyNames())
            where.append(QStringLiteral("%1 = '%2'").arg(k, l.engine->table().value(k).toString()));
        QSqlQuery q(window->db());
        q.exec(QStringLiteral("SELECT * FROM %1 WHERE %2").arg(l.spec->table, where.join(QStringLiteral(" AND "))));
        if (!q.next()) {
            fail(QStringLiteral("the current row of %1 is not in the store").arg(l.spec->table));
            return;
        }
        for (const entry::FieldSpec &f : l.spec->fields) {
            const std::optional<QString> expected = shownFor(f, q.value(f.field));
            QWidget *control = l.panel->control(f.control);
            if (!expected || !control)
                continue;
            if (shownText(control) != *expected)
                fail(QStringLiteral("%1 shows \"%2\", the store holds \"%3\"").arg(f.control, shownText(control), *expected));
        }
    }

    void run(int count)
    {
        for (int i = 0; i < count && failure.isEmpty(); ++i) {
            const PeriodKey was = openPeriod();
            const Snapshot before = snapshot();
            QList<List> editing;
            for (const List &l : lists())
                if (l.engine->table().isEditing())
                    editing.append(l);
            const int typedBefore = typedSteps;
            step();
            const PeriodKey is = openPeriod();
            if (typedSteps == typedBefore)
                checkNoEditStarted(editing);
            checkRowsOfOtherPeriods(before, snapshot(), was, is);
            checkHeaders();
            for (const List &l : editing)
                if (l.window && !l.window->isHidden())
                    checkShown(l);
        }
        if (!failure.isEmpty())
            ADD_FAILURE() << "seed " << seed << ": " << qPrintable(failure)
                          << "\n  steps: " << qPrintable(steps.join(QLatin1Char(' ')))
                          << "\n  messages: " << qPrintable(dialogs.messages.join(QLatin1Char('|')));
    }
};

} // namespace

TEST(RandomMainWindowClerk, InvariantsHoldAfterEveryStep)
{
    const int steps = stepsToRun(80);
    for (int seed : seedsToRun(6)) {
        Clerk clerk(seed);
        clerk.run(steps);
    }
}
