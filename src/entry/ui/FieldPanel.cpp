#include "FieldPanel.h"

#include "base/ui/Focus.h"
#include "base/Masks.h"
#include "base/Numbers.h"
#include "base/ui/MaskCaret.h"
#include "entry/Messages.h"
#include "shell/CpfCnpj.h"
#include "store/Messages.h"
#include "store/Schema.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QWidget>

namespace quirels::entry {

namespace {

const EditMask &cfopMask()
{
    static const EditMask m(QStringLiteral("9.999;1;_"));
    return m;
}

// Upper case as it is typed.
class UpperValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

QString picture(int decimals)
{
    return decimals > 0 ? QStringLiteral("0.") + QString(decimals, QLatin1Char('0')) : QStringLiteral("0");
}

bool isLineEdit(FieldKind k)
{
    switch (k) {
    case FieldKind::Text:
    case FieldKind::Number:
    case FieldKind::Integer:
    case FieldKind::Ncm:
    case FieldKind::Day:
    case FieldKind::CfopCode:
    case FieldKind::Counterpart:
        return true;
    default:
        return false;
    }
}

} // namespace

FieldPanel::FieldPanel(const ListSpec &spec, ListEngine &engine, const Lookups &lookups,
                       std::function<QPair<QString, QString>()> period, QWidget *parent)
    : QObject(parent), m_spec(spec), m_engine(engine), m_lookups(lookups), m_period(std::move(period))
{
    for (const FieldSpec &f : m_spec.fields) {
        QWidget *w = create(f, parent);
        w->setObjectName(f.control);
        m_controls.insert(f.control, w);
        m_specOf.insert(w, &f);
        w->installEventFilter(this);
        if (!f.label.isEmpty()) {
            auto *l = new QLabel(f.label, parent);
            l->setBuddy(w);
            m_labels.insert(f.control, l);
        }
        if (f.readOnly)
            w->setFocusPolicy(Qt::NoFocus);
        if (!f.hint.isEmpty()) {
            w->setToolTip(f.hint);
            w->setStatusTip(f.hint);
        }
    }
    QWidget *prev = nullptr;
    for (QWidget *w : tabOrder()) {
        if (prev)
            QWidget::setTabOrder(prev, w);
        prev = w;
    }
    connect(&m_engine.table(), &store::Cursor::currentChanged, this, &FieldPanel::load);
    // A dependent list whose master moved dropped its rows: the controls
    // show the rows of the new master at once (reading them), never those
    // of the previous one.
    connect(&m_engine.table(), &store::Cursor::resetDone, this, &FieldPanel::load);
    // A field set by the program (look-ups, kept invoice fields, balance) is
    // shown at once, so that leaving a control never writes a stale text.
    connect(&m_engine.table(), &store::Cursor::fieldChanged, this, [this](const QString &field) {
        if (!m_writing)
            showField(field);
    });
    connect(&m_engine.table(), &store::Cursor::stateChanged, this, [this] {
        if (!m_engine.table().isEditing())
            load();
    });
}

QWidget *FieldPanel::create(const FieldSpec &f, QWidget *parent)
{
    if (isLineEdit(f.kind)) {
        auto *e = new QLineEdit(parent);
        switch (f.kind) {
        case FieldKind::Ncm:
            e->setInputMask(EditMask::ncm().qtInputMask());
            keepCaretInMask(e, EditMask::ncm());
            break;
        case FieldKind::CfopCode:
            e->setInputMask(cfopMask().qtInputMask());
            keepCaretInMask(e, cfopMask());
            break;
        case FieldKind::Counterpart:
            // Digits only; room for the punctuation shown once it is left.
            e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,14}")), e));
            e->setMaxLength(18);
            break;
        case FieldKind::Integer:
            e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
            break;
        case FieldKind::Number:
            e->setAlignment(Qt::AlignRight);
            break;
        default:
            break;
        }
        // Every input takes at most its field's width.
        if (const int width = widthOf(f); width > 0 && e->inputMask().isEmpty() && f.kind != FieldKind::Counterpart)
            e->setMaxLength(width);
        e->setReadOnly(f.readOnly);
        connect(e, &QLineEdit::textEdited, this, [this, &f] { edited(f); });
        return e;
    }
    if (f.kind == FieldKind::Choice) {
        auto *box = new QWidget(parent);
        auto *lay = new QHBoxLayout(box);
        lay->setContentsMargins(0, 0, 0, 0);
        auto *group = new QButtonGroup(box);
        int id = 0;
        for (const auto &c : f.choices) {
            // Alt with N, S, C and E belongs to the list's commands; a choice
            // whose letter is one of them shows no mnemonic.
            QString caption = c.first;
            const qsizetype amp = caption.indexOf(QLatin1Char('&'));
            if (amp >= 0 && amp + 1 < caption.size()
                && QStringLiteral("NSCE").contains(caption.at(amp + 1).toUpper()))
                caption.remove(amp, 1);
            auto *r = new QRadioButton(caption, box);
            group->addButton(r, id++);
            lay->addWidget(r);
        }
        m_groups.insert(f.control, group);
        box->setFocusPolicy(Qt::StrongFocus);
        box->setFocusProxy(group->buttons().value(0));
        connect(group, &QButtonGroup::idClicked, this, [this, &f] { edited(f); });
        return box;
    }
    auto *c = new QComboBox(parent);
    switch (f.kind) {
    case FieldKind::Unit:
        c->addItems({QStringLiteral("Kg"), QStringLiteral("litro")});
        c->setMinimumContentsLength(6);
        break;
    case FieldKind::FixedList:
        for (const auto &e : f.choices)
            c->addItem(e.first, e.second);
        break;
    case FieldKind::CountryList:
        if (auto list = m_lookups.countries(); list.ok())
            for (const CountryEntry &e : *list)
                c->addItem(e.name, e.code);
        c->setMinimumContentsLength(20);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        break;
    case FieldKind::CfopList:
        if (auto list = m_lookups.cfops(); list.ok())
            for (const CfopEntry &e : *list)
                c->addItem(e.description, e.code);
        c->setMinimumContentsLength(20);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        break;
    case FieldKind::ProductName:
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->lineEdit()->setValidator(new UpperValidator(c));
        if (const int width = widthOf(f); width > 0)
            c->lineEdit()->setMaxLength(width);
        c->setMinimumContentsLength(24);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setCompleter(nullptr);
        connect(c->lineEdit(), &QLineEdit::textEdited, this, [this, &f] { edited(f); });
        break;
    default:
        break;
    }
    c->setCurrentIndex(-1);
    // An editable list also reports the entry its text names when the focus
    // leaves it; only a choice that differs from the row's value is a change.
    connect(c, &QComboBox::activated, this, [this, &f] {
        const QVariant v = m_engine.table().value(f.field);
        const QString stored = v.isValid() && !v.isNull() ? v.toString() : QString();
        if (shownText(f) != stored)
            edited(f);
    });
    return c;
}

