/* A shared library a tool calls without loading it at start (see cmake/lazy_linking.cmake). The
 * tool is linked to a stub for each of the library's functions: the first call of one loads the
 * library with dlopen, looks the function up and calls it, later calls jump straight to it. So the
 * commands that never call a library never pay for loading it and everything it depends on. */
#ifndef TL_LAZY_LIBRARY_H
#define TL_LAZY_LIBRARY_H

#ifdef __cplusplus
extern "C" {
#endif

struct TlLazyLibrary {
    const char* soname;
    const char* names;        /* the function names one after another, each ending in a NUL */
    const unsigned* offsets;  /* where each name starts in names */
    void** functions;         /* each function once looked up, null until then */
    void* handle;             /* from dlopen, once loaded */
};

/* Loads the library if need be and answers function index, which it also stores for the stub's
 * next call. Ends the process as the dynamic loader would, exit status 127, when the library or
 * the function is missing. */
void* tl_lazy_resolve(struct TlLazyLibrary* library, unsigned index);

#ifdef __cplusplus
}
#endif

#endif
