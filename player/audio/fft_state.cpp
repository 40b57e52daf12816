#include "fft_state.h"

#include <new>

FftState makeFftState(int length)
{
    FftState state(kiss_fftr_alloc(length, 0, nullptr, nullptr));
    if (!state) throw std::bad_alloc();
    return state;
}
