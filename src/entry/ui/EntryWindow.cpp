#include "EntryWindow.h"

#include "base/ui/EnterKey.h"
#include "base/ui/Focus.h"
#include "entry/Messages.h"
#include "entry/ui/FieldPanel.h"
#include "shell/CpfCnpj.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextDocument>

#include <algorithm>

namespace quirels::entry {

EntryWindow::EntryWindow(const AnnexSpec &spec, store::DataModule &data, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_spec(spec), m_data(data), m_dialogs(std::make_unique<FocusDialogs>(dialogs, this)),
      m_lookups(data.database()), m_obs(&data.obsAnexo(spec.letter))
{
    setObjectName(spec.className);
    setWindowTitle(spec.caption);
    enterMovesToNextField(this);
}

EntryWindow::~EntryWindow() = default;

store::Cursor &EntryWindow::cursor(const QString &table) { return m_data.table(table); }

QPair<QString, QString> EntryWindow::period() const
{
    const store::Cursor &mes = m_data.mes();
    return {mes.value(QStringLiteral("NmMes")).toString(), mes.value(QStringLiteral("NrAno")).toString()};
}

QWidget *EntryWindow::buildHeader()
{
    auto *box = new QWidget(this);
    box->setObjectName(QStringLiteral("pnlCabecalho"));
    auto *lay = new QGridLayout(box);
    lay->setContentsMargins(0, 0, 0, 0);
    // The screen's full caption, wrapped: the title bar cuts a long one
    // short on a small screen.
    auto *caption = new QLabel(m_spec.caption, box);
    caption->setObjectName(QStringLiteral("lblTitulo"));
    caption->setWordWrap(true);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    lay->addWidget(caption, 0, 0, 1, 4);
    auto field = [&](const QString &label, const QString &name, int col, int stretch,
                     const QString &widest = QString()) {
        auto *e = new QLineEdit(box);
        e->setObjectName(name);
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        // At the window's smallest size a value still shows whole.
        if (!widest.isEmpty())
            e->setMinimumWidth(e->fontMetrics().horizontalAdvance(widest) + 16);
        lay->addWidget(new QLabel(label, box), 1, col);
        lay->addWidget(e, 2, col);
        lay->setColumnStretch(col, stretch);
        return e;
    };
    m_razao = field(QStringLiteral("Razão Social"), QStringLiteral("edtNmRazao"), 0, 6);
    m_cnpj = field(QStringLiteral("CNPJ"), QStringLiteral("edtCdCNPJEmpr"), 1, 2, QStringLiteral("00.000.000/0000-00"));
    m_mes = field(QStringLiteral("Mês"), QStringLiteral("edtNmMes"), 2, 1, QStringLiteral("MMM"));
    m_ano = field(QStringLiteral("Ano"), QStringLiteral("edtNrAno"), 3, 1, QStringLiteral("0000"));
    loadHeader();
    return box;
}

void EntryWindow::loadHeader()
{
    const store::Cursor &empresa = m_data.empresa();
    if (m_razao) {
        m_razao->setText(empresa.value(QStringLiteral("NmRazao")).toString());
        const QString key = empresa.value(QStringLiteral("CdCNPJEmpr")).toString().trimmed();
        m_cnpj->setText(cpfcnpj::formatted(key, cpfcnpj::keyDisplayMask(key)));
    }
    const auto [mes, ano] = period();
    if (m_mes) {
        m_mes->setText(mes);
        m_ano->setText(ano);
    }
}

QPlainTextEdit *EntryWindow::buildMemo(ListEngine &engine)
{
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(m_spec.observationControl());
    m_memo->setToolTip(msg::kHintObservacoes);
    m_memo->setStatusTip(msg::kHintObservacoes);
    m_memo->setTabChangesFocus(true);
    // Three lines at least, however small the window.
    m_memo->setMinimumHeight(m_memo->fontMetrics().lineSpacing() * 3 + 2 * m_memo->frameWidth()
                             + 2 * static_cast<int>(m_memo->document()->documentMargin()));
    connect(m_memo, &QPlainTextEdit::textChanged, this, [this, &engine] {
        if (m_memoLoading || !m_obs || m_obs->count() == 0)
            return;
        if (!m_obs->isEditing() && !m_obs->edit())
            return;
        m_obs->setValue(QStringLiteral("Observacao"), m_memo->toPlainText());
        engine.observationChanged();
    });
    if (m_obs) {
        connect(m_obs, &store::Cursor::currentChanged, this, &EntryWindow::loadMemo);
        // The letter's row may appear later (the main window creates it when
        // the period opens) or change with a bulk operation.
        connect(m_obs, &store::Cursor::resetDone, this, &EntryWindow::loadMemo);
        connect(m_obs, &store::Cursor::stateChanged, this, [this] {
            if (!m_obs->isEditing())
                loadMemo();
        });
    }
    loadMemo();
    return m_memo;
}

void EntryWindow::loadMemo()
{
    if (!m_memo)
        return;
    m_memoLoading = true;
    const bool hasRow = m_obs && m_obs->isOpen() && m_obs->count() > 0;
    const QString text = hasRow ? m_obs->value(QStringLiteral("Observacao")).toString() : QString();
    if (m_memo->toPlainText() != text)
        m_memo->setPlainText(text);
    // Without the letter's row there is nowhere to keep the text.
    m_memo->setReadOnly(!hasRow);
    m_memoLoading = false;
}

bool EntryWindow::leaveField()
{
    const QList<FieldPanel *> panels = findChildren<FieldPanel *>();
    return std::all_of(panels.cbegin(), panels.cend(), [](FieldPanel *p) { return p->leaveField(); });
}

FieldPanel *EntryWindow::panelOf(const QString &table) const
{
    const QList<FieldPanel *> panels = findChildren<FieldPanel *>();
    for (FieldPanel *p : panels)
        if (p->spec().table.compare(table, Qt::CaseInsensitive) == 0)
            return p;
    return nullptr;
}

QWidget *EntryWindow::placeControl(const QString &table, const QString &)
{
    if (table.compare(QStringLiteral("Observacoes"), Qt::CaseInsensitive) == 0)
        return m_memo;
    return nullptr;
}

bool EntryWindow::moveToRecord(const QString &table, int record)
{
    const schema::Table *t = schema::table(table);
    const schema::Field *counter = t ? t->autoIncrement() : nullptr;
    FieldPanel *panel = panelOf(table);
    if (!counter || !panel)
        return true;
    store::Cursor &c = panel->engine().table();
    if (c.row() >= 0 && c.value(counter->qname()).toInt() == record)
        return true;
    // A row of a dependent list shows under its master's row: that one
    // becomes current first.
    const schema::Table *parent = t->parent ? schema::table(QString::fromLatin1(t->parent)) : nullptr;
    const schema::Field *parentCounter = parent ? parent->autoIncrement() : nullptr;
    if (parentCounter && panelOf(parent->qname())) {
        QSqlQuery q(m_data.database());
        q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                      .arg(sql::id(parentCounter->qname()), sql::id(t->qname()), sql::id(counter->qname())));
        q.addBindValue(record);
        if (q.exec() && q.next() && !moveToRecord(parent->qname(), q.value(0).toInt()))
            return false;
    }
    // Leaving a pending row saves it, as the navigator does.
    if (!panel->engine().settle())
        return false;
    c.locate({{counter->qname(), record}});
    return !c.isEditing();
}

bool EntryWindow::goToRecord(const RecordPlace &place)
{
    if (!leaveField())
        return false;
    const QString table = place.table.isEmpty() ? m_spec.main.table : place.table;
    QWidget *target = nullptr;
    if (FieldPanel *panel = panelOf(table)) {
        if (place.record > 0 && !moveToRecord(table, place.record))
            return false;
        target = place.field.isEmpty() ? nullptr : panel->controlOfField(place.field);
        if (!target)
            target = panel->control(panel->spec().firstFocus);
        if (!target)
            target = panel->tabOrder().value(0);
    } else {
        target = placeControl(table, place.field);
    }
    if (!target)
        return false;
    // The page that holds the control is shown.
    for (QWidget *w = target; w && w != this; w = w->parentWidget()) {
        auto *stack = qobject_cast<QStackedWidget *>(w->parentWidget());
        if (auto *pages = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr)
            pages->setCurrentWidget(w);
    }
    recordShown();
    // Not as Tab: the field the page put the focus in is not tabbed through.
    target->setFocus(Qt::OtherFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(target); edit && edit->inputMask().isEmpty())
        edit->selectAll();
    return true;
}

bool EntryWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && isWindow())
        activated();
    return QWidget::event(event);
}

void EntryWindow::closeEvent(QCloseEvent *event)
{
    if (!closePrompts()) {
        event->ignore();
        return;
    }
    event->accept();
    // The fields go with the window: none of them is "left" on the way out.
    markClosing(this, true);
    emit closed();
}

void EntryWindow::showEvent(QShowEvent *event)
{
    markClosing(this, false);
    QWidget::showEvent(event);
}

} // namespace quirels::entry
