#pragma once
// The commands of one record list: Novo, Salvar, Cancelar and Excluir with
// their three states, the record navigator (first, previous, next, last) and
// the toggle of the read-only grid.

#include "entry/Annex.h"
#include "entry/ListEngine.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;

namespace quirels::entry {

// The rows of a cursor, one column per grid column of the list, shown with
// the fields' display formats.
class CursorGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    CursorGridModel(store::Cursor &cursor, QList<GridColumn> columns, QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    store::Cursor &m_cursor;
    QList<GridColumn> m_columns;
};

class ListBar : public QWidget {
    Q_OBJECT
public:
    // `suffix` follows the button names ("btnNovo" + suffix). With
    // `modifiers`, N, S, C and E under them run the four commands while the
    // focus is inside `scope`.
    ListBar(ListEngine &engine, const QString &suffix, Qt::KeyboardModifiers modifiers, QWidget *scope,
            QWidget *parent = nullptr);

    QPushButton *novo() const { return m_novo; }
    QPushButton *salvar() const { return m_salvar; }
    QPushButton *cancelar() const { return m_cancelar; }
    QPushButton *excluir() const { return m_excluir; }
    QToolButton *navigator(int i) const { return m_nav[i]; }
    QToolButton *gridToggle() const { return m_toggle; }
    // The grid (created hidden); null when the list has no grid columns.
    QTableView *grid() const { return m_grid; }

    void applyState(ButtonState state);
    // N, S, C and E under `modifiers` also run the four commands while the
    // focus is inside `scope`.
    void addKeys(Qt::KeyboardModifiers modifiers, QWidget *scope);
    // Makes a row current as the navigator does: the field being typed into
    // is left and the screen's checks run on a pending row first.
    bool moveToRow(int row);
    // "Localizar" on Ctrl+L within `scope`, for a list with invoice numbers,
    // product names or CNPJ/CPF numbers: a small box where typing moves to
    // the first row that matches, Enter to the next one, and Esc (or
    // leaving it) returns to the field the clerk came from.
    void addFinder(QWidget *scope);
    // The box while it is open; null otherwise.
    QLineEdit *finder() const;
    // Runs before Novo, Salvar and the navigator: the leave-the-field step
    // of the field being typed into; false stops the command.
    void setBeforeCommand(std::function<bool()> step) { m_before = std::move(step); }

signals:
    // A move by the navigator or the grid was made.
    void moved();

private:
    void move(int which);
    void find(bool next);
    bool before() { return !m_before || m_before(); }
    ListEngine &m_engine;
    std::function<bool()> m_before;
    QPushButton *m_novo;
    QPushButton *m_salvar;
    QPushButton *m_cancelar;
    QPushButton *m_excluir;
    QToolButton *m_nav[4];
    QToolButton *m_toggle = nullptr;
    QTableView *m_grid = nullptr;
    QFrame *m_findBox = nullptr;
    QLineEdit *m_findEdit = nullptr;
    QLabel *m_findStatus = nullptr;
    bool m_following = false; // the grid follows the cursor
};

} // namespace quirels::entry
