// Preloaded into a program by tests, as a limit on threads lowered while it runs: once
// the file KP_NO_NEW_THREADS names exists, every new thread fails to start (EAGAIN).
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*run)(void*), void* arg) {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    const char* flag = std::getenv("KP_NO_NEW_THREADS");
    if (!real || (flag && ::access(flag, F_OK) == 0)) return EAGAIN;
    return real(thread, attr, run, arg);
}
