#pragma once
// The eight annexes as the shell knows them: letter, caption, the object
// names of their main-window commands, and the rule by which a company's
// activity groups decide which annex windows open.

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace quirels::shell {

struct Annex {
    char letter;              // 'A' .. 'H'
    const char *caption;      // "Anexo XI-A - Quirel de Controle Geral de Produtos Químicos"
    const char *menuItem;     // "Quirels" menu item
    const char *button;       // toolbar button
    const char *reportItem;   // "Relatórios" menu item
    const char *reportHint;

    QString qcaption() const { return QString::fromUtf8(caption); }
    // "Anexo XI-A", line break, "Quirel de Controle Geral ...": the caption
    // split after the annex number, as the toolbar shows it.
    QString buttonHint() const;
};

// A to H, in order.
const std::array<Annex, 8> &annexes();
// Null for a letter outside A..H.
const Annex *annex(QChar letter);
inline int annexIndex(QChar letter) { return letter.unicode() - u'A'; }

// Activity groups I to IX, index 0 to 8; a null flag counts as absent.
using Groups = std::array<bool, 9>;

// One row of the group rule: when any of its groups is present, the window
// of `window` opens (maximised for A), and the commands of `letters` are
// enabled; the same letters get their observation rows.
struct AnnexGroupRule {
    std::vector<int> groups;  // 1-based group numbers
    char window;
    bool maximised;
    const char *letters;
};

// In the order the rows are applied: G, D, F, A.
const std::vector<AnnexGroupRule> &annexGroupRules();
bool applies(const AnnexGroupRule &rule, const Groups &groups);
// The annex letters whose commands a company of these groups gets, in the
// order of the rules ("GHDEFABC" for a company of group IX).
QString lettersFor(const Groups &groups);

} // namespace quirels::shell
