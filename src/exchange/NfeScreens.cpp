#include "NfeScreens.h"

namespace quirels::exchange::nfe {

const QList<entry::RequiredCheck> &checksB() { return entry::annexB().main.checks; }
const QList<entry::RequiredCheck> &checksC() { return entry::annexC().main.checks; }

} // namespace quirels::exchange::nfe
