#include "service/install_service.h"

// Registers the service as the first thing the process does, as the service's own start does:
// its log line is then the process's first, and the logger's creation resets the thread's
// error code. Exit code 0 when the registration failed, 1 when the service is registered.
int main()
{
    return installWatchService() ? 1 : 0;
}