int FieldPanel::widthOf(const FieldSpec &f) const
{
    return f.maxLength > 0 ? f.maxLength : schema::textWidth(m_spec.table, f.field);
}

void FieldPanel::layOut(QGridLayout *grid)
{
    QHash<QString, int> spans;
    for (const auto &s : m_spec.spans)
        spans.insert(s.first, s.second);
    layOut(grid, m_spec.perRow, spans);
}

void FieldPanel::layOut(QGridLayout *grid, int perRow, const QHash<QString, int> &spans)
{
    int col = 0;
    int row = 0;
    for (const FieldSpec &f : m_spec.fields) {
        const int span = spans.value(f.control, 1);
        if (col + span > perRow) {
            col = 0;
            row += 2;
        }
        if (QLabel *l = m_labels.value(f.control))
            grid->addWidget(l, row, col, 1, span);
        grid->addWidget(m_controls.value(f.control), row + 1, col, 1, span);
        col += span;
    }
}

QList<QWidget *> FieldPanel::tabOrder() const
{
    QList<QWidget *> out;
    for (const FieldSpec &f : m_spec.fields)
        if (!f.readOnly)
            out.append(m_controls.value(f.control));
    return out;
}

QWidget *FieldPanel::controlOfField(const QString &field) const
{
    for (const FieldSpec &f : m_spec.fields)
        if (!f.readOnly && f.field.compare(field, Qt::CaseInsensitive) == 0)
            return m_controls.value(f.control);
    return nullptr;
}

QString FieldPanel::cfopDescription(const QString &code) const
{
    if (!hasDigit(code))
        return QString();
    auto d = m_lookups.cfopDescription(code);
    return d.ok() && d->has_value() ? **d : QString();
}

