// The runtime on the console host. The program runs on a thread of its own
// with a large stack: evaluation nests on it, and the runtime refuses
// nesting beyond a budget well inside that stack.
#include <pthread.h>

#include "core/entry.h"
#include "host/console/console_host.h"

namespace {

constexpr std::size_t interpreter_stack = std::size_t{64} << 20;
constexpr std::size_t evaluation_budget = std::size_t{48} << 20;

struct Run {
    talven::ConsoleHost* host;
    int exit_code = 0;
};

void* run_program(void* argument)
{
    auto* run = static_cast<Run*>(argument);
    run->exit_code = talven::run_runtime(*run->host, evaluation_budget);
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    talven::ConsoleHost host(argc, argv);
    Run run{&host};
    pthread_attr_t attributes;
    pthread_t thread;
    if (pthread_attr_init(&attributes) == 0 && pthread_attr_setstacksize(&attributes, interpreter_stack) == 0 &&
        pthread_create(&thread, &attributes, run_program, &run) == 0) {
        pthread_join(thread, nullptr);
        pthread_attr_destroy(&attributes);
        return run.exit_code;
    }
    // Without a thread of its own the program runs here, on a smaller budget.
    return talven::run_runtime(host);
}
