#pragma once
// The preview window (TfrmPreview): one page of a generated report at a time,
// with the zoom box, page navigation, printing, printer setup, saving as
// PDF and closing. Pages arrive while the report is being generated.

#include "reports/PageModel.h"
#include "reports/ui/ReportEnv.h"

#include <QPrinter>
#include <QWidget>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QToolButton;

namespace quirels::reports::ui {

class TfrmPreview : public QWidget {
    Q_OBJECT
public:
    // `pdfName`: the file name offered by "Salvar PDF".
    TfrmPreview(const QString &title, const PageSetup &setup, const QString &pdfName, ReportEnv env,
                QWidget *parent = nullptr);

    QString title() const { return m_title; }
    void addPage(Page page);
    // Generation has ended: the page count is final.
    void setFinished();
    bool finished() const { return m_finished; }

    int currentPage() const { return m_current; }
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    const std::vector<Page> &pages() const { return m_pages; }
    int zoom() const { return m_zoom; }
    void goTo(int page);

    // The toolbar's commands.
    void print();
    void printerSetup();
    bool savePdf();

    // The page range printing uses (0 0: every page).
    int printFrom() const { return m_from; }
    int printTo() const { return m_to; }
    QPrinter &printer() { return m_printer; }

private:
    void refresh();
    void render();
    void zoomEdited(const QString &text);
    void pageEdited(const QString &text);
    void closeWindow();
    QToolButton *button(const char *name, const QString &hint, int icon);

    QString m_title;
    PageSetup m_setup;
    QString m_pdfName;
    ReportEnv m_env;
    std::vector<Page> m_pages;
    bool m_finished = false;
    int m_current = 0;
    int m_zoom = 90;
    int m_from = 0, m_to = 0;
    QPrinter m_printer;

    QComboBox *m_cmbZoom = nullptr;
    QLineEdit *m_edtPagina = nullptr;
    QLineEdit *m_edtTotal = nullptr;
    QToolButton *m_btnPrimeiro = nullptr, *m_btnAnterior = nullptr, *m_btnProximo = nullptr, *m_btnUltimo = nullptr;
    QScrollArea *m_scroll = nullptr;
    QLabel *m_view = nullptr;
};

} // namespace quirels::reports::ui
