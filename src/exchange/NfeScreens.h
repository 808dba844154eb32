#pragma once
// The required-field checks that an imported row must pass: those of the
// entry screen of its annex, as its Salvar runs them.

#include "entry/Annex.h"

namespace quirels::exchange::nfe {

const QList<entry::RequiredCheck> &checksB();
const QList<entry::RequiredCheck> &checksC();

} // namespace quirels::exchange::nfe
