#pragma once
// The deletion window: removes one period of the open company, or the whole
// company with all its periods. Created once and shown again; it does not
// block the main window.

#include "base/Dialogs.h"
#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;

namespace quirels::store {
class DataModule;
}

namespace quirels {

class TfrmExclusaoQuirels : public QWidget {
    Q_OBJECT
public:
    // What the main window provides.
    struct Hooks {
        std::function<bool()> closeCompany;         // false: a window refused to close
        std::function<void()> reconnect;            // reconnect the store after a deletion
        std::function<PeriodKey()> openPeriod;      // the month open in the main window; invalid: none
    };

    // The open company is the current row of the data module's tblEmpresa.
    TfrmExclusaoQuirels(store::DataModule &data, Dialogs &dialogs, Hooks hooks, QWidget *parent = nullptr);

    // Fills the company fields from the open company (also done on show).
    void refresh();
    // "&Ok".
    void remove();
    // "&Cancelar": a pending insertion or edit of the company row is
    // cancelled, and the window closes.
    void cancel();

protected:
    void showEvent(QShowEvent *e) override;

private:
    store::DataModule &m_data;
    Dialogs &m_dialogs;
    Hooks m_hooks;
    QString m_cnpj;
    QLineEdit *m_number;
    QLineEdit *m_name;
    QGroupBox *m_period;
    QComboBox *m_month;
    QComboBox *m_year;
    QCheckBox *m_all;
};

} // namespace quirels
