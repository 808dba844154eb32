#pragma once
// Annex XI-G: the residues of the month (page 1, with the observations) and
// the controlled products isolated from residues (page 2). Isolated products
// belong to the period and can be entered only while it has a residue; the
// last residue deleted takes them with it.

#include "entry/ui/EntryWindow.h"
#include "entry/ui/ListSection.h"

class QTabWidget;

namespace quirels::entry {

// The residue list: deleting the period's last residue deletes every
// isolated product of the period in the same transaction.
class ResidueListEngine : public ListEngine {
    Q_OBJECT
public:
    ResidueListEngine(const ListSpec &spec, store::Cursor &table, store::Cursor &isolated,
                      store::Cursor *observation, Dialogs &dialogs, const Lookups *lookups, QObject *parent = nullptr)
        : ListEngine(spec, table, observation, dialogs, lookups, parent), m_isolated(isolated)
    {
    }

protected:
    bool removeCurrent() override;

private:
    store::Cursor &m_isolated;
};

class ResiduoWindow : public EntryWindow {
    Q_OBJECT
public:
    ResiduoWindow(store::DataModule &data, Dialogs &dialogs, QWidget *parent = nullptr);

    ListEngine &residues() { return *m_residues; }
    ListEngine &isolated() { return *m_isolated; }
    FieldPanel &residuePanel() { return *m_residueList.panel; }
    FieldPanel &isolatedPanel() { return *m_isolatedList.panel; }
    QTabWidget *pages() const { return m_pages; }

    void open() override;
    bool closePrompts() override;
    void activated() override;
    // The isolated-product list opens while the period has a residue.
    void evaluateIsolated();

private:
    ResidueListEngine *m_residues;
    ListEngine *m_isolated;
    ListSection m_residueList;
    ListSection m_isolatedList;
    QTabWidget *m_pages;
};

} // namespace quirels::entry