void FieldPanel::show(const FieldSpec &f)
{
    if (&f == m_typing)
        return;
    QWidget *w = m_controls.value(f.control);
    const QVariant v = m_engine.table().value(f.field);
    const QString text = v.isValid() && !v.isNull() ? v.toString() : QString();
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        QString shown = text;
        switch (f.kind) {
        case FieldKind::Number:
            shown = v.isValid() && !v.isNull() ? numbers::format(v.toDouble(), picture(f.decimals)) : QString();
            break;
        case FieldKind::Ncm:
            shown = EditMask::ncm().display(text);
            break;
        case FieldKind::CfopCode:
            shown = cfopMask().display(text);
            break;
        case FieldKind::Counterpart:
            shown = e->hasFocus() && m_leftInPlace != &f
                        ? text
                        : cpfcnpj::formatted(text, cpfcnpj::rowChangeMask(text) == cpfcnpj::MaskKind::Keep
                                                                 ? cpfcnpj::MaskKind::None
                                                                 : cpfcnpj::rowChangeMask(text));
            break;
        default:
            break;
        }
        if (e->text() != shown)
            e->setText(shown);
        e->setCursorPosition(0);
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        if (f.kind == FieldKind::ProductName) {
            c->setEditText(text);
        } else if (f.kind == FieldKind::CfopList) {
            c->setCurrentIndex(c->findData(text));
        } else if (f.kind == FieldKind::FixedList || f.kind == FieldKind::CountryList) {
            c->setCurrentIndex(c->findData(text));
        } else {
            c->setCurrentIndex(c->findText(text));
        }
    } else if (QButtonGroup *g = m_groups.value(f.control)) {
        g->setExclusive(false);
        for (QAbstractButton *b : g->buttons())
            b->setChecked(false);
        g->setExclusive(true);
        for (int i = 0; i < f.choices.size(); ++i)
            if (f.choices.at(i).second == text)
                g->button(i)->setChecked(true);
    }
}

void FieldPanel::load()
{
    m_loading = true;
    for (const FieldSpec &f : m_spec.fields)
        show(f);
    m_loading = false;
    // What the controls show now is the row's.
    if (!m_typing)
        m_changed = false;
    // The editing-state refresh runs after a move as well; it changes
    // nothing unless a row is pending.
    m_engine.refresh();
}

void FieldPanel::showField(const QString &field)
{
    m_loading = true;
    for (const FieldSpec &f : m_spec.fields)
        if (f.field.compare(field, Qt::CaseInsensitive) == 0)
            show(f);
    m_loading = false;
}

QString FieldPanel::shownText(const FieldSpec &f) const
{
    QWidget *w = m_controls.value(f.control);
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        // With a mask, the shown text keeps every position in place.
        if (f.kind == FieldKind::Ncm)
            return EditMask::ncm().store(e->displayText());
        if (f.kind == FieldKind::CfopCode)
            return cfopMask().store(e->displayText());
        if (f.kind == FieldKind::Counterpart)
            return e->text().remove(QRegularExpression(QStringLiteral("[^0-9]")));
        return e->text();
    }
    if (auto *c = qobject_cast<QComboBox *>(w)) {
        if (f.kind == FieldKind::CfopList || f.kind == FieldKind::FixedList || f.kind == FieldKind::CountryList)
            return c->currentIndex() < 0 ? QString() : c->currentData().toString();
        return c->currentText();
    }
    if (QButtonGroup *g = m_groups.value(f.control)) {
        const int id = g->checkedId();
        return id < 0 ? QString() : f.choices.value(id).second;
    }
    return QString();
}

void FieldPanel::setField(const QString &field, const QVariant &value)
{
    const QScopedValueRollback<bool> writing(m_writing, true);
    store::Cursor &t = m_engine.table();
    if (!t.isEditing()) {
        const bool started = t.count() == 0 ? t.insert() : t.edit();
        if (!started)
            return;
    }
    t.setValue(field, value);
}

bool FieldPanel::startEditing(const FieldSpec &f)
{
    store::Cursor &t = m_engine.table();
    if (t.isEditing())
        return true;
    // A new row shows itself in every control; the one being typed into
    // keeps its key.
    const QScopedValueRollback<const FieldSpec *> typing(m_typing, &f);
    return t.count() == 0 ? t.insert() : t.edit();
}

bool FieldPanel::write(const FieldSpec &f)
{
    store::Cursor &t = m_engine.table();
    const QString text = shownText(f);
    const QVariant old = t.value(f.field);
    const QString oldText = old.isValid() && !old.isNull() ? old.toString() : QString();
    if (f.kind == FieldKind::Number || f.kind == FieldKind::Integer) {
        if (isBlank(text)) {
            if (!oldText.isEmpty())
                setField(f.field, QVariant());
            return true;
        }
        const std::optional<double> d = numbers::parse(text);
        if (!d)
            return false;
        if (old.isValid() && !old.isNull() && old.toDouble() == *d)
            return true;
        setField(f.field, f.kind == FieldKind::Integer ? QVariant(qRound64(*d)) : QVariant(*d));
        return t.value(f.field).isValid() && t.value(f.field).toDouble() == *d;
    }
    if (text == oldText)
        return true;
    setField(f.field, text.isEmpty() ? QVariant() : QVariant(text));
    return true;
}

