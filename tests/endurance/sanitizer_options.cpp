// ASan's defaults for this program; ASAN_OPTIONS from the environment still
// override them.
//
// Freed blocks wait in ASan's quarantine (256 MiB by default) before their memory
// is used again, so that late uses are caught. Over tens of thousands of frames
// the GL driver's own churn would fill that much and show up as growing resident
// memory; a small quarantine still catches uses soon after a free and lets the
// resident size settle after warm-up.

extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options()
{
    return "quarantine_size_mb=16";
}
