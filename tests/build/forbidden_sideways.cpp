// Built with the entry screens' include path: another subsystem's screens are
// out of their reach, so this must not compile.
#include "validation/ui/ValidationScreen.h"
