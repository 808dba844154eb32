#pragma once
// The toggle states of Caps Lock, Num Lock and Scroll Lock, where the
// platform tells them (the X11 keyboard indicators); unknown elsewhere.

#include <optional>

namespace quirels {

struct LockStates {
    std::optional<bool> caps;
    std::optional<bool> num;
    std::optional<bool> scroll;
};

LockStates readLockStates();

} // namespace quirels
