#pragma once
// The open dialog: pick a registered company and a month, create the month
// (with the carry-over of the previous one) when it is missing, and hand the
// opened period to the main window.

#include "base/Dialogs.h"
#include "store/PeriodKey.h"

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableView;

namespace quirels::store {
class Cursor;
class CursorModel;
class DataModule;
} // namespace quirels::store

namespace quirels {

class FrameProgress;

class TfrmAbrirQuirels : public QDialog {
    Q_OBJECT
public:
    // What the main window does with the opened period: make it current,
    // disable the backup command and open the annex windows.
    using PeriodOpened = std::function<void(const PeriodKey &)>;

    // The company list is the data module's tblEmpresa: the grid shows it
    // and the search moves it.
    TfrmAbrirQuirels(store::DataModule &data, Dialogs &dialogs, PeriodOpened periodOpened, QWidget *parent = nullptr);
    ~TfrmAbrirQuirels() override;

    // "&Ok": the checks, the period (created on "Sim"), then the main window.
    void open();
    // The key of the company the company cursor is on; empty when none.
    QString currentCompany() const;
    // Moves the cursor to the first company whose key is equal to or after
    // the text in key order (the last one when none is).
    void seek(const QString &text);
    // The period open in the main window (none when no company is open):
    // the dialog starts on it for its company.
    void setOpenPeriod(const PeriodKey &period);
    // The chosen company's months, "MMM/AAAA", oldest first.
    QListWidget *monthList() const { return m_months; }
    QComboBox *monthPicker() const { return m_month; }
    QComboBox *yearPicker() const { return m_year; }

private:
    void showCurrent();
    // The chosen company's months and the month to start on.
    void showCompanyPeriods();

    store::DataModule &m_data;
    store::Cursor &m_empresa;
    Dialogs &m_dialogs;
    PeriodOpened m_periodOpened;
    store::CursorModel *m_model;
    QTableView *m_grid;
    QLineEdit *m_search;
    QComboBox *m_month;
    QComboBox *m_year;
    QListWidget *m_months = nullptr;
    PeriodKey m_open;
    QString m_periodsOf; // the company the month list is of
    bool m_handedOver = false; // the period was opened: the grid no longer moves the cursor
    QPushButton *m_ok;
    QWidget *m_progressFrame;
    std::unique_ptr<FrameProgress> m_progress;
};

} // namespace quirels
