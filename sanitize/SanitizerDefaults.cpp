// Linked into every program and test of the sanitizer build, so that a run
// started by hand behaves as one started by the test suite: leaks are
// checked with the suppressions kept beside this file, and any finding ends
// the run with a stack.
//
// intercept_tls_get_addr=0: this clang's runtime mistakes a dynamic TLS block
// that happens to sit at one offset in its page for an old glibc header and
// reads two words before it, so the leak checker's tracer crashes now and then
// at exit ("Tracer caught signal 11") with no leak found.
extern "C" {

const char* __asan_default_options()
{
    return "detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:"
           "intercept_tls_get_addr=0";
}

const char* __lsan_default_options()
{
    return "suppressions=" VELMOR_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

} // extern "C"
