// The static C++ runtime asks glibc (2.32 and newer) whether the process has
// only one thread, to skip atomic operations. Older systems have no such
// flag; the answer here is "no", which is always safe.
extern "C" {
__attribute__((visibility("hidden"))) char __wrap___libc_single_threaded = 0;  // NOLINT
}
