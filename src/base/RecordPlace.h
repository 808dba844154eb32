#pragma once
// A place in the month's data that a message can take the clerk to: a
// table, one of its records and the field at fault. The windows that show
// records answer goToRecord(); whoever holds a place (the validation report)
// needs no more than this header to send the clerk there.

#include <QString>

namespace quirels {

struct RecordPlace {
    QString table;   // the table of the record ("Produtos", "Movimentacao", ...)
    int record = 0;  // its own number (the table's counter); 0: the table as a whole
    QString field;   // the field at fault; empty: the record's first field
};

class RecordNavigator {
public:
    virtual ~RecordNavigator() = default;
    // Shows the page of the table, makes the record current and puts the
    // focus in the field. False when the field being typed into refused to
    // be left or a pending row could not be settled: the clerk stays there.
    virtual bool goToRecord(const RecordPlace &place) = 0;
};

} // namespace quirels
