#include "PesqProdutos.h"

#include "base/ui/MaskCaret.h"
#include "base/ui/Placement.h"
#include "entry/Messages.h"
#include "shell/ui/Hints.h"
#include "shell/ui/MainWindow.h"
#include "store/Cursor.h"
#include "store/CursorModel.h"
#include "store/DataModule.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QValidator>
#include <QVBoxLayout>

namespace quirels::entry {

namespace {

const QString kIdxNome = QStringLiteral("idxNome");
const QString kIdxNcm = QStringLiteral("idxNCM");
const QString kCdNcm = QStringLiteral("CdNCM");
const QString kNome = QStringLiteral("NmProdutoControlado");
// Width of NmProdutoControlado.
constexpr int kNomeWidth = 70;

// Letters become upper case as they are typed.
class UpperCase : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

bool isEnter(const QKeyEvent *k) { return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter; }

bool movesGrid(const QKeyEvent *k)
{
    switch (k->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return true;
    default: return false;
    }
}

} // namespace

TfrmPesqProdutos::TfrmPesqProdutos(store::Cursor &produtos, Print print, QWidget *parent)
    : QDialog(parent), m_produtos(&produtos), m_print(std::move(print)), m_mask(msg::kPesqMascaraNcm)
{
    setObjectName(QStringLiteral("TfrmPesqProdutos"));
    setWindowTitle(msg::kPesqCaption);
    setModal(false);
    // A fixed-size window: a title and a close button, nothing to resize it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto *localizar = new QGroupBox(msg::kPesqLocalizar, this);
    localizar->setObjectName(QStringLiteral("gbLocalizar"));
    auto *rdg = new QGroupBox(msg::kPesqPesquisarPor, localizar);
    rdg->setObjectName(QStringLiteral("rdgPesquisar"));
    setHint(rdg, msg::kHintPesqForma);
    m_rbCodigo = new QRadioButton(msg::kPesqCodigo, rdg);
    m_rbCodigo->setObjectName(QStringLiteral("rbCodigoNCM"));
    m_rbNome = new QRadioButton(msg::kPesqNome, rdg);
    m_rbNome->setObjectName(QStringLiteral("rbNomeProduto"));
    for (QRadioButton *rb : {m_rbCodigo, m_rbNome})
        setHint(rb, msg::kHintPesqForma);
    auto *choices = new QHBoxLayout(rdg);
    choices->addWidget(m_rbCodigo);
    choices->addWidget(m_rbNome);
    choices->addStretch(1);

    m_label = new QLabel(localizar);
    m_label->setObjectName(QStringLiteral("lblPesquisa"));
    m_edit = new QLineEdit(localizar);
    m_edit->setObjectName(QStringLiteral("edtPesquisa"));
    setHint(m_edit, msg::kHintPesqCampo);
    m_label->setBuddy(m_edit);
    m_upperCase = new UpperCase(m_edit);
    keepCaretInMask(m_edit, m_mask);
    auto *localizarLayout = new QVBoxLayout(localizar);
    localizarLayout->addWidget(rdg);
    localizarLayout->addWidget(m_label);
    localizarLayout->addWidget(m_edit);

    m_model = new store::CursorModel(produtos, {kCdNcm, kNome}, this);
    m_model->setHeaders({msg::kPesqColunaCodigo, msg::kPesqColunaNome});
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("grdPesquisar"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Arrows move inside the grid; Tab leaves it.
    m_grid->setTabKeyNavigation(false);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->horizontalHeader()->setSectionsClickable(false);
    m_grid->setColumnWidth(0, m_grid->fontMetrics().horizontalAdvance(QStringLiteral("0000.00.00")) + 24);
    m_grid->setMinimumSize(560, 300);

    auto *fechar = new QPushButton(msg::kPesqFechar, this);
    fechar->setObjectName(QStringLiteral("btnFechar"));
    setHint(fechar, msg::kHintPesqFechar);
    auto *imprimirButton = new QPushButton(msg::kPesqImprimir, this);
    imprimirButton->setObjectName(QStringLiteral("btnImprimir"));
    setHint(imprimirButton, msg::kHintPesqImprimir);
    // No default button: Enter in the field and on the grid picks a row, and
    // on a button presses that button.
    for (QPushButton *b : {fechar, imprimirButton}) {
        b->setAutoDefault(false);
        b->installEventFilter(this);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(fechar);
    buttons->addWidget(imprimirButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(localizar);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    // A fixed-size window.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_rbCodigo, m_rbNome);
    setTabOrder(m_rbNome, m_edit);
    setTabOrder(m_edit, m_grid);
    setTabOrder(m_grid, fechar);
    setTabOrder(fechar, imprimirButton);

    connect(m_rbCodigo, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !m_switching)
            setMode(Mode::Codigo);
    });
    connect(m_rbNome, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !m_switching)
            setMode(Mode::Nome);
    });
    connect(m_edit, &QLineEdit::textChanged, this, [this] { search(); });
    connect(&produtos, &store::Cursor::currentChanged, this, &TfrmPesqProdutos::showCurrent);
    connect(&produtos, &store::Cursor::resetDone, this, &TfrmPesqProdutos::showCurrent);
    // The grid's current row is the cursor's: arrows and clicks move it.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        if (m_produtos && current.isValid() && current.row() != m_produtos->row())
            m_produtos->moveTo(current.row());
    });
    connect(m_grid, &QTableView::clicked, this, [this](const QModelIndex &i) { pick(i.row()); });
    connect(fechar, &QPushButton::clicked, this, &QDialog::close);
    connect(imprimirButton, &QPushButton::clicked, this, &TfrmPesqProdutos::imprimir);
    m_edit->installEventFilter(this);
    m_grid->installEventFilter(this);

    setMode(Mode::Nome);
}

