#include "MainWindow.h"

#include <QMdiArea>

namespace quirels {

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), m_mdi(new QMdiArea(this))
{
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Quirels"));
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(m_mdi);
    resize(1024, 700);
}

} // namespace quirels
