#include "fuzz/fuzz_support.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace fuzzsupport {

void ensureApplication() {
    static int argc = 1;
    static char name[] = "serifetch-fuzz";
    static char* argv[] = {name, nullptr};
    // Kept until the process ends and never destroyed: libFuzzer ends with
    // exit(), and a QCoreApplication torn down among the exit handlers uses
    // Qt globals that are already gone.
    static const QCoreApplication* const app = new QCoreApplication(argc, argv);
    (void)app;
}

void fail(const char* what) {
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}

} // namespace fuzzsupport
