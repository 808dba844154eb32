#pragma once
// The main window: an MDI frame holding the child windows of the open company.

#include <QMainWindow>

class QMdiArea;

namespace quirels {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    QMdiArea *mdiArea() const { return m_mdi; }

private:
    QMdiArea *m_mdi;
};

} // namespace quirels
