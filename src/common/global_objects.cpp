#include "common/global_objects.h"

#include <sddl.h>

namespace {

// Protected from inheritance; full access for SYSTEM and Administrators, none for anyone else.
constexpr const char* kAdminsOnly = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";

template <typename Create>
HANDLE createWithAdminsOnly(Create create, unsigned long& error)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdminsOnly, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        error = GetLastError();
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    const HANDLE object = create(&attributes);
    error = object != nullptr ? ERROR_SUCCESS : GetLastError();
    LocalFree(descriptor);
    return object;
}

}  // namespace

HANDLE createGlobalMutex(const char* name, unsigned long& error)
{
    return createWithAdminsOnly(
        [name](SECURITY_ATTRIBUTES* attributes) { return CreateMutexA(attributes, FALSE, name); }, error);
}

HANDLE createGlobalEvent(const char* name, unsigned long& error)
{
    return createWithAdminsOnly(
        [name](SECURITY_ATTRIBUTES* attributes) { return CreateEventA(attributes, TRUE, FALSE, name); },
        error);
}
