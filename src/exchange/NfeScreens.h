#pragma once
// The checks that an imported row must pass: the required-field checks of
// the entry screen of its annex, as its Salvar runs them, then the checks a
// typed value passes on leaving its field (invoice number, CNPJ/CPF check
// digits, quantity above zero, concentration 0 to 100, day of the period's
// month), since an invoice's values were never typed. The day check reads
// the period from the row's NrAno and NmMes.

#include "entry/Annex.h"

namespace quirels::exchange::nfe {

const QList<entry::RequiredCheck> &checksB();
const QList<entry::RequiredCheck> &checksC();

} // namespace quirels::exchange::nfe
