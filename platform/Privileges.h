// Root is needed only to be granted raw port I/O. A program started through sudo goes on as
// the user who ran sudo once that is done, so nothing else runs privileged and the files it
// writes belong to that user.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>

enum class PrivilegeDrop {
    NotRoot,        // nothing to drop
    Dropped,        // now running as the sudo user
    NoInvokingUser, // root, but not through sudo: stays root
    Failed,         // still root; the caller must not go on as if it had dropped
};

// The system calls involved, replaceable for tests.
struct PrivilegeCalls {
    std::function<uid_t()> effectiveUser;
    std::function<const char*(const char*)> environment;
    std::function<int(uid_t, gid_t)> setSupplementaryGroups; // the user's own, as at login
    std::function<int(gid_t)> setGroup;
    std::function<int(uid_t)> setUser;
};
PrivilegeCalls SystemPrivilegeCalls();

// Drops to SUDO_UID/SUDO_GID when running as root through sudo. Harmless to call again.
PrivilegeDrop DropToInvokingUser(const PrivilegeCalls& calls = SystemPrivilegeCalls());
// Root through sudo: what DropToInvokingUser would give up.
bool HoldsRootToGiveUp(const PrivilegeCalls& calls = SystemPrivilegeCalls());
// What to tell a user about a result other than NotRoot and Dropped.
std::string PrivilegeDropText(PrivilegeDrop result);
