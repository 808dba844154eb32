#pragma once
// A main window on a temporary store, with scripted dialogs and no splash.

#include "base/Dialogs.h"
#include "shell/ui/MainWindow.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace quirels::test {

inline const QString kCpf = QStringLiteral("12345678909");
inline const QString kCnpj = QStringLiteral("11222333000181");

// A child window whose unsaved data keep it open while `refuse` is set.
class StubbornWindow : public QWidget {
public:
    bool refuse = false;

protected:
    void closeEvent(QCloseEvent *e) override
    {
        if (refuse)
            e->ignore();
        else
            e->accept();
    }
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MainWindow::Options o;
        o.dialogs = &dialogs;
        o.dataFolder = store.folder();
        // The test's own settings files, never those beside the programs.
        o.settingsPath = QDir(store.folder()).filePath(QStringLiteral("quirels.ini"));
        o.storeConfigPath = QDir(store.folder()).filePath(QStringLiteral("armazenamento.ini"));
        o.today = [] { return QDate(2006, 5, 17); };
        o.openUrl = [this](const QUrl &u) {
            opened.append(u.toString());
            return true;
        };
        o.startDetached = [this](const QString &program, const QStringList &args) {
            started.append(QStringList{program} + args);
            return true;
        };
        window = std::make_unique<MainWindow>(o);
    }

    void TearDown() override
    {
        window.reset();
        EXPECT_TRUE(dialogs.failures.isEmpty()) << qPrintable(dialogs.failures.join(QLatin1Char('\n')));
    }

    // A company with the given group flags (1-based) and one period.
    void addCompany(const QString &key, std::initializer_list<int> groups, const QString &mes = QStringLiteral("MAR"))
    {
        static const char *const roman[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"};
        QString cols, vals;
        for (int g : groups) {
            cols += QStringLiteral(", FlGrupo") + QLatin1String(roman[g - 1]);
            vals += QStringLiteral(", 1");
        }
        store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao%1) values ('%2', 'EMPRESA'%3)")
                       .arg(cols, key, vals));
        store.exec(QStringLiteral("insert into Mes (CdCNPJEmpr, NrAno, NmMes) values ('%1', '2005', '%2')").arg(key, mes));
    }

    void openPeriod(const QString &key, const QString &mes = QStringLiteral("MAR"))
    {
        ASSERT_TRUE(window->setCurrentPeriod(PeriodKey{key, QStringLiteral("2005"), mes}));
        window->openAnnexWindows();
    }

    bool enabled(const char *name) const
    {
        QAction *a = window->command(QString::fromLatin1(name));
        EXPECT_NE(a, nullptr) << name;
        return a && a->isEnabled();
    }

    int count(const QString &sql) { return store.scalar(sql).toInt(); }

    // The fixture's own connection; the window's data module opens "dbQuirel".
    TempStore store{QStringLiteral("fixture")};
    ScriptedDialogs dialogs;
    QStringList opened;
    QList<QStringList> started; // programs started detached, with their arguments
    std::unique_ptr<MainWindow> window;
};

} // namespace quirels::test
