#include "RecordCursor.h"

namespace quirels::entry {

RecordCursor::~RecordCursor() = default;

} // namespace quirels::entry
