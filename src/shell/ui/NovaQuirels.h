#pragma once
// New-company dialog: the number and name of the company to register; its
// "&Ok" checks them and asks for the first period.

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace quirels {

class MainWindow;
class NumberEdit;

class TfrmNovaQuirels : public QDialog {
    Q_OBJECT
public:
    TfrmNovaQuirels(MainWindow &main, QWidget *parent = nullptr);

    NumberEdit *numberField() const { return m_number; }
    QLineEdit *nameField() const { return m_name; }

    // How the period dialog is shown for the checked number and name; the
    // period dialog, modal, unless a test replaces it.
    // True when the period was created or opened.
    using PeriodRunner = std::function<bool(const QString &number, const QString &name)>;
    void setPeriodRunner(PeriodRunner runner) { m_periodRunner = std::move(runner); }

    // "&Ok": false when a check failed (its message shown, the focus moved).
    bool registerCompany();

private:
    MainWindow &m_main;
    NumberEdit *m_number;
    QLineEdit *m_name;
    PeriodRunner m_periodRunner;
};

} // namespace quirels
