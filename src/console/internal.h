// What the console layer's own files share beyond the public calls.
#pragma once

#include <cstdint>

namespace con::detail {

// Forgets a lead byte still waiting for its trail byte (a fresh console).
void drop_pending_lead();

// How many times output has scrolled the buffer since the process began; line
// input anchors its echo against it, so a scroll during typing moves the anchor.
std::int64_t scroll_count();

}  // namespace con::detail