void TfrmPesqProdutos::setMode(Mode mode)
{
    m_switching = true;
    m_mode = mode;
    (mode == Mode::Codigo ? m_rbCodigo : m_rbNome)->setChecked(true);
    if (mode == Mode::Codigo) {
        m_label->setText(msg::kPesqLabelCodigo);
        m_edit->setValidator(nullptr);
        m_edit->setInputMask(m_mask.qtInputMask());
    } else {
        m_label->setText(msg::kPesqLabelNome);
        m_edit->setInputMask(QString());
        m_edit->setValidator(m_upperCase);
        m_edit->setMaxLength(kNomeWidth);
    }
    m_edit->clear();
    if (m_produtos && m_produtos->isOpen())
        m_produtos->setOrder(mode == Mode::Codigo ? kIdxNcm : kIdxNome);
    m_switching = false;
    m_edit->setFocus(Qt::OtherFocusReason);
    // A choice made with the arrow keys takes the focus after this has run.
    QMetaObject::invokeMethod(m_edit, [edit = m_edit] { edit->setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
    search();
}

void TfrmPesqProdutos::search()
{
    if (m_switching || !m_produtos || !m_produtos->isOpen())
        return;
    // In code mode the masked text, dots in place and empty positions as
    // blanks: "28" reads "28  .  .  ", before every code that starts with 28.
    const QString key = m_mode == Mode::Codigo ? m_mask.store(m_edit->displayText()) : m_edit->text();
    m_produtos->findNearest({key});
    showCurrent();
    // The row found heads the grid, followed by the rows that come after it.
    if (m_grid->currentIndex().isValid())
        m_grid->scrollTo(m_grid->currentIndex(), QAbstractItemView::PositionAtTop);
}

void TfrmPesqProdutos::showCurrent()
{
    if (!m_produtos)
        return;
    const int r = m_produtos->row();
    if (r < 0 || r >= m_model->rowCount())
        return;
    const int column = m_grid->currentIndex().isValid() ? m_grid->currentIndex().column() : 0;
    const QModelIndex i = m_model->index(r, column);
    if (m_grid->currentIndex() != i)
        m_grid->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(i);
}

void TfrmPesqProdutos::pick(int row)
{
    if (!m_produtos || row < 0 || row >= m_produtos->count())
        return;
    m_edit->setText(m_produtos->valueAt(row, m_mode == Mode::Codigo ? kCdNcm : kNome).toString());
}

void TfrmPesqProdutos::imprimir()
{
    QString order = m_produtos ? m_produtos->orderName() : kIdxNome;
    if (order.isEmpty())
        order = kIdxNome;
    // The listing starts once the button's click has ended: the closed
    // window, and the button with it, may be gone by then.
    if (m_print) {
        QObject *context = parentWidget() ? static_cast<QObject *>(parentWidget()) : QCoreApplication::instance();
        QMetaObject::invokeMethod(context, [print = m_print, order] { print(order); }, Qt::QueuedConnection);
    }
    close();
}

bool TfrmPesqProdutos::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, e);
    auto *k = static_cast<QKeyEvent *>(e);
    if (auto *button = qobject_cast<QPushButton *>(watched)) {
        if (!isEnter(k))
            return QDialog::eventFilter(watched, e);
        button->animateClick();
        return true;
    }
    if (isEnter(k)) {
        // Enter picks the row the grid is on, as a click on it does.
        if (m_produtos)
            pick(m_produtos->row());
        return true;
    }
    if (watched == m_edit && movesGrid(k) && k->modifiers() == Qt::NoModifier) {
        // Up and down while typing move the grid.
        QCoreApplication::sendEvent(m_grid, e);
        return true;
    }
    if (watched == m_grid && !k->text().isEmpty() && k->text().at(0).isPrint() &&
        !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // Typing on the grid goes on in the search field.
        m_edit->setFocus(Qt::OtherFocusReason);
        QCoreApplication::sendEvent(m_edit, e);
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TfrmPesqProdutos::done(int result)
{
    // The shared cursor goes back to its usual name order.
    if (m_produtos && m_produtos->isOpen() && m_produtos->orderName().compare(kIdxNome, Qt::CaseInsensitive) != 0)
        m_produtos->setOrder(kIdxNome);
    QDialog::done(result);
}

void installProductSearch(MainWindow &window)
{
    auto search = std::make_shared<QPointer<TfrmPesqProdutos>>();
    window.registerScreen(screens::kPesquisaProdutos, [&window, search](const QString &) {
        if (!*search) {
            if (!window.ensureStore())
                return false;
            store::Cursor &produtos = window.dataModule().lkpProdutoControlado();
            if (!produtos.isOpen() && !produtos.open())
                return false; // the store's message has been shown
            auto *w = new TfrmPesqProdutos(
                produtos, [&window](const QString &index) { window.runScreen(screens::kRelProdutos, index); }, &window);
            // Closing ends this instance; the next command makes a fresh one.
            w->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(w, &QDialog::finished, w, [search] { *search = nullptr; });
            w->adjustSize();
            placeInside(w, &window);
            *search = w;
        }
        TfrmPesqProdutos *w = *search;
        w->show();
        w->raise();
        w->activateWindow();
        return true;
    });
}

} // namespace quirels::entry
