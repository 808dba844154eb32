#include "ControleGeralWindow.h"

#include "base/ui/Focus.h"
#include "base/Numbers.h"
#include "entry/Messages.h"
#include "entry/ui/ListSection.h"
#include "store/RecordRules.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace quirels::entry {

namespace {

const Qt::Key kNavigatorKeys[4] = {Qt::Key_Home, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End};

} // namespace

bool OwningListEngine::removeCurrent()
{
    if (m_owned.isEmpty())
        return ListEngine::removeCurrent();
    sql::KeyValues key;
    for (const QString &f : std::as_const(m_keyFields))
        key.append({f, m_table.value(f)});
    for (store::Cursor *c : std::as_const(m_owned))
        if (c->isEditing())
            c->cancel();
    QSqlDatabase db = QSqlDatabase::database(m_table.connectionName(), false);
    sql::Transaction tx(db);
    if (!tx.active()) {
        m_dialogs.error(tx.error().message);
        return false;
    }
    Status s;
    for (store::Cursor *c : std::as_const(m_owned))
        if (s)
            s = sql::exec(db, sql::deleteWhere(c->table().qname(), key));
    if (!s) {
        tx.rollback();
        m_dialogs.error(s.message());
        return false;
    }
    if (!m_table.remove().ok()) {
        tx.rollback();
        m_table.refresh();
        return false;
    }
    if (Status c = tx.commit(); !c) {
        tx.rollback();
        m_dialogs.error(c.message());
        m_table.refresh();
    }
    for (store::Cursor *c : std::as_const(m_owned))
        if (c->isOpen())
            c->refresh();
    return true;
}

bool ProductListEngine::novo()
{
    setButtons(ButtonState::Editing);
    // A pending product is saved first through its record rule; a refusal
    // leaves it pending with its message shown.
    const bool started = m_table.insert();
    startObservation();
    if (started)
        m_dialogs.focus(m_spec.firstFocus);
    else
        focusRefusal();
    return started;
}

bool ProductListEngine::salvar()
{
    // The observation first, so that a refused product does not hold it back.
    if (m_obs && m_obs->isEditing())
        m_obs->post();
    if (m_table.isEditing())
        m_table.post();
    const bool saved = !m_table.isEditing();
    setButtons(saved ? ButtonState::Browse : ButtonState::Editing);
    if (saved)
        m_dialogs.focus(QStringLiteral("btnNovo"));
    else
        focusRefusal();
    return saved;
}

ControleGeralWindow::ControleGeralWindow(store::DataModule &data, Dialogs &dialogs, QWidget *parent)
    : EntryWindow(annexA(), data, dialogs, parent), m_empresa(cursor(QStringLiteral("Empresa")))
{
    m_products = new ProductListEngine(m_spec.main, cursor(QStringLiteral("Produtos")), m_obs, *m_dialogs,
                                       &m_lookups, this);
    m_products->setLetter(m_spec.letter);
    m_finals = new OwningListEngine(annexAFinalProducts(), cursor(QStringLiteral("ProdutoFinal")), nullptr,
                                    *m_dialogs, &m_lookups, this);
    m_substances = new ListEngine(annexASubstances(), cursor(QStringLiteral("SubstanciaPresente")), nullptr,
                                  *m_dialogs, &m_lookups, this);
    QStringList productKey = schema::periodKey();
    productKey << QStringLiteral("CdProduto");
    m_products->setOwned({&m_substances->table(), &m_finals->table()}, productKey);
    m_finals->setOwned({&m_substances->table()}, productKey << QStringLiteral("CdProdFinal"));

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(buildHeader());
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pgcPaginas"));
    m_pages->addTab(buildPage1(), QStringLiteral("&1. Demonstrativo Geral"));
    m_pages->addTab(buildPage2(), QStringLiteral("&2. Especificações sobre o Produto Final Obtido"));
    m_pages->addTab(buildPage3(), QStringLiteral("&3. Informações Complementares"));
    lay->addWidget(m_pages, 1);
    // A page shown takes the focus into its first usable field: the field
    // of the hidden page does not keep it.
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int page) {
        evaluateDependents();
        QWidget *first = nullptr;
        if (page == 0)
            first = m_productPanel->tabOrder().value(0);
        else if (page == 1)
            first = m_finalGroup->isEnabled() ? m_finalPanel->tabOrder().value(0) : nullptr;
        if (first && !first->isAncestorOf(QApplication::focusWidget()) && first != QApplication::focusWidget())
            first->setFocus(Qt::OtherFocusReason);
    });
}

