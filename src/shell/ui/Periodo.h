#pragma once
// Period dialog: the first period of a company being registered. Its "&Ok"
// writes the Empresa and Mes rows and shows the company information window.

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace quirels {

class MainWindow;
class NumberEdit;

class TfrmPeriodo : public QDialog {
    Q_OBJECT
public:
    TfrmPeriodo(MainWindow &main, const QString &number, const QString &name, QWidget *parent = nullptr);

    QComboBox *monthList() const { return m_month; }
    QComboBox *yearList() const { return m_year; }
    NumberEdit *numberField() const { return m_number; }
    QLineEdit *nameField() const { return m_nameEdit; }

    // "&Ok": false when the dialog stays open.
    bool createPeriod();

private:
    MainWindow &m_main;
    QString m_typedNumber;
    QString m_typedName;
    NumberEdit *m_number;
    QLineEdit *m_nameEdit;
    QComboBox *m_month;
    QComboBox *m_year;
};

// Fills a month list ("JAN" .. "DEZ") or a year list ("2003" .. "2030"):
// drop-down lists without free text and without a choice at first.
void fillMonthList(QComboBox *list);
void fillYearList(QComboBox *list);

} // namespace quirels
