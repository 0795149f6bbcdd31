/* Included first in every source of the Linux library: binds the symbols
 * that glibc 2.34 moved into libc (and gave new versions) to the versions
 * that glibc 2.17 already has, so that the library loads on older systems.
 * The library links libdl and libpthread too, where those symbols live
 * there; a test reads the symbol versions and fails above 2.17. */
#pragma once

#if defined(__x86_64__)
#define RIREVE_GLIBC_BASE "GLIBC_2.2.5"
#define RIREVE_GLIBC_DLINFO "GLIBC_2.3.3"
#elif defined(__aarch64__)
#define RIREVE_GLIBC_BASE "GLIBC_2.17"
#define RIREVE_GLIBC_DLINFO "GLIBC_2.17"
#endif

#ifdef RIREVE_GLIBC_BASE
__asm__(".symver dlopen,dlopen@" RIREVE_GLIBC_BASE);
__asm__(".symver dlsym,dlsym@" RIREVE_GLIBC_BASE);
__asm__(".symver dlclose,dlclose@" RIREVE_GLIBC_BASE);
__asm__(".symver dlinfo,dlinfo@" RIREVE_GLIBC_DLINFO);
__asm__(".symver pthread_rwlock_rdlock,pthread_rwlock_rdlock@" RIREVE_GLIBC_BASE);
__asm__(".symver pthread_rwlock_wrlock,pthread_rwlock_wrlock@" RIREVE_GLIBC_BASE);
__asm__(".symver pthread_rwlock_unlock,pthread_rwlock_unlock@" RIREVE_GLIBC_BASE);
__asm__(".symver pthread_rwlock_destroy,pthread_rwlock_destroy@" RIREVE_GLIBC_BASE);
__asm__(".symver pthread_mutex_lock,pthread_mutex_lock@" RIREVE_GLIBC_BASE);
__asm__(".symver pthread_mutex_unlock,pthread_mutex_unlock@" RIREVE_GLIBC_BASE);
__asm__(".symver pthread_once,pthread_once@" RIREVE_GLIBC_BASE);
#endif
