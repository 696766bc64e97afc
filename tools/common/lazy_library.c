#define _GNU_SOURCE 1
#include "lazy_library.h"

#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <unistd.h>

/* Recursive: a library's constructors run inside dlopen, and should one of them come back to a
 * stub of ours the thread must not wait for itself. */
static pthread_mutex_t lock = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

static void fail(const char* what) {
    fprintf(stderr, "%s: error while loading shared libraries: %s\n", program_invocation_short_name, what);
    _exit(127);
}

__attribute__((visibility("hidden"))) void* tl_lazy_resolve(struct TlLazyLibrary* library, unsigned index) {
    pthread_mutex_lock(&lock);
    void* function = __atomic_load_n(&library->functions[index], __ATOMIC_ACQUIRE);
    if (!function) {
        /* RTLD_GLOBAL, as a library linked at start is: modules it loads may expect its symbols. */
        if (!library->handle) library->handle = dlopen(library->soname, RTLD_LAZY | RTLD_GLOBAL);
        if (!library->handle) fail(dlerror());
        function = dlsym(library->handle, library->names + library->offsets[index]);
        if (!function) fail(dlerror());
        __atomic_store_n(&library->functions[index], function, __ATOMIC_RELEASE);
    }
    pthread_mutex_unlock(&lock);
    return function;
}

/* Where a stub goes on its function's first call, with the library in r11 and the function's
 * index in r10: the argument registers (and al, the vector register count of a variadic call) are
 * kept across the look-up, and the function is entered as if the stub had been it. */
__asm__(
    ".text\n"
    ".globl tl_lazy_bind\n"
    ".hidden tl_lazy_bind\n"
    ".type tl_lazy_bind, @function\n"
    ".p2align 4\n"
    "tl_lazy_bind:\n"
    ".cfi_startproc\n"
    "    pushq %rbp\n"
    ".cfi_def_cfa_offset 16\n"
    ".cfi_offset %rbp, -16\n"
    "    movq %rsp, %rbp\n"
    ".cfi_def_cfa_register %rbp\n"
    /* Entered as a function is, 8 bytes past a 16-byte boundary: after the push it is on one. */
    "    subq $192, %rsp\n"
    "    movq %rdi, 0(%rsp)\n"
    "    movq %rsi, 8(%rsp)\n"
    "    movq %rdx, 16(%rsp)\n"
    "    movq %rcx, 24(%rsp)\n"
    "    movq %r8, 32(%rsp)\n"
    "    movq %r9, 40(%rsp)\n"
    "    movq %rax, 48(%rsp)\n"
    "    movaps %xmm0, 64(%rsp)\n"
    "    movaps %xmm1, 80(%rsp)\n"
    "    movaps %xmm2, 96(%rsp)\n"
    "    movaps %xmm3, 112(%rsp)\n"
    "    movaps %xmm4, 128(%rsp)\n"
    "    movaps %xmm5, 144(%rsp)\n"
    "    movaps %xmm6, 160(%rsp)\n"
    "    movaps %xmm7, 176(%rsp)\n"
    "    movq %r11, %rdi\n"
    "    movl %r10d, %esi\n"
    "    call tl_lazy_resolve\n"
    "    movq %rax, %r11\n"
    "    movq 0(%rsp), %rdi\n"
    "    movq 8(%rsp), %rsi\n"
    "    movq 16(%rsp), %rdx\n"
    "    movq 24(%rsp), %rcx\n"
    "    movq 32(%rsp), %r8\n"
    "    movq 40(%rsp), %r9\n"
    "    movq 48(%rsp), %rax\n"
    "    movaps 64(%rsp), %xmm0\n"
    "    movaps 80(%rsp), %xmm1\n"
    "    movaps 96(%rsp), %xmm2\n"
    "    movaps 112(%rsp), %xmm3\n"
    "    movaps 128(%rsp), %xmm4\n"
    "    movaps 144(%rsp), %xmm5\n"
    "    movaps 160(%rsp), %xmm6\n"
    "    movaps 176(%rsp), %xmm7\n"
    "    leave\n"
    ".cfi_def_cfa %rsp, 8\n"
    "    jmp *%r11\n"
    ".cfi_endproc\n"
    ".size tl_lazy_bind, .-tl_lazy_bind\n");
