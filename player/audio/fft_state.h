#pragma once

#include <kiss_fftr.h>

#include <memory>

struct KissFftrRelease {
    void operator()(kiss_fftr_state* state) const { kiss_fftr_free(state); }
};

// A real FFT's plan, made once per length and reused for every frame.
using FftState = std::unique_ptr<kiss_fftr_state, KissFftrRelease>;

// Throws std::bad_alloc when the plan cannot be allocated.
FftState makeFftState(int length);
