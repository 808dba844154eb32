// quirels-reparo: the table repair program that "Reparar Tabelas" starts,
// detached, once the application has closed its connection to the store.
//     quirels-reparo CODIGO [PASTA_DE_DADOS] [--fechar]
// It checks the store's integrity, rebuilds its indexes, compacts it, and
// rebuilds a store that stays damaged from every row that can be read,
// keeping the damaged file beside it; a small window reports what it found
// and did. --fechar ends the program when the repair is done (exit code 0
// when the store is sound).

#include "base/Numbers.h"
#include "base/Settings.h"
#include "base/ui/ButtonEnter.h"
#include "base/ui/MessageBoxDialogs.h"
#include "shell/Repair.h"
#include "store/StoreConfig.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kNotStartedByQuirels =
    QStringLiteral("Este programa é iniciado pelo Quirels, no menu Ferramentas, comando Reparar Tabelas.");

class RepairWindow : public QWidget {
public:
    explicit RepairWindow(const QString &dataFolder) : m_dataFolder(dataFolder)
    {
        setObjectName(QStringLiteral("frmReparo"));
        setWindowTitle(QStringLiteral("Reparar Tabelas"));
        auto *folder = new QLabel(QStringLiteral("Pasta de dados: %1").arg(QDir::toNativeSeparators(dataFolder)), this);
        folder->setObjectName(QStringLiteral("lblPasta"));
        folder->setWordWrap(true);
        m_report = new QPlainTextEdit(this);
        m_report->setObjectName(QStringLiteral("memRelatorio"));
        m_report->setReadOnly(true);
        m_close = new QPushButton(QStringLiteral("&Fechar"), this);
        m_close->setObjectName(QStringLiteral("btnFechar"));
        m_close->setEnabled(false);
        connect(m_close, &QPushButton::clicked, this, &QWidget::close);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(folder);
        layout->addWidget(m_report, 1);
        layout->addWidget(m_close, 0, Qt::AlignRight);
        resize(520, 300);
    }

    // Runs the repair and shows its report; true when the store is sound.
    bool run()
    {
        m_report->appendPlainText(QStringLiteral("Verificando o banco de dados..."));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QCoreApplication::processEvents();
        // The journal mode stays the one the machine's store configuration asks for.
        const bool shared = quirels::store::config::localShare(quirels::store::config::defaultPath());
        const quirels::Result<quirels::shell::RepairReport> r = quirels::shell::repairDataFolder(m_dataFolder, shared);
        QApplication::restoreOverrideCursor();
        bool sound = false;
        if (!r) {
            m_report->appendPlainText(r.message());
        } else {
            for (const QString &l : r->found)
                m_report->appendPlainText(l);
            for (const QString &l : r->done)
                m_report->appendPlainText(l);
            sound = r->sound;
            m_report->appendPlainText(sound ? QStringLiteral("O banco de dados está íntegro.")
                                            : QStringLiteral("O banco de dados continua com problemas."));
        }
        m_close->setEnabled(true);
        m_close->setFocus();
        return sound;
    }

private:
    QString m_dataFolder;
    QPlainTextEdit *m_report;
    QPushButton *m_close;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quirels"));
    QLocale::setDefault(quirels::numbers::appLocale());
    quirels::enterPressesFocusedButton();
    quirels::MessageBoxDialogs dialogs;

    QStringList args = QCoreApplication::arguments().mid(1);
    const bool closeWhenDone = args.removeAll(QStringLiteral("--fechar")) > 0;
    if (args.isEmpty() || args.first() != quirels::shell::kRepairAccessCode) {
        dialogs.error(kNotStartedByQuirels);
        return 2;
    }
    QString dataFolder = args.value(1);
    if (dataFolder.isEmpty()) {
        const quirels::layout::Places places = quirels::layout::desktop();
        const auto folders = quirels::readStartupSettings(places.settingsPath, places);
        if (!folders) {
            dialogs.error(folders.message());
            return 2;
        }
        dataFolder = folders->dataFolder;
    }

    RepairWindow window(dataFolder);
    // Started on its own, it opens in the middle of the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    int result = 1;
    QTimer::singleShot(0, &window, [&] {
        result = window.run() ? 0 : 1;
        if (closeWhenDone)
            QCoreApplication::exit(result);
    });
    const int rc = app.exec();
    return closeWhenDone ? rc : result;
}
