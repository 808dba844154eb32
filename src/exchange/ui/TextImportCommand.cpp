#include "TextImportCommand.h"

#include "base/Dialogs.h"
#include "exchange/Messages.h"
#include "shell/ui/MainWindow.h"

#include <QFileDialog>
#include <QProgressDialog>
#include <memory>

namespace quirels::exchange::ui {

namespace {

// A progress window over the bytes of the file, shown only for big files;
// it has no cancel button because the import ends or undoes itself whole.
class ProgressWindow : public Progress {
public:
    ProgressWindow(QWidget *parent, qint64 threshold) : m_parent(parent), m_threshold(threshold) {}

    void setRange(qint64 maximum) override
    {
        m_max = maximum;
        if (maximum < m_threshold || m_dialog)
            return;
        m_dialog = std::make_unique<QProgressDialog>(msg::kTxtImportando, QString(), 0, kSteps, m_parent);
        m_dialog->setObjectName(QStringLiteral("dlgProgressoTexto"));
        m_dialog->setCancelButton(nullptr);
        m_dialog->setWindowModality(Qt::WindowModal);
        // Only big files get here: show it from the first step on.
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setValue(0);
    }
    void setValue(qint64 value) override
    {
        if (m_dialog && m_max > 0)
            m_dialog->setValue(static_cast<int>(std::min<qint64>(value, m_max) * kSteps / m_max));
    }

private:
    static constexpr int kSteps = 1000;
    QWidget *m_parent;
    qint64 m_threshold;
    qint64 m_max = 0;
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace

QString chooseTextFile(QWidget *parent)
{
    QFileDialog dialog(parent, msg::kTxtTituloDialogo, QString(), msg::kTxtFiltroDialogo);
    dialog.setObjectName(QStringLiteral("dlgAbrirTexto"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(msg::kTxtExtensao);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

std::optional<TextImportResult> runTextImport(QWidget *parent, QSqlDatabase db, Dialogs &dialogs,
                                              const TextImportHooks &hooks, qint64 progressThreshold)
{
    if (hooks.companyOpen && hooks.companyOpen()) {
        if (!dialogs.confirm(msg::kTxtFecharEmpresa))
            return std::nullopt;
        if (hooks.closeCompany && !hooks.closeCompany())
            return std::nullopt;
    }
    const QString path = hooks.chooseFile ? hooks.chooseFile() : chooseTextFile(parent);
    if (path.isEmpty())
        return std::nullopt;

    TextImportResult result;
    {
        ProgressWindow progress(parent, progressThreshold);
        result = importTextFile(db, path, dialogs, progress);
    }
    if (result.outcome == TextImportResult::Outcome::Failed) {
        reportFailure(result, dialogs);
        return result;
    }
    if (!result.ok())
        return result;
    // The company and period the file left current; a file without company
    // lines leaves the ones current before it, and a company without a
    // period line leaves no period to open.
    PeriodKey current = result.period;
    if (result.company.isEmpty() && hooks.currentPeriod)
        current = hooks.currentPeriod();
    if (current.isValid() && hooks.openAnnexWindows)
        hooks.openAnnexWindows(current);
    return result;
}

void installTextImport(MainWindow &window, std::function<QString()> chooseFile)
{
    window.registerScreen(screens::kImportacaoTexto, [&window, chooseFile](const QString &) {
        TextImportHooks hooks;
        hooks.companyOpen = [&window] { return window.companyOpen(); };
        hooks.closeCompany = [&window] { return window.closeCompany(); };
        hooks.currentPeriod = [&window] { return window.currentPeriod(); };
        hooks.openAnnexWindows = [&window](const PeriodKey &period) {
            window.setCurrentPeriod(period);
            window.openAnnexWindows();
        };
        hooks.chooseFile = chooseFile;
        const std::optional<TextImportResult> r = runTextImport(&window, window.db(), window.dialogs(), hooks);
        return r && r->ok();
    });
}

} // namespace quirels::exchange::ui
