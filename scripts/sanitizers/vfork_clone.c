/* Linked into every program of the ThreadSanitizer build (scripts/sanitize.sh tsan).
 *
 * Qt starts a process with clone(CLONE_VM | CLONE_VFORK): the child runs in its parent's memory
 * until it execs. TSan's clone interceptor runs its after-fork handling in that child, which
 * then marks the parent itself as "forked while threaded" and turns off its checks on the
 * parent's thread; the parent's next thread ends the program ("starting new threads after
 * multi-threaded fork is not supported"). A child that shares its parent's memory only execs,
 * so TSan has nothing to follow in it: such clones go straight to the C library, every other
 * clone to TSan's interceptor. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sched.h>
#include <stdarg.h>
#include <sys/types.h>

typedef int (*CloneFunction)(int (*)(void*), void*, int, void*, ...);

int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
    static CloneFunction library;
    static CloneFunction next;
    if (!library) {
        void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
        library = (CloneFunction)dlsym(libc, "clone");
        next = (CloneFunction)dlsym(RTLD_NEXT, "clone");
    }
    va_list more;
    va_start(more, arg);
    pid_t* parentTid = va_arg(more, pid_t*);
    void* tls = va_arg(more, void*);
    pid_t* childTid = va_arg(more, pid_t*);
    va_end(more);
    const int sharesMemory = (flags & CLONE_VM) && !(flags & CLONE_THREAD);
    return (sharesMemory ? library : next)(fn, stack, flags, arg, parentTid, tls, childTid);
}
