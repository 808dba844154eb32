#include "reports/ui/PreviewWindow.h"
#include "reports/Messages.h"
#include "reports/Render.h"
#include "reports/ui/PrinterSink.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPrintDialog>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QDir>

namespace quirels::reports::ui {

ReportEnv ReportEnv::desktop(Dialogs &dialogs)
{
    ReportEnv env;
    env.dialogs = &dialogs;
    env.printer = [](QPrinter &printer, int from, int to, bool progress) -> std::unique_ptr<PageSink> {
        if (!printerAvailable())
            return nullptr;
        return std::make_unique<PrinterSink>(printer, from, to, progress);
    };
    env.choosePdf = [](QWidget *parent, const QString &suggested) {
        return QFileDialog::getSaveFileName(parent, msg::kSalvarPdf, QDir::home().filePath(suggested), msg::kFiltroPdf);
    };
    return env;
}

TfrmPreview::TfrmPreview(const QString &title, const PageSetup &setup, const QString &pdfName, ReportEnv env,
                         QWidget *parent)
    : QWidget(parent), m_title(title), m_setup(setup), m_pdfName(pdfName), m_env(std::move(env)),
      m_printer(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("TfrmPreview"));
    setWindowTitle(msg::kPreviewCaption);
    m_printer.setDocName(title);
    m_printer.setPageSize(QPageSize(setup.paper, QPageSize::Millimeter));
    m_printer.setPageOrientation(QPageLayout::Portrait);

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tlbPreview"));
    m_cmbZoom = new QComboBox(bar);
    m_cmbZoom->setObjectName(QStringLiteral("cmbPercentagem"));
    m_cmbZoom->setEditable(true);
    m_cmbZoom->addItems({QStringLiteral("200"), QStringLiteral("150"), QStringLiteral("100"), QStringLiteral("90"),
                         QStringLiteral("75"), QStringLiteral("50"), QStringLiteral("40"), QStringLiteral("25")});
    m_cmbZoom->setInsertPolicy(QComboBox::NoInsert);
    m_cmbZoom->setEditText(QStringLiteral("90"));
    m_cmbZoom->setToolTip(msg::kHintZoom);
    m_cmbZoom->setStatusTip(msg::kHintZoom);
    m_cmbZoom->setMinimumContentsLength(4);
    bar->addWidget(m_cmbZoom);
    bar->addWidget(new QLabel(QStringLiteral(" %  "), bar));

    m_btnPrimeiro = button("btnPrimeiro", msg::kHintPrimeiro, QStyle::SP_MediaSkipBackward);
    m_btnAnterior = button("BtnAnterior", msg::kHintAnterior, QStyle::SP_MediaSeekBackward);
    bar->addWidget(m_btnPrimeiro);
    bar->addWidget(m_btnAnterior);
    m_edtPagina = new QLineEdit(bar);
    m_edtPagina->setObjectName(QStringLiteral("edtPagina"));
    m_edtPagina->setReadOnly(true);
    m_edtPagina->setFixedWidth(48);
    m_edtPagina->setAlignment(Qt::AlignRight);
    m_edtPagina->setToolTip(msg::kHintPagina);
    m_edtPagina->setStatusTip(msg::kHintPagina);
    bar->addWidget(m_edtPagina);
    bar->addWidget(new QLabel(QStringLiteral(" de "), bar));
    m_edtTotal = new QLineEdit(bar);
    m_edtTotal->setObjectName(QStringLiteral("edtTotal"));
    m_edtTotal->setReadOnly(true);
    m_edtTotal->setFixedWidth(48);
    m_edtTotal->setToolTip(QString(msg::kHintTotal).remove(QLatin1Char('\r')));
    m_edtTotal->setStatusTip(QString(msg::kHintTotal).remove(QLatin1Char('\r')).replace(QLatin1Char('\n'), QString()));
    bar->addWidget(m_edtTotal);
    m_btnProximo = button("btnProximo", msg::kHintProximo, QStyle::SP_MediaSeekForward);
    m_btnUltimo = button("btnUltimo", msg::kHintUltimo, QStyle::SP_MediaSkipForward);
    bar->addWidget(m_btnProximo);
    bar->addWidget(m_btnUltimo);
    bar->addSeparator();
    QToolButton *imprimir = button("btnImprimir", msg::kHintImprimir, -1);
    imprimir->setText(msg::kHintImprimir);
    QToolButton *configurar = button("btnConfigurarImpressora", msg::kHintConfigurar, -1);
    configurar->setText(msg::kHintConfigurar);
    QToolButton *salvar = button("btnSalvarPdf", msg::kHintSalvarPdf, -1);
    salvar->setText(msg::kSalvarPdf);
    QToolButton *fechar = button("btnFechar", msg::kHintFechar, -1);
    fechar->setText(QStringLiteral("Fechar"));
    for (QToolButton *b : {imprimir, configurar, salvar, fechar})
        bar->addWidget(b);

