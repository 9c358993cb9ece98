// The runtime on the console host.
#include "core/entry.h"
#include "host/console/console_host.h"

int main(int argc, char** argv)
{
    talven::ConsoleHost host(argc, argv);
    return talven::run_runtime(host);
}