void FieldPanel::edited(const FieldSpec &f)
{
    if (m_loading)
        return;
    const bool number = f.kind == FieldKind::Number || f.kind == FieldKind::Integer;
    if (!number && !m_engine.table().isEditing()) {
        // A drop-down that settles on the text it already showed (an
        // editable one picks the matching entry when the focus leaves it)
        // changes nothing: the row is not put into editing for it.
        const QVariant stored = m_engine.table().value(f.field);
        if (shownText(f) == (stored.isValid() && !stored.isNull() ? stored.toString() : QString()))
            return;
    }
    m_changed = true;
    if (number) {
        // Numbers are taken when the field is left (the range rule speaks
        // then, not at every key); the row starts changing now.
        startEditing(f);
    } else {
        startEditing(f);
        write(f);
        if (f.kind == FieldKind::CfopCode) {
            // The code and the drop-down are two views of one field.
            if (auto *c = qobject_cast<QComboBox *>(m_controls.value(QStringLiteral("cmbCFOP")))) {
                m_loading = true;
                c->setCurrentIndex(c->findData(shownText(f)));
                m_loading = false;
            }
        } else if (f.kind == FieldKind::CfopList) {
            showField(f.field);
        }
    }
    if (f.refreshes)
        m_engine.refresh();
}

bool FieldPanel::leaveField()
{
    if (!m_inside || m_leaving)
        return true;
    const FieldSpec &f = *m_inside;
    QWidget *w = m_controls.value(f.control);
    m_leaving = true;
    const bool passed = leave(f, false);
    m_leaving = false;
    if (!passed)
        return false;
    m_changed = false;
    // Still in the field (a key of a command): it stays entered, and shows
    // what the step made of it as if it had been left.
    if (!w || !(w->hasFocus() || w->isAncestorOf(QApplication::focusWidget()))) {
        m_inside = nullptr;
    } else {
        m_leftInPlace = &f;
        showField(f.field);
    }
    emit left(f.control);
    return true;
}

void FieldPanel::setEnabled(bool enabled)
{
    for (QWidget *w : std::as_const(m_controls))
        w->setEnabled(enabled);
    for (QLabel *l : std::as_const(m_labels))
        l->setEnabled(enabled);
}

void FieldPanel::backTo(const FieldSpec &f) { m_engine.dialogs().focus(f.control); }

