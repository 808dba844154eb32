#include "ListBar.h"

#include "base/Numbers.h"
#include "entry/FindRecord.h"
#include "entry/Messages.h"
#include "shell/CpfCnpj.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QFrame>
#include <QScopedValueRollback>
#include <QHeaderView>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTableView>
#include <QToolButton>

namespace quirels::entry {

CursorGridModel::CursorGridModel(store::Cursor &cursor, QList<GridColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), m_cursor(cursor), m_columns(std::move(columns))
{
    connect(&m_cursor, &store::Cursor::aboutToReset, this, [this] { beginResetModel(); });
    connect(&m_cursor, &store::Cursor::resetDone, this, [this] { endResetModel(); });
    connect(&m_cursor, &store::Cursor::rowAboutToBeInserted, this, [this](int r) { beginInsertRows({}, r, r); });
    connect(&m_cursor, &store::Cursor::rowInserted, this, [this] { endInsertRows(); });
    connect(&m_cursor, &store::Cursor::rowAboutToBeRemoved, this, [this](int r) { beginRemoveRows({}, r, r); });
    connect(&m_cursor, &store::Cursor::rowRemoved, this, [this] { endRemoveRows(); });
    connect(&m_cursor, &store::Cursor::rowChanged, this, [this](int r) {
        emit dataChanged(index(r, 0), index(r, columnCount() - 1));
    });
}

int CursorGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_cursor.isOpen() ? 0 : m_cursor.count();
}

int CursorGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CursorGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const GridColumn &c = m_columns.at(index.column());
    const schema::Field *f = m_cursor.table().field(c.field);
    if (role == Qt::TextAlignmentRole && f && f->isNumeric())
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const QVariant v = m_cursor.valueAt(index.row(), c.field);
    if (!v.isValid() || v.isNull())
        return QString();
    if (f && f->type == schema::Type::Float)
        return numbers::format(v.toDouble(), QString::fromLatin1(f->display));
    const QString text = v.toString();
    const cpfcnpj::MaskKind mask = cpfcnpj::rowChangeMask(text);
    if (f && QString::fromLatin1(f->name).startsWith(QLatin1String("Cd")) && f->width == 14
        && mask != cpfcnpj::MaskKind::Keep)
        return cpfcnpj::formatted(text, mask);
    return text;
}

QVariant CursorGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 && section < columnCount())
        return m_columns.at(section).title;
    return QAbstractTableModel::headerData(section, orientation, role);
}

