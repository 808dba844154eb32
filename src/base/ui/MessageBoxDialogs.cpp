#include "MessageBoxDialogs.h"

#include "MaskCaret.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace quirels {

QString MessageBoxDialogs::caption() { return QStringLiteral("Quirels"); }

QString MessageBoxDialogs::errorCaption() { return QStringLiteral("Erro"); }

namespace {

QString boxText(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

// The box belongs to the window the user is working in, so that this
// window, not the main window behind it, is in front again afterwards.
QWidget *parentFor(QWidget *parent)
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    // A box asked before its window is shown (the start-up questions) is
    // centred on the screen, not on the hidden window's default place.
    return parent && parent->window()->isVisible() ? parent : nullptr;
}

struct Button {
    QMessageBox::StandardButton which;
    QString label;
};

QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                const QList<Button> &buttons, QMessageBox::StandardButton def)
{
    const QString title = icon == QMessageBox::Critical ? MessageBoxDialogs::errorCaption() : MessageBoxDialogs::caption();
    QMessageBox box(icon, title, boxText(text), QMessageBox::NoButton, parentFor(parent));
    box.setObjectName(QStringLiteral("dlgMensagem"));
    for (const Button &b : buttons)
        box.addButton(b.which)->setText(b.label);
    box.setDefaultButton(def);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void MessageBoxDialogs::information(const QString &text)
{
    ask(m_parent, QMessageBox::Information, text, {{QMessageBox::Ok, QStringLiteral("OK")}}, QMessageBox::Ok);
}

void MessageBoxDialogs::error(const QString &text)
{
    ask(m_parent, QMessageBox::Critical, text, {{QMessageBox::Ok, QStringLiteral("OK")}}, QMessageBox::Ok);
}

bool MessageBoxDialogs::confirm(const QString &text)
{
    return ask(m_parent, QMessageBox::Question, text,
               {{QMessageBox::Yes, QStringLiteral("&Sim")}, {QMessageBox::No, QStringLiteral("&Não")}},
               QMessageBox::Yes) == QMessageBox::Yes;
}

Answer MessageBoxDialogs::confirmYesNoCancel(const QString &text)
{
    const auto r = ask(m_parent, QMessageBox::Question, text,
                       {{QMessageBox::Yes, QStringLiteral("&Sim")}, {QMessageBox::No, QStringLiteral("&Não")},
                        {QMessageBox::Cancel, QStringLiteral("Cancelar")}},
                       QMessageBox::Yes);
    return r == QMessageBox::Yes ? Answer::Yes : r == QMessageBox::No ? Answer::No : Answer::Cancel;
}

bool MessageBoxDialogs::confirmOkCancel(const QString &text)
{
    return ask(m_parent, QMessageBox::Question, text,
               {{QMessageBox::Ok, QStringLiteral("OK")}, {QMessageBox::Cancel, QStringLiteral("Cancelar")}},
               QMessageBox::Ok) == QMessageBox::Ok;
}

std::optional<QString> MessageBoxDialogs::password(const QString &text)
{
    QInputDialog box(m_parent);
    box.setWindowTitle(caption());
    box.setLabelText(text);
    box.setTextEchoMode(QLineEdit::Password);
    box.setOkButtonText(QStringLiteral("OK"));
    box.setCancelButtonText(QStringLiteral("Cancelar"));
    box.setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

void MessageBoxDialogs::focus(const QString &control)
{
    // The focus comes as with Tab, the text selected so that typing replaces
    // the refused value. Several child windows have controls of the same
    // name: the one nearest to where the user is wins, so that a check never
    // moves the user into another window.
    for (QWidget *scope = QApplication::focusWidget(); scope; scope = scope->parentWidget()) {
        if (scope->objectName() == control) {
            focusField(scope);
            return;
        }
        if (QWidget *w = scope->findChild<QWidget *>(control)) {
            focusField(w);
            return;
        }
    }
    QWidget *window = QApplication::activeWindow();
    if (!window)
        window = m_parent;
    if (!window)
        return;
    // Several child windows may have a control of that name: the one to
    // take is visible and, inside a child window, in the active one.
    QWidget *current = QApplication::focusWidget();
    if (current && current->objectName() == control)
        return;
    for (QWidget *w : window->findChildren<QWidget *>(control)) {
        if (!w->isVisible())
            continue;
        QMdiSubWindow *sub = nullptr;
        for (QWidget *p = w->parentWidget(); p && !sub; p = p->parentWidget())
            sub = qobject_cast<QMdiSubWindow *>(p);
        if (sub && sub->mdiArea() && sub->mdiArea()->activeSubWindow() != sub)
            continue;
        focusField(w);
        return;
    }
}

} // namespace quirels
