#pragma once
// "Visão do Ano": the year of the open company at a glance. A table of every
// product's months (opening stock, entries, exits, closing stock, and the
// warning where the carry-over is broken, highlighted) and a chart of the
// closing stock over the months of the product of the current row, with the
// broken months marked. "Visualizar Impressão" shows the same year as a
// report (table and chart per product) in the preview, which prints it or
// saves it as PDF.

#include "base/Dialogs.h"
#include "reports/Engine.h"
#include "reports/YearView.h"

#include <QSqlDatabase>
#include <QWidget>
#include <functional>

class QChartView;
class QComboBox;
class QLabel;
class QStandardItemModel;
class QTableView;

namespace quirels::reports::ui {

class TfrmVisaoAno : public QWidget {
    Q_OBJECT
public:
    // `db` gives the store connection for each reading (the window keeps no
    // handle of it: the data module's connection may go before the window);
    // `preview` shows a report definition in a preview window.
    TfrmVisaoAno(std::function<QSqlDatabase()> db, const QString &cnpj, Dialogs &dialogs,
                 std::function<void(const ReportDef &)> preview, QWidget *parent = nullptr);

    // Reads the year and shows it; false (after the message) when it could
    // not be read.
    bool load(const QString &ano);
    const year::YearView &view() const { return m_view; }
    QTableView *grid() const { return m_grid; }
    QChartView *chartView() const { return m_chart; }
    QComboBox *yearBox() const { return m_year; }
    // The product whose chart is shown (index into view().products).
    int chartedProduct() const { return m_charted; }
    void printPreview();

private:
    void showChart(int product);

    std::function<QSqlDatabase()> m_db;
    QString m_cnpj;
    Dialogs &m_dialogs;
    std::function<void(const ReportDef &)> m_preview;
    year::YearView m_view;
    QComboBox *m_year = nullptr;
    QLabel *m_summary = nullptr;
    QTableView *m_grid = nullptr;
    QStandardItemModel *m_model = nullptr;
    QChartView *m_chart = nullptr;
    int m_charted = -1;
};

} // namespace quirels::reports::ui
