#include "StatusPanel.h"

#include "KeyStates.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <optional>

namespace quirels {

namespace {

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace

StatusPanel::StatusPanel(QStatusBar *bar)
{
    bar->setObjectName(QStringLiteral("stbPrincipal"));
    bar->setSizeGripEnabled(false);
    m_messagePanel = new QLabel(bar);
    m_messagePanel->setObjectName(QStringLiteral("pnlMensagem"));
    bar->addWidget(m_messagePanel, 1);
    for (const char *name : {"CAPS", "NUM", "INS", "SCRL"}) {
        auto *l = new QLabel(s(name), bar);
        l->setObjectName(QStringLiteral("lbl") + s(name));
        l->setFixedWidth(40);
        l->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(l);
        m_indicators.insert(s(name), l);
    }
    auto *last = new QLabel(bar);
    last->setObjectName(QStringLiteral("pnlVazio"));
    last->setMinimumWidth(40);
    bar->addPermanentWidget(last);
    updateKeyStates();

    m_keyTimer = new QTimer(bar);
    m_keyTimer->setInterval(500);
    QObject::connect(m_keyTimer, &QTimer::timeout, bar, [this] { updateKeyStates(); });
    m_keyTimer->start();
}

QString StatusPanel::message() const { return m_messagePanel->text(); }

void StatusPanel::setMessage(const QString &text) { m_messagePanel->setText(text); }

void StatusPanel::toggleInsert()
{
    m_insertOn = !m_insertOn;
    updateKeyStates();
}

void StatusPanel::updateKeyStates()
{
    const LockStates locks = readLockStates();
    const std::pair<const char *, std::optional<bool>> states[] = {
        {"CAPS", locks.caps}, {"NUM", locks.num}, {"SCRL", locks.scroll}, {"INS", m_insertOn}};
    for (const auto &[name, on] : states) {
        QLabel *l = m_indicators.value(s(name));
        const QColor c = on.value_or(false) ? QColor(Qt::black) : QColor(128, 128, 128);
        QPalette p = l->palette();
        if (p.color(QPalette::WindowText) != c) {
            p.setColor(QPalette::WindowText, c);
            l->setPalette(p);
        }
    }
}

} // namespace quirels
