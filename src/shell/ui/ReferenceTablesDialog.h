#pragma once
// "Atualizar Tabelas de Referência": the clerk picks the folder of the new
// official tables (CSV files in the installed data's format); the window
// says which tables it holds, replaces them in the store and shows what
// changed. The work is store::reference::updateFromFolder, as in
// "quirels-cli tabelas atualizar".

#include "base/Dialogs.h"

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quirels {

class TfrmTabelasReferencia : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        // The folder chooser; empty: the desktop's folder dialog.
        std::function<QString(const QString &start)> chooseFolder;
        // Before the tables change: what is being typed is saved; false stops.
        std::function<bool()> before;
        // After they changed: every screen reads the store again.
        std::function<void()> after;
    };

    // `connection`: the store's connection name.
    TfrmTabelasReferencia(const QString &connection, Dialogs &dialogs, Hooks hooks, QWidget *parent = nullptr);

    QString folder() const;
    void setFolder(const QString &folder);
    // Replaces the tables found in the folder; false when refused (the
    // message has been shown).
    bool update();

private:
    void chooseFolder();
    void showFiles();

    QString m_connection;
    Dialogs &m_dialogs;
    Hooks m_hooks;
    QLineEdit *m_folder = nullptr;
    QLabel *m_files = nullptr;
    QPlainTextEdit *m_report = nullptr;
    QPushButton *m_update = nullptr;
};

} // namespace quirels
