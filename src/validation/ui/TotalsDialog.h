#pragma once
// "Calcular Totais do Anexo XI-A": the month's XI-A totals computed from the
// movements, product by product (current, computed, difference; the rows that
// differ stand out), for the clerk to apply to all, some or none of the
// products in one transaction; and the movements whose product is not in
// annex XI-A, each of which "Incluir Produto" adds to it.

#include "base/Dialogs.h"
#include "store/PeriodKey.h"
#include "validation/Totals.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QSet>
#include <QSqlDatabase>
#include <functional>

class QLabel;
class QTableView;

namespace quirels {
class MainWindow;
}

namespace quirels::validation {

// One row per product and quantity; the first row of a product carries the
// product's check mark.
class TotalsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Aplicar, Produto, Campo, Atual, Calculado, Diferenca, kColumns };
    using QAbstractTableModel::QAbstractTableModel;
    void setTotals(const totals::MonthTotals &totals);
    const totals::MonthTotals &totals() const { return m_totals; }
    // The codes of the marked products, in key order.
    QList<int> marked() const;
    void markAll(bool on);
    // The first row of the product.
    int rowOf(int code) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    totals::MonthTotals m_totals;
    QSet<int> m_marked;
};

class OrphansModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setOrphans(const std::vector<totals::Orphan> &orphans);
    const std::vector<totals::Orphan> &orphans() const { return m_orphans; }
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<totals::Orphan> m_orphans;
};

class TfrmTotaisAnexoA : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        // After a change of the store: every open screen reads it again.
        std::function<void()> reload;
    };
    TfrmTotaisAnexoA(QSqlDatabase db, const PeriodKey &period, Dialogs &dialogs, Hooks hooks, QWidget *parent = nullptr);

    // Computes the totals again; false (after its message) when they could
    // not be computed.
    bool refresh();
    // "&Aplicar Marcados": stores the marked products' totals.
    void applyMarked();
    // "&Incluir Produto": adds the selected orphan's product to annex XI-A.
    void includeSelected();

    TotalsModel *model() const { return m_model; }
    OrphansModel *orphans() const { return m_orphans; }
    QTableView *grid() const { return m_grid; }
    QTableView *orphanGrid() const { return m_orphanGrid; }

private:
    void updateSummary();

    QSqlDatabase m_db;
    PeriodKey m_period;
    Dialogs &m_dialogs;
    Hooks m_hooks;
    TotalsModel *m_model;
    OrphansModel *m_orphans;
    QTableView *m_grid = nullptr;
    QTableView *m_orphanGrid = nullptr;
    QLabel *m_summary = nullptr;
};

// Registers the screen of "Calcular Totais do Anexo XI-A" (the Ferramentas
// command and the button of the annex XI-A window) on the open period.
void installTotalsScreen(MainWindow &window);

} // namespace quirels::validation
