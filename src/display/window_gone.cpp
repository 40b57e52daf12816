#include "display/window_gone.h"

#include <atomic>

namespace {

std::atomic<bool> gone = false;

} // namespace

void windowComing()
{
    gone = false;
}

void markWindowGone()
{
    gone = true;
}

bool windowGone()
{
    return gone;
}
