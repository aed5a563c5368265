# Sourced by the sanitizer runs (test.sh, scripts/soak.sh): every report ends the run.
# Thread-local storage is not scanned for leaks: the checker misreads the GL driver's compiler's
# dynamic thread-local block on a loaded machine and crashes at exit; the project keeps no heap
# pointer in thread-local storage.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/.ci/lsan.supp:print_suppressions=0:use_tls=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