    m_view = new QLabel;
    m_view->setObjectName(QStringLiteral("imgPagina"));
    m_view->setAlignment(Qt::AlignCenter);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(false);
    m_scroll->setAlignment(Qt::AlignHCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_scroll, 1);

    connect(m_cmbZoom, &QComboBox::editTextChanged, this, &TfrmPreview::zoomEdited);
    connect(m_edtPagina, &QLineEdit::textChanged, this, &TfrmPreview::pageEdited);
    connect(m_btnPrimeiro, &QToolButton::clicked, this, [this] { goTo(1); });
    connect(m_btnAnterior, &QToolButton::clicked, this, [this] { goTo(m_current - 1); });
    connect(m_btnProximo, &QToolButton::clicked, this, [this] { goTo(m_current + 1); });
    connect(m_btnUltimo, &QToolButton::clicked, this, [this] { goTo(pageCount()); });
    connect(imprimir, &QToolButton::clicked, this, &TfrmPreview::print);
    connect(configurar, &QToolButton::clicked, this, &TfrmPreview::printerSetup);
    connect(salvar, &QToolButton::clicked, this, [this] { savePdf(); });
    connect(fechar, &QToolButton::clicked, this, &TfrmPreview::closeWindow);

    // Keyboard: pages with Page Up/Down and Ctrl+Home/End, print, close.
    const auto key = [this](QKeySequence seq, std::function<void()> fn) {
        auto *sc = new QShortcut(seq, this);
        sc->setContext(Qt::WidgetWithChildrenShortcut);
        connect(sc, &QShortcut::activated, this, std::move(fn));
    };
    key(QKeySequence(Qt::Key_PageDown), [this] { if (m_current < pageCount()) goTo(m_current + 1); });
    key(QKeySequence(Qt::Key_PageUp), [this] { if (m_current > 1) goTo(m_current - 1); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { goTo(1); });
    key(QKeySequence(Qt::CTRL | Qt::Key_End), [this] { goTo(pageCount()); });
    key(QKeySequence::Print, [this] { print(); });
    key(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { savePdf(); });
    key(QKeySequence(Qt::Key_Escape), [this] { closeWindow(); });
    setFocusPolicy(Qt::StrongFocus);
    refresh();
}

QToolButton *TfrmPreview::button(const char *name, const QString &hint, int icon)
{
    auto *b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    if (icon >= 0)
        b->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
    b->setToolButtonStyle(icon >= 0 ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    return b;
}

void TfrmPreview::addPage(Page page)
{
    m_pages.push_back(page.pack());
    if (m_current == 0)
        m_current = 1;
    refresh();
    if (m_current == pageCount())
        render();
}

Page TfrmPreview::page(int number) const
{
    if (number < 1 || number > pageCount())
        return {};
    return Page::unpack(m_pages[static_cast<size_t>(number - 1)]);
}

void TfrmPreview::setFinished()
{
    m_finished = true;
    refresh();
}

void TfrmPreview::goTo(int page)
{
    if (pageCount() == 0)
        return;
    page = std::clamp(page, 1, pageCount());
    m_current = page;
    refresh();
    render();
}

void TfrmPreview::refresh()
{
    const QString page = QString::number(m_current);
    if (m_edtPagina->text() != page) {
        const QSignalBlocker block(m_edtPagina);
        m_edtPagina->setText(page);
    }
    m_edtTotal->setText(QLatin1Char(' ') + QString::number(pageCount()));
    m_btnPrimeiro->setEnabled(m_current > 1);
    m_btnAnterior->setEnabled(m_current > 1);
    m_btnProximo->setEnabled(m_current < pageCount());
    m_btnUltimo->setEnabled(m_current < pageCount());
}

void TfrmPreview::render()
{
    if (m_current < 1 || m_current > pageCount()) {
        m_view->clear();
        return;
    }
    // The page drawn as on paper at the zoom's share of the screen's size.
    const double dpi = logicalDpiX() * m_zoom / 100.0;
    const double dotsPerMm = dpi / 25.4;
    QImage img(QSize(qRound(m_setup.paper.width() * dotsPerMm), qRound(m_setup.paper.height() * dotsPerMm)),
               QImage::Format_RGB32);
    const int dpm = qRound(dpi / 0.0254);
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        paintPage(p, this->page(m_current), dotsPerMm);
    }
    m_view->setPixmap(QPixmap::fromImage(img));
    m_view->resize(img.size());
}

void TfrmPreview::zoomEdited(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return; // being typed over
    bool ok = false;
    const int z = t.toInt(&ok);
    if (!ok) {
        m_env.dialogs->error(msg::kZoomInvalido.arg(text));
        // The zoom stays as it was, and the box shows it again.
        const QSignalBlocker block(m_cmbZoom);
        m_cmbZoom->setEditText(QString::number(m_zoom));
        return;
    }
    m_zoom = std::clamp(z, 10, 500);
    render();
}

void TfrmPreview::pageEdited(const QString &text)
{
    if (text.trimmed().isEmpty()) {
        m_edtPagina->setText(QStringLiteral("1"));
        return;
    }
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (ok)
        goTo(n);
}

void TfrmPreview::print()
{
    std::unique_ptr<PageSink> sink = m_env.printer ? m_env.printer(m_printer, m_from, m_to, false) : nullptr;
    if (!sink) {
        // No printer: the pages can go to a PDF file instead.
        if (m_env.dialogs && m_env.dialogs->confirm(msg::kSemImpressora))
            savePdf();
        return;
    }
    sink->beginReport(m_title, m_setup);
    for (const QByteArray &p : m_pages)
        if (!sink->addPage(Page::unpack(p)))
            break;
    sink->endReport();
}

void TfrmPreview::printerSetup()
{
    QPrintDialog dialog(&m_printer, this);
    if (m_finished)
        dialog.setMinMax(1, std::max(1, pageCount()));
    else
        dialog.setMinMax(0, 9999);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.printRange() == QAbstractPrintDialog::PageRange) {
        m_from = dialog.fromPage();
        m_to = dialog.toPage();
    } else {
        m_from = m_to = 0;
    }
}

bool TfrmPreview::savePdf()
{
    const QString path = m_env.choosePdf ? m_env.choosePdf(this, m_pdfName) : QString();
    if (path.isEmpty())
        return false;
    PdfSink pdf(path);
    pdf.beginReport(m_title, m_setup);
    for (const QByteArray &p : m_pages)
        if (!pdf.addPage(Page::unpack(p)))
            break;
    pdf.endReport();
    if (Status s = pdf.close(); !s) {
        m_env.dialogs->error(msg::kPdfFalhou.arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return true;
}

void TfrmPreview::closeWindow()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}

} // namespace quirels::reports::ui
