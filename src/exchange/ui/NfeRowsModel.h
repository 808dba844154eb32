#pragma once
// The grids of the invoice review window. NfeRowsModel shows the candidate
// rows of one annex (XI-B or XI-C) with the columns of that annex's entry
// grid, between a "Pendência" column (the first required-field check the row
// fails) and the invoice file. Cells that a failing check names are marked,
// proposed values too; typed values are read with the rules of the entry
// screen's field (day of the period, CFOP code, signs, CNPJ/CPF, unit).
// NfeFactorsModel lists the units that need a factor, one row per issuer,
// product code and unit, and gives the factor typed to every waiting row.

#include "entry/Annex.h"
#include "entry/Lookups.h"
#include "exchange/NfeImport.h"

#include <QAbstractTableModel>
#include <QList>
#include <functional>
#include <vector>

namespace quirels::exchange::ui {

class NfeRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `invalid` gets the message of a typed value that is refused (error:
    // shown as an error box rather than an information box).
    using Invalid = std::function<void(const QString &message, bool error)>;

    NfeRowsModel(QChar annex, const entry::Lookups &lookups, Invalid invalid, QObject *parent = nullptr);

    // Shows the rows of the annex in the scan (null: none). The scan must
    // outlive the model or the next call.
    void setScan(nfe::Scan *scan);
    // Reads the checks of every row again (after a factor changed rows).
    void recheck();

    QChar annex() const { return m_annex; }
    // Index into scan.rows of a grid row.
    size_t candidate(int row) const { return m_rows.at(row); }
    // The grid row of a candidate; -1 when it is not in this grid.
    int rowOf(size_t candidate) const;
    // The column of a field; -1 when the grid has none.
    int columnOf(const QString &field) const;
    // The first failing check of a grid row; null when it passes.
    const entry::RequiredCheck *firstMissing(int row) const;
    int incomplete() const;
    // The field a check points to (its control's field).
    QString fieldOf(const entry::RequiredCheck &check) const;
    // The row's field values changed by typing since setScan, by access key
    // and item (to be given again after the inputs are read again).
    const QHash<QString, QVariantMap> &edited() const { return m_edited; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    static QString editKey(const nfe::Candidate &c);

private:
    struct RowState {
        QStringList missing;                    // fields named by failing checks
        const entry::RequiredCheck *first = nullptr;
    };
    const entry::FieldSpec *spec(int column) const;
    QString field(int column) const;
    QString display(const nfe::Candidate &c, const entry::FieldSpec &f) const;
    QString editText(const nfe::Candidate &c, const entry::FieldSpec &f) const;
    // The stored value of a typed text; no value when refused (the message
    // has been given).
    std::optional<QVariant> parse(const entry::FieldSpec &f, const QString &text) const;
    RowState check(const nfe::Candidate &c) const;

    QChar m_annex;
    const entry::AnnexSpec &m_spec;
    const entry::Lookups &m_lookups;
    Invalid m_invalid;
    nfe::Scan *m_scan = nullptr;
    std::vector<size_t> m_rows;
    std::vector<RowState> m_state;
    QHash<QString, QVariantMap> m_edited;
    QHash<QString, QString> m_countries; // code -> name
};

class NfeFactorsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Invalid = NfeRowsModel::Invalid;
    NfeFactorsModel(Invalid invalid, QObject *parent = nullptr);

    // The units waiting for a factor in the scan; factors already given
    // (kept across readings of the inputs) are applied to it at once.
    void setScan(nfe::Scan *scan);
    const std::vector<nfe::UnitFactor> &given() const { return m_given; }
    // The "Converte para" column and the units it is picked from.
    static int targetColumn();
    static QStringList targets();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // A factor was given to rows of the scan.
    void rowsChanged();

private:
    struct Unit {
        nfe::UnitFactor factor; // factor 0 until given
        QString description;
    };
    void apply(Unit &u);

    Invalid m_invalid;
    nfe::Scan *m_scan = nullptr;
    QList<Unit> m_units;
    std::vector<nfe::UnitFactor> m_given;
};

} // namespace quirels::exchange::ui