ListBar::ListBar(ListEngine &engine, const QString &suffix, Qt::KeyboardModifiers modifiers, QWidget *scope,
                 QWidget *parent)
    : QWidget(parent), m_engine(engine)
{
    auto *lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    auto button = [&](const QString &caption, const QString &name, Qt::Key key) {
        // Under Alt alone the letter is shown underlined in the caption. The
        // key itself is an explicit shortcut of `scope` in every case, not
        // the caption's mnemonic: several lists share the captions, and the
        // shortcut works the same on every platform.
        QString text = caption;
        if (modifiers == Qt::AltModifier)
            text.insert(caption.indexOf(QChar(key), 0, Qt::CaseInsensitive), QLatin1Char('&'));
        auto *b = new QPushButton(text, this);
        b->setShortcut(QKeySequence());
        b->setObjectName(name + suffix);
        b->setAutoDefault(false);
        lay->addWidget(b);
        return b;
    };
    m_novo = button(QStringLiteral("Novo"), QStringLiteral("btnNovo"), Qt::Key_N);
    m_salvar = button(QStringLiteral("Salvar"), QStringLiteral("btnSalvar"), Qt::Key_S);
    m_cancelar = button(QStringLiteral("Cancelar"), QStringLiteral("btnCancelar"), Qt::Key_C);
    m_excluir = button(QStringLiteral("Excluir"), QStringLiteral("btnExcluir"), Qt::Key_E);
    lay->addSpacing(12);
    if (modifiers != Qt::NoModifier && scope)
        addKeys(modifiers, scope);

    const QStyle::StandardPixmap icons[4] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
                                             QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward};
    const QString hints[4] = {msg::kHintPrimeiro, msg::kHintAnterior, msg::kHintProximo, msg::kHintUltimo};
    const char *names[4] = {"btnPrimeiro", "btnAnterior", "btnProximo", "btnUltimo"};
    for (int i = 0; i < 4; ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(names[i]) + suffix);
        b->setIcon(style()->standardIcon(icons[i]));
        b->setToolTip(hints[i]);
        b->setStatusTip(hints[i]);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, i] { move(i); });
        lay->addWidget(b);
        m_nav[i] = b;
    }
    if (!engine.spec().grid.isEmpty()) {
        m_toggle = new QToolButton(this);
        m_toggle->setObjectName(QStringLiteral("btnGrade") + suffix);
        m_toggle->setCheckable(true);
        m_toggle->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
        m_toggle->setToolTip(msg::kHintGrade);
        m_toggle->setStatusTip(msg::kHintGrade);
        m_toggle->setFocusPolicy(Qt::NoFocus);
        lay->addWidget(m_toggle);

        m_grid = new QTableView;
        m_grid->setObjectName(QStringLiteral("grd") + engine.spec().table + suffix);
        m_grid->setModel(new CursorGridModel(engine.table(), engine.spec().grid, m_grid));
        m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_grid->setTabKeyNavigation(false);
        m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
        m_grid->verticalHeader()->setDefaultSectionSize(20);
        m_grid->setToolTip(engine.spec().gridHint);
        // The grid takes the focus (a click, Tab, Ctrl+G): the arrows move
        // the record as the navigator does.
        m_grid->setFocusPolicy(Qt::StrongFocus);
        m_grid->hide();
        connect(m_toggle, &QToolButton::toggled, m_grid, [this](bool on) {
            m_grid->setVisible(on);
            if (on)
                m_grid->resizeColumnsToContents();
        });
        connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex &now) {
                    if (m_following || !now.isValid() || now.row() == m_engine.table().row())
                        return;
                    if (!moveToRow(now.row())) {
                        // Refused: the grid shows the record that stayed.
                        const QScopedValueRollback<bool> following(m_following, true);
                        if (m_engine.table().row() >= 0)
                            m_grid->selectRow(m_engine.table().row());
                    }
                });
        connect(&engine.table(), &store::Cursor::currentChanged, m_grid, [this] {
            const int r = m_engine.table().row();
            const QScopedValueRollback<bool> following(m_following, true);
            if (r >= 0)
                m_grid->selectRow(r);
        });
    }
    lay->addStretch(1);

    connect(m_novo, &QPushButton::clicked, this, [this] {
        if (before())
            m_engine.novo();
    });
    connect(m_salvar, &QPushButton::clicked, this, [this] {
        if (before())
            m_engine.salvar();
    });
    connect(m_cancelar, &QPushButton::clicked, this, [this] { m_engine.cancelar(); });
    connect(m_excluir, &QPushButton::clicked, this, [this] { m_engine.excluir(); });
    connect(&engine, &ListEngine::buttonsChanged, this, &ListBar::applyState);
    applyState(engine.buttons());
}

void ListBar::move(int which)
{
    // Moving away saves a pending row as Salvar does, its checks first.
    if (!before() || !m_engine.settle())
        return;
    store::Cursor &c = m_engine.table();
    bool ok = false;
    switch (which) {
    case 0: ok = c.first(); break;
    case 1: ok = c.prior(); break;
    case 2: ok = c.next(); break;
    default: ok = c.last(); break;
    }
    if (ok)
        emit moved();
}

void ListBar::addKeys(Qt::KeyboardModifiers modifiers, QWidget *scope)
{
    const std::pair<QPushButton *, Qt::Key> commands[] = {
        {m_novo, Qt::Key_N}, {m_salvar, Qt::Key_S}, {m_cancelar, Qt::Key_C}, {m_excluir, Qt::Key_E}};
    for (const auto &[b, key] : commands) {
        // Explicit shortcuts rather than mnemonics: several lists share
        // the captions, and every platform honours these.
        const QKeySequence keys(QKeyCombination(modifiers, key));
        auto *s = new QShortcut(keys, scope);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, b, [b = b] {
            if (b->isEnabled() && b->isVisible())
                b->click();
        });
        const QString shown = keys.toString(QKeySequence::NativeText);
        b->setToolTip(b->toolTip().isEmpty() ? shown : b->toolTip() + QStringLiteral(", ") + shown);
    }
}

