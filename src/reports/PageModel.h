#pragma once
// The page model: what a generated report is made of. A page holds items
// placed in millimetres from the paper's top-left corner (text with its font
// and alignment, lines, boxes). The preview, the printer and PDF all draw the
// same pages, and the tests read them.

#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

namespace quirels::reports {

struct FontSpec {
    double pt = 7;
    bool bold = false;
};

enum class Align { Left, Center, Right };

struct PageItem {
    enum class Kind { Text, Line, Box };
    Kind kind = Kind::Text;
    QRectF rect;       // mm; a line runs from the top-left to the bottom-right corner
    QString text;
    FontSpec font;
    Align align = Align::Left;
};

struct Page {
    int number = 0;    // 1-based within its report
    std::vector<PageItem> items;

    // The text items read as lines: grouped by their top edge, left to right,
    // joined by one blank (empty texts left out). Lines of a page in order.
    QStringList lines() const;
    // Every text of the page, one line each as lines() gives them.
    QString text() const { return lines().join(QLatin1Char('\n')); }
    // The number of horizontal lines drawn on the page.
    int ruleCount() const;
};

// Paper and margins in millimetres (left, top, right, bottom).
struct PageSetup {
    QSizeF paper{210, 297};
    QMarginsF margins{5, 10, 5, 10};
    double contentWidth() const { return paper.width() - margins.left() - margins.right(); }
};

// Receives the pages of a report one by one, as soon as each is complete.
// The engine keeps no finished page: a sink that writes to a device frees
// each page after drawing it.
class PageSink {
public:
    virtual ~PageSink();
    // A new report begins (its title is the print-job title).
    virtual void beginReport(const QString &title, const PageSetup &setup) { (void)title; (void)setup; }
    // False stops the generation (a failed device, a cancelled print).
    virtual bool addPage(Page &&page) = 0;
    virtual void endReport() {}
};

// Keeps every page (preview and tests).
class PageList : public PageSink {
public:
    bool addPage(Page &&page) override
    {
        pages.push_back(std::move(page));
        return true;
    }
    std::vector<Page> pages;
};

} // namespace quirels::reports
