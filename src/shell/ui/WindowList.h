#pragma once
// The "Janela" menu's list of the open child windows: each time the menu
// opens, one item per window of the frame, numbered for the keyboard
// ("&1 Anexo XI-A - ..."), the active one checked. Choosing an item brings
// that window forward (restored when minimised) and gives it the keys.

#include <QObject>

class QMdiArea;
class QMenu;

namespace quirels {

class WindowList : public QObject {
    Q_OBJECT
public:
    WindowList(QMenu *menu, QMdiArea *area);

    // Rebuilds the items (run when the menu is about to show).
    void refresh();

private:
    QMenu *m_menu;
    QMdiArea *m_area;
};

} // namespace quirels
