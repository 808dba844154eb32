#pragma once
// The system's three-part edit masks ("00.000.000/0000-00;0;_"): the pattern,
// then "1" when the literal characters are stored with the value or "0" when
// they are not, then the character shown in empty positions. One conversion
// to Qt's input-mask syntax, and the rules to go between stored and shown text.

#include <QList>
#include <QString>

namespace quirels {

class EditMask {
public:
    EditMask() = default;
    explicit EditMask(const QString &systemMask);

    static EditMask cnpj();  // "00.000.000/0000-00;0;_"
    static EditMask cpf();   // "000.000.000-00;0;_"
    static EditMask ncm();   // "9999.99.99;1; "

    bool isEmpty() const { return m_slots.isEmpty(); }
    const QString &source() const { return m_source; }
    // The mask for QLineEdit::setInputMask (pattern ';' blank).
    const QString &qtInputMask() const { return m_qt; }
    bool storesLiterals() const { return m_storeLiterals; }
    QChar blank() const { return m_blank; }
    // Number of character positions of the shown text.
    int length() const { return static_cast<int>(m_slots.size()); }

    // The shown text for a stored value: value characters fill the input
    // positions from the left (a stored value that holds the literals is
    // matched position by position), empty positions show the blank.
    QString display(const QString &stored) const;
    // The value to store for a shown text. A mask that stores its literals
    // stores the whole width, an empty position as a space ("2807.  .  "),
    // so that a partly filled value keeps every character in its place;
    // otherwise the blanks and literals are dropped ("11222333000181").
    // Only blanks and literals: no value.
    QString store(const QString &shown) const;
    // The first input position of a shown text that holds no character;
    // the length when every position is filled.
    int firstEmpty(const QString &shown) const;
    // Applies the mask to a stored value with no blanks: used where the
    // system formats a value through a mask for display only (reports).
    QString format(const QString &stored) const;

private:
    struct Slot {
        bool literal;
        QChar ch;      // the literal, or the system's mask character
    };
    QString m_source;
    QString m_qt;
    bool m_storeLiterals = true;
    QChar m_blank = QLatin1Char('_');
    QList<Slot> m_slots;
};

} // namespace quirels
