#include "platform/Privileges.h"

#include <cstdlib>
#include <grp.h>
#include <limits>
#include <pwd.h>
#include <unistd.h>

namespace {

// A decimal id as sudo writes it, or -1 for anything else (root's 0 included, which would
// drop nothing).
long long IdFrom(const char* text) {
    if (text == nullptr || *text == '\0') {
        return -1;
    }
    char* end = nullptr;
    const long long id = std::strtoll(text, &end, 10);
    if (*end != '\0' || id <= 0 || id >= std::numeric_limits<uid_t>::max()) {
        return -1;
    }
    return id;
}

} // namespace

PrivilegeCalls SystemPrivilegeCalls() {
    return {[] { return ::geteuid(); },
            [](const char* name) -> const char* { return std::getenv(name); },
            [](uid_t uid, gid_t gid) {
                // The user's groups (lp, plugdev, ...) keep the devices reachable.
                if (const passwd* user = ::getpwuid(uid)) {
                    return ::initgroups(user->pw_name, gid);
                }
                return ::setgroups(0, nullptr);
            },
            [](gid_t gid) { return ::setresgid(gid, gid, gid); },
            [](uid_t uid) { return ::setresuid(uid, uid, uid); }};
}

PrivilegeDrop DropToInvokingUser(const PrivilegeCalls& calls) {
    if (calls.effectiveUser() != 0) {
        return PrivilegeDrop::NotRoot;
    }
    const long long uid = IdFrom(calls.environment("SUDO_UID"));
    const long long gid = IdFrom(calls.environment("SUDO_GID"));
    if (uid < 0 || gid < 0) {
        return PrivilegeDrop::NoInvokingUser;
    }
    // Groups first, then the group, then the user: after that nothing could change them.
    if (calls.setSupplementaryGroups(static_cast<uid_t>(uid), static_cast<gid_t>(gid)) != 0 ||
        calls.setGroup(static_cast<gid_t>(gid)) != 0 ||
        calls.setUser(static_cast<uid_t>(uid)) != 0 || calls.effectiveUser() == 0) {
        return PrivilegeDrop::Failed;
    }
    return PrivilegeDrop::Dropped;
}

bool HoldsRootToGiveUp(const PrivilegeCalls& calls) {
    return calls.effectiveUser() == 0 && IdFrom(calls.environment("SUDO_UID")) >= 0 &&
           IdFrom(calls.environment("SUDO_GID")) >= 0;
}

std::string PrivilegeDropText(PrivilegeDrop result) {
    switch (result) {
    case PrivilegeDrop::NoInvokingUser:
        return "The program runs as root and keeps root rights, because it was not started "
               "through sudo: the files it writes will belong to root. Start it with sudo from "
               "your own account so it can go on as you once the port is open.";
    case PrivilegeDrop::Failed:
        return "The program could not give up its root rights after opening the port.";
    default:
        return {};
    }
}
