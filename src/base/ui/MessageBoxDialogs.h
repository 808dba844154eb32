#pragma once
// Dialogs shown as modal message boxes with Portuguese buttons.

#include "base/Dialogs.h"

class QWidget;

namespace quirels {

class MessageBoxDialogs : public Dialogs {
public:
    explicit MessageBoxDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void information(const QString &text) override;
    void error(const QString &text) override;
    bool confirm(const QString &text) override;
    Answer confirmYesNoCancel(const QString &text) override;
    bool confirmOkCancel(const QString &text) override;
    // Finds the control by object name in the active window and focuses it.
    void focus(const QString &control) override;
    std::optional<QString> password(const QString &text) override;

    // The title of the boxes: "Quirels"; error boxes are titled "Erro".
    static QString caption();
    static QString errorCaption();

private:
    QWidget *m_parent;
};

} // namespace quirels
