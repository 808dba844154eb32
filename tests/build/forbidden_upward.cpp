// Built with the shell's include path: a subsystem's screen header is out of
// its reach, so this must not compile.
#include "entry/ui/AnnexScreens.h"