QWidget *ControleGeralWindow::buildPage1()
{
    auto *page = new QWidget;
    auto *lay = new QVBoxLayout(page);
    ListSectionOptions o;
    o.memo = buildMemo(*m_products);
    o.memoLabel = m_spec.observationLabel();
    o.memoHeight = 70;
    o.leave = [this] { return leaveField(); };
    o.finder = true;
    const ListSection s = addListSection(m_spec.main, *m_products, m_lookups, [this] { return period(); }, page,
                                         lay, o);
    m_productPanel = s.panel;
    m_productBar = s.bar;
    connect(m_productPanel, &FieldPanel::left, this, [this](const QString &control) {
        if (annexAStockControls().contains(control))
            recomputeBalance();
    });
    return page;
}

QWidget *ControleGeralWindow::buildPage2()
{
    auto *page = new QWidget;
    auto *lay = new QVBoxLayout(page);

    // The current product, read-only, with its own navigator.
    auto *summary = new QGroupBox(page);
    auto *sgrid = new QGridLayout(summary);
    const char *labels[4] = {"Cód. NCM", "Nome", "Concentração %", "Densidade"};
    const int stretch[4] = {1, 4, 1, 1};
    for (int i = 0; i < 4; ++i) {
        auto *e = new QLineEdit(summary);
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        sgrid->addWidget(new QLabel(QString::fromUtf8(labels[i]), summary), 0, i);
        sgrid->addWidget(e, 1, i);
        sgrid->setColumnStretch(i, stretch[i]);
        m_summary.append(e);
    }
    auto *nav = new QHBoxLayout;
    const QStyle::StandardPixmap icons[4] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
                                             QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward};
    const QString hints[4] = {msg::kHintPrimeiro, msg::kHintAnterior, msg::kHintProximo, msg::kHintUltimo};
    const char *names[4] = {"btnPrimeiroProduto", "btnAnteriorProduto", "btnProximoProduto", "btnUltimoProduto"};
    for (int i = 0; i < 4; ++i) {
        auto *b = new QToolButton(summary);
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setIcon(style()->standardIcon(icons[i]));
        // Ctrl+Shift with Home, PgUp, PgDown and End anywhere on the page
        // (Ctrl alone moves the list the focus is in).
        const QKeySequence keys(Qt::CTRL | Qt::SHIFT | kNavigatorKeys[i]);
        auto *key = new QShortcut(keys, page);
        key->setContext(Qt::WidgetWithChildrenShortcut);
        connect(key, &QShortcut::activated, b, &QToolButton::click);
        b->setToolTip(hints[i] + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')'));
        b->setStatusTip(hints[i]);
        b->setFocusPolicy(Qt::NoFocus);
        nav->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, i] {
            // Moving the product leaves the field and saves the pending
            // substance and final product first, as their own buttons would.
            if (!leaveField() || !m_substances->settle() || !m_finals->settle())
                return;
            const bool inSubstances = m_substanceGroup->isAncestorOf(QApplication::focusWidget());
            store::Cursor &p = m_products->table();
            i == 0 ? p.first() : i == 1 ? p.prior() : i == 2 ? p.next() : p.last();
            evaluateDependents();
            // The substances closed under the focus: it goes to the final products.
            if (inSubstances && !m_substanceGroup->isEnabled())
                if (QWidget *first = m_finalPanel->tabOrder().value(0))
                    first->setFocus(Qt::OtherFocusReason);
        });
    }
    nav->addStretch(1);
    sgrid->addLayout(nav, 2, 0, 1, 4);
    lay->addWidget(summary);
    connect(&m_products->table(), &store::Cursor::currentChanged, this, &ControleGeralWindow::loadProductSummary);
    connect(&m_products->table(), &store::Cursor::stateChanged, this, &ControleGeralWindow::loadProductSummary);

    auto list = [&](const ListSpec &spec, ListEngine &engine, FieldPanel *&panel, ListBar *&bar,
                    const QString &suffix, Qt::KeyboardModifiers keys, QGroupBox *&group) {
        ListSectionOptions o;
        o.suffix = suffix;
        o.keys = keys;
        // Alt with N, S, C and E works on the group the focus is in.
        o.barInGroup = true;
        o.leave = [this] { return leaveField(); };
        ListSection s = addListSection(spec, engine, m_lookups, [this] { return period(); }, page, lay, o);
        panel = s.panel;
        bar = s.bar;
        group = s.group;
        static_cast<QGridLayout *>(group->layout())->setColumnStretch(1, 3);
    };
    list(annexAFinalProducts(), *m_finals, m_finalPanel, m_finalBar, QStringLiteral("ProdFinal"), Qt::AltModifier,
         m_finalGroup);
    list(annexASubstances(), *m_substances, m_substancePanel, m_substanceBar, QStringLiteral("Substancia"),
         Qt::AltModifier, m_substanceGroup);
    // The substances' own keys, Alt+Shift, reach them from anywhere on the
    // page: a clerk in the final products starts a substance without the mouse.
    m_substanceBar->addKeys(Qt::AltModifier | Qt::ShiftModifier, page);
    lay->addStretch(1);

    // Final products: a save opens the substances to the new final product;
    // deleting the last one closes them.
    connect(m_finalBar->salvar(), &QPushButton::clicked, this, [this] {
        if (m_finals->table().isEditing())
            return;
        m_finals->setButtons(ButtonState::Browse);
        m_substances->setButtons(ButtonState::Browse);
        m_substanceGroup->setEnabled(true);
    });
    connect(m_finalBar->excluir(), &QPushButton::clicked, this, [this] {
        if (m_finals->table().count() == 0) {
            m_substanceGroup->setEnabled(false);
            m_substances->setButtons(ButtonState::Locked);
        }
    });
    return page;
}

