#pragma once
// A company with one open period, the data module on it, and helpers that
// drive an entry screen the way a user does: focus a control, type, leave it
// with Tab, press a button.

#include "base/Dialogs.h"
#include "store/DataModule.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace quirels::test {

inline const QString kCnpj = QStringLiteral("11222333000181");

struct EntryFixture {
    TempStore store;
    ScriptedDialogs dialogs;
    store::DataModule dm{dialogs};

    explicit EntryFixture(const QString &month = QStringLiteral("FEV"), const QString &year = QStringLiteral("2004"))
    {
        store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'QUIMICA ALFA LTDA')")
                       .arg(kCnpj));
        store.exec(QStringLiteral("INSERT INTO Mes VALUES ('%1', '%2', '%3')").arg(kCnpj, year, month));
        for (const char *letter : {"A", "B", "C", "D", "E", "F", "G", "H"})
            store.exec(QStringLiteral("INSERT INTO Observacoes (CdCNPJEmpr, NrAno, NmMes, Anexo) VALUES "
                                      "('%1', '%2', '%3', '%4')")
                           .arg(kCnpj, year, month, QLatin1String(letter)));
        EXPECT_OK(dm.openAll());
        EXPECT_TRUE(dm.empresa().locate({{QStringLiteral("CdCNPJEmpr"), kCnpj}}));
        EXPECT_TRUE(dm.mes().locate({{QStringLiteral("NrAno"), year}, {QStringLiteral("NmMes"), month}}));
    }

    QVariant sql(const QString &statement) const { return store.scalar(statement); }
};

// Shows the window and makes it active, so that focus moves as for a user.
inline void showActive(QWidget &w)
{
    w.resize(1100, 760);
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

template <typename T = QWidget>
T *child(QWidget &root, const QString &name)
{
    T *w = root.findChild<T *>(name);
    EXPECT_NE(w, nullptr) << qPrintable(name);
    return w;
}

inline QWidget *focused() { return QApplication::focusWidget(); }

// The object name of the control holding the focus (an editable drop-down
// counts for its line edit).
inline QString focusName()
{
    QWidget *f = focused();
    if (!f)
        return QString();
    if (qobject_cast<QComboBox *>(f->parentWidget()) || qobject_cast<QRadioButton *>(f))
        return f->parentWidget()->objectName();
    return f->objectName();
}

// Focuses a control and types into it, replacing what it holds.
inline void type(QWidget &root, const QString &name, const QString &text)
{
    QWidget *w = child(root, name);
    if (!w)
        return;
    w->setFocus(Qt::TabFocusReason);
    if (auto *c = qobject_cast<QComboBox *>(w)) {
        if (c->isEditable()) {
            c->lineEdit()->selectAll();
            QTest::keyClicks(c->lineEdit(), text);
        } else {
            const int i = c->findText(text);
            EXPECT_GE(i, 0) << qPrintable(text);
            c->setCurrentIndex(i);
            emit c->activated(i);
        }
    } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->selectAll();
        if (text.isEmpty())
            QTest::keyClick(e, Qt::Key_Delete);
        else
            QTest::keyClicks(e, text);
    } else if (auto *m = qobject_cast<QPlainTextEdit *>(w)) {
        m->selectAll();
        QTest::keyClicks(m, text);
    }
}

// Leaves the focused control with Tab.
inline void tab() { QTest::keyClick(focused(), Qt::Key_Tab); }

// Types into a control and leaves it.
inline void enter(QWidget &root, const QString &name, const QString &text)
{
    type(root, name, text);
    tab();
}

inline void press(QWidget &root, const QString &name)
{
    if (auto *b = child<QPushButton>(root, name)) {
        EXPECT_TRUE(b->isEnabled()) << qPrintable(name);
        b->click();
    }
}

inline bool enabled(QWidget &root, const QString &name)
{
    QWidget *w = child(root, name);
    return w && w->isEnabled();
}

inline QString text(QWidget &root, const QString &name)
{
    QWidget *w = child(root, name);
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->displayText();
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentText();
    if (auto *m = qobject_cast<QPlainTextEdit *>(w))
        return m->toPlainText();
    return QString();
}

} // namespace quirels::test
