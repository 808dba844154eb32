#pragma once
// "Importar Notas Fiscais (NF-e)": the clerk adds invoice files, folders and
// zip batches; every candidate row of annexes XI-B and XI-C is listed with
// what is missing marked and editable, the units that need a factor, and the
// files left out with the reason. "Importar" stores the rows in one
// transaction only when each passes its entry screen's required-field
// checks, then the open screens are read again and the consistency check is
// offered.

#include "base/Dialogs.h"
#include "entry/Lookups.h"
#include "exchange/NfeImport.h"

#include <QDialog>
#include <QSqlDatabase>
#include <functional>
#include <memory>

class QAbstractItemModel;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableView;

namespace quirels {
class MainWindow;
}

namespace quirels::exchange::ui {

class NfeRowsModel;
class NfeFactorsModel;

// What the window needs from its owner.
struct NfeImportHooks {
    // The file and folder choosers; empty when cancelled. File dialogs when not set.
    std::function<QStringList()> chooseFiles;
    std::function<QString()> chooseFolder;
    // Writes what the open screens hold before the import; false stops it.
    std::function<bool()> postPending;
    // After the import: every open screen reads the store again.
    std::function<void()> reload;
    // Runs the consistency check (after "Sim" to the offer).
    std::function<void()> validate;
    // Opens the XI-A totals computed from the movements (after "Sim").
    std::function<void()> totals;
};

class TfrmImportacaoNFe : public QDialog {
    Q_OBJECT
public:
    TfrmImportacaoNFe(QSqlDatabase db, const PeriodKey &period, Dialogs &dialogs, NfeImportHooks hooks,
                      QWidget *parent = nullptr);
    ~TfrmImportacaoNFe() override;

    // Adds inputs and reads every input again; what was typed for an item
    // and the factors given stay.
    void addInputs(const QStringList &paths);
    // "&Importar".
    void importNow();

    const nfe::Scan *scan() const { return m_scan.get(); }
    NfeRowsModel *rowsModel(QChar annex) const;
    NfeFactorsModel *factorsModel() const { return m_factors; }

    // How long a reading runs before its progress window shows, in ms.
    void setProgressDelay(int ms) { m_progressDelay = ms; }

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableView *grid(const QString &name, QAbstractItemModel *model);
    void readInputs();
    void refreshSummary();
    void commitEdit();
    void showFirstIncomplete(const nfe::StoreResult &r);

    QSqlDatabase m_db;
    PeriodKey m_period;
    Dialogs &m_dialogs;
    NfeImportHooks m_hooks;
    entry::Lookups m_lookups;
    std::unique_ptr<nfe::Scan> m_scan;
    QStringList m_inputs;
    bool m_imported = false;
    int m_progressDelay = 400;

    QListWidget *m_inputList = nullptr;
    QTabWidget *m_pages = nullptr;
    QTableView *m_gridB = nullptr;
    QTableView *m_gridC = nullptr;
    QTableView *m_gridFactors = nullptr;
    QListWidget *m_skipped = nullptr;
    QLabel *m_summary = nullptr;
    QPushButton *m_import = nullptr;
    NfeRowsModel *m_rowsB = nullptr;
    NfeRowsModel *m_rowsC = nullptr;
    NfeFactorsModel *m_factors = nullptr;
};

// The screen behind "Importar Notas Fiscais (NF-e)" of the "Abrir" menu, for
// the open company and period. Choosers given replace the file dialogs.
void installNfeImport(MainWindow &window, NfeImportHooks choosers = {});

} // namespace quirels::exchange::ui
