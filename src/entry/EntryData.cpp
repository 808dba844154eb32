#include "EntryData.h"

namespace quirels::entry {

EntryData::~EntryData() = default;

} // namespace quirels::entry