QWidget *ControleGeralWindow::buildPage3()
{
    auto *page = new QWidget;
    auto *lay = new QVBoxLayout(page);
    auto *group = new QGroupBox(QStringLiteral("Informações Complementares"), page);
    auto *g = new QVBoxLayout(group);
    m_informacoes = new QPlainTextEdit(group);
    m_informacoes->setObjectName(QStringLiteral("memInformacoes"));
    m_informacoes->setToolTip(msg::kHintInformacoes);
    m_informacoes->setStatusTip(msg::kHintInformacoes);
    m_informacoes->setTabChangesFocus(true);
    g->addWidget(m_informacoes);
    lay->addWidget(group, 1);
    connect(m_informacoes, &QPlainTextEdit::textChanged, this, [this] {
        if (m_infoLoading || m_empresa.row() < 0)
            return;
        if (!m_empresa.isEditing() && !m_empresa.edit())
            return;
        m_empresa.setValue(QStringLiteral("DsInformacoes"), m_informacoes->toPlainText());
    });
    // Leaving the memo saves a pending product through its record rule.
    m_informacoes->installEventFilter(this);
    connect(&m_empresa, &store::Cursor::stateChanged, this, [this] {
        if (!m_empresa.isEditing())
            loadInformation();
    });
    return page;
}

bool ControleGeralWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_informacoes && event->type() == QEvent::FocusOut) {
        if (leavesTheField(static_cast<QFocusEvent *>(event), m_informacoes) && m_products->table().isEditing()
            && !m_products->table().post().ok())
            ListEngine::focusRefusal(m_products->spec(), m_products->table(), *m_dialogs);
    }
    return EntryWindow::eventFilter(watched, event);
}

