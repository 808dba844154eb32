#pragma once
// "Gerar Arquivo XML": shows the open period and the XML folder and writes
// the month's declaration files.

#include "base/Dialogs.h"
#include "exchange/Generate.h"
#include "store/PeriodKey.h"

#include <QDialog>
#include <QSqlDatabase>

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

    // "&Gerar": writes both files or reports why not.
    void generate();

private:
    QLineEdit *readOnlyField(const QString &name, const QString &text, const QString &hint);

    QSqlDatabase m_db;
    PeriodKey m_period;
    QString m_folder;
    Dialogs &m_dialogs;
    GeneratedFiles m_files;
    QPushButton *m_fechar = nullptr;
};

} // namespace quirels::exchange
