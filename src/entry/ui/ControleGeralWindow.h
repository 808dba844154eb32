#pragma once
// Annex XI-A: the products of the month with their stock balance (page 1),
// the final products obtained from each product and the controlled
// substances present in them (page 2), and the company's complementary
// information (page 3).

#include "entry/ui/EntryWindow.h"
#include "entry/ui/FieldPanel.h"
#include "entry/ui/ListBar.h"

class QGroupBox;
class QTabWidget;

namespace quirels::entry {

// A list whose rows own rows of other tables (a product its final
// products, a final product its substances): deleting a row deletes those
// with it, in one transaction. Left behind, they would be shown and
// declared under the next row, which is given the deleted row's number.
class OwningListEngine : public ListEngine {
    Q_OBJECT
public:
    using ListEngine::ListEngine;
    // The owned tables' cursors, and the fields that tie them to a row.
    void setOwned(QList<store::Cursor *> owned, QStringList keyFields)
    {
        m_owned = std::move(owned);
        m_keyFields = std::move(keyFields);
    }

protected:
    bool removeCurrent() override;

private:
    QList<store::Cursor *> m_owned;
    QStringList m_keyFields;
};

// The product list: no checks of the screen, the observation saved before
// the product, the focus on Novo after a save.
class ProductListEngine : public OwningListEngine {
    Q_OBJECT
public:
    using OwningListEngine::OwningListEngine;
    bool novo() override;
    bool salvar() override;
};

class ControleGeralWindow : public EntryWindow {
    Q_OBJECT
public:
    ControleGeralWindow(store::DataModule &data, Dialogs &dialogs, QWidget *parent = nullptr);

    ListEngine &products() { return *m_products; }
    ListEngine &finalProducts() { return *m_finals; }
    ListEngine &substances() { return *m_substances; }
    FieldPanel &productPanel() { return *m_productPanel; }
    FieldPanel &finalPanel() { return *m_finalPanel; }
    FieldPanel &substancePanel() { return *m_substancePanel; }
    ListBar &productBar() { return *m_productBar; }
    ListBar &finalBar() { return *m_finalBar; }
    ListBar &substanceBar() { return *m_substanceBar; }
    QTabWidget *pages() const { return m_pages; }

    void open() override;
    bool closePrompts() override;
    // Enabling of the two groups of page 2 from the products and final
    // products of the period.
    void evaluateDependents();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    QWidget *placeControl(const QString &table, const QString &field) override;
    void recordShown() override;

private:
    QWidget *buildPage1();
    QWidget *buildPage2();
    QWidget *buildPage3();
    void recomputeBalance();
    void loadProductSummary();
    void loadInformation();

    store::Cursor &m_empresa;
    ProductListEngine *m_products;
    OwningListEngine *m_finals;
    ListEngine *m_substances;
    FieldPanel *m_productPanel = nullptr;
    FieldPanel *m_finalPanel = nullptr;
    FieldPanel *m_substancePanel = nullptr;
    ListBar *m_productBar = nullptr;
    ListBar *m_finalBar = nullptr;
    ListBar *m_substanceBar = nullptr;
    QGroupBox *m_finalGroup = nullptr;
    QGroupBox *m_substanceGroup = nullptr;
    QTabWidget *m_pages = nullptr;
    QList<QLineEdit *> m_summary;
    QPlainTextEdit *m_informacoes = nullptr;
    bool m_infoLoading = false;
};

} // namespace quirels::entry