QWidget *ControleGeralWindow::placeControl(const QString &table, const QString &field)
{
    if (table.compare(QStringLiteral("Empresa"), Qt::CaseInsensitive) == 0)
        return m_informacoes;
    return EntryWindow::placeControl(table, field);
}

void ControleGeralWindow::recordShown()
{
    // Page 2 opens its groups to the product and final product now current.
    if (!m_finals->table().isEditing() && !m_substances->table().isEditing())
        evaluateDependents();
}

void ControleGeralWindow::loadInformation()
{
    m_infoLoading = true;
    const QString text = m_empresa.value(QStringLiteral("DsInformacoes")).toString();
    if (m_informacoes->toPlainText() != text)
        m_informacoes->setPlainText(text);
    m_infoLoading = false;
}

void ControleGeralWindow::loadProductSummary()
{
    store::Cursor &p = m_products->table();
    const QVariant conc = p.value(QStringLiteral("VlConcentracao"));
    const QVariant dens = p.value(QStringLiteral("VlDensidade"));
    m_summary[0]->setText(p.value(QStringLiteral("CdNCM")).toString());
    m_summary[1]->setText(p.value(QStringLiteral("NmProduto")).toString());
    m_summary[2]->setText(conc.isValid() && !conc.isNull() ? numbers::format(conc.toDouble(), QStringLiteral("0.00"))
                                                           : QString());
    m_summary[3]->setText(dens.isValid() && !dens.isNull() ? numbers::format(dens.toDouble(), QStringLiteral("0.00"))
                                                           : QString());
}

void ControleGeralWindow::recomputeBalance()
{
    store::Cursor &p = m_products->table();
    if (!p.isEditing())
        return;
    p.setValue(QStringLiteral("QtEstoqueAtual"), store::rules::closingStock(p.record()));
    m_productPanel->showField(QStringLiteral("QtEstoqueAtual"));
}

void ControleGeralWindow::evaluateDependents()
{
    const bool anyProduct = m_products->table().count() > 0;
    setListAvailable(*m_finals, m_finalGroup, anyProduct);
    setListAvailable(*m_substances, m_substanceGroup, anyProduct && m_finals->table().count() > 0);
}

void ControleGeralWindow::open()
{
    m_pages->setCurrentIndex(0);
    for (const QString &t : {QStringLiteral("Empresa"), QStringLiteral("Produtos"), QStringLiteral("ProdutoFinal"),
                             QStringLiteral("SubstanciaPresente")})
        if (store::Cursor &c = m_data.table(t); !c.isOpen())
            c.open();
    if (m_obs && !m_obs->isOpen())
        m_obs->open();
    m_products->cancelar();
    loadHeader();
    m_productPanel->load();
    m_finalPanel->load();
    m_substancePanel->load();
    loadMemo();
    loadInformation();
    loadProductSummary();
    m_productPanel->tabOrder().first()->setFocus();
}

bool ControleGeralWindow::closePrompts()
{
    if (!leaveField())
        return false;
    // A refused row keeps the window open with the focus on the field named.
    const auto prompt = [this](ListEngine &list, const QString &question) {
        if (ListEngine::promptPending(list.table(), question, *m_dialogs))
            return true;
        ListEngine::focusRefusal(list.spec(), list.table(), *m_dialogs);
        return false;
    };
    return ListEngine::promptPending(m_empresa, msg::kEmpresaAlterada, *m_dialogs)
        && prompt(*m_products, msg::kProdutoNaoSalvo) && prompt(*m_finals, msg::kProdutoFinalNaoSalvo)
        && prompt(*m_substances, msg::kSubstanciaNaoSalva)
        && (!m_obs || ListEngine::promptPending(*m_obs, msg::observacoesNaoSalvas(m_spec.letter), *m_dialogs));
}

} // namespace quirels::entry
