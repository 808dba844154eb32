#pragma once
// The main window's status bar: the message panel where the long hints go,
// and the key indicators (CAPS, NUM, INS, SCRL) read twice a second.

#include <QHash>
#include <QString>

class QLabel;
class QStatusBar;
class QTimer;

namespace quirels {

class StatusPanel {
public:
    // Builds the panels in the bar and starts reading the keys.
    explicit StatusPanel(QStatusBar *bar);

    QString message() const;
    void setMessage(const QString &text);
    // Whether the hints are shown ("Mensagens de Ajuda").
    bool hintsShown() const { return m_hintsShown; }
    void setHintsShown(bool on) { m_hintsShown = on; }
    QLabel *indicator(const QString &name) const { return m_indicators.value(name); }
    // Insert toggles its indicator.
    void toggleInsert();

private:
    void updateKeyStates();

    QLabel *m_messagePanel = nullptr;
    QHash<QString, QLabel *> m_indicators;
    QTimer *m_keyTimer = nullptr;
    bool m_hintsShown = true;
    bool m_insertOn = false;
};

} // namespace quirels
