#pragma once
// The validation report: the lines of the consistency check with an icon per
// kind, and the counters. The check runs again every time the window becomes
// the active child window, so the list always describes the data as they are.

#include "base/RecordPlace.h"
#include "base/Result.h"
#include "validation/ValidationReport.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QLineEdit;
class QMdiArea;
class QMdiSubWindow;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quirels {
class Dialogs;
}

namespace quirels::validation {

class TfrmInconsistenciaQuirels : public QWidget {
    Q_OBJECT
public:
    // Produces the report of the open period; the main window gives one that
    // posts nothing and reads the data module's period and current product.
    using Producer = std::function<Result<ValidationReport>()>;

    TfrmInconsistenciaQuirels(Producer producer, Dialogs &dialogs, QWidget *parent = nullptr);

    // The report of the last run (empty before the first).
    const ValidationReport &report() const { return m_report; }
    // The validation result flag: the last run added an error line.
    bool resultFlag() const { return m_report.hasErrors(); }
    // The last run ended with every check done and no error.
    bool allowsGeneration() const { return m_completed && validation::allowsGeneration(m_report); }
    // How many times the check ran in this window.
    int runs() const { return m_runs; }

public slots:
    // Clears the list and the counters, runs the check and shows its lines
    // and counters. A failure is shown as an error; the lines found before it
    // stay and the counters stay empty.
    void runCheck();

signals:
    // After every run.
    void checked();
    // A line was activated (Enter or double-click): the annex screen
    // ('A' .. 'H') and the table, record (0 for the table as a whole) and
    // field the line is about.
    void annexRequested(QChar annex, const quirels::RecordPlace &place);
    // A company information line was activated.
    void companyRequested();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void activateLine(QTreeWidgetItem *item);
    void fitColumns();
    void hookSubWindow();

    Producer m_producer;
    Dialogs &m_dialogs;
    ValidationReport m_report;
    bool m_completed = false;
    bool m_running = false;
    bool m_wasInactive = false;
    int m_runs = 0;
    QMdiSubWindow *m_subWindow = nullptr;
    QTreeWidget *m_list;
    QLineEdit *m_validated;
    QLineEdit *m_alerts;
    QLineEdit *m_errors;
    QPushButton *m_close;
};

// The window part of the "&Validar" command, after the pending rows were
// posted: creates the report window in the area when `window` is empty (the
// main window keeps the reference; closing the window destroys it and empties
// it), shows it maximised and active, which runs the check, or runs it again
// when it was already the active window. addChild, when given, puts a new
// window into the area (the main window's own bookkeeping of child windows).
// Returns whether "&Gerar Arquivo" and "&Enviar Arquivo" are to be enabled.
bool showValidationReport(QMdiArea *area, QPointer<TfrmInconsistenciaQuirels> &window,
                          const TfrmInconsistenciaQuirels::Producer &producer, Dialogs &dialogs,
                          const std::function<QMdiSubWindow *(QWidget *)> &addChild = {});

} // namespace quirels::validation
