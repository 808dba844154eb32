#pragma once
// The report options dialog (TfrmConfigRelatorio): for annexes B, C, E and F,
// the choice between the report grouped by product, by invoice (or in entry
// order for C) and by day. Modeless, created once and kept; set up from the
// main window's options annex every time it becomes active.

#include "reports/AnnexReports.h"

#include <QDialog>
#include <functional>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace quirels::reports::ui {

class TfrmConfigRelatorio : public QDialog {
    Q_OBJECT
public:
    using Run = std::function<void(QChar annex, Variant variant)>;
    TfrmConfigRelatorio(std::function<QChar()> optionsAnnex, Run run, QWidget *parent = nullptr);

    // Captions and visibility for the options annex; "Produto" checked.
    void setup();
    // "Imprimir": the report the annex and the checked choice select.
    void imprimir();
    QChar annex() const { return m_annex; }

protected:
    void changeEvent(QEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    std::function<QChar()> m_optionsAnnex;
    Run m_run;
    QChar m_annex;
    QGroupBox *m_group = nullptr;
    QRadioButton *m_rbProduto = nullptr, *m_rbNotaFiscal = nullptr, *m_rbData = nullptr;
};

} // namespace quirels::reports::ui
