#include "service/service_settings.h"

#include "events/event_report.h"
#include "events/event_source.h"

namespace {

void reportUnless(bool succeeded, const char* setting)
{
    const DWORD error = succeeded ? ERROR_SUCCESS : GetLastError();
    if (!succeeded) {
        reportEvent(EVENT_SERVICE_SETTING_FAILED, {setting, std::to_string(error)});
    }
}

}  // namespace

void completeRegistration(SC_HANDLE service, const std::string& modulePath)
{
    // The source first, so that the events below already find their messages.
    const long sourceError = registerEventSource(modulePath);
    if (sourceError != ERROR_SUCCESS) {
        reportEvent(EVENT_SERVICE_SETTING_FAILED, {"event source", std::to_string(sourceError)});
    }

    SERVICE_DESCRIPTIONA description = {const_cast<char*>(kServiceDescription)};
    reportUnless(ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &description), "description");

    // Only an end without a stopped report counts as a failure (the non-crash flag stays off): a
    // stop by an administrator is none, and after a failed launch of the companion the service
    // reports itself stopped and has itself started again, so the manager adds no second start.
    // The first restart comes soon, since the companion runs unwatched meanwhile; the later ones
    // wait longer, so that a service that cannot run does not spin.
    SC_ACTION restarts[] = {
        {SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 30000}, {SC_ACTION_RESTART, 60000}};
    SERVICE_FAILURE_ACTIONSA recovery = {};
    recovery.dwResetPeriod = 24 * 60 * 60;
    recovery.cActions = sizeof restarts / sizeof restarts[0];
    recovery.lpsaActions = restarts;
    reportUnless(ChangeServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, &recovery), "recovery");
}