bool FieldPanel::leave(const FieldSpec &f, bool tabbed)
{
    Dialogs &dialogs = m_engine.dialogs();
    store::Cursor &t = m_engine.table();
    const QString text = shownText(f);
    // Nothing typed: nothing to check or ask, and the field shows its value
    // in its own form again. Tabbing through an NCM code asks about a code
    // that is not in the list even so, once for the record.
    const bool askedBefore = m_askedNcm.field == &f && m_askedNcm.row == t.row() && m_askedNcm.text == text;
    if (!m_changed && !(tabbed && f.kind == FieldKind::Ncm && !askedBefore)) {
        showField(f.field);
        return true;
    }
    switch (f.kind) {
    case FieldKind::Number:
    case FieldKind::Integer: {
        if (isBlank(text))
            return write(f);
        const std::optional<double> d = numbers::parse(text);
        if (!d) {
            dialogs.error(store::msg::kNaoNumerico.arg(text.trimmed(), f.field));
            backTo(f);
            return false;
        }
        const QString sign = signMessage(f.sign, *d);
        if (!sign.isEmpty()) {
            dialogs.information(sign);
            if (auto *e = qobject_cast<QLineEdit *>(m_controls.value(f.control)))
                e->clear();
            setField(f.field, QVariant());
            backTo(f);
            return false;
        }
        if (!write(f)) {
            // Refused by the field's range: it keeps its previous value.
            showField(f.field);
            backTo(f);
            return false;
        }
        showField(f.field);
        return true;
    }
    case FieldKind::Ncm: {
        write(f);
        if (!hasDigit(text))
            return true;
        auto name = m_lookups.nameForNcm(text);
        if (name.ok() && name->has_value()) {
            if (t.isEditing()) {
                t.setValue(QStringLiteral("NmProduto"), **name);
                showField(QStringLiteral("NmProduto"));
            }
            return true;
        }
        m_askedNcm = {&f, t.row(), text};
        if (!dialogs.confirm(msg::kNcmInexistente)) {
            backTo(f);
            return false;
        }
        return true;
    }
    case FieldKind::ProductName: {
        write(f);
        if (isBlank(text))
            return true;
        auto ncm = m_lookups.ncmForName(text);
        if (ncm.ok() && ncm->has_value()) {
            if (t.isEditing()) {
                t.setValue(QStringLiteral("CdNCM"), **ncm);
                showField(QStringLiteral("CdNCM"));
            }
            return true;
        }
        if (!dialogs.confirm(msg::kNomeInexistente)) {
            backTo(f);
            return false;
        }
        return true;
    }
    case FieldKind::Day: {
        write(f);
        if (isBlank(text))
            return true;
        const auto [month, year] = m_period();
        if (!isValidDay(text, month, year)) {
            dialogs.error(msg::kDiaInvalido);
            backTo(f);
            return false;
        }
        return true;
    }
    case FieldKind::Counterpart: {
        write(f);
        const cpfcnpj::Check c = cpfcnpj::checkCounterpart(text);
        auto *e = qobject_cast<QLineEdit *>(m_controls.value(f.control));
        if (!c.ok()) {
            dialogs.error(c.message);
            if (e)
                e->setText(text);
            backTo(f);
            return false;
        }
        if (e && c.mask != cpfcnpj::MaskKind::Keep && c.mask != cpfcnpj::MaskKind::None)
            e->setText(cpfcnpj::formatted(text, c.mask));
        return true;
    }
    case FieldKind::CfopCode: {
        write(f);
        if (hasDigit(text) && cfopDescription(text).isEmpty()) {
            dialogs.information(msg::kCfopInvalido);
            if (auto *e = qobject_cast<QLineEdit *>(m_controls.value(f.control)))
                e->clear();
            setField(f.field, QVariant());
            showField(f.field);
            backTo(f);
            return false;
        }
        return true;
    }
    default:
        write(f);
        return true;
    }
}

bool FieldPanel::eventFilter(QObject *watched, QEvent *event)
{
    const FieldSpec *f = m_specOf.value(watched);
    if (!f)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // The record keys (Ctrl, or Ctrl+Shift for a master list, with Home,
        // End, PgUp, PgDown) move through the records from inside a field
        // too; the field does not keep them for its own caret.
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        const bool ctrl = mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier);
        if (ctrl && (key->key() == Qt::Key_Home || key->key() == Qt::Key_End || key->key() == Qt::Key_PageUp
                     || key->key() == Qt::Key_PageDown)) {
            event->ignore();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress && f == m_leftInPlace) {
        // Typing into it again: the bare digits are edited.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->text().isEmpty() || key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete) {
            m_leftInPlace = nullptr;
            if (auto *e = qobject_cast<QLineEdit *>(watched); e && f->kind == FieldKind::Counterpart) {
                const QString digits = shownText(*f);
                if (e->text() != digits)
                    e->setText(digits);
            }
        }
    } else if (event->type() == QEvent::FocusIn) {
        m_leftInPlace = nullptr;
        if (m_inside != f && !f->readOnly) {
            m_inside = f;
            m_changed = false;
        }
        if (f->kind == FieldKind::Counterpart) {
            // The bare digits are edited.
            if (auto *e = qobject_cast<QLineEdit *>(watched)) {
                const QString digits = shownText(*f);
                if (e->text() != digits)
                    e->setText(digits);
            }
        } else if (f->kind == FieldKind::ProductName) {
            auto *c = qobject_cast<QComboBox *>(watched);
            auto names = m_lookups.productNames();
            if (c && names.ok()) {
                const QString typed = c->currentText();
                m_loading = true;
                c->clear();
                c->addItems(*names);
                c->setCurrentIndex(-1);
                c->setEditText(typed);
                m_loading = false;
            }
        }
    } else if (event->type() == QEvent::FocusOut && !m_leaving && !f->readOnly) {
        const auto *focusOut = static_cast<QFocusEvent *>(event);
        if (leavesTheField(focusOut, qobject_cast<QWidget *>(watched))) {
            const bool tabbed = focusOut->reason() == Qt::TabFocusReason || focusOut->reason() == Qt::BacktabFocusReason;
            m_leaving = true;
            const bool passed = leave(*f, tabbed);
            m_leaving = false;
            if (passed) {
                if (m_inside == f) {
                    m_inside = nullptr;
                    m_changed = false;
                }
                emit left(f->control);
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quirels::entry
