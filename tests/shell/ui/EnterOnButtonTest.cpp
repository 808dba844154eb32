// Enter on a focused button presses it in every kind of window, while the
// fields keep their own Enter: the entry screens' "next field", a dialog's
// default button.

#include "ShellFixture.h"
#include "base/ui/EnterKey.h"
#include "shell/ui/EmpresaQuirels.h"

#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace quirels;
using namespace quirels::test;

namespace {

struct Form {
    QLineEdit *field;
    QLineEdit *next;
    QPushButton *button;
    QToolButton *tool;
    QPushButton *other;
    QStringList pressed;
};

void build(QWidget &root, Form &f)
{
    auto *layout = new QVBoxLayout(&root);
    f.field = new QLineEdit(&root);
    f.next = new QLineEdit(&root);
    f.button = new QPushButton(QStringLiteral("&Salvar"), &root);
    f.tool = new QToolButton(&root);
    f.tool->setFocusPolicy(Qt::StrongFocus);
    f.other = new QPushButton(QStringLiteral("&Ok"), &root);
    for (QWidget *w : std::initializer_list<QWidget *>{f.field, f.next, f.button, f.tool, f.other})
        layout->addWidget(w);
    QObject::connect(f.button, &QPushButton::clicked, &root, [&f] { f.pressed.append(QStringLiteral("salvar")); });
    QObject::connect(f.tool, &QToolButton::clicked, &root, [&f] { f.pressed.append(QStringLiteral("tool")); });
    QObject::connect(f.other, &QPushButton::clicked, &root, [&f] { f.pressed.append(QStringLiteral("ok")); });
}

void showActive(QWidget &w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

} // namespace

TEST(EnterOnButton, PressesTheFocusedButtonInEveryKindOfWindow)
{
    enum Kind { PlainWindow, EntryScreen, DialogWithDefault, WindowWithEnterShortcut };
    for (Kind kind : {PlainWindow, EntryScreen, DialogWithDefault, WindowWithEnterShortcut}) {
        SCOPED_TRACE(kind);
        std::unique_ptr<QWidget> root = kind == DialogWithDefault ? std::make_unique<QDialog>() : std::make_unique<QWidget>();
        Form f;
        build(*root, f);
        int shortcutRuns = 0;
        if (kind == EntryScreen)
            enterMovesToNextField(root.get());
        if (kind == DialogWithDefault) {
            // A button that is not the default one, and a default button.
            f.button->setAutoDefault(false);
            f.other->setDefault(true);
        }
        if (kind == WindowWithEnterShortcut)
            QObject::connect(new QShortcut(QKeySequence(Qt::Key_Return), root.get()), &QShortcut::activated,
                             root.get(), [&shortcutRuns] { ++shortcutRuns; });
        showActive(*root);

        f.button->setFocus();
        QTest::keyClick(f.button, Qt::Key_Return);
        f.tool->setFocus();
        QTest::keyClick(f.tool, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(f.pressed, (QStringList{QStringLiteral("salvar"), QStringLiteral("tool")}));
        EXPECT_EQ(shortcutRuns, 0);

        // A field keeps its own Enter.
        f.pressed.clear();
        f.field->setFocus();
        QTest::keyClick(f.field, Qt::Key_Return);
        if (kind == EntryScreen) {
            EXPECT_EQ(QApplication::focusWidget(), f.next);
        }
        if (kind == DialogWithDefault)
            EXPECT_EQ(f.pressed, QStringList{QStringLiteral("ok")});
        else
            EXPECT_TRUE(f.pressed.isEmpty());
        // Ctrl+Enter is not a press.
        f.pressed.clear();
        f.button->setFocus();
        QTest::keyClick(f.button, Qt::Key_Return, Qt::ControlModifier);
        EXPECT_TRUE(f.pressed.isEmpty());
    }
}

TEST_F(ShellTest, EnterOnFecharClosesTheCompanyWindow)
{
    addCompany(kCpf, {5});
    ASSERT_TRUE(window->setCurrentPeriod(PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("MAR")}));
    window->show();
    TfrmEmpresaQuirels *w = window->companyWindow();
    w->showNonModal();
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    auto *close = w->findChild<QPushButton *>(QStringLiteral("btnFechar"));
    ASSERT_NE(close, nullptr);
    close->setFocus(Qt::TabFocusReason);
    QTest::keyClick(close, Qt::Key_Return);
    EXPECT_FALSE(w->isVisible());
    // Closing it opened the company's annex windows.
    EXPECT_NE(window->annexWindow(QLatin1Char('A')), nullptr);
}
