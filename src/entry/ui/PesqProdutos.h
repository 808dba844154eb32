#pragma once
// The controlled-product search (TfrmPesqProdutos): the list of controlled
// products by NCM code or by name, with a search field that moves the grid to
// the nearest row as it is typed (nothing is filtered out), and "Imprimir",
// which hands the list over to the product listing in the order shown.
//
// The window browses the data module's cursor over ProdutoControlado, the
// installed reference table that no screen edits. It starts in name order and
// leaves the cursor in name order when it closes. It does not block the main
// window; the main window keeps at most one and a closed one is gone, so the
// next command starts afresh.

#include "base/Masks.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class QLabel;
class QLineEdit;
class QRadioButton;
class QTableView;
class QValidator;

namespace quirels {
class MainWindow;
}
namespace quirels::store {
class Cursor;
class CursorModel;
}

namespace quirels::entry {

class TfrmPesqProdutos : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Codigo, Nome };
    // Prints the whole list in the order of the given index ("idxNCM" or
    // "idxNome"); called from the event loop after the window has closed.
    using Print = std::function<void(const QString &indexName)>;

    // `produtos`: the data module's cursor over ProdutoControlado, open.
    TfrmPesqProdutos(store::Cursor &produtos, Print print, QWidget *parent = nullptr);

    Mode mode() const { return m_mode; }
    // Choosing a choice of "Efetuar pesquisa por ...": empties the search
    // field, puts the focus into it and orders the list by the mode's index.
    void setMode(Mode mode);
    // Writes the row's name (name mode) or code (code mode) into the search
    // field; the search then stays on that row.
    void pick(int row);
    // "Imprimir": notes the order, closes the window; the printing follows
    // from the event loop.
    void imprimir();

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
    void done(int result) override;

private:
    void search();
    void showCurrent();

    QPointer<store::Cursor> m_produtos;
    Print m_print;
    Mode m_mode = Mode::Nome;
    EditMask m_mask;
    bool m_switching = false;
    QRadioButton *m_rbCodigo = nullptr;
    QRadioButton *m_rbNome = nullptr;
    QLabel *m_label = nullptr;
    QLineEdit *m_edit = nullptr;
    QValidator *m_upperCase = nullptr; // name mode
    QTableView *m_grid = nullptr;
    store::CursorModel *m_model = nullptr;
};

// The "Pesquisar Produtos" command of the main window: shows the one search
// window, creating it when there is none.
void installProductSearch(MainWindow &window);

} // namespace quirels::entry
