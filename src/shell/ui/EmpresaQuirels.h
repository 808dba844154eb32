#pragma once
// Company information window: the company's data, its activity groups and
// economic activity. Closing it renames the company key when the number was
// changed, saves the row and opens the annex windows of the company.

#include "shell/Annexes.h"

#include <QDialog>
#include <QVariant>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace quirels {

class MainWindow;
class NumberEdit;

class TfrmEmpresaQuirels : public QDialog {
    Q_OBJECT
public:
    TfrmEmpresaQuirels(MainWindow &main, QWidget *parent = nullptr);

    // The number and name typed on registration, put into their fields.
    struct Typed {
        QString number;
        QString name;
    };
    // Shows the window without blocking the main window (the period dialog).
    void showNonModal(const Typed &typed = {});
    // Shows the window modally ("&Informações sobre a Empresa").
    int execModal();

    // The company's key when the window was shown: the old key of a change.
    QString openingKey() const { return m_openingKey; }
    // The group boxes as they are checked now.
    shell::Groups checkedGroups() const;
    // Whether the company row is being edited.
    bool editing() const;

    NumberEdit *numberField() const { return m_number; }
    QLineEdit *nameField() const { return m_name; }
    QComboBox *mainGroupList() const { return m_mainGroup; }
    QCheckBox *groupBox(int group) const { return m_groups[static_cast<size_t>(group - 1)]; }
    QLineEdit *otherActivityField() const { return m_otherActivity; }
    QComboBox *activityNameList() const { return m_cnaeName; }
    QComboBox *activityCodeList() const { return m_cnaeCode; }

    // Leaving the main-group list: its group's flag is set, and the
    // other-activity field is enabled exactly for "Grupo IX".
    void mainGroupLeft();
    // A click on a group box: the main group's box (I to VIII) stays checked.
    void groupClicked();
    // The closing steps; false when the key change failed and the window
    // stays open. A refused post ends the steps, and the window closes.
    bool runClosingSteps();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void load(const Typed &typed);
    void loadActivities();
    void selectActivity(const QString &code);
    // Puts the company row into editing and sets a field of its buffer.
    void write(const QString &field, const QVariant &value);

    MainWindow &m_main;
    QString m_openingKey;
    QString m_month;
    QString m_year;
    bool m_loading = false;
    NumberEdit *m_number;
    QLineEdit *m_name;
    QLineEdit *m_clf;
    QComboBox *m_mainGroup;
    QLineEdit *m_monthField;
    QLineEdit *m_yearField;
    std::array<QCheckBox *, 9> m_groups{};
    QLineEdit *m_otherActivity;
    QComboBox *m_cnaeName;
    QComboBox *m_cnaeCode;
};

} // namespace quirels