bool ListBar::moveToRow(int row)
{
    store::Cursor &c = m_engine.table();
    if (row == c.row())
        return true;
    if (!before() || !m_engine.settle() || !c.moveTo(row))
        return false;
    emit moved();
    return true;
}

QLineEdit *ListBar::finder() const { return m_findBox && m_findBox->isVisible() ? m_findEdit : nullptr; }

void ListBar::addFinder(QWidget *scope)
{
    if (findFields(m_engine.spec()).isEmpty() || m_findBox)
        return;
    m_findBox = new QFrame(this, Qt::Popup);
    m_findBox->setObjectName(QStringLiteral("pnlLocalizar") + objectName());
    m_findBox->setFrameShape(QFrame::StyledPanel);
    auto *lay = new QHBoxLayout(m_findBox);
    auto *label = new QLabel(msg::kLocalizar, m_findBox);
    m_findEdit = new QLineEdit(m_findBox);
    m_findEdit->setObjectName(QStringLiteral("edtLocalizar"));
    m_findEdit->setToolTip(msg::kHintLocalizar);
    m_findEdit->setStatusTip(msg::kHintLocalizar);
    m_findEdit->setMinimumWidth(m_findEdit->fontMetrics().horizontalAdvance(QString(24, QLatin1Char('M'))));
    label->setBuddy(m_findEdit);
    m_findStatus = new QLabel(m_findBox);
    m_findStatus->setObjectName(QStringLiteral("lblLocalizar"));
    lay->addWidget(label);
    lay->addWidget(m_findEdit, 1);
    lay->addWidget(m_findStatus);
    // The box is a window of its own: Enter is not turned into Tab there as
    // in the fields, and goes on to the next match; Esc closes the box.
    connect(m_findEdit, &QLineEdit::returnPressed, this, [this] { find(true); });
    connect(m_findEdit, &QLineEdit::textEdited, this, [this] { find(false); });

    auto *key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), scope);
    key->setContext(Qt::WidgetWithChildrenShortcut);
    connect(key, &QShortcut::activated, this, [this] {
        // The field being typed into is left first, as for every command.
        if (!before())
            return;
        m_findStatus->clear();
        m_findEdit->selectAll();
        const QPoint at = mapToGlobal(QPoint(0, 0));
        m_findBox->adjustSize();
        m_findBox->move(at.x(), at.y() - m_findBox->height());
        m_findBox->show();
        // Closing it (Esc, a click elsewhere) gives the focus back to the
        // field the clerk was in, which is not left by it.
        m_findEdit->setFocus(Qt::ShortcutFocusReason);
    });
}

void ListBar::find(bool next)
{
    store::Cursor &c = m_engine.table();
    const int from = c.row() < 0 ? 0 : next ? c.row() + 1 : c.row();
    const int row = findRecord(c, m_engine.spec(), m_findEdit->text(), c.count() ? from % c.count() : 0);
    if (row < 0) {
        m_findStatus->setText(m_findEdit->text().trimmed().isEmpty() ? QString() : msg::kNadaLocalizado);
        return;
    }
    m_findStatus->clear();
    moveToRow(row);
}

void ListBar::applyState(ButtonState state)
{
    QPushButton *focused = nullptr;
    for (QPushButton *b : {m_novo, m_salvar, m_cancelar, m_excluir})
        if (b->hasFocus())
            focused = b;
    m_novo->setEnabled(state == ButtonState::Browse);
    m_excluir->setEnabled(state == ButtonState::Browse);
    m_cancelar->setEnabled(state == ButtonState::Editing);
    m_salvar->setEnabled(state == ButtonState::Editing);
    // A pressed button that is now disabled hands the focus to the list's
    // next command (Novo after Salvar), not to whatever follows it.
    if (focused && !focused->isEnabled()) {
        if (m_novo->isEnabled())
            m_novo->setFocus(Qt::OtherFocusReason);
        else if (m_salvar->isEnabled())
            m_salvar->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace quirels::entry
