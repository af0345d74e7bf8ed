// A decoder library that dies inside its procedures, as a broken or hostile build of the
// real one could: the programs load it in-process, so its crash is theirs.
#include <cstdlib>

#define QM_EXPORT extern "C" __attribute__((visibility("default")))

QM_EXPORT void* QmDecodeJpeg(const char*, const char*, void*, int, int) { std::abort(); }
QM_EXPORT int QmWritePanoramaWindow(const char*, void*, int) { std::abort(); }
