#pragma once
// "Arquivos XML": a read-only preview of a loaded packet file, one page per
// kind of data, and the button that stores it.

#include "base/Dialogs.h"
#include "exchange/Packet.h"
#include "store/PeriodKey.h"

#include <QHash>
#include <QSqlDatabase>
#include <QWidget>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QTableView;

namespace quirels::exchange {

class PacketTableModel;

class TfrmXML : public QWidget {
    Q_OBJECT
public:
    TfrmXML(QSqlDatabase db, Dialogs &dialogs, QWidget *parent = nullptr);

    // Reads the file and shows it, first page and first sub-page selected;
    // a file that cannot be loaded shows its message and leaves the window
    // empty. False when it could not be loaded.
    bool load(const QString &path);
    bool hasPacket() const { return m_packet.has_value(); }
    const QString &path() const { return m_path; }

    // "&Importar": stores the loaded packet.
    void importPacketNow();
    // The company and month of the loaded packet; invalid when none.
    PeriodKey packetPeriod() const;

signals:
    // The store changed: the main window refreshes what it shows.
    void imported();
    // The window was closed: the main window clears its message panel.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct SubPage {
        QString title;
        QChar letter;
        QPlainTextEdit *observation = nullptr;
    };
    QWidget *companyPage();
    QWidget *responsiblePage();
    QWidget *productsPage();
    QTableView *grid(const QString &name, PacketTableModel *model);
    QLineEdit *field(const QString &name);
    void display(const PacketRow *company);
    void selectProduct();
    void selectFinal();
    void showObservations();

    QString m_connection; // the store's connection, looked up when the import runs
    Dialogs &m_dialogs;
    std::optional<PacketRow> m_packet;
    QString m_path;
    QTabWidget *m_pages = nullptr;
    QTabWidget *m_companyTabs = nullptr;
    QTabWidget *m_productTabs = nullptr;
    QHash<QString, QLineEdit *> m_fields;
    QHash<QString, QCheckBox *> m_groups;
    QPlainTextEdit *m_informacoes = nullptr;
    QHash<QString, PacketTableModel *> m_models; // by nested data set name
    QTableView *m_produtos = nullptr;
    QTableView *m_finais = nullptr;
    QList<SubPage> m_subPages;
};

} // namespace quirels::exchange
