#pragma once
// What every annex entry screen has: the caption and object name of its
// screen class, the header with the open company and period, the
// observation memo of its letter, the messages and focus of its own
// controls, and closing through its prompts.

#include "base/Dialogs.h"
#include "base/RecordPlace.h"
#include "entry/Annex.h"
#include "store/DataModule.h"
#include "entry/ListEngine.h"
#include "entry/Lookups.h"
#include "entry/ui/FocusDialogs.h"

#include <QWidget>
#include <memory>

class QLineEdit;
class QPlainTextEdit;

namespace quirels::entry {

class FieldPanel;

class EntryWindow : public QWidget, public RecordNavigator {
    Q_OBJECT
public:
    EntryWindow(const AnnexSpec &spec, store::DataModule &data, Dialogs &dialogs, QWidget *parent = nullptr);
    ~EntryWindow() override;

    const AnnexSpec &spec() const { return m_spec; }
    // Messages and focus of this screen.
    Dialogs &dialogs() { return *m_dialogs; }
    const Lookups &lookups() const { return m_lookups; }
    QPlainTextEdit *memo() const { return m_memo; }

    // Month code and year of the open period.
    QPair<QString, QString> period() const;

    // Opening: the cursors open, every list browsing, the buttons in browse.
    virtual void open() = 0;
    // The close prompts in their order; false when closing was stopped.
    virtual bool closePrompts() = 0;
    // The screen became the active window (a child window of the main
    // window, or a window of its own).
    virtual void activated() {}
    // The leave-the-field step of the field being typed into, wherever it is
    // in the window: run by every command before it acts (the list buttons,
    // the main window's commands, closing). False when the field refused
    // what it holds; the focus is back there.
    bool leaveField();
    // Leaves the field being typed into, shows the page of the place's
    // table, makes its record current (its master's first) and puts the
    // focus in its field. An empty table is the screen's main list.
    bool goToRecord(const RecordPlace &place) override;

signals:
    // The screen closed (its prompts passed); it is released afterwards.
    void closed();

protected:
    store::Cursor &cursor(const QString &table);
    store::Cursor *observation() const { return m_obs; }
    // The header: "Razão Social", "CNPJ", "Mês", "Ano", read-only and out of
    // the tab order.
    QWidget *buildHeader();
    // The observation memo bound to the letter's row; its changes go to the
    // engine of the main list.
    QPlainTextEdit *buildMemo(ListEngine &engine);
    void loadHeader();
    void loadMemo();
    // The control for a place outside the record lists (the observation
    // memo); null when the screen has none.
    virtual QWidget *placeControl(const QString &table, const QString &field);
    // A record was made current by goToRecord: the screen brings its
    // dependent lists in line.
    virtual void recordShown() {}
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

    const AnnexSpec &m_spec;
    store::DataModule &m_data;
    std::unique_ptr<FocusDialogs> m_dialogs;
    Lookups m_lookups;
    store::Cursor *m_obs = nullptr;
    QPlainTextEdit *m_memo = nullptr;
    QLineEdit *m_razao = nullptr;
    QLineEdit *m_cnpj = nullptr;
    QLineEdit *m_mes = nullptr;
    QLineEdit *m_ano = nullptr;
    bool m_memoLoading = false;

private:
    FieldPanel *panelOf(const QString &table) const;
    // Makes the record of `table` current; false when a pending row could
    // not be settled.
    bool moveToRecord(const QString &table, int record);
};

} // namespace quirels::entry
