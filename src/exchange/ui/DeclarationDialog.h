#pragma once
// "Gerar Arquivo XML": shows the open period and the XML folder and writes
// the month's declaration files.

#include "base/Dialogs.h"
#include "exchange/Generate.h"
#include "store/PeriodKey.h"

#include <QDialog>
#include <QSqlDatabase>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quirels::exchange {

class TfrmDiscoQuirels : public QDialog {
    Q_OBJECT
public:
    TfrmDiscoQuirels(QSqlDatabase db, const PeriodKey &period, const QString &xmlFolder, Dialogs &dialogs,
                     QWidget *parent = nullptr);

    // The two files this dialog writes, composed when it is created.
    const GeneratedFiles &files() const { return m_files; }

    // "&Gerar": writes both files or reports why not. A folder that does
    // not exist is created only when the clerk says so.
    void generate();

    // The folder the files go to (the one shown, as typed or chosen).
    QString folder() const;
    // "&Procurar...": the folder chooser; a chosen folder is shown and
    // handed to the folder-chosen hook (which remembers it).
    void chooseFolder();
    // Replaces the folder chooser (tests): given the folder shown, the
    // folder chosen, empty when none was.
    void setFolderPicker(std::function<QString(const QString &)> picker) { m_picker = std::move(picker); }
    // What is done with a chosen folder: the main window keeps it and writes
    // it to the settings file ("Arquivo XML").
    void setFolderChosen(std::function<void(const QString &)> chosen) { m_chosen = std::move(chosen); }

private:
    QLineEdit *readOnlyField(const QString &name, const QString &text, const QString &hint);

    QSqlDatabase m_db;
    PeriodKey m_period;
    QString m_folder;
    Dialogs &m_dialogs;
    GeneratedFiles m_files;
    QPushButton *m_fechar = nullptr;
    QLineEdit *m_folderEdit = nullptr;
    std::function<QString(const QString &)> m_picker;
    std::function<void(const QString &)> m_chosen;
};

} // namespace quirels::exchange
