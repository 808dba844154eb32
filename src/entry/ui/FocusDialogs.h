#pragma once
// Dialogs of one window: every message goes to the application's Dialogs,
// and a focus request also puts the focus on the window's own control of
// that name (two screens may have controls of the same name).

#include "base/Dialogs.h"
#include "base/ui/MaskCaret.h"

#include <QPointer>
#include <QTabWidget>
#include <QWidget>

namespace quirels::entry {

class FocusDialogs : public Dialogs {
public:
    FocusDialogs(Dialogs &inner, QWidget *root) : m_inner(inner), m_root(root) {}

    void information(const QString &text) override { m_inner.information(text); }
    void error(const QString &text) override { m_inner.error(text); }
    bool confirm(const QString &text) override { return m_inner.confirm(text); }
    Answer confirmYesNoCancel(const QString &text) override { return m_inner.confirmYesNoCancel(text); }
    bool confirmOkCancel(const QString &text) override { return m_inner.confirmOkCancel(text); }
    void focus(const QString &control) override
    {
        if (m_root)
            if (QWidget *w = m_root->findChild<QWidget *>(control)) {
                // A control on another page of the window: that page first.
                for (QWidget *page = w; page && page != m_root; page = page->parentWidget())
                    if (QWidget *stack = page->parentWidget())
                        if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
                            if (tabs->indexOf(page) >= 0)
                                tabs->setCurrentWidget(page);
                focusField(w);
            }
        m_inner.focus(control);
    }

private:
    Dialogs &m_inner;
    QPointer<QWidget> m_root;
};

} // namespace quirels::entry
